#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include "platform/mWindowing.h"

namespace brennic {

namespace {
IMessageBoxService* g_pService = nullptr;
}

void SetMessageBoxService(IMessageBoxService* pService) {
  g_pService = pService;
}

eMsgResult MsgBox(const std::string& sText, eMsgButtons eButtons, eMsgIcon eIcon,
                  const std::string& sTitle) {
  if (g_pService != nullptr) return g_pService->Show(sText, eButtons, eIcon, sTitle);
  static cQtMessageBoxService qtService;
  return qtService.Show(sText, eButtons, eIcon, sTitle);
}

eMsgResult cQtMessageBoxService::Show(const std::string& sText, eMsgButtons eButtons,
                                      eMsgIcon eIcon, const std::string& sTitle) {
  QMessageBox box(DialogOwner());
  KeepInFrontOfOwner(box);
  box.setWindowTitle(QString::fromStdString(sTitle));
  box.setText(QString::fromStdString(sText));
  switch (eIcon) {
    case eMsgIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case eMsgIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case eMsgIcon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case eMsgIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
  }
  if (eButtons == eMsgButtons::YesNoCancel) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
  } else if (eButtons == eMsgButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  // Once shown, the box takes the front and the keyboard whatever window was active before.
  QTimer::singleShot(0, &box, [&box] { BringToFront(box); });
  switch (box.exec()) {
    case QMessageBox::Yes:
      return eMsgResult::Yes;
    case QMessageBox::No:
      return eMsgResult::No;
    case QMessageBox::Cancel:
      return eMsgResult::Cancel;
    default:
      if (eButtons == eMsgButtons::YesNo) return eMsgResult::No;
      return eButtons == eMsgButtons::YesNoCancel ? eMsgResult::Cancel : eMsgResult::OK;
  }
}

}  // namespace brennic
