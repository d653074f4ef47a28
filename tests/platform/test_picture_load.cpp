// Loading pictures: every kind to the same 24-bit pixels; damaged and hostile files refused.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QImage>
#include <QImageReader>

#include <chrono>

#include "PictureTestUtil.h"
#include "platform/PictureDecode.h"

namespace brennic {
namespace {

using test::Bgr;
using test::cBytes;
using test::cGifFrame;
using test::Shown;
using Rows = std::vector<std::vector<Bgr>>;  // display rows, top first

constexpr Bgr kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255},
    kBlack{0, 0, 0}, kOdd{30, 20, 10};

// The 3 x 2 picture the bitmap tests describe in several ways: top row red, green, blue; bottom
// row white, black, (r 10, g 20, b 30).
const Rows kReference = {{kRed, kGreen, kBlue}, {kWhite, kBlack, kOdd}};

QByteArray Rgb24Rows(bool bTopDown) {
  cBytes top, bottom;
  top.Raw({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0});
  bottom.Raw({255, 255, 255, 0, 0, 0, 30, 20, 10, 0, 0, 0});
  return bTopDown ? top.Bytes() + bottom.Bytes() : bottom.Bytes() + top.Bytes();
}

// The straight read into the buffer: rows after a gap, padded with bytes that are not zero, give
// the same buffer with the padding cleared, from memory and from a file (the loaders compare the
// straight load with the decoder's); and more top-down rows than one scattered read takes.
TEST(LoadBitmap, StraightReadsSkipGapsClearPaddingAndTakeTallFiles) {
  const auto bottomUp = test::LoadBytesAsImage(test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)));
  test::cScratch dir;
  for (const bool bTopDown : {false, true}) {
    QByteArray rows = Rgb24Rows(bTopDown);
    rows[9] = rows[10] = rows[11] = rows[21] = rows[22] = rows[23] = '\x55';
    QByteArray file = test::BmpFile(3, bTopDown ? -2 : 2, 24, {}, QByteArray(6, '\x77') + rows);
    file[10] = 54 + 6;  // where the rows start
    EXPECT_EQ(test::Bytes(*test::LoadBytesAsImage(file)), test::Bytes(*bottomUp));
    EXPECT_EQ(test::Bytes(*test::LoadAsImage(dir.Write("gap.bmp", file))), test::Bytes(*bottomUp));
  }
  QByteArray tall;
  for (int y = 0; y < 2500; ++y)
    tall += QByteArray::number(y % 1000).leftJustified(4, ' ');
  const auto img = test::LoadAsImage(dir.Write("tall.bmp", test::BmpFile(1, -2500, 24, {}, tall)));
  EXPECT_EQ(Shown(*img, 0, 1234), (Bgr{'2', '3', '4'}));
}

QByteArray Raw(std::initializer_list<int> bytes) {
  return cBytes().Raw(bytes).Bytes();
}

void ExpectShows(const cDIBSection& img, const Rows& rows) {
  const auto expected = test::MakeImageFromRows(rows);
  ASSERT_EQ(img.Width(), expected->Width());
  ASSERT_EQ(img.Height(), expected->Height());
  EXPECT_EQ(test::PixelBytes(img), test::PixelBytes(*expected));
}

// Keeps only the first lEntries (a power of 2) of the global colour table, so that the image data
// (encoded for the larger table) holds indices past the table's end.
QByteArray ShrinkGlobalTable(QByteArray gif, int lEntries) {
  const int lOld = 2 << (gif[10] & 7);
  int n = 0;
  while ((2 << n) < lEntries)
    ++n;
  gif[10] = static_cast<char>((gif[10] & ~7) | n);
  gif.remove(13 + 3 * lEntries, 3 * (lOld - lEntries));
  return gif;
}

const std::vector<GifColorType> kGifColours = {{0, 0, 0},   {255, 0, 0},     {0, 255, 0},
                                               {0, 0, 255}, {255, 255, 255}, {10, 20, 30}};
