#include "frame/frmCombination.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>

#include "document/IImageDocument.h"
#include "platform/MessageBox.h"
#include "platform/mNumberText.h"

namespace brennic {

namespace {

constexpr const char* kTagAdd = "Add";
// Keeps a selection made while the lists are filled from computing a size.
constexpr const char* kTagDont = "DONT";

}  // namespace

frmCombination::frmCombination(QWidget* pMainWindow, TopMostFunction fnTopMost)
    : cModalDialog(kCombinationClass, pMainWindow, std::move(fnTopMost)) {
  setWindowTitle(QStringLiteral("Image Combination"));
  SetClientTwips(4980, 2820);

  // Created in keyboard order; positions are the design's, in twips.
  for (int k = 0; k < 2; ++k) {
    const double dLeft = k == 0 ? 60 : 2580;
    auto* pLabel = new QLabel(
        k == 0 ? QStringLiteral("Source Image &1:") : QStringLiteral("Source Image &2:"), this);
    SetIndexedName(pLabel, "lblSource", k);
    PlaceTwips(pLabel, dLeft, 60, 2295, 195);
    auto* pCombo = new QComboBox(this);
    SetIndexedName(pCombo, "cboSource", k);
    PlaceTwips(pCombo, dLeft, 300, 2295, 315);
    pLabel->setBuddy(pCombo);
    m_lblSource[static_cast<size_t>(k)] = pLabel;
    m_cboSource[static_cast<size_t>(k)] = pCombo;
  }

  const auto option = [this](int i, const char* sCaption, double dTop, double dWidth) {
    auto* p = new QRadioButton(QString::fromLatin1(sCaption), this);
    SetIndexedName(p, "optCombine", i);
    PlaceTwips(p, 60, dTop, dWidth, 195);
    m_optCombine[static_cast<size_t>(i)] = p;
  };
  option(0, "&Add Images", 780, 4815);
  m_optCombine[0]->setChecked(true);

  for (int k = 0; k < 2; ++k) {
    const double dLabelLeft = k == 0 ? 60 : 2580;
    const double dBoxLeft = k == 0 ? 840 : 3360;
    const auto label = [&](const char* sName, const char* sCaption, double dTop) {
      auto* p = new QLabel(QString::fromLatin1(sCaption), this);
      SetIndexedName(p, sName, k);
      SetTag(p, QString::fromLatin1(kTagAdd));
      PlaceTwips(p, dLabelLeft, dTop, dBoxLeft - dLabelLeft - 60, 195);
      return p;
    };
    const auto box = [&](const char* sName, const char* sText, double dTop) {
      auto* p = new QLineEdit(QString::fromLatin1(sText), this);
      SetIndexedName(p, sName, k);
      SetTag(p, QString::fromLatin1(kTagAdd));
      PlaceTwips(p, dBoxLeft, dTop, 1515, 285);
      return p;
    };
    m_lblOffset[static_cast<size_t>(k)] = label("lblOffset", "Offset:", 1080);
    m_txtOffset[static_cast<size_t>(k)] = box("txtOffset", "0", 1020);
    m_lblMultiplier[static_cast<size_t>(k)] = label("lblMultiplier", "Multiplier:", 1440);
    m_txtMultiplier[static_cast<size_t>(k)] = box("txtMultiplier", "1", 1380);
  }

  option(1, "&Darkest", 1860, 1335);
  option(2, "&Lightest", 2100, 1335);

  m_lblInfo = new QLabel(this);
  m_lblInfo->setObjectName(QStringLiteral("lblInfo"));
  PlaceTwips(m_lblInfo, 120, 2400, 2895, 255);

  m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
  m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
  m_cmdOK->setDefault(true);
  PlaceTwips(m_cmdOK, 3120, 2280, 915, 375);

  m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  PlaceTwips(m_cmdCancel, 4080, 2280, 795, 375);

  for (int k = 0; k < 2; ++k) {
    connect(m_cboSource[static_cast<size_t>(k)], &QComboBox::currentIndexChanged, this,
            [this, k] { SourceClicked(k); });
  }
  for (QRadioButton* p : m_optCombine)
    connect(p, &QRadioButton::toggled, this, [this] { CombineClicked(); });
  connect(m_cmdOK, &QPushButton::clicked, this, [this] { OkClicked(); });
  connect(m_cmdCancel, &QPushButton::clicked, this, [this] { reject(); });
}

frmCombination::~frmCombination() = default;

void frmCombination::Load() {
  QComboBox* pFirst = m_cboSource[0];
  QComboBox* pSecond = m_cboSource[1];
  {
    // Filling an empty list selects its first entry; the selections below are the ones that
    // count, so they must find nothing selected.
    const QSignalBlocker block0(pFirst);
    const QSignalBlocker block1(pSecond);
    const cLoadedWindows& windows = LoadedWindows();
    for (int32_t i = 0; i < windows.Count(); ++i) {
      if (windows.Item(i)->ClassName() != kImageDocumentClass) continue;
      const IImageDocument* pDocument = windows.ItemAs<IImageDocument>(i);
      if (pDocument == nullptr) continue;
      const QString sTitle = QString::fromStdString(pDocument->FileTitle());
      pFirst->addItem(sTitle, i);
      pSecond->addItem(sTitle, i);
    }
    pFirst->setCurrentIndex(-1);
    pSecond->setCurrentIndex(-1);
  }
  SetTag(pFirst, QString::fromLatin1(kTagDont));
  pFirst->setCurrentIndex(0);
  SetTag(pFirst, QString());
  pSecond->setCurrentIndex(pSecond->count() >= 2 ? 1 : 0);
}

void frmCombination::SourceClicked(int iIndex) {
  QComboBox* pCombo = m_cboSource[static_cast<size_t>(iIndex)];
  if (Tag(pCombo).isEmpty()) {
    const QVariant v0 = m_cboSource[0]->currentData();
    const QVariant v1 = m_cboSource[1]->currentData();
    const IImageDocument* p0 =
        v0.isValid() ? LoadedWindows().ItemAs<IImageDocument>(v0.toInt()) : nullptr;
    const IImageDocument* p1 =
        v1.isValid() ? LoadedWindows().ItemAs<IImageDocument>(v1.toInt()) : nullptr;
    if (p0 != nullptr && p1 != nullptr) {
      m_lNewWidth = std::min(p0->ImageWidth(), p1->ImageWidth());
      m_lNewHeight = std::min(p0->ImageHeight(), p1->ImageHeight());
      m_lblInfo->setText(
          QStringLiteral("Output image size: %1 x %2").arg(m_lNewWidth).arg(m_lNewHeight));
    }
  }
  const QVariant v = pCombo->currentData();
  if (v.isValid()) m_lSource[static_cast<size_t>(iIndex)] = v.toInt();
}

void frmCombination::CombineClicked() {
  const bool bAdd = m_optCombine[0]->isChecked();
  for (QWidget* p : findChildren<QWidget*>()) {
    if (Tag(p) == QLatin1String(kTagAdd)) p->setEnabled(bAdd);
  }
}

void frmCombination::OkClicked() {
  if (m_optCombine[0]->isChecked()) {
    m_eType = eCombineAdd;
  } else if (m_optCombine[1]->isChecked()) {
    m_eType = eCombineDarkest;
  } else {
    m_eType = eCombineLightest;
  }
  // All four boxes are read whichever option is selected; nothing changes unless all convert.
  std::array<std::optional<int32_t>, 4> values;
  const std::array<const QLineEdit*, 4> boxes = {m_txtOffset[0], m_txtOffset[1], m_txtMultiplier[0],
                                                 m_txtMultiplier[1]};
  const std::array<const QLabel*, 4> captions = {m_lblOffset[0], m_lblOffset[1], m_lblMultiplier[0],
                                                 m_lblMultiplier[1]};
  for (size_t i = 0; i < boxes.size(); ++i) {
    values[i] = NumberTextToLong(boxes[i]->text().toStdString());
    if (!values[i]) {
      // The message names the box ("Source Image 2: Multiplier"), and the box takes the focus.
      const auto caption = [](const QLabel* pLabel) {
        QString sText = pLabel->text().remove('&');
        if (sText.endsWith(':')) sText.chop(1);
        return sText;
      };
      const QString sField = caption(m_lblSource[i % 2]) + ": " + caption(captions[i]);
      MsgBox(std::string(kMsgErrorInEntries) + "\n\n" + sField.toStdString(), eMsgButtons::OK,
             eMsgIcon::Information);
      QLineEdit* pBox = i < 2 ? m_txtOffset[i] : m_txtMultiplier[i - 2];
      pBox->setFocus(Qt::OtherFocusReason);
      pBox->selectAll();
      return;
    }
  }
  m_lOffset = {*values[0], *values[1]};
  m_lMultiplier = {*values[2], *values[3]};
  accept();
  SetAccepted();
}

}  // namespace brennic
