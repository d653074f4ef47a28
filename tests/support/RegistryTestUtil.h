#pragma once
// Settings stores in temporary folders, failing or held ones: never the user's own settings.

#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image/cError.h"
#include "platform/RegistryStore.h"
#include "platform/cSqliteRegistryStore.h"
#include "support/GuiTestUtil.h"

namespace brennic::test {

// The names in a folder, hidden ones included, sorted.
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder under the system's temporary directory, removed with everything in it (by the
// names' bytes, which need not be UTF-8). bInMemory puts it on /dev/shm when there is one: files
// there skip the flush to a disk, for the tests that save thousands of times.
class cTempDir {
 public:
  explicit cTempDir(bool bInMemory = false) {
    std::string sTemplate = (bInMemory && access("/dev/shm", W_OK | X_OK) == 0
                                 ? std::filesystem::path("/dev/shm")
                                 : std::filesystem::temp_directory_path()) /
                            "brennic-test-XXXXXX";
    if (mkdtemp(sTemplate.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = sTemplate;
  }
  ~cTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  cTempDir(const cTempDir&) = delete;
  cTempDir& operator=(const cTempDir&) = delete;

  const std::filesystem::path& Path() const { return m_path; }
  std::string File(const std::string& sName) const { return (m_path / sName).string(); }
  std::vector<std::string> Names() const { return FolderNames(m_path); }

 private:
  std::filesystem::path m_path;
};

// A store in its own temporary file, installed as the process's store until destroyed.
class cScopedRegistry {
 public:
  cScopedRegistry()
      : m_store(std::make_unique<cSqliteRegistryStore>(m_dir.File("registry.sqlite"))),
        m_pPrevious(SetRegistryStore(m_store.get())) {}
  ~cScopedRegistry() { SetRegistryStore(m_pPrevious); }
  cScopedRegistry(const cScopedRegistry&) = delete;
  cScopedRegistry& operator=(const cScopedRegistry&) = delete;

  cSqliteRegistryStore& Store() { return *m_store; }

 private:
  cTempDir m_dir;
  std::unique_ptr<cSqliteRegistryStore> m_store;
  IRegistryStore* m_pPrevious;
};

// What a store holds under a value: its type and bytes, or the type 0xFFFF when the key or the
// value is missing.
inline std::pair<uint32_t, std::vector<uint8_t>> RawValue(IRegistryStore& store, HKey hRoot,
                                                          const std::string& sKey,
                                                          const std::string& sName) {
  cRegKeyGuard key(store);
  if (store.OpenKey(hRoot, sKey, kKeyRead, key.Handle()) != 0) return {0xFFFF, {}};
  uint32_t lType = 0;
  uint32_t lSize = 0;
  if (store.QueryValue(key.Handle(), sName, &lType, nullptr, &lSize) != 0) return {0xFFFF, {}};
  std::vector<uint8_t> data(lSize);
  store.QueryValue(key.Handle(), sName, nullptr, data.data(), &lSize);
  return {lType, data};
}

// Stores a value of any type and bytes directly, as another program might have written it.
inline bool PutRawValue(IRegistryStore& store, HKey hRoot, const std::string& sKey,
                        const std::string& sName, uint32_t lType,
                        const std::vector<uint8_t>& data) {
  cRegKeyGuard key(store);
  return store.CreateKey(hRoot, sKey, kKeyAllAccessOwn, key.Handle()) == 0 &&
         store.SetValue(key.Handle(), sName, lType, data.data(),
                        static_cast<uint32_t>(data.size())) == 0;
}

// Passes everything on to another store, except that writes of values fail with lError once
// lAllowed of them have been made (0: every write fails, as on a full disk). It can also refuse
// to create keys, and counts the handles opened through it and not yet closed.
class cFailingWrites final : public IRegistryStore {
 public:
  cFailingWrites(IRegistryStore& inner, int iAllowed, int32_t lError = kErrorDiskFull)
      : m_inner(inner), m_iAllowed(iAllowed), m_lError(lError) {}

  int32_t OpenKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess, HKey& hResult) override {
    return Counted(m_inner.OpenKey(hKey, sSubKey, lAccess, hResult));
  }
  int32_t CreateKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess, HKey& hResult) override {
    if (m_lCreateError != 0) return m_lCreateError;
    return Counted(m_inner.CreateKey(hKey, sSubKey, lAccess, hResult));
  }
  int32_t CloseKey(HKey hKey) override {
    --m_iOpen;
    return m_inner.CloseKey(hKey);
  }
  int32_t QueryValue(HKey hKey, std::string_view sName, uint32_t* pType, uint8_t* pData,
                     uint32_t* pcbData) override {
    return m_inner.QueryValue(hKey, sName, pType, pData, pcbData);
  }
  int32_t SetValue(HKey hKey, std::string_view sName, uint32_t lType, const uint8_t* pData,
                   uint32_t cbData) override {
    if (m_iAllowed <= 0) return m_lError;
    --m_iAllowed;
    return m_inner.SetValue(hKey, sName, lType, pData, cbData);
  }
  int32_t DeleteKey(HKey hKey, std::string_view sSubKey) override {
    return m_inner.DeleteKey(hKey, sSubKey);
  }
  int32_t DeleteValue(HKey hKey, std::string_view sName) override {
    return m_inner.DeleteValue(hKey, sName);
  }
  int32_t QueryInfoKey(HKey hKey, RegKeyInfo& info) override {
    return m_inner.QueryInfoKey(hKey, info);
  }
  int32_t EnumValue(HKey hKey, uint32_t lIndex, char* pName, uint32_t* pcchName, uint32_t* pType,
                    uint8_t* pData, uint32_t* pcbData) override {
    return m_inner.EnumValue(hKey, lIndex, pName, pcchName, pType, pData, pcbData);
  }
  int32_t EnumKey(HKey hKey, uint32_t lIndex, char* pName, uint32_t cchName) override {
    return m_inner.EnumKey(hKey, lIndex, pName, cchName);
  }
  int32_t Transaction(const std::function<int32_t()>& fnBody) override {
    return m_inner.Transaction(fnBody);
  }

