#include "platform/mFileName.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QUrl>
#include <filesystem>

namespace brennic {

namespace {

bool Exists(const std::string& sPath) {
  struct stat info {};
  return ::lstat(sPath.c_str(), &info) == 0;
}

// The one entry of sFolder shown as sShown, or "" when none or several are.
std::string EntryShownAs(const std::string& sFolder, const QString& sShown) {
  DIR* pDir = ::opendir(sFolder.c_str());
  if (pDir == nullptr) return {};
  std::string sFound;
  int lMatches = 0;
  while (const dirent* pEntry = ::readdir(pDir)) {
    const std::string sName = pEntry->d_name;
    if (QFile::decodeName(QByteArray::fromStdString(sName)) == sShown) {
      sFound = sName;
      ++lMatches;
    }
  }
  ::closedir(pDir);
  return lMatches == 1 ? sFound : std::string();
}

}  // namespace

std::string LocalFileName(const QString& sShown) {
  const std::string sEncoded = QFile::encodeName(sShown).toStdString();
  if (sEncoded.empty() || Exists(sEncoded)) return sEncoded;
  // Part by part: the folders first, each resolved before its entries are looked at.
  const bool bAbsolute = sShown.startsWith('/');
  std::string sPath;
  for (const QString& sPart : sShown.split('/', Qt::SkipEmptyParts)) {
    const std::string sFolder = !sPath.empty() ? sPath : bAbsolute ? "/" : ".";
    const std::string sPrefix = !sPath.empty() ? sPath + "/" : bAbsolute ? "/" : "";
    std::string sNext = sPrefix + QFile::encodeName(sPart).toStdString();
    if (!Exists(sNext)) {
      const std::string sEntry = EntryShownAs(sFolder, sPart);
      if (!sEntry.empty()) sNext = sPrefix + sEntry;
    }
    sPath = sNext;
  }
  if (sShown.endsWith('/') && !sPath.empty() && sPath.back() != '/') sPath += '/';
  return sPath;
}

std::string LocalFileOfUrl(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  if (!url.host().isEmpty() && url.host() != QStringLiteral("localhost")) return {};
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

std::string AbsoluteFileName(const std::string& sPath) {
  if (sPath.empty()) return sPath;
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(sPath, ec);
  if (ec) return sPath;
  return abs.lexically_normal().string();
}

}  // namespace brennic
