// Loading pictures: every kind of bitmap, GIF and icon ends as the same 24-bit pixels; the content
// decides the format; damaged and hostile files are refused with descriptions a user can act on.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>
#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <chrono>
#include <cstdio>

#include "PictureTestUtil.h"
#include "platform/PictureBmp.h"
#include "platform/PictureDecode.h"

namespace brennic {
namespace {

using test::Bgr;
using test::cBytes;
using test::cGifFrame;
using test::Shown;

constexpr Bgr kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255},
    kBlack{0, 0, 0}, kOdd{30, 20, 10};

// The 3 x 2 picture the bitmap tests describe in several ways: top row red, green, blue; bottom
// row white, black, (r 10, g 20, b 30).
void ExpectReference(const cDIBSection& img) {
  ASSERT_EQ(img.Width(), 3);
  ASSERT_EQ(img.Height(), 2);
  EXPECT_EQ(Shown(img, 0, 0), kRed);
  EXPECT_EQ(Shown(img, 1, 0), kGreen);
  EXPECT_EQ(Shown(img, 2, 0), kBlue);
  EXPECT_EQ(Shown(img, 0, 1), kWhite);
  EXPECT_EQ(Shown(img, 1, 1), kBlack);
  EXPECT_EQ(Shown(img, 2, 1), kOdd);
}

QByteArray Rgb24Rows(bool bTopDown) {
  cBytes top, bottom;
  top.Raw({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0});
  bottom.Raw({255, 255, 255, 0, 0, 0, 30, 20, 10, 0, 0, 0});
  return bTopDown ? top.Bytes() + bottom.Bytes() : bottom.Bytes() + top.Bytes();
}

TEST(LoadBitmap, TwentyFourBitBottomUpAndTopDownGiveTheSameBuffer) {
  const auto bottomUp = test::LoadBytesAsImage(test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)));
  ExpectReference(*bottomUp);
  const auto topDown = test::LoadBytesAsImage(test::BmpFile(3, -2, 24, {}, Rgb24Rows(true)));
  ExpectReference(*topDown);
  EXPECT_EQ(test::Bytes(*bottomUp), test::Bytes(*topDown));
  // Rows after a gap, padded with bytes that are not zero: the same buffer, padding cleared; from
  // memory and from a file (the loaders compare the straight load into the buffer as well).
  test::cScratch dir;
  for (const bool bTopDown : {false, true}) {
    QByteArray rows = Rgb24Rows(bTopDown);
    rows[9] = rows[10] = rows[11] = rows[21] = rows[22] = rows[23] = '\x55';
    QByteArray file = test::BmpFile(3, bTopDown ? -2 : 2, 24, {}, QByteArray(6, '\x77') + rows);
    file[10] = 54 + 6;  // where the rows start
    EXPECT_EQ(test::Bytes(*test::LoadBytesAsImage(file)), test::Bytes(*bottomUp));
    EXPECT_EQ(test::Bytes(*test::LoadAsImage(dir.Write("gap.bmp", file))), test::Bytes(*bottomUp));
  }
  // More top-down rows than one scattered read takes.
  QByteArray tall;
  for (int y = 0; y < 2500; ++y)
    tall += QByteArray::number(y % 1000).leftJustified(4, ' ');
  const auto img = test::LoadAsImage(dir.Write("tall.bmp", test::BmpFile(1, -2500, 24, {}, tall)));
  EXPECT_EQ(Shown(*img, 0, 1234), (Bgr{'2', '3', '4'}));
}

