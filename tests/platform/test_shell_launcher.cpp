// The desktop launcher's result codes, with the programs it would start recorded instead.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/cShellLauncher.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

struct sStarted {
  std::string sProgram;
  std::vector<std::string> args;
  std::string sDirectory;
  bool operator==(const sStarted&) const = default;
};

class cRecordingLauncher final : public cDesktopShellLauncher {
 public:
  std::vector<std::string> installed = {"xdg-open", "lp"};
  bool bStarts = true;
  int32_t lRunResult = 0;
  std::vector<sStarted> started;  // detached and run alike

 protected:
  std::string FindProgram(const std::string& sName) override {
    for (const std::string& s : installed)
      if (s == sName) return "/usr/bin/" + sName;
    return {};
  }
  bool StartDetached(const std::string& sProgram, const std::vector<std::string>& args,
                     const std::string& sDirectory) override {
    started.push_back({sProgram, args, sDirectory});
    return bStarts;
  }
  int32_t Run(const std::string& sProgram, const std::vector<std::string>& args,
              int32_t lTimeoutMs) override {
    EXPECT_EQ(lTimeoutMs, kPrintTimeoutMs);
    started.push_back({sProgram, args, {}});
    return lRunResult;
  }
};

class ShellLauncher : public ::testing::Test {
 protected:
  void SetUp() override {
    m_sPicture = m_sFolder + "/cat.bmp";
    std::ofstream(m_sPicture) << "BM";
    m_sProgram = m_sFolder + "/tool";
    std::ofstream(m_sProgram) << "#!/bin/sh\n";
    ::chmod(m_sProgram.c_str(), 0700);
  }
  static sShellRequest Request(std::string sFile, std::string sOperation = "open",
                               std::string sParameters = {}, std::string sDir = {}) {
    return {std::move(sFile), 1, std::move(sParameters), std::move(sDir), std::move(sOperation)};
  }

  test::cTempDir m_dir;
  std::string m_sFolder = m_dir.Path().string(), m_sPicture, m_sProgram;
  cRecordingLauncher m_launcher;
};

// Opening hands a file to the desktop's handler (a relative name taken in the default folder) or
// starts an executable with its parameters; printing, of an executable too, goes to the spooler.
TEST_F(ShellLauncher, OpenStartsTheHandlerOrTheProgramAndPrintGoesToTheSpooler) {
  EXPECT_EQ(m_launcher.Execute(Request("cat.bmp", "OPEN", "", m_sFolder)), kShellStarted);
  EXPECT_EQ(m_launcher.Execute(Request(m_sProgram, "", "-a \"two words\" b", m_sFolder)),
            kShellStarted);
  EXPECT_EQ(m_launcher.Execute(Request(m_sProgram, "Print")), kShellStarted);
  EXPECT_EQ(m_launcher.started,
            (std::vector<sStarted>{{"/usr/bin/xdg-open", {m_sPicture}, m_sFolder},
                                   {m_sProgram, {"-a", "two words", "b"}, m_sFolder},
                                   {"/usr/bin/lp", {"--", m_sProgram}, {}}}));
}

TEST_F(ShellLauncher, WithoutAHandlerNothingIsAssociated) {
  m_launcher.installed = {};
  EXPECT_EQ(m_launcher.Execute(Request(m_sPicture)), kShellNoAssoc);
  m_launcher.installed = {"xdg-open"};
  m_launcher.bStarts = false;
  EXPECT_EQ(m_launcher.Execute(Request(m_sPicture)), kShellNoAssoc);
  EXPECT_EQ(m_launcher.Execute(Request(m_sProgram)), kShellBadFormat);
}

TEST_F(ShellLauncher, TheSpoolersAnswersMapToTheShellsCodes) {
  const std::pair<int32_t, int32_t> answers[] = {
      {1, kShellFailed},  // e.g. no printer
      {cDesktopShellLauncher::kRunTimedOut, kShellDdeTimeout},
      {cDesktopShellLauncher::kRunNotStarted, kShellNoAssoc}};
  for (const auto& [lRunResult, lExpected] : answers) {
    m_launcher.lRunResult = lRunResult;
    EXPECT_EQ(m_launcher.Execute(Request(m_sPicture, "print")), lExpected) << lRunResult;
  }
  m_launcher.lRunResult = 0;
  EXPECT_EQ(m_launcher.Execute(Request(m_sFolder, "print")), kShellNoAssoc);  // no folders
}

TEST_F(ShellLauncher, MissingFilesAndFoldersStartNothing) {
  EXPECT_EQ(m_launcher.Execute(Request(m_sFolder + "/nothing.bmp")), kShellFileNotFound);
  EXPECT_EQ(m_launcher.Execute(Request(m_sFolder + "/no/cat.bmp")), kShellPathNotFound);
  EXPECT_EQ(m_launcher.Execute(Request(m_sPicture, "open", "", m_sFolder + "/no")),
            kShellPathNotFound);
  EXPECT_TRUE(m_launcher.started.empty());
}

TEST_F(ShellLauncher, AnUnreadableFileIsAnAccessError) {
  ::chmod(m_sFolder.c_str(), 0755);
  ::chmod(m_sPicture.c_str(), 0);
  const sShellRequest request = Request(m_sPicture);
  if (::geteuid() != 0) {
    EXPECT_EQ(m_launcher.Execute(request), kShellAccessDenied);
    EXPECT_TRUE(m_launcher.started.empty());
    return;
  }
  // Root reads every file: the check runs in a child that is nobody.
  EXPECT_EQ(test::InChild([&] {
              return ::setgid(65534) != 0 || ::setuid(65534) != 0 ? 100 : ShellTargetCheck(request);
            }),
            kShellAccessDenied);
}

}  // namespace
}  // namespace brennic
