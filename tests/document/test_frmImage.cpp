// The image document window: naming, opening, saving, asking before changes are lost, the
// reports to the main window, the processing commands and combining, driven on real windows
// with a recording main window and scripted dialogs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QWheelEvent>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "document/frmImage.h"
#include "image/cError.h"
#include "platform/PictureIO.h"
#include "platform/cPictureBox.h"
#include "platform/mWindowing.h"
#include "support/DialogTestUtil.h"
#include "support/DocumentTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using test::Bgr;
using test::cRecordingFrame;
using test::cScopedScreenMetrics;
using test::cScriptedCommonDialogs;
using test::cScriptedMessageBoxes;
using test::cTempDir;
using test::DisplayBytes;
using test::DisplayPixel;
using Log = std::vector<std::string>;

constexpr Bgr kA{10, 20, 30};
constexpr Bgr kB{200, 100, 0};
constexpr Bgr kC{255, 255, 255};
constexpr Bgr kD{0, 1, 2};
constexpr Bgr kE{90, 80, 70};
constexpr Bgr kF{5, 250, 128};

// The bars as laid out, "h ..., v ...": "-" for a hidden bar, else its maximum and geometry.
std::string Bars(const frmImage& document) {
  std::string s;
  for (const QScrollBar* p : {document.hscScroll(), document.vscScroll()}) {
    const QRect r = p->geometry();
    s += s.empty() ? "h " : ", v ";
    s += p->isHidden() ? "-"
                       : std::to_string(p->maximum()) + " (" + std::to_string(r.x()) + "," +
                             std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
                             std::to_string(r.height()) + ")";
  }
  return s;
}

class DocumentTest : public ::testing::Test {
 protected:
  cScopedScreenMetrics m_metrics;  // 15 twips per pixel
  cScriptedMessageBoxes m_boxes;
  cScriptedCommonDialogs m_dialogs;
  cTempDir m_dir;
  cRecordingFrame m_frame;

  void SetUp() override {
    ASSERT_EQ(LoadedWindows().Count(), 0) << "a window of an earlier test is still loaded";
  }

  // A bitmap file of display rows (top row first).
  std::string Picture(const std::string& sName, const std::vector<std::vector<Bgr>>& rows) {
    const std::string sPath = m_dir.File(sName);
    test::WriteBitmap(sPath, *test::MakeImageFromRows(rows));
    return sPath;
  }
  // The 3 x 2 picture most tests open: A B C over D E F.
  std::string SmallPicture(const std::string& sName = "small.bmp") {
    return Picture(sName, {{kA, kB, kC}, {kD, kE, kF}});
  }
  std::string PlainPicture(const std::string& sName, int32_t lWidth, int32_t lHeight) {
    const std::string sPath = m_dir.File(sName);
    test::WriteBitmap(sPath, *test::MakeImage(lWidth, lHeight, {40, 50, 60}));
    return sPath;
  }
  std::unique_ptr<frmImage> Opened(const std::string& sPath) {
    auto pDocument = std::make_unique<frmImage>(m_frame);
    EXPECT_TRUE(pDocument->OpenFile(sPath));
    m_frame.log.clear();
    return pDocument;
  }
};

