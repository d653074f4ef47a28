// The Image menu's dialog commands with fake documents: each shows its dialog modally in front
// of the main window, which gives up the topmost layer meanwhile and has it back afterwards, and
// runs the document's side of the command only when the dialog was accepted.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "document/IImageDocument.h"
#include "filters/cCustomFilterStore.h"
#include "frame/mDialogCommands.h"
#include "platform/cPictureBox.h"
#include "support/DialogTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using test::TypeInto;
using test::WhenModal;

// The operations the commands call on the active document, recorded.
class cFakeDocument final : public QWidget, public cLoadedWindow, public IImageDocument {
 public:
  cFakeDocument(std::string sTitle, int32_t lWidth, int32_t lHeight)
      : cLoadedWindow(kImageDocumentClass),
        m_sTitle(std::move(sTitle)),
        m_lWidth(lWidth),
        m_lHeight(lHeight),
        m_pPicture(test::MakeImage(lWidth, lHeight, {10, 200, 90})) {}
  hDC ImageDibHDC() override { return nullptr; }
  int32_t ImageWidth() const override { return m_lWidth; }
  int32_t ImageHeight() const override { return m_lHeight; }
  std::string FileTitle() const override { return m_sTitle; }
  // The picture the custom filter editor previews on, as frmImage's Document().Picture().
  cFakeDocument& Document() { return *this; }
  const cDIBSection& Picture() const { return *m_pPicture; }

  void LoadCustomFilter(cImageProcessDIB& cI) {
    const int32_t h = cI.FilterArraySize() / 2;
    std::string s = "filter " + std::to_string(cI.FilterArraySize()) + " weight " +
                    std::to_string(cI.FilterWeight()) + ":";
    for (int32_t x = -h; x <= h; ++x) {
      for (int32_t y = -h; y <= h; ++y)
        s += " " + std::to_string(cI.FilterValue(x, y));
    }
    m_log.push_back(s);
  }
  void ProcessImage(int32_t eType) { m_log.push_back("process " + std::to_string(eType)); }
  void Resample(int32_t lW, int32_t lH) {
    m_log.push_back("resample " + std::to_string(lW) + " x " + std::to_string(lH));
  }
  const std::vector<std::string>& Log() const { return m_log; }

 private:
  std::string m_sTitle;
  int32_t m_lWidth;
  int32_t m_lHeight;
  std::unique_ptr<cDIBSection> m_pPicture;
  std::vector<std::string> m_log;
};

class DialogCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    m_main.resize(350, 191);
    m_main.show();
    SetTopMost(&m_main, true);
  }
  bool MainTopMost() const { return m_main.windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
  // Inside the modal loop: the dialog has taken the topmost layer from the main window.
  void ExpectDialogInFront(QWidget* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    EXPECT_FALSE(MainTopMost());
    EXPECT_TRUE(pDialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(pDialog->isModal());
    EXPECT_EQ(pDialog->parentWidget(), &m_main);
  }

  test::cScopedRegistry m_registry;
  test::cScriptedMessageBoxes m_messages;
  QWidget m_main;
};

TEST_F(DialogCommands, AcceptedCustomFilterIsLoadedAndRunAsCustom) {
  cFakeDocument document("a.bmp", 8, 8);
  const std::vector<uint8_t> before = test::Bytes(document.Picture());
  WhenModal<frmCustomFilter>([&](frmCustomFilter* pDialog) {
    ExpectDialogInFront(pDialog);
    TypeInto(pDialog->txtValue(7 * 3 + 4), "2");
    TypeInto(pDialog->txtWeight(), "3");
    // The editor previews on the document's picture, which it leaves alone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return pDialog->picPreview()->isVisible(); }, 1000));
    EXPECT_EQ(pDialog->picPreview()->Image().size(), QSize(8, 8));
    QTest::mouseClick(pDialog->cmdOK(), Qt::LeftButton);
  });
  EXPECT_TRUE(RunCustomFilterDialog(&m_main, document));
  EXPECT_EQ(document.Log(),
            (std::vector<std::string>{"filter 3 weight 3: 0 0 0 0 1 2 0 0 0", "process 13"}));
  EXPECT_EQ(test::Bytes(document.Picture()), before);
  EXPECT_TRUE(MainTopMost());
  EXPECT_EQ(ListFilters().size(), 1u);
}

TEST_F(DialogCommands, CancelledCustomFilterChangesNothing) {
  cFakeDocument document("a.bmp", 8, 8);
  WhenModal<frmCustomFilter>([&](frmCustomFilter* pDialog) {
    ExpectDialogInFront(pDialog);
    TypeInto(pDialog->txtValue(0), "2");
    QTest::keyClick(pDialog->txtValue(0), Qt::Key_Escape);
  });
  EXPECT_FALSE(RunCustomFilterDialog(&m_main, document));
  EXPECT_TRUE(document.Log().empty());
  EXPECT_TRUE(MainTopMost());
}

TEST_F(DialogCommands, ResampleOffersTheDocumentsSizeAndAppliesTheChoice) {
  cFakeDocument document("a.bmp", 640, 480);
  WhenModal<frmNewSize>([&](frmNewSize* pDialog) {
    ExpectDialogInFront(pDialog);
    EXPECT_EQ(pDialog->txtWidth()->text(), "640");
    EXPECT_EQ(pDialog->txtHeight()->text(), "480");
    QTest::mouseClick(pDialog->optStyle(1), Qt::LeftButton);
    TypeInto(pDialog->txtPercent(), "50");
    QTest::keyClick(pDialog->txtPercent(), Qt::Key_Return);
  });
  EXPECT_TRUE(RunResampleDialog(&m_main, document));
  EXPECT_EQ(document.Log(), (std::vector<std::string>{"resample 320 x 240"}));
  EXPECT_TRUE(MainTopMost());

  WhenModal<frmNewSize>([&](frmNewSize* pDialog) {
    ExpectDialogInFront(pDialog);
    pDialog->close();
  });
  EXPECT_FALSE(RunResampleDialog(&m_main, document));
  EXPECT_EQ(document.Log().size(), 1u);
  EXPECT_TRUE(MainTopMost());
}

TEST_F(DialogCommands, CombineHandsTheAcceptedDialogToTheNewDocument) {
  cFakeDocument first("first.bmp", 100, 80);
  cFakeDocument second("second.bmp", 60, 120);
  std::vector<std::string> combined;
  const auto combine = [&](const frmCombination& fC) {
    combined.push_back(std::to_string(fC.CombinationType()) + " " +
                       std::to_string(fC.ImageSource(1)) + " " + std::to_string(fC.ImageSource(2)) +
                       " " + std::to_string(fC.NewImageWidth()) + " x " +
                       std::to_string(fC.NewImageHeight()));
  };
  WhenModal<frmCombination>([&](frmCombination* pDialog) {
    ExpectDialogInFront(pDialog);
    QTest::mouseClick(pDialog->optCombine(1), Qt::LeftButton, Qt::NoModifier, QPoint(8, 6));
    QTest::mouseClick(pDialog->cmdOK(), Qt::LeftButton);
  });
  EXPECT_TRUE(RunCombineDialog(&m_main, combine));
  const std::string sSources = std::to_string(LoadedWindows().IndexOf(&first)) + " " +
                               std::to_string(LoadedWindows().IndexOf(&second));
  EXPECT_EQ(combined, (std::vector<std::string>{"2 " + sSources + " 60 x 80"}));
  EXPECT_TRUE(MainTopMost());

  WhenModal<frmCombination>([&](frmCombination* pDialog) {
    ExpectDialogInFront(pDialog);
    pDialog->close();
  });
  EXPECT_FALSE(RunCombineDialog(&m_main, combine));
  EXPECT_EQ(combined.size(), 1u);
  EXPECT_TRUE(MainTopMost());
}

}  // namespace
}  // namespace brennic
