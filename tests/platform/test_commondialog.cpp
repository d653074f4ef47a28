// GCommonDialog's file dialogs over a scripted dialog service.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "platform/GCommonDialog.h"
#include "platform/mFileName.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using namespace std::string_literals;

constexpr const char* kOpenFilter =
    "Bitmap Files (*.BMP)|*.BMP;*.DIB|GIF Files (*.GIF)|*.GIF|ICO Files (*.ICO)|*.ICO";

TEST(FilterConversion, BarsAndColonsBecomeZerosAndTwoZerosEndTheList) {
  EXPECT_EQ(ConvertFilter(kOpenFilter),
            "Bitmap Files (*.BMP)\0*.BMP;*.DIB\0GIF Files (*.GIF)\0*.GIF\0ICO Files "
            "(*.ICO)\0*.ICO\0\0"s);
  EXPECT_EQ(ConvertFilter(""), "\0\0"s);
}

// The open- and save-file calls of the menus, with every argument in a variable as the callers
// have them.
struct sFileArgs {
  std::string sFilename, sFileTitle;
  bool bFileMustExist = true, bMultiSelect = false, bReadOnly = false, bHideReadOnly = false;
  bool bOverWritePrompt = true;
  std::string sFilter = kOpenFilter;
  int32_t lFilterIndex = 1;
  std::string sInitDir, sDlgTitle, sDefaultExt = "BMP";
  QWidget* pOwner = nullptr;
  uint32_t lFlags = 0;

  bool Open(GCommonDialog& dialog) {
    return dialog.VBGetOpenFileName(sFilename, sFileTitle, bFileMustExist, bMultiSelect, bReadOnly,
                                    bHideReadOnly, sFilter, lFilterIndex, sInitDir, sDlgTitle,
                                    sDefaultExt, pOwner, lFlags);
  }
  bool Save(GCommonDialog& dialog) {
    return dialog.VBGetSaveFileName(sFilename, sFileTitle, bOverWritePrompt, sFilter, lFilterIndex,
                                    sInitDir, sDlgTitle, sDefaultExt, pOwner, lFlags);
  }
};

// Hook and template flags are never passed on; read-only is asked and given back, and a choice of
// another extension than the default is marked. (The menus' tests pin the rest of the requests.)
TEST(FileDialogs, PassTheFlagsAndReturnTheChoice) {
  test::cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  sFileArgs open;
  open.bReadOnly = open.bHideReadOnly = true;
  open.lFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
  dialogs.ChooseFiles({"/home/user/pics/dog.gif"}, 2);
  ASSERT_TRUE(open.Open(dialog));
  constexpr uint32_t kAsked = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_READONLY;
  EXPECT_EQ(dialogs.FileRequests().at(0).lFlags, kAsked);
  EXPECT_EQ(std::tie(open.sFilename, open.sFileTitle, open.sFilter, open.lFilterIndex, open.lFlags),
            std::make_tuple("/home/user/pics/dog.gif"s, "dog.gif"s, "GIF Files (*.GIF)\0*.GIF"s, 2,
                            kAsked | OFN_EXTENSIONDIFFERENT));
}

// A cancel clears everything the caller passed; the filter index becomes -1 (open) or 0 (save).
TEST(FileDialogs, CancelClearsEverything) {
  test::cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  for (const bool bSave : {false, true}) {
    SCOPED_TRACE(bSave ? "save" : "open");
    sFileArgs args;
    args.sFilename = args.sFileTitle = "start.bmp";
    args.lFlags = 0x80000;
    dialogs.CancelFile();
    EXPECT_FALSE(bSave ? args.Save(dialog) : args.Open(dialog));
    EXPECT_EQ(
        std::tie(args.sFilename, args.sFileTitle, args.sFilter, args.lFilterIndex, args.lFlags),
        std::make_tuple(""s, ""s, ""s, bSave ? 0 : -1, 0u));
    EXPECT_EQ(std::make_pair(dialog.APIReturn(), dialog.ExtendedError()), std::make_pair(0, 0));
  }
  EXPECT_EQ(dialogs.FileRequests().at(1).lFlags, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | 0x80000u);
}

// Linux paths run to 4,096 bytes and need not be UTF-8: the chosen path and the proposed name
// pass whole, byte for byte, and a name Qt's own dialog shows decoded leads back to the bytes.
TEST(FileDialogs, LongPathsAndNamesThatAreNotUtf8PassWhole) {
  test::cScriptedCommonDialogs dialogs;
  GCommonDialog dialog;
  const std::string sLong = "/" + std::string(200, 'a') + "/" + std::string(60, 'b') + ".bmp";
  for (const std::string& sPath : {sLong, "/pics/caf\xe9.bmp"s}) {
    sFileArgs open;
    dialogs.ChooseFiles({sPath});
    ASSERT_TRUE(open.Open(dialog)) << sPath;
    EXPECT_EQ(open.sFilename, sPath);
    sFileArgs save;
    save.sFilename = sPath;
    dialogs.ChooseFiles({sPath});
    ASSERT_TRUE(save.Save(dialog)) << sPath;
    EXPECT_EQ(save.sFilename, sPath);
    EXPECT_EQ(dialogs.FileRequests().back().sFileName, sPath);
  }

  QTemporaryDir dir;
  const std::string sFolder = dir.path().toStdString() + "/d\xe9j\xe0";
  ASSERT_EQ(mkdir(sFolder.c_str(), 0700), 0);
  const std::string sFile = sFolder + "/caf\xe9.bmp";
  { std::ofstream(sFile) << "x"; }
  EXPECT_EQ(LocalFileName(QString::fromStdString(sFile)), sFile);
  EXPECT_EQ(LocalFileName(QString::fromStdString(sFolder + "/new.bmp")), sFolder + "/new.bmp");
  std::filesystem::remove_all(sFolder);  // by its bytes: Qt cannot
}

}  // namespace
}  // namespace brennic
