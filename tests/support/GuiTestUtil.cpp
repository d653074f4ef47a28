#include "support/GuiTestUtil.h"

namespace brennic::test {

eMsgResult cScriptedMessageBoxes::Show(const std::string& sText, eMsgButtons eButtons,
                                       eMsgIcon eIcon, const std::string& sTitle) {
  const sShownMessage shown{sText, eButtons, eIcon, sTitle};
  m_shown.push_back(shown);
  if (OnShow) OnShow(shown);
  if (m_answers.empty()) return eButtons == eMsgButtons::OK ? eMsgResult::OK : eMsgResult::Cancel;
  const eMsgResult eResult = m_answers.front();
  m_answers.pop_front();
  return eResult;
}

bool cScriptedCommonDialogs::ChooseFile(const sFileDialogRequest& request,
                                        sFileDialogChoice& choice) {
  m_fileRequests.push_back(request);
  if (m_fileAnswers.empty()) return false;
  const sAnswer answer = m_fileAnswers.front();
  m_fileAnswers.pop_front();
  if (answer.files.empty()) return false;
  choice.files = answer.files;
  choice.lFilterIndex = answer.lFilterIndex != 0 ? answer.lFilterIndex : request.lFilterIndex;
  choice.lFlags = request.lFlags;
  return true;
}

}  // namespace brennic::test
