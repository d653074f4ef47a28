// The frame's file services: temporary files and ShellEx's rules, one row each.

#include <gtest/gtest.h>

#include <fstream>

#include "FrameTestUtil.h"
#include "frame/mErrorState.h"
#include "frame/mShell.h"
#include "platform/cShellLauncher.h"

namespace brennic {
namespace {

// "<prefix><hexadecimal number>.tmp", a new empty file numbered on from the last, passing over
// names already taken; the folder's separator is not doubled. (Paste pins a folder that is none.)
TEST(TempFileName, MakesNewEmptyFilesPassingOverTakenNames) {
  test::cScopedTempFolder folder;
  ::setenv("TMPDIR", (folder.Path() + "/").c_str(), 1);
  const std::string sFirst = TempFileName("VB", "");
  const std::string sStart = folder.Path() + "/VB";
  ASSERT_TRUE(sFirst.starts_with(sStart) && sFirst.ends_with(".tmp")) << sFirst;
  const auto name = [&](unsigned long lSteps) {
    const unsigned long n = std::stoul(sFirst.substr(sStart.size()), nullptr, 16);
    char s[8];
    std::snprintf(s, sizeof s, "%lX", (n + lSteps - 1) % 0xFFFF + 1);
    return sStart + s + ".tmp";
  };
  std::ofstream(name(1)) << "taken";
  EXPECT_EQ(TempFileName("VB", folder.Path()), name(2));
  EXPECT_EQ(folder.Names().size(), 3u);
  EXPECT_EQ(std::filesystem::file_size(sFirst) + std::filesystem::file_size(name(2)), 0u);
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
// in any case; a result of 0 to 32 (or a launcher that throws) is false with its error in the
// state, anything else true.
TEST(ShellEx, TheShowCommandsRulesAndTheResultTable) {
  cFakeLauncher launcher;
  SetShellLauncher(&launcher);
  const struct {
    const char* sFile;
    const char* sParameters;
    int32_t lResult;
    std::string sSent;   // operation, show command
    const char* sError;  // "": success; the launcher throws for "broke"
  } cases[] = {
      {"picture.bmp", "", 33, "print 1", ""},
      {"Setup.eXe", "/quiet", -5, "print 0", ""},
      {"a.xyz", "-x", 31, "print 3",
       "-2147220425 No application is associated with this file type."},
      {"a.xyz", "-x", 2, "print 3", "53 File not found"},
      {"a.xyz", "-x", 32, "print 3", "48 The specified dynamic-link library was not found."},
      {"a.xyz", "-x", 42, "print 3", "the launcher broke"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lResult);
    launcher.lResult = c.lResult;
    launcher.bThrows = std::string(c.sError).ends_with("broke");
    EXPECT_EQ(brennic::ShellEx(c.sFile, 3, c.sParameters, "", "print"), *c.sError == '\0');
    const sShellRequest& r = launcher.requests.back();
    EXPECT_EQ(r.sOperation + " " + std::to_string(r.eShowCmd), c.sSent);
    const cError* pError = LastError();
    const std::string sNumber = launcher.bThrows || !pError ? "" : std::to_string(pError->Number());
    EXPECT_EQ(
        pError == nullptr ? "" : sNumber + (sNumber.empty() ? "" : " ") + pError->Description(),
        c.sError);
    EXPECT_TRUE(pError == nullptr || pError->Source() == ErrorSource(".GShell"));
  }
  SetShellLauncher(nullptr);
  ClearLastError();
}

}  // namespace
}  // namespace brennic
