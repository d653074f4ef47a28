#include "support/ImageTestUtil.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace brennic::test {

namespace {
void FillPadding(cDIBSection& img) {
  const int64_t lStride = img.BytesPerScanLine();
  const int64_t lUsed = 3 * int64_t{img.Width()};
  for (int32_t y = 0; y < img.Height(); ++y) {
    for (int64_t i = lUsed; i < lStride; ++i)
      img.DIBSectionBitsPtr()[y * lStride + i] = 0xA5;
  }
}
}  // namespace

std::unique_ptr<cDIBSection> MakeImage(int32_t lWidth, int32_t lHeight, Bgr fill) {
  auto img = std::make_unique<cDIBSection>();
  if (!img->Create(lWidth, lHeight)) throw std::runtime_error("MakeImage: Create failed");
  for (int32_t y = 0; y < lHeight; ++y) {
    for (int32_t c = 0; c < lWidth; ++c)
      SetPixel(*img, c, y, fill);
  }
  FillPadding(*img);
  return img;
}

std::unique_ptr<cDIBSection> MakeImageFromRows(const std::vector<std::vector<Bgr>>& rows) {
  const auto lHeight = static_cast<int32_t>(rows.size());
  const auto lWidth = static_cast<int32_t>(rows.at(0).size());
  auto img = MakeImage(lWidth, lHeight);
  for (int32_t r = 0; r < lHeight; ++r) {
    for (int32_t c = 0; c < lWidth; ++c)
      SetPixel(*img, c, lHeight - 1 - r, rows[r].at(c));
  }
  return img;
}

std::unique_ptr<cDIBSection> MakeRandomImage(int32_t lWidth, int32_t lHeight, std::mt19937& rng) {
  auto img = MakeImage(lWidth, lHeight);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int32_t y = 0; y < lHeight; ++y) {
    for (int32_t c = 0; c < lWidth; ++c) {
      SetPixel(*img, c, y,
               {static_cast<uint8_t>(byte(rng)), static_cast<uint8_t>(byte(rng)),
                static_cast<uint8_t>(byte(rng))});
    }
  }
  return img;
}

Bgr PixelAt(const cDIBSection& img, int32_t c, int32_t y) {
  const uint8_t* p = img.DIBSectionBitsPtr() + y * img.BytesPerScanLine() + 3 * c;
  return {p[0], p[1], p[2]};
}

void SetPixel(cDIBSection& img, int32_t c, int32_t y, Bgr v) {
  uint8_t* p = img.DIBSectionBitsPtr() + y * img.BytesPerScanLine() + 3 * c;
  p[0] = v.b;
  p[1] = v.g;
  p[2] = v.r;
}

std::vector<uint8_t> Bytes(const cDIBSection& img) {
  const uint8_t* p = img.DIBSectionBitsPtr();
  if (p == nullptr) return {};
  return std::vector<uint8_t>(p, p + img.BytesPerScanLine() * img.Height());
}

std::vector<uint8_t> PixelBytes(const cDIBSection& img) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < img.Height(); ++y) {
    const uint8_t* p = img.DIBSectionBitsPtr() + y * img.BytesPerScanLine();
    out.insert(out.end(), p, p + 3 * int64_t{img.Width()});
  }
  return out;
}

std::unique_ptr<cDIBSection> Clone(const cDIBSection& img) {
  auto copy = std::make_unique<cDIBSection>();
  if (!copy->Create(img.Width(), img.Height())) throw std::runtime_error("Clone: Create failed");
  std::memcpy(copy->DIBSectionBitsPtr(), img.DIBSectionBitsPtr(),
              static_cast<size_t>(img.BytesPerScanLine() * img.Height()));
  return copy;
}

std::vector<std::string> ExpectedColumnEvents(int32_t lMax, int32_t xFirst, int32_t xLast) {
  // Appending the number to a letter, not a letter before a temporary: GCC 12 at -O3 warns
  // falsely (-Wrestrict) about "I" + std::to_string(...).
  const auto event = [](char cKind, int32_t lValue) {
    std::string s(1, cKind);
    s += std::to_string(lValue);
    return s;
  };
  std::vector<std::string> out{event('I', lMax)};
  for (int32_t x = xFirst; x <= xLast; x += 3)
    out.push_back(event('P', x));
  out.push_back("C");
  return out;
}

std::vector<std::pair<int32_t, int32_t>> RandomSizes(uint32_t lSeed, int lCount) {
  std::mt19937 rng(lSeed);
  std::uniform_int_distribution<int32_t> w(1, 67), h(1, 45);
  std::vector<std::pair<int32_t, int32_t>> sizes{{1, 1}, {16, 1}, {1, 17}, {17, 3}};
  for (int i = 0; i < lCount; ++i)
    sizes.emplace_back(w(rng), h(rng));
  sizes.emplace_back(333, 70);
  sizes.emplace_back(1030, 41);
  return sizes;
}

std::string Difference(const cDIBSection& a, const cDIBSection& b) {
  const auto x = Bytes(a), y = Bytes(b);
  if (x.size() != y.size()) return "the size";
  const auto lAt = std::mismatch(x.begin(), x.end(), y.begin()).first - x.begin();
  if (lAt == static_cast<int64_t>(x.size())) return "";
  const int64_t lStride = a.BytesPerScanLine();
  return "row " + std::to_string(lAt / lStride) + ", byte " + std::to_string(lAt % lStride);
}

std::optional<std::filesystem::path> SharedTestData() {
  std::filesystem::path base;
  if (const char* s = std::getenv("BRENNIC_SHARED")) base = s;
  const auto dir = base / "testdata";
  std::error_code ec;
  if (!base.empty() && std::filesystem::is_directory(dir, ec)) return dir;
  return std::nullopt;
}

}  // namespace brennic::test
