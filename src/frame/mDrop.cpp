#include "frame/mDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "platform/mFileName.h"

namespace brennic {

bool CarriesPictures(const QMimeData* pData) {
  if (pData == nullptr) return false;
  if (pData->hasImage()) return true;
  if (!pData->hasUrls()) return false;
  const QList<QUrl> urls = pData->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

cDropContents DropContents(const QMimeData* pData) {
  cDropContents contents;
  if (pData == nullptr) return contents;
  if (pData->hasUrls()) {
    for (const QUrl& url : pData->urls()) {
      // The address's own bytes: a name need not be UTF-8.
      const std::string sFile = LocalFileOfUrl(url);
      if (!sFile.empty()) contents.files.push_back(sFile);
    }
  }
  // A browser's image comes with its web address: the data, not the address, is opened.
  if (contents.files.empty() && pData->hasImage()) {
    contents.bImage = true;
    contents.data = PictureDataOf(pData);
  }
  return contents;
}

bool AcceptDrop(QDropEvent* pEvent) {
  if (!pEvent->possibleActions().testFlag(Qt::CopyAction) || !CarriesPictures(pEvent->mimeData())) {
    pEvent->ignore();
    return false;
  }
  pEvent->setDropAction(Qt::CopyAction);
  pEvent->accept();
  return true;
}

}  // namespace brennic
