// The real program under Xvfb, driven by a script (app/cScriptedSession.h) or from outside.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "document/cImageDocumentCore.h"
#include "document/cOperations.h"
#include "platform/PictureIO.h"
#include "support/DocumentTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

// sh -c script, $0 the program and the rest its arguments: an X server on a display number of
// its own, drawn from a wide range (the lowest free numbers of xvfb-run and -displayfd clashed
// between suites), waited for until it answers, else again on another number (-noreset: the
// probe's leaving would reset it); the first line says "<program pid> <display> <server pid>".
constexpr const char* kStartOnOwnDisplay = R"sh(
for try in 1 2 3 4 5; do
  n=$(( ($$ * 7 + try * 7919 + $(date +%N | sed 's/^0*//;s/^$/0/') % 997) % 30000 + 1000 ))
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  x=$!
  for i in $(seq 200); do
    kill -0 $x 2>/dev/null || break
    xdpyinfo -display ":$n" >/dev/null 2>&1 && break 2
    sleep 0.05
  done
  kill $x 2>/dev/null
done
export DISPLAY=":$n"
echo "$$ $DISPLAY $x"
exec "$0" "$@"
)sh";

using Clock = std::chrono::steady_clock;

struct sRun {
  int iExitCode = -1;
  std::string sOutput;
};

// The real program on a display of its own, or on sDisplay (started in dir, its settings file
// there unless sRegistry names one), driven by a script when one is given, else watched from
// outside with xdotool; killed if a test leaves it running, and its X server with it.
class cProgramOnX {
 public:
  cProgramOnX(const QTemporaryDir& dir, const std::vector<std::string>& script,
              const QStringList& command, const QString& sRegistry = {},
              const QString& sDisplay = {})
      : m_sDisplay(sDisplay) {
    QProcessEnvironment environment = DisplayEnvironment();
    environment.remove("BRENNIC_SCRIPT");
    std::ofstream file(dir.filePath("script.txt").toStdString());
    for (const std::string& sLine : script)
      file << sLine << '\n';
    file.close();
    if (!script.empty()) environment.insert("BRENNIC_SCRIPT", dir.filePath("script.txt"));
    environment.insert("BRENNIC_REGISTRY",
                       sRegistry.isEmpty() ? dir.filePath("registry.sqlite") : sRegistry);
    environment.insert("XDG_RUNTIME_DIR", dir.path());
    m_shell.setProcessEnvironment(environment);
    m_shell.setWorkingDirectory(dir.path());
    m_shell.start(
        "sh", QStringList{"-c", sDisplay.isEmpty() ? kStartOnOwnDisplay
                                                   : "echo \"$$ $DISPLAY 0\"; exec \"$0\" \"$@\""} +
                  command);
    // The first line names the program, its display and its X server.
    while (m_sOutput.find('\n') == std::string::npos && m_shell.waitForReadyRead(30000))
      m_sOutput += m_shell.readAllStandardOutput().toStdString();
    m_tStarted = Clock::now();
    const size_t lEnd = m_sOutput.find('\n');
    const QList<QByteArray> parts =
        QByteArray::fromStdString(m_sOutput.substr(0, lEnd)).trimmed().split(' ');
    m_sOutput.erase(0, lEnd == std::string::npos ? m_sOutput.size() : lEnd + 1);
    if (parts.size() < 3) return;
    m_pid = parts[0].toInt();
    m_sDisplay = QString::fromUtf8(parts[1]);
    m_serverPid = parts[2].toInt();
  }
  ~cProgramOnX() {
    if (m_shell.state() != QProcess::NotRunning) m_shell.kill();  // the shell became the program
    m_shell.waitForFinished(30000);
    if (m_serverPid > 0) kill(m_serverPid, SIGTERM);
  }
  cProgramOnX(const cProgramOnX&) = delete;
  cProgramOnX& operator=(const cProgramOnX&) = delete;

