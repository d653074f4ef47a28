#pragma once
// Driving dialogs as a user would, and recording what they ask of the topmost layer.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/cModalDialog.h"
#include "support/GuiTestUtil.h"

namespace brennic::test {

// Replaces the whole text of a box by typing: the text is selected, then each character typed.
inline void TypeInto(QLineEdit* pBox, const QString& sText) {
  pBox->selectAll();
  sText.isEmpty() ? QTest::keyClick(pBox, Qt::Key_Backspace) : QTest::keyClicks(pBox, sText);
}

// Opens the list of a combo box and clicks entry iIndex in it.
inline void ChooseListEntry(QComboBox* pCombo, int iIndex) {
  pCombo->showPopup();
  QAbstractItemView* pView = pCombo->view();
  const QModelIndex index = pView->model()->index(iIndex, pCombo->modelColumn());
  pView->scrollTo(index);
  // The list reacts to the release of the button on an entry.
  QTest::mouseClick(pView->viewport(), Qt::LeftButton, Qt::NoModifier,
                    pView->visualRect(index).center());
}

// What a dialog asked of the topmost layer, in order.
struct sTopMostCall {
  QWidget* pWindow;
  bool bTopMost;
  bool operator==(const sTopMostCall&) const = default;
};

class cTopMostLog {
 public:
  TopMostFunction Function() {
    return [this](QWidget* pWindow, bool bTopMost) { m_calls.push_back({pWindow, bTopMost}); };
  }
  const std::vector<sTopMostCall>& Calls() const { return m_calls; }

 private:
  std::vector<sTopMostCall> m_calls;
};

// The message boxes shown so far, each as one comparable value: text, buttons, icon, title.
using tMessage = std::tuple<std::string, eMsgButtons, eMsgIcon, std::string>;
inline std::vector<tMessage> Messages(const cScriptedMessageBoxes& boxes) {
  std::vector<tMessage> out;
  for (const sShownMessage& m : boxes.Shown())
    out.emplace_back(m.sText, m.eButtons, m.eIcon, m.sTitle);
  return out;
}

// Runs fn with the modal dialog of type T once the event loop of its exec() is running; the
// callback must close it. When no such dialog is shown, fn gets nullptr.
template <class T>
void WhenModal(std::function<void(T*)> fn) {
  QTimer::singleShot(
      0, [fn = std::move(fn)] { fn(qobject_cast<T*>(QApplication::activeModalWidget())); });
}

}  // namespace brennic::test

// Texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* pOut) {
  *pOut << '"' << s.toStdString() << '"';
}
