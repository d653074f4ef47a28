#include "filters/frmCustomFilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <string>

#include "image/cError.h"
#include "platform/MessageBox.h"
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
constexpr double kClientWidth = 3435;
constexpr double kClientHeight = 4440;

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

void frmCustomFilter::OkClicked() {
  // The extent of the non-zero boxes around the centre.
  int R = -1;
  int C = -1;
  CustomFilterRecord record;
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
  if (R < 0) {
    MsgBox(kMsgBlackFilter, eMsgButtons::OK, eMsgIcon::Information);
    return;
  }
  const int h = std::max(R, C);
  if (h < 1) {
    MsgBox(kMsgFilterTooSmall, eMsgButtons::OK, eMsgIcon::Information);
    return;
  }
  // The store holds magnitudes up to 255, and a filter is applied only when it can be stored.
  if (!bInRange) {
    MsgBox(kMsgFilterValueRange, eMsgButtons::OK, eMsgIcon::Information);
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

}  // namespace brennic
