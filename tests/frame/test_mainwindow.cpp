// The main window's start-up and shutdown: decorations, size and place, the status strip, the
// depth warning, and what the settings store found or could not store. (The close walk is pinned
// on real documents; the desktop test pins the topmost layer and the boxes' owner on a real window
// manager, the programs under X the end on SIGTERM.)

#include <gtest/gtest.h>

#include <fstream>

#include "FrameTestUtil.h"
#include "frame/cStatusStrip.h"
#include "platform/ProgressBar.h"
#include "platform/cLoadedWindows.h"

namespace brennic {
namespace {

using test::cScopedScreenMetrics;
using test::cScriptedMessageBoxes;
using Log = std::vector<std::string>;

// The main window with its hooks recorded and the end of the process replaced by a log entry.
class cTestMain final : public mfrmMain {
 public:
  explicit cTestMain(Log& log) : m_log(log) {}

 protected:
  void ApplyStoredWindowPosition() override {
    m_log.push_back("position");
    move(5, 5);
  }
  void LoadRecentFiles() override { m_log.push_back(isVisible() ? "recent shown" : "recent"); }
  void SaveRecentFiles() override { m_log.push_back("store"); }
  void EndProcess() override { m_log.push_back("end"); }

 private:
  Log& m_log;
};

class MainWindowTest : public ::testing::Test {
 protected:
  cScopedScreenMetrics m_metrics{{15.0, 15.0, 1920, 1080, 32}};
  cScriptedMessageBoxes m_boxes;
  Log m_log;
  std::unique_ptr<cTestMain> m_pMain;

  void SetUp() override {
    ASSERT_EQ(LoadedWindows().Count(), 0) << "a window of an earlier test is still loaded";
    m_pMain = std::make_unique<cTestMain>(m_log);
  }
  void TearDown() override { m_pMain.reset(); }
};

TEST_F(MainWindowTest, LoadBringsTheWindowUpTopmostAtItsPlaceWithTheStatusStripAtTheBottom) {
  m_pMain->Load();
  // The stored position is applied first and replaced; the list is loaded before showing.
  EXPECT_EQ(m_log, (Log{"position", "recent"}));
  EXPECT_TRUE(m_pMain->isVisible());
  EXPECT_EQ(m_pMain->windowTitle(), "Brennic V.2.10");
  const Qt::WindowFlags buttons = Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                  Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;
  EXPECT_EQ(m_pMain->windowFlags() & buttons, Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  // 350 x 191 at half the screen less 1500 twips: (14400 - 1500) / 15 and (8100 - 1500) / 15.
  EXPECT_EQ(QRect(m_pMain->pos(), m_pMain->size()), QRect(860, 440, 350, 191));
  EXPECT_TRUE(m_boxes.Shown().empty());

  cStatusStrip* pStrip = m_pMain->StatusStrip();
  ASSERT_NE(pStrip, nullptr);
  EXPECT_EQ(pStrip->mapTo(m_pMain.get(), QPoint(0, pStrip->height())), QPoint(0, 191));
  ProgressBar* pBar = pStrip->Progress();
  EXPECT_TRUE(pBar->isHidden());  // until the first operation
  // A "#" (only that) leaves a field as it is; the labels get a trailing space.
  const auto status = [pStrip] {
    return pStrip->MainText() + "|" + pStrip->ImageLabel()->text().toStdString() + "|" +
           pStrip->SizeLabel()->text().toStdString();
  };
  m_pMain->SetStatus("Opened x.", "x.bmp", "640 x 480");
  m_pMain->SetStatus("#", "#", "#");
  EXPECT_EQ(status(), "Opened x.|x.bmp |640 x 480 ");
  m_pMain->SetStatus("", "", "# ");
  EXPECT_EQ(status(), "| |#  ");
  m_pMain->ProgressMax(10);
  m_pMain->ProgressValue(4);
  m_pMain->ShowProgress(true);
  EXPECT_TRUE(pBar->isVisible());
  EXPECT_EQ(qobject_cast<cProgressBarWidget*>(pBar->hwnd()->Widget())->Pos(), 4);
}

// Below 16 bits per pixel a warning is shown once, after the window is visible; start-up goes on.
TEST_F(MainWindowTest, LowColourDepthIsWarnedOnceAfterTheWindowIsVisible) {
  for (const int32_t lBits : {8, 16}) {
    SCOPED_TRACE(lBits);
    cScopedScreenMetrics depth({15.0, 15.0, 1920, 1080, lBits});
    const size_t lBefore = m_boxes.Shown().size();
    cTestMain main(m_log);
    bool bVisibleWhenShown = false;
    m_boxes.OnShow = [&](const test::sShownMessage&) { bVisibleWhenShown = main.isVisible(); };
    main.Load();
    m_boxes.OnShow = nullptr;
    ASSERT_EQ(m_boxes.Shown().size(), lBefore + (lBits < 16 ? 1 : 0));
    if (lBits >= 16) continue;
    EXPECT_EQ(
        test::Box(m_boxes.Shown().back()),
        test::Box("Screen colour depths below 16 bits/pixel are not supported by this sample.",
                  eMsgIcon::Exclamation));
    EXPECT_TRUE(bVisibleWhenShown);
    EXPECT_TRUE(main.isVisible());
  }
}

// The settings store opens without showing anything (it may be opened inside a modal loop);
// what it found is told once, with the window up.
TEST_F(MainWindowTest, WhatTheSettingsStoreFoundIsToldOnceWithTheWindowUp) {
  test::cTempDir dir;
  const std::string sFile = dir.File("registry.sqlite");
  std::ofstream(sFile) << "not a settings file";
  cSqliteRegistryStore store(sFile);
  EXPECT_TRUE(m_boxes.Shown().empty());
  IRegistryStore* pPrevious = SetRegistryStore(&store);
  bool bVisibleWhenShown = false;
  m_boxes.OnShow = [&](const test::sShownMessage&) { bVisibleWhenShown = m_pMain->isVisible(); };
  m_pMain->Load();
  cTestMain second(m_log);
  second.Load();
  SetRegistryStore(pPrevious);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_NE(m_boxes.Shown()[0].sText.find(store.DamagedCopy()), std::string::npos);
  EXPECT_EQ(m_boxes.Shown()[0].eIcon, eMsgIcon::Exclamation);
  EXPECT_TRUE(bVisibleWhenShown);
}

// Another program holding the settings file: the list that cannot be stored is told when the
// user closes the window, and not when the process is ended from outside.
TEST_F(MainWindowTest, AListThatCannotBeStoredIsToldWhenTheUserCloses) {
  class cStoringMain final : public mfrmMain {
    void EndProcess() override {}
  };
  test::cTempDir dir;
  const std::string sFile = dir.File("registry.sqlite");
  { cSqliteRegistryStore create(sFile); }
  test::cLockHolder holder(sFile, test::kWriteUnderWay);
  ASSERT_TRUE(holder.Holding());
  cSqliteRegistryStore store(sFile);
  IRegistryStore* pPrevious = SetRegistryStore(&store);
  cStoringMain main;
  main.Load();
  bool bCancel = false;
  main.QueryUnload(bCancel, vbAppTaskManager);
  const size_t lAfterSigterm = m_boxes.Shown().size();
  main.QueryUnload(bCancel, vbFormCode);
  SetRegistryStore(pPrevious);
  EXPECT_EQ(lAfterSigterm, 0u);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_NE(m_boxes.Shown()[0].sText.find("could not be stored"), std::string::npos);
}

}  // namespace
}  // namespace brennic
