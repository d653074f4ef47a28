#include "platform/cSqliteRegistryStore.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "platform/mText.h"

namespace brennic {

namespace {

using namespace std::chrono_literals;

// Another copy of the program finishing a write takes milliseconds: a write that waits longer
// than this is up against a program that holds the file, and gives up.
constexpr auto kWriteWait = 2000ms;
// Reading never waits long: start-up must not stall on a file another program holds.
constexpr auto kReadWait = 100ms;
// After a read gave up, further reads fail at once for this long instead of waiting each.
constexpr auto kReadsBlockedFor = 2000ms;

// Keys form a tree below seven root rows whose ids 1..7 stand for the root handles. Names are
// stored as created; "fold" holds the upper-cased name every lookup compares. AUTOINCREMENT keeps
// ids from being reused, so a handle to a deleted key can never reach a newer one, and gives
// values their creation order for enumeration.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS reg_values(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
INSERT OR IGNORE INTO reg_keys(id, parent, name, fold) VALUES
  (1, NULL, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),
  (2, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
  (3, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
  (4, NULL, 'HKEY_USERS', 'HKEY_USERS'),
  (5, NULL, 'HKEY_PERFORMANCE_DATA', 'HKEY_PERFORMANCE_DATA'),
  (6, NULL, 'HKEY_CURRENT_CONFIG', 'HKEY_CURRENT_CONFIG'),
  (7, NULL, 'HKEY_DYN_DATA', 'HKEY_DYN_DATA');
)sql";

// Every statement the store runs; a file whose tables cannot answer them is not a store of ours.
constexpr const char* kFindChild = "SELECT id FROM reg_keys WHERE parent = ?1 AND fold = ?2";
constexpr const char* kAddChild = "INSERT INTO reg_keys(parent, name, fold) VALUES(?1, ?2, ?3)";
constexpr const char* kKeyAlive = "SELECT 1 FROM reg_keys WHERE id = ?1";
constexpr const char* kHasChild = "SELECT 1 FROM reg_keys WHERE parent = ?1 LIMIT 1";
constexpr const char* kDropKey = "DELETE FROM reg_keys WHERE id = ?1";
constexpr const char* kDropKeyValues = "DELETE FROM reg_values WHERE key = ?1";
constexpr const char* kGetValue = "SELECT type, data FROM reg_values WHERE key = ?1 AND fold = ?2";
constexpr const char* kPutValue =
    "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data";
constexpr const char* kDropValue = "DELETE FROM reg_values WHERE key = ?1 AND fold = ?2";
constexpr const char* kKeyCounts =
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0) FROM reg_keys "
    "WHERE parent = ?1";
constexpr const char* kValueCounts =
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), "
    "coalesce(max(length(data)), 0) FROM reg_values WHERE key = ?1";
constexpr const char* kNthValue =
    "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2";
constexpr const char* kNthKey =
    "SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY fold, id LIMIT 1 OFFSET ?2";

constexpr const char* kAllStatements[] = {
    kFindChild, kAddChild,  kKeyAlive,  kHasChild,    kDropKey,  kDropKeyValues, kGetValue,
    kPutValue,  kDropValue, kKeyCounts, kValueCounts, kNthValue, kNthKey};

bool IsRoot(HKey hKey) {
  return hKey >= kHKeyClassesRoot && hKey <= kHKeyDynData;
}

// Names handed to the store are C strings on every other platform: they end at a zero byte.
std::string_view CString(std::string_view s) {
  return s.substr(0, s.find('\0'));
}

int32_t FromSqlite(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return kErrorSuccess;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kErrorBusy;
    case SQLITE_NOMEM:
      return kErrorNotEnoughMemory;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kErrorAccessDenied;
    case SQLITE_FULL:
      return kErrorDiskFull;
    case SQLITE_TOOBIG:
      return kErrorInvalidParameter;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return kErrorRegistryCorrupt;
    default:
      return kErrorRegistryIoFailed;
  }
}

bool MeansDamaged(int rc) {
  return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB;
}

// One prepared statement in use; reset for the next user when it goes out of scope.
class cQuery {
 public:
  explicit cQuery(sqlite3_stmt* pStatement) : m_p(pStatement) {}
  ~cQuery() {
    sqlite3_reset(m_p);
    sqlite3_clear_bindings(m_p);
  }
  cQuery(const cQuery&) = delete;
  cQuery& operator=(const cQuery&) = delete;

