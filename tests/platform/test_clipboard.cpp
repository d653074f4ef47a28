// The clipboard over Qt: what is refused and said (copy and paste run end to end in frame tests).

#include <gtest/gtest.h>

#include <cstring>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "image/cDIBSection.h"
#include "image/cError.h"
#include "platform/Clipboard.h"
#include "platform/cQtDesktopBridge.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

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

// Copying as a DIB, which the program never asks for, is refused with the plain message.
TEST_F(QtClipboard, CopyAsDibShowsThePlainMessage) {
  test::cScriptedMessageBoxes boxes;
  EXPECT_FALSE(test::MakeImage(3, 2)->CopyToClipboard(true));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].sText,
            "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
}

// A clipboard without a picture, or with one of a kind or size the program does not read (the
// program's own loader and limits, not the toolkit's), is refused saying why.
TEST_F(QtClipboard, WhatIsNoPictureTheProgramReadsIsRefusedSayingWhy) {
  QByteArray hugeBmp(54, '\0');  // a header claiming 100000 x 100000 pixels
  const uint32_t header[] = {0, 0, 54, 40, 100000, 100000, 0x180001};
  std::memcpy(hugeBmp.data() + 2, header, sizeof header);
  hugeBmp[0] = 'B';
  hugeBmp[1] = 'M';
  const std::string sNone =
      "The clipboard holds no picture. Copy a picture first, then paste again.";
  const struct {
    const char* sType;  // nullptr: an empty clipboard
    QByteArray bytes;
    std::string sWhy;
  } cases[] = {
      {nullptr, {}, sNone},
      {"text/plain", "not a picture", sNone},
      {"image/x-xpixmap", "/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #FF0000\", \"a\"};\n",
       "This kind of picture cannot be read (image/x-xpixmap)."},
      {"image/bmp", hugeBmp, "The picture is too large (100000 x 100000 pixels)."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sType != nullptr ? c.sType : "empty");
    auto* pData = new QMimeData;
    if (c.sType != nullptr) pData->setData(c.sType, c.bytes);
    QGuiApplication::clipboard()->setMimeData(pData);
    try {
      ClipboardPicture();
      ADD_FAILURE() << "a picture from a clipboard without one";
    } catch (const cError& e) {
      EXPECT_EQ(e.Description(), c.sWhy);
      if (c.sWhy == sNone) {
        EXPECT_EQ(std::make_pair(e.Number(), e.Source()),
                  std::make_pair(kErrNoClipboardPicture, ErrorSource(".Clipboard")));
      }
    }
  }
}

}  // namespace
}  // namespace brennic