  bool Started() const { return m_pid > 0; }
  const QString& Display() const { return m_sDisplay; }
  QProcessEnvironment DisplayEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DISPLAY", m_sDisplay);
    return environment;
  }
  // Waits (at most two minutes) for a scripted run to end: its exit code and standard output.
  sRun Finish() {
    if (!m_shell.waitForFinished(120000)) return {-1, "(did not finish) " + Output()};
    const std::string sOutput = m_sOutput + m_shell.readAllStandardOutput().toStdString();
    return {m_shell.exitStatus() == QProcess::NormalExit ? m_shell.exitCode() : -2, sOutput};
  }
  // What the program and its shell have written so far.
  std::string Output() {
    m_shell.waitForReadyRead(1000);
    m_sOutput += m_shell.readAllStandardOutput().toStdString();
    m_sOutput += m_shell.readAllStandardError().toStdString();
    return m_sOutput;
  }
  // How long after the start a window whose title matches sTitle (a regular expression) was
  // visible; nothing when none was before the deadline or the program ended.
  std::optional<Clock::duration> WaitForWindow(const QString& sTitle, Clock::duration timeout) {
    const Clock::time_point tDeadline = Clock::now() + timeout;
    while (Clock::now() < tDeadline) {
      QProcess search;
      search.setProcessEnvironment(DisplayEnvironment());
      search.start("xdotool", {"search", "--onlyvisible", "--name", sTitle});
      if (search.waitForFinished(10000) && search.exitCode() == 0) return Clock::now() - m_tStarted;
      if (m_shell.waitForFinished(20)) break;
    }
    return std::nullopt;
  }
  // Sends SIGTERM; whether the program ended within the timeout.
  bool Terminate(int lTimeoutMs) {
    kill(m_pid, SIGTERM);
    return m_shell.waitForFinished(lTimeoutMs);
  }

 private:
  QProcess m_shell;
  QString m_sDisplay;
  pid_t m_pid = -1;
  pid_t m_serverPid = -1;
  Clock::time_point m_tStarted;
  std::string m_sOutput;
};

// Whether the top left lSize x lSize block of the expected picture appears exactly in the shot.
bool ShowsBlock(const QImage& shot, const cDIBSection& cExpected, int32_t lSize) {
  QImage block(lSize, lSize, QImage::Format_RGB32);
  for (int32_t i = 0; i < lSize * lSize; ++i) {
    const test::Bgr p = test::DisplayPixel(cExpected, i % lSize, i / lSize);
    block.setPixel(i % lSize, i / lSize, qRgb(p.r, p.g, p.b));
  }
  const QImage screen = shot.convertToFormat(QImage::Format_RGB32);
  for (int32_t i = 0; i < screen.width() * screen.height(); ++i) {
    const int32_t x = i % screen.width();
    const int32_t y = i / screen.width();
    if (x + lSize <= screen.width() && y + lSize <= screen.height() &&
        screen.pixel(x, y) == block.pixel(0, 0) && screen.copy(x, y, lSize, lSize) == block)
      return true;
  }
  return false;
}

class ProgramUnderX : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sTool : {"Xvfb", "xdpyinfo", "xdotool"}) {
      if (QStandardPaths::findExecutable(sTool).isEmpty())
        GTEST_SKIP() << sTool << " (Debian packages xvfb, x11-utils, xdotool) is needed";
    }
  }
};

