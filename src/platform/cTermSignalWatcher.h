#pragma once
// Turns SIGTERM (a request to end the program from outside, as a task manager sends it) into a
// Qt signal on the user-interface thread. The signal handler only writes one byte into a pipe;
// a socket notifier reads it in the event loop and emits Terminated(), where the real work runs.
// One watcher may exist at a time; it puts the previous handler back when it is destroyed.

#include <QObject>

class QSocketNotifier;

namespace brennic {

class cTermSignalWatcher final : public QObject {
  Q_OBJECT

 public:
  explicit cTermSignalWatcher(QObject* pParent = nullptr);
  ~cTermSignalWatcher() override;

  // False when the pipe or the handler could not be installed (the program then simply dies
  // of SIGTERM as before).
  bool Active() const { return m_pNotifier != nullptr; }

 signals:
  void Terminated();

 private:
  void OnReadable();

  int m_fds[2] = {-1, -1};
  QSocketNotifier* m_pNotifier = nullptr;
};

}  // namespace brennic
