// brennic-cli as a user runs it: every operation once, exit statuses, OUTPUT untouched by failures.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "document/cOperations.h"
#include "platform/PictureTestUtil.h"
#include "support/DocumentTestUtil.h"

namespace brennic {
namespace {

struct cToolRun {
  int lStatus = -1;
  std::string sOut;
  std::string sErr;
};

// A run of brennic-cli that has started; its standard output and error go to files.
class cStartedTool {
 public:
  // prepare runs in the child before the tool starts.
  cStartedTool(const std::vector<std::string>& args, const std::function<void()>& prepare,
               const std::string& sExe) {
    std::vector<std::string> argv = {sExe};
    argv.insert(argv.end(), args.begin(), args.end());
    std::fflush(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
      if (!freopen(m_sOut.c_str(), "w", stdout) || !freopen(m_sErr.c_str(), "w", stderr)) {
        _exit(100);
      }
      if (prepare) prepare();
      std::vector<char*> p;
      for (auto& s : argv)
        p.push_back(s.data());
      p.push_back(nullptr);
      execv(p[0], p.data());
      _exit(101);
    }
  }
  pid_t Pid() const { return m_pid; }
  std::string Out() const { return test::ReadAll(m_sOut).toStdString(); }
  cToolRun Wait() {
    int lWait = 0;
    waitpid(m_pid, &lWait, 0);
    cToolRun run;
    run.lStatus = WIFEXITED(lWait) ? WEXITSTATUS(lWait) : 128 + WTERMSIG(lWait);
    run.sOut = Out();
    run.sErr = test::ReadAll(m_sErr).toStdString();
    return run;
  }

 private:
  test::cTempDir m_scratch;
  const std::string m_sOut = m_scratch.File("out");
  const std::string m_sErr = m_scratch.File("err");
  pid_t m_pid = -1;
};

// Runs brennic-cli (or sExe) with args; prepare runs in the child before the tool starts.
cToolRun RunCli(const std::vector<std::string>& args,
                const std::function<void()>& prepare = nullptr,
                const std::string& sExe = BRENNIC_CLI) {
  return cStartedTool(args, prepare, sExe).Wait();
}

std::string Name(const std::string& sText) {
  return sText.substr(0, sText.find('='));
}

std::vector<std::string> Split(const std::string& s, char c) {
  std::vector<std::string> out;
  std::stringstream ss(s);
  for (std::string part; std::getline(ss, part, c);)
    out.push_back(part);
  return out;
}

// Expects a run that ended with lStatus and named sWhat on standard error.
void ExpectFailed(const cToolRun& run, int lStatus, const std::string& sWhat) {
  EXPECT_EQ(run.lStatus, lStatus) << run.sErr;
  EXPECT_NE(run.sErr.find(sWhat), std::string::npos) << run.sErr;
}

class BrennicCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(11);
    m_input = test::MakeRandomImage(9, 8, rng);
    m_sInput = m_dir.Path("in.bmp");
    SavePicture(*m_input, m_sInput);
    m_sSecond = m_dir.Path("second.bmp");
    SavePicture(*test::MakeRandomImage(6, 6, rng), m_sSecond);
    m_sPalette = m_dir.Write("colours.pal", "0 0 0\r\n255 255 255\r\n200 100 50\r\n");
    m_sOutput = m_dir.Path("out.bmp");
  }

  // Expects a failure with lStatus that leaves OUTPUT as it was (here: missing) and names sWhat.
  void ExpectRefused(const std::vector<std::string>& args, int lStatus, const std::string& sWhat) {
    const cToolRun run = RunCli(args);
    ExpectFailed(run, lStatus, sWhat);
    EXPECT_EQ(run.sOut, "");
    EXPECT_FALSE(std::filesystem::exists(m_sOutput)) << "OUTPUT was created";
  }

  test::cScratch m_dir;
  std::unique_ptr<cDIBSection> m_input;
  std::string m_sInput, m_sSecond, m_sPalette, m_sOutput;
};