// The input is named on the command line after "--" (it starts with "-") in bytes that are no
// UTF-8: it opens, is listed with a replacement character, and reopens from the recent files.
// (QProcess passes only UTF-8, so the shell's printf makes the byte.)
TEST_F(ProgramUnderX, OpensFiltersSavesShowsAndRemembersTheFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::mt19937 rng(11);
  const auto cInput = test::MakeRandomImage(60, 40, rng);
  const std::string sInput = dir.path().toStdString() + "/-caf\xe9.bmp";
  const std::string sOutput = dir.filePath("out.bmp").toStdString();
  const std::string sShot = dir.filePath("shot.png").toStdString();
  SavePicture(*cInput, sInput);

  const std::vector<std::string> script = {"trigger mnuLowPass_2",
                                           "trigger mnuColors_5",
                                           "choose " + sOutput,
                                           "trigger mnuFile_1",
                                           "wait 300",
                                           "grab " + sShot,
                                           "entries mnuFile",
                                           "close"};
  const sRun first = cProgramOnX(dir, script,
                                 {"sh", "-c", "exec \"$0\" -- \"$(printf '%b' \"$1\")\"",
                                  BRENNIC_APP, "-caf\\0351.bmp"})
                         .Finish();
  ASSERT_EQ(first.iExitCode, 0) << first.sOutput;
  EXPECT_EQ(first.sOutput.find("message:"), std::string::npos) << first.sOutput;

  // The saved file is the input with the commands applied, as the shared document runs them.
  cImageDocumentCore cExpected;
  cExpected.LoadImage(*cInput);
  cProbeContext context;
  ParseOperation("blur", context)(cExpected);
  ParseOperation("negative", context)(cExpected);
  ASSERT_TRUE(QFile::exists(QString::fromStdString(sOutput))) << first.sOutput;
  cDIBSection cSaved;
  cSaved.CreateFromPicture(*LoadPicture(sOutput));
  EXPECT_EQ(test::DisplayBytes(cSaved), test::DisplayBytes(cExpected.Picture()));

  // The window on the display shows the changed picture.
  QImage shot;
  ASSERT_TRUE(shot.load(QString::fromStdString(sShot))) << first.sOutput;
  EXPECT_TRUE(ShowsBlock(shot, cExpected.Picture(), 12));
  EXPECT_FALSE(ShowsBlock(shot, *cInput, 12));
  // After the save the File menu lists the saved file above the opened one.
  EXPECT_NE(first.sOutput.find("mnuFile_5 1 &1)  "), std::string::npos) << first.sOutput;

  // A second run finds both in its recent-files list and opens the input from there.
  const sRun second =
      cProgramOnX(dir, {"entries mnuFile", "trigger mnuFile_6", "close"}, {BRENNIC_APP}).Finish();
  std::filesystem::remove(sInput);  // by its bytes: Qt cannot
  ASSERT_EQ(second.iExitCode, 0) << second.sOutput;
  const auto line = [&](const std::string& sStart) {
    const size_t p = second.sOutput.find(sStart);
    return p == std::string::npos ? std::string()
                                  : second.sOutput.substr(p, second.sOutput.find('\n', p) - p);
  };
  EXPECT_TRUE(line("mnuFile_5 1 &1)  ").ends_with("out.bmp")) << second.sOutput;
  EXPECT_TRUE(line("mnuFile_6 1 &2)  ").ends_with("-caf\uFFFD.bmp")) << second.sOutput;
  EXPECT_EQ(line("mnuFile_9 "), "mnuFile_9 1 ");
  EXPECT_EQ(second.sOutput.find("message:"), std::string::npos) << second.sOutput;
}

// A picture of odd width (row padding) copied in one copy of the program pastes into another one
// on the same display: the clipboard between programs.
TEST_F(ProgramUnderX, APictureCopiedInOneCopyPastesIntoAnother) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto cCopied =
      test::MakeImageFromRows({{{1, 2, 3}, {40, 50, 60}, {70, 80, 90}},
                               {{100, 110, 120}, {130, 140, 150}, {160, 170, 180}}});
  SavePicture(*cCopied, dir.filePath("in.bmp").toStdString());
  cProgramOnX first(dir, {"trigger mnuEdit_1"}, {BRENNIC_APP, dir.filePath("in.bmp")});
  ASSERT_TRUE(QTest::qWaitFor(
      [&first] { return first.Output().find("script: done") != std::string::npos; }, 30000))
      << first.Output();
  const std::string sOut = dir.filePath("out.bmp").toStdString();
  const sRun second =
      cProgramOnX(dir, {"trigger mnuEdit_2", "choose " + sOut, "trigger mnuFile_1", "close"},
                  {BRENNIC_APP}, {}, first.Display())
          .Finish();
  ASSERT_EQ(second.iExitCode, 0) << second.sOutput;
  EXPECT_EQ(second.sOutput.find("message:"), std::string::npos) << second.sOutput;
  cDIBSection pasted;
  pasted.CreateFromPicture(*LoadPicture(sOut));
  EXPECT_EQ(test::PixelBytes(pasted), test::PixelBytes(*cCopied));
}

