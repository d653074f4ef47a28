#include "document/cRecoveryStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zstd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

namespace brennic {

namespace {

constexpr char kMagic[8] = {'B', 'R', 'N', 'R', 'E', 'C', 'V', '\0'};
constexpr uint32_t kVersion = 1;
constexpr const char* kLockName = "lock";
constexpr const char* kPictureSuffix = ".brec";
constexpr const char* kTempPrefix = "tmp-";
// zstd's fastest level, as for the undo steps.
constexpr int kLevel = 1;

uint64_t Checksum(const uint8_t* p, size_t n) {
  // FNV-1a over 64-bit words, then the tail: fast enough for pictures, and any flipped or
  // missing byte changes it.
  uint64_t h = 0xcbf29ce484222325ULL;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * 0x100000001b3ULL;
  }
  for (; i < n; ++i)
    h = (h ^ p[i]) * 0x100000001b3ULL;
  return h;
}

void Put(std::vector<uint8_t>& out, uint64_t lValue, int iBytes) {
  for (int i = 0; i < iBytes; ++i)
    out.push_back(static_cast<uint8_t>(lValue >> (8 * i)));
}

class cReader {
 public:
  explicit cReader(const std::vector<uint8_t>& bytes, size_t lEnd) : m_bytes(bytes), m_lEnd(lEnd) {}
  bool Get(uint64_t& lValue, int iBytes) {
    if (m_lEnd - m_lAt < static_cast<size_t>(iBytes)) return false;
    lValue = 0;
    for (int i = 0; i < iBytes; ++i)
      lValue |= static_cast<uint64_t>(m_bytes[m_lAt++]) << (8 * i);
    return true;
  }
  bool Take(size_t lCount, const uint8_t*& p) {
    if (m_lEnd - m_lAt < lCount) return false;
    p = m_bytes.data() + m_lAt;
    m_lAt += lCount;
    return true;
  }
  bool Text(std::string& s) {
    uint64_t n = 0;
    const uint8_t* p = nullptr;
    if (!Get(n, 4) || !Take(n, p)) return false;
    s.assign(reinterpret_cast<const char*>(p), n);
    return true;
  }
  bool AtEnd() const { return m_lAt == m_lEnd; }

