#include "platform/RegistryStore.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/cSqliteRegistryStore.h"

namespace brennic {

std::string ExpandEnvironmentText(std::string_view sSource) {
  // The text ends at its first zero byte, as a C string handed to the platform would.
  sSource = sSource.substr(0, sSource.find('\0'));
  std::string sOut;
  size_t i = 0;
  while (i < sSource.size()) {
    if (sSource[i] != '%') {
      sOut += sSource[i++];
      continue;
    }
    const size_t lClose = sSource.find('%', i + 1);
    if (lClose != std::string_view::npos && lClose > i + 1) {
      const std::string sName(sSource.substr(i + 1, lClose - i - 1));
      if (const char* pValue = std::getenv(sName.c_str()); pValue != nullptr) {
        sOut += pValue;
        i = lClose + 1;
        continue;
      }
    }
    // Unknown or unfinished: the "%" stays, and its closing "%" may still open a known name.
    sOut += '%';
    ++i;
  }
  return sOut;
}

uint32_t IRegistryStore::ExpandEnvironment(std::string_view sSource, char* pDest, uint32_t nSize) {
  const std::string sOut = ExpandEnvironmentText(sSource);
  const auto lNeeded = static_cast<uint32_t>(sOut.size() + 1);
  if (pDest != nullptr && nSize >= lNeeded) std::memcpy(pDest, sOut.c_str(), lNeeded);
  return lNeeded;
}

std::string DefaultRegistryPath() {
  if (const char* p = std::getenv("BRENNIC_REGISTRY"); p != nullptr && *p != '\0') return p;
  std::string sConfig;
  if (const char* p = std::getenv("XDG_CONFIG_HOME"); p != nullptr && *p == '/') {
    sConfig = p;
  } else {
    const char* pHome = std::getenv("HOME");
    if (pHome == nullptr || *pHome == '\0') {
      const passwd* pw = getpwuid(getuid());
      pHome = pw != nullptr ? pw->pw_dir : "/tmp";
    }
    sConfig = std::string(pHome) + "/.config";
  }
  return sConfig + "/brennic/registry.sqlite";
}

namespace {

IRegistryStore* g_pInstalled = nullptr;
// A plain pointer, not a function-local static: a guarded initialisation re-entered from a
// modal loop (a close request arriving while something is shown) would wait on itself.
std::unique_ptr<cSqliteRegistryStore> g_pUserStore;

}  // namespace

IRegistryStore& RegistryStore() {
  if (g_pInstalled != nullptr) return *g_pInstalled;
  // Opened on first use so that a program that never reads a setting never creates the file.
  if (g_pUserStore == nullptr) {
    g_pUserStore = std::make_unique<cSqliteRegistryStore>(DefaultRegistryPath());
  }
  return *g_pUserStore;
}

void CloseRegistryStore() {
  g_pUserStore.reset();
}

IRegistryStore* SetRegistryStore(IRegistryStore* pStore) {
  IRegistryStore* pPrevious = g_pInstalled;
  g_pInstalled = pStore;
  return pPrevious;
}

}  // namespace brennic
