#include "document/cOperations.h"

#include <charconv>
#include <cmath>
#include <limits>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "image/cError.h"
#include "image/cPalette.h"
#include "image/mConventions.h"
#include "image/mRandom.h"

namespace brennic {

namespace {

// The runtime's "Invalid procedure call or argument".
constexpr int32_t kErrPaletteEmpty = 5;

[[noreturn]] void Bad(const std::string& sName, const std::string& sWhy) {
  throw cUsageError(sName + ": " + sWhy);
}

int32_t ParseInt(const std::string& sName, const std::string& sText, const char* sWhat) {
  int64_t v = 0;
  const char* first = sText.data();
  const char* last = first + sText.size();
  if (first != last && *first == '+') ++first;
  const auto r = std::from_chars(first, last, v);
  if (sText.empty() || r.ec != std::errc() || r.ptr != last ||
      v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    Bad(sName, std::string(sWhat) + " must be a whole number, not '" + sText + "'");
  }
  return static_cast<int32_t>(v);
}

float ParseFloat(const std::string& sName, const std::string& sText, const char* sWhat) {
  size_t lUsed = 0;
  float v = 0;
  try {
    v = std::stof(sText, &lUsed);
  } catch (const std::exception&) {
    lUsed = 0;
  }
  if (sText.empty() || lUsed != sText.size() || !std::isfinite(v)) {
    Bad(sName, std::string(sWhat) + " must be a number, not '" + sText + "'");
  }
  return v;
}

std::vector<std::string> Split(const std::string& s, char c) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t p = s.find(c, start);
    out.push_back(s.substr(start, p - start));
    if (p == std::string::npos) return out;
    start = p + 1;
  }
}

// An entry without its binding yet.
cOperation Op(std::string sName, std::string sArgHint, bool bArgOptional, std::string sSummary) {
  cOperation op;
  op.sName = std::move(sName);
  op.sArgHint = std::move(sArgHint);
  op.bArgOptional = bArgOptional;
  op.sSummary = std::move(sSummary);
  return op;
}

cOperation NoArg(std::string sName, std::string sSummary, cOperationStep step) {
  cOperation op = Op(sName, "", false, std::move(sSummary));
  op.Bind = [sName, step](const std::string& sArg, IOperationContext&) {
    if (!sArg.empty()) Bad(sName, "takes no argument");
    return step;
  };
  return op;
}

cOperation Filter(std::string sName, std::string sSummary, int32_t eType) {
  return NoArg(std::move(sName), std::move(sSummary),
               [eType](cImageDocumentCore& d) { d.ProcessImage(eType); });
}

// The combinations with FILE; the current picture is source 1.
cOperationStep CombineStep(std::unique_ptr<cDIBSection> cOther, int32_t eType, int32_t lM1,
                           int32_t lO1, int32_t lM2, int32_t lO2) {
  std::shared_ptr<cDIBSection> other(std::move(cOther));
  return [=](cImageDocumentCore& d) { d.CombineWith(*other, eType, lM1, lO1, lM2, lO2); };
}

