#pragma once
// The settings store in one SQLite file per user. Every write is one transaction, so a process
// killed in the middle of it leaves the file as it was before the write or after it; the file is
// in WAL mode, so several running copies of the program read and write it at once. Waiting for
// another process is brief: a read waits a moment and then fails (a program that holds the file
// must not stall this one), a write retries for a few seconds. A file that exists but is not a
// readable store is moved aside beside it (suffix ".<date>-<time>.damaged") and the store starts
// empty; a file that cannot be written is read without changing anything beside it; when no file
// can be used at all, the settings live in memory until the process ends. Opening shows nothing:
// what the user should know waits in TakeNotice.

#include <sys/types.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/RegistryStore.h"

struct sqlite3;
struct sqlite3_stmt;

namespace brennic {

class cSqliteRegistryStore final : public IRegistryStore {
 public:
  // Opens the store at sPath, creating the file and its folder when missing.
  explicit cSqliteRegistryStore(std::string sPath);
  ~cSqliteRegistryStore() override;
  cSqliteRegistryStore(const cSqliteRegistryStore&) = delete;
  cSqliteRegistryStore& operator=(const cSqliteRegistryStore&) = delete;

  const std::string& Path() const { return m_sPath; }
  // False when the settings are kept in memory only.
  bool Persistent() const { return m_bPersistent; }
  // True when the file could be read but not written: every write fails with 5.
  bool ReadOnly() const { return m_bReadOnly; }
  // Where a damaged file was moved to; empty when none was.
  const std::string& DamagedCopy() const { return m_sDamagedCopy; }

  int32_t OpenKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess, HKey& hResult) override;
  int32_t CreateKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess, HKey& hResult) override;
  int32_t CloseKey(HKey hKey) override;
  int32_t QueryValue(HKey hKey, std::string_view sName, uint32_t* pType, uint8_t* pData,
                     uint32_t* pcbData) override;
  int32_t SetValue(HKey hKey, std::string_view sName, uint32_t lType, const uint8_t* pData,
                   uint32_t cbData) override;
  int32_t DeleteKey(HKey hKey, std::string_view sSubKey) override;
  int32_t DeleteValue(HKey hKey, std::string_view sName) override;
  int32_t QueryInfoKey(HKey hKey, RegKeyInfo& info) override;
  int32_t EnumValue(HKey hKey, uint32_t lIndex, char* pName, uint32_t* pcchName, uint32_t* pType,
                    uint8_t* pData, uint32_t* pcbData) override;
  int32_t EnumKey(HKey hKey, uint32_t lIndex, char* pName, uint32_t cchName) override;
  int32_t Transaction(const std::function<int32_t()>& fnBody) override;
  std::string TakeNotice() override;

 private:
  struct OpenedKey {
    int64_t lKeyId;
    uint32_t lAccess;
  };
  enum class eOpenResult { Ok, Damaged, Failed };

  eOpenResult TryOpen(const std::string& sFile, std::string& sWhy);
  bool MoveAside(std::string& sWhy);
  void CloseDatabase();

  // Prepares every statement once the tables exist; a write creates them first. Reads of a file
  // without tables find nothing (2).
  int32_t PrepareStatements(bool bWrite);
  sqlite3_stmt* Statement(const char* sSql) const;
  // How long the next operation may wait for another process.
  void ArmBusyWait(bool bWrite);
  // An operation gave up waiting: reads stop waiting for a while; a failed write is told once.
  void NoteBusy(bool bWrite);
  static int OnBusy(void* pStore, int iCount);
  // Runs body(key id) for the key behind hKey, checking lNeeded rights, in one transaction
  // under the store's lock; commits when body returns 0.
  template <class F>
  int32_t OnKey(HKey hKey, uint32_t lNeeded, bool bWrite, F&& body);
  int32_t WalkPath(int64_t lBase, std::string_view sSubKey, bool bCreate, int64_t& lKeyId);
  HKey NewHandle(int64_t lKeyId, uint32_t lAccess);

  std::string m_sPath;
  std::string m_sDamagedCopy;
  std::string m_sNotice;
  std::string m_sReadOnlyWhy;
  bool m_bPersistent = false;
  bool m_bReadOnly = false;
  bool m_bUnreadAtOpen = false;
  bool m_bWriteFailureTold = false;
  int m_iDepth = 0;  // transactions open (Transaction)
  std::chrono::steady_clock::time_point m_tBusyDeadline;
  std::chrono::steady_clock::time_point m_tReadsBlockedUntil;
  sqlite3* m_pDb = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> m_statements;
  std::map<HKey, OpenedKey> m_handles;
  HKey m_hNext = 0x1000;
  dev_t m_examinedDevice = 0;
  ino_t m_examinedInode = 0;
  std::recursive_mutex m_mutex;
};

}  // namespace brennic