TEST(DocumentNaming, TitleAndTheProposalsForSavingAndExporting) {
  using Fn = std::string (*)(const std::string&);
  const Fn title = frmImage::TitleOf;
  const Fn save = frmImage::SaveNameProposal;
  const Fn exported = frmImage::ExportNameProposal;
  const struct {
    Fn fn;
    const char* sIn;
    const char* sOut;
  } cases[] = {
      {title, "report", "report"},
      {title, "C:\\pics\\cat.bmp", "cat.bmp"},
      {title, "C:\\data\\", ""},
      // Paths of this platform: "/" separates folders as "\" does.
      {title, "/home/ann/", ""},
      {title, "/mnt/c\\pics/x\\y.bmp", "y.bmp"},
      {save, "C:\\pics\\cat.bmp", "C:\\pics\\cat.ico"},
      {save, "Image 3", "Image 3.ico"},
      // A last dot among the first two characters starts no extension.
      {save, "a.x", "a.x.ico"},
      {save, ".x", ".x.ico"},
      {save, "ab.x", "ab.ico"},
      // The search does not stop at a folder.
      {save, "C:\\my.dir\\file", "C:\\my.ico"},
      {save, "/home/ann/pics.old/scan", "/home/ann/pics.ico"},
      {save, "", ".ico"},
      // Export replaces the extension of the title only.
      {exported, "/pics/cat.bmp", "/pics/cat.png"},
      {exported, "Image 3", "Image 3.png"},
      {exported, "/my.dir/file", "/my.dir/file.png"},
      {exported, "/pics/.hidden", "/pics/.hidden.png"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.fn(c.sIn), c.sOut) << c.sIn;
}

// --- Opening, saving, exporting, asking -----------------------------------------------------

TEST_F(DocumentTest, OpeningShowsThePictureNamesTheDocumentAndReports) {
  const std::string sPath = SmallPicture();
  frmImage document(m_frame);
  ASSERT_TRUE(document.OpenFile(sPath));
  EXPECT_EQ(m_frame.log,
            (Log{"SetStatus(Opening " + sPath + "...|#|#)",
                 "SetStatus(Opened " + sPath + ".|small.bmp|3 x 2)", "AddMRUFile(" + sPath + ")"}));
  EXPECT_EQ(std::tuple(ShownTitle(document).toStdString(), document.Filename(),
                       document.FileTitle(), document.Dirty(), document.Document().Work().Width(),
                       document.Document().Work().Height(), m_boxes.Shown().size()),
            std::tuple("Image: " + sPath, sPath, "small.bmp", false, 3, 2, 0u));
  // The picture box is as large as the image and shows it the right way up.
  const cPictureBox* pBox = document.picImage();
  EXPECT_EQ(pBox->geometry(), QRect(0, 0, 3, 2));
  EXPECT_EQ(DisplayBytes(pBox->Image()),
            DisplayBytes(*test::MakeImageFromRows({{kA, kB, kC}, {kD, kE, kF}})));
  EXPECT_EQ(DisplayBytes(pBox->Image()), DisplayBytes(document.Document().Picture()));
  // An image document of the collection, under its class name.
  EXPECT_EQ(LoadedWindows().Item(0)->ClassName(), "frmImage");
  EXPECT_EQ(LoadedWindows().ItemAs<IImageDocument>(0), &document);
}

TEST_F(DocumentTest, AFileThatCannotBeOpenedIsReportedAndNothingElseIsSent) {
  std::ofstream(m_dir.File("notes.bmp")) << "not a picture at all\n";
  for (const char* sName : {"missing.bmp", "notes.bmp"}) {
    SCOPED_TRACE(sName);
    const std::string sPath = m_dir.File(sName);
    m_frame.log.clear();
    frmImage document(m_frame);
    EXPECT_FALSE(document.OpenFile(sPath));
    EXPECT_EQ(m_frame.log, (Log{"SetStatus(Opening " + sPath + "...|#|#)"}));
    EXPECT_EQ(document.windowTitle(), "");
    // The description starts with the file's name, so that one of several files can be told.
    ASSERT_FALSE(m_boxes.Shown().empty());
    const test::sShownMessage& shown = m_boxes.Shown().back();
    const std::string sPrefix =
        "An error occured trying to open this file: '" + std::string(sName) + "': ";
    EXPECT_TRUE(shown.sText.starts_with(sPrefix)) << shown.sText;
    EXPECT_GT(shown.sText.size(), sPrefix.size());
    EXPECT_EQ(std::tie(shown.eButtons, shown.eIcon, shown.sTitle),
              std::make_tuple(eMsgButtons::OK, eMsgIcon::Exclamation, "Brennic"));
  }
  EXPECT_EQ(m_boxes.Shown().size(), 2u);
}

TEST_F(DocumentTest, SavingAsksWithTheProposalAndWritesTheShownPictureAsABitmap) {
  auto pDocument = Opened(SmallPicture("cat.bmp"));
  pDocument->NegativeImage();
  ASSERT_TRUE(pDocument->Dirty());
  EXPECT_TRUE(m_frame.log.empty()) << "the combination behind Negative raises no progress";

  const std::string sTarget = m_dir.File("saved.ico");
  m_dialogs.ChooseFiles({sTarget});
  ASSERT_TRUE(pDocument->SaveFile());

  ASSERT_EQ(m_dialogs.FileRequests().size(), 1u);
  const sFileDialogRequest& r = m_dialogs.FileRequests()[0];
  EXPECT_EQ(std::tie(r.bSave, r.sFileName, r.lFilterIndex, r.sDefaultExt, r.sInitialDir, r.sTitle,
                     r.lFlags, r.pOwner),
            std::make_tuple(true, m_dir.File("cat.ico"), 1, "ICO", "", "",
                            OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, pDocument.get()));
  EXPECT_EQ(r.filters, (std::vector<sFileFilter>{{"ICON Files (*.ICO)", "*.ICO"},
                                                 {"BMP Files (*.BMP)", "*.BMP"}}));

  EXPECT_EQ(m_frame.log, (Log{"AddMRUFile(" + sTarget + ")", "SetStatus(#|saved.ico|3 x 2)"}));
  EXPECT_EQ(
      std::tuple(pDocument->Filename(), pDocument->FileTitle(),
                 ShownTitle(*pDocument).toStdString(), pDocument->Dirty(), m_boxes.Shown().size()),
      std::tuple(sTarget, "saved.ico", "Image: " + sTarget, false, 0u));
  // A bitmap file under the ".ico" name, holding the negative.
  QFile saved(QString::fromStdString(sTarget));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_TRUE(saved.read(2) == "BM");
  cDIBSection cLoaded;
  cLoaded.CreateFromPicture(*LoadPicture(sTarget));
  EXPECT_EQ(DisplayPixel(cLoaded, 0, 0), (Bgr{245, 235, 225}));
  EXPECT_EQ(DisplayBytes(cLoaded), DisplayBytes(pDocument->picImage()->Image()));
}

TEST_F(DocumentTest, ACancelledOrFailedSaveChangesNothingAndAFailureIsReported) {
  const std::string sPath = SmallPicture();
  auto pDocument = Opened(sPath);
  pDocument->NegativeImage();
  m_dialogs.CancelFile();
  EXPECT_FALSE(pDocument->SaveFile());
  EXPECT_TRUE(m_boxes.Shown().empty());
  m_dialogs.ChooseFiles({m_dir.File("no such folder/out.bmp")});
  EXPECT_FALSE(pDocument->SaveFile());
  EXPECT_TRUE(pDocument->Dirty());
  EXPECT_EQ(pDocument->Filename(), sPath);
  EXPECT_TRUE(m_frame.log.empty());
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with("An error occured trying to save this file: "))
      << m_boxes.Shown()[0].sText;
  EXPECT_EQ(m_boxes.Shown()[0].eIcon, eMsgIcon::Exclamation);
}