  int32_t m_lCreateError = 0;
  int m_iOpen = 0;

 private:
  int32_t Counted(int32_t lResult) {
    if (lResult == 0) ++m_iOpen;
    return lResult;
  }

  IRegistryStore& m_inner;
  int m_iAllowed;
  int32_t m_lError;
};

// Another process that holds the store's file with sSql run on a connection of its own (for
// example "BEGIN IMMEDIATE", a write under way), until the object goes. No connection of the
// calling process may be open while it is made (fork).
class cLockHolder {
 public:
  cLockHolder(const std::string& sFile, const std::string& sSql) {
    int ready[2];
    int release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(ready[0]);
      close(release[1]);
      sqlite3* pDb = nullptr;
      if (sqlite3_open(sFile.c_str(), &pDb) != SQLITE_OK ||
          sqlite3_exec(pDb, sSql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        _exit(1);
      }
      char c = 'r';
      if (write(ready[1], &c, 1) != 1) _exit(2);
      [[maybe_unused]] const ssize_t n = read(release[0], &c, 1);  // until the parent lets go
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    m_iRelease = release[1];
    char c = 0;
    m_bHolding = m_pid > 0 && read(ready[0], &c, 1) == 1;
    close(ready[0]);
  }
  ~cLockHolder() {
    close(m_iRelease);
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
  }
  cLockHolder(const cLockHolder&) = delete;
  cLockHolder& operator=(const cLockHolder&) = delete;

  bool Holding() const { return m_bHolding; }

 private:
  pid_t m_pid = -1;
  int m_iRelease = -1;
  bool m_bHolding = false;
};

// What another program may hold: a write under way, or an exclusive lock that shuts readers out.
inline constexpr const char* kWriteUnderWay = "BEGIN IMMEDIATE";
inline constexpr const char* kExclusiveLock =
    "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT";

// Runs f in a child process and returns its exit status (f returns the status to exit with).
template <typename F>
int InChild(F f) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(f());
  int lStatus = 0;
  waitpid(pid, &lStatus, 0);
  return WIFEXITED(lStatus) ? WEXITSTATUS(lStatus) : 128 + WTERMSIG(lStatus);
}

}  // namespace brennic::test
