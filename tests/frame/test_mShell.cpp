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

#include "TempFolderTestUtil.h"
#include "frame/mErrorState.h"
#include "frame/mShell.h"
#include "platform/cShellLauncher.h"

namespace brennic {
namespace {

namespace fs = std::filesystem;
using test::cScopedTempFolder;

// --- TempDir and TempFileName ---

TEST(TempDir, IsTheSystemsFolderWithATrailingSeparator) {
  cScopedTempFolder folder;
  EXPECT_EQ(TempDir(), folder.Path() + "/");
  ::setenv("TMPDIR", (folder.Path() + "/").c_str(), 1);
  EXPECT_EQ(TempDir(), folder.Path() + "/");  // not doubled
}

TEST(TempDir, AFolderThatIsNoneRaisesThePlatformsNumber) {
  cScopedTempFolder folder;
  const std::string sFile = folder.Path() + "/file";
  std::ofstream(sFile) << "x";
  for (const auto& [sSetting, iErrno] : std::vector<std::pair<std::string, int>>{
           {folder.Path() + "/missing", ENOENT}, {sFile, ENOTDIR}}) {
    ::setenv("TMPDIR", sSetting.c_str(), 1);
    try {
      TempDir();
      ADD_FAILURE() << sSetting;
    } catch (const cError& error) {
      EXPECT_EQ(error.Number(), iErrno);
      EXPECT_EQ(error.Source(), ErrorSource(".mfrmMain"));
      EXPECT_NE(error.Description().find(sSetting), std::string::npos) << error.Description();
    }
  }
}

TEST(TempFileName, TwoCallsMakeTwoDifferentEmptyFilesInTheTemporaryFolder) {
  cScopedTempFolder folder;
  const std::string sFirst = TempFileName("VBIM", "");
  const std::string sSecond = TempFileName("VBIM", "");
  EXPECT_NE(sFirst, sSecond);
  for (const std::string& sName : {sFirst, sSecond}) {
    const fs::path path(sName);
    EXPECT_EQ(path.parent_path().string(), folder.Path());
    const std::string sLeaf = path.filename().string();
    EXPECT_EQ(sLeaf.rfind("VBIM", 0), 0u) << sLeaf;
    EXPECT_EQ(path.extension(), ".tmp");
    // Between prefix and ending: 1 to 4 upper-case hexadecimal digits.
    const std::string sNumber = sLeaf.substr(4, sLeaf.size() - 8);
    EXPECT_GE(sNumber.size(), 1u);
    EXPECT_LE(sNumber.size(), 4u);
    EXPECT_EQ(sNumber.find_first_not_of("0123456789ABCDEF"), std::string::npos) << sLeaf;
    ASSERT_TRUE(fs::is_regular_file(path));
    EXPECT_EQ(fs::file_size(path), 0u);
  }
  EXPECT_EQ(folder.Entries().size(), 2u);
}

// The number after n, as the files are numbered one after another (1 to FFFF).
std::string NextName(const std::string& sFolder, const std::string& sPrefix,
                     const std::string& sName) {
  const std::string sLeaf = fs::path(sName).filename().string();
  const unsigned long n = std::stoul(sLeaf.substr(sPrefix.size()), nullptr, 16);
  char sNumber[8];
  std::snprintf(sNumber, sizeof sNumber, "%lX", n % 0xFFFF + 1);
  return sFolder + "/" + sPrefix + sNumber + ".tmp";
}

TEST(TempFileName, AGivenFolderIsUsedAndExistingFilesAreSkippedUntouched) {
  cScopedTempFolder folder;
  const std::string sSub = folder.Path() + "/sub";
  fs::create_directory(sSub);
  const std::string sFirst = TempFileName("ab", sSub);
  EXPECT_EQ(fs::path(sFirst).parent_path().string(), sSub);
  // The next two names are taken by files of somebody else's.
  const std::string sTaken1 = NextName(sSub, "ab", sFirst);
  const std::string sTaken2 = NextName(sSub, "ab", sTaken1);
  std::ofstream(sTaken1) << "one";
  std::ofstream(sTaken2) << "two";
  const std::string sFourth = TempFileName("ab", sSub + "/");  // the separator is not doubled
  EXPECT_EQ(sFourth, NextName(sSub, "ab", sTaken2));
  EXPECT_EQ(fs::file_size(sTaken1), 3u);
  EXPECT_EQ(fs::file_size(sTaken2), 3u);
  EXPECT_EQ(fs::file_size(sFourth), 0u);
}

TEST(TempFileName, AMissingFolderRaisesThePlatformsNumber) {
  cScopedTempFolder folder;
  try {
    TempFileName("VBIM", folder.Path() + "/missing");
    ADD_FAILURE();
  } catch (const cError& error) {
    EXPECT_EQ(error.Number(), ENOENT);
    EXPECT_EQ(error.Source(), ErrorSource(".mfrmMain"));
    EXPECT_NE(error.Description().find("missing"), std::string::npos);
  }
  // The same through TempDir when the system's folder is missing.
  ::setenv("TMPDIR", (folder.Path() + "/gone").c_str(), 1);
  try {
    TempFileName("VBIM", "");
    ADD_FAILURE();
  } catch (const cError& error) {
    EXPECT_EQ(error.Number(), ENOENT);
  }
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(TempFileName, APrefixWithAFolderInItIsRefused) {
  cScopedTempFolder folder;
  EXPECT_THROW(TempFileName("../x", ""), cError);
  EXPECT_TRUE(folder.Entries().empty());
}

// --- The result table ---

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
    EXPECT_EQ(error->Number(), row.lNumber) << row.lResult;
    EXPECT_EQ(error->Description(), row.sMessage) << row.lResult;
    EXPECT_EQ(error->Source(), ErrorSource(".GShell"));
  }
  EXPECT_EQ(static_cast<uint32_t>(-2147220456), 0x80040418u);
}

TEST(ShellResultError, BelowZeroAndAbove32AreSuccess) {
  for (int32_t r : {-2147483647 - 1, -1, 33, 42, 2147483647}) {
    EXPECT_FALSE(ShellResultError(r).has_value()) << r;
  }
}

// --- ShellEx ---

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

TEST_F(ShellEx, PassesTheRequestOnWhenParametersOrAFolderAreGiven) {
  EXPECT_TRUE(brennic::ShellEx("a.txt", 3, "-x", "", "print"));
  EXPECT_TRUE(brennic::ShellEx("a.txt", 6, "", "/tmp", "edit"));
  ASSERT_EQ(m_launcher.requests.size(), 2u);
  const sShellRequest& first = m_launcher.requests[0];
  EXPECT_EQ(first.sFile, "a.txt");
  EXPECT_EQ(first.eShowCmd, 3);
  EXPECT_EQ(first.sParameters, "-x");
  EXPECT_EQ(first.sDefaultDir, "");
  EXPECT_EQ(first.sOperation, "print");
  EXPECT_EQ(m_launcher.requests[1].eShowCmd, 6);
  EXPECT_EQ(m_launcher.requests[1].sDefaultDir, "/tmp");
  EXPECT_EQ(LastError(), nullptr);
}

TEST_F(ShellEx, WithNeitherParametersNorFolderTheShowCommandIs1) {
  for (int32_t eShow : {0, 2, 3, 7}) {
    EXPECT_TRUE(brennic::ShellEx("picture.bmp", eShow, "", "", "open"));
    EXPECT_EQ(m_launcher.requests.back().eShowCmd, 1) << eShow;
  }
  // Even for a program, which would otherwise start hidden.
  EXPECT_TRUE(brennic::ShellEx("setup.exe", 5));
  EXPECT_EQ(m_launcher.requests.back().eShowCmd, 1);
  EXPECT_EQ(m_launcher.requests.back().sOperation, "open");  // the default verb
}

TEST_F(ShellEx, ANameContainingExeInAnyCaseStartsHidden) {
  for (const char* sName :
       {"SETUP.EXE", "setup.exe", "Setup.Exe", "/opt/my.exe.d/run", "C:\\apps\\tool.eXe"}) {
    EXPECT_TRUE(brennic::ShellEx(sName, 1, "/quiet", "", "open")) << sName;
    EXPECT_EQ(m_launcher.requests.back().eShowCmd, 0) << sName;
    EXPECT_EQ(m_launcher.requests.back().sParameters, "/quiet");
  }
  EXPECT_TRUE(brennic::ShellEx("exe.txt", 1, "/quiet", "", "open"));  // no dot before
  EXPECT_EQ(m_launcher.requests.back().eShowCmd, 1);
  EXPECT_TRUE(brennic::ShellEx("setup.ex", 4, "", "/tmp", "open"));
  EXPECT_EQ(m_launcher.requests.back().eShowCmd, 4);
}

TEST_F(ShellEx, AFailureIsFalseAndLeavesItsErrorInTheState) {
  m_launcher.lResult = 31;
  EXPECT_FALSE(brennic::ShellEx("a.xyz"));
  const cError* pError = LastError();
  ASSERT_NE(pError, nullptr);
  EXPECT_EQ(pError->Number(), -2147220456 + 31);
  EXPECT_EQ(pError->Description(), "No application is associated with this file type.");
  EXPECT_EQ(pError->Source(), ErrorSource(".GShell"));

  // The next call starts with a clear state.
  m_launcher.lResult = 33;
  EXPECT_TRUE(brennic::ShellEx("a.xyz"));
  EXPECT_EQ(LastError(), nullptr);
  m_launcher.lResult = -5;
  EXPECT_TRUE(brennic::ShellEx("a.xyz"));

  m_launcher.lResult = 2;
  EXPECT_FALSE(brennic::ShellEx("a.xyz"));
  ASSERT_NE(LastError(), nullptr);
  EXPECT_EQ(LastError()->Number(), 53);
}

TEST_F(ShellEx, ALauncherThatThrowsDoesNotReachTheCaller) {
  m_launcher.bThrows = true;
  bool bResult = true;
  EXPECT_NO_THROW(bResult = brennic::ShellEx("a.txt"));
  EXPECT_FALSE(bResult);
  ASSERT_NE(LastError(), nullptr);
  EXPECT_EQ(LastError()->Description(), "the launcher broke");
  EXPECT_EQ(LastError()->Source(), ErrorSource(".GShell"));
}

TEST_F(ShellEx, TheDesktopLauncherReportsAMissingFileThroughTheTable) {
  SetShellLauncher(nullptr);  // the real one: nothing is started for a missing file
  cScopedTempFolder folder;
  EXPECT_FALSE(brennic::ShellEx(folder.Path() + "/none.bmp"));
  ASSERT_NE(LastError(), nullptr);
  EXPECT_EQ(LastError()->Number(), 53);
  EXPECT_EQ(LastError()->Description(), "File not found");
  EXPECT_FALSE(brennic::ShellEx(folder.Path() + "/none/x.bmp", 1, "", "", "print"));
  EXPECT_EQ(LastError()->Number(), 76);
}

}  // namespace
}  // namespace brennic
