#pragma once
// picStatus: the status strip along the bottom of the main window. It shows the progress of the
// running operation (prgMain), the title of the active image (lblImage) and its size (lblSize).
// Documents write to it through the main window's SetStatus, ProgressMax, ProgressValue and
// ShowProgress. The main message (sMain: "Complete.  Time = 12", "Cancelled") shows in lblMain
// where the progress bar is while no operation runs; while one runs, the bar shows with the
// Cancel button (cmdCancel) beside it.

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>
#include <string>

class QLabel;
class QPushButton;

namespace brennic {

class ProgressBar;

class cStatusStrip final : public QWidget {
  Q_OBJECT

 public:
  // Design geometry in twips from the strip's top-left corner.
  static constexpr double kHeightTwips = 315;
  // Shortest time between two repaints of the progress bar while an operation runs.
  static constexpr int64_t kProgressRepaintMs = 30;

  explicit cStatusStrip(QWidget* pParent = nullptr);

  // "#" leaves a field as it is. The labels show their text followed by one space.
  void SetStatus(const std::string& sMain, const std::string& sImage, const std::string& sSize);
  void ProgressMax(int32_t lMax);
  void ProgressValue(int32_t lValue);
  void ShowProgress(bool bShow);

  // The last main message.
  const std::string& MainText() const { return m_sMain; }
  QLabel* MainLabel() const { return m_pLblMain; }
  QPushButton* CancelButton() const { return m_pCmdCancel; }
  ProgressBar* Progress() const { return m_pPrgMain; }
  QLabel* ImageLabel() const { return m_pLblImage; }
  QLabel* SizeLabel() const { return m_pLblSize; }

 protected:
  void resizeEvent(QResizeEvent* pEvent) override;

 private:
  // Hides both labels when the strip lacks 64 pixels beyond the room they need; otherwise shows
  // them with lblSize two pixels right of lblImage. The progress bar keeps its place.
  void Layout();
  // Operations run on this thread and process no events until they end, so the bar is painted
  // here and now; only when its drawn length changed and not more often than every
  // kProgressRepaintMs, since the engine reports every column of the picture.
  void RepaintProgress(bool bNow);
  int32_t DrawnLength() const;

  ProgressBar* m_pPrgMain;
  QLabel* m_pLblImage;
  QLabel* m_pLblSize;
  QLabel* m_pLblMain;
  QPushButton* m_pCmdCancel;
  std::string m_sMain;
  int32_t m_lPaintedLength = -1;
  QElapsedTimer m_lastRepaint;
};

}  // namespace brennic