// Every operation of the table once, with arguments where it takes them. {second} stands for a
// second picture file of another size, {palette} for a palette file.
const std::vector<std::string> kOperationCases = Split(
    "blur blur-more soften soften-more sharpen sharpen-more unsharp emboss median-rank "
    "minimum-rank maximum-rank "
    "custom=7:2:5,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"
    "0,0,0,0,0,0,0,-3 darken lighten=35 fade=100 negative gray-scale bw colourise=2.5 "
    "noise=30,random palette={palette} resample=9x4 add={second}:2:-10:1:5 darkest={second} "
    "lightest={second}",
    ' ');

TEST(BrennicCliCases, CoverEveryOperationOfTheTable) {
  for (const cOperation& op : Operations()) {
    EXPECT_TRUE(std::any_of(kOperationCases.begin(), kOperationCases.end(),
                            [&](const std::string& s) { return Name(s) == op.sName; }))
        << op.sName;
  }
}

class BrennicCliOperation : public BrennicCli, public ::testing::WithParamInterface<std::string> {};

// The arithmetic is the engine's, decided by its own tests, and the menus are compared with this
// table; here each word runs end to end and writes a changed picture of the size it should have.
TEST_P(BrennicCliOperation, RunsAndWritesAChangedPicture) {
  std::string sText = GetParam();
  for (const auto& [sKey, sValue] :
       {std::pair<std::string, std::string>{"{second}", m_sSecond}, {"{palette}", m_sPalette}}) {
    const size_t at = sText.find(sKey);
    if (at != std::string::npos) sText.replace(at, sKey.size(), sValue);
  }
  const cToolRun run = RunCli({m_sInput, m_sOutput, sText});
  ASSERT_EQ(run.lStatus, 0) << run.sErr;
  EXPECT_EQ(run.sOut, "");
  const auto got = test::LoadAsImage(m_sOutput);
  const bool bCombined = sText.find(m_sSecond) != std::string::npos;  // the common part: 6 x 6
  const bool bResampled = Name(sText) == "resample";
  EXPECT_EQ(got->Width(), bCombined ? 6 : 9);
  EXPECT_EQ(got->Height(), bResampled ? 4 : bCombined ? 6 : 8);
  if (!bCombined && !bResampled) {
    EXPECT_NE(test::PixelBytes(*got), test::PixelBytes(*m_input));
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BrennicCliOperation, ::testing::ValuesIn(kOperationCases));

TEST_F(BrennicCli, WithoutOperationsItConverts) {
  // A bitmap comes back byte for byte as the program saves it.
  cToolRun run = RunCli({m_sInput, m_sOutput});
  ASSERT_EQ(run.lStatus, 0) << run.sErr;
  EXPECT_EQ(run.sOut, "");
  EXPECT_EQ(test::ReadAll(m_sOutput), test::ReadAll(m_sInput));
}

TEST_F(BrennicCli, VerbosePrintsTheStatusOfEachOperation) {
  cToolRun run = RunCli({"--verbose", m_sInput, m_sOutput, "negative", "negative"});
  ASSERT_EQ(run.lStatus, 0) << run.sErr;
  // Negative raises no completion event, so the window would show no status text for it.
  EXPECT_EQ(run.sOut, "negative: done\nnegative: done\n");
  EXPECT_EQ(test::ReadAll(m_sOutput), test::ReadAll(m_sInput)) << "twice negative is the input";
  run = RunCli({m_sInput, m_sOutput, "blur", "--verbose"});
  ASSERT_EQ(run.lStatus, 0) << run.sErr;
  const std::string sDone = "blur: Complete.  Time = ";  // then the milliseconds
  EXPECT_TRUE(run.sOut.starts_with(sDone) && run.sOut.size() > sDone.size() + 1 &&
              run.sOut.find_first_not_of("0123456789", sDone.size()) == run.sOut.size() - 1 &&
              run.sOut.back() == '\n')
      << run.sOut;
}

TEST_F(BrennicCli, DashesAreStandardInputAndOutputInAPipeline) {
  const auto from = [](const std::string& sIn, const char* sOut = nullptr) {
    return [sIn, sOut] {
      if (!std::freopen(sIn.c_str(), "r", stdin)) _exit(102);
      if (sOut != nullptr && !std::freopen(sOut, "w", stdout)) _exit(103);
    };
  };
  // The bitmap on standard output is the file OUTPUT would hold; the status goes to stderr.
  ASSERT_EQ(RunCli({m_sInput, m_sOutput, "negative"}).lStatus, 0);
  cToolRun run = RunCli({"--verbose", "-", "-", "negative"}, from(m_sInput));
  ASSERT_EQ(run.lStatus, 0) << run.sErr;
  EXPECT_EQ(run.sOut, test::ReadAll(m_sOutput).toStdString());
  EXPECT_EQ(run.sErr, "negative: done\n");
  // What is not a picture, and an output that fills up, fail as files do.
  ExpectFailed(RunCli({"-", m_dir.Path("new.bmp")}, from(m_dir.Write("junk", "no picture"))), 1,
               "cannot read standard input: The file is not a picture");
  ExpectFailed(RunCli({"-", "-"}, from(m_sInput, "/dev/full")), 1,
               "cannot write standard output: The picture could not be written");
}

TEST_F(BrennicCli, TheSeedMakesNoiseRepeat) {
  const std::string sOther = m_dir.Path("other.bmp");
  ASSERT_EQ(RunCli({"--seed=7", m_sInput, m_sOutput, "noise=40,random"}).lStatus, 0);
  ASSERT_EQ(RunCli({m_sInput, sOther, "--seed", "7", "noise=40,random"}).lStatus, 0);
  EXPECT_EQ(test::ReadAll(m_sOutput), test::ReadAll(sOther));
}

TEST_F(BrennicCli, HelpListsEveryOperation) {
  const cToolRun version = RunCli({"--version"});
  EXPECT_EQ(version.lStatus, 0);
  EXPECT_EQ(version.sOut.rfind("brennic-cli (Brennic) 2.", 0), 0u) << version.sOut;
  const cToolRun run = RunCli({"--help"});
  ASSERT_EQ(run.lStatus, 0);
  EXPECT_EQ(run.sOut.rfind("Usage: brennic-cli [--seed N]", 0), 0u);
  // Each entry on a line of its own (not a longer name that starts the same); none not built.
  const std::vector<std::string> lines = Split(run.sOut, '\n');
  for (const cOperation& op : Operations()) {
    const std::string sEntry = "  " + op.sName;
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& s) {
      return s.starts_with(sEntry) && (s.size() == sEntry.size() || s[sEntry.size()] == ' ' ||
                                       s[sEntry.size()] == '=' || s[sEntry.size()] == '[');
    })) << op.sName;
  }
  EXPECT_EQ(run.sOut.find("[not"), std::string::npos) << run.sOut;
}