// Each format through the dialogs as a person chooses it: the name's extension decides, a name
// without a known one takes the type chosen in the list; JPEG and WebP ask for the quality. The
// file holds the shown picture (exactly, for the lossless formats); the document keeps its name,
// its changed state and the recent-files list.
TEST_F(DocumentTest, ExportWritesTheChosenFormatAndLeavesTheDocumentAsItWas) {
  std::vector<std::vector<Bgr>> rows(30, std::vector<Bgr>(40));
  for (int32_t y = 0; y < 30; ++y) {
    for (int32_t x = 0; x < 40; ++x) {
      rows[y][x] = {static_cast<uint8_t>(4 * x), static_cast<uint8_t>(5 * y),
                    static_cast<uint8_t>(2 * (x + y))};
    }
  }
  const std::string sPath = Picture("cat.bmp", rows);
  auto pDocument = Opened(sPath);
  pDocument->NegativeImage();
  m_frame.log.clear();
  const std::vector<uint8_t> shown = DisplayBytes(pDocument->picImage()->Image());
  test::cScriptedQualityDialogs quality;
  const struct {
    std::string sName;
    int32_t lFilterIndex;
    QByteArray magic;
    std::string sAsked;  // the quality dialog, when one is shown
    bool bLossless;
  } cases[] = {
      {"a.png", 4, "\x89PNG", "", true},  {"a.TIF", 1, QByteArray("II*\0", 4), "", true},
      {"a.bmp", 1, "BM", "", true},       {"a.jpeg", 1, "\xFF\xD8\xFF", "JPEG 90", false},
      {"a", 3, "RIFF", "WebP 90", false}, {"a.xyz", 5, "BM", "", true},
  };
  for (const auto& c : cases) {
    const std::string sTarget = m_dir.File(c.sName);
    m_dialogs.ChooseFiles({sTarget}, c.lFilterIndex);
    const size_t lAsked = quality.Asked().size();
    ASSERT_TRUE(pDocument->ExportFile()) << c.sName;
    EXPECT_EQ(quality.Asked().size() > lAsked ? quality.Asked().back() : "", c.sAsked) << c.sName;
    QFile file(QString::fromStdString(sTarget));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.sName;
    EXPECT_TRUE(file.read(4).startsWith(c.magic)) << c.sName;
    cDIBSection cLoaded;
    cLoaded.CreateFromPicture(*LoadPicture(sTarget));
    const std::vector<uint8_t> back = DisplayBytes(cLoaded);
    ASSERT_EQ(back.size(), shown.size()) << c.sName;
    if (c.bLossless) {
      EXPECT_EQ(back, shown) << c.sName;
    } else {
      double dSum = 0;
      for (size_t i = 0; i < back.size(); ++i)
        dSum += std::abs(int{back[i]} - int{shown[i]});
      EXPECT_LT(dSum / static_cast<double>(back.size()), 3.0) << c.sName;
    }
    EXPECT_EQ(m_frame.log, (Log{"SetStatus(Exported " + c.sName + "|#|#)"})) << c.sName;
    m_frame.log.clear();
  }
  const sFileDialogRequest& r = m_dialogs.FileRequests()[0];
  EXPECT_EQ(
      std::tuple(r.sFileName, r.sTitle, r.filters.size(), r.filters[1], r.pOwner),
      std::make_tuple(m_dir.File("cat.png"), "Export", 5u,
                      sFileFilter{"JPEG Files (*.jpg;*.jpeg)", "*.jpg;*.jpeg"}, pDocument.get()));

  // The quality chosen is the one written: a lower one makes a smaller file.
  quality.Answer(5);
  m_dialogs.ChooseFiles({m_dir.File("low.jpg")});
  ASSERT_TRUE(pDocument->ExportFile());
  quality.Answer(95);
  m_dialogs.ChooseFiles({m_dir.File("high.jpg")});
  ASSERT_TRUE(pDocument->ExportFile());
  EXPECT_LT(std::filesystem::file_size(m_dir.File("low.jpg")),
            std::filesystem::file_size(m_dir.File("high.jpg")));
  // Cancelling the file or the quality dialog writes nothing.
  m_dialogs.CancelFile();
  EXPECT_FALSE(pDocument->ExportFile());
  quality.Answer(std::nullopt);
  m_dialogs.ChooseFiles({m_dir.File("never.webp")});
  EXPECT_FALSE(pDocument->ExportFile());
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("never.webp")));

  EXPECT_EQ(std::tuple(pDocument->Dirty(), pDocument->Filename(),
                       ShownTitle(*pDocument).toStdString(), m_boxes.Shown().size()),
            std::tuple(true, sPath, "Image: " + sPath + "*", 0u));
}

