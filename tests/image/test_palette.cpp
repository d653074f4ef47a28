// Palettes: the text format, the nearest colour, and reduction against the reference.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>

#include "image/cError.h"
#include "image/cImageProcessDIB.h"
#include "image/cPalette.h"
#include "image/reference/ReferenceColour.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

class PaletteFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir =
        std::filesystem::temp_directory_path() /
        ("brennic-palette-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  std::string Write(const std::string& sText) {
    const auto path = m_dir / ("p" + std::to_string(m_lFiles++) + ".pal");
    std::ofstream(path, std::ios::binary) << sText;
    return path.string();
  }
  // Loads sText; the palette's colours as (r, g, b) rows.
  std::vector<std::vector<int>> Load(const std::string& sText) {
    cPalette pal;
    EXPECT_TRUE(pal.LoadFromFile(Write(sText)));
    std::vector<std::vector<int>> out;
    for (int32_t i = 1; i <= pal.Count(); ++i)
      out.push_back({pal.Red(i), pal.Green(i), pal.Blue(i)});
    return out;
  }
  // The error a load of sPath raises; the palette it leaves behind must be empty.
  cError LoadFrom(const std::string& sPath) {
    cPalette pal;
    pal.LoadFromFile(Write("1 2 3\r\n"));
    try {
      pal.LoadFromFile(sPath);
    } catch (const cError& e) {
      EXPECT_EQ(pal.Count(), 0);
      return e;
    }
    ADD_FAILURE() << "no error for " << sPath;
    return cError(0, "", "");
  }
  cError LoadError(const std::string& sText) { return LoadFrom(Write(sText)); }

  std::filesystem::path m_dir;
  int m_lFiles = 0;
};

using Rows = std::vector<std::vector<int>>;

// Only lines of three fields cut by single spaces and ended by CR LF are entries; fields are
// numbers rounded half to even.
TEST_F(PaletteFiles, LinesAndFields) {
  const std::pair<std::string, Rows> cases[] = {
      {"3\r\n255 0 0\r\n0 255 0\r\n0 0 255", {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}},
      {"JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n\r\n4 5 6\r\n", {{1, 2, 3}, {4, 5, 6}}},
      {"1 2 3 4\r\n5 6\r\n", {}},
      {"", {}},
      {"255 0 0\n0 255 0\n0 0 255\n", {}},  // LF alone: one line of seven pieces
      {"255 0 0\r0 255 0\r", {}},
      {"255 0 0 \r\n", {}},  // trailing space: four pieces
      {"255  0 0\r\n", {}},  // doubled space: four pieces
      {" 255 0 0\r\n0 255 0", {{0, 255, 0}}},
      {"12.5 12.6 13.5\r\n", {{12, 13, 14}}},
      {"+7 -0 .5\r\n", {{7, 0, 0}}},
      {"254.5 0.49999 12.\r\n", {{254, 0, 12}}},
      {"12.5000001 -0.5 007\r\n", {{13, 0, 7}}},
      {"255 255.4 0\r\n", {{255, 255, 0}}},
  };
  for (const auto& [sText, rows] : cases)
    EXPECT_EQ(Load(sText), rows) << sText;
  // A single entry line ending in LF keeps three pieces, the last not a number; so do three
  // pieces of which one is empty.
  EXPECT_EQ(LoadError("255 0 0\n").Number(), 13);
  EXPECT_EQ(LoadError("255  0\r\n").Number(), 13);
}

TEST_F(PaletteFiles, BadFieldsFailTheWholeLoad) {
  for (const std::string sBad : {"1 2 256", "1 2 255.5", "1 -1 2", "1 2 -0.6", "1 2 99999999999"}) {
    const cError e = LoadError("0 0 0\r\n" + sBad + "\r\n");
    EXPECT_EQ(e.Number(), 6) << sBad;
    EXPECT_EQ(e.Source(), ExeBaseName() + ".cPalette");
    EXPECT_NE(e.Description().find("line 2"), std::string::npos) << e.Description();
  }
  for (const std::string sBad : {"1 2 x", "1 2 1e2", "1 2 0x10", "1 2 .", "1 2 +", "1 2 1.2.3",
                                 "1 2 \t3", "1 2 3\t", "one two three"}) {
    const cError e = LoadError(sBad);
    EXPECT_EQ(e.Number(), 13) << sBad;
    EXPECT_EQ(e.Source(), ExeBaseName() + ".cPalette");
  }
}

// What is missing is named; what no palette file can be is refused at once, named: a pipe would
// block, /dev/zero would read without end, and no palette is over a megabyte.
TEST_F(PaletteFiles, MissingFilesPipesDevicesAndHugeFilesAreRefused) {
  const std::string sFifo = (m_dir / "pipe.pal").string();
  ASSERT_EQ(mkfifo(sFifo.c_str(), 0600), 0);
  std::string sHuge;
  while (sHuge.size() <= cPalette::kMaxFileBytes)
    sHuge += "255 255 255\r\n";
  const struct {
    std::string sPath;
    int32_t lNumber;
    std::string sWhy;
  } cases[] = {
      {(m_dir / "no such file.pal").string(), 53, "no such file.pal"},
      {m_dir.string(), 75, m_dir.string() + " is a folder."},
      {sFifo, 75, sFifo + " is a named pipe (FIFO), not a palette file."},
      {"/dev/zero", 75, "/dev/zero is a device, not a palette file."},
      {Write(sHuge), 75, "is larger than any palette file can be (at most 1 MB)."},
  };
  for (const auto& c : cases) {
    const cError e = LoadFrom(c.sPath);
    EXPECT_EQ(e.Number(), c.lNumber) << c.sPath;
    EXPECT_EQ(e.Source(), ExeBaseName() + ".cPalette");
    EXPECT_NE(e.Description().find(c.sWhy), std::string::npos) << e.Description();
  }
  // The largest palette a file can hold, 256 entries, is far within the limit.
  EXPECT_EQ(Load(sHuge.substr(0, 256 * 13)).size(), 256u);
}

