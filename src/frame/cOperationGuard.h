#pragma once
// cOperationGuard: an image operation runs to its end on the user-interface thread, inside the
// menu command that started it. While it runs the windows must still paint (an uncovered
// document, the progress bar) and the program must not look hung, yet nothing the person does
// meanwhile may start another command, then or afterwards: keys, clicks, wheel turns, drops and
// close requests given during the operation are dropped, not queued.
//
// The frame calls Begin when the progress bar shows, KeepAlive at each progress step and End
// when the bar goes (also after a failure). The engine's events themselves are not touched:
// their order, values and thread stay as they are.
//
// Two things do get through while an operation runs: Escape, and the clicks of the status
// strip's Cancel button. Both ask to stop it; the engine looks at CancelRequested between
// columns.

#include <QElapsedTimer>
#include <QObject>
#include <cstdint>

class QWidget;

namespace brennic {

class cOperationGuard final : public QObject {
  Q_OBJECT

 public:
  // Longest time between two rounds of window events while an operation runs.
  static constexpr int64_t kKeepAliveMs = 30;

  ~cOperationGuard() override;

  // The operation starts: input is refused from now on and the windows paint at once.
  void Begin();
  // The operation advanced: the windows paint, at most every kKeepAliveMs.
  void KeepAlive();
  // The operation ended: input that arrived during it is taken from the queue and dropped.
  void End();
  // Busy outside an operation's progress (keeping an undo step): one round of window events
  // with input refused, at most every kKeepAliveMs.
  void Pulse();
  // The command ended: when it pulsed, input that arrived since the last round is dropped.
  void Finish();
  bool Running() const { return m_bRunning; }
  // The button whose clicks reach it while an operation runs.
  void CancelButton(QWidget* pButton) { m_pCancelButton = pButton; }
  // Asks to stop the running operation (also when asked while the command prepares it, during
  // a Pulse); nothing while no command is busy.
  void RequestCancel();
  bool CancelRequested() const { return m_bRunning && m_bCancel; }

 protected:
  bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

 private:
  void RunWindowEvents();
  // One round of window events with input refused, outside an operation.
  void RefusedRound();

  bool m_bRunning = false;
  bool m_bInRound = false;
  bool m_bPulsed = false;
  bool m_bCancel = false;
  QWidget* m_pCancelButton = nullptr;
  QElapsedTimer m_lastRound;
};

}  // namespace brennic
