// brennic-cli: runs the document commands on picture files without a window.
//
//   brennic-cli [--seed N] [--verbose] [--format F] [--quality N] INPUT OUTPUT [OPERATION ...]
//
// INPUT is loaded as the program opens pictures, each OPERATION runs as the document command of
// the same name, and OUTPUT is written atomically in the format its extension (or --format)
// names, a 24-bit bitmap as the program saves for every other extension. "-" as INPUT reads
// standard input, as OUTPUT writes standard output, so that the tool fits a pipeline.
// Exit status: 0 done; 1 a picture could not be read or written, or an operation failed; 2 a
// usage error, or an operation or format this build cannot handle. OUTPUT is written only after
// everything else succeeded, so on any failure an existing OUTPUT stays as it was. SIGINT and
// SIGTERM stop the run between columns of an operation, while OUTPUT is encoded and written, or
// at the latest before it takes its place; the program then dies of that signal, leaving no
// OUTPUT and no temporary file.

#include <unistd.h>
#include <QByteArray>
#include <QImage>
#include <QtGlobal>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/cImageDocumentCore.h"
#include "document/cOperations.h"
#include "image/cError.h"
#include "image/mRandom.h"
#include "platform/PictureIO.h"

namespace brennic {
namespace {

constexpr const char* kUsage =
    "Usage: brennic-cli [--seed N] [--verbose] [--format F] [--quality N] INPUT OUTPUT "
    "[OPERATION ...]\n";
// INPUT and OUTPUT that stand for standard input and output.
constexpr const char* kStandardStream = "-";

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// --- Interruption
// What SIGINT or SIGTERM has done: nothing yet; stopped the run; or nothing, because OUTPUT was
// already taking its place. The handler and the commit race for the one change from kRunning.
enum : int { kRunning = 0, kInterrupted = 1, kCommitted = 2 };
std::atomic<int> g_lRunState{kRunning};
std::atomic<int> g_lSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "used in a signal handler");

void OnStopSignal(int lSignal) {
  int lExpected = kRunning;
  if (g_lRunState.compare_exchange_strong(lExpected, kInterrupted)) g_lSignal.store(lSignal);
}

// Without SA_RESTART: a read from a terminal or pipe that waits returns, so the run can stop.
void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
  return g_lRunState.load() == kInterrupted;
}

// OUTPUT may take its place unless the run was interrupted; from now on a signal is too late.
bool CommitOutput() {
  int lExpected = kRunning;
  return g_lRunState.compare_exchange_strong(lExpected, kCommitted) || !Interrupted();
}

void Say(const std::string& sText) {
  std::fputs(("brennic-cli: " + sText + "\n").c_str(), stderr);
}

std::string Describe(const cError& e) {
  char sNumber[16];
  if (e.Number() < 0) {
    std::snprintf(sNumber, sizeof sNumber, "0x%08" PRIX32, static_cast<uint32_t>(e.Number()));
  } else {
    std::snprintf(sNumber, sizeof sNumber, "%" PRId32, e.Number());
  }
  return e.Description() + " (" + e.Source() + ", error " + sNumber + ")";
}

// Ends the run after an interruption: says so, then dies of the signal, as the shell expects of a
// program the user interrupted.
int StopInterrupted(const std::string& sOutputName) {
  Say("interrupted; " + sOutputName + " was not written");
  const int lSignal = g_lSignal.load();
  std::signal(lSignal, SIG_DFL);
  std::raise(lSignal);
  return 128 + lSignal;
}

// A usage error: the message, the usage line, exit status 2.
int Usage(const std::string& sMessage) {
  Say(sMessage);
  std::fputs(kUsage, stderr);
  std::fputs("Try 'brennic-cli --help' for the list of operations.\n", stderr);
  return kExitUsage;
}