TEST(LoadBitmap, PaletteBitmapsOfOneFourAndEightBits) {
  // Palette entries as 0xRRGGBB: 0 red, 1 green, 2 blue, 3 white, 4 black, 5 the odd colour.
  const std::vector<uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF,
                                         0xFFFFFF, 0x000000, 0x0A141E};
  {
    SCOPED_TRACE("8 bits");
    cBytes rows;
    rows.Raw({3, 4, 5, 0, 0, 1, 2, 0});  // bottom row first, each padded to 4 bytes
    ExpectReference(*test::LoadBytesAsImage(test::BmpFile(3, 2, 8, palette, rows.Bytes())));
  }
  {
    SCOPED_TRACE("4 bits");
    cBytes rows;
    rows.Raw({0x34, 0x50, 0, 0, 0x01, 0x20, 0, 0});
    ExpectReference(*test::LoadBytesAsImage(test::BmpFile(3, 2, 4, palette, rows.Bytes())));
  }
  {
    SCOPED_TRACE("1 bit");
    cBytes rows;  // bottom row 1 0 1, top row 0 1 0 (high bit first)
    rows.Raw({0xA0, 0, 0, 0, 0x40, 0, 0, 0});
    const auto img =
        test::LoadBytesAsImage(test::BmpFile(3, 2, 1, {0xFF0000, 0xFFFFFF}, rows.Bytes()));
    EXPECT_EQ(Shown(*img, 0, 0), kRed);
    EXPECT_EQ(Shown(*img, 1, 0), kWhite);
    EXPECT_EQ(Shown(*img, 2, 0), kRed);
    EXPECT_EQ(Shown(*img, 0, 1), kWhite);
    EXPECT_EQ(Shown(*img, 1, 1), kRed);
  }
}

TEST(LoadBitmap, SixteenBitFiveFiveFive) {
  // Full and empty 5-bit channels: red, green, blue, white; 8 bytes, no padding. A 5-bit channel
  // widens by a shift, as the Windows drawing layer does it: 31 becomes 248.
  cBytes row;
  row.U16(0x7C00).U16(0x03E0).U16(0x001F).U16(0x7FFF);
  const auto img = test::LoadBytesAsImage(test::BmpFile(4, 1, 16, {}, row.Bytes()));
  EXPECT_EQ(Shown(*img, 0, 0), (Bgr{0, 0, 248}));
  EXPECT_EQ(Shown(*img, 1, 0), (Bgr{0, 248, 0}));
  EXPECT_EQ(Shown(*img, 2, 0), (Bgr{248, 0, 0}));
  EXPECT_EQ(Shown(*img, 3, 0), (Bgr{248, 248, 248}));
}

TEST(LoadBitmap, ThirtyTwoBitIgnoresTheFourthByte) {
  cBytes rows;
  rows.Raw({255, 255, 255, 0x80, 0, 0, 0, 0x11, 30, 20, 10, 0xFF});
  rows.Raw({0, 0, 255, 0, 0, 255, 0, 0x7F, 255, 0, 0, 0x01});
  ExpectReference(*test::LoadBytesAsImage(test::BmpFile(3, 2, 32, {}, rows.Bytes())));
}

TEST(LoadBitmap, IndicesPastAShortPaletteShowBlack) {
  cBytes rows;
  rows.Raw({1, 7, 0, 0});
  const auto img =
      test::LoadBytesAsImage(test::BmpFile(3, 1, 8, {0xFFFFFF, 0xFF0000}, rows.Bytes()));
  EXPECT_EQ(Shown(*img, 0, 0), kRed);
  EXPECT_EQ(Shown(*img, 1, 0), kBlack);
  EXPECT_EQ(Shown(*img, 2, 0), kWhite);
}

