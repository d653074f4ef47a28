// GCommonDialog over a scripted dialog service: what the dialogs are asked and what the caller
// gets back, for a choice, a cancel, a long path and names that are not UTF-8.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>

#include "platform/GCommonDialog.h"
#include "platform/PictureIO.h"
#include "platform/QualityDialog.h"
#include "platform/mFileName.h"
#include "platform/mSysColor.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using namespace std::string_literals;
using test::cScriptedCommonDialogs;

constexpr const char* kOpenFilter =
    "Bitmap Files (*.BMP)|*.BMP;*.DIB|GIF Files (*.GIF)|*.GIF|ICO Files (*.ICO)|*.ICO";

TEST(FilterConversion, BarsAndColonsBecomeZerosAndTwoZerosEndTheList) {
  EXPECT_EQ(ConvertFilter("All (*.*)| *.*"), "All (*.*)\0 *.*\0\0"s);
  EXPECT_EQ(ConvertFilter(kOpenFilter),
            "Bitmap Files (*.BMP)\0*.BMP;*.DIB\0GIF Files (*.GIF)\0*.GIF\0ICO Files "
            "(*.ICO)\0*.ICO\0\0"s);
  EXPECT_EQ(ConvertFilter(""), "\0\0"s);

  // The blank before the pattern stays part of it.
  EXPECT_EQ(ParseConvertedFilter(ConvertFilter("All (*.*)| *.*")),
            (std::vector<sFileFilter>{{"All (*.*)", " *.*"}}));
  // A colon splits a description: every later pair shifts by one.
  EXPECT_EQ(ParseConvertedFilter(ConvertFilter("Drive C: files|*.c|Text|*.txt")),
            (std::vector<sFileFilter>{{"Drive C", " files"}, {"*.c", "Text"}, {"*.txt", ""}}));
  EXPECT_TRUE(ParseConvertedFilter(ConvertFilter("")).empty());
}

// The open-file call of the menu, with every argument in a variable as the callers have them.
struct sOpenArgs {
  std::string sFilename;
  std::string sFileTitle;
  bool bFileMustExist = true;
  bool bMultiSelect = false;
  bool bReadOnly = false;
  bool bHideReadOnly = false;
  std::string sFilter = kOpenFilter;
  int32_t lFilterIndex = 1;
  std::string sInitDir;
  std::string sDlgTitle;
  std::string sDefaultExt = "BMP";
  QWidget* pOwner = nullptr;
  uint32_t lFlags = 0;

  bool Run(GCommonDialog& dialog) {
    return dialog.VBGetOpenFileName(sFilename, sFileTitle, bFileMustExist, bMultiSelect, bReadOnly,
                                    bHideReadOnly, sFilter, lFilterIndex, sInitDir, sDlgTitle,
                                    sDefaultExt, pOwner, lFlags);
  }
};

struct sSaveArgs {
  std::string sFilename = "/pics/cat.ico";
  std::string sFileTitle;
  bool bOverWritePrompt = true;
  std::string sFilter = "ICON Files (*.ICO)|*.ICO|BMP Files (*.BMP)|*.BMP";
  int32_t lFilterIndex = 1;
  std::string sInitDir;
  std::string sDlgTitle;
  std::string sDefaultExt = "ICO";
  QWidget* pOwner = nullptr;
  uint32_t lFlags = 0;

  bool Run(GCommonDialog& dialog) {
    return dialog.VBGetSaveFileName(sFilename, sFileTitle, bOverWritePrompt, sFilter, lFilterIndex,
                                    sInitDir, sDlgTitle, sDefaultExt, pOwner, lFlags);
  }
};

TEST(OpenFileName, PassesTheArgumentsToTheChooser) {
  cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  sOpenArgs args;
  args.sFilename = "start.bmp";
  args.bMultiSelect = true;
  args.bReadOnly = true;
  args.bHideReadOnly = true;
  args.lFilterIndex = 2;
  args.sInitDir = "/pics";
  args.sDlgTitle = "Pick";
  // The hook and template flags are never passed on; others are.
  args.lFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | 0x80000;
  args.Run(dialog);

  ASSERT_EQ(dialogs.FileRequests().size(), 1u);
  const sFileDialogRequest& request = dialogs.FileRequests()[0];
  EXPECT_EQ(request.lFlags,
            OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_READONLY | 0x80000u);
  EXPECT_EQ(std::tie(request.lFilterIndex, request.sFileName, request.sInitialDir, request.sTitle),
            std::make_tuple(2, "start.bmp"s, "/pics"s, "Pick"s));
}

