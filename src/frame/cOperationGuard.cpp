#include "frame/cOperationGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace brennic {

namespace {

// What a person does: none of it may reach a window while an operation runs.
bool IsUserRequest(QEvent::Type eType) {
  switch (eType) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

cOperationGuard::~cOperationGuard() {
  if (m_bRunning && QCoreApplication::instance() != nullptr)
    QCoreApplication::instance()->removeEventFilter(this);
}

void cOperationGuard::Begin() {
  if (m_bRunning || QCoreApplication::instance() == nullptr) return;
  m_bRunning = true;
  QCoreApplication::instance()->installEventFilter(this);
  RunWindowEvents();
}

void cOperationGuard::RequestCancel() {
  if (m_bRunning) m_bCancel = true;
}

void cOperationGuard::KeepAlive() {
  if (!m_bRunning) return;
  if (m_lastRound.isValid() && m_lastRound.elapsed() < kKeepAliveMs) return;
  RunWindowEvents();
}

void cOperationGuard::End() {
  if (!m_bRunning) return;
  // Whatever the person did since the last round is still queued: it goes now, refused.
  RunWindowEvents();
  QCoreApplication::instance()->removeEventFilter(this);
  m_bRunning = false;
  m_bCancel = false;
}

void cOperationGuard::Pulse() {
  if (m_bRunning) {
    KeepAlive();
    return;
  }
  if (m_lastRound.isValid() && m_lastRound.elapsed() < kKeepAliveMs) return;
  m_bPulsed = true;
  RefusedRound();
}

void cOperationGuard::Finish() {
  // A request given while the command prepared its operation (keeping the copy for Undo) has
  // stopped it, or there was none to stop: it ends with the command.
  if (!m_bRunning) m_bCancel = false;
  if (!m_bPulsed || m_bRunning) return;
  m_bPulsed = false;
  RefusedRound();
}

void cOperationGuard::RefusedRound() {
  QCoreApplication* pApp = QCoreApplication::instance();
  if (pApp == nullptr) return;
  m_bRunning = true;
  pApp->installEventFilter(this);
  RunWindowEvents();
  pApp->removeEventFilter(this);
  m_bRunning = false;
}

void cOperationGuard::RunWindowEvents() {
  // A round never starts inside another (an event handler that reports progress).
  if (m_bInRound) return;
  m_bInRound = true;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  m_bInRound = false;
  m_lastRound.start();
}

bool cOperationGuard::eventFilter(QObject* pWatched, QEvent* pEvent) {
  if (!m_bRunning || !IsUserRequest(pEvent->type())) return QObject::eventFilter(pWatched, pEvent);
  const QEvent::Type eType = pEvent->type();
  if (eType == QEvent::KeyPress && static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape) {
    RequestCancel();
  } else if (eType == QEvent::MouseButtonPress || eType == QEvent::MouseButtonRelease ||
             eType == QEvent::MouseButtonDblClick) {
    // A click reaches a window first, which hands it to the widget under the pointer: only the
    // Cancel button may have it.
    if (pWatched->isWindowType()) return false;
    if (m_pCancelButton != nullptr && pWatched == m_pCancelButton && m_pCancelButton->isVisible())
      return false;
  }
  pEvent->ignore();
  return true;
}

}  // namespace brennic
