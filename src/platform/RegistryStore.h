#pragma once
// The settings store: a tree of keys holding typed values, with the operations and result codes
// of the Windows registry functions, so that cRegistry and the registry-path helpers keep the
// Windows behaviour whatever backend holds the data. On this platform the backend is a SQLite
// file per user (cSqliteRegistryStore); a native Windows backend would implement the same
// interface over advapi32.
//
// Keys are opened relative to one of the seven root handles or to a handle returned by OpenKey
// or CreateKey; sub-key paths separate their parts with "\". Key and value names compare
// ignoring case (UpperCase in platform/mText.h) and keep the case they were created with. A value
// keeps its type number and its bytes exactly. Text is UTF-8, the 8-bit code page of this
// platform; name lengths and name buffers count bytes, as the 8-bit Windows functions do.
// Every function returns 0 or a Windows error code.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace brennic {

using HKey = uint32_t;

inline constexpr HKey kHKeyClassesRoot = 0x80000000u;
inline constexpr HKey kHKeyCurrentUser = 0x80000001u;
inline constexpr HKey kHKeyLocalMachine = 0x80000002u;
inline constexpr HKey kHKeyUsers = 0x80000003u;
inline constexpr HKey kHKeyPerformanceData = 0x80000004u;
inline constexpr HKey kHKeyCurrentConfig = 0x80000005u;
inline constexpr HKey kHKeyDynData = 0x80000006u;

// Value types.
inline constexpr int32_t kRegNone = 0;
inline constexpr int32_t kRegSz = 1;
inline constexpr int32_t kRegExpandSz = 2;
inline constexpr int32_t kRegBinary = 3;
inline constexpr int32_t kRegDword = 4;
inline constexpr int32_t kRegDwordBigEndian = 5;
inline constexpr int32_t kRegLink = 6;
inline constexpr int32_t kRegMultiSz = 7;

// Access rights asked for when opening a key.
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr uint32_t kKeyAllAccessOwn = 0x003F;  // the six rights of the key itself
inline constexpr uint32_t kKeyRead = 0x20019;

// Result codes.
inline constexpr int32_t kErrorSuccess = 0;
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorAccessDenied = 5;
inline constexpr int32_t kErrorInvalidHandle = 6;
inline constexpr int32_t kErrorNotEnoughMemory = 8;
inline constexpr int32_t kErrorInvalidData = 13;
inline constexpr int32_t kErrorInvalidParameter = 87;
inline constexpr int32_t kErrorDiskFull = 112;
inline constexpr int32_t kErrorBadPathname = 161;
inline constexpr int32_t kErrorBusy = 170;
inline constexpr int32_t kErrorMoreData = 234;
inline constexpr int32_t kErrorNoMoreItems = 259;
inline constexpr int32_t kErrorRegistryCorrupt = 1015;
inline constexpr int32_t kErrorRegistryIoFailed = 1016;
inline constexpr int32_t kErrorKeyDeleted = 1018;

// Longest key name part, in bytes.
inline constexpr size_t kMaxKeyNameLength = 255;

struct RegKeyInfo {
  uint32_t lSubKeys = 0;
  uint32_t lMaxSubKeyLen = 0;  // bytes, without a terminator
  uint32_t lValues = 0;
  uint32_t lMaxValueNameLen = 0;  // bytes, without a terminator
  uint32_t lMaxValueLen = 0;      // bytes of data
};

class IRegistryStore {
 public:
  virtual ~IRegistryStore() = default;