TEST(LoadBitmap, RowsMissingFromACutFileAreBlack) {
  // 2 x 4, 24 bits: the file ends after the bottom two rows.
  cBytes rows;
  rows.Raw({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});
  QByteArray file = test::BmpFile(2, 4, 24, {}, rows.Bytes() + QByteArray(16, '\x55'));
  file.chop(16);
  for (int run = 0; run < 2; ++run) {
    const auto img = test::LoadBytesAsImage(file);
    EXPECT_EQ(test::PixelAt(*img, 0, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(test::PixelAt(*img, 1, 1), (Bgr{10, 11, 12}));
    for (int32_t y = 2; y < 4; ++y) {
      EXPECT_EQ(test::PixelAt(*img, 0, y), kBlack);
      EXPECT_EQ(test::PixelAt(*img, 1, y), kBlack);
    }
  }
}

TEST(LoadBitmap, PixelsAnRleStreamSkipsTakePaletteColourZero) {
  // 4 x 2 RLE8: two pixels of colour 1, end of line, then end of bitmap at once.
  cBytes rle;
  rle.Raw({2, 1, 0, 0, 0, 1});
  const auto img = test::LoadBytesAsImage(
      test::BmpFile(4, 2, 8, {0x00FF00, 0xFF0000}, rle.Bytes(), /*compression=*/1));
  EXPECT_EQ(test::PixelAt(*img, 0, 0), kRed);
  EXPECT_EQ(test::PixelAt(*img, 1, 0), kRed);
  EXPECT_EQ(test::PixelAt(*img, 2, 0), kGreen);
  EXPECT_EQ(test::PixelAt(*img, 3, 1), kGreen);
}

TEST(LoadBitmap, TheContentDecidesNotTheName) {
  test::cScratch dir;
  const QByteArray bmp = test::BmpFile(3, 2, 24, {}, Rgb24Rows(false));
  // Qt alone takes a ".dib" name for a bitmap without file header and refuses this one.
  ExpectReference(*test::LoadAsImage(dir.Write("picture.dib", bmp)));
  ExpectReference(*test::LoadAsImage(dir.Write("picture.ico", bmp)));
  ExpectReference(*test::LoadAsImage(dir.Write("picture.gif", bmp)));
  ExpectReference(*test::LoadAsImage(dir.Write("picture", bmp)));
  ExpectReference(*test::LoadBytesAsImage(bmp.mid(14)));  // no file header at all
}

// --- GIF ---

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

TEST(LoadGif, FirstFrameOnABlackScreenWithTransparencyAsBlack) {
  cGifFrame first{1, 1, 2, 2, false, 4, {{1, 4}, {2, 5}}};  // index 4 (white) is transparent
  cGifFrame second{0, 0, 4, 3, false, -1, {{4, 4, 4, 4}, {4, 4, 4, 4}, {4, 4, 4, 4}}};
  const auto img = test::LoadBytesAsImage(test::GifFile(4, 3, kGifColours, {first, second}));
  ASSERT_EQ(img->Width(), 4);
  ASSERT_EQ(img->Height(), 3);
  EXPECT_EQ(Shown(*img, 1, 1), kRed);
  EXPECT_EQ(Shown(*img, 2, 1), kBlack);  // transparent
  EXPECT_EQ(Shown(*img, 1, 2), kGreen);
  EXPECT_EQ(Shown(*img, 2, 2), kOdd);
  for (int32_t x = 0; x < 4; ++x)
    EXPECT_EQ(Shown(*img, x, 0), kBlack) << "outside the first frame";
  EXPECT_EQ(Shown(*img, 0, 2), kBlack);
  EXPECT_EQ(Shown(*img, 3, 1), kBlack);
}

TEST(LoadGif, InterlacedAndPlainFramesGiveTheSamePicture) {
  cGifFrame frame{0, 0, 3, 11, false, -1, {}};
  for (int32_t y = 0; y < 11; ++y)
    frame.rows.push_back({static_cast<uint8_t>(y % 6), static_cast<uint8_t>((y + 1) % 6), 5});
  const auto plain = test::LoadBytesAsImage(test::GifFile(3, 11, kGifColours, {frame}));
  frame.bInterlace = true;
  const auto interlaced = test::LoadBytesAsImage(test::GifFile(3, 11, kGifColours, {frame}));
  EXPECT_EQ(test::Bytes(*plain), test::Bytes(*interlaced));
  EXPECT_EQ(Shown(*plain, 0, 1), kRed);
  EXPECT_EQ(Shown(*plain, 1, 10), kOdd);  // index (10 + 1) % 6 = 5
}

TEST(LoadGif, FrameParts_OutsideTheScreen_AndIndicesPastThePalette_AreDropped) {
  // A 3 x 2 frame at (2, 1) on a 4 x 2 screen; index 9 is past the 8-entry table.
  std::vector<GifColorType> colours = kGifColours;
  colours.resize(16, GifColorType{255, 255, 255});
  cGifFrame frame{2, 1, 3, 2, false, -1, {{1, 9, 2}, {3, 3, 3}}};
  const auto img =
      test::LoadBytesAsImage(ShrinkGlobalTable(test::GifFile(4, 2, colours, {frame}), 8));
  ASSERT_EQ(img->Width(), 4);
  ASSERT_EQ(img->Height(), 2);
  EXPECT_EQ(Shown(*img, 2, 1), kRed);
  EXPECT_EQ(Shown(*img, 3, 1), kBlack);
  EXPECT_EQ(Shown(*img, 0, 0), kBlack);
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
  int32_t lKept = 0;
  while (lKept < 64) {
    bool bSame = true;
    for (int32_t x = 0; x < 64; ++x)
      bSame = bSame && Shown(*part, x, lKept) == Shown(*full, x, lKept);
    if (!bSame) break;
    ++lKept;
  }
  EXPECT_GT(lKept, 10);
  EXPECT_LT(lKept, 64);
  for (int32_t y = lKept; y < 64; ++y) {
    for (int32_t x = 0; x < 64; ++x)
      ASSERT_EQ(Shown(*part, x, y), kBlack) << x << ", " << y;
  }
}

TEST(LoadGif, AScreenOfNoSizeTakesTheFrameExtent) {
  cGifFrame frame{1, 0, 2, 1, false, -1, {{1, 2}}};
  const auto img = test::LoadBytesAsImage(test::GifFile(0, 0, kGifColours, {frame}));
  EXPECT_EQ(img->Width(), 3);
  EXPECT_EQ(img->Height(), 1);
  EXPECT_EQ(Shown(*img, 2, 0), kGreen);
}

TEST(LoadGif, NoImageOrNoPixelDataIsRefused) {
  QByteArray noImage = test::GifFile(2, 2, kGifColours, {});
  EXPECT_EQ(test::LoadBytesError(noImage), "The file is damaged: it holds no picture.");
  cGifFrame frame{0, 0, 2, 2, false, -1, {{1, 2}, {3, 4}}};
  const QByteArray whole = test::GifFile(2, 2, kGifColours, {frame});
  // Header, screen, 8 colours, then the image descriptor: cut after its code size byte, so not
  // even the first row arrives.
  ASSERT_EQ(whole[6 + 7 + 24], ',');
  EXPECT_EQ(test::LoadBytesError(whole.left(6 + 7 + 24 + 10 + 1)),
            "The picture is damaged and cannot be read.");
  EXPECT_EQ(test::LoadBytesError("GIF89a"), "The picture is damaged and cannot be read.");
}

// A bitmap file header and info header claiming w x h, and nothing else.
QByteArray ClaimOnly(int32_t w, int32_t h, int bits = 24, int compression = 0) {
  cBytes file;
  file.Text("BM").U32(54).U32(0).U32(54);
  test::InfoHeader(file, w, h, bits, compression);
  return file.Bytes();
}

// --- Icons, transparency ---

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

TEST(LoadIcon, AlphaIsCompositedOverBlack) {
  // Opaque (b 10, g 20, r 30) and half-transparent (b 255, g 100, r 0, alpha 128).
  const auto img =
      test::LoadAsImage(test::cScratch().Write("icon.ico", IconFile({{0xFF1E140A, 0x800064FF}})));
  ASSERT_EQ(img->Width(), 2);
  ASSERT_EQ(img->Height(), 1);
  EXPECT_EQ(Shown(*img, 0, 0), (Bgr{10, 20, 30}));
  // 255 * 128 / 255 = 128 and 100 * 128 / 255 = 50.2, rounded to nearest.
  EXPECT_EQ(Shown(*img, 1, 0), (Bgr{128, 50, 0}));
}

TEST(LoadIcon, TheFirstImageIsTaken) {
  const auto img =
      test::LoadBytesAsImage(IconFile({{0xFFFF0000, 0xFF00FF00}, {0xFF0000FF, 0xFFFFFFFF}}));
  EXPECT_EQ(Shown(*img, 0, 0), kRed);
  EXPECT_EQ(Shown(*img, 1, 0), kGreen);
}

TEST(PictureFromImage, StraightAndPremultipliedAlphaBothEndOverBlack) {
  QImage straight(2, 1, QImage::Format_ARGB32);
  straight.setPixel(0, 0, qRgba(255, 100, 0, 128));
  straight.setPixel(1, 0, qRgba(200, 200, 200, 0));
  cDIBSection a;
  a.CreateFromPicture(*PictureFromImage(straight));
  EXPECT_EQ(test::PixelAt(a, 0, 0), (Bgr{0, 50, 128}));
  EXPECT_EQ(test::PixelAt(a, 1, 0), kBlack);

  QImage premultiplied(1, 1, QImage::Format_ARGB32_Premultiplied);
  premultiplied.setPixel(0, 0, qRgba(40, 50, 60, 128));  // already weighted by alpha
  cDIBSection b;
  b.CreateFromPicture(*PictureFromImage(premultiplied));
  EXPECT_EQ(test::PixelAt(b, 0, 0), (Bgr{60, 50, 40}));

  QImage indexed(1, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgba(255, 255, 255, 51)});
  indexed.fill(0);
  cDIBSection c;
  c.CreateFromPicture(*PictureFromImage(indexed));
  EXPECT_EQ(test::PixelAt(c, 0, 0), (Bgr{51, 51, 51}));
}

TEST(LoadPicture, LeavesQtsAllocationLimitAsItWas) {
  const int lBefore = QImageReader::allocationLimit();
  test::LoadBytesAsImage(test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)));
  test::LoadBytesError(ClaimOnly(40000, 40000));
  EXPECT_EQ(QImageReader::allocationLimit(), lBefore);
}