TEST_F(DocumentTest, AFailedExportIsReportedAndLeavesNoFile) {
  auto pDocument = Opened(SmallPicture());
  pDocument->NegativeImage();
  m_dialogs.ChooseFiles({m_dir.File("no such folder/out.png")});
  EXPECT_FALSE(pDocument->ExportFile());
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(m_boxes.Shown()[0].sText, "An error occurred trying to export this file: The folder '" +
                                          m_dir.File("no such folder") + "' does not exist.");
  EXPECT_EQ(m_boxes.Shown()[0].eIcon, eMsgIcon::Exclamation);
  EXPECT_TRUE(pDocument->Dirty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 1)
      << "only the picture opened";
}

// No, Yes and Cancel at the close are driven from the main window; here Yes with the save dialog
// cancelled refuses too and keeps the change.
TEST_F(DocumentTest, QuerySaveRefusesWhenTheSaveIsCancelled) {
  auto pDocument = Opened(SmallPicture("photo.bmp"));
  pDocument->NegativeImage();
  m_boxes.Answer(eMsgResult::Yes);
  m_dialogs.CancelFile();
  EXPECT_FALSE(pDocument->QuerySave());
  EXPECT_TRUE(pDocument->Dirty());
  EXPECT_EQ(test::Messages(m_boxes),
            (std::vector<test::tMessage>{
                {"The image 'photo.bmp' has been changed.\r\n\r\nDo you want to save it?",
                 eMsgButtons::YesNoCancel, eMsgIcon::Question, "Brennic"}}));
  EXPECT_EQ(m_dialogs.FileRequests().size(), 1u);
}

// --- Processing and combining ----------------------------------------------------------------

TEST_F(DocumentTest, EngineEventsGoStraightToTheMainWindow) {
  auto pDocument = Opened(SmallPicture());
  IImageProcessEvents* pEvents = pDocument->Document().Engine().Listener();
  ASSERT_NE(pEvents, nullptr);
  pEvents->InitProgress(8);
  pEvents->Progress(3);
  pEvents->Progress(6);
  pEvents->Complete(1234);
  EXPECT_EQ(m_frame.log, (Log{"ProgressMax(8)", "ProgressValue(0)", "ShowProgress(true)",
                              "ProgressValue(3)", "ProgressValue(6)", "ShowProgress(false)",
                              "SetStatus(Complete.  Time = 1234|#|#)"}));
}

