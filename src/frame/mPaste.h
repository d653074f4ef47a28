#pragma once
// Edit > Paste: the clipboard's picture goes through a temporary bitmap file into a new document,
// so that a pasted picture takes the same loading path as a file. The frame supplies the new
// document window; the paste opens it as a temporary file ("Image " and the next number, no
// recent-files entry) and shows it, or unloads it again.

#include <functional>
#include <memory>
#include <string>

#include "image/cPicture.h"

namespace brennic {

inline constexpr const char* kPasteFailedPrefix =
    "An error occured whilst trying to paste this icon: ";
inline constexpr const char* kPasteTempPrefix = "VBIM";

// A new document window as the paste sees it. Destroying the handle leaves the window alone.
class IPasteDocument {
 public:
  virtual ~IPasteDocument() = default;
  // Opens the file (bIsTemp true: the pasted picture); reports its own failures and returns false.
  virtual bool OpenFile(const std::string& sFile, bool bIsTemp) = 0;
  virtual void Show() = 0;
  // Closes the window and discards the document.
  virtual void Unload() = 0;
};

using NewPasteDocument = std::function<std::unique_ptr<IPasteDocument>()>;
// Where the pasted picture comes from; raises cError when there is none to take.
using PastePictureSource = std::function<std::unique_ptr<cPicture>()>;

// The paste of a picture from fnPicture (picture data dropped on the window), with the messages
// and outcome of PasteFromClipboard, failures of fnPicture included.
bool PastePicture(const PastePictureSource& fnPicture, const NewPasteDocument& newDocument);

// Runs the paste. Any failure from taking the clipboard's picture up to opening the document
// shows kPasteFailedPrefix + its description (exclamation icon, OK) and leaves no document
// open. The temporary file is deleted in every case. True when a document was opened and shown.
bool PasteFromClipboard(const NewPasteDocument& newDocument);

}  // namespace brennic