int Help() {
  std::string s = kUsage;
  s += "\n"
       "Loads INPUT (BMP, DIB, GIF, ICO, PNG, JPEG, TIFF or WebP), runs each OPERATION in order\n"
       "as the program's menu command of the same name does, and writes OUTPUT in the format\n"
       "its extension names: .png, .jpg or .jpeg, .webp, .tif or .tiff; every other extension\n"
       "(.bmp, .dib, .ico...) gets a 24-bit Windows bitmap. Without an operation the picture\n"
       "is converted. \"-\" as INPUT reads the picture from standard input, \"-\" as OUTPUT\n"
       "writes it to standard output, as a bitmap unless --format names another (and nothing\n"
       "else goes there then). OUTPUT is written only when everything succeeded; Ctrl+C\n"
       "(SIGINT) or SIGTERM stops the run and leaves no OUTPUT and no temporary file. A palette\n"
       "file has one entry per line, three numbers (red green blue), and its lines end in CR LF.\n"
       "\n"
       "Options:\n"
       "  --seed N     seed the random generator (noise) so that runs repeat\n"
       "  --verbose    print the status text of each operation as the program shows it\n"
       "  --format F   write OUTPUT as F whatever its name: bmp, png, jpg, webp or tif\n"
       "  --quality N  the quality of JPEG and WebP pictures, 1 to 100 (default 90); the other\n"
       "               formats are written without loss\n"
       "  --help       show this text\n"
       "  --version    show the version\n"
       "\n"
       "Operations:\n";
  constexpr size_t kIndent = 22;
  constexpr size_t kWidth = 79;
  for (const cOperation& op : Operations()) {
    std::string sName = op.sName;
    if (!op.sArgHint.empty()) {
      sName += op.bArgOptional ? "[=" + op.sArgHint + "]" : "=" + op.sArgHint;
    }
    std::string sText = op.sSummary;
    if (!ProbeOperation(op).empty()) sText += " [not available in this build]";
    // The name, then the summary in a column of its own, wrapped at spaces.
    std::string sLine = "  " + sName;
    if (sLine.size() + 1 > kIndent) {
      s += sLine + "\n";
      sLine.clear();
    }
    size_t lAt = 0;
    while (lAt < sText.size()) {
      sLine.resize(kIndent, ' ');
      size_t lEnd = sText.size();
      if (lEnd - lAt > kWidth - kIndent) {
        lEnd = sText.rfind(' ', lAt + kWidth - kIndent);
        if (lEnd == std::string::npos || lEnd <= lAt) lEnd = lAt + kWidth - kIndent;
      }
      s += sLine + sText.substr(lAt, lEnd - lAt) + "\n";
      sLine.clear();
      lAt = sText.find_first_not_of(' ', lEnd);
      if (lAt == std::string::npos) break;
    }
  }
  s += "\n"
       "Exit status: 0 done; 1 a picture could not be read or written, or an operation failed;\n"
       "2 a usage error, or an operation or output format not available in this build.\n"
       "\n"
       "Environment:\n"
       "  BRENNIC_THREADS  how many threads the filters use (default: one per processor)\n";
  std::fputs(s.c_str(), stdout);
  return kExitOk;
}

// Loads the picture files that operations name (add=FILE..., darkest=FILE, lightest=FILE).
class cFileContext final : public IOperationContext {
 public:
  std::unique_ptr<cDIBSection> LoadImageFile(const std::string& sPath) override {
    try {
      return LoadPictureImage(sPath);
    } catch (const cError& e) {
      throw cError(e.Number(), e.Source(), "'" + sPath + "': " + e.Description());
    }
  }
};

// Remembers the completion event of the operation that runs; the rest goes nowhere.
class cStatusListener final : public IImageProcessEvents {
 public:
  void InitProgress(int32_t) override {}
  void Progress(int32_t) override {}
  void Complete(int32_t lTimeMs) override {
    m_sStatus = "Complete.  Time = " + std::to_string(lTimeMs);
  }
  bool CancelRequested() override { return Interrupted(); }
  std::string Take() { return std::exchange(m_sStatus, std::string()); }

 private:
  std::string m_sStatus;
};

struct cArguments {
  bool bHelp = false;
  bool bVersion = false;
  bool bVerbose = false;
  bool bSeed = false;
  uint64_t lSeed = 0;
  std::optional<ePictureFormat> format;
  int32_t lQuality = kDefaultQuality;
  std::vector<std::string> positional;
};

// The value of an option given as "--name VALUE" or "--name=VALUE"; false when it is missing.
bool OptionValue(int argc, char* argv[], int& i, const std::string& sName, std::string& sValue) {
  const std::string s = argv[i];
  if (s != sName) {
    sValue = s.substr(sName.size() + 1);
    return true;
  }
  if (i + 1 >= argc) return false;
  sValue = argv[++i];
  return true;
}

bool IsOption(const std::string& s, const std::string& sName) {
  return s == sName || s.compare(0, sName.size() + 1, sName + "=") == 0;
}