  // Opens an existing key (2 when some part of the path is missing). An empty sSubKey opens
  // hKey itself again. lAccess is checked by later calls on the returned handle.
  virtual int32_t OpenKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess, HKey& hResult) = 0;
  // Opens the key, creating it and every missing parent in one step. Keys are non-volatile.
  virtual int32_t CreateKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess,
                            HKey& hResult) = 0;
  virtual int32_t CloseKey(HKey hKey) = 0;

  // Type and data of a value (the empty name is the key's default value). pType, pData and
  // pcbData may each be null. *pcbData gives the buffer size on entry and the data size on
  // return; a buffer too small gives 234 with the size needed and leaves the buffer untouched.
  virtual int32_t QueryValue(HKey hKey, std::string_view sName, uint32_t* pType, uint8_t* pData,
                             uint32_t* pcbData) = 0;
  virtual int32_t SetValue(HKey hKey, std::string_view sName, uint32_t lType, const uint8_t* pData,
                           uint32_t cbData) = 0;

  // Deletes a key that has no sub-keys, with its values (5 when it has sub-keys).
  virtual int32_t DeleteKey(HKey hKey, std::string_view sSubKey) = 0;
  virtual int32_t DeleteValue(HKey hKey, std::string_view sName) = 0;

  virtual int32_t QueryInfoKey(HKey hKey, RegKeyInfo& info) = 0;
  // Value number lIndex in the order the values were created; 259 past the last. *pcchName is
  // the name buffer's size on entry (terminator included) and the name's length on return.
  virtual int32_t EnumValue(HKey hKey, uint32_t lIndex, char* pName, uint32_t* pcchName,
                            uint32_t* pType, uint8_t* pData, uint32_t* pcbData) = 0;
  // Sub-key number lIndex in the order of their upper-cased names, written with a terminating
  // zero into a buffer of cchName bytes; 259 past the last, 234 when the buffer is too small.
  virtual int32_t EnumKey(HKey hKey, uint32_t lIndex, char* pName, uint32_t cchName) = 0;

  // Replaces each %NAME% by the value of the process environment variable NAME; unknown names
  // stay as written. Returns the size the result needs, terminator included, and writes the
  // result when nSize is at least that.
  virtual uint32_t ExpandEnvironment(std::string_view sSource, char* pDest, uint32_t nSize);

  // Runs fnBody as one change of the store: what it writes through this store is kept whole or
  // not at all, and no other process writes in between, so what it reads stays true until it
  // ends. A non-zero result or an exception of fnBody undoes everything it wrote. Returns
  // fnBody's result, or the code of a transaction that could not start or be kept. A body run
  // inside another's joins it. A store without transactions just runs fnBody.
  virtual int32_t Transaction(const std::function<int32_t()>& fnBody) { return fnBody(); }

  // What the user should be told about the store (a damaged file moved aside, a file that
  // cannot be written or is in use, settings kept in memory only, writes that failed), once:
  // empty afterwards. The store itself never shows anything.
  virtual std::string TakeNotice() { return {}; }
};

// The expansion ExpandEnvironment performs, as a string. A "%" without a closing one is kept.
std::string ExpandEnvironmentText(std::string_view sSource);

// The file of the user's store: $BRENNIC_REGISTRY when set, otherwise
// $XDG_CONFIG_HOME/brennic/registry.sqlite, with ~/.config when XDG_CONFIG_HOME is unset.
std::string DefaultRegistryPath();

// The store every registry access of the process goes through: the installed one, or else the
// user's store, opened on first use. Opening shows nothing and waits for no other process, so
// calling it again from inside a modal loop of any kind is safe.
IRegistryStore& RegistryStore();
// Closes the user's store if it is open, so that its journal files go (the process is about to
// end); a later RegistryStore() opens it again.
void CloseRegistryStore();
// Installs a store (nullptr: back to the user's store) and returns the one installed before.
// The caller keeps it alive while installed.
IRegistryStore* SetRegistryStore(IRegistryStore* pStore);

// A handle opened on a store, closed when the guard goes out of scope.
class cRegKeyGuard {
 public:
  explicit cRegKeyGuard(IRegistryStore& store) : m_store(store) {}
  ~cRegKeyGuard() { Close(); }
  cRegKeyGuard(const cRegKeyGuard&) = delete;
  cRegKeyGuard& operator=(const cRegKeyGuard&) = delete;

  HKey& Handle() { return m_hKey; }
  void Close() {
    if (m_hKey != 0) m_store.CloseKey(m_hKey);
    m_hKey = 0;
  }

 private:
  IRegistryStore& m_store;
  HKey m_hKey = 0;
};

}  // namespace brennic