TEST(OpenFileName, ReturnsTheChoiceAndTheChosenFilter) {
  cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  sOpenArgs args;
  args.bReadOnly = true;
  dialogs.ChooseFiles({"/home/user/pics/dog.gif"}, 2);
  ASSERT_TRUE(args.Run(dialog));
  EXPECT_EQ(std::make_pair(dialog.APIReturn(), dialog.ExtendedError()), std::make_pair(1, 0));
  EXPECT_EQ(std::tie(args.sFilename, args.sFileTitle, args.lFilterIndex),
            std::make_tuple("/home/user/pics/dog.gif"s, "dog.gif"s, 2));
  EXPECT_EQ(args.sFilter, "GIF Files (*.GIF)\0*.GIF"s);
  EXPECT_TRUE(args.bReadOnly);
  // The flags on return, with the mark that the extension is not the default one.
  EXPECT_EQ(args.lFlags, OFN_FILEMUSTEXIST | OFN_READONLY | OFN_EXTENSIONDIFFERENT);

  // Read-only comes back from the returned flags: off when not asked for.
  sOpenArgs plain;
  dialogs.ChooseFiles({"/pics/a.BMP"});
  ASSERT_TRUE(plain.Run(dialog));
  EXPECT_FALSE(plain.bReadOnly);
  EXPECT_EQ(plain.lFlags, OFN_FILEMUSTEXIST);
  EXPECT_EQ(plain.sFilter, "Bitmap Files (*.BMP)\0*.BMP;*.DIB"s);
}

TEST(OpenFileName, CancelClearsEverythingAndGivesFilterIndexMinusOne) {
  cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  sOpenArgs args;
  args.sFilename = "start.bmp";
  args.sFileTitle = "start.bmp";
  args.lFlags = 0x80000;
  dialogs.CancelFile();
  EXPECT_FALSE(args.Run(dialog));
  EXPECT_EQ(std::tie(args.sFilename, args.sFileTitle, args.sFilter, args.lFilterIndex, args.lFlags),
            std::make_tuple(""s, ""s, ""s, -1, 0u));
  EXPECT_EQ(std::make_pair(dialog.APIReturn(), dialog.ExtendedError()), std::make_pair(0, 0));
}