 private:
  const std::vector<uint8_t>& m_bytes;
  size_t m_lEnd;
  size_t m_lAt = 0;
};

size_t RowBytes(int32_t lWidth) {
  return (static_cast<size_t>(lWidth) * 3 + 3) & ~size_t{3};
}

bool EndsWith(const std::string& s, const std::string& sEnd) {
  return s.size() >= sEnd.size() && s.compare(s.size() - sEnd.size(), sEnd.size(), sEnd) == 0;
}

bool ReadWhole(const std::string& sPath, std::vector<uint8_t>& bytes) {
  const int fd = ::open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool bOk = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (bOk) {
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t lAt = 0;
    while (bOk && lAt < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + lAt, bytes.size() - lAt);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) bOk = false;
      if (n > 0) lAt += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  return bOk;
}

std::vector<std::string> Entries(const std::string& sFolder) {
  std::vector<std::string> names;
  if (DIR* pDir = ::opendir(sFolder.c_str())) {
    while (const dirent* pEntry = ::readdir(pDir)) {
      const std::string sName = pEntry->d_name;
      if (sName != "." && sName != "..") names.push_back(sName);
    }
    ::closedir(pDir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool MakeFolders(const std::string& sPath) {
  for (size_t i = 1; i <= sPath.size(); ++i) {
    if (i < sPath.size() && sPath[i] != '/') continue;
    const std::string sPart = sPath.substr(0, i);
    if (::mkdir(sPart.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat info {};
  return ::stat(sPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void SyncFolder(const std::string& sFolder) {
  const int fd = ::open(sFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

std::string FolderOf(const std::string& sPath) {
  const size_t p = sPath.rfind('/');
  return p == std::string::npos ? "." : (p == 0 ? "/" : sPath.substr(0, p));
}

}  // namespace

// --- The file ------------------------------------------------------------------------------------

std::vector<uint8_t> cRecoveryStore::Encode(const sRecoveredPicture& cPicture) {
  std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
  Put(out, kVersion, 4);
  Put(out, cPicture.bNoFile ? 1 : 0, 4);
  Put(out, cPicture.sName.size(), 4);
  out.insert(out.end(), cPicture.sName.begin(), cPicture.sName.end());
  Put(out, cPicture.sCaption.size(), 4);
  out.insert(out.end(), cPicture.sCaption.begin(), cPicture.sCaption.end());
  Put(out, static_cast<uint32_t>(cPicture.lWidth), 4);
  Put(out, static_cast<uint32_t>(cPicture.lHeight), 4);
  Put(out, cPicture.picture.lSize, 8);
  Put(out, cPicture.picture.chunks.size(), 4);
  for (const std::vector<uint8_t>& chunk : cPicture.picture.chunks) {
    Put(out, chunk.size(), 4);
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  Put(out, Checksum(out.data(), out.size()), 8);
  return out;
}

bool cRecoveryStore::Decode(const std::vector<uint8_t>& bytes, sRecoveredPicture& cPicture) {
  if (bytes.size() < sizeof kMagic + 8 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    return false;
  }
  const size_t lBody = bytes.size() - 8;
  uint64_t lSum = 0;
  {
    cReader tail(bytes, bytes.size());
    const uint8_t* p = nullptr;
    tail.Take(lBody, p);
    tail.Get(lSum, 8);
  }
  if (lSum != Checksum(bytes.data(), lBody)) return false;
  cReader r(bytes, lBody);
  const uint8_t* p = nullptr;
  uint64_t lVersion = 0, lFlags = 0, lWidth = 0, lHeight = 0, lSize = 0, lChunks = 0;
  if (!r.Take(sizeof kMagic, p) || !r.Get(lVersion, 4) || lVersion != kVersion ||
      !r.Get(lFlags, 4) || !r.Text(cPicture.sName) || !r.Text(cPicture.sCaption) ||
      !r.Get(lWidth, 4) || !r.Get(lHeight, 4) || !r.Get(lSize, 8) || !r.Get(lChunks, 4)) {
    return false;
  }
  if (lWidth > INT32_MAX || lHeight > INT32_MAX) return false;
  cPicture.bNoFile = (lFlags & 1) != 0;
  cPicture.lWidth = static_cast<int32_t>(lWidth);
  cPicture.lHeight = static_cast<int32_t>(lHeight);
  if (lSize != RowBytes(cPicture.lWidth) * lHeight && lSize != 0) return false;
  if (lChunks != (lSize + kHistoryChunkBytes - 1) / kHistoryChunkBytes) return false;
  cPicture.picture.lSize = lSize;
  cPicture.picture.chunks.clear();
  for (uint64_t i = 0; i < lChunks; ++i) {
    uint64_t n = 0;
    if (!r.Get(n, 4) || !r.Take(n, p)) return false;
    cPicture.picture.chunks.emplace_back(p, p + n);
  }
  return r.AtEnd();
}

bool cRecoveryStore::WriteAtomically(const std::string& sPath, const std::vector<uint8_t>& bytes) {
  const std::string sFolder = FolderOf(sPath);
  static thread_local std::mt19937 rng(std::random_device{}() ^ static_cast<uint32_t>(getpid()));
  std::string sTemp;
  int fd = -1;
  for (int i = 0; i < 100 && fd < 0; ++i) {
    char sName[40];
    std::snprintf(sName, sizeof sName, "/.rec-%08x.tmp", static_cast<unsigned>(rng()));
    sTemp = sFolder + sName;
    fd = ::open(sTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  size_t lAt = 0;
  bool bOk = true;
  while (bOk && lAt < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + lAt, bytes.size() - lAt);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      bOk = false;
    } else {
      lAt += static_cast<size_t>(n);
    }
  }
  if (bOk && ::fsync(fd) != 0) bOk = false;
  const int lErrno = errno;
  if (::close(fd) != 0) bOk = false;
  if (!bOk || ::rename(sTemp.c_str(), sPath.c_str()) != 0) {
    const int lKeep = bOk ? errno : lErrno;
    ::unlink(sTemp.c_str());
    errno = lKeep;
    return false;
  }
  SyncFolder(sFolder);
  return true;
}

// --- The store -----------------------------------------------------------------------------------

std::string cRecoveryStore::DefaultRoot() {
  if (const char* sDir = std::getenv(kRecoveryEnvironment); sDir != nullptr) {
    const std::string s = sDir;
    if (s.empty() || s == "off" || s == "0") return {};
    return s;
  }
  if (const char* sState = std::getenv("XDG_STATE_HOME"); sState != nullptr && *sState == '/') {
    return std::string(sState) + "/brennic/recovery";
  }
  if (const char* sHome = std::getenv("HOME"); sHome != nullptr && *sHome != '\0') {
    return std::string(sHome) + "/.local/state/brennic/recovery";
  }
  return {};
}

cRecoveryStore::cRecoveryStore(std::string sRoot, int64_t lBudget) : m_lBudget(lBudget) {
  if (sRoot.empty() || !MakeFolders(sRoot)) return;
  // Made under a name no other copy reads, locked, then given its real name.
  std::mt19937 rng(std::random_device{}() ^ static_cast<uint32_t>(getpid()));
  char sId[48];
  std::snprintf(sId, sizeof sId, "%d-%08x", static_cast<int>(getpid()),
                static_cast<unsigned>(rng()));
  const std::string sTemp = sRoot + "/" + kTempPrefix + sId;
  const std::string sFolder = sRoot + "/" + sId;
  if (::mkdir(sTemp.c_str(), 0700) != 0) return;
  m_lLockFd = ::open((sTemp + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (m_lLockFd < 0 || ::flock(m_lLockFd, LOCK_EX | LOCK_NB) != 0 ||
      ::rename(sTemp.c_str(), sFolder.c_str()) != 0) {
    if (m_lLockFd >= 0) ::close(m_lLockFd);
    m_lLockFd = -1;
    ::unlink((sTemp + "/" + kLockName).c_str());
    ::rmdir(sTemp.c_str());
    return;
  }
  m_sFolder = sFolder;
  m_thread = std::thread([this] { Run(); });
}

cRecoveryStore::~cRecoveryStore() {
  {
    const std::lock_guard lock(m_mutex);
    m_bStop = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
  for (const auto& [fd, sFolder] : m_leftBehindLocks)
    ::close(fd);
  if (m_lLockFd >= 0) {
    // A folder with nothing in it to recover goes with the copy.
    if (Entries(m_sFolder).size() == 1) {
      ::unlink((m_sFolder + "/" + kLockName).c_str());
      ::rmdir(m_sFolder.c_str());
    }
    ::close(m_lLockFd);
  }
}

void cRecoveryStore::Keep(uint64_t lKey, const std::string& sName, const std::string& sCaption,
                          bool bNoFile, const cDIBSection& cPicture) {
  if (!Enabled()) return;
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [&] {
    return std::none_of(m_jobs.begin(), m_jobs.end(), [&](const sJob& job) {
      return job.lKey == lKey && job.pSnapshot != nullptr &&
             job.pSnapshot->eState == sSnapshot::eCopy::Copying;
    });
  });
  // A state of the picture not yet written gives way to this one.
  for (auto it = m_jobs.begin(); it != m_jobs.end();) {
    if (it->lKey == lKey && it->pSnapshot != nullptr) {
      if (it->pSnapshot->pBytes != nullptr) {
        m_pSpare = std::move(it->pSnapshot->pBytes);
        m_lSpare = it->pSnapshot->lSize;
      }
      it = m_jobs.erase(it);
    } else {
      ++it;
    }
  }
  auto pSnapshot = std::make_unique<sSnapshot>();
  pSnapshot->pSource = &cPicture;
  pSnapshot->sName = sName;
  pSnapshot->sCaption = sCaption;
  pSnapshot->bNoFile = bNoFile;
  pSnapshot->lWidth = cPicture.Width();
  pSnapshot->lHeight = cPicture.Height();
  m_jobs.push_back({lKey, std::move(pSnapshot)});
  lock.unlock();
  m_wake.notify_all();
}

bool cRecoveryStore::AnyCopying() const {
  return std::any_of(m_jobs.begin(), m_jobs.end(), [](const sJob& job) {
    return job.pSnapshot != nullptr && job.pSnapshot->eState == sSnapshot::eCopy::Copying;
  });
}

bool cRecoveryStore::CopyWaiting(std::unique_lock<std::mutex>& lock) {
  const auto it = std::find_if(m_jobs.begin(), m_jobs.end(), [](const sJob& job) {
    return job.pSnapshot != nullptr && job.pSnapshot->eState == sSnapshot::eCopy::Waiting;
  });
  if (it == m_jobs.end()) return false;
  sSnapshot& snapshot = *it->pSnapshot;
  snapshot.eState = sSnapshot::eCopy::Copying;
  const cDIBSection& cPicture = *snapshot.pSource;
  const size_t lSize = cPicture.DIBSectionBitsPtr() == nullptr
                           ? 0
                           : static_cast<size_t>(cPicture.BytesPerScanLine()) *
                                 static_cast<size_t>(cPicture.Height());
  if (m_pSpare != nullptr && m_lSpare == lSize) {
    snapshot.pBytes = std::move(m_pSpare);
    m_lSpare = 0;
  }
  lock.unlock();
  if (snapshot.pBytes == nullptr && lSize > 0)
    snapshot.pBytes.reset(new (std::nothrow) uint8_t[lSize]);
  // No memory for the copy: this state is not kept; the next change tries again.
  snapshot.lSize = snapshot.pBytes != nullptr ? lSize : 0;
  if (snapshot.lSize > 0) std::memcpy(snapshot.pBytes.get(), cPicture.DIBSectionBitsPtr(), lSize);
  lock.lock();
  snapshot.pSource = nullptr;
  snapshot.eState = sSnapshot::eCopy::Copied;
  snapshot.bLost = snapshot.lSize != lSize;
  m_idle.notify_all();
  return true;
}

void cRecoveryStore::Settle() {
  if (!Enabled()) return;
  std::unique_lock lock(m_mutex);
  while (CopyWaiting(lock)) {
  }
  m_idle.wait(lock, [this] { return !AnyCopying(); });
}

void cRecoveryStore::Forget(uint64_t lKey) {
  if (!Enabled()) return;
  {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !AnyCopying(); });
    std::erase_if(m_jobs, [&](const sJob& job) { return job.lKey == lKey; });
    m_jobs.push_back({lKey, nullptr});
  }
  m_wake.notify_all();
}

void cRecoveryStore::ForgetAll() {
  if (!Enabled()) return;
  {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !AnyCopying(); });
    m_jobs.clear();
    m_idle.wait(lock, [this] { return !m_bBusy; });
    m_files.clear();
  }
  for (const std::string& sName : Entries(m_sFolder)) {
    if (EndsWith(sName, kPictureSuffix)) ::unlink((m_sFolder + "/" + sName).c_str());
  }
  SyncFolder(m_sFolder);
}

void cRecoveryStore::Flush() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [this] { return m_jobs.empty() && !m_bBusy; });
}

cRecoveryStore::sStats cRecoveryStore::Stats() const {
  const std::lock_guard lock(m_mutex);
  return m_stats;
}

void cRecoveryStore::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_bStop || !m_jobs.empty(); });
    if (m_jobs.empty()) return;  // stopping, and everything is written
    // Copies first, so that the pictures are free again as soon as possible.
    const auto copyStart = std::chrono::steady_clock::now();
    if (CopyWaiting(lock)) {
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - copyStart;
      m_stats.dBackgroundSeconds += took.count();
      continue;
    }
    const auto it = std::find_if(m_jobs.begin(), m_jobs.end(), [](const sJob& job) {
      return job.pSnapshot == nullptr || job.pSnapshot->eState == sSnapshot::eCopy::Copied;
    });
    if (it == m_jobs.end()) {
      // Being copied on the caller's thread.
      m_idle.wait(lock, [this] { return !AnyCopying(); });
      continue;
    }
    sJob job = std::move(*it);
    m_jobs.erase(it);
    m_bBusy = true;
    lock.unlock();
    if (job.pSnapshot == nullptr) {
      Remove(job.lKey);
    } else if (!job.pSnapshot->bLost) {
      Write(job.lKey, *job.pSnapshot);
    }
    lock.lock();
    if (job.pSnapshot != nullptr && job.pSnapshot->pBytes != nullptr) {
      m_pSpare = std::move(job.pSnapshot->pBytes);
      m_lSpare = job.pSnapshot->lSize;
    }
    m_bBusy = false;
    m_idle.notify_all();
  }
}

std::string cRecoveryStore::FileOf(uint64_t lKey) {
  const std::lock_guard lock(m_mutex);
  auto it = m_files.find(lKey);
  if (it == m_files.end()) it = m_files.emplace(lKey, ++m_lNextFile).first;
  return m_sFolder + "/picture-" + std::to_string(it->second) + kPictureSuffix;
}

void cRecoveryStore::Write(uint64_t lKey, sSnapshot& snapshot) {
  const auto start = std::chrono::steady_clock::now();
  sRecoveredPicture cPicture;
  cPicture.sName = snapshot.sName;
  cPicture.sCaption = snapshot.sCaption;
  cPicture.bNoFile = snapshot.bNoFile;
  cPicture.lWidth = snapshot.lWidth;
  cPicture.lHeight = snapshot.lHeight;
  cPicture.picture.lSize = snapshot.lSize;
  ZSTD_CCtx* pContext = ZSTD_createCCtx();
  if (pContext == nullptr) return;
  std::vector<uint8_t> scratch;
  bool bOk = true;
  for (size_t lAt = 0; bOk && lAt < snapshot.lSize; lAt += kHistoryChunkBytes) {
    const size_t lLength = std::min(kHistoryChunkBytes, snapshot.lSize - lAt);
    scratch.resize(ZSTD_compressBound(lLength));
    const size_t r = ZSTD_compressCCtx(pContext, scratch.data(), scratch.size(),
                                       snapshot.pBytes.get() + lAt, lLength, kLevel);
    bOk = !ZSTD_isError(r);
    if (bOk) cPicture.picture.chunks.emplace_back(scratch.begin(), scratch.begin() + r);
    // A picture changed meanwhile is copied now, not after this write: its document may want
    // to change it again soon.
    std::unique_lock lock(m_mutex);
    while (CopyWaiting(lock)) {
    }
  }
  ZSTD_freeCCtx(pContext);
  if (!bOk) return;
  const std::vector<uint8_t> bytes = Encode(cPicture);
  // A disk that is full or gone loses only this state; the next change tries again.
  const bool bWritten = WriteAtomically(FileOf(lKey), bytes);
  if (bWritten) KeepWithinBudget();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  const std::lock_guard lock(m_mutex);
  ++m_stats.lWrites;
  if (bWritten) m_stats.lBytes += static_cast<int64_t>(bytes.size());
  m_stats.dBackgroundSeconds += took.count();
}

void cRecoveryStore::Remove(uint64_t lKey) {
  std::string sPath;
  {
    const std::lock_guard lock(m_mutex);
    const auto it = m_files.find(lKey);
    if (it == m_files.end()) return;
    sPath = m_sFolder + "/picture-" + std::to_string(it->second) + kPictureSuffix;
    m_files.erase(it);
  }
  ::unlink(sPath.c_str());
  SyncFolder(m_sFolder);
}

void cRecoveryStore::KeepWithinBudget() {
  struct sFile {
    std::string sPath;
    int64_t lBytes;
    timespec written;
  };
  std::vector<sFile> files;
  int64_t lTotal = 0;
  for (const std::string& sName : Entries(m_sFolder)) {
    if (!EndsWith(sName, kPictureSuffix)) continue;
    struct stat info {};
    const std::string sPath = m_sFolder + "/" + sName;
    if (::stat(sPath.c_str(), &info) != 0) continue;
    files.push_back({sPath, static_cast<int64_t>(info.st_size), info.st_mtim});
    lTotal += info.st_size;
  }
  int64_t lLimit = m_lBudget;
  struct statvfs disk {};
  if (::statvfs(m_sFolder.c_str(), &disk) == 0) {
    const int64_t lFree = static_cast<int64_t>(disk.f_bavail) * static_cast<int64_t>(disk.f_frsize);
    lLimit = std::min(lLimit, (lFree + lTotal) / 10);
  }
  if (lTotal <= lLimit) return;
  std::sort(files.begin(), files.end(), [](const sFile& a, const sFile& b) {
    return a.written.tv_sec != b.written.tv_sec ? a.written.tv_sec < b.written.tv_sec
                                                : a.written.tv_nsec < b.written.tv_nsec;
  });
  for (const sFile& file : files) {
    if (lTotal <= lLimit) break;
    ::unlink(file.sPath.c_str());
    lTotal -= file.lBytes;
  }
  SyncFolder(m_sFolder);
}

// --- What earlier copies left --------------------------------------------------------------------

cRecoveryStore::sLeftBehind cRecoveryStore::FindLeftBehind() {
  sLeftBehind found;
  if (!Enabled()) return found;
  const std::string sRoot = FolderOf(m_sFolder);
  struct sDated {
    sRecoveredPicture cPicture;
    timespec written;
  };
  std::vector<sDated> dated;
  for (const std::string& sEntry : Entries(sRoot)) {
    const std::string sFolder = sRoot + "/" + sEntry;
    struct stat info {};
    if (sFolder == m_sFolder || sEntry.rfind(kTempPrefix, 0) == 0 ||
        ::stat(sFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      continue;
    }
    // A copy still running holds its lock; a gone one's lock is ours to take.
    const int fd = ::open((sFolder + "/" + kLockName).c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      continue;
    }
    m_leftBehindLocks.emplace_back(fd, sFolder);
    for (const std::string& sName : Entries(sFolder)) {
      const std::string sPath = sFolder + "/" + sName;
      if (sName == kLockName) continue;
      if (sName.rfind(".rec-", 0) == 0 && EndsWith(sName, ".tmp")) {
        ::unlink(sPath.c_str());  // a write that a kill cut short
        continue;
      }
      sDated entry;
      std::vector<uint8_t> bytes;
      if (!EndsWith(sName, kPictureSuffix) || !ReadWhole(sPath, bytes) ||
          !Decode(bytes, entry.cPicture)) {
        found.damaged.push_back(sPath);
        continue;
      }
      entry.cPicture.sPath = sPath;
      ::stat(sPath.c_str(), &info);
      entry.written = info.st_mtim;
      dated.push_back(std::move(entry));
    }
  }
  std::stable_sort(dated.begin(), dated.end(), [](const sDated& a, const sDated& b) {
    return a.written.tv_sec != b.written.tv_sec ? a.written.tv_sec < b.written.tv_sec
                                                : a.written.tv_nsec < b.written.tv_nsec;
  });
  for (sDated& entry : dated)
    found.pictures.push_back(std::move(entry.cPicture));
  return found;
}

void cRecoveryStore::DiscardLeftBehind(const sLeftBehind& found) {
  for (const sRecoveredPicture& cPicture : found.pictures)
    ::unlink(cPicture.sPath.c_str());
  for (const auto& [fd, sFolder] : m_leftBehindLocks) {
    // Only a folder left with nothing but its lock goes; damaged files keep theirs.
    if (Entries(sFolder).size() <= 1) {
      ::unlink((sFolder + "/" + kLockName).c_str());
      ::rmdir(sFolder.c_str());
    }
    if (fd >= 0) ::close(fd);
  }
  m_leftBehindLocks.clear();
}

}  // namespace brennic
