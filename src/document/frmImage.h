#pragma once
// frmImage: the document window of one image, shown inside the main window's document area.
//
// A document owns its picture (m_cDib), a work buffer of the same size (m_cDibWork) and its
// processing engine (m_cImage), all held by the buffer-level document it shares with the batch
// tool (m_cDocument), plus its name (m_sFIleName, the full path or "Image <n>"), its title (the
// name after its last folder separator) and its changed flag. Every command runs the shared
// document's operation, then marks the image changed and draws it. The engine's progress events
// go straight on to the main window (IDocumentFrame) while the operation runs.
//
// The view: picScrollBox, the viewport, 2 pixels inside the window on every side; in it picImage,
// a picture box as large as the image holding the persistent copy that is shown and saved, at the
// negated scroll position; hscScroll and vscScroll, 13 pixels thick, shown when the picture does
// not fit. The picture moves while a bar's thumb is dragged, not only when it is released.
// The wheel moves the bars as dragging them does: vertically, horizontally with Shift (or a
// touchpad's sideways motion); with Ctrl it zooms about the pointer.
//
// Zoom: the picture box shows the picture at a factor (1, one pixel per pixel, for a new
// window); the bars are laid out for the zoomed size. The picture, its copy in the box, what is
// saved and copied and every operation stay at the picture's own size.
//
// Every command that changes the picture is a step of the document's history (m_cHistory): Undo
// and Redo move along it, and the changed flag then says whether the picture is the one last
// opened or saved. A combination starts the history of its new document; it is no step itself.
//
// Failures: opening and saving catch theirs and report them in a message box; every processing
// command lets its failure pass to the caller, with the picture as it was before the command.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "document/IDocumentFrame.h"
#include "document/IImageDocument.h"
#include "document/cClosedPictures.h"
#include "document/cImageDocumentCore.h"
#include "document/cImageHistory.h"
#include "image/cImageProcessDIB.h"
#include "image/mZoom.h"
#include "platform/cLoadedWindows.h"

class QScrollBar;
class QWheelEvent;

