#include "frame/mPaste.h"

#include <cstdio>
#include <new>

#include "frame/mShell.h"
#include "image/cError.h"
#include "platform/Clipboard.h"
#include "platform/MessageBox.h"
#include "platform/PictureIO.h"

namespace brennic {

bool PasteFromClipboard(const NewPasteDocument& newDocument) {
  return PastePicture(ClipboardPicture, newDocument);
}

bool PastePicture(const PastePictureSource& fnPicture, const NewPasteDocument& newDocument) {
  std::string sTempFile;
  std::unique_ptr<IPasteDocument> pDocument;
  bool bPasted = false;
  bool bFailed = true;
  std::string sFailure;
  try {
    const std::unique_ptr<cPicture> pPicture = fnPicture();
    sTempFile = TempFileName(kPasteTempPrefix, "");
    SavePicture(pPicture->Surface(), sTempFile);
    pDocument = newDocument();
    if (pDocument == nullptr) {
      throw cError(kErrOutOfMemory, ErrorSource(".mfrmMain"), "No new window could be made.");
    }
    if (pDocument->OpenFile(sTempFile, true)) {
      pDocument->Show();
      bPasted = true;
    } else {
      // The document has reported why; it is closed again and nothing more is said.
      pDocument->Unload();
      pDocument.reset();
    }
    bFailed = false;
  } catch (const cError& error) {
    sFailure = error.Description();
  } catch (const std::bad_alloc&) {
    sFailure = "Out of memory";
  } catch (const std::exception& error) {
    sFailure = error.what();
  }
  if (bFailed) {
    // No document stays open after a failed paste.
    if (pDocument != nullptr) pDocument->Unload();
    MsgBox(kPasteFailedPrefix + sFailure, eMsgButtons::OK, eMsgIcon::Exclamation);
  }
  if (!sTempFile.empty()) std::remove(sTempFile.c_str());
  return bPasted;
}

}  // namespace brennic