// Whatever another program holds of the settings file, the main window comes up as fast as it
// does when nothing is held; a SIGTERM (a desktop logging out) while a start-up message box is
// shown ends the program; and a program that has ended leaves no journal files beside the file.
TEST_F(ProgramUnderX, StartsAtOnceAndEndsOnSigtermWhateverHoldsTheSettings) {
  // What another program holds of the file (nullptr: nothing); whether the start-up message box
  // says the file is in use.
  const std::pair<const char*, bool> cases[] = {
      {nullptr, false}, {test::kWriteUnderWay, false}, {test::kExclusiveLock, true}};
  Clock::duration tNormal{};
  for (const auto& [sHeld, bNotice] : cases) {
    SCOPED_TRACE(sHeld != nullptr ? sHeld : "nothing held");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string sFile = dir.filePath("registry.sqlite").toStdString();
    { cSqliteRegistryStore create(sFile); }
    std::optional<test::cLockHolder> holder;
    if (sHeld != nullptr) {
      holder.emplace(sFile, sHeld);
      ASSERT_TRUE(holder->Holding());
    }
    cProgramOnX program(dir, {}, {BRENNIC_APP}, QString::fromStdString(sFile));
    ASSERT_TRUE(program.Started());
    const std::optional<Clock::duration> tWindow =
        program.WaitForWindow("^Brennic V\\.2\\.10$", std::chrono::seconds(12));
    EXPECT_TRUE(tWindow) << "no main window; the program wrote: " << program.Output();
    if (tWindow && sHeld == nullptr) tNormal = *tWindow;
    EXPECT_LT(tWindow.value_or(tNormal), tNormal + std::chrono::seconds(1));
    if (bNotice || !tWindow) {
      ASSERT_TRUE(program.WaitForWindow("^Brennic$", std::chrono::seconds(5))) << "no message";
    }
    ASSERT_TRUE(program.Terminate(5000)) << "still running 5 s after SIGTERM";
    if (sHeld == nullptr) {
      EXPECT_FALSE(std::filesystem::exists(sFile + "-wal"));
      EXPECT_FALSE(std::filesystem::exists(sFile + "-shm"));
      // SIGTERM stored the recent files on the way out.
      cSqliteRegistryStore store(sFile);
      EXPECT_EQ(test::RawValue(store, kHKeyCurrentUser, "Software\\Ostrel\\Halvine", "Count").first,
                uint32_t{kRegDword});
    }
  }
}

TEST(Program, AnswersHelpAndVersionWithoutADisplay) {
  const auto run = [](const QStringList& arguments) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* sName : {"DISPLAY", "WAYLAND_DISPLAY"})
      environment.remove(sName);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(environment);
    program.start(BRENNIC_APP, arguments);
    EXPECT_TRUE(program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    return program.readAllStandardOutput().toStdString();
  };
  EXPECT_EQ(run({"--version"}), "Brennic 2.10\n");
  const std::string sHelp = run({"--help", "picture.bmp"});
  EXPECT_TRUE(sHelp.starts_with("Usage: ")) << sHelp;
  for (const char* sPart : {"[FILE...]", "--version", "BRENNIC_REGISTRY", "XDG_CONFIG_HOME"})
    EXPECT_NE(sHelp.find(sPart), std::string::npos) << sPart << " in\n" << sHelp;
}

}  // namespace
}  // namespace brennic
