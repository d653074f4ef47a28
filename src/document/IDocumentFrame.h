#pragma once
// What an image document asks of the main window it lives in: the status strip (a text of "#"
// leaves its field as it is), the progress of a running operation, the numbers of documents
// without a file of their own, and the recent-files list. The main window implements it; tests
// give documents a recording stand-in.

#include <cstdint>
#include <string>

namespace brennic {

class frmImage;

class IDocumentFrame {
 public:
  virtual ~IDocumentFrame() = default;
  // sMain: a message; sImage: the image's title; sSize: "W x H".
  virtual void SetStatus(const std::string& sMain, const std::string& sImage,
                         const std::string& sSize) = 0;
  virtual void ProgressMax(int32_t lMax) = 0;
  virtual void ProgressValue(int32_t lValue) = 0;
  virtual void ShowProgress(bool bShow) = 0;
  // The document is busy outside the engine's progress (keeping the undo step of a very large
  // picture): the windows may paint, nothing else may run.
  virtual void KeepAlive() {}
  // The person asked to stop the running operation (Escape, the Cancel button).
  virtual bool CancelRequested() { return false; }
  // 1 on the first call of a run, then 2, 3...; numbers are never reused.
  virtual int32_t NewImageIndex() = 0;
  // Puts a path at the top of the recent-files list and shows the list.
  virtual void AddMRUFile(const std::string& sFileName) = 0;
  // The document's window is closing: it is discarded once this returns.
  virtual void DocumentClosing(frmImage& /*cDocument*/) {}
};

}  // namespace brennic