const Bgr kGifBgr[] = {kBlack, kRed, kGreen, kBlue, kWhite, kOdd};

// An icon file of 32-bit 2 x 1 images, one per entry (B, G, R, A per pixel), with empty AND
// masks.
QByteArray IconFile(const std::vector<std::vector<uint32_t>>& entries) {
  std::vector<QByteArray> dibs;
  for (const auto& bgra : entries) {
    cBytes dib;
    test::InfoHeader(dib, 2, 2, 32);  // the height counts the AND mask too
    for (uint32_t v : bgra)
      dib.U32(v);
    dib.Zeros(4);  // AND mask: one row of 1 bit per pixel, padded to 4 bytes
    dibs.push_back(dib.Bytes());
  }
  cBytes file;
  file.U16(0).U16(1).U16(static_cast<uint32_t>(dibs.size()));
  uint32_t lOffset = 6 + 16 * static_cast<uint32_t>(dibs.size());
  for (const QByteArray& dib : dibs) {
    file.U8(2).U8(1).U8(0).U8(0).U16(1).U16(32).U32(static_cast<uint32_t>(dib.size()));
    file.U32(lOffset);
    lOffset += static_cast<uint32_t>(dib.size());
  }
  for (const QByteArray& dib : dibs)
    file.Append(dib);
  return file.Bytes();
}

