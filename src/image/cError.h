#pragma once
// The program's error convention: a failure inside a class is raised as a cError carrying a
// number, a source ("<executable base name>.<class suffix>") and a description.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace brennic {

class cError : public std::runtime_error {
 public:
  cError(int32_t lNumber, std::string sSource, std::string sDescription);

  int32_t Number() const noexcept { return m_lNumber; }
  const std::string& Source() const noexcept { return m_sSource; }
  const std::string& Description() const noexcept { return m_sDescription; }

 private:
  int32_t m_lNumber;
  std::string m_sSource;
  std::string m_sDescription;
};

// The executable's file name without folder and extension ("brennic", "brennic-cli").
// Read from the running process unless a front end set it explicitly.
const std::string& ExeBaseName();
void SetExeBaseName(std::string sName);

// ExeBaseName() + sSuffix, for example ".cImageProcess".
std::string ErrorSource(const char* sSuffix);

// Error numbers that several classes share.
inline constexpr int32_t kErrInvalidFilterType = static_cast<int32_t>(0x8004051A);
inline constexpr int32_t kErrInvalidSize = static_cast<int32_t>(0x8004051A);
inline constexpr int32_t kErrEvenSize = static_cast<int32_t>(0x80040519);
inline constexpr int32_t kErrSizesDoNotMatch = static_cast<int32_t>(0x8004051B);
inline constexpr int32_t kErrInvalidFilterIndex = static_cast<int32_t>(0x8004051C);
// The person stopped a running operation ("User interrupt occurred" of the original runtime).
inline constexpr int32_t kErrCancelled = 18;
[[noreturn]] void RaiseCancelled();

}  // namespace brennic
