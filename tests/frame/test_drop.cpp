// Dropping on the main window, and a paste whose window fails.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <fstream>

#include "FrameTestUtil.h"
#include "frame/mDrop.h"
#include "frame/mPaste.h"
#include "platform/Clipboard.h"
#include "platform/mWindowing.h"
#include "support/ClipboardTestUtil.h"

namespace brennic {
namespace {

using test::cScopedTempFolder;

class DropTest : public test::cFrameTest {
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
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with("An error occured trying to open this file: "));
  EXPECT_TRUE(m_dialogs.FileRequests().empty()) << "no open dialog";
}

// Web addresses, text and sources that only let their files be moved away are refused; among
// local files a web address is passed over.
TEST_F(DropTest, DragsThatBringNothingToOpenAreRefused) {
  QMimeData web;
  web.setUrls({QUrl("http://example.com/cat.bmp")});
  EXPECT_FALSE(DragAndDrop(Area(), web));
  QMimeData text;
  text.setText("a.bmp");
  EXPECT_FALSE(DragAndDrop(&*m_pMain, text));
  EXPECT_FALSE(DragAndDrop(Area(), *Files({Picture("a.bmp")}), Qt::MoveAction));
  EXPECT_TRUE(Windows().empty());
  auto pMixed = Files({Picture("b.bmp")});
  pMixed->setUrls({web.urls()[0], pMixed->urls()[0]});
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
  EXPECT_TRUE(m_boxes.Shown().empty());
  EXPECT_TRUE(m_temp.Names().empty()) << "the temporary bitmap is gone";

  // Data that is no picture fails as a paste fails: its message, no document, no file left.
  auto pBroken = std::make_unique<QMimeData>();
  pBroken->setData("application/x-qt-image", "not a picture");
  ASSERT_TRUE(DragAndDrop(pDocument->picImage(), *pBroken));
  EXPECT_EQ(Windows().size(), 1u);
  ASSERT_EQ(m_boxes.Shown().size(), 1u);
  EXPECT_TRUE(m_boxes.Shown()[0].sText.starts_with(kPasteFailedPrefix)) << m_boxes.Shown()[0].sText;
  EXPECT_TRUE(m_temp.Names().empty());
}

// A Latin-1 name arrives as its bytes, not as what UTF-8 decoding makes of them; local files
// come before picture data.
TEST(DropContents, LocalFilesComeFirstAsTheirBytes) {
  QMimeData data;
  EXPECT_FALSE(CarriesPictures(nullptr));
  data.setImageData(QImage(3, 2, QImage::Format_RGB32));
  data.setUrls({QUrl("https://example.com/x.gif"), QUrl::fromLocalFile("/tmp/x.gif"),
                QUrl::fromEncoded("file:///tmp/caf%E9.gif")});
  const cDropContents contents = DropContents(&data);
  EXPECT_EQ(contents.files, (std::vector<std::string>{"/tmp/x.gif", "/tmp/caf\xe9.gif"}));
  EXPECT_FALSE(contents.bImage);
}

// The paste sequence with a document window of the test's own that fails once it was made: the
// picture travelled through a "VBIM" bitmap, the only file in the temporary folder while the
// document read it; the window is unloaded and no file is left.
class cFailingDocument final : public IPasteDocument {
 public:
  cFailingDocument(std::vector<std::string>& log, const cScopedTempFolder& folder)
      : m_log(log), m_folder(folder) {}
  bool OpenFile(const std::string& sFile, bool bIsTemp) override {
    const std::vector<std::string> entries = m_folder.Names();
    m_log.push_back(std::string("open ") + (bIsTemp ? "temp " : "file ") +
                    (entries.size() == 1 && sFile == m_folder.Path() + "/" + entries[0]
                         ? entries[0].substr(0, 4)
                         : sFile));
    return true;
  }
  void Show() override {
    m_log.push_back("show");
    throw std::runtime_error("The window cannot be shown.");
  }
  void Unload() override { m_log.push_back("unload"); }

 private:
  std::vector<std::string>& m_log;
  const cScopedTempFolder& m_folder;
};

TEST(Paste, AFailureAfterTheWindowWasMadeLeavesNoDocumentOpen) {
  cScopedTempFolder folder;
  test::cMemoryClipboard clipboard;
  test::cScriptedMessageBoxes boxes;
  SetClipboardService(&clipboard);
  clipboard.m_image = QImage(1, 1, QImage::Format_RGB32);
  std::vector<std::string> log;
  EXPECT_FALSE(PasteFromClipboard([&] { return std::make_unique<cFailingDocument>(log, folder); }));
  EXPECT_EQ(log, (std::vector<std::string>{"open temp VBIM", "show", "unload"}));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].sText,
            "An error occured whilst trying to paste this icon: The window cannot be shown.");
  EXPECT_TRUE(folder.Names().empty());

  // No window at all is the same kind of failure.
  EXPECT_FALSE(PasteFromClipboard([] { return std::unique_ptr<IPasteDocument>(); }));
  EXPECT_EQ(boxes.Shown().size(), 2u);
  SetClipboardService(nullptr);
}

}  // namespace
}  // namespace brennic