namespace brennic {

class cPictureBox;

class frmImage final : public QWidget,
                       public cLoadedWindow,
                       public IImageDocument,
                       public IQuerySave,
                       private IImageProcessEvents {
  Q_OBJECT

 public:
  // Thickness of the scroll bars and the viewport's margin, in pixels.
  static constexpr int32_t kScrollBarThickness = 13;
  static constexpr int32_t kViewportMargin = 2;
  // The scroll bars' small step, in pixels.
  static constexpr int32_t kScrollSmallStep = 32;

  explicit frmImage(IDocumentFrame& frame, QWidget* pParent = nullptr);
  ~frmImage() override;

  hDC ImageDibHDC() override;
  // Makes this new document the combination of two open documents as the confirmed combine
  // dialog fC describes them: NewImageWidth/NewImageHeight, ImageSource(1) and ImageSource(2)
  // (positions in the collection of loaded windows), CombinationType, Multiplier(i), Offset(i).
  template <class TCombination>
  void Combine(const TCombination& fC) {
    CombineSources(fC.NewImageWidth(), fC.NewImageHeight(), fC.ImageSource(1), fC.ImageSource(2),
                   fC.CombinationType(), fC.Multiplier(1), fC.Offset(1), fC.Multiplier(2),
                   fC.Offset(2));
  }
  int32_t ImageWidth() const override;
  int32_t ImageHeight() const override;
  void ApplyPalette(const std::string& sPalFile);
  void Colourise(float fHue);
  void Lighten();
  void Fade();
  void BlackAndWhite();
  void GrayScale();
  void NegativeImage();
  void AddNoise(bool bRandom, int32_t lAmount);
  // Resamples to lW x lH (nothing changes at the present size) and lays the view out again.
  void Resample(int32_t lW, int32_t lH);
  // Sizes picImage to the image and draws the image into its persistent copy.
  void Render();
  // Puts the image on the clipboard as a bitmap; the result is not used.
  void CopyImage();
  void ProcessImage(int32_t eType);
  // Copies the filter definition of cI into this document's engine; nothing is processed.
  void LoadCustomFilter(const cImageProcessDIB& cI);
  bool Dirty() const override { return m_bDirty; }
  // The picture is not in any file as it is: changed, or pasted or combined and never saved.
  bool Unsaved() const { return m_bDirty || m_bNoFile; }
  // Pasted or combined and never saved.
  bool NoFile() const { return m_bNoFile; }
  // Moves the document's state (names, changed flag, picture packed, history) out, for a window
  // that is going; the document is left with an empty history.
  std::unique_ptr<sClosedPicture> TakeClosed();
  // Makes this new document the closed one as it was when its window closed.
  void Reopen(sClosedPicture& cClosed);
  // Counts the picture's changes (commands, undo, redo, opening): a new count means a new state.
  uint64_t ChangeCount() const { return m_lChanges; }
  // The caption's name (the one at the last open, save or combination).
  const std::string& CaptionName() const { return m_sCaption; }
  // Take back the last step, or take again the step last taken back; nothing when there is none.
  // The picture (and its size) becomes exactly what it was, and the changed flag says whether it
  // is the one last opened or saved.
  void Undo();
  void Redo();
  const cImageHistory& History() const { return m_cHistory; }
  // The name of the step of ProcessImage eType: its menu entry's caption without "&" and "...".
  static std::string StepName(int32_t eType);
  // Asks whether the changed image is to be saved: Yes saves (and gives the save's result), No
  // gives true, Cancel false. It does not look at Dirty itself.
  bool QuerySave() override;
  // Opens a picture file; a temporary one (bIsTemp) is named "Image <n>" and stays out of the
  // recent-files list. False, after a message box, when the file cannot be opened.
  bool OpenFile(const std::string& sFIle, bool bIsTemp = false);
  // Asks for a file name and saves the displayed picture there as a bitmap file. False when the
  // dialog is cancelled, or, after a message box, when saving fails.
  bool SaveFile();
  // Asks for a file name and type (PNG, JPEG, WebP, TIFF or BMP; a known extension of the name
  // decides), for JPEG and WebP the quality, and writes the displayed picture there. The
  // document's name and changed flag stay as they are. False when a dialog is cancelled, or,
  // after a message box, when exporting fails.
  bool ExportFile();
  void Filename(const std::string& sName);
  const std::string& Filename() const { return m_sFIleName; }
  std::string FileTitle() const override { return m_sFIleTitle; }

  // The window became the main window's active document: its title and size go to the status
  // strip, the main message stays.
  void Activate();

  // The file name the save dialog proposes for a document named sName.
  static std::string SaveNameProposal(const std::string& sName);
  // The file name the export dialog proposes: the name with the extension of its title (if any)
  // replaced by ".png".
  static std::string ExportNameProposal(const std::string& sName);
  // The part of sName after its last folder separator; all of it when there is none.
  static std::string TitleOf(const std::string& sName);

  // The factor the picture is shown at.
  sZoom Zoom() const { return m_zoom; }
  // Shows the picture at zoom (clamped to the ladder's ends), keeping the picture point at
  // viewportPoint (in picScrollBox's coordinates) where it is as far as the bars allow. A zoom
  // whose picture would be too large to show is refused.
  void ZoomAbout(sZoom zoom, QPointF viewportPoint);
  // The View menu: one step of the ladder in or out about the viewport's centre, one pixel per
  // pixel, and the largest factor at which the whole picture shows without bars.
  void ZoomIn();
  void ZoomOut();
  void ActualSize();
  void BestFit();

  // The smallest size at which the picture shows without scroll bars.
  QSize sizeHint() const override;

  // The shared document (the picture, the work buffer and the engine).
  cImageDocumentCore& Document() { return m_cDocument; }
  QWidget* picScrollBox() const { return m_pScrollBox; }
  cPictureBox* picImage() const { return m_pPicImage; }
  QScrollBar* hscScroll() const { return m_pHScroll; }
  QScrollBar* vscScroll() const { return m_pVScroll; }

 protected:
  void resizeEvent(QResizeEvent* pEvent) override;
  void closeEvent(QCloseEvent* pEvent) override;
  bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

 private:
  void CombineSources(int32_t lWidth, int32_t lHeight, int32_t lSource1, int32_t lSource2,
                      int32_t eType, int32_t lMultiplier1, int32_t lOffset1, int32_t lMultiplier2,
                      int32_t lOffset2);
  // The caption shows sName; UpdateCaption builds the window's title from it.
  void Caption(const std::string& sName);
  // The save dialog for Save and Export: sFilename proposes and returns the name; false when
  // the person cancels.
  bool AskSaveName(std::string& sFilename, std::string sFilter, int32_t& lFilterIndex,
                   std::string sDlgTitle, std::string sDefaultExt);
  // The title: the caption, the changed marker and the zoom when it is not 100 %.
  void UpdateCaption();
  // Sets the changed flag and the title's marker with it.
  void Dirty(bool bDirty);
  // A wheel turned over the picture, the viewport or one of its bars (pOver).
  void Wheel(QWheelEvent* pEvent, QWidget* pOver);
  // Moves pBar by a wheel's angle delta (1/8 degree), as far as whole pixels go; rlRest keeps
  // what is left over for the next turn.
  static void ScrollBy(QScrollBar* pBar, int32_t lDelta, int32_t& rlRest);
  // Runs a command that changes the picture as a step of the history named sName.
  void Record(const std::string& sName, const std::function<void()>& fnCommand);
  // Draws the picture again after Undo or Redo; the bars follow a new size.
  void ShowStep(int32_t lOldWidth, int32_t lOldHeight);
  std::string SizeText() const;
  // Places the viewport inside the window's client area (the window's resize).
  void PlaceViewport();
  // Shows, hides, sizes and places the scroll bars for the picture and the viewport (the
  // viewport's resize; also after opening, resampling and combining).
  void LayoutScrollBars();

  // The engine's events.
  void InitProgress(int32_t lMax) override;
  void Progress(int32_t lPosition) override;
  void Complete(int32_t lTimeMs) override;
  bool CancelRequested() override;

  IDocumentFrame& m_frame;
  std::string m_sFIleName;
  std::string m_sFIleTitle;
  bool m_bDirty = false;
  bool m_bNoFile = false;
  bool m_bClosing = false;
  uint64_t m_lChanges = 0;
  std::string m_sCaption;
  sZoom m_zoom = kZoomActual;
  // Parts of a wheel's turn not yet taken: scroll units across and down, zoom units.
  int32_t m_lWheelRestX = 0;
  int32_t m_lWheelRestY = 0;
  int32_t m_lWheelRestZoom = 0;
  cImageDocumentCore m_cDocument;
  cImageHistory m_cHistory;

  QWidget* m_pScrollBox;
  cPictureBox* m_pPicImage;
  QScrollBar* m_pHScroll;
  QScrollBar* m_pVScroll;
};

}  // namespace brennic
