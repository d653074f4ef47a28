#include "frame/mdlToolBar1.h"

#include <exception>
#include <utility>

#include "platform/MessageBox.h"
#include "platform/cRegistry.h"

namespace brennic {

HKey GetRootKey(const std::string& sRootName) {
  static const std::pair<const char*, HKey> kRoots[] = {
      {"HKEY_CLASSES_ROOT", kHKeyClassesRoot},
      {"HKEY_CURRENT_USER", kHKeyCurrentUser},
      {"HKEY_LOCAL_MACHINE", kHKeyLocalMachine},
      {"HKEY_USERS", kHKeyUsers},
      {"HKEY_PERFORMANCE_DATA", kHKeyPerformanceData},
      {"HKEY_CURRENT_CONFIG", kHKeyCurrentConfig},
      {"HKEY_DYN_DATA", kHKeyDynData}};
  for (const auto& [sName, hKey] : kRoots) {
    if (sRootName == sName) return hKey;
  }
  return 0;
}

void SplitKeyPath(std::string& sKeyPath, HKey& hRoot) {
  hRoot = 0;
  if (!sKeyPath.starts_with("HKEY_") || sKeyPath.ends_with('\\')) {
    MsgBox("Incorrect Format:\n\n" + sKeyPath, eMsgButtons::OK, eMsgIcon::None);
    return;
  }
  const size_t p = sKeyPath.find('\\');
  if (p == std::string::npos) {
    hRoot = GetRootKey(sKeyPath);
    sKeyPath.clear();
  } else {
    hRoot = GetRootKey(sKeyPath.substr(0, p));
    sKeyPath.erase(0, p + 1);
  }
}

std::optional<std::string> GetRegString(std::string sKeyPath, const std::string& sValueName) {
  HKey hRoot = 0;
  SplitKeyPath(sKeyPath, hRoot);
  if (hRoot == 0) return std::nullopt;
  IRegistryStore& store = RegistryStore();
  cRegKeyGuard key(store);
  if (store.OpenKey(hRoot, sKeyPath, kKeyRead, key.Handle()) != kErrorSuccess) return "Error";
  // A fixed buffer of 255 blanks: the text, its terminating zero, and blanks after it.
  std::string sBuffer(255, ' ');
  uint32_t lType = kRegSz;
  uint32_t lLength = 255;
  const int32_t lResult = store.QueryValue(key.Handle(), sValueName, &lType,
                                           reinterpret_cast<uint8_t*>(sBuffer.data()), &lLength);
  key.Close();
  if (lResult != kErrorSuccess) return "Error";
  const size_t lFirst = sBuffer.find_first_not_of(' ');
  if (lFirst == std::string::npos) return std::string();
  sBuffer = sBuffer.substr(lFirst, sBuffer.find_last_not_of(' ') - lFirst + 1);
  sBuffer.pop_back();  // the terminating zero
  return sBuffer;
}

void LoadWindowPosition(IWindowEdges& window) {
  const auto apply = [&window](const char* sName, void (IWindowEdges::*setEdge)(int32_t)) {
    try {
      const std::optional<std::string> sText = GetRegString(kWindowPositionKey, sName);
      int32_t lTwips = 0;
      if (sText && TextToLong(*sText, lTwips)) (window.*setEdge)(lTwips);
    } catch (const std::exception&) {
      // A position that cannot be applied leaves the window where it is.
    }
  };
  apply("Left", &IWindowEdges::Left);
  apply("Top", &IWindowEdges::Top);
}

}  // namespace brennic