TEST_F(BrennicCli, UsageErrorsExitTwoAndLeaveOutputAlone) {
  ExpectRefused({m_sInput}, 2, "expected INPUT and OUTPUT");
  ExpectRefused({m_sInput, m_sOutput, "blurr"}, 2, "blurr: unknown operation");
  ExpectRefused({m_sInput, m_sOutput, "negative", "fade=x"}, 2, "fade: ");
  ExpectRefused({m_sInput, m_sOutput, "resample=0x5"}, 2, "resample: ");
  ExpectRefused({m_sInput, m_sOutput, "custom=4:1:1"}, 2, "custom: ");
  ExpectRefused({m_sInput, m_sOutput, "negative=3"}, 2, "negative: takes no argument");
  ExpectRefused({m_sInput, m_sOutput, "add=" + m_sSecond}, 2, "add: ");
  ExpectRefused({"--bogus", m_sInput, m_sOutput}, 2, "--bogus: unknown option");
  ExpectRefused({"--seed", "x", m_sInput, m_sOutput}, 2, "--seed: ");
  ExpectRefused({"--format", "gif", m_sInput, m_sOutput}, 2,
                "--format: F must be bmp, png, jpg, webp or tif, not 'gif'");
  ExpectRefused({m_sInput, m_sOutput, "--format"}, 2, "--format: expected a format");
  ExpectRefused({"--quality=0", m_sInput, m_sOutput}, 2, "--quality: N must be a whole number");
  ExpectRefused({"--quality", "101", m_sInput, m_sOutput}, 2, "--quality: N must be");
  // A usage error is found before the input is read: a missing input is not the complaint.
  ExpectRefused({m_dir.Path("missing.bmp"), m_sOutput, "blurr"}, 2, "blurr: unknown operation");
  // An existing OUTPUT stays as it was.
  m_dir.Write("out.bmp", "precious");
  const cToolRun run = RunCli({m_sInput, m_sOutput, "negative", "nope"});
  EXPECT_EQ(run.lStatus, 2);
  EXPECT_EQ(test::ReadAll(m_sOutput), "precious");
}