// What the combine dialog hands to a new document once confirmed.
struct sCombination {
  int32_t lWidth = 2;
  int32_t lHeight = 1;
  int32_t lSource1 = 0;
  int32_t lSource2 = 0;
  int32_t eType = 0;
  int32_t NewImageWidth() const { return lWidth; }
  int32_t NewImageHeight() const { return lHeight; }
  int32_t ImageSource(int32_t i) const { return i == 1 ? lSource1 : lSource2; }
  int32_t CombinationType() const { return eType; }
  int32_t Multiplier(int32_t i) const { return i == 1 ? 1 : 2; }
  int32_t Offset(int32_t i) const { return i == 1 ? 0 : 5; }
};

TEST_F(DocumentTest, CombineReadsTwoOpenDocumentsByPositionAndNamesTheResult) {
  auto pFirst = Opened(SmallPicture("first.bmp"));
  auto pSecond = Opened(Picture("second.bmp", {{kD, kC, kD}, {kC, kC, kC}}));
  const int32_t l1 = LoadedWindows().IndexOf(pFirst.get());
  const int32_t l2 = LoadedWindows().IndexOf(pSecond.get());
  struct sCase {
    int32_t eType;
    Bgr top_left;
    Bgr top_right;
  };
  // 1: (second + 5) * 2 + first, clamped: blue (0 + 5) * 2 + 10 = 20, green (1 + 5) * 2 + 20 =
  // 32, red (2 + 5) * 2 + 30 = 44. 2 keeps the darker, 3 the lighter pixel; any other type shows
  // the first picture.
  for (const sCase& c : {sCase{1, {20, 32, 44}, {255, 255, 255}}, sCase{2, kD, kB},
                         sCase{3, kA, kC}, sCase{0, kA, kB}, sCase{9, kA, kB}}) {
    SCOPED_TRACE(c.eType);
    m_frame.log.clear();
    frmImage combined(m_frame);
    combined.Combine(sCombination{2, 1, l1, l2, c.eType});
    EXPECT_EQ(std::tuple(combined.ImageWidth(), combined.ImageHeight(),
                         combined.Document().Work().Width(), combined.Dirty()),
              std::tuple(2, 1, 2, true));
    EXPECT_EQ(DisplayBytes(combined.picImage()->Image()),
              DisplayBytes(*test::MakeImageFromRows({{c.top_left, c.top_right}})));
    const std::string sName = "Image " + std::to_string(m_frame.lIndex);
    // Reported once the picture exists (the window reported nothing before it had one).
    EXPECT_EQ(m_frame.log, (Log{"NewImageIndex", "SetStatus(#|" + sName + "|2 x 1)"}));
    EXPECT_EQ(combined.Filename(), sName);
    EXPECT_EQ(ShownTitle(combined).toStdString(), "Image: " + sName + "*");
  }
  // The sources are left as they were.
  EXPECT_FALSE(pFirst->Dirty());
  EXPECT_EQ(DisplayPixel(pFirst->Document().Picture(), 0, 0), kA);
  // A position that names no document fails and leaves the new window empty.
  frmImage combined(m_frame);
  EXPECT_THROW(combined.Combine(sCombination{2, 1, l1, 99}), cError);
  EXPECT_FALSE(combined.Dirty());
  EXPECT_EQ(combined.Filename(), "");
}

// --- The view
// -------------------------------------------------------------------------------------

class DocumentViewTest : public DocumentTest {
 protected:
  // A document of a lWidth x lHeight picture whose viewport is 400 x 300 pixels.
  std::unique_ptr<frmImage> Viewed(int32_t lWidth, int32_t lHeight) {
    auto pDocument = Opened(PlainPicture("view.bmp", lWidth, lHeight));
    pDocument->resize(404, 304);
    pDocument->show();
    return pDocument;
  }
};