// Every file decodes to the given display rows, the same way each time.
TEST(LoadPicture, EveryKindDecodesToTheSamePixels) {
  // Palette entries as 0xRRGGBB: 0 red, 1 green, 2 blue, 3 white, 4 black, 5 the odd colour.
  const std::vector<uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF,
                                         0xFFFFFF, 0x000000, 0x0A141E};
  // A 2 x 4 bitmap cut after its bottom two rows: the missing rows are black.
  QByteArray cut = test::BmpFile(
      2, 4, 24, {},
      Raw({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}) + QByteArray(16, '\x55'));
  cut.chop(16);
  // 11 rows of three GIF colours, plain and interlaced.
  cGifFrame tall{0, 0, 3, 11, false, -1, {}};
  Rows tallRows;
  for (int32_t y = 0; y < 11; ++y) {
    tall.rows.push_back({static_cast<uint8_t>(y % 6), static_cast<uint8_t>((y + 1) % 6), 5});
    tallRows.push_back({kGifBgr[y % 6], kGifBgr[(y + 1) % 6], kOdd});
  }
  cGifFrame tallInterlaced = tall;
  tallInterlaced.bInterlace = true;
  std::vector<GifColorType> sixteen = kGifColours;
  sixteen.resize(16, GifColorType{255, 255, 255});
  const struct {
    const char* sWhat;
    QByteArray file;
    Rows shown;
  } cases[] = {
      {"24 bits, bottom-up", test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)), kReference},
      {"24 bits, top-down", test::BmpFile(3, -2, 24, {}, Rgb24Rows(true)), kReference},
      {"no file header", test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)).mid(14), kReference},
      // Bottom row first, each row padded to 4 bytes.
      {"8 bits", test::BmpFile(3, 2, 8, palette, Raw({3, 4, 5, 0, 0, 1, 2, 0})), kReference},
      {"4 bits", test::BmpFile(3, 2, 4, palette, Raw({0x34, 0x50, 0, 0, 0x01, 0x20, 0, 0})),
       kReference},
      // Bottom row 1 0 1, top row 0 1 0, high bit first.
      {"1 bit",
       test::BmpFile(3, 2, 1, {0xFF0000, 0xFFFFFF}, Raw({0xA0, 0, 0, 0, 0x40, 0, 0, 0})),
       {{kRed, kWhite, kRed}, {kWhite, kRed, kWhite}}},
      // Full and empty 5-bit channels; a channel widens by a shift, as the Windows drawing layer
      // does it: 31 becomes 248.
      {"16 bits",
       test::BmpFile(4, 1, 16, {},
                     cBytes().U16(0x7C00).U16(0x03E0).U16(0x001F).U16(0x7FFF).Bytes()),
       {{{0, 0, 248}, {0, 248, 0}, {248, 0, 0}, {248, 248, 248}}}},
      {"32 bits ignore the fourth byte",
       test::BmpFile(3, 2, 32, {}, Raw({255, 255, 255, 0x80, 0, 0,   0, 0x11, 30,  20, 10, 0xFF,
                                        0,   0,   255, 0,    0, 255, 0, 0x7F, 255, 0,  0,  0x01})),
       kReference},
      {"indices past a short palette are black",
       test::BmpFile(3, 1, 8, {0xFFFFFF, 0xFF0000}, Raw({1, 7, 0, 0})),
       {{kRed, kBlack, kWhite}}},
      {"a cut file",
       cut,
       {{kBlack, kBlack}, {kBlack, kBlack}, {{7, 8, 9}, {10, 11, 12}}, {{1, 2, 3}, {4, 5, 6}}}},
      // Two pixels of colour 1, end of line, then end of bitmap: what the stream skips takes
      // palette colour 0.
      {"RLE8",
       test::BmpFile(4, 2, 8, {0x00FF00, 0xFF0000}, Raw({2, 1, 0, 0, 0, 1}), 1),
       {{kGreen, kGreen, kGreen, kGreen}, {kRed, kRed, kGreen, kGreen}}},
      // The first frame on a black screen; index 4 (white) is transparent and shows black.
      {"GIF, first frame only",
       test::GifFile(4, 3, kGifColours,
                     {{1, 1, 2, 2, false, 4, {{1, 4}, {2, 5}}},
                      {0, 0, 4, 3, false, -1, {{4, 4, 4, 4}, {4, 4, 4, 4}, {4, 4, 4, 4}}}}),
       {{kBlack, kBlack, kBlack, kBlack},
        {kBlack, kRed, kBlack, kBlack},
        {kBlack, kGreen, kOdd, kBlack}}},
      {"GIF, plain", test::GifFile(3, 11, kGifColours, {tall}), tallRows},
      {"GIF, interlaced", test::GifFile(3, 11, kGifColours, {tallInterlaced}), tallRows},
      // A 3 x 2 frame at (2, 1) on a 4 x 2 screen; index 9 is past the 8-entry table.
      {"GIF, frame parts outside the screen and past the palette",
       ShrinkGlobalTable(
           test::GifFile(4, 2, sixteen, {{2, 1, 3, 2, false, -1, {{1, 9, 2}, {3, 3, 3}}}}), 8),
       {{kBlack, kBlack, kBlack, kBlack}, {kBlack, kBlack, kRed, kBlack}}},
      {"GIF, a screen of no size takes the frame's extent",
       test::GifFile(0, 0, kGifColours, {{1, 0, 2, 1, false, -1, {{1, 2}}}}),
       {{kBlack, kRed, kGreen}}},
      // Opaque (b 10, g 20, r 30) and half-transparent (b 255, g 100, r 0, alpha 128) over
      // black: 255 * 128 / 255 = 128 and 100 * 128 / 255 = 50.2, rounded to nearest.
      {"icon alpha", IconFile({{0xFF1E140A, 0x800064FF}}), {{{10, 20, 30}, {128, 50, 0}}}},
      {"icon, the first image",
       IconFile({{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFFFFFFFF}}),
       {{kRed, kGreen}}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sWhat);
    const auto img = test::LoadBytesAsImage(c.file);
    ExpectShows(*img, c.shown);
    EXPECT_EQ(test::Bytes(*test::LoadBytesAsImage(c.file)), test::Bytes(*img)) << "repeatable";
  }
}

TEST(LoadPicture, TheContentDecidesNotTheName) {
  test::cScratch dir;
  const QByteArray bmp = test::BmpFile(3, 2, 24, {}, Rgb24Rows(false));
  // Qt alone takes a ".dib" name for a bitmap without file header and refuses this one.
  for (const char* sName : {"picture.dib", "picture.ico", "picture.gif", "picture"})
    ExpectShows(*test::LoadAsImage(dir.Write(sName, bmp)), kReference);
}

