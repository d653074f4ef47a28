#pragma once
// mdlToolBar1: a minimal reader of text settings addressed by full key paths that begin with a
// root name ("HKEY_CURRENT_USER\Software\Window Position"), separate from cRegistry, and the
// stored window position applied at start-up.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/RegistryStore.h"

namespace brennic {

inline constexpr const char* kWindowPositionKey = "HKEY_CURRENT_USER\\Software\\Window Position";

// The handle of a root name, matched exactly ("HKEY_CURRENT_USER" gives 0x80000001); 0 for any
// other name.
HKey GetRootKey(const std::string& sRootName);

// Splits "HKEY_...\sub\key" into its root handle and, left in sKeyPath, the sub-key path. A path
// that does not begin with "HKEY_" or that ends with "\" is reported in a message box and gives
// the root 0 with sKeyPath unchanged.
void SplitKeyPath(std::string& sKeyPath, HKey& hRoot);

// The text of a value: nothing when the path names no root, "Error" when the key or the value
// cannot be read (values longer than 254 characters included). Blanks around the text are
// dropped.
std::optional<std::string> GetRegString(std::string sKeyPath, const std::string& sValueName);

// What LoadWindowPosition needs of a window: its left and top edges, in twips.
class IWindowEdges {
 public:
  virtual ~IWindowEdges() = default;
  virtual void Left(int32_t lTwips) = 0;
  virtual void Top(int32_t lTwips) = 0;
};

// Moves the window to the "Left" and "Top" stored under kWindowPositionKey. An edge whose value
// is missing or not a number stays where it is; nothing is ever reported.
void LoadWindowPosition(IWindowEdges& window);

}  // namespace brennic
