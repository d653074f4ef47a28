#include "frame/mDialogCommands.h"

namespace brennic {

bool RunCombineDialog(QWidget* pMain, const std::function<void(const frmCombination&)>& fnCombine) {
  SetTopMost(pMain, false);
  frmCombination dialog(pMain, SetTopMost);
  dialog.exec();
  if (dialog.Cancelled()) return false;
  fnCombine(dialog);
  return true;
}

}  // namespace brennic
