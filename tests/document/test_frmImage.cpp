// The image document window on real windows, with a recording main window and scripted dialogs.

#include <gtest/gtest.h>

#include <QApplication>
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

using namespace test;
using Log = std::vector<std::string>;

constexpr Bgr kA{10, 20, 30};
constexpr Bgr kB{200, 100, 0};
constexpr Bgr kC{255, 255, 255};
constexpr Bgr kD{0, 1, 2};
constexpr Bgr kE{90, 80, 70};
constexpr Bgr kF{5, 250, 128};

// The bars as laid out, "h ..., v ...": "-" for a hidden bar, else its maximum and geometry.
std::string Bars(const frmImage& document) {
  QString s;
  for (const QScrollBar* p : {document.hscScroll(), document.vscScroll()}) {
    const QRect r = p->geometry();
    const QString sBar = QString("%1 (%2,%3 %4x%5)").arg(p->maximum()).arg(r.x()).arg(r.y());
    s += (s.isEmpty() ? "h " : ", v ") +
         (p->isHidden() ? QString("-") : sBar.arg(r.width()).arg(r.height()));
  }
  return s.toStdString();
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

  // A bitmap file of display rows (top row first), by default the 3 x 2 picture most tests open.
  std::string Picture(const std::string& sName,
                      const std::vector<std::vector<Bgr>>& rows = {{kA, kB, kC}, {kD, kE, kF}}) {
    const std::string sPath = m_dir.File(sName);
    SavePicture(*MakeImageFromRows(rows), sPath);
    return sPath;
  }
  std::unique_ptr<frmImage> Opened(const std::string& sPath) {
    auto pDocument = std::make_unique<frmImage>(m_frame);
    EXPECT_TRUE(pDocument->OpenFile(sPath));
    m_frame.log.clear();
    return pDocument;
  }
};

// The title is the name after the last "\" or "/" (this platform's paths mix both). Saving puts
// ".ico" for the extension; a last dot among the first two characters starts no extension, and
// the search does not stop at a folder. Export replaces the extension of the title only.
TEST(DocumentNaming, TitleAndTheProposalsForSavingAndExporting) {
  using Names = std::vector<std::string>;
  const auto map = [](std::string (*fn)(const std::string&), Names names) {
    for (std::string& s : names)
      s = fn(s);
    return names;
  };
  EXPECT_EQ(map(frmImage::TitleOf, {"C:\\pics\\cat.bmp", "C:\\data\\", "/mnt/c\\pics/x\\y.bmp"}),
            (Names{"cat.bmp", "", "y.bmp"}));
  EXPECT_EQ(map(frmImage::SaveNameProposal, {"C:\\pics\\cat.bmp", "Image 3", "a.x", ".x", "ab.x",
                                             "C:\\my.dir\\file", "/home/ann/pics.old/scan", ""}),
            (Names{"C:\\pics\\cat.ico", "Image 3.ico", "a.x.ico", ".x.ico", "ab.ico", "C:\\my.ico",
                   "/home/ann/pics.ico", ".ico"}));
  EXPECT_EQ(map(frmImage::ExportNameProposal, {"/pics/cat.bmp", "/my.dir/file", "/pics/.hidden"}),
            (Names{"/pics/cat.png", "/my.dir/file.png", "/pics/.hidden.png"}));
}

