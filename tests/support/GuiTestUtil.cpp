#include "support/GuiTestUtil.h"

namespace brennic::test {

cScriptedMessageBoxes::cScriptedMessageBoxes() {
  SetMessageBoxService(this);
}

cScriptedMessageBoxes::~cScriptedMessageBoxes() {
  SetMessageBoxService(nullptr);
}

eMsgResult cScriptedMessageBoxes::Show(const std::string& sText, eMsgButtons eButtons,
                                       eMsgIcon eIcon, const std::string& sTitle) {
  const sShownMessage shown{sText, eButtons, eIcon, sTitle};
  m_shown.push_back(shown);
  if (OnShow) OnShow(shown);
  if (!m_answers.empty()) {
    const eMsgResult eResult = m_answers.front();
    m_answers.pop_front();
    return eResult;
  }
  return eButtons == eMsgButtons::OK ? eMsgResult::OK : eMsgResult::Cancel;
}

cScriptedCommonDialogs::cScriptedCommonDialogs() {
  SetCommonDialogService(this);
}

cScriptedCommonDialogs::~cScriptedCommonDialogs() {
  SetCommonDialogService(nullptr);
}

void cScriptedCommonDialogs::ChooseFiles(std::vector<std::string> files, int32_t lFilterIndex) {
  m_fileAnswers.push_back({std::move(files), lFilterIndex});
}

void cScriptedCommonDialogs::CancelFile() {
  m_fileAnswers.push_back({});
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

bool cScriptedCommonDialogs::ChooseColor(int32_t& lRGB, std::array<int32_t, 16>& customColors,
                                         uint32_t lFlags, QWidget*) {
  return OnChooseColor ? OnChooseColor(lRGB, customColors, lFlags) : false;
}

bool cScriptedCommonDialogs::ChooseFont(QFont& font, int32_t, int32_t, uint32_t lFlags, QWidget*) {
  return OnChooseFont ? OnChooseFont(font, lFlags) : false;
}

bool cScriptedCommonDialogs::Print(QPrinter&, sPrintSettings& settings, uint32_t lFlags, QWidget*) {
  return OnPrint ? OnPrint(settings, lFlags) : false;
}

bool cScriptedCommonDialogs::PageSetup(QPrinter&, sPageSetupSettings& settings, uint32_t lFlags,
                                       QWidget*) {
  return OnPageSetup ? OnPageSetup(settings, lFlags) : false;
}

}  // namespace brennic::test
