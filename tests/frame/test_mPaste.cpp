// The paste sequence with a clipboard and document windows of the test's own: the picture travels
// through a "VBIM" temporary bitmap file into a new document opened as a temporary file, and a
// window that fails after it was made is unloaded. The menus' and the drop's tests pin the rest.

#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "TempFolderTestUtil.h"
#include "frame/mPaste.h"
#include "image/cDIBSection.h"
#include "platform/Clipboard.h"
#include "platform/PictureIO.h"
#include "support/ClipboardTestUtil.h"
#include "support/GuiTestUtil.h"
#include "support/ImageTestUtil.h"

namespace brennic {
namespace {

using test::cMemoryClipboard;
using test::cScopedTempFolder;
using test::cScriptedMessageBoxes;

struct sDocumentLog {
  std::vector<std::string> calls;
  std::string sOpenedFile;
  std::vector<std::string> folderWhileOpening;
  std::unique_ptr<cDIBSection> loaded;  // what the document read from the file
};

enum class eDoes { Open, FailToShow };

// A document that loads the file as the image document does, or fails as told.
class cFakeDocument final : public IPasteDocument {
 public:
  cFakeDocument(sDocumentLog& log, eDoes eWay, const cScopedTempFolder& folder)
      : m_log(log), m_eWay(eWay), m_folder(folder) {}
  bool OpenFile(const std::string& sFile, bool bIsTemp) override {
    m_log.calls.push_back(std::string("open ") + (bIsTemp ? "temp" : "file"));
    m_log.sOpenedFile = sFile;
    m_log.folderWhileOpening = m_folder.Entries();
    m_log.loaded = std::make_unique<cDIBSection>();
    m_log.loaded->CreateFromPicture(*LoadPicture(sFile));
    return true;
  }
  void Show() override {
    m_log.calls.push_back("show");
    if (m_eWay == eDoes::FailToShow) throw std::runtime_error("The window cannot be shown.");
  }
  void Unload() override { m_log.calls.push_back("unload"); }

 private:
  sDocumentLog& m_log;
  eDoes m_eWay;
  const cScopedTempFolder& m_folder;
};

class Paste : public ::testing::Test {
 protected:
  void SetUp() override { SetClipboardService(&m_clipboard); }
  void TearDown() override { SetClipboardService(nullptr); }

  NewPasteDocument Factory(eDoes eWay = eDoes::Open) {
    return [this, eWay]() -> std::unique_ptr<IPasteDocument> {
      m_log.calls.push_back("new");
      return std::make_unique<cFakeDocument>(m_log, eWay, m_folder);
    };
  }

  cScopedTempFolder m_folder;
  cMemoryClipboard m_clipboard;
  cScriptedMessageBoxes m_boxes;
  sDocumentLog m_log;
};

// The menus' tests pin the pasted picture; here, the way it takes: a "VBIM" bitmap, the only file
// in the temporary folder while the document reads it, gone afterwards.
TEST_F(Paste, ThePictureOpensAsATemporaryDocumentAndTheFileIsGone) {
  const auto img = test::MakeImageFromRows({{{1, 2, 3}, {4, 5, 6}}});
  EXPECT_TRUE(PastePicture(
      [&] {
        return PictureFromImage(QImage(img->DIBSectionBitsPtr(), 2, 1, QImage::Format_BGR888));
      },
      Factory()));
  EXPECT_EQ(m_log.calls, (std::vector<std::string>{"new", "open temp", "show"}));
  const std::string sLeaf = m_log.sOpenedFile.substr(m_log.sOpenedFile.rfind('/') + 1);
  EXPECT_EQ(m_log.sOpenedFile, m_folder.Path() + "/" + sLeaf);
  EXPECT_TRUE(sLeaf.starts_with("VBIM")) << sLeaf;
  EXPECT_EQ(m_log.folderWhileOpening, std::vector<std::string>{sLeaf});
  ASSERT_NE(m_log.loaded, nullptr);
  EXPECT_EQ(test::PixelBytes(*m_log.loaded), test::PixelBytes(*img));
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_TRUE(m_folder.Entries().empty());

  // The source's failure is the paste's, with the paste's message; the clipboard is not asked.
  m_clipboard.m_image = QImage(1, 1, QImage::Format_RGB32);
  EXPECT_FALSE(
      PastePicture([]() -> std::unique_ptr<cPicture> { return PictureFromImage({}); }, Factory()));
  EXPECT_EQ(m_log.calls.size(), 3u);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with(kPasteFailedPrefix));
  EXPECT_EQ(m_boxes.Shown()[0].eIcon, eMsgIcon::Exclamation);
  EXPECT_TRUE(m_folder.Entries().empty());
}

TEST_F(Paste, AFailureAfterTheWindowWasMadeLeavesNoDocumentOpen) {
  m_clipboard.m_image = QImage(1, 1, QImage::Format_RGB32);
  m_clipboard.m_image.fill(qRgb(1, 2, 3));
  EXPECT_FALSE(PasteFromClipboard(Factory(eDoes::FailToShow)));
  EXPECT_EQ(m_log.calls, (std::vector<std::string>{"new", "open temp", "show", "unload"}));
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_EQ(m_boxes.Shown()[0].sText,
            "An error occured whilst trying to paste this icon: The window cannot be shown.");
  EXPECT_TRUE(m_folder.Entries().empty());

  // No window at all is the same kind of failure.
  EXPECT_FALSE(PasteFromClipboard([] { return std::unique_ptr<IPasteDocument>(); }));
  EXPECT_EQ(m_boxes.Shown().size(), 2u);
  EXPECT_TRUE(m_folder.Entries().empty());
}

}  // namespace
}  // namespace brennic