  cQuery& Int(int i, int64_t v) {
    sqlite3_bind_int64(m_p, i, v);
    return *this;
  }
  cQuery& Text(int i, std::string_view s) {
    sqlite3_bind_text(m_p, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    return *this;
  }
  cQuery& Blob(int i, const uint8_t* p, uint32_t n) {
    // A zero-length blob must stay a blob: binding it from a null pointer would store NULL.
    if (n == 0) {
      sqlite3_bind_zeroblob(m_p, i, 0);
    } else {
      sqlite3_bind_blob(m_p, i, p, static_cast<int>(n), SQLITE_TRANSIENT);
    }
    return *this;
  }
  int Step() { return sqlite3_step(m_p); }

  int64_t IntAt(int c) const { return sqlite3_column_int64(m_p, c); }
  std::string_view TextAt(int c) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_p, c));
    return p == nullptr ? std::string_view() : std::string_view(p, sqlite3_column_bytes(m_p, c));
  }
  std::pair<const uint8_t*, uint32_t> BlobAt(int c) const {
    const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(m_p, c));
    return {p, static_cast<uint32_t>(sqlite3_column_bytes(m_p, c))};
  }

 private:
  sqlite3_stmt* m_p;
};

// A transaction that rolls back unless committed. Writers take the write lock at the start
// (BEGIN IMMEDIATE), so they wait in the busy handler instead of failing on an upgrade. Inside a
// transaction already open, a write is a savepoint, so that a failed one undoes only itself.
class cTransaction {
 public:
  cTransaction(sqlite3* pDb, bool bWrite, bool bNested) : m_pDb(pDb), m_bNested(bNested) {
    const char* sBegin =
        bNested ? (bWrite ? "SAVEPOINT op" : nullptr) : (bWrite ? "BEGIN IMMEDIATE" : "BEGIN");
    m_rc = pDb == nullptr      ? SQLITE_CANTOPEN
           : sBegin == nullptr ? SQLITE_OK
                               : sqlite3_exec(pDb, sBegin, nullptr, nullptr, nullptr);
    m_bOpen = m_rc == SQLITE_OK && sBegin != nullptr;
  }
  ~cTransaction() {
    if (m_bOpen) {
      sqlite3_exec(m_pDb, m_bNested ? "ROLLBACK TO op; RELEASE op" : "ROLLBACK", nullptr, nullptr,
                   nullptr);
    }
  }
  cTransaction(const cTransaction&) = delete;
  cTransaction& operator=(const cTransaction&) = delete;

