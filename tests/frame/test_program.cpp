// The real program in a real X window under Xvfb, driven by a script (app/cScriptedSession.h):
// it opens a picture named on the command line, runs commands from the menus, saves, and shows
// the result; a second run finds the files in its recent-files list.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "document/cImageDocumentCore.h"
#include "document/cOperations.h"
#include "platform/PictureIO.h"
#include "support/DocumentTestUtil.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

struct sRun {
  int iExitCode = -1;
  std::string sOutput;
};

// Runs the program on a display of its own with the script and the given arguments.
sRun RunUnderX(const QTemporaryDir& dir, const std::vector<std::string>& script,
               const QStringList& arguments) {
  const QString sScript = dir.filePath("script.txt");
  {
    std::ofstream file(sScript.toStdString());
    for (const std::string& sLine : script)
      file << sLine << '\n';
  }
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "xcb");
  environment.insert("BRENNIC_SCRIPT", sScript);
  environment.insert("BRENNIC_REGISTRY", dir.filePath("registry.sqlite"));
  environment.insert("XDG_RUNTIME_DIR", dir.path());
  program.setProcessEnvironment(environment);
  program.setProcessChannelMode(QProcess::SeparateChannels);
  program.setWorkingDirectory(dir.path());
  program.start("xvfb-run",
                QStringList{"-a", "-s", "-screen 0 1024x768x24", BRENNIC_APP} + arguments);
  sRun run;
  if (!program.waitForStarted(30000) || !program.waitForFinished(120000)) {
    program.kill();
    program.waitForFinished();
    run.sOutput = "(did not finish) " + program.readAllStandardOutput().toStdString();
    return run;
  }
  run.iExitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
  run.sOutput = program.readAllStandardOutput().toStdString();
  return run;
}

// Whether the block of the expected picture at (x, y) appears exactly somewhere in the shot.
bool ShowsBlock(const QImage& shot, const cDIBSection& cExpected, int32_t x0, int32_t y0,
                int32_t lSize) {
  const QImage screen = shot.convertToFormat(QImage::Format_RGB32);
  for (int32_t sy = 0; sy + lSize <= screen.height(); ++sy) {
    for (int32_t sx = 0; sx + lSize <= screen.width(); ++sx) {
      bool bSame = true;
      for (int32_t y = 0; y < lSize && bSame; ++y) {
        for (int32_t x = 0; x < lSize && bSame; ++x) {
          const test::Bgr want = test::DisplayPixel(cExpected, x0 + x, y0 + y);
          const QRgb got = screen.pixel(sx + x, sy + y);
          bSame = qBlue(got) == want.b && qGreen(got) == want.g && qRed(got) == want.r;
        }
      }
      if (bSame) return true;
    }
  }
  return false;
}

TEST(ProgramUnderX, OpensFiltersSavesShowsAndRemembersTheFile) {
  if (QStandardPaths::findExecutable("xvfb-run").isEmpty()) {
    GTEST_SKIP() << "xvfb-run is not installed (Debian package xvfb): no real display to use";
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::mt19937 rng(11);
  const auto cInput = test::MakeRandomImage(60, 40, rng);
  // A name that starts with "-" opens after "--".
  const std::string sInput = dir.filePath("-in.bmp").toStdString();
  const std::string sOutput = dir.filePath("out.bmp").toStdString();
  const std::string sShot = dir.filePath("shot.png").toStdString();
  test::WriteBitmap(sInput, *cInput);

  // Blur when the filters are built; the negative runs in any case.
  const bool bBlur = test::MissingEngine("blur").empty();
  std::vector<std::string> script;
  if (bBlur) script.push_back("trigger mnuLowPass_2");
  script.insert(script.end(), {"trigger mnuColors_5", "choose " + sOutput, "trigger mnuFile_1",
                               "wait 300", "grab " + sShot, "entries mnuFile", "close"});
  const sRun first = RunUnderX(dir, script, {"--", "-in.bmp"});
  ASSERT_EQ(first.iExitCode, 0) << first.sOutput;
  EXPECT_EQ(first.sOutput.find("message:"), std::string::npos) << first.sOutput;

  // The saved file is the input with the commands applied, as the shared document runs them.
  cImageDocumentCore cExpected;
  cExpected.LoadImage(*cInput);
  cProbeContext context;
  if (bBlur) ParseOperation("blur", context)(cExpected);
  ParseOperation("negative", context)(cExpected);
  ASSERT_TRUE(QFile::exists(QString::fromStdString(sOutput))) << first.sOutput;
  const auto pSaved = LoadPicture(sOutput);
  cDIBSection cSaved;
  cSaved.CreateFromPicture(*pSaved);
  EXPECT_EQ(test::DisplayBytes(cSaved), test::DisplayBytes(cExpected.Picture()));

  // The window on the display shows the changed picture.
  QImage shot;
  ASSERT_TRUE(shot.load(QString::fromStdString(sShot))) << first.sOutput;
  EXPECT_GE(shot.width(), 200);
  EXPECT_GE(shot.height(), 100);
  EXPECT_TRUE(ShowsBlock(shot, cExpected.Picture(), 0, 0, 12));
  EXPECT_FALSE(ShowsBlock(shot, *cInput, 0, 0, 12));

  // After the save the File menu lists the saved file above the opened one.
  EXPECT_NE(first.sOutput.find("mnuFile_5 1 &1)  "), std::string::npos) << first.sOutput;

  // A second run finds both in its recent-files list and opens one from there.
  const sRun second = RunUnderX(dir, {"entries mnuFile", "trigger mnuFile_6", "close"}, {});
  ASSERT_EQ(second.iExitCode, 0) << second.sOutput;
  const auto line = [&](const std::string& sStart) {
    const size_t p = second.sOutput.find(sStart);
    return p == std::string::npos ? std::string()
                                  : second.sOutput.substr(p, second.sOutput.find('\n', p) - p);
  };
  EXPECT_TRUE(line("mnuFile_5 1 &1)  ").ends_with("out.bmp")) << second.sOutput;
  EXPECT_TRUE(line("mnuFile_6 1 &2)  ").ends_with("in.bmp")) << second.sOutput;
  EXPECT_EQ(line("mnuFile_9 "), "mnuFile_9 1 ");
  EXPECT_EQ(second.sOutput.find("message:"), std::string::npos) << second.sOutput;
}

TEST(Program, AnswersHelpAndVersionWithoutADisplay) {
  const auto run = [](const QStringList& arguments) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(environment);
    program.start(BRENNIC_APP, arguments);
    EXPECT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    return program.readAllStandardOutput().toStdString();
  };
  EXPECT_EQ(run({"--version"}), "Brennic 2.10\n");
  const std::string sHelp = run({"--help", "picture.bmp"});
  EXPECT_EQ(sHelp.rfind("Usage: ", 0), 0u) << sHelp;
  for (const char* sPart : {"[FILE...]", "--version", "BRENNIC_REGISTRY", "XDG_CONFIG_HOME"})
    EXPECT_NE(sHelp.find(sPart), std::string::npos) << sPart << " in\n" << sHelp;
}

}  // namespace
}  // namespace brennic
