#include "frame/mShell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "frame/mErrorState.h"
#include "platform/PictureIO.h"
#include "platform/cShellLauncher.h"

namespace brennic {

namespace {

[[noreturn]] void RaiseSystem(int iErrno, const std::string& sDescription) {
  throw cError(iErrno, ErrorSource(".mfrmMain"),
               sDescription + " (" + std::strerror(iErrno) + ").");
}

// Where the temporary folder is looked for, in the order the C++ library looks.
std::string TempFolderSetting() {
  for (const char* sName : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
    const char* sValue = std::getenv(sName);
    if (sValue != nullptr && *sValue != '\0') return sValue;
  }
  return "/tmp";
}

// The first number tried: different from process to process so that two programs creating
// files in one folder rarely meet; then one after another.
uint32_t NextTempNumber() {
  static uint32_t lNext =
      static_cast<uint32_t>(::getpid()) * 2654435761U ^
      static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return lNext++ % 0xFFFF + 1;
}

}  // namespace

std::string TempDir() {
  std::string sFolder = TempFolderSetting();
  struct stat info {};
  if (::stat(sFolder.c_str(), &info) != 0) {
    RaiseSystem(errno, "The temporary folder '" + sFolder + "' cannot be used");
  }
  if (!S_ISDIR(info.st_mode)) {
    RaiseSystem(ENOTDIR, "The temporary folder '" + sFolder + "' is not a folder");
  }
  if (sFolder.back() != '/') sFolder += '/';
  return sFolder;
}

std::string TempFileName(const std::string& sPrefix, const std::string& sPathName) {
  if (sPrefix.find('/') != std::string::npos) {
    RaiseSystem(EINVAL, "The prefix '" + sPrefix + "' of a temporary file holds a '/'");
  }
  std::string sFolder = sPathName.empty() ? TempDir() : sPathName;
  if (sFolder.back() != '/') sFolder += '/';
  for (uint32_t lTry = 0; lTry < 0xFFFF; ++lTry) {
    char sNumber[8];
    std::snprintf(sNumber, sizeof sNumber, "%X", NextTempNumber());
    const std::string sName = sFolder + sPrefix + sNumber + ".tmp";
    const int fd = ::open(sName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return sName;
    }
    if (errno != EEXIST) {
      RaiseSystem(errno, "A temporary file cannot be created in the folder '" + sFolder + "'");
    }
  }
  RaiseSystem(EEXIST, "Every temporary file name with the prefix '" + sPrefix +
                          "' is taken in the folder '" + sFolder + "'");
}

std::optional<cError> ShellResultError(int32_t lResult) {
  if (lResult < 0 || lResult > 32) return std::nullopt;
  int32_t lNumber = kErrShellBase + lResult;
  const char* sMessage = kShellGenericMessage;
  switch (lResult) {
    case 0:
    case 8:
      lNumber = kErrOutOfMemory;
      sMessage = "Out of memory";
      break;
    case 2:
      lNumber = kErrFileNotFound;
      sMessage = "File not found";
      break;
    case 3:
      lNumber = kErrPathNotFound;
      sMessage = "Path not found";
      break;
    case 5:
      lNumber = kErrFileAccess;
      sMessage = "Path/file access error";
      break;
    case 11:
      sMessage = "The executable file is invalid or corrupt";
      break;
    case 26:
      lNumber = kErrFileAccess;
      sMessage = "A sharing violation occurred.";
      break;
    case 27:
      sMessage = "This file type does not have a valid file association.";
      break;
    case 28:
      lNumber = 286;
      sMessage = "The file could not be opened due to time out. Please try again in a moment.";
      break;
    case 29:
      lNumber = 285;
      sMessage =
          "The file could not be opened because the DDE transaction failed. Please try again in "
          "a moment.";
      break;
    case 30:
      lNumber = 285;
      sMessage =
          "The file could not be opened because the target application is busy. Please try "
          "again in a moment.";
      break;
    case 31:
      sMessage = "No application is associated with this file type.";
      break;
    case 32:
      lNumber = 48;
      sMessage = "The specified dynamic-link library was not found.";
      break;
    default:
      break;
  }
  return cError(lNumber, ErrorSource(".GShell"), sMessage);
}

bool ShellEx(const std::string& sFile, int32_t eShowCmd, const std::string& sParameters,
             const std::string& sDefaultDir, const std::string& sOperation, QWidget* Owner) {
  std::string sUpper = sFile;
  std::transform(sUpper.begin(), sUpper.end(), sUpper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (sUpper.find(".EXE") != std::string::npos) eShowCmd = 0;

  ClearLastError();
  try {
    sShellRequest request{sFile, eShowCmd, sParameters, sDefaultDir, sOperation, Owner};
    if (sParameters.empty() && sDefaultDir.empty()) request.eShowCmd = 1;
    if (std::optional<cError> error = ShellResultError(ShellLauncher().Execute(request))) {
      throw *error;
    }
    return true;
  } catch (const cError& error) {
    SetLastError(error);
  } catch (const std::bad_alloc&) {
    SetLastError(cError(kErrOutOfMemory, ErrorSource(".GShell"), "Out of memory"));
  } catch (const std::exception& error) {
    SetLastError(cError(kErrShellBase + kShellFailed, ErrorSource(".GShell"), error.what()));
  }
  return false;
}

}  // namespace brennic