  int32_t Started() const { return FromSqlite(m_rc); }
  int32_t Commit() {
    if (!m_bOpen) return kErrorSuccess;
    const int rc =
        sqlite3_exec(m_pDb, m_bNested ? "RELEASE op" : "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) m_bOpen = false;
    return FromSqlite(rc);
  }

 private:
  sqlite3* m_pDb;
  bool m_bNested;
  int m_rc;
  bool m_bOpen;
};

// Splits a sub-key path into its parts. One trailing "\" is allowed; an empty part is not.
int32_t SplitPath(std::string_view sPath, std::vector<std::string_view>& parts) {
  if (sPath.empty()) return kErrorSuccess;
  if (sPath.back() == '\\') sPath.remove_suffix(1);
  size_t lStart = 0;
  while (true) {
    const size_t lEnd = sPath.find('\\', lStart);
    const std::string_view sPart = sPath.substr(lStart, lEnd - lStart);
    if (sPart.empty()) return kErrorBadPathname;
    if (sPart.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
    parts.push_back(sPart);
    if (lEnd == std::string_view::npos) return kErrorSuccess;
    lStart = lEnd + 1;
  }
}

// Copies a value's data the way the Windows functions do: size always reported, data only when
// the buffer holds all of it.
int32_t CopyData(std::pair<const uint8_t*, uint32_t> data, uint8_t* pData, uint32_t* pcbData) {
  if (pData != nullptr && pcbData == nullptr) return kErrorInvalidParameter;
  if (pcbData == nullptr) return kErrorSuccess;
  if (pData != nullptr && *pcbData < data.second) {
    *pcbData = data.second;
    return kErrorMoreData;
  }
  if (pData != nullptr && data.second > 0) std::memcpy(pData, data.first, data.second);
  *pcbData = data.second;
  return kErrorSuccess;
}

// Copies a name with its terminating zero when the buffer of cchName bytes holds both.
int32_t CopyName(std::string_view sName, char* pName, uint32_t cchName) {
  if (cchName < sName.size() + 1) return kErrorMoreData;
  std::memcpy(pName, sName.data(), sName.size());
  pName[sName.size()] = '\0';
  return kErrorSuccess;
}

// Why the file at sFile, which exists, cannot be written; empty when it can. A folder that
// cannot be written counts too: the journal files beside the file could not be made.
std::string WhyNotWritable(const std::string& sFile) {
  if (access(sFile.c_str(), W_OK) != 0) return std::strerror(errno);
  std::string sFolder = std::filesystem::path(sFile).parent_path().string();
  if (sFolder.empty()) sFolder = ".";
  if (access(sFolder.c_str(), W_OK) != 0) return std::string("its folder: ") + std::strerror(errno);
  return {};
}

// sFile as a file: URI, with the characters a URI gives a meaning escaped.
std::string FileUri(const std::string& sFile) {
  std::string sUri = "file:";
  for (const char c : sFile) {
    if (c == '%' || c == '?' || c == '#') {
      static constexpr char kHex[] = "0123456789ABCDEF";
      sUri += '%';
      sUri += kHex[static_cast<unsigned char>(c) >> 4];
      sUri += kHex[static_cast<unsigned char>(c) & 15];
    } else {
      sUri += c;
    }
  }
  return sUri;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char sBuf[32];
  std::strftime(sBuf, sizeof sBuf, "%Y%m%d-%H%M%S", &local);
  return sBuf;
}

}  // namespace

cSqliteRegistryStore::cSqliteRegistryStore(std::string sPath) : m_sPath(std::move(sPath)) {
  std::string sWhy;
  // A second round opens the fresh file that replaces a damaged one; a third covers another
  // copy of the program having moved the damaged file away in between.
  for (int iRound = 0; iRound < 3 && !m_bPersistent; ++iRound) {
    const eOpenResult eResult = TryOpen(m_sPath, sWhy);
    if (eResult == eOpenResult::Ok) {
      m_bPersistent = true;
    } else if (eResult == eOpenResult::Damaged) {
      if (!MoveAside(sWhy)) {
        m_sNotice = "The settings file " + m_sPath + " could not be read, and moving it aside " +
                    "failed: " + sWhy + ".\n\nBrennic continues with empty settings, which are " +
                    "not kept after it closes.";
        break;
      }
      if (!m_sDamagedCopy.empty()) {
        m_sNotice = "The settings file " + m_sPath + " could not be read. It has been moved to " +
                    m_sDamagedCopy + ".\n\nBrennic continues with empty settings.";
      }
    } else {
      m_sNotice = "The settings file " + m_sPath + " could not be opened: " + sWhy +
                  ".\n\nBrennic continues with empty settings, which are not kept after it " +
                  "closes.";
      break;
    }
  }
  if (!m_bPersistent) {
    TryOpen(":memory:", sWhy);
  } else if (m_bReadOnly) {
    m_sNotice = "The settings file " + m_sPath + " cannot be written (" + m_sReadOnlyWhy +
                ").\n\nBrennic shows the recent files and custom filters it holds, but changes " +
                "to them will not be kept.";
  } else if (m_bUnreadAtOpen) {
    m_sNotice = "The settings file " + m_sPath + " is in use by another program, so the recent " +
                "files and custom filters could not be read.";
  }
}

cSqliteRegistryStore::~cSqliteRegistryStore() {
  CloseDatabase();
}

void cSqliteRegistryStore::CloseDatabase() {
  for (auto& [sql, pStatement] : m_statements)
    sqlite3_finalize(pStatement);
  m_statements.clear();
  if (m_pDb != nullptr) sqlite3_close_v2(m_pDb);
  m_pDb = nullptr;
}

cSqliteRegistryStore::eOpenResult cSqliteRegistryStore::TryOpen(const std::string& sFile,
                                                                std::string& sWhy) {
  CloseDatabase();
  m_bReadOnly = false;
  m_bUnreadAtOpen = false;
  const bool bMemory = sFile == ":memory:";
  std::string sOpen = sFile;
  int iFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  if (!bMemory) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(sFile).parent_path(), ec);
    struct stat st {};
    if (stat(sFile.c_str(), &st) == 0) {
      m_examinedDevice = st.st_dev;
      m_examinedInode = st.st_ino;
      m_sReadOnlyWhy = WhyNotWritable(sFile);
      m_bReadOnly = !m_sReadOnlyWhy.empty();
    }
  }
  if (m_bReadOnly) {
    iFlags = SQLITE_OPEN_READONLY;
    // With no journal to read, or none that could be read beside a folder we cannot write, the
    // file is read as it is: no locks, and nothing created beside it.
    struct stat wal {};
    const bool bJournal = stat((sFile + "-wal").c_str(), &wal) == 0 && wal.st_size > 0;
    if (!bJournal || m_sReadOnlyWhy.rfind("its folder", 0) == 0) {
      sOpen = FileUri(sFile) + "?immutable=1";
      iFlags |= SQLITE_OPEN_URI;
    }
  }
  int rc = sqlite3_open_v2(sOpen.c_str(), &m_pDb, iFlags, nullptr);
  if (rc != SQLITE_OK) {
    sWhy = m_pDb != nullptr ? sqlite3_errmsg(m_pDb) : sqlite3_errstr(rc);
    CloseDatabase();
    return eOpenResult::Failed;
  }
  sqlite3_busy_handler(m_pDb, &cSqliteRegistryStore::OnBusy, this);
  ArmBusyWait(false);
  // Until the file has proven to be a healthy store nothing may write to it, not even the
  // checkpoint SQLite runs when the connection closes.
  sqlite3_db_config(m_pDb, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  auto fail = [&](int rcFailed) {
    sWhy = sqlite3_errmsg(m_pDb);
    CloseDatabase();
    // SQLITE_ERROR here means tables of another shape: another program's database.
    return MeansDamaged(rcFailed) || (rcFailed & 0xFF) == SQLITE_ERROR ? eOpenResult::Damaged
                                                                       : eOpenResult::Failed;
  };
  // Another program holding the file: it is used as it is, unexamined; every operation tries
  // again, and the user is told that nothing could be read now.
  const auto busy = [&](int rcStep) {
    if ((rcStep & 0xFF) != SQLITE_BUSY && (rcStep & 0xFF) != SQLITE_LOCKED) return false;
    m_bUnreadAtOpen = true;
    sqlite3_db_config(m_pDb, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    return true;
  };
  {
    sqlite3_stmt* pCheck = nullptr;
    rc = sqlite3_prepare_v2(m_pDb, "PRAGMA quick_check", -1, &pCheck, nullptr);
    if (busy(rc)) return eOpenResult::Ok;
    if (rc != SQLITE_OK) return fail(rc);
    rc = sqlite3_step(pCheck);
    const auto* pResult = reinterpret_cast<const char*>(sqlite3_column_text(pCheck, 0));
    const bool bOk = rc == SQLITE_ROW && pResult != nullptr && std::strcmp(pResult, "ok") == 0;
    if (rc == SQLITE_ROW && !bOk) sWhy = pResult != nullptr ? pResult : "failed integrity check";
    sqlite3_finalize(pCheck);
    if (busy(rc)) return eOpenResult::Ok;
    if (rc != SQLITE_ROW) return fail(rc);
    if (!bOk) {
      CloseDatabase();
      return eOpenResult::Damaged;
    }
  }
  bool bOurs = false;
  {
    // Tables, but none of ours: a database of some other program.
    sqlite3_stmt* pTables = nullptr;
    rc = sqlite3_prepare_v2(m_pDb,
                            "SELECT count(*), count(CASE WHEN name IN ('reg_keys', "
                            "'reg_values') THEN 1 END) FROM sqlite_master WHERE type = "
                            "'table' AND name NOT LIKE 'sqlite%'",
                            -1, &pTables, nullptr);
    if (busy(rc)) return eOpenResult::Ok;
    if (rc != SQLITE_OK) return fail(rc);
    rc = sqlite3_step(pTables);
    const bool bForeign = rc == SQLITE_ROW && sqlite3_column_int(pTables, 0) > 0 &&
                          sqlite3_column_int(pTables, 1) == 0;
    bOurs = rc == SQLITE_ROW && sqlite3_column_int(pTables, 1) == 2;
    sqlite3_finalize(pTables);
    if (busy(rc)) return eOpenResult::Ok;
    if (rc != SQLITE_ROW) return fail(rc);
    if (bForeign) {
      sWhy = "it holds another program's tables";
      CloseDatabase();
      return eOpenResult::Damaged;
    }
  }
  if (!bOurs && !m_bReadOnly) {
    // Tables and root keys, in one transaction so that a failure leaves the file as it was.
    ArmBusyWait(true);
    rc = sqlite3_exec(m_pDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (busy(rc)) return eOpenResult::Ok;  // created by the first write
    if (rc != SQLITE_OK) return fail(rc);
    rc = sqlite3_exec(m_pDb, kSchema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(m_pDb, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      const std::string sError = sqlite3_errmsg(m_pDb);
      sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
      CloseDatabase();
      sWhy = sError;
      return MeansDamaged(rc) || (rc & 0xFF) == SQLITE_ERROR ? eOpenResult::Damaged
                                                             : eOpenResult::Failed;
    }
    bOurs = true;
  }
  if (bOurs) {
    if (const int32_t r = PrepareStatements(false); r != kErrorSuccess && r != kErrorBusy) {
      return fail(SQLITE_ERROR);
    }
  }
  if (m_bReadOnly) return eOpenResult::Ok;
  // WAL lets readers and one writer work at once; FULL makes each commit reach the disk before
  // the write returns. A file system without WAL support keeps the rollback journal, which is
  // just as safe, only slower when several copies share the file.
  ArmBusyWait(false);
  sqlite3_exec(m_pDb, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr,
               nullptr);
  sqlite3_db_config(m_pDb, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
  return eOpenResult::Ok;
}

bool cSqliteRegistryStore::MoveAside(std::string& sWhy) {
  struct stat st {};
  if (stat(m_sPath.c_str(), &st) != 0) {
    // Gone already: another copy of the program moved it; the next round opens a fresh file.
    if (errno == ENOENT) return true;
    sWhy = std::strerror(errno);
    return false;
  }
  if (st.st_dev != m_examinedDevice || st.st_ino != m_examinedInode) return true;

  const std::string sStem = m_sPath + "." + Timestamp();
  std::string sTarget = sStem + ".damaged";
  for (int i = 1; std::filesystem::exists(sTarget); ++i) {
    sTarget = sStem + "-" + std::to_string(i) + ".damaged";
  }
  if (std::rename(m_sPath.c_str(), sTarget.c_str()) != 0) {
    if (errno == ENOENT) return true;
    sWhy = std::strerror(errno);
    return false;
  }
  // The journal files belong to the damaged file; a fresh file must not pick them up.
  for (const char* sSuffix : {"-wal", "-shm"}) {
    std::rename((m_sPath + sSuffix).c_str(), (sTarget + sSuffix).c_str());
  }
  m_sDamagedCopy = sTarget;
  return true;
}

int32_t cSqliteRegistryStore::PrepareStatements(bool bWrite) {
  if (!m_statements.empty()) return kErrorSuccess;
  for (int iAttempt = 0; iAttempt < 2; ++iAttempt) {
    int rc = SQLITE_OK;
    for (const char* sSql : kAllStatements) {
      sqlite3_stmt* pStatement = nullptr;
      rc = sqlite3_prepare_v3(m_pDb, sSql, -1, SQLITE_PREPARE_PERSISTENT, &pStatement, nullptr);
      if (rc != SQLITE_OK) break;
      m_statements.emplace(sSql, pStatement);
    }
    if (rc == SQLITE_OK) return kErrorSuccess;
    for (auto& [sql, pStatement] : m_statements)
      sqlite3_finalize(pStatement);
    m_statements.clear();
    // No tables yet (the file was held by another program when it was opened).
    if ((rc & 0xFF) != SQLITE_ERROR || iAttempt > 0) return FromSqlite(rc);
    if (!bWrite) return kErrorFileNotFound;
    if (rc = sqlite3_exec(m_pDb, kSchema, nullptr, nullptr, nullptr); rc != SQLITE_OK) {
      return FromSqlite(rc);
    }
  }
  return kErrorRegistryIoFailed;
}

sqlite3_stmt* cSqliteRegistryStore::Statement(const char* sSql) const {
  // Every statement was prepared before the operation began.
  return m_statements.at(sSql);
}

void cSqliteRegistryStore::ArmBusyWait(bool bWrite) {
  const auto tNow = std::chrono::steady_clock::now();
  if (bWrite) {
    m_tBusyDeadline = tNow + kWriteWait;
  } else {
    m_tBusyDeadline = tNow < m_tReadsBlockedUntil ? tNow : tNow + kReadWait;
  }
}

void cSqliteRegistryStore::NoteBusy(bool bWrite) {
  if (!bWrite) {
    m_tReadsBlockedUntil = std::chrono::steady_clock::now() + kReadsBlockedFor;
  } else if (!m_bWriteFailureTold) {
    m_bWriteFailureTold = true;
    m_sNotice = "The settings could not be stored: the settings file " + m_sPath +
                " is in use by another program.";
  }
}

int cSqliteRegistryStore::OnBusy(void* pStore, int) {
  const auto* pSelf = static_cast<const cSqliteRegistryStore*>(pStore);
  const auto tNow = std::chrono::steady_clock::now();
  if (tNow >= pSelf->m_tBusyDeadline) return 0;
  std::this_thread::sleep_for(
      std::min<std::chrono::steady_clock::duration>(5ms, pSelf->m_tBusyDeadline - tNow));
  return 1;
}

std::string cSqliteRegistryStore::TakeNotice() {
  std::lock_guard lock(m_mutex);
  return std::exchange(m_sNotice, std::string());
}

int32_t cSqliteRegistryStore::Transaction(const std::function<int32_t()>& fnBody) {
  std::lock_guard lock(m_mutex);
  if (m_iDepth > 0) return fnBody();
  if (m_bReadOnly) return kErrorAccessDenied;
  ArmBusyWait(true);
  int32_t r = kErrorSuccess;
  {
    cTransaction txn(m_pDb, true, false);
    r = txn.Started();
    if (r == kErrorSuccess) {
      ++m_iDepth;
      // Left before the transaction rolls back on an exception.
      struct cLeave {
        int& iDepth;
        ~cLeave() { --iDepth; }
      } leave{m_iDepth};
      r = fnBody();
      if (r == kErrorSuccess) r = txn.Commit();
    }
  }
  if (r == kErrorBusy) NoteBusy(true);
  return r;
}

template <class F>
int32_t cSqliteRegistryStore::OnKey(HKey hKey, uint32_t lNeeded, bool bWrite, F&& body) {
  std::lock_guard lock(m_mutex);
  if (bWrite && m_bReadOnly) return kErrorAccessDenied;
  if (m_iDepth == 0) ArmBusyWait(bWrite);
  const int32_t r = [&]() -> int32_t {
    cTransaction txn(m_pDb, bWrite, m_iDepth > 0);
    if (const int32_t s = txn.Started(); s != kErrorSuccess) return s;
    int64_t lKeyId = 0;
    if (IsRoot(hKey)) {
      lKeyId = static_cast<int64_t>(hKey - kHKeyClassesRoot) + 1;
    } else {
      const auto it = m_handles.find(hKey);
      if (it == m_handles.end()) return kErrorInvalidHandle;
      if ((it->second.lAccess & lNeeded) != lNeeded) return kErrorAccessDenied;
      lKeyId = it->second.lKeyId;
    }
    if (const int32_t s = PrepareStatements(bWrite); s != kErrorSuccess) return s;
    if (!IsRoot(hKey)) {
      // Another copy of the program may have deleted the key since it was opened.
      cQuery alive(Statement(kKeyAlive));
      const int rc = alive.Int(1, lKeyId).Step();
      if (rc == SQLITE_DONE) return kErrorKeyDeleted;
      if (rc != SQLITE_ROW) return FromSqlite(rc);
    }
    if (const int32_t s = body(lKeyId); s != kErrorSuccess) return s;
    return txn.Commit();
  }();
  if (r == kErrorBusy && m_iDepth == 0) NoteBusy(bWrite);
  return r;
}

int32_t cSqliteRegistryStore::WalkPath(int64_t lBase, std::string_view sSubKey, bool bCreate,
                                       int64_t& lKeyId) {
  std::vector<std::string_view> parts;
  if (const int32_t r = SplitPath(sSubKey, parts); r != kErrorSuccess) return r;
  lKeyId = lBase;
  for (const std::string_view sPart : parts) {
    const std::string sFold = UpperCase(sPart);
    cQuery find(Statement(kFindChild));
    int rc = find.Int(1, lKeyId).Text(2, sFold).Step();
    if (rc == SQLITE_ROW) {
      lKeyId = find.IntAt(0);
      continue;
    }
    if (rc != SQLITE_DONE) return FromSqlite(rc);
    if (!bCreate) return kErrorFileNotFound;
    cQuery add(Statement(kAddChild));
    if (rc = add.Int(1, lKeyId).Text(2, sPart).Text(3, sFold).Step(); rc != SQLITE_DONE) {
      return FromSqlite(rc);
    }
    lKeyId = sqlite3_last_insert_rowid(m_pDb);
  }
  return kErrorSuccess;
}

HKey cSqliteRegistryStore::NewHandle(int64_t lKeyId, uint32_t lAccess) {
  const HKey h = m_hNext;
  m_hNext += 4;
  m_handles.emplace(h, OpenedKey{lKeyId, lAccess});
  return h;
}

int32_t cSqliteRegistryStore::OpenKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess,
                                      HKey& hResult) {
  hResult = 0;
  int64_t lId = 0;
  const int32_t r = OnKey(
      hKey, 0, false, [&](int64_t lBase) { return WalkPath(lBase, CString(sSubKey), false, lId); });
  if (r == kErrorSuccess) {
    std::lock_guard lock(m_mutex);
    hResult = NewHandle(lId, lAccess);
  }
  return r;
}

int32_t cSqliteRegistryStore::CreateKey(HKey hKey, std::string_view sSubKey, uint32_t lAccess,
                                        HKey& hResult) {
  hResult = 0;
  sSubKey = CString(sSubKey);
  const uint32_t lNeeded = sSubKey.empty() ? 0 : kKeyCreateSubKey;
  int64_t lId = 0;
  const int32_t r = OnKey(hKey, lNeeded, true,
                          [&](int64_t lBase) { return WalkPath(lBase, sSubKey, true, lId); });
  if (r == kErrorSuccess) {
    std::lock_guard lock(m_mutex);
    hResult = NewHandle(lId, lAccess);
  }
  return r;
}

int32_t cSqliteRegistryStore::CloseKey(HKey hKey) {
  std::lock_guard lock(m_mutex);
  if (IsRoot(hKey)) return kErrorSuccess;
  return m_handles.erase(hKey) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

int32_t cSqliteRegistryStore::QueryValue(HKey hKey, std::string_view sName, uint32_t* pType,
                                         uint8_t* pData, uint32_t* pcbData) {
  return OnKey(hKey, kKeyQueryValue, false, [&](int64_t lId) {
    cQuery q(Statement(kGetValue));
    const int rc = q.Int(1, lId).Text(2, UpperCase(CString(sName))).Step();
    if (rc == SQLITE_DONE) return kErrorFileNotFound;
    if (rc != SQLITE_ROW) return FromSqlite(rc);
    if (pType != nullptr) *pType = static_cast<uint32_t>(q.IntAt(0));
    return CopyData(q.BlobAt(1), pData, pcbData);
  });
}

int32_t cSqliteRegistryStore::SetValue(HKey hKey, std::string_view sName, uint32_t lType,
                                       const uint8_t* pData, uint32_t cbData) {
  if (pData == nullptr && cbData > 0) return kErrorInvalidParameter;
  sName = CString(sName);
  return OnKey(hKey, kKeySetValue, true, [&](int64_t lId) {
    cQuery q(Statement(kPutValue));
    q.Int(1, lId).Text(2, sName).Text(3, UpperCase(sName)).Int(4, lType).Blob(5, pData, cbData);
    return FromSqlite(q.Step());
  });
}

int32_t cSqliteRegistryStore::DeleteKey(HKey hKey, std::string_view sSubKey) {
  return OnKey(hKey, 0, true, [&](int64_t lBase) {
    int64_t lId = 0;
    if (const int32_t r = WalkPath(lBase, CString(sSubKey), false, lId); r != kErrorSuccess) {
      return r;
    }
    if (lId <= 7) return kErrorAccessDenied;  // the roots stay
    {
      cQuery child(Statement(kHasChild));
      const int rc = child.Int(1, lId).Step();
      if (rc == SQLITE_ROW) return kErrorAccessDenied;
      if (rc != SQLITE_DONE) return FromSqlite(rc);
    }
    for (const char* sSql : {kDropKeyValues, kDropKey}) {
      cQuery drop(Statement(sSql));
      if (const int rc = drop.Int(1, lId).Step(); rc != SQLITE_DONE) return FromSqlite(rc);
    }
    return kErrorSuccess;
  });
}

int32_t cSqliteRegistryStore::DeleteValue(HKey hKey, std::string_view sName) {
  return OnKey(hKey, kKeySetValue, true, [&](int64_t lId) {
    cQuery q(Statement(kDropValue));
    if (const int rc = q.Int(1, lId).Text(2, UpperCase(CString(sName))).Step(); rc != SQLITE_DONE) {
      return FromSqlite(rc);
    }
    return sqlite3_changes(m_pDb) == 0 ? kErrorFileNotFound : kErrorSuccess;
  });
}

int32_t cSqliteRegistryStore::QueryInfoKey(HKey hKey, RegKeyInfo& info) {
  info = RegKeyInfo{};
  return OnKey(hKey, kKeyQueryValue, false, [&](int64_t lId) {
    cQuery keys(Statement(kKeyCounts));
    if (const int rc = keys.Int(1, lId).Step(); rc != SQLITE_ROW) return FromSqlite(rc);
    cQuery values(Statement(kValueCounts));
    if (const int rc = values.Int(1, lId).Step(); rc != SQLITE_ROW) return FromSqlite(rc);
    info.lSubKeys = static_cast<uint32_t>(keys.IntAt(0));
    info.lMaxSubKeyLen = static_cast<uint32_t>(keys.IntAt(1));
    info.lValues = static_cast<uint32_t>(values.IntAt(0));
    info.lMaxValueNameLen = static_cast<uint32_t>(values.IntAt(1));
    info.lMaxValueLen = static_cast<uint32_t>(values.IntAt(2));
    return kErrorSuccess;
  });
}

int32_t cSqliteRegistryStore::EnumValue(HKey hKey, uint32_t lIndex, char* pName, uint32_t* pcchName,
                                        uint32_t* pType, uint8_t* pData, uint32_t* pcbData) {
  if (pName == nullptr || pcchName == nullptr) return kErrorInvalidParameter;
  return OnKey(hKey, kKeyQueryValue, false, [&](int64_t lId) {
    cQuery q(Statement(kNthValue));
    const int rc = q.Int(1, lId).Int(2, lIndex).Step();
    if (rc == SQLITE_DONE) return kErrorNoMoreItems;
    if (rc != SQLITE_ROW) return FromSqlite(rc);
    if (const int32_t r = CopyName(q.TextAt(0), pName, *pcchName); r != kErrorSuccess) return r;
    *pcchName = static_cast<uint32_t>(q.TextAt(0).size());
    if (pType != nullptr) *pType = static_cast<uint32_t>(q.IntAt(1));
    return CopyData(q.BlobAt(2), pData, pcbData);
  });
}

int32_t cSqliteRegistryStore::EnumKey(HKey hKey, uint32_t lIndex, char* pName, uint32_t cchName) {
  if (pName == nullptr) return kErrorInvalidParameter;
  return OnKey(hKey, kKeyEnumerateSubKeys, false, [&](int64_t lId) {
    cQuery q(Statement(kNthKey));
    const int rc = q.Int(1, lId).Int(2, lIndex).Step();
    if (rc == SQLITE_DONE) return kErrorNoMoreItems;
    if (rc != SQLITE_ROW) return FromSqlite(rc);
    return CopyName(q.TextAt(0), pName, cchName);
  });
}

}  // namespace brennic