TEST_F(PaletteFiles, ClosestIndex) {
  cPalette bw;
  bw.LoadFromFile(Write("0 0 0\r\n255 255 255\r\n"));
  EXPECT_EQ(bw.ClosestIndex(128, 128, 128), 2);  // 384 against 381
  EXPECT_EQ(bw.ClosestIndex(127, 127, 127), 1);  // 381 against 384
  cPalette ties;
  ties.LoadFromFile(Write("10 0 0\r\n0 10 0\r\n0 0 0\r\n0 0 0\r\n"));
  EXPECT_EQ(ties.ClosestIndex(5, 5, 0), 1);  // equal distances: the lower index
  EXPECT_EQ(ties.ClosestIndex(0, 0, 0), 3);  // the first exact match
  // Components of entries outside the palette are zero.
  EXPECT_EQ(std::tuple(bw.Red(0), bw.Blue(3)), std::tuple(0, 0));
  EXPECT_EQ(cPalette().ClosestIndex(1, 2, 3), 0);
}

// --- Palette reduction --------------------------------------------------------------------------

TEST_F(PaletteFiles, ReductionDithersRightAndDownAndFallsBackToTheFirstEntry) {
  cPalette bw;
  bw.LoadFromFile(Write("0 0 0\r\n255 255 255\r\n"));
  // 100 is black with error 100: the next pixel gets 43 (143, white); the last column nothing.
  auto from = test::MakeImage(3, 1, {100, 100, 100});
  auto to = test::MakeImage(3, 1);
  cImageProcessDIB().ApplyPalette(*from, *to, bw);
  EXPECT_EQ(test::PixelBytes(*to), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 0, 0, 0}));
  EXPECT_EQ(test::Bytes(*from), test::Bytes(*to));
  // Black is 765 from the only entry, white: no index is closer, and the first entry is taken.
  cPalette white;
  white.LoadFromFile(Write("255 255 255\r\n"));
  from = test::MakeImage(1, 1, {0, 0, 0});
  cImageProcessDIB().ApplyPalette(*from, *test::MakeImage(1, 1), white);
  EXPECT_EQ(test::PixelAt(*from, 0, 0), (test::Bgr{255, 255, 255}));
}

// A palette file of lCount colours: random ones, with repeats, greys and the cube's corners.
std::string RandomPaletteText(int32_t lCount, std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 9);
  std::string s = "JASC-PAL\r\n" + std::to_string(lCount) + "\r\n";
  std::vector<std::array<int, 3>> entries;
  for (int32_t i = 0; i < lCount; ++i) {
    const int k = kind(rng), v = byte(rng);
    std::array<int, 3> e{byte(rng), byte(rng), byte(rng)};
    if (k == 0 && !entries.empty()) e = entries[static_cast<size_t>(v) % entries.size()];
    if (k == 1) e = {v, v, v};
    if (k == 2) e = {255 * (e[0] & 1), 255 * (e[1] & 1), 255 * (e[2] & 1)};
    entries.push_back(e);
    s += std::to_string(e[0]) + " " + std::to_string(e[1]) + " " + std::to_string(e[2]) + "\r\n";
  }
  return s;
}

TEST_F(PaletteFiles, ReductionMatchesReference) {
  std::mt19937 rng(12);
  for (int32_t lCount : {0, 1, 2, 3, 16, 32, 40, 100, 256, 300}) {  // none: unchanged in both
    SCOPED_TRACE(lCount);
    cPalette pal;
    pal.LoadFromFile(Write(RandomPaletteText(lCount, rng)));
    ASSERT_EQ(pal.Count(), lCount);
    test::ExpectSameAsReference(
        [&](cImageProcessDIB& e, cDIBSection& a, cDIBSection& b) {
          test::ExpectColumnEvents(e, a.Width(), 1, [&] { e.ApplyPalette(a, b, pal); });
        },
        [&](cDIBSection& a, cDIBSection& b) { reference::ApplyPalette(a, b, pal); },
        static_cast<uint32_t>(lCount), 6);
  }
}

TEST_F(PaletteFiles, HugePalettesMatchReferenceToo) {
  std::mt19937 rng(13);
  cPalette pal;
  pal.LoadFromFile(Write(RandomPaletteText(70000, rng)));
  ASSERT_EQ(pal.Count(), 70000);
  auto a = test::MakeRandomImage(3, 2, rng), b = test::MakeImage(3, 2);
  auto ra = test::Clone(*a), rb = test::Clone(*b);
  cImageProcessDIB().ApplyPalette(*a, *b, pal);
  reference::ApplyPalette(*ra, *rb, pal);
  EXPECT_EQ(test::Bytes(*a), test::Bytes(*ra));
  EXPECT_EQ(test::Bytes(*b), test::Bytes(*rb));
}

}  // namespace
}  // namespace brennic