// Each row a picture in a viewport of 400 x 300: a bar shows when the picture is larger than the
// room (less the other bar's thickness when that one shows), so a bar may show with nothing to
// scroll; maxima are whole twips divided by whole twips per pixel.
TEST_F(DocumentViewTest, TheBarsShowWhereThePictureDoesNotFit) {
  const struct {
    int32_t lWidth;
    int32_t lHeight;
    double dTwips;
    const char* sBars;
  } cases[] = {
      {100, 100, 15, "h -, v -"},
      {1000, 200, 15, "h 600 (0,287 400x13), v -"},
      {1000, 1000, 15, "h 613 (0,287 387x13), v 713 (387,0 13x287)"},
      {395, 100, 15, "h 0 (0,287 400x13), v -"},  // 395 > 400 - 13
      // At 97 dots per inch 600 pixels are 8907 twips after rounding, and 8907 \ 15 is 593.
      {1000, 200, 1440.0 / 97, "h 593 (0,287 400x13), v -"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lWidth) + " x " + std::to_string(c.lHeight));
    const cScopedScreenMetrics metrics({c.dTwips, c.dTwips, 1024, 768, 32});
    auto pDocument = Viewed(c.lWidth, c.lHeight);
    EXPECT_EQ(pDocument->picScrollBox()->geometry(), QRect(2, 2, 400, 300));
    EXPECT_EQ(pDocument->picImage()->geometry(), QRect(0, 0, c.lWidth, c.lHeight));
    EXPECT_EQ(Bars(*pDocument), c.sBars);
    if (c.lHeight == 1000) {
      // The bars lie above the picture and step by 32 pixels.
      EXPECT_EQ(pDocument->picScrollBox()->childAt(390, 10), pDocument->vscScroll());
      EXPECT_EQ(pDocument->vscScroll()->singleStep(), 32);
      EXPECT_EQ(pDocument->vscScroll()->pageStep(), 1);
      // A window too small for the margins keeps the viewport it had.
      pDocument->resize(3, 50);
      EXPECT_EQ(pDocument->picScrollBox()->geometry(), QRect(2, 2, 400, 300));
      pDocument->resize(4, 4);
      EXPECT_EQ(pDocument->picScrollBox()->geometry(), QRect(2, 2, 0, 0));
    }
  }
}

TEST_F(DocumentViewTest, BarsMoveThePictureAndFollowTheThumbAndTheWindowsSize) {
  auto pDocument = Viewed(1000, 1000);
  QScrollBar* pH = pDocument->hscScroll();
  QScrollBar* pV = pDocument->vscScroll();
  pH->setValue(100);
  pV->setValue(250);
  EXPECT_EQ(pDocument->picImage()->pos(), QPoint(-100, -250));
  pH->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(pDocument->picImage()->x(), -132);
  pH->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(pDocument->picImage()->x(), -133);
  // A thumb held down and moved: the picture follows before the thumb is released.
  pH->setSliderDown(true);
  pH->setSliderPosition(400);
  EXPECT_EQ(pDocument->picImage()->x(), -400);
  pH->setSliderPosition(410);
  EXPECT_EQ(pDocument->picImage()->x(), -410);
  pH->setSliderDown(false);
  EXPECT_EQ(pDocument->picImage()->x(), -410);
  // Growing the window keeps the far edges at the viewport's, inside the bars.
  pH->setValue(613);
  pV->setValue(713);
  pDocument->resize(804, 904);  // viewport 800 x 900
  EXPECT_EQ(Bars(*pDocument), "h 213 (0,887 787x13), v 113 (787,0 13x887)");
  EXPECT_EQ(pH->value(), 213);
  EXPECT_EQ(pDocument->picImage()->geometry(), QRect(-213, -113, 1000, 1000));
  // A bar that hides brings the picture back to the viewport's edge.
  pDocument->resize(1104, 904);
  EXPECT_EQ(Bars(*pDocument), "h -, v 100 (1087,0 13x900)");
  EXPECT_EQ(pDocument->picImage()->pos(), QPoint(0, -100));
}

TEST_F(DocumentViewTest, AMinimisedWindowKeepsItsViewportAndBars) {
  QMdiArea area;
  area.resize(600, 500);
  area.show();
  auto* pDocument = new frmImage(m_frame);
  QMdiSubWindow* pWindow = area.addSubWindow(pDocument);
  ASSERT_TRUE(pDocument->OpenFile(PlainPicture("view.bmp", 1000, 1000)));
  pWindow->resize(300, 300);
  pWindow->show();
  const QRect viewport = pDocument->picScrollBox()->geometry();
  const QRect bar = pDocument->hscScroll()->geometry();
  ASSERT_FALSE(pDocument->hscScroll()->isHidden());
  pWindow->showMinimized();
  EXPECT_EQ(pDocument->picScrollBox()->geometry(), viewport);
  EXPECT_EQ(pDocument->hscScroll()->geometry(), bar);
  EXPECT_EQ(ShownTitle(*pWindow).toStdString(), "Image: " + m_dir.File("view.bmp"));
}

