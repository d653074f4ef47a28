// The frame's file services: the temporary folder, unique temporary files, and ShellEx's rules
// (the ".EXE" and show-command rules, every row of the result table, the error state).

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
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

// A folder that is none, given or taken from the system's setting, raises the platform's number
// and names the folder; a prefix with a folder in it is refused. No file is made.
TEST(TempFileName, AFolderThatIsNoneOrAPrefixWithAFolderIsRefused) {
  cScopedTempFolder folder;
  const std::string sFile = folder.Path() + "/file";
  std::ofstream(sFile) << "x";
  const struct {
    std::string sSystem;  // TMPDIR
    std::string sGiven;   // the folder argument of TempFileName; "-": TempDir itself
    int iErrno;
    std::string sNamed;
  } cases[] = {{folder.Path() + "/missing", "-", ENOENT, folder.Path() + "/missing"},
               {sFile, "-", ENOTDIR, sFile},
               {folder.Path(), folder.Path() + "/missing", ENOENT, "missing"},
               {folder.Path() + "/gone", "", ENOENT, "gone"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sSystem + " " + c.sGiven);
    ::setenv("TMPDIR", c.sSystem.c_str(), 1);
    try {
      if (c.sGiven == "-") {
        TempDir();
      } else {
        TempFileName("VBIM", c.sGiven);
      }
      ADD_FAILURE();
    } catch (const cError& error) {
      EXPECT_EQ(error.Number(), c.iErrno);
      EXPECT_EQ(error.Source(), ErrorSource(".mfrmMain"));
      EXPECT_NE(error.Description().find(c.sNamed), std::string::npos) << error.Description();
    }
  }
  ::setenv("TMPDIR", folder.Path().c_str(), 1);
  EXPECT_THROW(TempFileName("../x", ""), cError);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"file"});
}

// "<prefix><1 to 4 upper-case hexadecimal digits>.tmp", numbered one after another (1 to FFFF).
std::string NextName(const std::string& sName) {
  const fs::path path(sName);
  const std::string sLeaf = path.filename().string();
  const unsigned long n = std::stoul(sLeaf.substr(2), nullptr, 16);
  char sNumber[8];
  std::snprintf(sNumber, sizeof sNumber, "%lX", n % 0xFFFF + 1);
  return path.parent_path().string() + "/" + sLeaf.substr(0, 2) + sNumber + ".tmp";
}

// Each call makes a new empty file, in the system's folder or the one given, passing over names
// that files of somebody else's have taken.
TEST(TempFileName, MakesANewEmptyFileAndSkipsExistingOnesUntouched) {
  cScopedTempFolder folder;
  const std::string sFirst = TempFileName("VB", "");
  const std::string sLeaf = fs::path(sFirst).filename().string();
  EXPECT_EQ(fs::path(sFirst).parent_path().string(), folder.Path());
  // VB, one to four hexadecimal digits, .tmp
  EXPECT_TRUE(sLeaf.size() >= 7 && sLeaf.size() <= 10 && sLeaf.starts_with("VB") &&
              sLeaf.ends_with(".tmp") &&
              sLeaf.find_first_not_of("0123456789ABCDEF", 2) == sLeaf.size() - 4)
      << sLeaf;
  // The system's folder is taken with one trailing separator, not two.
  EXPECT_EQ(TempDir(), folder.Path() + "/");
  ::setenv("TMPDIR", (folder.Path() + "/").c_str(), 1);
  EXPECT_EQ(TempDir(), folder.Path() + "/");
  EXPECT_EQ(TempFileName("VB", ""), NextName(sFirst));

  const std::string sSub = folder.Path() + "/sub";
  fs::create_directory(sSub);
  const std::string sSecond = TempFileName("ab", sSub);
  EXPECT_EQ(fs::path(sSecond).parent_path().string(), sSub);
  const std::string sTaken1 = NextName(sSecond);
  const std::string sTaken2 = NextName(sTaken1);
  std::ofstream(sTaken1) << "one";
  std::ofstream(sTaken2) << "two";
  const std::string sFourth = TempFileName("ab", sSub + "/");  // the separator is not doubled
  EXPECT_EQ(sFourth, NextName(sTaken2));
  EXPECT_EQ(fs::file_size(sTaken1) + fs::file_size(sTaken2), 6u);
  for (const std::string& sMade : {sFirst, NextName(sFirst), sSecond, sFourth}) {
    ASSERT_TRUE(fs::is_regular_file(sMade)) << sMade;
    EXPECT_EQ(fs::file_size(sMade), 0u) << sMade;
  }
  EXPECT_EQ(folder.Entries().size(), 3u);  // two files and the folder
}

struct sRow {
  int32_t lResult;
  int32_t lNumber;
  const char* sMessage;
};

