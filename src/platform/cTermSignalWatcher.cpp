#include "platform/cTermSignalWatcher.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace brennic {

namespace {

// Written by the handler, so it must be a plain lock-free value.
volatile std::sig_atomic_t g_iWriteFd = -1;
struct sigaction g_previous {};
bool g_bInstalled = false;

extern "C" void OnTermSignal(int) {
  const int iSavedErrno = errno;
  const int fd = g_iWriteFd;
  if (fd >= 0) {
    const char c = 1;
    // A full pipe already holds an unread notification; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(fd, &c, 1);
  }
  errno = iSavedErrno;
}

}  // namespace

cTermSignalWatcher::cTermSignalWatcher(QObject* pParent) : QObject(pParent) {
  if (g_bInstalled) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fds) != 0) return;
  ::fcntl(m_fds[0], F_SETFL, ::fcntl(m_fds[0], F_GETFL) | O_NONBLOCK);
  ::fcntl(m_fds[1], F_SETFL, ::fcntl(m_fds[1], F_GETFL) | O_NONBLOCK);
  g_iWriteFd = m_fds[1];

  struct sigaction action {};
  action.sa_handler = OnTermSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(SIGTERM, &action, &g_previous) != 0) {
    g_iWriteFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
    m_fds[0] = m_fds[1] = -1;
    return;
  }
  g_bInstalled = true;
  m_pNotifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
  connect(m_pNotifier, &QSocketNotifier::activated, this, &cTermSignalWatcher::OnReadable);
}

cTermSignalWatcher::~cTermSignalWatcher() {
  if (m_pNotifier == nullptr) return;
  ::sigaction(SIGTERM, &g_previous, nullptr);
  g_bInstalled = false;
  g_iWriteFd = -1;
  delete m_pNotifier;
  ::close(m_fds[0]);
  ::close(m_fds[1]);
}

void cTermSignalWatcher::OnReadable() {
  char buffer[16];
  bool bAny = false;
  while (::read(m_fds[0], buffer, sizeof buffer) > 0)
    bAny = true;
  if (bAny) emit Terminated();
}

}  // namespace brennic