TEST_F(DocumentTest, OpeningShowsThePictureNamesTheDocumentAndReports) {
  const std::string sPath = Picture("small.bmp");
  frmImage document(m_frame);
  ASSERT_TRUE(document.OpenFile(sPath));
  EXPECT_EQ(m_frame.log,
            (Log{"SetStatus(Opening " + sPath + "...|#|#)",
                 "SetStatus(Opened " + sPath + ".|small.bmp|3 x 2)", "AddMRUFile(" + sPath + ")"}));
  EXPECT_EQ(std::tuple(ShownTitle(document).toStdString(), document.Filename(),
                       document.FileTitle(), document.Dirty(), document.Document().Work().Width(),
                       document.Document().Work().Height(), m_boxes.Shown().size()),
            std::tuple("Image: " + sPath, sPath, "small.bmp", false, 3, 2, 0u));
  // The picture box is as large as the image and shows it the right way up; the window is an
  // image document of the collection, under its class name.
  EXPECT_EQ(
      std::tuple(document.picImage()->geometry(), DisplayBytes(document.picImage()->Image()),
                 LoadedWindows().Item(0)->ClassName(), LoadedWindows().ItemAs<IImageDocument>(0)),
      std::tuple(QRect(0, 0, 3, 2), DisplayBytes(*MakeImageFromRows({{kA, kB, kC}, {kD, kE, kF}})),
                 "frmImage", static_cast<IImageDocument*>(&document)));
  // The engine's events go straight to the main window's progress bar and status.
  m_frame.log.clear();
  IImageProcessEvents* pEvents = document.Document().Engine().Listener();
  ASSERT_NE(pEvents, nullptr);
  pEvents->InitProgress(8);
  pEvents->Progress(3);
  pEvents->Complete(1234);
  EXPECT_EQ(m_frame.log,
            (Log{"ProgressMax(8)", "ProgressValue(0)", "ShowProgress(true)", "ProgressValue(3)",
                 "ShowProgress(false)", "SetStatus(Complete.  Time = 1234|#|#)"}));
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
    const auto [sText, eButtons, eIcon, sTitle] = Messages(m_boxes).back();
    const std::string sPrefix = "An error occured trying to open this file: '" + std::string(sName);
    EXPECT_TRUE(sText.starts_with(sPrefix + "': ") && sText.size() > sPrefix.size() + 3) << sText;
    EXPECT_EQ(std::tuple(eButtons, eIcon, sTitle),
              std::tuple(eMsgButtons::OK, eMsgIcon::Exclamation, "Brennic"));
  }
  EXPECT_EQ(m_boxes.Shown().size(), 2u);
}

TEST_F(DocumentTest, SavingAsksWithTheProposalAndWritesTheShownPictureAsABitmap) {
  auto pDocument = Opened(Picture("cat.bmp"));
  pDocument->NegativeImage();
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
  EXPECT_EQ(std::tuple(FileHead(sTarget, 2), DisplayPixel(*LoadedImage(sTarget), 0, 0),
                       DisplayBytes(*LoadedImage(sTarget))),
            std::tuple("BM", Bgr{245, 235, 225}, DisplayBytes(pDocument->picImage()->Image())));
}

// Yes at the question with the save dialog cancelled refuses the close and keeps the change (No,
// Yes and Cancel are driven from the main window); a failed save or export is reported.
TEST_F(DocumentTest, ACancelledOrFailedSaveOrExportChangesNothingAndAFailureIsReported) {
  const std::string sPath = Picture("photo.bmp");
  auto pDocument = Opened(sPath);
  pDocument->NegativeImage();
  m_boxes.Answer(eMsgResult::Yes);
  m_dialogs.CancelFile();
  EXPECT_FALSE(pDocument->QuerySave());
  m_dialogs.ChooseFiles({m_dir.File("no such folder/out.bmp")});
  EXPECT_FALSE(pDocument->SaveFile());
  m_dialogs.ChooseFiles({m_dir.File("no such folder/out.png")});
  EXPECT_FALSE(pDocument->ExportFile());
  EXPECT_EQ(std::tuple(pDocument->Dirty(), pDocument->Filename(), m_frame.log.size(),
                       m_dialogs.FileRequests().size()),
            std::tuple(true, sPath, 0u, 3u));
  const std::vector<tMessage> shown = Messages(m_boxes);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0],
            (tMessage{"The image 'photo.bmp' has been changed.\r\n\r\nDo you want to save it?",
                      eMsgButtons::YesNoCancel, eMsgIcon::Question, "Brennic"}));
  EXPECT_TRUE(std::get<0>(shown[1]).starts_with("An error occured trying to save this file: "))
      << std::get<0>(shown[1]);
  EXPECT_EQ(shown[2], (tMessage{"An error occurred trying to export this file: The folder '" +
                                    m_dir.File("no such folder") + "' does not exist.",
                                eMsgButtons::OK, eMsgIcon::Exclamation, "Brennic"}));
  EXPECT_EQ(std::get<2>(shown[1]), eMsgIcon::Exclamation);
  EXPECT_EQ(m_dir.Names(), std::vector<std::string>{"photo.bmp"});
}

