#include "document/frmNewSize.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>
#include <string>

#include "image/mConventions.h"
#include "platform/MessageBox.h"
#include "platform/mNumberText.h"
#include "platform/mSysColor.h"

namespace brennic {

namespace {

std::string Text(const QLineEdit* pBox) {
  return pBox->text().toStdString();
}

// A side of the current size as its label shows it.
std::optional<int64_t> Side(const QLabel* pLabel) {
  const std::optional<int32_t> l = NumberTextToLong(pLabel->text().toStdString());
  if (!l) return std::nullopt;
  return *l;
}

// Whether the box can be edited, with the colour that tells it.
void SetEditable(QLineEdit* pBox, bool bEditable) {
  pBox->setReadOnly(!bEditable);
  cModalDialog::SetBackColor(pBox, bEditable ? kSysWindowColor : kSysButtonFace);
}

}  // namespace

frmNewSize::frmNewSize(QWidget* pMainWindow, TopMostFunction fnTopMost)
    : cModalDialog(kNewSizeClass, pMainWindow, std::move(fnTopMost)) {
  setWindowTitle(QStringLiteral("Choose New Size"));
  SetClientTwips(3375, 3150);

  m_Frame1 = new QGroupBox(QStringLiteral("Frame1"), this);
  m_Frame1->setObjectName(QStringLiteral("Frame1"));
  PlaceTwips(m_Frame1, 120, 60, 3135, 2475);

  const auto label = [this](const char* sName, const char* sCaption, double dLeft, double dTop,
                            double dWidth, Qt::Alignment eAlign) {
    auto* p = new QLabel(QString::fromLatin1(sCaption), m_Frame1);
    p->setObjectName(QString::fromLatin1(sName));
    p->setAlignment(eAlign | Qt::AlignVCenter);
    PlaceTwips(p, dLeft, dTop, dWidth, 195);
    return p;
  };
  const auto textBox = [this](const char* sName, double dLeft, double dTop) {
    auto* p = new QLineEdit(m_Frame1);
    p->setObjectName(QString::fromLatin1(sName));
    PlaceTwips(p, dLeft, dTop, 1335, 315);
    return p;
  };

  m_optFree = new QRadioButton(QStringLiteral("&Free"), m_Frame1);
  SetIndexedName(m_optFree, "optStyle", 0);
  m_optFree->setChecked(true);
  PlaceTwips(m_optFree, 120, 270, 1215, 255);

  m_lbl = label("lbl", "Width:", 120, 630, 1215, Qt::AlignLeft);
  m_lblHeight = label("lblHeight", "Height", 1620, 630, 1215, Qt::AlignLeft);
  m_txtWidth = textBox("txtWidth", 120, 855);
  m_txtHeight = textBox("txtHeight", 1620, 855);

  m_chkKeepProportion = new QCheckBox(QStringLiteral("&Keep proportions"), m_Frame1);
  m_chkKeepProportion->setObjectName(QStringLiteral("chkKeepProportion"));
  PlaceTwips(m_chkKeepProportion, 120, 1335, 1695, 255);

  m_optPercent = new QRadioButton(QStringLiteral("&Percent"), m_Frame1);
  SetIndexedName(m_optPercent, "optStyle", 1);
  PlaceTwips(m_optPercent, 1860, 1335, 1095, 255);

  m_lblPercentage = label("lblPercentage", "Percent:", 120, 1755, 1215, Qt::AlignLeft);
  // The current size, height first: "480 X 640".
  m_lblOrigHeight = label("lblOrigHeight", "", 1440, 1755, 735, Qt::AlignRight);
  m_Label1 = label("Label1", "X", 2190, 1755, 225, Qt::AlignHCenter);
  m_lblOrigWidth = label("lblOrigWidth", "", 2430, 1755, 615, Qt::AlignLeft);

  m_txtPercent = textBox("txtPercent", 120, 1980);
  m_txtPercent->setText(QStringLiteral("100"));

  m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
  m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
  m_cmdOK->setDefault(true);
  PlaceTwips(m_cmdOK, 960, 2655, 1095, 375);

  m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  PlaceTwips(m_cmdCancel, 2160, 2655, 1095, 375);

  SetEditable(m_txtWidth, true);
  SetEditable(m_txtHeight, true);
  SetEditable(m_txtPercent, false);

  setTabOrder(m_txtWidth, m_txtHeight);
  setTabOrder(m_txtHeight, m_cmdCancel);
  setTabOrder(m_cmdCancel, m_cmdOK);
  setTabOrder(m_cmdOK, m_txtPercent);
  setTabOrder(m_txtPercent, m_chkKeepProportion);
  setTabOrder(m_chkKeepProportion, m_optFree);
  setTabOrder(m_optFree, m_optPercent);

  for (QRadioButton* p : {m_optFree, m_optPercent}) {
    connect(p, &QRadioButton::toggled, this, [this](bool bChecked) {
      if (bChecked) ApplyStyle();
    });
  }
  connect(m_txtWidth, &QLineEdit::textChanged, this, [this] { WidthChanged(); });
  connect(m_txtHeight, &QLineEdit::textChanged, this, [this] { HeightChanged(); });
  connect(m_txtPercent, &QLineEdit::textChanged, this, [this] { PercentChanged(); });
  connect(m_cmdOK, &QPushButton::clicked, this, [this] { OkClicked(); });
  connect(m_cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
}

frmNewSize::~frmNewSize() = default;

void frmNewSize::SetSize(int32_t lW, int32_t lH) {
  m_lOrigWidth = lW;
  m_lOrigHeight = lH;
}

void frmNewSize::Load() {
  m_lblOrigWidth->setText(QString::number(m_lOrigWidth));
  m_lblOrigHeight->setText(QString::number(m_lOrigHeight));
  m_txtWidth->setText(QString::number(m_lOrigWidth));
  m_txtHeight->setText(QString::number(m_lOrigHeight));
  m_txtWidth->setFocus();
}

void frmNewSize::ApplyStyle() {
  const bool bFree = m_optFree->isChecked();
  SetEditable(m_txtWidth, bFree);
  SetEditable(m_txtHeight, bFree);
  m_chkKeepProportion->setEnabled(bFree);
  SetEditable(m_txtPercent, !bFree);
}

void frmNewSize::KeepProportion(QLineEdit* pChanged, QLineEdit* pTarget, const QLabel* pChangedSide,
                                const QLabel* pTargetSide) {
  // The guard mark is set while one box writes the other, so the write is not mirrored back.
  if (!m_chkKeepProportion->isChecked() || !Tag(pChanged).isEmpty()) return;
  const std::optional<int32_t> lValue = NumberTextToLong(Text(pChanged));
  const std::optional<int64_t> lChangedSide = Side(pChangedSide);
  const std::optional<int64_t> lTargetSide = Side(pTargetSide);
  if (!lValue || !lChangedSide || !lTargetSide || *lChangedSide == 0) return;
  SetTag(pTarget, pChanged->objectName());
  pTarget->setText(QString::number(*lTargetSide * *lValue / *lChangedSide));
  SetTag(pTarget, QString());
}

void frmNewSize::WidthChanged() {
  KeepProportion(m_txtWidth, m_txtHeight, m_lblOrigWidth, m_lblOrigHeight);
}

void frmNewSize::HeightChanged() {
  KeepProportion(m_txtHeight, m_txtWidth, m_lblOrigHeight, m_lblOrigWidth);
}

void frmNewSize::PercentChanged() {
  if (!m_optPercent->isChecked()) return;
  const std::optional<int32_t> lPercent = NumberTextToLong(Text(m_txtPercent));
  const std::optional<int64_t> lWidth = Side(m_lblOrigWidth);
  const std::optional<int64_t> lHeight = Side(m_lblOrigHeight);
  if (!lPercent || !lWidth || !lHeight) return;
  const double p = *lPercent / 100.0;
  m_txtWidth->setText(QString::number(RoundHalfEven64(static_cast<double>(*lWidth) * p)));
  // With proportions kept, the width follows the final height, also when the height box
  // already held the rounded height (which raises no change of its own).
  const QString sHeight = QString::number(RoundHalfEven64(static_cast<double>(*lHeight) * p));
  if (m_txtHeight->text() == sHeight) {
    HeightChanged();
  } else {
    m_txtHeight->setText(sHeight);
  }
}

void frmNewSize::OkClicked() {
  const std::optional<int32_t> lWidth = NumberTextToLong(Text(m_txtWidth));
  const std::optional<int32_t> lHeight = NumberTextToLong(Text(m_txtHeight));
  const auto usable = [](const std::optional<int32_t>& l) {
    return l && *l >= 1 && *l <= kMaxNewSide;
  };
  if (!usable(lWidth) || !usable(lHeight)) {
    MsgBox(kMsgBadNewSize, eMsgButtons::OK, eMsgIcon::Information);
    return;
  }
  m_lNewWidth = *lWidth;
  m_lNewHeight = *lHeight;
  SetAccepted();
  accept();
}

}  // namespace brennic
