// Dropping on the main window (picture files open as File > Open opens them, picture data that
// is no file opens as a paste, drags that bring nothing to open are refused, over the empty area
// and over a document alike) and the paste sequence itself.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <fstream>
#include <memory>

#include "FrameTestUtil.h"
#include "frame/mDrop.h"
#include "frame/mPaste.h"
#include "image/cDIBSection.h"
#include "platform/Clipboard.h"
#include "platform/PictureIO.h"
#include "platform/cPictureBox.h"
#include "platform/mWindowing.h"
#include "support/ClipboardTestUtil.h"

namespace brennic {
namespace {

using test::cFrameTest;
using test::cMemoryClipboard;
using test::cScopedTempFolder;
using test::cScriptedMessageBoxes;

constexpr const char* kOpenError = "An error occured trying to open this file: ";

class DropTest : public cFrameTest {
 protected:
  static std::unique_ptr<QMimeData> Files(const std::vector<std::string>& files) {
    auto pData = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& sFile : files)
      urls.push_back(QUrl::fromLocalFile(QString::fromStdString(sFile)));
    pData->setUrls(urls);
    return pData;
  }
  // Drags pData over pTarget, moves it a little and drops it there, as the desktop does; then
  // lets the deferred opening run. Returns whether the drag was accepted.
  static bool DragAndDrop(QWidget* pTarget, const QMimeData& data,
                          Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    const QPoint at = pTarget->rect().center();
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &enter);
    if (!enter.isAccepted()) return false;
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction) << "the source keeps its files";
    QDragMoveEvent move(at + QPoint(1, 1), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(at + QPoint(1, 1)), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &drop);
    EXPECT_TRUE(drop.isAccepted());
    QCoreApplication::processEvents();
    return true;
  }
  QWidget* Area() const { return m_pMain->MdiArea()->viewport(); }

  test::cScopedTempFolder m_temp;
};

// What opening does with each file is pinned by the command line's test; here, drops over the
// empty area and over a document reach it, in order, without the open dialog.
TEST_F(DropTest, DroppedFilesOpenAsFileOpenOpensThem) {
  const std::string sA = Picture("a.bmp");
  ASSERT_TRUE(DragAndDrop(Area(), *Files({sA})));
  ASSERT_EQ(Windows().size(), 1u);
  EXPECT_EQ(ShownTitle(*Windows()[0]).toStdString(), "Image: " + sA);
  const std::string sBad = m_dir.File("bad.bmp");
  std::ofstream(sBad) << "no picture";
  const std::string sB = Picture("b.bmp", 7, 5);
  ASSERT_TRUE(DragAndDrop(m_pMain->ActiveDocument()->picImage(), *Files({sBad, sB})));
  ASSERT_EQ(Windows().size(), 2u);
  EXPECT_EQ(m_pMain->ActiveDocument()->Filename(), sB);
  EXPECT_EQ(m_pMain->RecentFiles().File(2), sA);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with(kOpenError)) << m_boxes.Shown()[0].sText;
  EXPECT_TRUE(m_dialogs.FileRequests().empty()) << "no open dialog";
}

TEST_F(DropTest, DragsThatBringNothingToOpenAreRefused) {
  auto pWeb = std::make_unique<QMimeData>();
  pWeb->setUrls({QUrl("http://example.com/cat.bmp")});
  EXPECT_FALSE(DragAndDrop(Area(), *pWeb));
  auto pText = std::make_unique<QMimeData>();
  pText->setText("a.bmp");
  EXPECT_FALSE(DragAndDrop(&*m_pMain, *pText));
  // A source that only lets its files be moved away is refused too.
  EXPECT_FALSE(DragAndDrop(Area(), *Files({Picture("a.bmp")}), Qt::MoveAction));
  EXPECT_TRUE(Windows().empty());
  EXPECT_TRUE(m_boxes.Shown().empty());

  // Among local files, a web address is passed over.
  auto pMixed = Files({Picture("b.bmp")});
  pMixed->setUrls({QUrl("http://example.com/cat.bmp"), pMixed->urls()[0]});
  ASSERT_TRUE(DragAndDrop(Area(), *pMixed));
  EXPECT_EQ(Windows().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(DropTest, PictureDataOpensAsAPaste) {
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(qRgb(200, 100, 50));
  auto pData = std::make_unique<QMimeData>();
  pData->setImageData(image);
  pData->setUrls({QUrl("https://example.com/picture.gif")});  // as a browser sends it
  ASSERT_TRUE(DragAndDrop(Area(), *pData));
  ASSERT_EQ(Windows().size(), 1u);
  frmImage* pDocument = m_pMain->ActiveDocument();
  ASSERT_NE(pDocument, nullptr);
  EXPECT_EQ(pDocument->Filename(), "Image 1");
  EXPECT_EQ(test::PixelAt(pDocument->Document().Picture(), 2, 0), (test::Bgr{50, 100, 200}));
  EXPECT_EQ(m_pMain->RecentFiles().FileCount(), 0);
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_TRUE(m_temp.Entries().empty()) << "the temporary bitmap is gone";

  // Data that is no picture fails as a paste fails: its message, no document, no file left.
  auto pBroken = std::make_unique<QMimeData>();
  pBroken->setData("application/x-qt-image", "not a picture");
  ASSERT_TRUE(DragAndDrop(pDocument->picImage(), *pBroken));
  EXPECT_EQ(Windows().size(), 1u);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with(kPasteFailedPrefix)) << m_boxes.Shown()[0].sText;
  EXPECT_TRUE(m_temp.Entries().empty());
}

TEST(DropContents, LocalFilesComeFirstThenPictureData) {
  QMimeData data;
  EXPECT_TRUE(DropContents(&data).IsEmpty());
  EXPECT_FALSE(CarriesPictures(nullptr));
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(Qt::red);
  data.setImageData(image);
  EXPECT_TRUE(CarriesPictures(&data));
  cDropContents contents = DropContents(&data);
  EXPECT_TRUE(contents.bImage);
  EXPECT_EQ(contents.data.image.size(), QSize(3, 2));
  // A Latin-1 name arrives as its bytes, not as what UTF-8 decoding makes of them.
  data.setUrls({QUrl("https://example.com/x.gif"), QUrl::fromLocalFile("/tmp/x.gif"),
                QUrl::fromEncoded("file:///tmp/caf%E9.gif")});
  contents = DropContents(&data);
  EXPECT_EQ(contents.files, (std::vector<std::string>{"/tmp/x.gif", "/tmp/caf\xe9.gif"}));
  EXPECT_FALSE(contents.bImage);
}

// The paste sequence with a clipboard and document windows of the test's own: the picture
// travels through a "VBIM" temporary bitmap file into a new document opened as a temporary file,
// and a window that fails after it was made is unloaded.

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
