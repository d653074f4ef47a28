#pragma once
// Stand-ins for the desktop, installed while they live: scripted boxes and dialogs, metrics.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/GCommonDialog.h"
#include "platform/MessageBox.h"
#include "platform/QualityDialog.h"
#include "platform/mWindowing.h"

namespace brennic::test {

struct sShownMessage {
  std::string sText;
  eMsgButtons eButtons;
  eMsgIcon eIcon;
  std::string sTitle;
};

class cScriptedMessageBoxes final : public IMessageBoxService {
 public:
  cScriptedMessageBoxes() { SetMessageBoxService(this); }
  ~cScriptedMessageBoxes() override { SetMessageBoxService(nullptr); }
  cScriptedMessageBoxes(const cScriptedMessageBoxes&) = delete;
  cScriptedMessageBoxes& operator=(const cScriptedMessageBoxes&) = delete;

  // Answers given in turn; when none is left, OK boxes answer OK and Yes/No/Cancel boxes Cancel.
  void Answer(eMsgResult eResult) { m_answers.push_back(eResult); }
  std::function<void(const sShownMessage&)> OnShow;  // runs as each box shows, before it answers
  const std::vector<sShownMessage>& Shown() const { return m_shown; }

  eMsgResult Show(const std::string& sText, eMsgButtons eButtons, eMsgIcon eIcon,
                  const std::string& sTitle) override;

 private:
  std::deque<eMsgResult> m_answers;
  std::vector<sShownMessage> m_shown;
};

class cScriptedCommonDialogs final : public ICommonDialogService {
 public:
  cScriptedCommonDialogs() { SetCommonDialogService(this); }
  ~cScriptedCommonDialogs() override { SetCommonDialogService(nullptr); }
  cScriptedCommonDialogs(const cScriptedCommonDialogs&) = delete;
  cScriptedCommonDialogs& operator=(const cScriptedCommonDialogs&) = delete;

  // The next file dialog chooses these files (filter index 0: keep the one asked for); no files:
  // it is cancelled (also the answer when nothing is queued).
  void ChooseFiles(std::vector<std::string> files, int32_t lFilterIndex = 0) {
    m_fileAnswers.push_back({std::move(files), lFilterIndex});
  }
  void CancelFile() { m_fileAnswers.push_back({}); }
  const std::vector<sFileDialogRequest>& FileRequests() const { return m_fileRequests; }

  bool ChooseFile(const sFileDialogRequest& request, sFileDialogChoice& choice) override;
  // The other dialogs are cancelled.
  bool ChooseColor(int32_t&, std::array<int32_t, 16>&, uint32_t, QWidget*) override {
    return false;
  }
  bool ChooseFont(QFont&, int32_t, int32_t, uint32_t, QWidget*) override { return false; }
  bool Print(QPrinter&, sPrintSettings&, uint32_t, QWidget*) override { return false; }
  bool PageSetup(QPrinter&, sPageSetupSettings&, uint32_t, QWidget*) override { return false; }

 private:
  struct sAnswer {
    std::vector<std::string> files;  // empty: cancel
    int32_t lFilterIndex = 0;
  };
  std::deque<sAnswer> m_fileAnswers;
  std::vector<sFileDialogRequest> m_fileRequests;
};

// Quality dialogs that answer from a script: each queued answer in turn (nothing: cancelled);
// when none is left, the value proposed is confirmed. Asked() lists "<format> <proposed quality>".
class cScriptedQualityDialogs final : public IQualityDialogService {
 public:
  cScriptedQualityDialogs() { SetQualityDialogService(this); }
  ~cScriptedQualityDialogs() override { SetQualityDialogService(nullptr); }
  cScriptedQualityDialogs(const cScriptedQualityDialogs&) = delete;
  cScriptedQualityDialogs& operator=(const cScriptedQualityDialogs&) = delete;

  void Answer(std::optional<int32_t> lQuality) { m_answers.push_back(lQuality); }
  const std::vector<std::string>& Asked() const { return m_asked; }

  bool AskQuality(const std::string& sFormat, int32_t& lQuality) override {
    m_asked.push_back(sFormat + " " + std::to_string(lQuality));
    const std::optional<int32_t> answer = m_answers.empty() ? lQuality : m_answers.front();
    if (!m_answers.empty()) m_answers.pop_front();
    lQuality = answer.value_or(lQuality);
    return answer.has_value();
  }

 private:
  std::deque<std::optional<int32_t>> m_answers;
  std::vector<std::string> m_asked;
};

// Fixed screen metrics (15 twips per pixel unless given); nested ones put back what they replaced.
class cScopedScreenMetrics final {
 public:
  explicit cScopedScreenMetrics(sScreenMetrics metrics = {})
      : m_previous(OverrideScreenMetrics(metrics)) {}
  ~cScopedScreenMetrics() { OverrideScreenMetrics(m_previous); }
  cScopedScreenMetrics(const cScopedScreenMetrics&) = delete;
  cScopedScreenMetrics& operator=(const cScopedScreenMetrics&) = delete;

 private:
  std::optional<sScreenMetrics> m_previous;
};

}  // namespace brennic::test