// What is missing, no picture file, no palette or too large is refused at once, naming why; a
// FIFO would block and /dev/zero would read without end.
TEST_F(BrennicCli, PicturesAndPalettesThatCannotBeReadExitOne) {
  const std::string sFifo = m_dir.Path("pipe.bmp");
  ASSERT_EQ(mkfifo(sFifo.c_str(), 0600), 0);
  const std::string sLf = m_dir.Write("lf.pal", "0 0 0\n255 255 255\n");
  const std::string sText = m_dir.Write("text.bmp", "not a picture at all\n");
  const std::string sMissing = m_dir.Path("missing.bmp");
  // A one-pixel XPM under a bitmap's name: Qt could decode it, the program does not.
  const std::string sXpm = m_dir.Write(
      "x.bmp", "/* XPM */\nstatic char *x[] = {\n\"1 1 1 1\",\n\"a c #FF0000\",\n\"a\"};\n");
  const struct {
    std::vector<std::string> args;
    std::string sWhy;
  } cases[] = {
      {{sMissing, m_sOutput}, "cannot read '" + sMissing + "': The file does not exist."},
      {{sText, m_sOutput, "negative"}, "The file is not a picture this program can read."},
      {{m_sInput, m_sOutput, "darkest=" + sText},
       "darkest: cannot read '" + sText + "': The file is not a picture"},
      {{sFifo, m_sOutput},
       "cannot read '" + sFifo + "': This is a named pipe (FIFO), not a picture"},
      {{m_sInput, m_sOutput, "darkest=/dev/zero"},
       "darkest: cannot read '/dev/zero': This is a device, not a picture file."},
      {{m_sInput, m_sOutput, "palette=/dev/zero"}, "/dev/zero is a device, not a palette file."},
      {{m_sInput, m_sOutput, "palette=" + sLf}, "has no entries"},
      {{m_sInput, m_sOutput, "palette=" + sLf}, "lines must end in CR LF"},
      {{sXpm, m_sOutput}, "This kind of picture cannot be read (XPM)."},
      {{m_sInput, m_sOutput, "resample=30000x30000"},
       "The picture would be too large (30000 x 30000 pixels; at most 2 GiB of pixel data)."},
  };
  for (const auto& c : cases)
    ExpectRefused(c.args, 1, c.sWhy);
}

// A name is bytes: a Latin-1 name, not valid UTF-8, is read and written as it is.
TEST_F(BrennicCli, NamesThatAreNotUtf8AreUsedByteForByte) {
  const std::string sIn = m_dir.Path("caf\xe9.bmp");
  const std::string sOut = m_dir.Path("caf\xe9-out.bmp");
  std::filesystem::copy_file(m_sInput, sIn);
  const cToolRun run = RunCli({sIn, sOut, "negative"});
  ASSERT_EQ(run.lStatus, 0) << run.sErr;
  EXPECT_EQ(m_dir.Names(), (std::vector<std::string>{"caf\xe9-out.bmp", "caf\xe9.bmp",
                                                     "colours.pal", "in.bmp", "second.bmp"}));
}