TEST(SaveFileName, AlwaysHidesReadOnlyAndCancelGivesFilterIndexZero) {
  cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  sSaveArgs args;
  args.lFlags = OFN_ENABLEHOOK;
  dialogs.CancelFile();
  EXPECT_FALSE(args.Run(dialog));
  EXPECT_EQ(dialogs.FileRequests().at(0).lFlags, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
  EXPECT_EQ(std::tie(args.sFilename, args.sFilter, args.lFilterIndex, args.lFlags),
            std::make_tuple(""s, ""s, 0, 0u));

  sSaveArgs again;
  again.bOverWritePrompt = false;
  dialogs.ChooseFiles({"/pics/cat.ico"});
  ASSERT_TRUE(again.Run(dialog));
  EXPECT_EQ(dialogs.FileRequests()[1].lFlags, OFN_HIDEREADONLY);
  EXPECT_EQ(again.sFilename, "/pics/cat.ico");
  EXPECT_EQ(again.sFilter, "ICON Files (*.ICO)\0*.ICO"s);
  EXPECT_EQ(again.lFlags, OFN_HIDEREADONLY);  // ".ico" is the default extension
}

// Linux paths run to 4,096 bytes and need not be UTF-8: the chosen path and the proposed name
// pass whole, byte for byte.
TEST(FileDialogs, LongPathsAndNamesThatAreNotUtf8PassWhole) {
  cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  const std::string sLong = "/" + std::string(200, 'a') + "/" + std::string(60, 'b') + ".bmp";
  ASSERT_EQ(sLong.size(), 266u);
  for (const std::string& sPath : {sLong, "/pics/caf\xe9.bmp"s}) {
    sOpenArgs open;
    dialogs.ChooseFiles({sPath});
    ASSERT_TRUE(open.Run(dialog)) << sPath;
    EXPECT_EQ(open.sFilename, sPath);
    sSaveArgs save;
    save.sFilename = sPath;
    dialogs.ChooseFiles({sPath});
    ASSERT_TRUE(save.Run(dialog)) << sPath;
    EXPECT_EQ(save.sFilename, sPath);
    EXPECT_EQ(dialogs.FileRequests().back().sFileName, sPath);
  }
}

// What Qt's own dialog hands back is a decoded name; it is turned back into the bytes on disk.
TEST(FileDialogs, ShownNamesLeadBackToTheFilesBytes) {
  QTemporaryDir dir;
  const std::string sRoot = dir.path().toStdString();
  const std::string sFolder = sRoot + "/d\xe9j\xe0";
  ASSERT_EQ(mkdir(sFolder.c_str(), 0700), 0);
  const std::string sFile = sFolder + "/caf\xe9.bmp";
  { std::ofstream(sFile) << "x"; }
  const auto shown = [](const std::string& s) { return QString::fromStdString(s); };
  EXPECT_EQ(LocalFileName(shown(sFile)), sFile);
  EXPECT_EQ(LocalFileName(shown(sFolder + "/new.bmp")), sFolder + "/new.bmp");
  EXPECT_EQ(LocalFileName(shown(sRoot + "/plain.bmp")), sRoot + "/plain.bmp");
  std::filesystem::remove_all(sFolder);  // by its bytes: Qt cannot
}

TEST(FileDialogs, SeveralFilesGiveTheFolderUpToTheFirstZero) {
  cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  sOpenArgs args;
  args.bMultiSelect = true;
  dialogs.ChooseFiles({"/pics/a.bmp", "/pics/b.bmp"});
  ASSERT_TRUE(args.Run(dialog));
  EXPECT_EQ(args.sFilename, "/pics");
  EXPECT_EQ(args.sFileTitle, "");
}

TEST(FileTitle, IsTheNamePartOrEmpty) {
  const GCommonDialog dialog;
  const std::pair<std::string, std::string> cases[] = {{"/home/user/cat.bmp", "cat.bmp"},
                                                       {"C:\\pics\\cat.bmp", "cat.bmp"},
                                                       {"report", "report"},
                                                       {"cat.bmp\0junk"s, "cat.bmp"},
                                                       {"C:\\data\\", ""},
                                                       {"/tmp/", ""},
                                                       {"", ""},
                                                       {"/pics/*.bmp", ""}};
  for (const auto& [sPath, sTitle] : cases)
    EXPECT_EQ(dialog.VBGetFileTitle(sPath), sTitle) << sPath;
}

// Colour, font and print dialogs: what each is asked (hook and template flags never passed on),
// what an answer gives the caller, and that a cancel leaves the caller's values.
TEST(OtherDialogs, AnswersComeBackAndCancelsKeepTheCallersValues) {
  cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  QWidget* pOwner = nullptr;
  uint32_t lAsked = 0;
  EXPECT_EQ(dialog.CustomColor(15), GetSysColor(15));
  EXPECT_EQ(dialog.CustomColor(16), -1);
  dialog.CustomColor(3, RGB(1, 2, 3));
  QPrinter printer;  // a cancel leaves what the answer wrote to it
  printer.setOutputFormat(QPrinter::PdfFormat);
  for (const bool bAnswer : {true, false}) {
    SCOPED_TRACE(bAnswer ? "answered" : "cancelled");
    int32_t lShown = 0;
    dialogs.OnChooseColor = [&](int32_t& lRGB, std::array<int32_t, 16>& custom, uint32_t lFlags) {
      lShown = lRGB;
      lAsked = lFlags;
      EXPECT_EQ(custom[3], RGB(1, 2, 3));
      custom[4] = RGB(4, 4, 4);
      lRGB = RGB(10, 20, 30);
      return true;
    };
    if (!bAnswer) dialogs.OnChooseColor = nullptr;
    int32_t lColor = kSysButtonFace;
    bool bAny = true, bFull = false, bNoFull = true;
    uint32_t lFlags = CC_ENABLEHOOK;
    EXPECT_EQ(dialog.VBChooseColor(lColor, bAny, bFull, bNoFull, pOwner, lFlags), bAnswer);
    EXPECT_EQ(lColor, bAnswer ? RGB(10, 20, 30) : -1);
    if (bAnswer) {
      EXPECT_EQ(lShown, GetSysColor(15));  // a system colour is shown as its RGB
      EXPECT_EQ(lAsked, CC_RGBINIT | CC_ANYCOLOR | CC_PREVENTFULLOPEN);
      EXPECT_EQ(dialog.CustomColor(4), RGB(4, 4, 4));
    }

    dialogs.OnChooseFont = [&](QFont& font, uint32_t lFontFlags) {
      lAsked = lFontFlags;
      font.setFamily("Courier");
      font.setPointSize(72);
      return true;
    };
    if (!bAnswer) dialogs.OnChooseFont = nullptr;
    QFont font("Tahoma", 8);
    QPrinter* pPrinter = nullptr;
    int32_t lMin = 6, lMax = 24;
    lFlags = CF_ENABLEHOOK | CF_ENABLETEMPLATE;
    EXPECT_EQ(dialog.VBChooseFont(font, pPrinter, lMin, lMax, pOwner, lFlags), bAnswer);
    EXPECT_EQ(font.family(), bAnswer ? "Courier" : "Tahoma");
    EXPECT_EQ(font.pointSize(), bAnswer ? 24 : 8);  // within the limits
    if (bAnswer) {
      EXPECT_EQ(lAsked, CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_SCREENFONTS | CF_LIMITSIZE);
    }

    dialogs.OnPrint = [&](sPrintSettings& settings, uint32_t lPrintFlags) {
      lAsked = lPrintFlags;
      settings.lCopies = 3;
      settings.lOrientation = 2;
      settings.lPaperSize = 1;  // Letter
      settings.lPrintQuality = 150;
      return true;
    };
    if (!bAnswer) dialogs.OnPrint = nullptr;
    sPrintSettings settings;
    settings.bCollate = true;
    settings.bDisablePrintToFile = true;
    lFlags = PD_ENABLEPRINTHOOK;
    EXPECT_EQ(dialog.VBPrintDlg(printer, settings, pOwner, lFlags), bAnswer);
    EXPECT_EQ(settings.lCopies, bAnswer ? 3 : 1);
    EXPECT_EQ(printer.copyCount(), 3);
    if (bAnswer) {
      EXPECT_EQ(lAsked, PD_COLLATE | PD_DISABLEPRINTTOFILE);
      EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
      EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Letter);
      EXPECT_EQ(printer.resolution(), 150);
      EXPECT_FALSE(SetPrinterProperty(printer, "Colour", 1));
    }
  }
}