TEST(LoadPng, OtherFormatsQtReadsAreAccepted) {
  QImage image(2, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(10, 20, 30, 255));
  image.setPixel(1, 0, qRgba(255, 255, 255, 0));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(image.save(&buffer, "PNG"));
  // Named .bmp: the content decides.
  const auto img = test::LoadAsImage(test::cScratch().Write("really-a-png.bmp", png));
  EXPECT_EQ(Shown(*img, 0, 0), kOdd);
  EXPECT_EQ(Shown(*img, 1, 0), kBlack);
}

// --- Refusals ---

TEST(LoadRefusal, MissingEmptyFolderAndNotAPicture) {
  test::cScratch dir;
  try {
    LoadPicture(dir.Path("nothing-here.bmp"));
    FAIL() << "loaded a missing file";
  } catch (const cError& e) {
    EXPECT_EQ(e.Number(), kErrFileNotFound);
    EXPECT_EQ(e.Description(), "The file does not exist.");
    EXPECT_EQ(e.Source(), ExeBaseName() + ".LoadPicture");
  }
  EXPECT_EQ(test::LoadError(dir.Path("")), "This is a folder, not a picture file.");
  EXPECT_EQ(test::LoadError(dir.Write("empty.bmp", {})), "The file is empty.");
  EXPECT_EQ(test::LoadError(dir.Write("notes.bmp", "Shopping list: eggs, milk, bread.\n")),
            "The file is not a picture this program can read.");
  EXPECT_EQ(test::LoadBytesError(QByteArray(300, '\0')),
            "The file is not a picture this program can read.");
}

