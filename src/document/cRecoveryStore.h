#pragma once
// cRecoveryStore: the pictures of this run that are in no file as they are, kept on disk so that
// a kill, a crash or File > Exit loses none of them; the next start offers them back.
//
// Layout: the recovery folder (BRENNIC_RECOVERY_DIR, or $XDG_STATE_HOME/brennic/recovery, or
// ~/.local/state/brennic/recovery; BRENNIC_RECOVERY_DIR=off turns recovery off) holds one folder
// per running copy, named after its process, with a file "lock" that the copy holds locked
// (flock) while it runs and one file per picture. A folder whose lock can be taken belongs to a
// copy that is gone: its pictures are the ones to offer. A new folder is made under a "tmp-"
// name and renamed once locked, so that no other copy ever sees it unlocked.
//
// A picture file: the magic "BRNRECV\0", a version, the document's name, caption and whether a
// file holds it at all, the picture's size, its pixel rows packed as the undo steps are (zstd
// frames of kHistoryChunkBytes), and a 64-bit checksum of everything before it. Files are
// written atomically (a temporary file, fsync, rename, fsync of the folder), so a kill at any
// moment leaves the previous complete file or the new one. A file that is damaged or not ours
// is never touched.
//
// Writing runs on a thread of the store's own, and so does copying the picture: Keep only
// queues the picture, and the caller promises not to change or free it before Settle, which
// it calls before any change (a copy still waiting is then made on the caller's thread).
// Changes that come faster than the disk keep only the latest picture of each document. Over its
// budget (kDefaultBudget, and never more than a tenth of the free space of the disk) the pictures
// written longest ago are removed first.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "document/cImageHistory.h"
#include "image/cDIBSection.h"

namespace brennic {

inline constexpr const char* kRecoveryEnvironment = "BRENNIC_RECOVERY_DIR";

// A picture as a recovery file holds it.
struct sRecoveredPicture {
  std::string sName;
  std::string sCaption;
  bool bNoFile = false;
  int32_t lWidth = 0;
  int32_t lHeight = 0;
  sPackedBytes picture;
  std::string sPath;  // the file it was read from
};

class cRecoveryStore {
 public:
  static constexpr int64_t kDefaultBudget = int64_t{2} << 30;

  // sRoot: the recovery folder; empty, recovery is off.
  explicit cRecoveryStore(std::string sRoot, int64_t lBudget = kDefaultBudget);
  // Writes what is queued, then lets the folder go (its files stay for the next start).
  ~cRecoveryStore();
  cRecoveryStore(const cRecoveryStore&) = delete;
  cRecoveryStore& operator=(const cRecoveryStore&) = delete;

  // The folder the environment names; empty when recovery is off.
  static std::string DefaultRoot();
  bool Enabled() const { return !m_sFolder.empty(); }
  // This copy's own folder.
  const std::string& Folder() const { return m_sFolder; }

  // Queues the picture's writing under lKey (one file per key); cPicture must stay unchanged
  // until Settle.
  void Keep(uint64_t lKey, const std::string& sName, const std::string& sCaption, bool bNoFile,
            const cDIBSection& cPicture);
  // Every queued picture is copied: the pictures may change again.
  void Settle();
  // The picture of lKey is in a file or gone: its recovery file goes.
  void Forget(uint64_t lKey);
  // Every picture of this copy goes (the program closed after all its questions).
  void ForgetAll();
  // Waits until everything queued is on disk.
  void Flush();

  struct sStats {
    int64_t lWrites = 0;
    int64_t lBytes = 0;               // bytes of the files written
    double dBackgroundSeconds = 0.0;  // packing and writing, on the store's thread
  };
  sStats Stats() const;

  // The pictures left behind by copies that are no longer running, and the files among theirs
  // that could not be read. Their folders stay locked by this copy until DiscardLeftBehind.
  struct sLeftBehind {
    std::vector<sRecoveredPicture> pictures;
    std::vector<std::string> damaged;
  };
  sLeftBehind FindLeftBehind();
  // Deletes the pictures found (the damaged files stay) and lets the folders go.
  void DiscardLeftBehind(const sLeftBehind& found);

  // The file format; false when the file is not a complete recovery file of this program.
  static std::vector<uint8_t> Encode(const sRecoveredPicture& cPicture);
  static bool Decode(const std::vector<uint8_t>& bytes, sRecoveredPicture& cPicture);
  // Writes bytes to sPath atomically; false (errno set) on failure, leaving the old file.
  static bool WriteAtomically(const std::string& sPath, const std::vector<uint8_t>& bytes);

 private:
  struct sSnapshot {
    enum class eCopy { Waiting, Copying, Copied };
    eCopy eState = eCopy::Waiting;
    const cDIBSection* pSource = nullptr;
    bool bLost = false;  // no memory for the copy: this state is not written
    std::string sName;
    std::string sCaption;
    bool bNoFile = false;
    int32_t lWidth = 0;
    int32_t lHeight = 0;
    std::unique_ptr<uint8_t[]> pBytes;
    size_t lSize = 0;
  };
  struct sJob {
    uint64_t lKey = 0;
    std::unique_ptr<sSnapshot> pSnapshot;  // null: remove the key's file
  };

  void Run();
  // Copies the first waiting picture (the lock held on entry and on return); false when none
  // waits.
  bool CopyWaiting(std::unique_lock<std::mutex>& lock);
  bool AnyCopying() const;
  void Write(uint64_t lKey, sSnapshot& snapshot);
  void Remove(uint64_t lKey);
  std::string FileOf(uint64_t lKey);
  void KeepWithinBudget();

  std::string m_sFolder;
  int m_lLockFd = -1;
  int64_t m_lBudget;
  std::vector<std::pair<int, std::string>> m_leftBehindLocks;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<sJob> m_jobs;
  bool m_bBusy = false;
  bool m_bStop = false;
  std::map<uint64_t, uint64_t> m_files;  // key -> file number
  uint64_t m_lNextFile = 0;
  std::unique_ptr<uint8_t[]> m_pSpare;  // a buffer given back, for the next copy
  size_t m_lSpare = 0;
  sStats m_stats;
  std::thread m_thread;
};

}  // namespace brennic
