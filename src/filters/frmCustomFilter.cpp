#include "filters/frmCustomFilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <string>

#include "image/FilterPreview.h"
#include "image/cError.h"
#include "platform/MessageBox.h"
#include "platform/cPictureBox.h"
#include "platform/mNumberText.h"
#include "platform/mSysColor.h"

namespace brennic {

namespace {

// Design geometry in twips. The grid's places are fixed; the rest is arranged around it.
constexpr double kGridLeft = 60;
constexpr double kGridTop = 480;
constexpr double kGridPitchX = 480;
constexpr double kGridPitchY = 360;
constexpr double kBoxWidth = 435;
constexpr double kBoxHeight = 315;
constexpr double kClientWidth = 7440;
constexpr double kClientHeight = 4440;
// The preview pane right of the grid: 256 pixels square at 15 twips per pixel.
constexpr double kPreviewLeft = 3540;
constexpr double kPreviewTop = 60;
constexpr double kPreviewTwips = 3840;

struct sBaseOnEntry {
  const char* sCaption;
  int iNumber;
};
constexpr int kBaseOnNone = -1;
constexpr int kBaseOnReset = -2;
constexpr sBaseOnEntry kBaseOnEntries[] = {
    {"<none>", kBaseOnNone}, {"<reset>", kBaseOnReset},
    {"Blur", eBlur},         {"Blur More", eBlurMore},
    {"Soften", eSoften},     {"Soften More", eSoftenMore},
    {"Sharpen", eSharpen},   {"Sharpen More", eSharpenMore},
};

constexpr int kGridSide = 7;
constexpr int kGridHalf = 3;

std::string Text(const QLineEdit* pBox) {
  return pBox->text().toStdString();
}

bool IsAsciiDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

frmCustomFilter::frmCustomFilter(QWidget* pMainWindow, TopMostFunction fnTopMost)
    : cModalDialog(kCustomFilterClass, pMainWindow, std::move(fnTopMost), Qt::Tool) {
  setWindowTitle(QStringLiteral("Custom Filter"));
  SetClientTwips(kClientWidth, kClientHeight);

  // Typing a kernel changes many boxes in a row: redraw once the typing pauses.
  m_tmrPreview = new QTimer(this);
  m_tmrPreview->setSingleShot(true);
  m_tmrPreview->setInterval(kPreviewDelayMs);
  connect(m_tmrPreview, &QTimer::timeout, this, [this] { UpdatePreview(); });

  // Created in keyboard order.
  m_lblName = new QLabel(QStringLiteral("Name:"), this);
  m_lblName->setObjectName(QStringLiteral("lblName"));
  PlaceTwips(m_lblName, 60, 120, 615, 195);

  m_cboName = new QComboBox(this);
  m_cboName->setObjectName(QStringLiteral("cboName"));
  m_cboName->setEditable(true);
  m_cboName->setInsertPolicy(QComboBox::NoInsert);
  m_cboName->setCompleter(nullptr);
  m_cboName->setEditText(QStringLiteral("New Filter"));
  PlaceTwips(m_cboName, 780, 60, 2595, 315);
  // A name matching a stored one when typing ends must stay a typed name (a new entry on OK):
  // only a pick from the list selects a stored filter.
  disconnect(m_cboName->lineEdit(), &QLineEdit::editingFinished, m_cboName, nullptr);

  for (int i = 0; i < kValueBoxes; ++i) {
    auto* pBox = new QLineEdit(i == kCentreBox ? QStringLiteral("1") : QStringLiteral("0"), this);
    SetIndexedName(pBox, "txtValue", i);
    pBox->setAlignment(Qt::AlignRight);
    SetBackColor(pBox, kSysWindowColor);
    pBox->installEventFilter(this);
    const int iRow = i / kGridSide;
    const int iColumn = i % kGridSide;
    PlaceTwips(pBox, kGridLeft + kGridPitchX * iColumn, kGridTop + kGridPitchY * iRow, kBoxWidth,
               kBoxHeight);
    m_txtValue[static_cast<size_t>(i)] = pBox;
    connect(pBox, &QLineEdit::textChanged, this, [this, i] { ValueChanged(i); });
  }

  m_lblWeight = new QLabel(QStringLiteral("Weight:"), this);
  m_lblWeight->setObjectName(QStringLiteral("lblWeight"));
  PlaceTwips(m_lblWeight, 60, 3060, 1035, 195);

  m_txtWeight = new QLineEdit(QStringLiteral("1"), this);
  m_txtWeight->setObjectName(QStringLiteral("txtWeight"));
  m_txtWeight->setAlignment(Qt::AlignRight);
  SetBackColor(m_txtWeight, kSysWindowColor);
  m_txtWeight->installEventFilter(this);
  PlaceTwips(m_txtWeight, 60, 3300, 675, 315);

  m_chkAuto = new QCheckBox(QStringLiteral("Auto-&calc"), this);
  m_chkAuto->setObjectName(QStringLiteral("chkAuto"));
  PlaceTwips(m_chkAuto, 900, 3330, 1335, 255);
  connect(m_chkAuto, &QCheckBox::clicked, this, [this] { AutoClicked(); });

  m_lblBase = new QLabel(QStringLiteral("Base On:"), this);
  m_lblBase->setObjectName(QStringLiteral("lblBase"));
  PlaceTwips(m_lblBase, 60, 3720, 1035, 195);

  m_cboBaseOn = new QComboBox(this);
  m_cboBaseOn->setObjectName(QStringLiteral("cboBaseOn"));
  PlaceTwips(m_cboBaseOn, 60, 3960, 1815, 315);
  connect(m_cboBaseOn, &QComboBox::activated, this, [this](int i) { BaseOnChosen(i); });

  m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
  m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
  m_cmdOK->setDefault(true);
  PlaceTwips(m_cmdOK, 1995, 3915, 675, 375);
  connect(m_cmdOK, &QPushButton::clicked, this, [this] { OkClicked(); });

  m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  PlaceTwips(m_cmdCancel, 2700, 3915, 675, 375);
  connect(m_cmdCancel, &QPushButton::clicked, this, [this] { reject(); });

  connect(m_cboName, &QComboBox::activated, this, [this](int i) { NamePicked(i); });
  connect(m_cboName->lineEdit(), &QLineEdit::textEdited, this, [this] { m_iPickedName = -1; });

  m_fraPreview = new QFrame(this);
  m_fraPreview->setObjectName(QStringLiteral("fraPreview"));
  m_fraPreview->setFrameShape(QFrame::NoFrame);
  PlaceTwips(m_fraPreview, kPreviewLeft, kPreviewTop, kPreviewTwips, kPreviewTwips);
  m_picPreview = new cPictureBox(m_fraPreview);
  m_picPreview->setObjectName(QStringLiteral("picPreview"));
  m_lblPreview = new QLabel(m_fraPreview);
  m_lblPreview->setObjectName(QStringLiteral("lblPreview"));
  m_lblPreview->setAlignment(Qt::AlignCenter);
  m_lblPreview->setWordWrap(true);
  m_lblPreview->setGeometry(m_fraPreview->rect());
  m_lblClipped = new QLabel(this);
  m_lblClipped->setObjectName(QStringLiteral("lblClipped"));
  m_lblClipped->setAlignment(Qt::AlignCenter);
  PlaceTwips(m_lblClipped, kPreviewLeft, kPreviewTop + kPreviewTwips + 60, kPreviewTwips, 255);
  ShowPreviewMessage(QString::fromLatin1(kMsgNoPreviewPicture));

  connect(m_txtWeight, &QLineEdit::textChanged, m_tmrPreview, qOverload<>(&QTimer::start));
}

frmCustomFilter::~frmCustomFilter() = default;

cImageProcessDIB& frmCustomFilter::ImageProcess() {
  if (!m_pImageProcess) m_pImageProcess = std::make_unique<cImageProcessDIB>();
  return *m_pImageProcess;
}

void frmCustomFilter::Load() {
  for (const sBaseOnEntry& entry : kBaseOnEntries)
    m_cboBaseOn->addItem(QString::fromLatin1(entry.sCaption), entry.iNumber);
  m_cboBaseOn->setCurrentIndex(1);
  BaseOnChosen(1);
  m_cboBaseOn->setCurrentIndex(0);
  BaseOnChosen(0);

  // Adding to an empty list selects its first entry and shows it; the name stays "New Filter".
  const QString sName = m_cboName->currentText();
  for (const auto& [n, sFilterName] : ListFilters())
    m_cboName->addItem(QString::fromStdString(sFilterName), n);
  m_cboName->setCurrentIndex(-1);
  m_cboName->setEditText(sName);
  m_iPickedName = -1;
  UpdatePreview();
}

bool frmCustomFilter::eventFilter(QObject* pWatched, QEvent* pEvent) {
  auto* pBox = qobject_cast<QLineEdit*>(pWatched);
  if (pBox == nullptr || pEvent->type() != QEvent::KeyPress)
    return cModalDialog::eventFilter(pWatched, pEvent);
  const auto* pKey = static_cast<const QKeyEvent*>(pEvent);
  switch (pKey->key()) {
    // Keys the dialog acts on, and keys that type no character.
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
      return false;
    default:
      break;
  }
  QChar c;
  if (!pKey->text().isEmpty()) {
    c = pKey->text().front();
  } else if (pKey->modifiers().testFlag(Qt::ControlModifier) && pKey->key() >= Qt::Key_A &&
             pKey->key() <= Qt::Key_Z) {
    c = QChar(pKey->key() - Qt::Key_A + 1);  // the control character Ctrl+letter types
  } else {
    return false;  // cursor and function keys type nothing
  }
  if (!IsAsciiDigit(c) && c != QLatin1Char('-')) return true;
  const qsizetype lKept = pBox->text().size() - pBox->selectedText().size();
  return lKept >= kMaxTypedLength;
}

void frmCustomFilter::BaseOnChosen(int iListIndex) {
  if (iListIndex < 0) return;
  const int iNumber = m_cboBaseOn->itemData(iListIndex).toInt();
  if (iNumber == kBaseOnNone) return;
  for (int i = 0; i < kValueBoxes; ++i) {
    if (i != kCentreBox) SetValueText(i, QStringLiteral("0"));
  }
  txtValue(kCentreBox)->setText(QStringLiteral("1"));
  m_txtWeight->setText(QStringLiteral("1"));
  if (iNumber < 1) return;

  cImageProcessDIB& engine = ImageProcess();
  engine.FilterType(iNumber);
  const int32_t h = engine.FilterArraySize() / 2;
  for (int32_t iX = -h; iX <= h; ++iX) {
    for (int32_t iY = -h; iY <= h; ++iY) {
      txtValue(FilterCellIndex(iX, iY))->setText(QString::number(engine.FilterValue(iX, iY)));
    }
  }
  m_txtWeight->setText(QString::number(engine.FilterWeight()));
}

void frmCustomFilter::NamePicked(int iListIndex) {
  if (iListIndex < 0) return;
  m_iPickedName = iListIndex;
  const std::optional<CustomFilterRecord> record =
      LoadFilter(m_cboName->itemData(iListIndex).toInt());
  if (!record) return;
  m_txtWeight->setText(record->lWeight ? QString::number(*record->lWeight) : QString());
  for (int i = 0; i < kValueBoxes; ++i)
    txtValue(i)->setText(QString::number(record->aCells[static_cast<size_t>(i)]));
}

void frmCustomFilter::ValueChanged(int iIndex) {
  QLineEdit* pBox = txtValue(iIndex);
  const std::string sText = Text(pBox);
  if (IsNumberText(sText))
    SetBackColor(pBox, LeadingNumber(sText) != 0.0 ? kSysWindowColor : kSysButtonFace);
  if (m_chkAuto->isChecked()) CalculateWeight();
  m_tmrPreview->start();
}

void frmCustomFilter::AutoClicked() {
  if (m_chkAuto->isChecked()) CalculateWeight();
}

void frmCustomFilter::CalculateWeight() {
  int32_t lSum = 0;
  for (const QLineEdit* pBox : m_txtValue) {
    const std::string sText = Text(pBox);
    if (IsNumberText(sText)) lSum = RoundToLongClamped(lSum + LeadingNumber(sText));
  }
  m_txtWeight->setText(QString::number(lSum));
}

int32_t frmCustomFilter::BoxInteger(const QLineEdit* pBox) const {
  return RoundToLongClamped(LeadingNumber(Text(pBox)));
}

void frmCustomFilter::SetValueText(int iIndex, const QString& sText) {
  QLineEdit* pBox = txtValue(iIndex);
  if (pBox->text() == sText) {
    ValueChanged(iIndex);
  } else {
    pBox->setText(sText);  // raises the change handling itself
  }
}

const char* frmCustomFilter::ReadGrid(CustomFilterRecord& record, int& h) const {
  // The extent of the non-zero boxes around the centre.
  int R = -1;
  int C = -1;
  bool bInRange = true;
  for (int r = 0; r < kGridSide; ++r) {
    for (int c = 0; c < kGridSide; ++c) {
      const QLineEdit* pBox = txtValue(kGridSide * r + c);
      const int32_t lCell = BoxInteger(pBox);
      record.aCells[static_cast<size_t>(kGridSide * r + c)] = lCell;
      if (lCell < -255 || lCell > 255) bInRange = false;
      if (LeadingNumber(Text(pBox)) != 0.0) {
        R = std::max(R, std::abs(r - kGridHalf));
        C = std::max(C, std::abs(c - kGridHalf));
      }
    }
  }
  h = std::max(R, C);
  if (R < 0) return kMsgBlackFilter;
  if (h < 1) return kMsgFilterTooSmall;
  // The store holds magnitudes up to 255, and a filter is applied only when it can be stored.
  if (!bInRange) return kMsgFilterValueRange;
  return nullptr;
}

void frmCustomFilter::OkClicked() {
  CustomFilterRecord record;
  int h = 0;
  if (const char* sRefusal = ReadGrid(record, h)) {
    MsgBox(sRefusal, eMsgButtons::OK, eMsgIcon::Information);
    return;
  }

  const int32_t lWeight = BoxInteger(m_txtWeight);
  cImageProcessDIB& engine = ImageProcess();
  engine.FilterArraySize(2 * h + 1);
  engine.FilterWeight(lWeight);
  for (int32_t iX = -h; iX <= h; ++iX) {
    for (int32_t iY = -h; iY <= h; ++iY)
      engine.FilterValue(iX, iY, record.aCells[static_cast<size_t>(FilterCellIndex(iX, iY))]);
  }
  SetAccepted();

  record.sName = m_cboName->currentText().toStdString();
  record.lWeight = lWeight;
  const bool bNew = m_iPickedName < 0;
  const int32_t n = bNew ? m_cboName->count() + 1 : m_cboName->itemData(m_iPickedName).toInt();
  // The filter is applied even when it cannot be stored; the user learns why it is not listed.
  try {
    SaveFilter(record, n, bNew);
  } catch (const cError& e) {
    MsgBox(kMsgFilterNotStored + e.Description(), eMsgButtons::OK, eMsgIcon::Exclamation);
  } catch (const std::exception& e) {
    MsgBox(kMsgFilterNotStored + std::string(e.what()), eMsgButtons::OK, eMsgIcon::Exclamation);
  }
  accept();
}

void frmCustomFilter::SetPreviewPicture(const cDIBSection* pPicture) {
  m_bHasPicture = pPicture != nullptr && CopyCentredRegion(*pPicture, kPreviewSide, m_cRegion) &&
                  m_cFiltered.Create(m_cRegion.Width(), m_cRegion.Height()) &&
                  m_cBuffer.Create(m_cRegion.Width(), m_cRegion.Height());
  UpdatePreview();
}

void frmCustomFilter::ShowPreviewMessage(const QString& sMessage) {
  m_picPreview->hide();
  m_lblPreview->setText(sMessage);
  m_lblPreview->show();
  m_lblClipped->clear();
}

void frmCustomFilter::UpdatePreview() {
  m_tmrPreview->stop();
  if (!m_bHasPicture) {
    ShowPreviewMessage(QString::fromLatin1(kMsgNoPreviewPicture));
    return;
  }
  CustomFilterRecord record;
  int h = 0;
  if (const char* sRefusal = ReadGrid(record, h)) {
    ShowPreviewMessage(QString::fromLatin1(sRefusal));
    return;
  }
  // The kernel exactly as OK hands it to the document, run as the document runs it.
  cClipCount clipped;
  try {
    m_cPreviewEngine.FilterType(eCustom);
    m_cPreviewEngine.FilterArraySize(2 * h + 1);
    m_cPreviewEngine.FilterWeight(BoxInteger(m_txtWeight));
    for (int32_t iX = -h; iX <= h; ++iX) {
      for (int32_t iY = -h; iY <= h; ++iY) {
        m_cPreviewEngine.FilterValue(iX, iY,
                                     record.aCells[static_cast<size_t>(FilterCellIndex(iX, iY))]);
      }
    }
    m_cFiltered.LoadPictureBlt(m_cRegion.hdc());
    m_cPreviewEngine.ProcessImage(m_cFiltered, m_cBuffer);
    clipped = CountClippedChannels(m_cPreviewEngine, m_cRegion);
  } catch (const cError& e) {
    ShowPreviewMessage(QString::fromStdString(e.Description()));
    return;
  } catch (const std::exception& e) {
    ShowPreviewMessage(QString::fromLocal8Bit(e.what()));
    return;
  }

  const int32_t w = m_cFiltered.Width();
  const int32_t hPixels = m_cFiltered.Height();
  if (!m_picPreview->SizeTo(w, hPixels)) {
    ShowPreviewMessage(QStringLiteral("Out of memory"));
    return;
  }
  m_picPreview->move((m_fraPreview->width() - w) / 2, (m_fraPreview->height() - hPixels) / 2);
  m_cFiltered.PaintPicture(m_picPreview->hdc());
  m_picPreview->Refresh();
  m_lblPreview->hide();
  m_picPreview->show();
  const QLocale locale;
  m_lblClipped->setText(QStringLiteral("%1 of %2 channel values clipped")
                            .arg(locale.toString(static_cast<qlonglong>(clipped.lClipped)),
                                 locale.toString(static_cast<qlonglong>(clipped.lComputed))));
}

}  // namespace brennic