// Only regular files, and only the kinds of picture the program names, are read: a pipe would
// block, a device read without end, and other Qt plugins are outside what the loader is hardened
// against. Each is refused at once, named.
TEST(LoadRefusal, OnlyRegularFilesOfTheNamedKindsAreRead) {
  test::cScratch dir;
  const std::string sFifo = dir.Path("pipe.bmp");
  ASSERT_EQ(mkfifo(sFifo.c_str(), 0600), 0);
  const struct {
    std::string sPath;
    std::string sWhy;
  } cases[] = {
      {sFifo, "This is a named pipe (FIFO), not a picture file."},
      {"/dev/zero", "This is a device, not a picture file."},
      {dir.Write("xpm.bmp",
                 "/* XPM */\nstatic char *x[] = {\n\"1 1 1 1\",\n\"a c #FF0000\",\n"
                 "\"a\"};\n"),
       "This kind of picture cannot be read (XPM)."},
      {dir.Write("ppm.bmp", QByteArray("P6\n1 1\n255\n\x01\x02\x03", 14)),
       "This kind of picture cannot be read (PPM)."},
      {"/" + std::string(5000, 'a') + ".bmp", "The file cannot be read (File name too long)."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(test::LoadError(c.sPath), c.sWhy) << c.sPath.substr(0, 60);
}

TEST(LoadRefusal, AFileWithoutReadPermission) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: permissions do not apply";
  test::cScratch dir;
  const std::string sPath = dir.Write("locked.bmp", test::BmpFile(3, 2, 24, {}, Rgb24Rows(false)));
  std::filesystem::permissions(sPath, std::filesystem::perms::none);
  const std::string sWhy = test::LoadError(sPath);
  EXPECT_EQ(sWhy.rfind("The file cannot be read (", 0), 0u) << sWhy;
}

TEST(LoadRefusal, HugeClaimsAreRefusedAtOnce) {
  const auto tStart = std::chrono::steady_clock::now();
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(40000, 40000)),
            "The picture is too large (40000 x 40000 pixels).");
  // 24-bit rows of 26755 pixels take 80268 bytes: 26753 of them fit in 2^31 - 1, 26754 do not.
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(26755, 26754)),
            "The picture is too large (26755 x 26754 pixels).");
  EXPECT_TRUE(picture::FitsImageBuffer(26755, 26753));
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(0x7FFFFFFF, 1)),
            "The picture is too large (2147483647 x 1 pixels).");
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(1, INT32_MIN)),
            "The picture is too large (1 x 2147483648 pixels).");
  // Within the limit, but no file of 54 bytes holds 25 million pixels.
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(5000, 5000)),
            "The file is damaged: it is too short for a picture of 5000 x 5000 pixels.");
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(26755, 26753, 8, 1)),
            "The file is damaged: it is too short for a picture of 26755 x 26753 pixels.");
  const auto lMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - tStart)
                       .count();
  EXPECT_LT(lMs, 2000) << "refusals must not allocate and fill the claimed buffers";
  try {
    LoadPictureFromMemory(ClaimOnly(40000, 40000));
  } catch (const cError& e) {
    EXPECT_EQ(e.Number(), kErrOutOfMemory);
  }
}