std::vector<cOperation> BuildTable() {
  std::vector<cOperation> t;
  t.push_back(Filter("blur", "Blur: 3 x 3 mean (ProcessImage 1)", eBlur));
  t.push_back(Filter("blur-more", "Blur More: 5 x 5 mean (ProcessImage 2)", eBlurMore));
  t.push_back(Filter("soften", "Soften: 3 x 3 pyramid (ProcessImage 3)", eSoften));
  t.push_back(Filter("soften-more", "Soften More: 5 x 5 pyramid (ProcessImage 4)", eSoftenMore));
  t.push_back(Filter("sharpen", "Sharpen (ProcessImage 5)", eSharpen));
  t.push_back(Filter("sharpen-more", "Sharpen More (ProcessImage 6)", eSharpenMore));
  t.push_back(Filter("unsharp", "Unsharp mask (ProcessImage 7)", eUnsharp));
  t.push_back(Filter("emboss", "Emboss (ProcessImage 8)", eEmboss));
  t.push_back(Filter("median-rank", "Median Rank: 3 x 3 mean (ProcessImage 9)", eMedianRank));
  t.push_back(
      Filter("minimum-rank", "Minimum Rank: 3 x 3 minimum (ProcessImage 10)", eMinimumRank));
  t.push_back(
      Filter("maximum-rank", "Maximum Rank: 3 x 3 maximum (ProcessImage 11)", eMaximumRank));

  {
    cOperation op =
        Op("custom", "N:W:v1,v2,...", false,
           "custom N x N kernel (N = 3, 5, 7 or 9) with weight W, values row by row from "
           "the top row");
    op.Bind = [](const std::string& sArg, IOperationContext&) -> cOperationStep {
      const auto parts = Split(sArg, ':');
      if (parts.size() != 3) Bad("custom", "expected custom=N:W:v1,v2,...");
      const int32_t n = ParseInt("custom", parts[0], "the size N");
      if (n != 3 && n != 5 && n != 7 && n != 9) Bad("custom", "the size N must be 3, 5, 7 or 9");
      const int32_t w = ParseInt("custom", parts[1], "the weight W");
      const auto values = Split(parts[2], ',');
      if (static_cast<int32_t>(values.size()) != n * n) {
        Bad("custom",
            "expected " + std::to_string(n * n) + " values, got " + std::to_string(values.size()));
      }
      auto kernel = std::make_shared<cImageProcessDIB>();
      kernel->FilterType(eCustom);
      kernel->FilterWeight(w);
      kernel->FilterArraySize(n);
      const int32_t h = n / 2;
      size_t k = 0;
      // Rows as the kernel tables print them: j = +h first, within a row i = -h .. +h.
      for (int32_t j = h; j >= -h; --j) {
        for (int32_t i = -h; i <= h; ++i) {
          kernel->FilterValue(i, j, ParseInt("custom", values[k++], "a kernel value"));
        }
      }
      return [kernel](cImageDocumentCore& d) {
        d.LoadCustomFilter(*kernel);
        d.ProcessImage(eCustom);
      };
    };
    op.sProbeArg = "3:1:0,0,0,0,1,0,0,0,0";
    t.push_back(std::move(op));
  }

  t.push_back(NoArg("darken", "Darken: Fade 240", [](cImageDocumentCore& d) { d.Fade(); }));
  t.push_back(NoArg("lighten", "Lighten: Lighten 20", [](cImageDocumentCore& d) { d.Lighten(); }));
  // "fade=N" and "lighten=N" share names with the menu commands; an argument selects the amount.
  for (auto& op : t) {
    if (op.sName != "lighten") continue;
    op.sArgHint = "N";
    op.bArgOptional = true;
    op.sSummary = "Lighten: HLS lightness times 1 + N / 100 (N = 20 without argument)";
    op.Bind = [](const std::string& sArg, IOperationContext&) -> cOperationStep {
      if (sArg.empty()) return [](cImageDocumentCore& d) { d.Lighten(); };
      const int32_t n = ParseInt("lighten", sArg, "the amount N");
      return [n](cImageDocumentCore& d) { d.Engine().Lighten(d.Picture(), n); };
    };
  }
  {
    cOperation op = Op("fade", "N", false, "Fade: every channel times N / 255");
    op.Bind = [](const std::string& sArg, IOperationContext&) -> cOperationStep {
      const int32_t n = ParseInt("fade", sArg, "the amount N");
      return [n](cImageDocumentCore& d) { d.Engine().Fade(d.Picture(), n); };
    };
    op.sProbeArg = "240";
    t.push_back(std::move(op));
  }
  t.push_back(NoArg("negative", "Negative: 255 - c in every channel",
                    [](cImageDocumentCore& d) { d.NegativeImage(); }));
  t.push_back(NoArg("gray-scale", "Gray Scale", [](cImageDocumentCore& d) { d.GrayScale(); }));
  t.push_back(NoArg("bw", "B/W: black and white by error diffusion",
                    [](cImageDocumentCore& d) { d.BlackAndWhite(); }));
  {
    cOperation op = Op("colourise", "H", false, "Colourise with hue H (sextants), saturation 0.5");
    op.Bind = [](const std::string& sArg, IOperationContext&) -> cOperationStep {
      const float h = ParseFloat("colourise", sArg, "the hue H");
      return [h](cImageDocumentCore& d) { d.Colourise(h); };
    };
    op.sProbeArg = "1";
    t.push_back(std::move(op));
  }
  {
    cOperation op = Op("noise", "P[,random]", false,
                       "Add noise of amplitude P per cent; with ,random only some pixels");
    op.Bind = [](const std::string& sArg, IOperationContext&) -> cOperationStep {
      const auto parts = Split(sArg, ',');
      if (parts.size() > 2 || (parts.size() == 2 && parts[1] != "random")) {
        Bad("noise", "expected noise=P or noise=P,random");
      }
      const int32_t p = ParseInt("noise", parts[0], "the percentage P");
      const bool bRandom = parts.size() == 2;
      return [p, bRandom](cImageDocumentCore& d) { d.AddNoise(bRandom, p); };
    };
    op.sProbeArg = "10";
    t.push_back(std::move(op));
  }
  {
    cOperation op = Op("palette", "FILE", false, "Reduce to the colours of a palette file");
    op.Bind = [](const std::string& sArg, IOperationContext&) -> cOperationStep {
      if (sArg.empty()) Bad("palette", "expected palette=FILE");
      return [sArg](cImageDocumentCore& d) {
        cPalette palette;
        palette.LoadFromFile(sArg);
        // A file of LF lines is one long line and yields nothing: say so rather than change
        // nothing in silence.
        if (palette.Count() == 0) {
          throw cError(kErrPaletteEmpty, ErrorSource(".cPalette"),
                       "The palette '" + sArg +
                           "' has no entries: an entry is a line of three numbers (red green "
                           "blue), and lines must end in CR LF.");
        }
        d.ApplyPalette(palette);
      };
    };
    op.sProbeFileText = "0 0 0\r\n255 255 255\r\n";
    t.push_back(std::move(op));
  }
  {
    cOperation op = Op("resample", "WxH", false, "Resample to W x H pixels (bilinear)");
    op.Bind = [](const std::string& sArg, IOperationContext&) -> cOperationStep {
      const size_t x = sArg.find('x');
      if (x == std::string::npos) Bad("resample", "expected resample=WxH");
      const int32_t w = ParseInt("resample", sArg.substr(0, x), "the width W");
      const int32_t h = ParseInt("resample", sArg.substr(x + 1), "the height H");
      if (w < 1 || h < 1) Bad("resample", "the width and height must be positive");
      return [w, h](cImageDocumentCore& d) { d.Resample(w, h); };
    };
    op.sProbeArg = "3x2";
    t.push_back(std::move(op));
  }
  {
    cOperation op =
        Op("add", "FILE:M1:O1:M2:O2", false, "Add Images: (current + O1) x M1 + (FILE + O2) x M2");
    op.Bind = [](const std::string& sArg, IOperationContext& ctx) -> cOperationStep {
      // The numbers are the last four fields, so the file name may itself hold colons.
      auto parts = Split(sArg, ':');
      if (parts.size() < 5) Bad("add", "expected add=FILE:M1:O1:M2:O2");
      const size_t n = parts.size();
      const int32_t m1 = ParseInt("add", parts[n - 4], "M1");
      const int32_t o1 = ParseInt("add", parts[n - 3], "O1");
      const int32_t m2 = ParseInt("add", parts[n - 2], "M2");
      const int32_t o2 = ParseInt("add", parts[n - 1], "O2");
      std::string sFile = parts[0];
      for (size_t i = 1; i + 4 < n; ++i)
        sFile += ":" + parts[i];
      if (sFile.empty()) Bad("add", "expected add=FILE:M1:O1:M2:O2");
      return CombineStep(ctx.LoadImageFile(sFile), 1, m1, o1, m2, o2);
    };
    op.sProbeArg = "probe.bmp:1:0:1:0";
    t.push_back(std::move(op));
  }
  for (const auto& [sName, eType, sSummary] :
       {std::tuple<const char*, int32_t, const char*>{"darkest", 2,
                                                      "Darkest: keep the darker pixel"},
        {"lightest", 3, "Lightest: keep the lighter pixel"}}) {
    cOperation op = Op(sName, "FILE", false, sSummary);
    op.Bind = [name = std::string(sName), type = eType](const std::string& sArg,
                                                        IOperationContext& ctx) {
      if (sArg.empty()) Bad(name, "expected " + name + "=FILE");
      return CombineStep(ctx.LoadImageFile(sArg), type, 1, 0, 1, 0);
    };
    op.sProbeArg = "probe.bmp";
    t.push_back(std::move(op));
  }
  return t;
}

}  // namespace

