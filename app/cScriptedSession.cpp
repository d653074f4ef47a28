#include "cScriptedSession.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "document/frmImage.h"
#include "frame/mfrmMain.h"
#include "platform/mWindowing.h"

namespace brennic {

namespace {

void Say(const std::string& sText) {
  std::printf("%s\n", sText.c_str());
  std::fflush(stdout);
}

}  // namespace

cScriptedSession::cScriptedSession(mfrmMain& main, std::vector<std::string> lines)
    : QObject(&main), m_main(main), m_lines(std::move(lines)) {
  SetMessageBoxService(this);
  SetCommonDialogService(this);
  QTimer::singleShot(0, this, &cScriptedSession::RunNext);
}

cScriptedSession::~cScriptedSession() {
  SetMessageBoxService(nullptr);
  SetCommonDialogService(nullptr);
}

cScriptedSession* cScriptedSession::FromEnvironment(mfrmMain& main) {
  const char* sPath = std::getenv("BRENNIC_SCRIPT");
  if (sPath == nullptr || *sPath == '\0') return nullptr;
  std::ifstream file(sPath);
  if (!file) {
    Say(std::string("script: cannot read ") + sPath);
    EndProcessNow(3);
  }
  std::vector<std::string> lines;
  for (std::string sLine; std::getline(file, sLine);) {
    if (!sLine.empty() && sLine.back() == '\r') sLine.pop_back();
    if (!sLine.empty() && sLine[0] != '#') lines.push_back(sLine);
  }
  return new cScriptedSession(main, std::move(lines));
}

void cScriptedSession::Fail(const std::string& sWhy) {
  Say("script: " + sWhy);
  EndProcessNow(3);
}

eMsgResult cScriptedSession::Show(const std::string& sText, eMsgButtons eButtons, eMsgIcon,
                                  const std::string&) {
  Say("message: " + sText);
  if (!m_answers.empty()) {
    const eMsgResult eAnswer = m_answers.front();
    m_answers.pop_front();
    return eAnswer;
  }
  return eButtons == eMsgButtons::OK ? eMsgResult::OK : eMsgResult::Cancel;
}

bool cScriptedSession::ChooseFile(const sFileDialogRequest&, sFileDialogChoice& choice) {
  if (m_files.empty()) return false;
  choice.files = {m_files.front()};
  m_files.pop_front();
  return true;
}

void cScriptedSession::RunNext() {
  if (m_lNext >= m_lines.size()) {
    Say("script: done");
    return;
  }
  const std::string sLine = m_lines[m_lNext++];
  const size_t p = sLine.find(' ');
  const std::string sCommand = sLine.substr(0, p);
  const std::string sArg = p == std::string::npos ? std::string() : sLine.substr(p + 1);
  int iDelayMs = 0;
  if (sCommand == "trigger") {
    auto* pAction = m_main.findChild<QAction*>(QString::fromStdString(sArg));
    if (pAction == nullptr) Fail("no menu entry " + sArg);
    pAction->trigger();
  } else if (sCommand == "choose") {
    m_files.push_back(sArg);
  } else if (sCommand == "answer") {
    if (sArg == "yes") {
      m_answers.push_back(eMsgResult::Yes);
    } else if (sArg == "no") {
      m_answers.push_back(eMsgResult::No);
    } else if (sArg == "cancel") {
      m_answers.push_back(eMsgResult::Cancel);
    } else if (sArg == "ok") {
      m_answers.push_back(eMsgResult::OK);
    } else {
      Fail("no button " + sArg);
    }
  } else if (sCommand == "wait") {
    iDelayMs = std::atoi(sArg.c_str());
  } else if (sCommand == "resize") {
    int iWidth = 0;
    int iHeight = 0;
    if (std::sscanf(sArg.c_str(), "%d %d", &iWidth, &iHeight) != 2) Fail("bad size " + sArg);
    m_main.resize(iWidth, iHeight);
  } else if (sCommand == "scroll") {
    const size_t q = sArg.find(' ');
    frmImage* pDocument = m_main.ActiveDocument();
    QScrollBar* pBar =
        pDocument == nullptr
            ? nullptr
            : pDocument->findChild<QScrollBar*>(QString::fromStdString(sArg.substr(0, q)));
    if (pBar == nullptr || q == std::string::npos) Fail("no scroll bar " + sArg);
    pBar->setValue(std::atoi(sArg.c_str() + q + 1));
  } else if (sCommand == "grab") {
    QWindow* pWindow = m_main.windowHandle();
    if (pWindow == nullptr || !pWindow->isExposed()) {
      // Not on the display yet: try again shortly.
      --m_lNext;
      QTimer::singleShot(50, this, &cScriptedSession::RunNext);
      return;
    }
    const QPixmap shot = pWindow->screen()->grabWindow(m_main.winId());
    if (shot.isNull() || !shot.save(QString::fromStdString(sArg), "PNG")) {
      Fail("cannot write " + sArg);
    }
  } else if (sCommand == "entries") {
    for (int32_t i = 0; i <= 99; ++i) {
      const QAction* pEntry = m_main.MenuEntry(sArg, i);
      if (pEntry == nullptr) continue;
      Say(pEntry->objectName().toStdString() + " " + (pEntry->isVisible() ? "1" : "0") + " " +
          pEntry->text().toStdString());
    }
  } else if (sCommand == "activate") {
    const QList<QMdiSubWindow*> windows = m_main.MdiArea()->subWindowList(QMdiArea::CreationOrder);
    const int iIndex = std::atoi(sArg.c_str());
    if (iIndex < 1 || iIndex > windows.size()) Fail("no document " + sArg);
    m_main.MdiArea()->setActiveSubWindow(windows[iIndex - 1]);
  } else if (sCommand == "boxes") {
    if (sArg != "real") Fail("boxes " + sArg);
    // From here on a person (or the desktop test) answers the program's own message boxes.
    SetMessageBoxService(nullptr);
  } else if (sCommand == "close") {
    m_main.close();
  } else {
    Fail("unknown command '" + sLine + "'");
  }
  QTimer::singleShot(iDelayMs, this, &cScriptedSession::RunNext);
}

}  // namespace brennic