TEST(LoadGif, ACutFileKeepsTheRowsThatArrived) {
  // Many colours in a wide frame, so that the compressed rows span several data blocks.
  std::vector<GifColorType> colours;
  for (int i = 0; i < 256; ++i)
    colours.push_back({static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i),
                       static_cast<GifByteType>(i * 7)});
  cGifFrame frame{0, 0, 64, 64, false, -1, {}};
  uint32_t lState = 12345;
  for (int32_t y = 0; y < 64; ++y) {
    std::vector<uint8_t> row;
    for (int32_t x = 0; x < 64; ++x) {
      lState = lState * 1103515245 + 12345;
      row.push_back(static_cast<uint8_t>(lState >> 16));
    }
    frame.rows.push_back(row);
  }
  const QByteArray whole = test::GifFile(64, 64, colours, {frame});
  const auto full = test::LoadBytesAsImage(whole);
  const QByteArray cut = whole.left(whole.size() * 6 / 10);
  const auto part = test::LoadBytesAsImage(cut);
  EXPECT_EQ(test::Bytes(*test::LoadBytesAsImage(cut)), test::Bytes(*part)) << "repeatable";
  const auto row = [](const cDIBSection& img, int32_t y) {
    std::vector<Bgr> pixels;
    for (int32_t x = 0; x < 64; ++x)
      pixels.push_back(Shown(img, x, y));
    return pixels;
  };
  int32_t lKept = 0;
  while (lKept < 64 && row(*part, lKept) == row(*full, lKept))
    ++lKept;
  EXPECT_GT(lKept, 10);
  EXPECT_LT(lKept, 64);
  for (int32_t y = lKept; y < 64; ++y)
    ASSERT_EQ(row(*part, y), std::vector<Bgr>(64, kBlack)) << y;
}

TEST(PictureFromImage, AlphaEndsOverBlack) {
  QImage straight(2, 1, QImage::Format_ARGB32);
  straight.setPixel(0, 0, qRgba(255, 100, 0, 128));
  straight.setPixel(1, 0, qRgba(200, 200, 200, 0));
  cDIBSection dib;
  dib.CreateFromPicture(*PictureFromImage(straight));
  ExpectShows(dib, {{{0, 50, 128}, kBlack}});
}

// A bitmap file header and info header claiming w x h, and nothing else.
QByteArray ClaimOnly(int32_t w, int32_t h, int bits = 24, int compression = 0) {
  cBytes file;
  file.Text("BM").U32(54).U32(0).U32(54);
  test::InfoHeader(file, w, h, bits, compression);
  return file.Bytes();
}

TEST(LoadPicture, LeavesQtsAllocationLimitAsItWas) {
  const int lBefore = QImageReader::allocationLimit();
  test::LoadBytesAsImage(test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)));
  test::LoadBytesError(ClaimOnly(40000, 40000));
  EXPECT_EQ(QImageReader::allocationLimit(), lBefore);
}

