// The main window's start-up and shutdown without documents.

#include <gtest/gtest.h>

#include <fstream>

#include "FrameTestUtil.h"
#include "frame/cStatusStrip.h"
#include "platform/ProgressBar.h"
#include "platform/cLoadedWindows.h"

namespace brennic {
namespace {

using test::cScopedScreenMetrics;
using test::cTestMain;

class MainWindowTest : public ::testing::Test {
 protected:
  cScopedScreenMetrics m_metrics{{15.0, 15.0, 1920, 1080, 32}};
  test::cScopedRegistry m_registry;
  test::cScriptedMessageBoxes m_boxes;
  cTestMain m_main;
};

TEST_F(MainWindowTest, LoadBringsTheWindowUpTopmostAtItsPlaceWithTheStatusStripAtTheBottom) {
  m_main.Load();
  EXPECT_TRUE(m_main.isVisible());
  EXPECT_EQ(m_main.windowTitle(), "Brennic V.2.10");
  const Qt::WindowFlags buttons = Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                  Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;
  EXPECT_EQ(m_main.windowFlags() & buttons, Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  // 350 x 191 at half the screen less 1500 twips: (14400 - 1500) / 15 and (8100 - 1500) / 15.
  EXPECT_EQ(QRect(m_main.pos(), m_main.size()), QRect(860, 440, 350, 191));
  EXPECT_TRUE(m_boxes.Shown().empty());

  cStatusStrip* pStrip = m_main.StatusStrip();
  ASSERT_NE(pStrip, nullptr);
  EXPECT_EQ(pStrip->mapTo(&m_main, QPoint(0, pStrip->height())), QPoint(0, 191));
  ProgressBar* pBar = pStrip->Progress();
  EXPECT_TRUE(pBar->isHidden());  // until the first operation
  // A "#" (only that) leaves a field as it is; the labels get a trailing space.
  const auto status = [pStrip] {
    return pStrip->MainText() + "|" + pStrip->ImageLabel()->text().toStdString() + "|" +
           pStrip->SizeLabel()->text().toStdString();
  };
  m_main.SetStatus("Opened x.", "x.bmp", "640 x 480");
  m_main.SetStatus("#", "#", "#");
  EXPECT_EQ(status(), "Opened x.|x.bmp |640 x 480 ");
  m_main.SetStatus("", "", "# ");
  EXPECT_EQ(status(), "| |#  ");
  m_main.ProgressMax(10);
  m_main.ProgressValue(4);
  m_main.ShowProgress(true);
  EXPECT_EQ(qobject_cast<cProgressBarWidget*>(pBar->hwnd()->Widget())->Pos(), 4);
}

// A colour depth below 16 bits per pixel and a damaged settings store are each told once, after
// the window is visible; start-up goes on. (The store opens without showing anything: it may be
// opened inside a modal loop.)
TEST_F(MainWindowTest, WhatStartUpFoundIsToldOnceWithTheWindowUp) {
  test::cTempDir dir;
  const std::string sFile = dir.File("registry.sqlite");
  std::ofstream(sFile) << "not a settings file";
  cSqliteRegistryStore store(sFile);
  EXPECT_TRUE(m_boxes.Shown().empty());
  IRegistryStore* pPrevious = SetRegistryStore(&store);
  bool bVisibleWhenShown = true;
  m_boxes.OnShow = [&](const test::sShownMessage&) { bVisibleWhenShown &= m_main.isVisible(); };
  for (const int32_t lBits : {8, 16}) {
    cScopedScreenMetrics depth({15.0, 15.0, 1920, 1080, lBits});
    m_main.Load();
  }
  cTestMain second;
  second.Load();
  SetRegistryStore(pPrevious);
  ASSERT_EQ(m_boxes.Shown().size(), 2u);
  EXPECT_NE(m_boxes.Shown()[0].sText.find(store.DamagedCopy()), std::string::npos);
  EXPECT_EQ(m_boxes.Shown()[0].eIcon, eMsgIcon::Exclamation);
  EXPECT_EQ(test::Box(m_boxes.Shown()[1]),
            test::Box("Screen colour depths below 16 bits/pixel are not supported by this sample.",
                      eMsgIcon::Exclamation));
  EXPECT_TRUE(bVisibleWhenShown);
  EXPECT_TRUE(second.isVisible());
}

// Another program holding the settings file: the list that cannot be stored is told when the
// user closes the window, and not when the process is ended from outside.
TEST_F(MainWindowTest, AListThatCannotBeStoredIsToldWhenTheUserCloses) {
  test::cTempDir dir;
  const std::string sFile = dir.File("registry.sqlite");
  { cSqliteRegistryStore create(sFile); }
  test::cLockHolder holder(sFile, test::kWriteUnderWay);
  ASSERT_TRUE(holder.Holding());
  cSqliteRegistryStore store(sFile);
  IRegistryStore* pPrevious = SetRegistryStore(&store);
  m_main.Load();
  bool bCancel = false;
  m_main.QueryUnload(bCancel, vbAppTaskManager);
  const size_t lAfterSigterm = m_boxes.Shown().size();
  m_main.QueryUnload(bCancel, vbFormCode);
  SetRegistryStore(pPrevious);
  EXPECT_EQ(lAfterSigterm, 0u);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_NE(m_boxes.Shown()[0].sText.find("could not be stored"), std::string::npos);
}

}  // namespace
}  // namespace brennic