TEST_F(BrennicCli, AnOutputThatCannotBeWrittenExitsOneAndKeepsTheOldFile) {
  ExpectRefused({m_sInput, m_dir.Path("no-folder/out.bmp")}, 1,
                "cannot write '" + m_dir.Path("no-folder/out.bmp") + "': The folder '" +
                    m_dir.Path("no-folder") + "' does not exist.");
  // A 200 x 200 picture (120 KB) with the tool limited to files of 64 KB.
  const std::string sBig = m_dir.Path("big.bmp");
  SavePicture(*test::MakeImage(200, 200, {1, 2, 3}), sBig);
  m_dir.Write("out.bmp", "precious");
  const auto before = m_dir.Names();
  const cToolRun run = RunCli({sBig, m_sOutput, "negative"}, [] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 << 10, 64 << 10};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  ExpectFailed(run, 1, "cannot write '" + m_sOutput + "': The picture could not be written");
  EXPECT_EQ(test::ReadAll(m_sOutput), "precious");
  EXPECT_EQ(m_dir.Names(), before) << "a temporary file was left behind";
}

TEST_F(BrennicCli, EngineErrorsCarryTheToolsName) {
  // The tool under another file name still reports itself as brennic-cli.
  const std::string sCopy = m_dir.Path("renamed-tool");
  std::filesystem::copy_file(BRENNIC_CLI, sCopy);
  std::filesystem::permissions(sCopy, std::filesystem::perms::owner_all);
  const cToolRun run =
      RunCli({m_sInput, m_sOutput, "palette=" + m_dir.Path("no-such.pal")}, nullptr, sCopy);
  ExpectFailed(run, 1, "brennic-cli.cPalette");
  EXPECT_FALSE(std::filesystem::exists(m_sOutput));
}

// A smooth picture, as photographs are: what lossy formats are made for.
std::unique_ptr<cDIBSection> Gradient() {
  auto img = test::MakeImage(40, 30);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x)
      test::SetPixel(*img, x, y, {uint8_t(4 * x), uint8_t(4 * y), uint8_t(2 * (x + y))});
  return img;
}

// The mean difference of the channels of two pictures of the same size.
double MeanDifference(const cDIBSection& a, const cDIBSection& b) {
  const std::vector<uint8_t> pa = test::PixelBytes(a), pb = test::PixelBytes(b);
  EXPECT_EQ(pa.size(), pb.size());
  double dSum = 0;
  for (size_t i = 0; i < pa.size() && i < pb.size(); ++i)
    dSum += std::abs(int{pa[i]} - int{pb[i]});
  return pa.empty() ? 0 : dSum / static_cast<double>(pa.size());
}

