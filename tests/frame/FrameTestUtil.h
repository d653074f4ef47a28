#pragma once
// The main window as the frame tests drive it, and a temporary folder taken for the system's.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "document/frmImage.h"
#include "frame/mfrmMain.h"
#include "platform/MessageBox.h"
#include "platform/cPictureBox.h"
#include "support/DocumentTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic::test {

// A fresh temporary folder that the program takes for the system's ($TMPDIR) while it lives.
class cScopedTempFolder final : public cTempDir {
 public:
  cScopedTempFolder() { ::setenv("TMPDIR", Path().c_str(), 1); }
  ~cScopedTempFolder() {
    m_previous ? ::setenv("TMPDIR", m_previous->c_str(), 1) : ::unsetenv("TMPDIR");
  }
  std::string Path() const { return cTempDir::Path().string(); }

 private:
  std::optional<std::string> m_previous =
      std::getenv("TMPDIR") ? std::optional<std::string>(std::getenv("TMPDIR")) : std::nullopt;
};

// A message box as one line: "text | buttons icon | title".
template <class tMessage>
std::string Box(const tMessage& m) {
  return m.sText + " | " + std::to_string(static_cast<int>(m.eButtons)) + " " +
         std::to_string(static_cast<int>(m.eIcon)) + " | " + m.sTitle;
}
inline std::string Box(const std::string& sText, eMsgIcon eIcon,
                       eMsgButtons eButtons = eMsgButtons::OK) {
  return Box(sShownMessage{sText, eButtons, eIcon, kAppTitle});
}

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
  std::unique_ptr<cDIBSection> m_pOriginal;

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
  void Click(const std::string& sName) const {
    if (QAction* pAction = Entry(sName)) pAction->trigger();
  }
  // A bitmap file of a plain colour.
  std::string Picture(const std::string& sName, int32_t lWidth = 4, int32_t lHeight = 3,
                      Bgr fill = {40, 50, 60}) {
    const std::string sPath = m_dir.File(sName);
    SavePicture(*MakeImage(lWidth, lHeight, fill), sPath);
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
  // A document of random pixels (seeded by the name), opened through File > Open; its picture
  // stays in m_pOriginal.
  frmImage* OpenRandom(const std::string& sName, int32_t lWidth = 9, int32_t lHeight = 7) {
    std::mt19937 rng(static_cast<uint32_t>(sName.size() * 7 + lWidth));
    const std::string sPath = m_dir.File(sName);
    m_pOriginal = MakeRandomImage(lWidth, lHeight, rng);
    SavePicture(*m_pOriginal, sPath);
    return Open(sPath);
  }
  // The picture the document shows, and the one it holds.
  static std::vector<uint8_t> Shown(frmImage* pDocument) {
    return DisplayBytes(pDocument->picImage()->Image());
  }
  static std::vector<uint8_t> Held(frmImage* pDocument) {
    return DisplayBytes(pDocument->Document().Picture());
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