// --- Wheel and zoom
// ---------------------------------------------------------------------------------

// Turns a wheel by angle (1/8 degree) at pos of pOver, as the desktop reports it.
void Turn(QWidget* pOver, QPointF pos, QPoint angle, Qt::KeyboardModifiers modifiers = {}) {
  QWheelEvent event(pos, pOver->mapToGlobal(pos), QPoint(), angle, Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(pOver, &event);
}

TEST_F(DocumentViewTest, TheWheelMovesTheBarsAsDraggingThemDoes) {
  auto pDocument = Viewed(1000, 1000);
  QScrollBar* pH = pDocument->hscScroll();
  QScrollBar* pV = pDocument->vscScroll();
  struct sCase {
    QWidget* pOver;
    QPoint angle;
    Qt::KeyboardModifiers modifiers;
    int iTurns;
    QPoint expected;  // bar values after the turns, from 100, 200
  };
  // A notch (120) moves three lines of the bars' small step: 96 pixels.
  const sCase cases[] = {
      {pDocument->picImage(), {0, -120}, {}, 1, {100, 296}},
      {pDocument->picImage(), {0, 240}, {}, 1, {100, 8}},
      {pDocument->picImage(), {0, 1200}, {}, 1, {100, 0}},
      {pDocument->picImage(), {0, -120}, Qt::ShiftModifier, 1, {196, 200}},
      {pDocument->picImage(), {-120, 0}, {}, 1, {196, 200}},  // a touchpad's sideways motion
      {pDocument->picImage(), {0, -1200}, Qt::ShiftModifier, 1, {613, 200}},
      {pH, {0, -120}, {}, 1, {196, 200}},
      {pV, {0, -120}, {}, 1, {100, 296}},
      // A touchpad's small turns add up: 10 x 13 units are 104 pixels, not 10 x 10.
      {pDocument->picImage(), {0, -13}, {}, 10, {100, 304}},
  };
  for (const sCase& c : cases) {
    SCOPED_TRACE(c.pOver->objectName().toStdString() + " " + std::to_string(c.angle.y()));
    pH->setValue(100);
    pV->setValue(200);
    for (int i = 0; i < c.iTurns; ++i)
      Turn(c.pOver, {5, 5}, c.angle, c.modifiers);
    EXPECT_EQ(QPoint(pH->value(), pV->value()), c.expected);
    EXPECT_EQ(pDocument->picImage()->pos(), -c.expected);
  }
  EXPECT_EQ(pH->singleStep(), 32);
  EXPECT_EQ(pH->pageStep(), 1);
  // A picture that fits does not move.
  auto pSmall = Viewed(100, 100);
  Turn(pSmall->picImage(), {5, 5}, {0, -120});
  Turn(pSmall->picImage(), {5, 5}, {0, -120}, Qt::ShiftModifier);
  EXPECT_EQ(pSmall->picImage()->pos(), QPoint(0, 0));
}

TEST_F(DocumentViewTest, CtrlWheelZoomsAboutThePointer) {
  auto pDocument = Viewed(1000, 1000);
  const std::string sTitle = "Image: " + m_dir.File("view.bmp");
  QScrollBar* pH = pDocument->hscScroll();
  QScrollBar* pV = pDocument->vscScroll();
  pH->setValue(100);
  pV->setValue(200);
  // The pointer at 50, 60 of the viewport: picture point 150, 260.
  struct sCase {
    int iAngle;
    sZoom zoom;
    QPoint values;
    const char* sZoomText;
  };
  const sCase cases[] = {
      {120, {3, 2}, {175, 330}, " (150 %)"},  // 150 * 1.5 - 50, 260 * 1.5 - 60
      {240, {3, 1}, {400, 720}, " (300 %)"},
      {-360, {1, 1}, {100, 200}, ""},
      {-240, {1, 2}, {25, 70}, " (50 %)"},
  };
  for (const sCase& c : cases) {
    SCOPED_TRACE(c.iAngle);
    Turn(pDocument->picImage(), QPointF(50, 60) - pDocument->picImage()->pos(), {0, c.iAngle},
         Qt::ControlModifier);
    EXPECT_EQ(pDocument->Zoom(), c.zoom);
    EXPECT_EQ(QPoint(pH->value(), pV->value()), c.values);
    EXPECT_EQ(ShownTitle(*pDocument).toStdString(), sTitle + c.sZoomText);
  }
  // Over a bar too; the bars' own wheel handling does not run.
  Turn(pV, {5, 100}, {0, 120}, Qt::ControlModifier);
  EXPECT_EQ(pDocument->Zoom(), (sZoom{2, 3}));
}

TEST_F(DocumentViewTest, TheBarsAreLaidOutForTheZoomedPicture) {
  auto pDocument = Viewed(1000, 1000);
  const std::string sTitle = "Image: " + m_dir.File("view.bmp");
  pDocument->ZoomOut();
  pDocument->ZoomOut();
  ASSERT_EQ(pDocument->Zoom(), (sZoom{1, 2}));
  // 500 x 500 in 400 x 300: both bars, maxima 500 - 400 + 13 and 500 - 300 + 13.
  EXPECT_EQ(pDocument->picImage()->size(), QSize(500, 500));
  EXPECT_EQ(Bars(*pDocument), "h 113 (0,287 387x13), v 213 (387,0 13x287)");
  EXPECT_EQ(ShownTitle(*pDocument).toStdString(), sTitle + " (50 %)");
  // Best fit: the tighter side fills the room inside the bars, 287 / 1000; no bars.
  pDocument->hscScroll()->setValue(50);
  pDocument->BestFit();
  EXPECT_EQ(pDocument->picImage()->geometry(), QRect(0, 0, 287, 287));
  EXPECT_EQ(Bars(*pDocument), "h -, v -");
  EXPECT_EQ(ShownTitle(*pDocument).toStdString(), sTitle + " (28.7 %)");
  pDocument->ZoomIn();
  EXPECT_EQ(pDocument->Zoom(), (sZoom{1, 3}));
  pDocument->ActualSize();
  EXPECT_EQ(pDocument->picImage()->size(), QSize(1000, 1000));
  EXPECT_EQ(Bars(*pDocument), "h 613 (0,287 387x13), v 713 (387,0 13x287)");
  EXPECT_EQ(ShownTitle(*pDocument).toStdString(), sTitle);
}

TEST_F(DocumentViewTest, ZoomChangesOnlyWhatIsShown) {
  auto pDocument = Opened(SmallPicture("cat.bmp"));
  pDocument->resize(404, 304);
  pDocument->show();
  for (int i = 0; i < 4; ++i)
    pDocument->ZoomIn();
  ASSERT_EQ(pDocument->Zoom(), (sZoom{4, 1}));
  pDocument->NegativeImage();
  // Each picture pixel shows as a 4 x 4 square; the copy in the box stays 3 x 2.
  cPictureBox* pBox = pDocument->picImage();
  EXPECT_EQ(pBox->size(), QSize(12, 8));
  const QImage shown = pBox->grab().toImage();
  ASSERT_EQ(shown.size(), QSize(12, 8));
  // B negated at both corners of its square, F negated.
  EXPECT_EQ((std::vector<Bgr>{DisplayPixel(shown, 4, 0), DisplayPixel(shown, 7, 3),
                              DisplayPixel(shown, 11, 7)}),
            (std::vector<Bgr>{{55, 155, 255}, {55, 155, 255}, {250, 5, 127}}));
  EXPECT_EQ(pBox->Image().size(), QSize(3, 2));
  EXPECT_EQ(DisplayBytes(pBox->Image()), DisplayBytes(pDocument->Document().Picture()));
  // The status strip's size, and what is saved, are the picture's.
  m_frame.log.clear();
  pDocument->Activate();
  EXPECT_EQ(m_frame.log, (Log{"SetStatus(#|cat.bmp|3 x 2)"}));
  const std::string sTarget = m_dir.File("zoomed.bmp");
  m_dialogs.ChooseFiles({sTarget});
  ASSERT_TRUE(pDocument->SaveFile());
  EXPECT_EQ(ShownTitle(*pDocument).toStdString(), "Image: " + sTarget + " (400 %)");
  cDIBSection cSaved;
  cSaved.CreateFromPicture(*LoadPicture(sTarget));
  EXPECT_EQ(DisplayBytes(cSaved), DisplayBytes(pDocument->Document().Picture()));
  // A new document shows one pixel per pixel.
  EXPECT_EQ(Opened(SmallPicture())->Zoom(), kZoomActual);
}

}  // namespace
}  // namespace brennic
