#include "document/frmImage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <new>

#include "image/cError.h"
#include "image/mConventions.h"
#include "platform/GCommonDialog.h"
#include "platform/MessageBox.h"
#include "platform/PictureIO.h"
#include "platform/QualityDialog.h"
#include "platform/cPictureBox.h"
#include "platform/mWindowing.h"

namespace brennic {

namespace {

constexpr const char* kKeep = "#";
constexpr const char* kOpenFailed = "An error occured trying to open this file: ";
constexpr const char* kSaveFailed = "An error occured trying to save this file: ";
constexpr const char* kExportFailed = "An error occurred trying to export this file: ";

// The export dialog's types, in the order of its list.
constexpr const char* kExportFilter =
    "PNG Files (*.png)|*.png|JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg|WebP Files (*.webp)|*.webp|"
    "TIFF Files (*.tif;*.tiff)|*.tif;*.tiff|BMP Files (*.bmp)|*.bmp";
constexpr ePictureFormat kExportTypes[] = {ePictureFormat::Png, ePictureFormat::Jpeg,
                                           ePictureFormat::WebP, ePictureFormat::Tiff,
                                           ePictureFormat::Bmp};

std::string Description(const std::exception& e) {
  if (const auto* pError = dynamic_cast<const cError*>(&e)) return pError->Description();
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return "Out of memory";
  return e.what();
}

// A scroll maximum measured in pixels, as the window system computes it: in twips rounded to a
// whole number, divided by the twips per pixel rounded to a whole number. At a whole number of
// twips per pixel this is the pixel value itself.
int32_t ScrollMaximum(int32_t lPixels, double dTwipsPerPixel) {
  const int64_t lTwips = RoundHalfEven(lPixels * dTwipsPerPixel);
  const int64_t lPerPixel = std::max<int64_t>(1, RoundHalfEven(dTwipsPerPixel));
  // A bar shown while the picture fits (its maximum would be zero or less) cannot scroll.
  return static_cast<int32_t>(std::max<int64_t>(0, lTwips / lPerPixel));
}

QScrollBar* MakeScrollBar(Qt::Orientation eOrientation, const char* sName, QWidget* pParent) {
  auto* pBar = new QScrollBar(eOrientation, pParent);
  pBar->setObjectName(sName);
  pBar->setMinimum(0);
  pBar->setMaximum(0);
  pBar->setValue(0);
  pBar->setPageStep(1);
  // The picture follows the thumb while it is dragged.
  pBar->setTracking(true);
  if (eOrientation == Qt::Horizontal) {
    pBar->setFixedHeight(frmImage::kScrollBarThickness);
  } else {
    pBar->setFixedWidth(frmImage::kScrollBarThickness);
  }
  pBar->hide();
  return pBar;
}

}  // namespace

frmImage::frmImage(IDocumentFrame& frame, QWidget* pParent)
    : QWidget(pParent), cLoadedWindow(kImageDocumentClass), m_frame(frame) {
  setObjectName(kImageDocumentClass);
  m_cDocument.Engine().SetListener(this);
  m_cHistory.WhileRecording([this] { m_frame.KeepAlive(); });

  m_pScrollBox = new QWidget(this);
  m_pScrollBox->setObjectName("picScrollBox");
  m_pScrollBox->setAutoFillBackground(true);
  m_pScrollBox->installEventFilter(this);
  m_pPicImage = new cPictureBox(m_pScrollBox);
  m_pPicImage->setObjectName("picImage");
  m_pPicImage->move(0, 0);
  // Created after the picture, the bars lie above it.
  m_pHScroll = MakeScrollBar(Qt::Horizontal, "hscScroll", m_pScrollBox);
  m_pVScroll = MakeScrollBar(Qt::Vertical, "vscScroll", m_pScrollBox);
  // Wheels over the picture and the bars scroll and zoom alike. Handled where they arrive: a
  // wheel event the picture leaves goes to the viewport only when it came from the desktop.
  m_pPicImage->installEventFilter(this);
  m_pHScroll->installEventFilter(this);
  m_pVScroll->installEventFilter(this);
  connect(m_pHScroll, &QScrollBar::valueChanged, this,
          [this](int iValue) { m_pPicImage->move(-iValue, m_pPicImage->y()); });
  connect(m_pVScroll, &QScrollBar::valueChanged, this,
          [this](int iValue) { m_pPicImage->move(m_pPicImage->x(), -iValue); });
}

frmImage::~frmImage() {
  m_cDocument.Engine().SetListener(nullptr);
  // The viewport outlives this object's own destructor by a little.
  m_pScrollBox->removeEventFilter(this);
  m_pPicImage->removeEventFilter(this);
  m_pHScroll->removeEventFilter(this);
  m_pVScroll->removeEventFilter(this);
}

// --- Naming -------------------------------------------------------------------------------------

std::string frmImage::TitleOf(const std::string& sName) {
  // Paths of this platform separate folders with "/": a user expects the file name as the title
  // there too, so "/" counts as a folder separator just as "\" does.
  const size_t p = sName.find_last_of("\\/");
  return p == std::string::npos ? sName : sName.substr(p + 1);
}

void frmImage::Filename(const std::string& sName) {
  m_sFIleName = sName;
  m_sFIleTitle = TitleOf(sName);
}

std::string frmImage::SaveNameProposal(const std::string& sName) {
  // The last dot of the whole path, folders included; one of the first two characters does not
  // start an extension.
  const size_t p = sName.rfind('.');
  if (p != std::string::npos && p > 1) return sName.substr(0, p) + ".ico";
  return sName + ".ico";
}

std::string frmImage::ExportNameProposal(const std::string& sName) {
  const std::string sTitle = TitleOf(sName);
  const size_t p = sTitle.rfind('.');
  // A dot that starts the title (".hidden") starts no extension.
  const std::string sBase =
      p != std::string::npos && p > 0 ? sName.substr(0, sName.size() - sTitle.size() + p) : sName;
  return sBase + ".png";
}

void frmImage::Caption(const std::string& sName) {
  m_sCaption = sName;
  UpdateCaption();
}

void frmImage::UpdateCaption() {
  // "[*]" shows as "*" while the picture differs from the one opened or saved, so that a person
  // sees what closing the window would discard.
  std::string sText = "Image: " + m_sCaption + "[*]";
  if (m_zoom != kZoomActual) sText += " (" + ZoomPercentText(m_zoom) + " %)";
  const QString sCaption = QString::fromStdString(sText);
  setWindowTitle(sCaption);
  setWindowModified(m_bDirty);
  // The document area's frame shows the caption.
  if (auto* pSub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
    pSub->setWindowTitle(sCaption);
    pSub->setWindowModified(m_bDirty);
  }
}

void frmImage::Dirty(bool bDirty) {
  m_bDirty = bDirty;
  UpdateCaption();
}

std::string frmImage::SizeText() const {
  return std::to_string(ImageWidth()) + " x " + std::to_string(ImageHeight());
}

// --- Opening, saving, asking ---------------------------------------------------------------------

bool frmImage::OpenFile(const std::string& sFIle, bool bIsTemp) {
  std::string sName = sFIle;
  m_frame.SetStatus("Opening " + sFIle + "...", kKeep, kKeep);
  try {
    {
      const std::unique_ptr<cPicture> pPicture = LoadPicture(sFIle);
      m_cDocument.LoadPicture(*pPicture);
    }
    m_cHistory.Clear(true);
    ++m_lChanges;
    Render();
    if (bIsTemp) sName = "Image " + std::to_string(m_frame.NewImageIndex());
    m_bNoFile = bIsTemp;
    Caption(sName);
    Filename(sName);
    if (!bIsTemp) {
      m_frame.SetStatus("Opened " + sName + ".", m_sFIleTitle, SizeText());
      m_frame.AddMRUFile(sName);
    }
    m_pPicImage->Refresh();
    LayoutScrollBars();
    return true;
  } catch (const std::exception& e) {
    // Named, so that one of several files given at once can be told from the others.
    MsgBox(kOpenFailed + ("'" + TitleOf(sFIle) + "': ") + Description(e), eMsgButtons::OK,
           eMsgIcon::Exclamation);
    return false;
  }
}

bool frmImage::AskSaveName(std::string& sFilename, std::string sFilter, int32_t& lFilterIndex,
                           std::string sDlgTitle, std::string sDefaultExt) {
  std::string sFileTitle;
  bool bOverWritePrompt = true;
  std::string sInitDir;
  QWidget* pOwner = this;
  uint32_t lFlags = 0;
  GCommonDialog cD;
  return cD.VBGetSaveFileName(sFilename, sFileTitle, bOverWritePrompt, sFilter, lFilterIndex,
                              sInitDir, sDlgTitle, sDefaultExt, pOwner, lFlags);
}

bool frmImage::SaveFile() {
  try {
    std::string sFilename = SaveNameProposal(m_sFIleName);
    int32_t lFilterIndex = 1;
    if (!AskSaveName(sFilename, "ICON Files (*.ICO)|*.ICO|BMP Files (*.BMP)|*.BMP", lFilterIndex,
                     "", "ICO")) {
      return false;
    }
    // Always a bitmap file, whatever the chosen name ends in.
    SavePicture(m_pPicImage->hdc(), sFilename);
    Filename(sFilename);
    m_frame.AddMRUFile(sFilename);
    m_cHistory.MarkSaved();
    m_bNoFile = false;
    Dirty(false);
    Caption(sFilename);
    // The status strip shows the new title at once.
    Activate();
    return true;
  } catch (const std::exception& e) {
    MsgBox(kSaveFailed + Description(e), eMsgButtons::OK, eMsgIcon::Exclamation);
    return false;
  }
}

bool frmImage::ExportFile() {
  try {
    std::string sFilename = ExportNameProposal(m_sFIleName);
    int32_t lFilterIndex = 1;
    if (!AskSaveName(sFilename, kExportFilter, lFilterIndex, "Export", "png")) return false;
    // The name's extension decides; a name without a known one takes the type chosen in the list.
    const int32_t lTypes = static_cast<int32_t>(std::size(kExportTypes));
    const ePictureFormat eFormat = FormatOfExtension(sFilename).value_or(
        kExportTypes[static_cast<size_t>(std::clamp(lFilterIndex, 1, lTypes) - 1)]);
    int32_t lQuality = kDefaultQuality;
    if (TakesQuality(eFormat) && !AskQuality(FormatTitle(eFormat), lQuality)) return false;
    // The shown copy, as Save writes it; the document keeps its name and changed state.
    ExportPicture(m_pPicImage->Image(), sFilename, eFormat, lQuality);
    m_frame.SetStatus("Exported " + TitleOf(sFilename), kKeep, kKeep);
    return true;
  } catch (const std::exception& e) {
    MsgBox(kExportFailed + Description(e), eMsgButtons::OK, eMsgIcon::Exclamation);
    return false;
  }
}

bool frmImage::QuerySave() {
  const eMsgResult eAnswer =
      MsgBox("The image '" + m_sFIleTitle + "' has been changed.\r\n\r\nDo you want to save it?",
             eMsgButtons::YesNoCancel, eMsgIcon::Question);
  switch (eAnswer) {
    case eMsgResult::Yes:
      return SaveFile();
    case eMsgResult::No:
      return true;
    default:
      return false;
  }
}

void frmImage::CopyImage() {
  m_cDocument.Picture().CopyToClipboard(false);
}

void frmImage::Activate() {
  // A window whose picture does not exist yet (a combination being made, a file being opened)
  // has nothing to report; it reports once the picture is there.
  if (ImageWidth() < 1 || ImageHeight() < 1) return;
  m_frame.SetStatus(kKeep, m_sFIleTitle, SizeText());
}

hDC frmImage::ImageDibHDC() {
  return m_cDocument.Picture().hdc();
}

int32_t frmImage::ImageWidth() const {
  return m_cDocument.Picture().Width();
}

int32_t frmImage::ImageHeight() const {
  return m_cDocument.Picture().Height();
}

// --- Processing
// -----------------------------------------------------------------------------------

std::string frmImage::StepName(int32_t eType) {
  switch (eType) {
    case eBlur:
      return "Blur";
    case eBlurMore:
      return "Blur More";
    case eSoften:
      return "Soften";
    case eSoftenMore:
      return "Soften More";
    case eSharpen:
      return "Sharpen";
    case eSharpenMore:
      return "Sharpen More";
    case eUnsharp:
      return "Unsharp";
    case eEmboss:
      return "Emboss";
    case eMedianRank:
      return "Median Rank";
    case eMinimumRank:
      return "Minimum Rank";
    case eMaximumRank:
      return "Maximum Rank";
    case eCustom:
      return "Custom Defined";
    default:
      return "Filter";
  }
}

void frmImage::Record(const std::string& sName, const std::function<void()>& fnCommand) {
  m_cHistory.Record(m_cDocument, sName, fnCommand);
  ++m_lChanges;
}

void frmImage::Undo() {
  if (!m_cHistory.CanUndo()) return;
  const int32_t lWidth = ImageWidth();
  const int32_t lHeight = ImageHeight();
  m_cHistory.Undo(m_cDocument);
  ShowStep(lWidth, lHeight);
}

void frmImage::Redo() {
  if (!m_cHistory.CanRedo()) return;
  const int32_t lWidth = ImageWidth();
  const int32_t lHeight = ImageHeight();
  m_cHistory.Redo(m_cDocument);
  ShowStep(lWidth, lHeight);
}

void frmImage::ShowStep(int32_t lOldWidth, int32_t lOldHeight) {
  ++m_lChanges;
  Dirty(!m_cHistory.AtSaved());
  Render();
  if (lOldWidth != ImageWidth() || lOldHeight != ImageHeight()) {
    LayoutScrollBars();
    Activate();
  }
}

void frmImage::ProcessImage(int32_t eType) {
  Record(StepName(eType), [&] { m_cDocument.ProcessImage(eType); });
  Render();
  Dirty(true);
}

void frmImage::LoadCustomFilter(const cImageProcessDIB& cI) {
  m_cDocument.LoadCustomFilter(cI);
}

void frmImage::ApplyPalette(const std::string& sPalFile) {
  Record("Apply Palette", [&] { m_cDocument.ApplyPalette(sPalFile); });
  Dirty(true);
  Render();
}

void frmImage::Colourise(float fHue) {
  Record("Colourise", [&] { m_cDocument.Colourise(fHue); });
  Dirty(true);
  Render();
}

void frmImage::Lighten() {
  Record("Lighten", [&] { m_cDocument.Lighten(); });
  Dirty(true);
  Render();
}

void frmImage::Fade() {
  Record("Darken", [&] { m_cDocument.Fade(); });
  Dirty(true);
  Render();
}

void frmImage::BlackAndWhite() {
  Record("B/W", [&] { m_cDocument.BlackAndWhite(); });
  Dirty(true);
  Render();
}

void frmImage::GrayScale() {
  Record("Gray Scale", [&] { m_cDocument.GrayScale(); });
  Dirty(true);
  Render();
}

void frmImage::NegativeImage() {
  Record("Negative", [&] { m_cDocument.NegativeImage(); });
  Dirty(true);
  Render();
}

void frmImage::AddNoise(bool bRandom, int32_t lAmount) {
  Record("Add Noise", [&] { m_cDocument.AddNoise(bRandom, lAmount); });
  Dirty(true);
  Render();
}

void frmImage::Resample(int32_t lW, int32_t lH) {
  const bool bNewSize = lW != ImageWidth() || lH != ImageHeight();
  // At the present size too: the command still counts as a change, and Undo takes it back.
  Record("Resample", [&] { m_cDocument.Resample(lW, lH); });
  if (bNewSize) {
    Render();
    // The bars and the status strip follow the new size at once.
    LayoutScrollBars();
    Activate();
  }
  Dirty(true);
}

void frmImage::CombineSources(int32_t lWidth, int32_t lHeight, int32_t lSource1, int32_t lSource2,
                              int32_t eType, int32_t lMultiplier1, int32_t lOffset1,
                              int32_t lMultiplier2, int32_t lOffset2) {
  const auto source = [](int32_t lIndex) -> IImageDocument& {
    cLoadedWindow* pWindow = LoadedWindows().Item(lIndex);
    if (pWindow == nullptr) throw cError(9, ErrorSource(".frmImage"), "Subscript out of range");
    auto* pDocument = pWindow->As<IImageDocument>();
    if (pDocument == nullptr) {
      throw cError(438, ErrorSource(".frmImage"), "Object doesn't support this property or method");
    }
    return *pDocument;
  };
  IImageDocument& cSource1 = source(lSource1);
  IImageDocument& cSource2 = source(lSource2);
  m_cDocument.Combine(cSource1.ImageDibHDC(), cSource2.ImageDibHDC(), lWidth, lHeight, eType,
                      lMultiplier1, lOffset1, lMultiplier2, lOffset2);
  // The new picture is where this document's history starts; it has no file yet.
  m_cHistory.Clear(false);
  ++m_lChanges;
  const std::string sName = "Image " + std::to_string(m_frame.NewImageIndex());
  Filename(sName);
  m_bDirty = true;
  m_bNoFile = true;
  Caption(sName);
  Render();
  // The bars follow the new picture at once; the window reported itself before it had one.
  LayoutScrollBars();
  Activate();
}

// --- Engine events
// --------------------------------------------------------------------------------

void frmImage::InitProgress(int32_t lMax) {
  m_frame.ProgressMax(lMax);
  m_frame.ProgressValue(0);
  m_frame.ShowProgress(true);
}

void frmImage::Progress(int32_t lPosition) {
  m_frame.ProgressValue(lPosition);
}

bool frmImage::CancelRequested() {
  return m_frame.CancelRequested();
}

void frmImage::Complete(int32_t lTimeMs) {
  m_frame.ShowProgress(false);
  m_frame.SetStatus("Complete.  Time = " + std::to_string(lTimeMs), kKeep, kKeep);
}

// --- View
// -----------------------------------------------------------------------------------------

void frmImage::Render() {
  cDIBSection& cDib = m_cDocument.Picture();
  if (!m_pPicImage->SizeTo(cDib.Width(), cDib.Height())) {
    RaiseOutOfMemory(".frmImage", " (the picture's display copy).");
  }
  cDib.PaintPicture(m_pPicImage->hdc(), 0, 0, -1, -1, 0, 0, SRCCOPY);
  m_pPicImage->Refresh();
}

QSize frmImage::sizeHint() const {
  if (m_pPicImage->width() < 1 || m_pPicImage->height() < 1) return QWidget::sizeHint();
  // The bars stay hidden only while the picture leaves room for the other bar's thickness.
  const int32_t lRoom = 2 * kViewportMargin + kScrollBarThickness;
  return m_pPicImage->size() + QSize(lRoom, lRoom);
}

void frmImage::resizeEvent(QResizeEvent* pEvent) {
  QWidget::resizeEvent(pEvent);
  PlaceViewport();
}

void frmImage::closeEvent(QCloseEvent* pEvent) {
  // Unloading discards the document without asking (the frame may keep it for reopening); it
  // leaves the collection at once.
  pEvent->accept();
  if (!m_bClosing) {
    m_bClosing = true;
    m_frame.DocumentClosing(*this);
  }
  Unloaded();
}

std::unique_ptr<sClosedPicture> frmImage::TakeClosed() {
  auto pClosed = std::make_unique<sClosedPicture>();
  pClosed->sName = m_sFIleName;
  pClosed->sCaption = m_sCaption;
  pClosed->bDirty = m_bDirty;
  pClosed->bNoFile = m_bNoFile;
  const cDIBSection& cPicture = m_cDocument.Picture();
  pClosed->lWidth = cPicture.Width();
  pClosed->lHeight = cPicture.Height();
  if (cPicture.DIBSectionBitsPtr() != nullptr) {
    pClosed->picture =
        PackBytes(cPicture.DIBSectionBitsPtr(), static_cast<size_t>(cPicture.BytesPerScanLine()) *
                                                    static_cast<size_t>(cPicture.Height()));
  }
  pClosed->pHistory = std::make_unique<cImageHistory>();
  pClosed->pHistory->TakeFrom(m_cHistory);
  return pClosed;
}

void frmImage::Reopen(sClosedPicture& cClosed) {
  auto cNew = std::make_unique<cDIBSection>();
  if (cClosed.picture.lSize > 0) {
    if (!cNew->Create(cClosed.lWidth, cClosed.lHeight)) {
      RaiseOutOfMemory(".frmImage", " (" + std::to_string(cClosed.lWidth) + " x " +
                                        std::to_string(cClosed.lHeight) + " pixels).");
    }
    UnpackBytes(cClosed.picture, cNew->DIBSectionBitsPtr());
  }
  m_cDocument.AdoptPicture(std::move(cNew));
  if (cClosed.pHistory != nullptr) {
    m_cHistory.TakeFrom(*cClosed.pHistory);
  } else {
    m_cHistory.Clear(false);
  }
  ++m_lChanges;
  Filename(cClosed.sName);
  m_bNoFile = cClosed.bNoFile;
  m_bDirty = cClosed.bDirty;
  Caption(cClosed.sCaption);
  Render();
  LayoutScrollBars();
  Activate();
}

bool frmImage::eventFilter(QObject* pWatched, QEvent* pEvent) {
  if (pWatched == m_pScrollBox && pEvent->type() == QEvent::Resize) LayoutScrollBars();
  if (pEvent->type() == QEvent::Wheel && (pWatched == m_pScrollBox || pWatched == m_pPicImage ||
                                          pWatched == m_pHScroll || pWatched == m_pVScroll)) {
    Wheel(static_cast<QWheelEvent*>(pEvent), static_cast<QWidget*>(pWatched));
    return true;
  }
  return QWidget::eventFilter(pWatched, pEvent);
}

void frmImage::Wheel(QWheelEvent* pEvent, QWidget* pOver) {
  pEvent->accept();
  const QPoint angle = pEvent->angleDelta();
  if (pEvent->modifiers() & Qt::ControlModifier) {
    // A notch (120 units) is one step of the ladder; a touchpad's small turns add up to one.
    m_lWheelRestZoom += angle.y() != 0 ? angle.y() : angle.x();
    sZoom zoom = m_zoom;
    for (; m_lWheelRestZoom >= 120; m_lWheelRestZoom -= 120)
      zoom = ZoomStepIn(zoom);
    for (; m_lWheelRestZoom <= -120; m_lWheelRestZoom += 120)
      zoom = ZoomStepOut(zoom);
    const QPointF point = pOver == m_pScrollBox
                              ? pEvent->position()
                              : QPointF(pOver->mapTo(m_pScrollBox, pEvent->position()));
    ZoomAbout(zoom, point);
    return;
  }
  int32_t lAcross = angle.x();
  int32_t lDown = angle.y();
  // Shift turns the wheel sideways, as does turning it over the horizontal bar.
  if ((pEvent->modifiers() & Qt::ShiftModifier) || pOver == m_pHScroll) {
    lAcross += lDown;
    lDown = 0;
  }
  ScrollBy(m_pHScroll, lAcross, m_lWheelRestX);
  ScrollBy(m_pVScroll, lDown, m_lWheelRestY);
}

void frmImage::ScrollBy(QScrollBar* pBar, int32_t lDelta, int32_t& rlRest) {
  if (lDelta == 0 || pBar->isHidden()) return;
  // A notch moves the desktop's number of lines of the bar's small step, as over a bar itself.
  const int64_t lUnits =
      int64_t{rlRest} + int64_t{lDelta} * QApplication::wheelScrollLines() * pBar->singleStep();
  const int64_t lPixels = lUnits / 120;
  rlRest = static_cast<int32_t>(lUnits % 120);
  // Turning the wheel away from the user shows what lies above (to the left).
  pBar->setValue(static_cast<int>(
      std::clamp<int64_t>(pBar->value() - lPixels, pBar->minimum(), pBar->maximum())));
}

// --- Zoom ----------------------------------------------------------------------------------------

void frmImage::ZoomAbout(sZoom zoom, QPointF viewportPoint) {
  zoom = MakeZoom(zoom.lNum, zoom.lDen);
  if (zoom == m_zoom) return;
  // The widest picture a window can show.
  if (ZoomedLength(ImageWidth(), zoom) > QWIDGETSIZE_MAX ||
      ZoomedLength(ImageHeight(), zoom) > QWIDGETSIZE_MAX) {
    return;
  }
  // The point of the picture under viewportPoint, in picture pixels.
  const double x = (viewportPoint.x() - m_pPicImage->x()) * static_cast<double>(m_zoom.lDen) /
                   static_cast<double>(m_zoom.lNum);
  const double y = (viewportPoint.y() - m_pPicImage->y()) * static_cast<double>(m_zoom.lDen) /
                   static_cast<double>(m_zoom.lNum);
  m_zoom = zoom;
  m_pPicImage->Zoom(zoom);
  LayoutScrollBars();
  const auto place = [&](QScrollBar* pBar, double dPoint, double dViewport) {
    if (pBar->isHidden()) return;
    const double dValue =
        dPoint * static_cast<double>(zoom.lNum) / static_cast<double>(zoom.lDen) - dViewport;
    pBar->setValue(
        static_cast<int>(std::clamp<double>(std::round(dValue), pBar->minimum(), pBar->maximum())));
  };
  place(m_pHScroll, x, viewportPoint.x());
  place(m_pVScroll, y, viewportPoint.y());
  UpdateCaption();
}

void frmImage::ZoomIn() {
  ZoomAbout(ZoomStepIn(m_zoom), QRectF(m_pScrollBox->rect()).center());
}

void frmImage::ZoomOut() {
  ZoomAbout(ZoomStepOut(m_zoom), QRectF(m_pScrollBox->rect()).center());
}

void frmImage::ActualSize() {
  ZoomAbout(kZoomActual, QRectF(m_pScrollBox->rect()).center());
}

void frmImage::BestFit() {
  // Room inside the bars: a picture that fits it shows no bars.
  ZoomAbout(FitZoom(ImageWidth(), ImageHeight(), m_pScrollBox->width() - m_pVScroll->width(),
                    m_pScrollBox->height() - m_pHScroll->height()),
            QPointF(0, 0));
}

void frmImage::PlaceViewport() {
  const QWidget* pFrame = parentWidget();
  if (isMinimized() || (pFrame != nullptr && pFrame->isMinimized())) return;
  const int32_t lWidth = width() - 2 * kViewportMargin;
  const int32_t lHeight = height() - 2 * kViewportMargin;
  // Too small a window keeps the viewport it had.
  if (lWidth < 0 || lHeight < 0) return;
  m_pScrollBox->setGeometry(kViewportMargin, kViewportMargin, lWidth, lHeight);
}

void frmImage::LayoutScrollBars() {
  const int32_t SW = m_pScrollBox->width();
  const int32_t SH = m_pScrollBox->height();
  const int32_t PW = m_pPicImage->width();
  const int32_t PH = m_pPicImage->height();
  const int32_t VW = m_pVScroll->width();
  const int32_t HH = m_pHScroll->height();

  // Each test subtracts the other bar's thickness whether or not that bar is shown.
  const bool bHorizontal = PW > SW - VW;
  const bool bVertical = PH > SH - HH;
  m_pHScroll->setVisible(bHorizontal);
  m_pVScroll->setVisible(bVertical);

  if (bHorizontal) {
    m_pHScroll->setMaximum(ScrollMaximum(PW - SW + (bVertical ? VW : 0), TwipsPerPixelX()));
    m_pHScroll->setSingleStep(kScrollSmallStep);
    const int32_t lWidth = SW - (bVertical ? VW : 0);
    if (lWidth >= 0) m_pHScroll->setGeometry(0, SH - HH, lWidth, HH);
  } else {
    // A hidden bar brings the picture back to the viewport's edge.
    m_pHScroll->setValue(0);
  }
  if (bVertical) {
    m_pVScroll->setMaximum(ScrollMaximum(PH - SH + (bHorizontal ? HH : 0), TwipsPerPixelY()));
    m_pVScroll->setSingleStep(kScrollSmallStep);
    const int32_t lHeight = SH - (bHorizontal ? HH : 0);
    if (lHeight >= 0) m_pVScroll->setGeometry(SW - VW, 0, VW, lHeight);
  } else {
    m_pVScroll->setValue(0);
  }
}

}  // namespace brennic
