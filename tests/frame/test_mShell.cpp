// The frame's file services: the temporary folder and unique temporary files (Paste makes its
// bitmap with them), and ShellEx's rules, which only the platform layer offers: one row each.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FrameTestUtil.h"
#include "frame/mErrorState.h"
#include "frame/mShell.h"
#include "platform/cShellLauncher.h"

namespace brennic {
namespace {

namespace fs = std::filesystem;
using test::cScopedTempFolder;

// Each call makes a new empty file, passing over names already taken. (Paste pins a folder that
// is none.)
TEST(TempFileName, MakesNewEmptyFilesPassingOverTakenNames) {
  cScopedTempFolder folder;
  ::setenv("TMPDIR", (folder.Path() + "/").c_str(), 1);
  EXPECT_EQ(TempDir(), folder.Path() + "/");  // the separator is not doubled
  const std::string sFirst = TempFileName("VB", "");
  EXPECT_EQ(sFirst.substr(0, folder.Path().size() + 3), folder.Path() + "/VB");
  EXPECT_TRUE(sFirst.ends_with(".tmp")) << sFirst;
  // "<prefix><hexadecimal number>.tmp", numbered on from the last.
  const std::string sNumber =
      sFirst.substr(folder.Path().size() + 3, sFirst.size() - 4 - folder.Path().size() - 3);
  const unsigned long n = std::stoul(sNumber, nullptr, 16);
  const auto name = [&](unsigned long i) {
    char s[8];
    std::snprintf(s, sizeof s, "%lX", i % 0xFFFF + 1);
    return folder.Path() + "/VB" + s + ".tmp";
  };
  std::ofstream(name(n)) << "taken";
  EXPECT_EQ(TempFileName("VB", folder.Path()), name(n + 1));
  EXPECT_EQ(fs::file_size(name(n)), 5u);
  EXPECT_EQ(fs::file_size(sFirst) + fs::file_size(name(n + 1)), 0u);
}

class cFakeLauncher final : public IShellLauncher {
 public:
  int32_t Execute(const sShellRequest& request) override {
    requests.push_back(request);
    if (bThrows) throw std::runtime_error("the launcher broke");
    return lResult;
  }
  int32_t lResult = 42;
  bool bThrows = false;
  std::vector<sShellRequest> requests;
};

// The show command is 1 when neither parameters nor a folder are given, 0 for a name with ".exe"
// in any case; a result of 0 to 32 is false with its error in the state, anything else true.
TEST(ShellEx, TheShowCommandsRulesAndTheResultTable) {
  cFakeLauncher launcher;
  SetShellLauncher(&launcher);
  const struct {
    const char* sFile;
    const char* sParameters;
    int32_t lResult;
    bool bThrows;
    std::string sSent;   // operation, show command
    const char* sError;  // "": success
  } cases[] = {
      {"a.txt", "-x", 42, false, "print 3", ""},
      {"picture.bmp", "", 33, false, "print 1", ""},
      {"Setup.eXe", "/quiet", -5, false, "print 0", ""},
      {"a.xyz", "-x", 0, false, "print 3", "7 Out of memory"},
      {"a.xyz", "-x", 2, false, "print 3", "53 File not found"},
      {"a.xyz", "-x", 29, false, "print 3",
       "285 The file could not be opened because the DDE transaction failed. Please try again in "
       "a moment."},
      {"a.xyz", "-x", 31, false, "print 3",
       "-2147220425 No application is associated with this file type."},
      {"a.xyz", "-x", 12, false, "print 3",
       "-2147220444 An error occurred occurred whilst trying to open or print the selected file."},
      {"a.xyz", "-x", 42, true, "print 3", "0 the launcher broke"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.sFile) + " " + std::to_string(c.lResult));
    launcher.lResult = c.lResult;
    launcher.bThrows = c.bThrows;
    EXPECT_EQ(brennic::ShellEx(c.sFile, 3, c.sParameters, "", "print"), *c.sError == '\0');
    const sShellRequest& r = launcher.requests.back();
    EXPECT_EQ(r.sOperation + " " + std::to_string(r.eShowCmd), c.sSent);
    EXPECT_EQ(r.sFile + r.sParameters, std::string(c.sFile) + c.sParameters);
    const cError* pError = LastError();
    EXPECT_EQ(pError == nullptr
                  ? ""
                  : std::to_string(c.bThrows ? 0 : pError->Number()) + " " + pError->Description(),
              c.sError);
    if (pError != nullptr) {
      EXPECT_EQ(pError->Source(), ErrorSource(".GShell"));
    }
  }
  // The real launcher starts nothing for a missing file and reports it through the table.
  SetShellLauncher(nullptr);
  cScopedTempFolder folder;
  EXPECT_FALSE(brennic::ShellEx(folder.Path() + "/none.bmp"));
  ASSERT_NE(LastError(), nullptr);
  EXPECT_EQ(LastError()->Number(), 53);
  ClearLastError();
}

}  // namespace
}  // namespace brennic
