#include "cError.h"

#include <filesystem>
#include <mutex>

namespace brennic {

cError::cError(int32_t lNumber, std::string sSource, std::string sDescription)
    : std::runtime_error(sDescription),
      m_lNumber(lNumber),
      m_sSource(std::move(sSource)),
      m_sDescription(std::move(sDescription)) {}

namespace {

std::string& ExeNameStorage() {
  static std::string sName;
  return sName;
}

std::string ReadExeBaseName() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && !exe.empty()) return exe.stem().string();
  return "brennic";
}

}  // namespace

const std::string& ExeBaseName() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (ExeNameStorage().empty()) ExeNameStorage() = ReadExeBaseName();
  });
  return ExeNameStorage();
}

void SetExeBaseName(std::string sName) {
  ExeBaseName();  // settle the once-initialisation first so it cannot overwrite us
  ExeNameStorage() = std::filesystem::path(sName).stem().string();
}

std::string ErrorSource(const char* sSuffix) {
  return ExeBaseName() + sSuffix;
}

void RaiseCancelled() {
  throw cError(kErrCancelled, ErrorSource(".cImageProcess"), "Cancelled");
}

}  // namespace brennic
