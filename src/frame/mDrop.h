#pragma once
// What a drag onto the main window brings to open: picture files of this computer, or picture
// data that is no file (an image dragged out of a browser). Files go the way of File > Open,
// picture data the way of Edit > Paste. Addresses of other machines (http and the like) are
// ignored: a drag that carries nothing else is refused while it is dragged, so nothing drops.

#include <string>
#include <vector>

class QDropEvent;
class QMimeData;

#include "platform/Clipboard.h"

namespace brennic {

struct cDropContents {
  std::vector<std::string> files;  // local files, in the order of the drag; first choice
  bool bImage = false;             // picture data, used only when there are no local files
  cPictureData data;               // the picture data, decoded when it is opened

  bool IsEmpty() const { return files.empty() && !bImage; }
};

// Whether a drag brings something to open; cheap enough for every move of the drag.
bool CarriesPictures(const QMimeData* pData);
// The drag's contents as a drop opens them; empty when there is nothing to open.
cDropContents DropContents(const QMimeData* pData);

// Accepts a drag or drop event as a copy when it brings something to open (the source keeps its
// files whatever action it proposed), and refuses it otherwise. Returns whether it was accepted.
bool AcceptDrop(QDropEvent* pEvent);

}  // namespace brennic
