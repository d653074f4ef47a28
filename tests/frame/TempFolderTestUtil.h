#pragma once
// A fresh temporary folder that the program takes for the system's ($TMPDIR) for the lifetime
// of the object, and what it holds.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace brennic::test {

class cScopedTempFolder final {
 public:
  cScopedTempFolder() {
    EXPECT_TRUE(m_dir.isValid());
    if (const char* s = std::getenv("TMPDIR")) m_previous = s;
    ::setenv("TMPDIR", Path().c_str(), 1);
  }
  ~cScopedTempFolder() {
    if (m_previous) {
      ::setenv("TMPDIR", m_previous->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  cScopedTempFolder(const cScopedTempFolder&) = delete;
  cScopedTempFolder& operator=(const cScopedTempFolder&) = delete;

  std::string Path() const { return m_dir.path().toStdString(); }
  // The names in the folder, hidden ones included, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    const QDir dir(m_dir.path());
    for (const QString& s : dir.entryList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
      names.push_back(s.toStdString());
    }
    return names;
  }

 private:
  QTemporaryDir m_dir;
  std::optional<std::string> m_previous;
};

}  // namespace brennic::test
