#pragma once
// The main window as the menu and document tests drive it: a settings store of its own in a
// temporary folder, scripted message boxes and file dialogs, fixed screen metrics, and the end of
// the process replaced by a counter.

#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>
#include <string>
#include <vector>

#include "document/frmImage.h"
#include "frame/mfrmMain.h"
#include "support/DocumentTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic::test {

class cTestMain final : public mfrmMain {
 public:
  using mfrmMain::ApplyStoredWindowPosition;
  using mfrmMain::RunCommand;
  int iEnded = 0;

 protected:
  void EndProcess() override { ++iEnded; }
};

class cFrameTest : public ::testing::Test {
 protected:
  cScopedScreenMetrics m_metrics{{15.0, 15.0, 1920, 1080, 32}};
  cScopedRegistry m_registry;
  cScriptedMessageBoxes m_boxes;
  cScriptedCommonDialogs m_dialogs;
  cTempDir m_dir;
  std::unique_ptr<cTestMain> m_pMain;

  void SetUp() override {
    ASSERT_EQ(LoadedWindows().Count(), 0) << "a window of an earlier test is still loaded";
    m_pMain = std::make_unique<cTestMain>();
    m_pMain->Load();
  }
  void TearDown() override { m_pMain.reset(); }

  QAction* Entry(const std::string& sName) const {
    auto* pAction = m_pMain->findChild<QAction*>(QString::fromStdString(sName));
    EXPECT_NE(pAction, nullptr) << "no menu entry " << sName;
    return pAction;
  }
  // Clicks a menu entry.
  void Click(const std::string& sName) const {
    if (QAction* pAction = Entry(sName)) pAction->trigger();
  }
  // A bitmap file of a plain colour.
  std::string Picture(const std::string& sName, int32_t lWidth = 4, int32_t lHeight = 3,
                      Bgr fill = {40, 50, 60}) {
    const std::string sPath = m_dir.File(sName);
    WriteBitmap(sPath, *MakeImage(lWidth, lHeight, fill));
    return sPath;
  }
  // Opens a file through File > Open and its dialog; the new document, or nullptr.
  frmImage* Open(const std::string& sPath) {
    m_dialogs.ChooseFiles({sPath});
    Click("mnuFile_0");
    frmImage* pDocument = m_pMain->ActiveDocument();
    if (pDocument == nullptr || pDocument->Filename() != sPath) return nullptr;
    return pDocument;
  }
  std::vector<QMdiSubWindow*> Windows() const {
    const QList<QMdiSubWindow*> list = m_pMain->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    return {list.begin(), list.end()};
  }
  // What the settings store holds under the application's key.
  std::pair<uint32_t, std::vector<uint8_t>> Stored(const std::string& sName) {
    return RawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Ostrel\\Halvine", sName);
  }
};

}  // namespace brennic::test