TEST(ShellResultError, EveryRowOfTheTable) {
  const char* const sGeneric =
      "An error occurred occurred whilst trying to open or print the selected file.";
  std::vector<sRow> rows = {
      {0, 7, "Out of memory"},
      {2, 53, "File not found"},
      {3, 76, "Path not found"},
      {5, 75, "Path/file access error"},
      {8, 7, "Out of memory"},
      {11, -2147220456 + 11, "The executable file is invalid or corrupt"},
      {26, 75, "A sharing violation occurred."},
      {27, -2147220456 + 27, "This file type does not have a valid file association."},
      {28, 286, "The file could not be opened due to time out. Please try again in a moment."},
      {29, 285,
       "The file could not be opened because the DDE transaction failed. Please try again in a "
       "moment."},
      {30, 285,
       "The file could not be opened because the target application is busy. Please try again "
       "in a moment."},
      {31, -2147220456 + 31, "No application is associated with this file type."},
      {32, 48, "The specified dynamic-link library was not found."},
  };
  for (int32_t r : {1, 4, 6, 7, 9, 10})
    rows.push_back({r, -2147220456 + r, sGeneric});
  for (int32_t r = 12; r <= 25; ++r)
    rows.push_back({r, -2147220456 + r, sGeneric});
  ASSERT_EQ(rows.size(), 33u);  // 0 to 32, each once

  for (const sRow& row : rows) {
    const std::optional<cError> error = ShellResultError(row.lResult);
    ASSERT_TRUE(error.has_value()) << row.lResult;
    EXPECT_EQ(std::to_string(error->Number()) + " " + error->Description(),
              std::to_string(row.lNumber) + " " + row.sMessage);
    EXPECT_EQ(error->Source(), ErrorSource(".GShell"));
  }
  // Below 0 and above 32 are success.
  for (int32_t r : {-2147483647 - 1, -1, 33, 42, 2147483647})
    EXPECT_FALSE(ShellResultError(r).has_value()) << r;
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

class ShellEx : public ::testing::Test {
 protected:
  void SetUp() override { SetShellLauncher(&m_launcher); }
  void TearDown() override {
    SetShellLauncher(nullptr);
    ClearLastError();
  }
  cFakeLauncher m_launcher;
};

// The request is passed on as given, except the show command: 1 when neither parameters nor a
// folder are given (even for a program), 0 (hidden) for a name with ".exe" in any case.
TEST_F(ShellEx, PassesTheRequestOnWithTheShowCommandsRules) {
  const struct {
    const char* sFile;
    int32_t eShow;
    const char* sParameters;
    const char* sDir;
    int32_t eSent;
  } cases[] = {{"a.txt", 3, "-x", "", 3},
               {"a.txt", 6, "", "/tmp", 6},
               {"picture.bmp", 0, "", "", 1},
               {"picture.bmp", 7, "", "", 1},
               {"setup.exe", 5, "", "", 1},
               {"SETUP.EXE", 1, "/quiet", "", 0},
               {"Setup.Exe", 1, "/quiet", "", 0},
               {"/opt/my.exe.d/run", 1, "/quiet", "", 0},
               {"C:\\apps\\tool.eXe", 1, "/quiet", "", 0},
               {"exe.txt", 1, "/quiet", "", 1},  // no dot before
               {"setup.ex", 4, "", "/tmp", 4}};
  const auto sent = [this] {
    const sShellRequest& r = m_launcher.requests.back();
    return r.sOperation + " " + r.sFile + " " + std::to_string(r.eShowCmd) + " " + r.sParameters +
           " " + r.sDefaultDir;
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(brennic::ShellEx(c.sFile, c.eShow, c.sParameters, c.sDir, "print"));
    EXPECT_EQ(sent(), std::string("print ") + c.sFile + " " + std::to_string(c.eSent) + " " +
                          c.sParameters + " " + c.sDir);
  }
  EXPECT_TRUE(brennic::ShellEx("a.txt"));
  EXPECT_EQ(m_launcher.requests.back().sOperation, "open");  // the default verb
  EXPECT_EQ(LastError(), nullptr);
}

// A failure, or a launcher that throws, is false with its error in the state (source ".GShell");
// each call starts with a clear state.
TEST_F(ShellEx, AFailureIsFalseAndLeavesItsErrorInTheState) {
  const struct {
    int32_t lResult;
    bool bThrows;
    const char* sError;  // nullptr: success
    int32_t lNumber;
  } calls[] = {{31, false, "No application is associated with this file type.", -2147220456 + 31},
               {33, false, nullptr, 0},
               {2, false, "File not found", 53},
               {-5, false, nullptr, 0},
               {42, true, "the launcher broke", 0}};
  for (const auto& c : calls) {
    SCOPED_TRACE(c.lResult);
    m_launcher.lResult = c.lResult;
    m_launcher.bThrows = c.bThrows;
    bool bResult = c.sError != nullptr;
    EXPECT_NO_THROW(bResult = brennic::ShellEx("a.xyz"));
    EXPECT_EQ(bResult, c.sError == nullptr);
    if (c.sError == nullptr) {
      EXPECT_EQ(LastError(), nullptr);
      continue;
    }
    ASSERT_NE(LastError(), nullptr);
    EXPECT_EQ(LastError()->Description(), c.sError);
    EXPECT_EQ(LastError()->Source(), ErrorSource(".GShell"));
    if (!c.bThrows) {
      EXPECT_EQ(LastError()->Number(), c.lNumber);
    }
  }
}

TEST_F(ShellEx, TheDesktopLauncherReportsAMissingFileThroughTheTable) {
  SetShellLauncher(nullptr);  // the real one: nothing is started for a missing file
  cScopedTempFolder folder;
  EXPECT_FALSE(brennic::ShellEx(folder.Path() + "/none.bmp"));
  ASSERT_NE(LastError(), nullptr);
  EXPECT_EQ(std::to_string(LastError()->Number()) + " " + LastError()->Description(),
            "53 File not found");
  EXPECT_FALSE(brennic::ShellEx(folder.Path() + "/none/x.bmp", 1, "", "", "print"));
  EXPECT_EQ(LastError()->Number(), 76);
}

}  // namespace
}  // namespace brennic
