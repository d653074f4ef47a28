// brennic-cli: runs the document commands on picture files without a window.
//
//   brennic-cli [--seed N] [--verbose] INPUT OUTPUT [OPERATION ...]
//
// INPUT is loaded as the program opens pictures, each OPERATION runs as the document command of
// the same name, and OUTPUT is written as the program saves (a 24-bit bitmap, atomically). "-" as
// INPUT reads standard input, as OUTPUT writes standard output, so that the tool fits a pipeline.
// Exit status: 0 done; 1 a picture could not be read or written, or an operation failed; 2 a
// usage error or an operation this build cannot run. OUTPUT is written only after everything else
// succeeded, so on any failure an existing OUTPUT stays as it was.

#include <unistd.h>
#include <QByteArray>
#include <QtGlobal>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
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
    "Usage: brennic-cli [--seed N] [--verbose] INPUT OUTPUT [OPERATION ...]\n";
// INPUT and OUTPUT that stand for standard input and output.
constexpr const char* kStandardStream = "-";

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

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
       "as the program's menu command of the same name does, and writes OUTPUT as a 24-bit\n"
       "Windows bitmap whatever its extension. Without an operation the picture is converted.\n"
       "\"-\" as INPUT reads the picture from standard input, \"-\" as OUTPUT writes it to\n"
       "standard output (and nothing else goes there then). A palette file has one entry per\n"
       "line, three numbers (red green blue), and its lines end in CR LF.\n"
       "\n"
       "Options:\n"
       "  --seed N    seed the random generator (noise) so that runs repeat\n"
       "  --verbose   print the status text of each operation as the program shows it\n"
       "  --help      show this text\n"
       "  --version   show the version\n"
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
       "2 a usage error or an operation not available in this build.\n"
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
    std::unique_ptr<cPicture> picture;
    try {
      picture = LoadPicture(sPath);
    } catch (const cError& e) {
      throw cError(e.Number(), e.Source(), "'" + sPath + "': " + e.Description());
    }
    auto image = std::make_unique<cDIBSection>();
    image->CreateFromPicture(*picture);
    if (image->DIBSectionBitsPtr() == nullptr) {
      RaiseOutOfMemory(".frmImage", " (" + std::to_string(picture->PixelWidth()) + " x " +
                                        std::to_string(picture->PixelHeight()) + " pixels).");
    }
    return image;
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
  std::vector<std::string> positional;
};

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
    } else if (s == "--seed" || s.compare(0, 7, "--seed=") == 0) {
      std::string sValue;
      if (s == "--seed") {
        if (i + 1 >= argc) return "--seed: expected a number after --seed";
        sValue = argv[++i];
      } else {
        sValue = s.substr(7);
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
std::unique_ptr<cPicture> LoadInput(const std::string& sInput) {
  if (sInput != kStandardStream) return LoadPicture(sInput);
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
  return LoadPictureFromMemory(bytes);
}

void SaveOutput(cDIBSection& cImage, const std::string& sOutput) {
  if (sOutput != kStandardStream) {
    SavePicture(cImage, sOutput);
    return;
  }
  const QByteArray bytes = BitmapFileBytes(cImage.hdc());
  if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
          static_cast<size_t>(bytes.size()) ||
      std::fflush(stdout) != 0) {
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
    const std::unique_ptr<cPicture> picture = LoadInput(sInput);
    doc.LoadPicture(*picture);
  } catch (const cError& e) {
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
    try {
      steps[i](doc);
    } catch (const cError& e) {
      Say(sName + ": " + Describe(e));
      return kExitFailed;
    } catch (const std::bad_alloc&) {
      Say(sName + ": there is not enough memory");
      return kExitFailed;
    }
    const std::string sStatus = status.Take();
    if (args.bVerbose) {
      std::fprintf(pStatus, "%s: %s\n", sName.c_str(), sStatus.empty() ? "done" : sStatus.c_str());
    }
  }

  try {
    SaveOutput(doc.Picture(), sOutput);
  } catch (const cError& e) {
    Say("cannot write " + Naming(sOutput, "standard output") + ": " + e.Description());
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
  return brennic::Run(argc, argv);
}
