#include "platform/cShellLauncher.h"

#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <filesystem>

namespace brennic {

namespace fs = std::filesystem;

namespace {

IShellLauncher* g_pLauncher = nullptr;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// "scheme:..." with a scheme of two characters or more (one letter would be a drive).
bool LooksLikeUrl(const std::string& sFile) {
  const size_t lColon = sFile.find(':');
  if (lColon == std::string::npos || lColon < 2) return false;
  if (std::isalpha(static_cast<unsigned char>(sFile[0])) == 0) return false;
  return std::all_of(
      sFile.begin(), sFile.begin() + static_cast<std::ptrdiff_t>(lColon),
      [](unsigned char c) { return std::isalnum(c) != 0 || c == '+' || c == '-' || c == '.'; });
}

// The file as a path: relative names are taken in the default folder when one is given.
fs::path TargetPath(const sShellRequest& request) {
  fs::path path(request.sFile);
  if (path.is_relative() && !request.sDefaultDir.empty()) path = request.sDefaultDir / path;
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute;
}

bool IsFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

QStringList ToQt(const std::vector<std::string>& args) {
  QStringList list;
  for (const std::string& s : args)
    list.append(QString::fromStdString(s));
  return list;
}

}  // namespace

void SetShellLauncher(IShellLauncher* pLauncher) {
  g_pLauncher = pLauncher;
}

IShellLauncher& ShellLauncher() {
  if (g_pLauncher != nullptr) return *g_pLauncher;
  static cDesktopShellLauncher desktopLauncher;
  return desktopLauncher;
}

int32_t ShellTargetCheck(const sShellRequest& request) {
  if (!request.sDefaultDir.empty() && !IsFolder(request.sDefaultDir)) return kShellPathNotFound;
  if (request.sFile.empty()) return kShellFileNotFound;
  const fs::path path = TargetPath(request);
  if (!Exists(path)) {
    if (LooksLikeUrl(request.sFile)) return 0;
    const fs::path folder = path.parent_path();
    return folder.empty() || IsFolder(folder) ? kShellFileNotFound : kShellPathNotFound;
  }
  if (::access(path.c_str(), R_OK) != 0) return kShellAccessDenied;
  return 0;
}

int32_t cDesktopShellLauncher::Execute(const sShellRequest& request) {
  const int32_t lProblem = ShellTargetCheck(request);
  if (lProblem != 0) return lProblem;
  std::string sVerb = Lower(request.sOperation);
  if (sVerb.empty()) sVerb = "open";
  const fs::path path = TargetPath(request);
  const bool bLocal = Exists(path);
  const std::string sTarget = bLocal ? path.string() : request.sFile;

  if (sVerb == "print") {
    if (!bLocal || IsFolder(path)) return kShellNoAssoc;
    const std::string sSpooler = FindProgram("lp");
    if (sSpooler.empty()) return kShellNoAssoc;
    const int32_t lExit = Run(sSpooler, {"--", sTarget}, kPrintTimeoutMs);
    if (lExit == 0) return kShellStarted;
    if (lExit == kRunNotStarted) return kShellNoAssoc;
    if (lExit == kRunTimedOut) return kShellDdeTimeout;
    return kShellFailed;
  }
  if (sVerb != "open" && sVerb != "explore") return kShellNoAssoc;

  // An executable file is started itself, as the shell starts programs.
  if (sVerb == "open" && bLocal && !IsFolder(path) && ::access(path.c_str(), X_OK) == 0) {
    std::vector<std::string> args;
    for (const QString& s : QProcess::splitCommand(QString::fromStdString(request.sParameters))) {
      args.push_back(s.toStdString());
    }
    return StartDetached(sTarget, args, request.sDefaultDir) ? kShellStarted : kShellBadFormat;
  }
  const std::string sOpener = FindProgram("xdg-open");
  if (sOpener.empty()) return kShellNoAssoc;
  return StartDetached(sOpener, {sTarget}, request.sDefaultDir) ? kShellStarted : kShellNoAssoc;
}

std::string cDesktopShellLauncher::FindProgram(const std::string& sName) {
  return QStandardPaths::findExecutable(QString::fromStdString(sName)).toStdString();
}

bool cDesktopShellLauncher::StartDetached(const std::string& sProgram,
                                          const std::vector<std::string>& args,
                                          const std::string& sDirectory) {
  return QProcess::startDetached(QString::fromStdString(sProgram), ToQt(args),
                                 QString::fromStdString(sDirectory));
}

int32_t cDesktopShellLauncher::Run(const std::string& sProgram,
                                   const std::vector<std::string>& args, int32_t lTimeoutMs) {
  QProcess process;
  process.start(QString::fromStdString(sProgram), ToQt(args));
  if (!process.waitForStarted()) return kRunNotStarted;
  if (!process.waitForFinished(lTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    return kRunTimedOut;
  }
  if (process.exitStatus() != QProcess::NormalExit) return kShellFailed;
  return process.exitCode();
}

}  // namespace brennic
