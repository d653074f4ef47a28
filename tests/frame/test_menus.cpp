// The menu bar, the commands' choice of document, File > Open and every processing command.

#include <gtest/gtest.h>

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <fstream>
#include <new>
#include <tuple>

#include "FrameTestUtil.h"
#include "document/cOperations.h"
#include "frame/cStatusStrip.h"
#include "image/cError.h"
#include "platform/ProgressBar.h"
#include "platform/mWindowing.h"

namespace brennic {
namespace {

using test::cFrameTest;

// A menu as "name caption shortcuts[ hidden][ off]" per entry, "-" standing for a separator's
// caption. Only Undo and Redo (nothing to take) and View (no document) are off; hidden entries
// cannot be chosen ("on" would say otherwise).
std::vector<std::string> MenuEntries(const QMenu* pMenu) {
  std::vector<std::string> entries;
  if (pMenu == nullptr) return {"no menu"};
  for (const QAction* p : pMenu->actions()) {
    const QString sKeys = QKeySequence::listToString(p->shortcuts(), QKeySequence::PortableText);
    std::string s = p->objectName().toStdString() + " " +
                    (p->isSeparator() ? "-" : p->text().toStdString()) +
                    (sKeys.isEmpty() ? "" : " " + sKeys.toStdString());
    if (!p->isVisible()) s += " hidden";
    if (p->isEnabled() != p->isVisible()) s += p->isEnabled() ? " on" : " off";
    entries.push_back(s);
  }
  return entries;
}

using Entries = std::vector<std::string>;

TEST_F(cFrameTest, MenuBarHoldsTheWholeTreeWithIndicesGapsAndHiddenEntries) {
  std::vector<std::string> top;
  for (const QAction* pAction : m_pMain->menuBar()->actions())
    top.push_back(pAction->objectName().toStdString() + " " + pAction->text().toStdString());
  EXPECT_EQ(top, (Entries{"mnuFileTop &File", "mnuEditTOP &Edit", "mnuImageTOP &Image",
                          "mnuColorTOP &Colors", "mnuViewTop &View", "mnuWindowTop &Window"}));
  const auto menu = [this](const char* sName) {
    return MenuEntries(m_pMain->findChild<QMenu*>(QString::fromUtf8(sName)));
  };
  EXPECT_EQ(menu("mnuFileTop"),
            (Entries{"mnuFile_0 &Open... Ctrl+O", "mnuFile_1 &Save... Ctrl+S",
                     "mnuFile_3 &Export... Ctrl+Shift+E",
                     "mnuFile_4 Reopen Closed &Picture Ctrl+Shift+T off", "mnuFile_2 -",
                     "mnuFile_5  hidden", "mnuFile_6  hidden", "mnuFile_7  hidden",
                     "mnuFile_8  hidden", "mnuFile_9 - hidden", "mnuFile_10 &Exit"}));
  EXPECT_EQ(menu("mnuEditTOP"),
            (Entries{"mnuEditHistory_0 &Undo Ctrl+Z off",
                     "mnuEditHistory_1 &Redo Ctrl+Y; Ctrl+Shift+Z off", "mnuEditHistory_2 -",
                     "mnuEdit_1 &Copy Ctrl+C", "mnuEdit_2 &Paste Ctrl+V"}));
  EXPECT_EQ(menu("mnuImageTOP"),
            (Entries{"mnuImage_0 &Softening", "mnuImage_1 S&harpening", "mnuImage_2 &Special",
                     "mnuImage_3 &Custom Defined", "mnuImage_4 -", "mnuImage_5 &Resample...",
                     "mnuImage_6 -", "mnuImage_7 Co&mbine..."}));
  EXPECT_EQ(menu("mnuImage_0"), (Entries{"mnuLowPass_0 Soften", "mnuLowPass_1 Soften More",
                                         "mnuLowPass_2 Blur", "mnuLowPass_3 Blur More"}));
  EXPECT_EQ(menu("mnuImage_1"), (Entries{"mnuHighPass_0 Sharpen", "mnuHighPass_1 Sharpen More",
                                         "mnuHighPass_2 Unsharp"}));
  EXPECT_EQ(menu("mnuImage_2"),
            (Entries{"mnuSpecial_0 &Emboss", "mnuSpecial_1 -", "mnuSpecial_4 Mi&nimum Rank",
                     "mnuSpecial_5 Me&dian Rank", "mnuSpecial_6 Ma&ximum Rank"}));
  EXPECT_EQ(menu("mnuColorTOP"),
            (Entries{"mnuColors_0 &Darken", "mnuColors_1 &Lighten", "mnuColors_5 &Negative",
                     "mnuColors_7 &Gray Scale", "mnuColors_8 &B/W"}));
  EXPECT_EQ(menu("mnuViewTop"),
            (Entries{"mnuView_0 Zoom &In Ctrl++; Ctrl+= off", "mnuView_1 Zoom &Out Ctrl+- off",
                     "mnuView_2 &Actual Size Ctrl+0 off", "mnuView_3 &Best Fit Ctrl+B off"}));
  EXPECT_EQ(menu("mnuWindowTop"),
            (Entries{"mnuWindow_0 Tile &Horizontally", "mnuWindow_1 Tile &Vertically",
                     "mnuWindow_2 &Cascade", "mnuWindow_3 &Arrange Icons"}));
  EXPECT_EQ(m_pMain->MenuEntry("mnuSpecial", 5), Entry("mnuSpecial_5"));  // by array and index
}

TEST_F(cFrameTest, ImageCommandsWithoutAnImageDocumentAskToSelectOneAndDoNothingElse) {
  const char* const kCommands[] = {"mnuLowPass_2", "mnuEdit_1",  "mnuColors_8", "mnuImage_3",
                                   "mnuImage_5",   "mnuImage_7", "mnuFile_1",   "mnuFile_3"};
  for (const char* sName : kCommands)
    Click(sName);
  ASSERT_EQ(m_boxes.Shown().size(), std::size(kCommands));
  for (const test::sShownMessage& shown : m_boxes.Shown())
    EXPECT_EQ(test::Box(shown), test::Box("Please select icon to process.", eMsgIcon::Information));
  EXPECT_TRUE(Windows().empty());

  // A child window that is no image document is not processed either.
  QMdiSubWindow* pOther = m_pMain->MdiArea()->addSubWindow(new QLabel("not an image"));
  pOther->show();
  m_pMain->MdiArea()->setActiveSubWindow(pOther);
  Click("mnuColors_5");
  ASSERT_EQ(m_boxes.Shown().size(), std::size(kCommands) + 1);
  EXPECT_EQ(m_boxes.Shown().back().sText, "Please select icon to process.");
}

TEST_F(cFrameTest, OpenAsksForABitmapGifOrIconAndShowsTheDocument) {
  const std::string sPath = Picture("photo.bmp", 64, 48);
  frmImage* pDocument = Open(sPath);
  ASSERT_NE(pDocument, nullptr);

  ASSERT_EQ(m_dialogs.FileRequests().size(), 1u);
  const sFileDialogRequest& r = m_dialogs.FileRequests()[0];
  EXPECT_EQ(std::tie(r.bSave, r.sFileName, r.lFilterIndex, r.sDefaultExt, r.sInitialDir, r.sTitle,
                     r.lFlags, r.pOwner),
            std::make_tuple(false, "", 1, "BMP", "", "", OFN_FILEMUSTEXIST, m_pMain.get()));
  EXPECT_EQ(r.filters, (std::vector<sFileFilter>{{"Bitmap Files (*.BMP)", "*.BMP;*.DIB"},
                                                 {"GIF Files (*.GIF)", "*.GIF"},
                                                 {"ICO Files (*.ICO)", "*.ICO"},
                                                 {"All Pictures",
                                                  "*.BMP;*.DIB;*.GIF;*.ICO;*.PNG;*.JPG;"
                                                  "*.JPEG;*.TIF;*.TIFF;*.WEBP"}}));
  ASSERT_EQ(Windows().size(), 1u);
  EXPECT_EQ(ShownTitle(*Windows()[0]).toStdString(), "Image: " + sPath);
  EXPECT_FALSE(pDocument->Dirty());
  EXPECT_EQ(m_pMain->StatusStrip()->MainText(), "Opened " + sPath + ".");
  // The file heads the recent files (the programs under X pin the File menu's entries).
  EXPECT_EQ(m_pMain->RecentFiles().File(1), sPath);
  EXPECT_TRUE(m_boxes.Shown().empty());
}

// A cancelled open opens nothing; a file that fails to open is closed again and not listed.
TEST_F(cFrameTest, ACancelledOrFailedOpenLeavesNoDocument) {
  m_dialogs.CancelFile();
  Click("mnuFile_0");
  EXPECT_EQ(m_dialogs.FileRequests().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown().empty());
  const std::string sPath = m_dir.File("broken.bmp");
  std::ofstream(sPath) << "BM but nothing else";
  EXPECT_EQ(Open(sPath), nullptr);
  EXPECT_TRUE(Windows().empty());
  EXPECT_EQ(LoadedWindows().Count(), 1);  // the main window
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with("An error occured trying to open this file: "));
  EXPECT_EQ(m_pMain->RecentFiles().FileCount(), 0);
  EXPECT_FALSE(Entry("mnuFile_9")->isVisible());
}

struct sCommand {
  const char* sEntry;      // the menu entry
  const char* sOperation;  // the same command in the table of operations
};

class ProcessingCommandTest : public cFrameTest, public ::testing::WithParamInterface<sCommand> {};

TEST_P(ProcessingCommandTest, ChangesThePictureAsTheDocumentCommandDoesAndMarksItChanged) {
  const sCommand& c = GetParam();
  frmImage* pDocument = OpenRandom("random.bmp", 23, 17);
  ASSERT_NE(pDocument, nullptr);

  Click(c.sEntry);
  EXPECT_TRUE(m_boxes.Shown().empty()) << m_boxes.Shown()[0].sText;
  EXPECT_TRUE(pDocument->Dirty());
  // The expected picture: the same command of the shared document on the same picture.
  cImageDocumentCore cExpected;
  cExpected.LoadImage(*m_pOriginal);
  cProbeContext context;
  ParseOperation(c.sOperation, context)(cExpected);
  const std::vector<uint8_t> shown = Shown(pDocument);
  EXPECT_EQ(shown, test::DisplayBytes(cExpected.Picture()));
  EXPECT_NE(shown, test::DisplayBytes(*m_pOriginal));
  EXPECT_EQ(Held(pDocument), shown);
  // Whatever progress it showed is gone, and the strip tells the completion (the negative, in
  // one quick pass, shows no progress).
  EXPECT_TRUE(m_pMain->StatusStrip()->Progress()->isHidden());
  EXPECT_EQ(m_pMain->StatusStrip()->MainText().starts_with("Complete.  Time = "),
            std::string(c.sOperation) != "negative")
      << m_pMain->StatusStrip()->MainText();
  EXPECT_EQ(m_pMain->StatusStrip()->ImageLabel()->text(), "random.bmp ");
}

INSTANTIATE_TEST_SUITE_P(
    EveryFilterAndColourCommand, ProcessingCommandTest,
    ::testing::Values(sCommand{"mnuLowPass_0", "soften"}, sCommand{"mnuLowPass_1", "soften-more"},
                      sCommand{"mnuLowPass_2", "blur"}, sCommand{"mnuLowPass_3", "blur-more"},
                      sCommand{"mnuHighPass_0", "sharpen"},
                      sCommand{"mnuHighPass_1", "sharpen-more"},
                      sCommand{"mnuHighPass_2", "unsharp"}, sCommand{"mnuSpecial_0", "emboss"},
                      sCommand{"mnuSpecial_4", "minimum-rank"},
                      sCommand{"mnuSpecial_5", "median-rank"},
                      sCommand{"mnuSpecial_6", "maximum-rank"}, sCommand{"mnuColors_0", "darken"},
                      sCommand{"mnuColors_1", "lighten"}, sCommand{"mnuColors_5", "negative"},
                      sCommand{"mnuColors_7", "gray-scale"}, sCommand{"mnuColors_8", "bw"}),
    [](const ::testing::TestParamInfo<sCommand>& param) {
      return std::string(param.param.sEntry);
    });

TEST_F(cFrameTest, AFailureInsideACommandIsShownAndTheProgramGoesOn) {
  m_pMain->ShowProgress(true);
  m_pMain->RunCommand(
      [] { throw cError(-1, ErrorSource(".cImageProcess"), "Invalid filter types."); });
  m_pMain->RunCommand([] { throw std::bad_alloc(); });
  ASSERT_EQ(m_boxes.Shown().size(), 2u);
  EXPECT_EQ(test::Box(m_boxes.Shown()[0]),
            test::Box("Invalid filter types.", eMsgIcon::Exclamation));
  EXPECT_EQ(m_boxes.Shown()[1].sText, "Out of memory");
  // The failed operation's progress does not stay behind.
  EXPECT_TRUE(m_pMain->StatusStrip()->Progress()->isHidden());
  EXPECT_TRUE(m_pMain->isVisible());
}

TEST_F(cFrameTest, AnEngineFailureIsShownAndLeavesTheDocumentAndItsHistoryUnchanged) {
  frmImage* pDocument = Open(Picture("photo.bmp", 6, 5, {10, 200, 30}));
  ASSERT_NE(pDocument, nullptr);
  Click("mnuColors_5");
  Click("mnuEditHistory_0");
  const std::vector<uint8_t> before = Shown(pDocument);
  // A work buffer that no longer matches the picture: the engine refuses B/W.
  ASSERT_TRUE(pDocument->Document().Work().Create(2, 2));
  Click("mnuColors_8");
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  // The history is as it was: nothing to undo, the negative still to redo.
  EXPECT_FALSE(pDocument->History().CanUndo());
  EXPECT_EQ(pDocument->History().RedoName(), "Negative");
  EXPECT_EQ(test::Box(m_boxes.Shown()[0]),
            test::Box("Image sizes do not match.", eMsgIcon::Exclamation));
  EXPECT_FALSE(pDocument->Dirty());
  EXPECT_EQ(Shown(pDocument), before);
  EXPECT_EQ(Held(pDocument), before);
  // The program goes on: the next command works.
  Click("mnuColors_5");
  EXPECT_TRUE(pDocument->Dirty());
  EXPECT_EQ(m_boxes.Shown().size(), 1u);
}

}  // namespace
}  // namespace brennic