// Returns "" or the usage error.
std::string ParseArguments(int argc, char* argv[], cArguments& args) {
  bool bOptions = true;
  for (int i = 1; i < argc; ++i) {
    const std::string s = argv[i];
    if (!bOptions || s.size() < 2 || s.compare(0, 2, "--") != 0) {
      args.positional.push_back(s);
      continue;
    }
    if (s == "--") {
      bOptions = false;
    } else if (s == "--help") {
      args.bHelp = true;
    } else if (s == "--version") {
      args.bVersion = true;
    } else if (s == "--verbose") {
      args.bVerbose = true;
    } else if (IsOption(s, "--format")) {
      std::string sValue;
      if (!OptionValue(argc, argv, i, "--format", sValue)) {
        return "--format: expected a format after --format";
      }
      args.format = FormatOfName(sValue);
      if (!args.format) {
        return "--format: F must be bmp, png, jpg, webp or tif, not '" + sValue + "'";
      }
    } else if (IsOption(s, "--quality")) {
      std::string sValue;
      if (!OptionValue(argc, argv, i, "--quality", sValue)) {
        return "--quality: expected a number after --quality";
      }
      char* pEnd = nullptr;
      errno = 0;
      const long v = std::strtol(sValue.c_str(), &pEnd, 10);
      if (sValue.empty() || *pEnd != '\0' || errno == ERANGE || v < kMinQuality ||
          v > kMaxQuality) {
        return "--quality: N must be a whole number from 1 to 100, not '" + sValue + "'";
      }
      args.lQuality = static_cast<int32_t>(v);
    } else if (IsOption(s, "--seed")) {
      std::string sValue;
      if (!OptionValue(argc, argv, i, "--seed", sValue)) {
        return "--seed: expected a number after --seed";
      }
      char* pEnd = nullptr;
      errno = 0;
      const unsigned long long v = std::strtoull(sValue.c_str(), &pEnd, 10);
      if (sValue.empty() || sValue[0] == '-' || *pEnd != '\0' || errno == ERANGE) {
        return "--seed: N must be a whole number from 0 to 18446744073709551615, not '" + sValue +
               "'";
      }
      args.bSeed = true;
      args.lSeed = v;
    } else {
      return s + ": unknown option";
    }
  }
  return "";
}

// What a failure message calls INPUT or OUTPUT.
std::string Naming(const std::string& sPath, const char* sStream) {
  return sPath == kStandardStream ? std::string(sStream) : "'" + sPath + "'";
}

// Standard input is read whole first: the decoders look back and forth, and a pipe cannot.
std::unique_ptr<cDIBSection> LoadInput(const std::string& sInput) {
  if (sInput != kStandardStream) return LoadPictureImage(sInput);
  QByteArray bytes;
  char buffer[1 << 16];
  size_t lRead = 0;
  do {
    lRead = std::fread(buffer, 1, sizeof buffer, stdin);
    bytes.append(buffer, static_cast<qsizetype>(lRead));
    if (bytes.size() > cDIBSection::kMaxImageBytes) {
      throw cError(kErrOutOfMemory, ErrorSource(".LoadPicture"),
                   "The picture is larger than this program can hold.");
    }
  } while (lRead == sizeof buffer);
  if (std::ferror(stdin)) {
    throw cError(kErrFileAccess, ErrorSource(".LoadPicture"),
                 std::string("The picture could not be read (") + std::strerror(errno) + ").");
  }
  return LoadPictureImageFromMemory(bytes);
}

// Writes the whole of the bytes to standard output, through partial writes and interruptions.
bool WriteToStandardOutput(const uint8_t* p, int64_t lLeft) {
  while (lLeft > 0) {
    const ssize_t n = ::write(STDOUT_FILENO, p, static_cast<size_t>(lLeft));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    lLeft -= n;
  }
  return true;
}

