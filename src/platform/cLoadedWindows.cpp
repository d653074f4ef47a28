#include "platform/cLoadedWindows.h"

#include <QWidget>
#include <algorithm>

namespace brennic {

cLoadedWindow::cLoadedWindow(std::string sClassName) : m_sClassName(std::move(sClassName)) {
  LoadedWindows().Add(this);
}

cLoadedWindow::~cLoadedWindow() {
  Unloaded();
}

QWidget* cLoadedWindow::Window() {
  return dynamic_cast<QWidget*>(this);
}

void cLoadedWindow::Unloaded() {
  if (!m_bLoaded) return;
  m_bLoaded = false;
  LoadedWindows().Remove(this);
}

cLoadedWindow* cLoadedWindows::Item(int32_t lIndex) const {
  if (lIndex < 0 || lIndex >= Count()) return nullptr;
  return m_windows[static_cast<size_t>(lIndex)];
}

int32_t cLoadedWindows::IndexOf(const cLoadedWindow* pWindow) const {
  const auto it = std::find(m_windows.begin(), m_windows.end(), pWindow);
  return it == m_windows.end() ? -1 : static_cast<int32_t>(it - m_windows.begin());
}

void cLoadedWindows::Add(cLoadedWindow* pWindow) {
  m_windows.push_back(pWindow);
}

void cLoadedWindows::Remove(const cLoadedWindow* pWindow) {
  const auto it = std::find(m_windows.begin(), m_windows.end(), pWindow);
  if (it != m_windows.end()) m_windows.erase(it);
}

cLoadedWindows& LoadedWindows() {
  static cLoadedWindows windows;
  return windows;
}

}  // namespace brennic