// Refusals of bytes: damaged, unsupported, and huge claims refused at once, without allocating
// and filling the claimed buffers.
TEST(LoadRefusal, DamagedUnsupportedAndHugePictures) {
  const QByteArray gif =
      test::GifFile(2, 2, kGifColours, {{0, 0, 2, 2, false, -1, {{1, 2}, {3, 4}}}});
  // Header, screen, 8 colours, then the image descriptor: cut after its code size byte, so not
  // even the first row arrives.
  ASSERT_EQ(gif[6 + 7 + 24], ',');
  const std::string sDamaged = "The picture is damaged and cannot be read.";
  const std::string sShort = "The file is damaged: it is too short for a picture of ";
  const std::pair<QByteArray, std::string> cases[] = {
      {"BM", sDamaged},
      {ClaimOnly(0, 4), "The file is damaged: its picture is 0 x 4 pixels."},
      {test::BmpFile(4, 1, 2, {0, 0xFFFFFF, 0xFF, 0xFF00}, QByteArray(4, '\x1B')),
       "This kind of bitmap cannot be read (2 bits per pixel)."},
      {test::BmpFile(1, 1, 24, {}, QByteArray(64, '\xFF'), 4),
       "This kind of bitmap cannot be read (JPEG compression)."},
      {test::BmpFile(1, 1, 24, {}, QByteArray(4, '\0'), 9), sDamaged},
      {QByteArray(300, '\0'), "The file is not a picture this program can read."},
      {test::GifFile(2, 2, kGifColours, {}), "The file is damaged: it holds no picture."},
      {gif.left(6 + 7 + 24 + 10 + 1), sDamaged},
      {"GIF89a", sDamaged},
      {ClaimOnly(40000, 40000), "The picture is too large (40000 x 40000 pixels)."},
      // 24-bit rows of 26755 pixels take 80268 bytes: 26753 of them fit in 2^31 - 1, 26754 do
      // not.
      {ClaimOnly(26755, 26754), "The picture is too large (26755 x 26754 pixels)."},
      {ClaimOnly(0x7FFFFFFF, 1), "The picture is too large (2147483647 x 1 pixels)."},
      {ClaimOnly(1, INT32_MIN), "The picture is too large (1 x 2147483648 pixels)."},
      // Within the limit, but no file of 54 bytes holds 25 million pixels.
      {ClaimOnly(5000, 5000), sShort + "5000 x 5000 pixels."},
      {ClaimOnly(26755, 26753, 8, 1), sShort + "26755 x 26753 pixels."}};
  const auto tStart = std::chrono::steady_clock::now();
  for (const auto& [bytes, sWhy] : cases)
    EXPECT_EQ(test::LoadBytesError(bytes), sWhy) << bytes.left(40).toHex().toStdString();
  EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::seconds(2));
  EXPECT_TRUE(picture::FitsImageBuffer(26755, 26753));
  try {
    LoadPictureFromMemory(ClaimOnly(40000, 40000));
  } catch (const cError& e) {
    EXPECT_EQ(e.Number(), kErrOutOfMemory);
  }
}

// Only regular files, and only the kinds of picture the program names, are read: a pipe would
// block, a device read without end, and other Qt plugins are outside what the loader is hardened
// against. Each is refused at once, named.
TEST(LoadRefusal, FilesThatAreNotPicturesTheProgramReads) {
  test::cScratch dir;
  try {
    LoadPicture(dir.Path("nothing-here.bmp"));
    FAIL() << "loaded a missing file";
  } catch (const cError& e) {
    EXPECT_EQ(e.Number(), kErrFileNotFound);
    EXPECT_EQ(e.Description(), "The file does not exist.");
    EXPECT_EQ(e.Source(), ExeBaseName() + ".LoadPicture");
  }
  // (A pipe, a device, text and XPM under a bitmap's name are refused through the command line.)
  const std::pair<std::string, std::string> cases[] = {
      {dir.Path(""), "This is a folder, not a picture file."},
      {dir.Write("empty.bmp", {}), "The file is empty."},
      {dir.Write("ppm.bmp", QByteArray("P6\n1 1\n255\n\x01\x02\x03", 14)),
       "This kind of picture cannot be read (PPM)."},
      {"/" + std::string(5000, 'a') + ".bmp", "The file cannot be read (File name too long)."}};
  for (const auto& [sPath, sWhy] : cases)
    EXPECT_EQ(test::LoadError(sPath), sWhy) << sPath.substr(0, 60);
}

TEST(LoadRefusal, AFileWithoutReadPermission) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: permissions do not apply";
  test::cScratch dir;
  const std::string sPath = dir.Write("locked.bmp", test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)));
  std::filesystem::permissions(sPath, std::filesystem::perms::none);
  const std::string sWhy = test::LoadError(sPath);
  EXPECT_EQ(sWhy.rfind("The file cannot be read (", 0), 0u) << sWhy;
}

}  // namespace
}  // namespace brennic
