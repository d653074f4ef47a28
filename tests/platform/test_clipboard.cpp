// The clipboard service and the desktop bridge over Qt: a copied image arrives on the (offscreen,
// in-process) clipboard pixel for pixel, the clipboard's picture comes back as the image buffer's
// 24 bits, and a clipboard without a picture is refused with a description.

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>

#include "image/cDIBSection.h"
#include "image/cError.h"
#include "platform/Clipboard.h"
#include "platform/cQtDesktopBridge.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;
using namespace std::string_literals;

// Installs the Qt bridge for the test and clears the clipboard before and after.
class QtClipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    QGuiApplication::clipboard()->clear();
    SetDesktopBridge(&m_bridge);
  }
  void TearDown() override {
    SetDesktopBridge(nullptr);
    QGuiApplication::clipboard()->clear();
  }
  cQtDesktopBridge m_bridge;
};

// Three columns (one padding byte a row) and two rows, every byte different.
std::unique_ptr<cDIBSection> SmallImage() {
  return test::MakeImageFromRows(
      {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{10, 11, 12}, {13, 14, 15}, {250, 251, 252}}});
}

TEST_F(QtClipboard, CopiedImageArrivesPixelForPixelTopRowFirst) {
  QGuiApplication::clipboard()->setText("words");
  const auto img = SmallImage();
  ASSERT_TRUE(img->CopyToClipboard(false));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty()) << "the copy replaces the text";

  const QImage onClipboard = QGuiApplication::clipboard()->image();
  ASSERT_EQ(onClipboard.size(), QSize(3, 2));
  // Top-left: red 3, green 2, blue 1.
  EXPECT_EQ(
      (std::vector<QRgb>{onClipboard.pixel(0, 0), onClipboard.pixel(2, 0), onClipboard.pixel(0, 1),
                         onClipboard.pixel(2, 1)}),
      (std::vector<QRgb>{qRgb(3, 2, 1), qRgb(9, 8, 7), qRgb(12, 11, 10), qRgb(252, 251, 250)}));
  EXPECT_FALSE(onClipboard.hasAlphaChannel());

  // Back through the picture path the document loads with: the same bytes.
  cDIBSection back;
  back.CreateFromPicture(*ClipboardPicture());
  EXPECT_EQ(test::PixelBytes(back), test::PixelBytes(*img));
}

TEST_F(QtClipboard, CopyAsDibShowsThePlainMessageAndLeavesTheClipboard) {
  test::cScriptedMessageBoxes boxes;
  QGuiApplication::clipboard()->setText("kept");
  const auto img = SmallImage();
  EXPECT_FALSE(img->CopyToClipboard(true));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  const auto& shown = boxes.Shown()[0];
  EXPECT_EQ(
      std::tie(shown.sText, shown.eButtons, shown.eIcon, shown.sTitle),
      std::make_tuple("I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"s,
                      eMsgButtons::OK, eMsgIcon::None, std::string(kAppTitle)));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

TEST_F(QtClipboard, EmptyOrTextOnlyClipboardHasNoPicture) {
  for (bool bText : {false, true}) {
    if (bText) QGuiApplication::clipboard()->setText("not a picture");
    try {
      ClipboardPicture();
      ADD_FAILURE() << "a picture from a clipboard without one";
    } catch (const cError& error) {
      EXPECT_EQ(error.Number(), kErrNoClipboardPicture);
      EXPECT_EQ(error.Source(), ErrorSource(".Clipboard"));
      EXPECT_EQ(error.Description(),
                "The clipboard holds no picture. Copy a picture first, then paste again.");
    }
  }
}

// Another program's picture arrives as a picture file: read by the program's own loader, up to
// the program's own size limit (not the toolkit's allocation limit, which turned a 48-megapixel
// PNG away), and only of the kinds the program reads. A refusal says why.
TEST_F(QtClipboard, PictureFilesPasteUpToTheProgramsLimitAndRefusalsSayWhy) {
  QImage picture(1000, 600, QImage::Format_RGB32);
  picture.fill(qRgb(30, 20, 10));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(picture.save(&buffer, "PNG"));
  QByteArray hugeBmp(54, '\0');  // a header claiming 100000 x 100000 pixels
  const uint32_t header[] = {0, 0, 54, 40, 100000, 100000, 0x180001};
  std::memcpy(hugeBmp.data() + 2, header, sizeof header);
  hugeBmp[0] = 'B';
  hugeBmp[1] = 'M';
  const struct {
    const char* sType;
    QByteArray bytes;
    std::string sWhy;  // empty: pastes
  } cases[] = {
      {"image/png", png, ""},
      {"image/x-xpixmap", "/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #FF0000\", \"a\"};\n",
       "This kind of picture cannot be read (image/x-xpixmap)."},
      {"image/bmp", hugeBmp, "The picture is too large (100000 x 100000 pixels)."}};
  const int lLimit = QImageReader::allocationLimit();
  QImageReader::setAllocationLimit(1);  // 1 MB: the PNG needs more, as the 48 megapixels did
  for (const auto& c : cases) {
    auto* pData = new QMimeData;
    pData->setData(c.sType, c.bytes);
    QGuiApplication::clipboard()->setMimeData(pData);
    try {
      cDIBSection got;
      got.CreateFromPicture(*ClipboardPicture());
      EXPECT_EQ(c.sWhy, "") << c.sType;
      EXPECT_EQ(got.Width(), 1000);
      EXPECT_EQ(got.Height(), 600);
      EXPECT_EQ(test::PixelAt(got, 0, 0), (Bgr{10, 20, 30}));
    } catch (const cError& e) {
      EXPECT_EQ(e.Description(), c.sWhy) << c.sType;
    }
  }
  QImageReader::setAllocationLimit(lLimit);
}

}  // namespace
}  // namespace brennic
