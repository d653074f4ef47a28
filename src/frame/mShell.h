#pragma once
// The main window's wrappers of the desktop's file services: the temporary folder, unique
// temporary files, and handing a file to the desktop to open or print (mfrmMain forwards its
// TempDir, TempFileName and ShellEx here).

#include <cstdint>
#include <optional>
#include <string>

#include "image/cError.h"

class QWidget;

namespace brennic {

// Error numbers of ShellEx.
inline constexpr int32_t kErrShellBase = -2147220456;  // 0x80040418
inline constexpr const char* kShellGenericMessage =
    "An error occurred occurred whilst trying to open or print the selected file.";

// The platform's temporary folder with its trailing separator ($TMPDIR, else /tmp). Raises
// cError (source "<exe>.mfrmMain") with the platform's error number (errno) when the folder
// does not exist or is no folder.
std::string TempDir();

// Creates a new, empty file named sPrefix + a hexadecimal number (1 to FFFF) + ".tmp" in
// sPathName, or in TempDir() when sPathName is empty, and returns its full name. The number is
// chosen so that no existing file is touched. Raises cError with the platform's error number
// when the file cannot be created.
std::string TempFileName(const std::string& sPrefix, const std::string& sPathName);

// The error a shell result code stands for, or nothing for a success (below 0 or above 32).
std::optional<cError> ShellResultError(int32_t lResult);

// Asks the desktop (through ShellLauncher()) to perform sOperation ("open", "print"...) on
// sFile. A name containing ".EXE" in any letter case is started hidden (show command 0); with
// neither parameters nor a default folder the request goes without them and with show
// command 1. Never raises: a failure gives false and leaves its error (source "<exe>.GShell") in
// LastError(); a success leaves the error state clear.
bool ShellEx(const std::string& sFile, int32_t eShowCmd = 1, const std::string& sParameters = {},
             const std::string& sDefaultDir = {}, const std::string& sOperation = "open",
             QWidget* Owner = nullptr);

}  // namespace brennic