TEST(LoadRefusal, DamagedAndUnsupportedBitmaps) {
  EXPECT_EQ(test::LoadBytesError("BM"), "The picture is damaged and cannot be read.");
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(0, 4)),
            "The file is damaged: its picture is 0 x 4 pixels.");
  EXPECT_EQ(test::LoadBytesError(ClaimOnly(-3, 4)),
            "The file is damaged: its picture is -3 x 4 pixels.");
  EXPECT_EQ(test::LoadBytesError(
                test::BmpFile(4, 1, 2, {0, 0xFFFFFF, 0xFF, 0xFF00}, QByteArray(4, '\x1B'))),
            "This kind of bitmap cannot be read (2 bits per pixel).");
  EXPECT_EQ(test::LoadBytesError(test::BmpFile(1, 1, 24, {}, QByteArray(64, '\xFF'), 4)),
            "This kind of bitmap cannot be read (JPEG compression).");
  EXPECT_EQ(test::LoadBytesError(test::BmpFile(1, 1, 24, {}, QByteArray(4, '\0'), 9)),
            "The picture is damaged and cannot be read.");
}

TEST(LoadRefusal, ErrorHeaderSizeNamesTheKind) {
  picture::BmpHeader header;
  header.lHeaderSize = 52;
  header.lBitCount = 24;
  EXPECT_EQ(picture::UnsupportedBmpKind(header), "a 52-byte header");
  header.lHeaderSize = 64;  // OS/2 version 2
  header.lCompression = 3;
  EXPECT_EQ(picture::UnsupportedBmpKind(header), "Huffman compression");
  header.lHeaderSize = 40;
  EXPECT_EQ(picture::UnsupportedBmpKind(header), "");  // bit fields
  header.lCompression = 5;
  EXPECT_EQ(picture::UnsupportedBmpKind(header), "PNG compression");
}

}  // namespace
}  // namespace brennic