TEST_F(BrennicCli, OutputsTheFormatItsExtensionOrFormatNames) {
  const std::string sIn = m_dir.Path("smooth.bmp");
  SavePicture(*Gradient(), sIn);
  const auto input = test::LoadAsImage(sIn);
  const struct {
    std::vector<std::string> options;
    std::string sOutput;
    QByteArray magic;
    bool bLossless;
  } cases[] = {
      {{}, "a.png", "\x89PNG", true},
      {{}, "a.TIFF", QByteArray("II*\0", 4), true},
      {{}, "a.ico", "BM", true},  // what no format names is a bitmap
      {{}, "a.jpg", "\xFF\xD8\xFF", false},
      {{}, "a.webp", "RIFF", false},
      {{"--format", "bmp"}, "b.png", "BM", true},
      {{"--format=jpg", "--quality", "100"}, "b.bmp", "\xFF\xD8\xFF", false},
      {{"--format", "png"}, "-", "\x89PNG", true},
      {{}, "-", "BM", true},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.options;
    const std::string sOut = c.sOutput == "-" ? c.sOutput : m_dir.Path(c.sOutput);
    args.insert(args.end(), {sIn, sOut});
    const cToolRun run = RunCli(args);
    ASSERT_EQ(run.lStatus, 0) << c.sOutput << ": " << run.sErr;
    const QByteArray bytes =
        c.sOutput == "-" ? QByteArray::fromStdString(run.sOut) : test::ReadAll(sOut);
    EXPECT_TRUE(bytes.startsWith(c.magic))
        << c.sOutput << ": " << bytes.left(8).toHex().toStdString();
    const auto back = test::LoadBytesAsImage(bytes);
    ASSERT_EQ(std::pair(back->Width(), back->Height()), std::pair(40, 30));
    if (c.bLossless) {
      EXPECT_EQ(test::PixelBytes(*back), test::PixelBytes(*input)) << c.sOutput;
    } else {
      EXPECT_LT(MeanDifference(*back, *input), 3.0) << c.sOutput;
    }
  }
  // The quality is honoured: a lower one gives a smaller file, and a worse likeness.
  for (const char* sExtension : {".jpg", ".webp"}) {
    const std::string sLow = m_dir.Path(std::string("low") + sExtension);
    const std::string sHigh = m_dir.Path(std::string("high") + sExtension);
    ASSERT_EQ(RunCli({"--quality", "5", sIn, sLow}).lStatus, 0);
    ASSERT_EQ(RunCli({"--quality=95", sIn, sHigh}).lStatus, 0);
    EXPECT_LT(std::filesystem::file_size(sLow), std::filesystem::file_size(sHigh)) << sExtension;
    EXPECT_GT(MeanDifference(*test::LoadAsImage(sLow), *input),
              MeanDifference(*test::LoadAsImage(sHigh), *input))
        << sExtension;
  }
}

// Ctrl+C during a long run, in an operation or while OUTPUT is being encoded and written: the
// run stops, dies of the signal as the shell expects, and leaves neither OUTPUT nor a temporary
// file.
TEST_F(BrennicCli, SigintStopsTheRunAndLeavesNoOutput) {
  std::mt19937 rng(5);
  const std::string sPlain = m_dir.Path("plain.bmp");
  SavePicture(*test::MakeImage(1500, 1500, {10, 200, 30}), sPlain);
  // Noise makes the PNG slow to compress: the signal comes while it is made.
  const std::string sNoise = m_dir.Path("noise.bmp");
  SavePicture(*test::MakeRandomImage(2000, 2000, rng), sNoise);
  const auto before = m_dir.Names();
  const struct {
    std::string sInput;
    std::string sStep;
    size_t lSteps;
  } cases[] = {{sPlain, "soften-more", 200}, {sNoise, "negative", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sStep);
    std::vector<std::string> args = {"--verbose", c.sInput, m_dir.Path("out.png")};
    args.insert(args.end(), c.lSteps, c.sStep);
    cStartedTool tool(args, nullptr, BRENNIC_CLI);
    // Once the first step has reported, the run is at work on what follows.
    const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (tool.Out().find(c.sStep + ":") == std::string::npos &&
           std::chrono::steady_clock::now() < tEnd) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_NE(tool.Out().find(c.sStep + ":"), std::string::npos) << "the run never reported";
    kill(tool.Pid(), SIGINT);
    const cToolRun run = tool.Wait();
    ExpectFailed(run, 128 + SIGINT, "interrupted; '" + m_dir.Path("out.png") + "' was not written");
    if (c.lSteps > 1) {
      EXPECT_LT(Split(run.sOut, '\n').size(), c.lSteps) << "it went on to the end";
    }
    EXPECT_EQ(m_dir.Names(), before) << c.sStep << ": an output or temporary file was left";
  }
}

}  // namespace
}  // namespace brennic
