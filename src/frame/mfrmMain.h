#pragma once
// mfrmMain: the multiple-document main window of the program.

#include <QMainWindow>

class QMdiArea;

namespace brennic {

inline constexpr const char* kMainCaption = "Brennic V.2.10";

class mfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit mfrmMain(QWidget* pParent = nullptr);

  QMdiArea* MdiArea() const { return m_pMdi; }

 private:
  QMdiArea* m_pMdi = nullptr;
};

}  // namespace brennic