const std::vector<cOperation>& Operations() {
  static const std::vector<cOperation> table = BuildTable();
  return table;
}

const cOperation* FindOperation(const std::string& sName) {
  for (const auto& op : Operations()) {
    if (op.sName == sName) return &op;
  }
  return nullptr;
}

cOperationStep ParseOperation(const std::string& sText, IOperationContext& ctx) {
  const size_t eq = sText.find('=');
  const std::string sName = sText.substr(0, eq);
  const std::string sArg = eq == std::string::npos ? "" : sText.substr(eq + 1);
  const cOperation* op = FindOperation(sName);
  if (op == nullptr) throw cUsageError(sName + ": unknown operation");
  if (eq != std::string::npos && sArg.empty()) Bad(sName, "the argument after '=' is empty");
  if (!op->sArgHint.empty() && !op->bArgOptional && sArg.empty()) {
    Bad(sName, "expected " + sName + "=" + op->sArgHint);
  }
  return op->Bind(sArg, ctx);
}

namespace {

// A 4 x 3 picture with a different colour in every pixel.
std::unique_ptr<cDIBSection> ProbePicture() {
  auto picture = std::make_unique<cDIBSection>();
  if (!picture->Create(4, 3)) RaiseOutOfMemory(".frmImage", "");
  uint8_t* p = picture->DIBSectionBitsPtr();
  for (int64_t i = 0; i < picture->BytesPerScanLine() * picture->Height(); ++i)
    p[i] = static_cast<uint8_t>(37 * i + 11);
  return picture;
}

// A scratch file holding sText, removed when this goes.
class cScratchFile {
 public:
  explicit cScratchFile(const std::string& sText) {
    std::error_code ec;
    std::string sTemplate =
        (std::filesystem::temp_directory_path(ec) / "brennic-probe-XXXXXX").string();
    const int fd = mkstemp(sTemplate.data());
    if (fd < 0) throw std::runtime_error("cannot create a scratch file");
    m_sPath = sTemplate;
    const bool bWritten =
        write(fd, sText.data(), sText.size()) == static_cast<ssize_t>(sText.size());
    close(fd);
    if (!bWritten) throw std::runtime_error("cannot write a scratch file");
  }
  ~cScratchFile() {
    if (!m_sPath.empty()) std::remove(m_sPath.c_str());
  }
  cScratchFile(const cScratchFile&) = delete;
  cScratchFile& operator=(const cScratchFile&) = delete;
  const std::string& Path() const { return m_sPath; }

 private:
  std::string m_sPath;
};

}  // namespace

std::unique_ptr<cDIBSection> cProbeContext::LoadImageFile(const std::string&) {
  return ProbePicture();
}

std::string ProbeOperation(const cOperation& op) {
  const uint64_t lPosition = RandomPosition();
  std::string sWhy;
  try {
    std::unique_ptr<cScratchFile> scratch;
    std::string sArg = op.sProbeArg;
    if (!op.sProbeFileText.empty()) {
      scratch = std::make_unique<cScratchFile>(op.sProbeFileText);
      sArg = scratch->Path();
    }
    cProbeContext ctx;
    const cOperationStep step = op.Bind(sArg, ctx);
    cImageDocumentCore doc;
    doc.LoadImage(*ProbePicture());
    step(doc);
  } catch (const cError& e) {
    sWhy = e.Description();
  } catch (const std::exception& e) {
    sWhy = e.what();
  }
  // Positions count modulo 2^64, so this moves the sequence back to where it was.
  AdvanceRandom(lPosition - RandomPosition());
  return sWhy;
}

}  // namespace brennic