// Writes OUTPUT, unless the run is interrupted first (kErrCancelled).
void SaveOutput(cDIBSection& cImage, const std::string& sOutput, ePictureFormat eFormat,
                int32_t lQuality) {
  if (Interrupted()) RaiseCancelled();
  const sWriteStop stop{Interrupted, CommitOutput};
  if (sOutput != kStandardStream) {
    if (eFormat == ePictureFormat::Bmp) {
      SavePicture(cImage, sOutput, stop);
    } else {
      ExportPicture(ImageOfSurface(cImage.hdc()), sOutput, eFormat, lQuality, stop);
    }
    return;
  }
  bool bWritten = false;
  if (eFormat == ePictureFormat::Bmp) {
    // A bitmap goes out as it is made, block by block, without a copy of the whole file.
    if (!CommitOutput()) RaiseCancelled();
    bWritten = PutBitmapFile(cImage.hdc(), WriteToStandardOutput);
  } else {
    const QByteArray bytes =
        PictureFileBytes(ImageOfSurface(cImage.hdc()), eFormat, lQuality, stop);
    if (!CommitOutput()) RaiseCancelled();
    bWritten =
        WriteToStandardOutput(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
  }
  if (!bWritten) {
    throw cError(kErrFileAccess, ErrorSource(".SavePicture"),
                 std::string("The picture could not be written (") + std::strerror(errno) + ").");
  }
}

// Qt's decoders report oddities of files they still read ("known incorrect sRGB profile"); they
// are not the user's concern unless asked for.
bool g_bQtMessages = false;
void QtMessage(QtMsgType, const QMessageLogContext&, const QString& sMessage) {
  if (g_bQtMessages) Say(sMessage.toStdString());
}

int Run(int argc, char* argv[]) {
  cArguments args;
  const std::string sBad = ParseArguments(argc, argv, args);
  if (!sBad.empty()) return Usage(sBad);
  if (args.bHelp) return Help();
  if (args.bVersion) {
    std::fputs("brennic-cli (Brennic) " BRENNIC_VERSION "\n", stdout);
    return kExitOk;
  }
  if (args.positional.size() < 2) return Usage("expected INPUT and OUTPUT");
  g_bQtMessages = args.bVerbose;
  const std::string& sInput = args.positional[0];
  const std::string& sOutput = args.positional[1];
  const std::vector<std::string> opTexts(args.positional.begin() + 2, args.positional.end());
  if (sOutput == kStandardStream && isatty(STDOUT_FILENO)) {
    return Usage("standard output is a terminal: redirect it, or name an OUTPUT file");
  }
  // With the picture on standard output, the status goes to standard error.
  FILE* const pStatus = sOutput == kStandardStream ? stderr : stdout;
  const std::string sOutputName = Naming(sOutput, "standard output");

  // --format, else OUTPUT's extension; standard output gets a bitmap unless told otherwise.
  const ePictureFormat eFormat = args.format.value_or(
      sOutput == kStandardStream ? ePictureFormat::Bmp
                                 : FormatOfExtension(sOutput).value_or(ePictureFormat::Bmp));
  const std::string sCannot = CannotWrite(eFormat);
  if (!sCannot.empty()) return Usage("cannot write " + sOutputName + ": " + sCannot);

  // Every operation's name and argument are checked before any file is read, and every one
  // must be available in this build.
  std::map<std::string, std::string> unavailable;
  for (const std::string& sText : opTexts) {
    const std::string sName = sText.substr(0, sText.find('='));
    if (!unavailable.count(sName) && FindOperation(sName) != nullptr) {
      unavailable[sName] = ProbeOperation(*FindOperation(sName));
    }
    cProbeContext dry;
    try {
      ParseOperation(sText, dry);
    } catch (const cUsageError& e) {
      return Usage(e.what());
    } catch (const cError& e) {
      // Binding may already need the engine (a custom kernel is set up on one).
      if (unavailable[sName].empty()) {
        Say(sName + ": " + Describe(e));
        return kExitUsage;
      }
    }
    if (!unavailable[sName].empty()) {
      Say(sName + ": not available in this build (" + unavailable[sName] + ")");
      return kExitUsage;
    }
  }

  cImageDocumentCore doc;
  try {
    doc.AdoptPicture(LoadInput(sInput));
  } catch (const cError& e) {
    // A read from a pipe that the signal broke off is no damaged input.
    if (Interrupted()) return StopInterrupted(sOutputName);
    Say("cannot read " + Naming(sInput, "standard input") + ": " + e.Description());
    return kExitFailed;
  }

  std::vector<cOperationStep> steps;
  cFileContext files;
  for (const std::string& sText : opTexts) {
    try {
      steps.push_back(ParseOperation(sText, files));
    } catch (const cError& e) {
      Say(sText.substr(0, sText.find('=')) + ": cannot read " + e.Description());
      return kExitFailed;
    }
  }

  if (args.bSeed)
    SeedRandom(args.lSeed);
  else
    RandomizeFromClock();
  cStatusListener status;
  doc.Engine().SetListener(&status);
  for (size_t i = 0; i < steps.size(); ++i) {
    const std::string sName = opTexts[i].substr(0, opTexts[i].find('='));
    if (Interrupted()) return StopInterrupted(sOutputName);
    try {
      steps[i](doc);
    } catch (const cError& e) {
      if (Interrupted()) return StopInterrupted(sOutputName);
      Say(sName + ": " + Describe(e));
      return kExitFailed;
    } catch (const std::bad_alloc&) {
      Say(sName + ": there is not enough memory");
      return kExitFailed;
    }
    const std::string sStatus = status.Take();
    if (args.bVerbose) {
      std::fprintf(pStatus, "%s: %s\n", sName.c_str(), sStatus.empty() ? "done" : sStatus.c_str());
      // Each line as it happens: whoever watches the run sees how far it got.
      std::fflush(pStatus);
    }
  }

  try {
    SaveOutput(doc.Picture(), sOutput, eFormat, args.lQuality);
  } catch (const cError& e) {
    if (Interrupted()) return StopInterrupted(sOutputName);
    Say("cannot write " + sOutputName + ": " + e.Description());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace
}  // namespace brennic

int main(int argc, char* argv[]) {
  // Error sources read "brennic-cli.cImageProcess" whatever the file is called.
  brennic::SetExeBaseName("brennic-cli");
  qInstallMessageHandler(brennic::QtMessage);
  brennic::CatchStopSignals();
  return brennic::Run(argc, argv);
}
