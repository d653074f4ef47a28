#pragma once
// Handing a file to the desktop to open or print it with the application that handles it.
//
// The launcher answers in the shell's result codes: a value above 32 is success, the others are
// the SE_ERR_* codes below. cDesktopShellLauncher brings this platform's outcomes onto them:
//
//   a file that does not exist          2 (a missing folder on its path: 3)
//   a default folder that does not exist 3
//   a file that cannot be read           5
//   an executable file that will not run 11
//   no program to open or print with     31 (also for a verb other than open, explore or print,
//                                            and for printing a folder)
//   the printer spooler not answering    28
//   anything else that failed            1
//
// "open" (or no verb) starts an executable file itself, with the parameters, in the default
// folder; any other file, folder or URL goes to the desktop's default handler (xdg-open). "print"
// hands the file to the print spooler (lp). The show command and the owner window have no
// meaning on this desktop and are passed on for completeness only.

#include <cstdint>
#include <string>
#include <vector>

class QWidget;

namespace brennic {

// Shell result codes.
inline constexpr int32_t kShellOutOfMemory = 0;
inline constexpr int32_t kShellFailed = 1;
inline constexpr int32_t kShellFileNotFound = 2;
inline constexpr int32_t kShellPathNotFound = 3;
inline constexpr int32_t kShellAccessDenied = 5;
inline constexpr int32_t kShellNoMemory = 8;
inline constexpr int32_t kShellBadFormat = 11;
inline constexpr int32_t kShellShare = 26;
inline constexpr int32_t kShellAssocIncomplete = 27;
inline constexpr int32_t kShellDdeTimeout = 28;
inline constexpr int32_t kShellDdeFail = 29;
inline constexpr int32_t kShellDdeBusy = 30;
inline constexpr int32_t kShellNoAssoc = 31;
inline constexpr int32_t kShellDllNotFound = 32;
// What the desktop launcher answers when the file was handed on.
inline constexpr int32_t kShellStarted = 42;

struct sShellRequest {
  std::string sFile;
  int32_t eShowCmd = 1;
  std::string sParameters;
  std::string sDefaultDir;
  std::string sOperation;
  QWidget* Owner = nullptr;
};

class IShellLauncher {
 public:
  virtual ~IShellLauncher() = default;
  // Performs the request; returns a shell result code.
  virtual int32_t Execute(const sShellRequest& request) = 0;
};

// Installs the launcher the program uses (nullptr: the desktop's). The caller keeps it alive.
void SetShellLauncher(IShellLauncher* pLauncher);
IShellLauncher& ShellLauncher();

// The checks made before anything is started: 0 when the file (or URL) and the default folder
// can be used, otherwise the shell result code of the first problem.
int32_t ShellTargetCheck(const sShellRequest& request);

class cDesktopShellLauncher : public IShellLauncher {
 public:
  int32_t Execute(const sShellRequest& request) override;

  // What Run answers when the program did not run to its end.
  static constexpr int32_t kRunNotStarted = -1;
  static constexpr int32_t kRunTimedOut = -2;
  // How long the print spooler may take to accept a file.
  static constexpr int32_t kPrintTimeoutMs = 30000;

 protected:
  // The program's full path on the search path, or empty when it is not installed.
  virtual std::string FindProgram(const std::string& sName);
  // Starts a program and does not wait for it; false when it could not be started.
  virtual bool StartDetached(const std::string& sProgram, const std::vector<std::string>& args,
                             const std::string& sDirectory);
  // Runs a program to its end: its exit code, kRunNotStarted or kRunTimedOut.
  virtual int32_t Run(const std::string& sProgram, const std::vector<std::string>& args,
                      int32_t lTimeoutMs);
};

}  // namespace brennic