// Runs fn with the modal dialog once its exec() runs.
void WhenDialogShown(std::function<void(QDialog*)> fn) {
  QTimer::singleShot(
      0, [fn = std::move(fn)] { fn(qobject_cast<QDialog*>(QApplication::activeModalWidget())); });
}

// The quality dialog: it shows the proposal on the slider and in the box, keeps to 1 to 100,
// moves the slider with the box, gives the box's value on OK and nothing on Cancel.
TEST(QualityDialog, ShowsTheProposalAndGivesTheChosenValue) {
  int32_t lQuality = kDefaultQuality;
  WhenDialogShown([](QDialog* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    auto* pSpin = pDialog->findChild<QSpinBox*>("spnQuality");
    auto* pSlider = pDialog->findChild<QSlider*>("sldQuality");
    ASSERT_TRUE(pSpin != nullptr && pSlider != nullptr);
    EXPECT_EQ(pSpin->value(), 90);
    EXPECT_EQ(pSlider->value(), 90);
    EXPECT_EQ(pSpin->minimum(), 1);
    EXPECT_EQ(pSpin->maximum(), 100);
    pSpin->setValue(400);
    EXPECT_EQ(pSlider->value(), 100);
    pSpin->setValue(40);
    EXPECT_EQ(pSlider->value(), 40);
    pDialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  EXPECT_TRUE(AskQuality("JPEG", lQuality));
  EXPECT_EQ(lQuality, 40);
  WhenDialogShown([](QDialog* pDialog) {
    ASSERT_NE(pDialog, nullptr);
    pDialog->findChild<QSlider*>("sldQuality")->setValue(7);
    pDialog->reject();
  });
  EXPECT_FALSE(AskQuality("WebP", lQuality));
  EXPECT_EQ(lQuality, 40);
}

}  // namespace
}  // namespace brennic
