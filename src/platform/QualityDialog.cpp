#include "platform/QualityDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/MessageBox.h"
#include "platform/PictureIO.h"
#include "platform/mWindowing.h"

namespace brennic {

namespace {
IQualityDialogService* g_pService = nullptr;
}

void SetQualityDialogService(IQualityDialogService* pService) {
  g_pService = pService;
}

bool AskQuality(const std::string& sFormat, int32_t& lQuality) {
  if (g_pService != nullptr) return g_pService->AskQuality(sFormat, lQuality);
  static cQtQualityDialogService qtService;
  return qtService.AskQuality(sFormat, lQuality);
}

bool cQtQualityDialogService::AskQuality(const std::string& sFormat, int32_t& lQuality) {
  QDialog dialog(DialogOwner());
  KeepInFrontOfOwner(dialog);
  dialog.setWindowTitle(QString::fromStdString(kAppTitle));
  auto* pLabel = new QLabel(QString::fromStdString("Quality of the " + sFormat +
                                                   " picture (1 to 100; higher is "
                                                   "better and larger):"),
                            &dialog);
  auto* pSlider = new QSlider(Qt::Horizontal, &dialog);
  pSlider->setObjectName("sldQuality");
  auto* pSpin = new QSpinBox(&dialog);
  pSpin->setObjectName("spnQuality");
  pSlider->setRange(kMinQuality, kMaxQuality);
  pSpin->setRange(kMinQuality, kMaxQuality);
  const int iStart = std::clamp(lQuality, kMinQuality, kMaxQuality);
  pSlider->setValue(iStart);
  pSpin->setValue(iStart);
  QObject::connect(pSlider, &QSlider::valueChanged, pSpin, &QSpinBox::setValue);
  QObject::connect(pSpin, &QSpinBox::valueChanged, pSlider, &QSlider::setValue);
  pLabel->setBuddy(pSpin);
  auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* pRow = new QHBoxLayout;
  pRow->addWidget(pSlider, 1);
  pRow->addWidget(pSpin);
  auto* pLayout = new QVBoxLayout(&dialog);
  pLayout->addWidget(pLabel);
  pLayout->addLayout(pRow);
  pLayout->addWidget(pButtons);
  pSpin->setFocus();
  pSpin->selectAll();
  // Once shown, the dialog takes the front and the keyboard whatever window was active before.
  QTimer::singleShot(0, &dialog, [&dialog] { BringToFront(dialog); });
  if (dialog.exec() != QDialog::Accepted) return false;
  // A number typed but not yet taken by the box counts as well.
  pSpin->interpretText();
  lQuality = pSpin->value();
  return true;
}

}  // namespace brennic