// Each format through the dialogs as a person chooses it: the name's extension decides, a name
// without a known one takes the type chosen in the list; JPEG and WebP ask for the quality. The
// file holds the shown picture (exactly, for the lossless formats); the document keeps its name,
// its changed state and the recent-files list.
TEST_F(DocumentTest, ExportWritesTheChosenFormatAndLeavesTheDocumentAsItWas) {
  std::vector<std::vector<Bgr>> rows(30, std::vector<Bgr>(40));
  for (uint8_t y = 0; y < 30; ++y) {
    for (uint8_t x = 0; x < 40; ++x)
      rows[y][x] = {uint8_t(4 * x), uint8_t(5 * y), uint8_t(2 * (x + y))};
  }
  const std::string sPath = Picture("cat.bmp", rows);
  auto pDocument = Opened(sPath);
  pDocument->NegativeImage();
  m_frame.log.clear();
  const std::vector<uint8_t> shown = DisplayBytes(pDocument->picImage()->Image());
  cScriptedQualityDialogs quality;
  const struct {
    std::string sName;
    int32_t lFilterIndex;
    std::string sMagic;
    std::string sAsked;  // the quality dialog, when one is shown
    bool bLossless;
  } cases[] = {
      {"a.png", 4, "\x89PNG", "", true},  {"a.TIF", 1, std::string("II*\0", 4), "", true},
      {"a.bmp", 1, "BM", "", true},       {"a.jpeg", 1, "\xFF\xD8\xFF", "JPEG 90", false},
      {"a", 3, "RIFF", "WebP 90", false}, {"a.xyz", 5, "BM", "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sName);
    const std::string sTarget = m_dir.File(c.sName);
    m_dialogs.ChooseFiles({sTarget}, c.lFilterIndex);
    const size_t lAsked = quality.Asked().size();
    ASSERT_TRUE(pDocument->ExportFile());
    EXPECT_EQ(quality.Asked().size() > lAsked ? quality.Asked().back() : "", c.sAsked);
    EXPECT_EQ(FileHead(sTarget, c.sMagic.size()), c.sMagic);
    // The shown picture, exactly for the lossless formats.
    const std::vector<uint8_t> back = DisplayBytes(*LoadedImage(sTarget));
    ASSERT_EQ(back.size(), shown.size());
    EXPECT_EQ(std::equal(back.begin(), back.end(), shown.begin(),
                         [&](int a, int b) { return std::abs(a - b) <= (c.bLossless ? 0 : 24); }),
              true);
    EXPECT_EQ(m_frame.log, (Log{"SetStatus(Exported " + c.sName + "|#|#)"}));
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
  auto pFirst = Opened(Picture("first.bmp"));
  auto pSecond = Opened(Picture("second.bmp", {{kD, kC, kD}, {kC, kC, kC}}));
  const int32_t l1 = LoadedWindows().IndexOf(pFirst.get());
  const int32_t l2 = LoadedWindows().IndexOf(pSecond.get());
  // 1: (second + 5) * 2 + first, clamped: blue (0 + 5) * 2 + 10 = 20, green (1 + 5) * 2 + 20 =
  // 32, red (2 + 5) * 2 + 30 = 44. 2 keeps the darker, 3 the lighter pixel; any other type shows
  // the first picture.
  for (const auto& [eType, top_left, top_right] :
       {std::tuple(1, Bgr{20, 32, 44}, kC), std::tuple(2, kD, kB), std::tuple(3, kA, kC),
        std::tuple(0, kA, kB), std::tuple(9, kA, kB)}) {
    SCOPED_TRACE(eType);
    m_frame.log.clear();
    frmImage combined(m_frame);
    combined.Combine(sCombination{2, 1, l1, l2, eType});
    EXPECT_EQ(std::tuple(combined.ImageWidth(), combined.ImageHeight(),
                         combined.Document().Work().Width(), combined.Dirty()),
              std::tuple(2, 1, 2, true));
    EXPECT_EQ(DisplayBytes(combined.picImage()->Image()),
              DisplayBytes(*MakeImageFromRows({{top_left, top_right}})));
    // Reported once the picture exists (the window reported nothing before it had one).
    const std::string sName = "Image " + std::to_string(m_frame.lIndex);
    EXPECT_EQ(std::tuple(m_frame.log, combined.Filename(), ShownTitle(combined).toStdString()),
              std::tuple(Log{"NewImageIndex", "SetStatus(#|" + sName + "|2 x 1)"}, sName,
                         "Image: " + sName + "*"));
  }
  // The sources are left as they were; a position that names no document fails and leaves the
  // new window empty.
  frmImage combined(m_frame);
  EXPECT_THROW(combined.Combine(sCombination{2, 1, l1, 99}), cError);
  EXPECT_EQ(std::tuple(pFirst->Dirty(), DisplayPixel(pFirst->Document().Picture(), 0, 0),
                       combined.Dirty(), combined.Filename()),
            std::tuple(false, kA, false, ""));
}

class DocumentViewTest : public DocumentTest {
 protected:
  // A document of a lWidth x lHeight picture whose viewport is 400 x 300 pixels.
  std::unique_ptr<frmImage> Viewed(int32_t lWidth, int32_t lHeight) {
    auto pDocument = Opened(Picture("view.bmp", std::vector(lHeight, std::vector<Bgr>(lWidth))));
    pDocument->resize(404, 304);
    pDocument->show();
    return pDocument;
  }
};

// A bar shows when the picture is larger than the room less the other bar's thickness when that
// one shows, so a bar may show with nothing to scroll. The bars lie above the picture, step by 32
// pixels, move it, also while the thumb is held down, and follow the window's size.
TEST_F(DocumentViewTest, TheBarsShowWhereThePictureDoesNotFitAndMoveIt) {
  EXPECT_EQ(Bars(*Viewed(395, 100)), "h 0 (0,287 400x13), v -");  // 395 > 400 - 13
  auto pDocument = Viewed(1000, 1000);
  pDocument->hscScroll()->setValue(100);
  pDocument->vscScroll()->setValue(250);
  EXPECT_EQ(pDocument->picScrollBox()->geometry(), QRect(2, 2, 400, 300));
  EXPECT_EQ(Bars(*pDocument), "h 613 (0,287 387x13), v 713 (387,0 13x287)");
  EXPECT_EQ(pDocument->picScrollBox()->childAt(390, 10), pDocument->vscScroll());
  EXPECT_EQ(pDocument->picImage()->pos(), QPoint(-100, -250));
  QScrollBar* pH = pDocument->hscScroll();
  pH->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  pH->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(pDocument->picImage()->x(), -133);  // steps of 32 and 1
  pH->setSliderDown(true);
  pH->setSliderPosition(410);
  EXPECT_EQ(pDocument->picImage()->x(), -410);
  pH->setSliderDown(false);
  // Growing the window keeps the far edges at the viewport's.
  pH->setValue(613);
  pDocument->vscScroll()->setValue(713);
  pDocument->resize(804, 904);
  EXPECT_EQ(Bars(*pDocument), "h 213 (0,887 787x13), v 113 (787,0 13x887)");
  EXPECT_EQ(pDocument->picImage()->geometry(), QRect(-213, -113, 1000, 1000));
}

// Turns a wheel by angle (1/8 degree) at pos of pOver, as the desktop reports it.
void Turn(QWidget* pOver, QPointF pos, QPoint angle, Qt::KeyboardModifiers modifiers = {}) {
  QWheelEvent event(pos, pOver->mapToGlobal(pos), QPoint(), angle, Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(pOver, &event);
}

// Each row from the bars at 100, 200 and one pixel per pixel. A notch (120) moves three of the
// bars' small steps, 96 pixels; Shift or a turn over the horizontal bar moves across; a touchpad's
// small turns add up (10 x 13 units are 104 pixels, not 10 x 10). With Ctrl it zooms about the
// pointer: at 50, 60 of the viewport it points at picture point 150, 260, which stays under it.
TEST_F(DocumentViewTest, TheWheelMovesTheBarsAsDraggingThemDoesAndZoomsWithCtrl) {
  auto pDocument = Viewed(1000, 1000);
  const std::string sTitle = "Image: " + m_dir.File("view.bmp");
  QWidget* pPicture = pDocument->picImage();
  const struct {
    QWidget* pOver;
    QPoint angle;
    Qt::KeyboardModifiers modifiers;
    int iTurns;
    QPoint expected;  // bar values after the turns
    sZoom zoom;
    const char* sZoomText;
  } cases[] = {{pPicture, {0, -120}, {}, 1, {100, 296}, {1, 1}, ""},
               {pPicture, {0, -120}, Qt::ShiftModifier, 1, {196, 200}, {1, 1}, ""},
               {pDocument->hscScroll(), {0, -120}, {}, 1, {196, 200}, {1, 1}, ""},
               {pPicture, {0, -13}, {}, 10, {100, 304}, {1, 1}, ""},
               {pPicture, {0, 120}, Qt::ControlModifier, 1, {175, 330}, {3, 2}, " (150 %)"},
               {pPicture, {0, -240}, Qt::ControlModifier, 1, {25, 70}, {1, 2}, " (50 %)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pOver->objectName().toStdString() + " " + std::to_string(c.angle.y()));
    pDocument->ActualSize();
    pDocument->hscScroll()->setValue(100);
    pDocument->vscScroll()->setValue(200);
    for (int i = 0; i < c.iTurns; ++i)
      Turn(c.pOver, c.pOver == pPicture ? QPointF(150, 260) : QPointF(5, 5), c.angle, c.modifiers);
    const QPoint values(pDocument->hscScroll()->value(), pDocument->vscScroll()->value());
    EXPECT_EQ(std::tuple(values, pPicture->pos(), pDocument->Zoom(),
                         ShownTitle(*pDocument).toStdString()),
              std::tuple(c.expected, -c.expected, c.zoom, sTitle + c.sZoomText));
  }
  // 500 x 500 in 400 x 300: both bars, maxima 500 - 400 + 13 and 500 - 300 + 13.
  EXPECT_EQ(Bars(*pDocument), "h 113 (0,287 387x13), v 213 (387,0 13x287)");
  // Over a bar too; the bars' own wheel handling does not run.
  Turn(pDocument->vscScroll(), {5, 100}, {0, 120}, Qt::ControlModifier);
  EXPECT_EQ(pDocument->Zoom(), (sZoom{2, 3}));
  // Best fit: the tighter side fills the room inside the bars, 287 / 1000; no bars.
  pDocument->BestFit();
  EXPECT_EQ(
      std::tuple(pPicture->geometry(), Bars(*pDocument), ShownTitle(*pDocument).toStdString()),
      std::tuple(QRect(0, 0, 287, 287), "h -, v -", sTitle + " (28.7 %)"));
  pDocument->ZoomIn();
  EXPECT_EQ(pDocument->Zoom(), (sZoom{1, 3}));
}

TEST_F(DocumentViewTest, ZoomChangesOnlyWhatIsShown) {
  auto pDocument = Opened(Picture("cat.bmp"));
  pDocument->show();
  for (int i = 0; i < 4; ++i)
    pDocument->ZoomIn();
  ASSERT_EQ(pDocument->Zoom(), (sZoom{4, 1}));
  pDocument->NegativeImage();
  // Each picture pixel shows as a 4 x 4 square: B negated at both corners of its square, F
  // negated; the copy in the box stays 3 x 2.
  const QImage shown = pDocument->picImage()->grab().toImage();
  ASSERT_EQ(shown.size(), QSize(12, 8));
  EXPECT_EQ((std::vector<Bgr>{DisplayPixel(shown, 4, 0), DisplayPixel(shown, 7, 3),
                              DisplayPixel(shown, 11, 7)}),
            (std::vector<Bgr>{{55, 155, 255}, {55, 155, 255}, {250, 5, 127}}));
  EXPECT_EQ(DisplayBytes(pDocument->picImage()->Image()),
            DisplayBytes(pDocument->Document().Picture()));
  EXPECT_EQ(ShownTitle(*pDocument).toStdString(), "Image: " + m_dir.File("cat.bmp") + "* (400 %)");
  EXPECT_EQ(Opened(Picture("small.bmp"))->Zoom(), kZoomActual) << "a new document shows 1:1";
}

}  // namespace
}  // namespace brennic
