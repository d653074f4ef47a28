#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "platform/RegistryStore.h"
#include "platform/cSqliteRegistryStore.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<uint8_t>;

bool PutDword(IRegistryStore& store, const std::string& sKey, const std::string& sName, uint8_t v) {
  return test::PutRawValue(store, kHKeyCurrentUser, sKey, sName, kRegDword, {v, 0, 0, 0});
}
uint32_t TypeOf(IRegistryStore& store, const std::string& sKey, const std::string& sName) {
  return test::RawValue(store, kHKeyCurrentUser, sKey, sName).first;
}

// Store tests run on their own file, created fresh per test.
class SqliteStore : public ::testing::Test {
 protected:
  int32_t Create(const std::string& sPath, HKey& h, HKey hRoot = kHKeyCurrentUser) {
    return m_store.CreateKey(hRoot, sPath, kKeyAllAccessOwn, h);
  }
  HKey MustCreate(const std::string& sPath) {
    HKey h = 0;
    EXPECT_EQ(Create(sPath, h), kErrorSuccess) << sPath;
    return h;
  }
  int32_t Set(HKey h, const std::string& sName, uint32_t lType, const Bytes& data) {
    return m_store.SetValue(h, sName, lType, data.data(), static_cast<uint32_t>(data.size()));
  }
  std::vector<std::string> Keys(HKey h) {
    std::vector<std::string> names;
    char sName[256];
    for (uint32_t i = 0; m_store.EnumKey(h, i, sName, sizeof sName) == kErrorSuccess; ++i) {
      names.emplace_back(sName);
    }
    return names;
  }
  std::vector<std::string> Values(HKey h) {
    std::vector<std::string> names;
    char sName[256];
    uint32_t cch = sizeof sName;
    for (uint32_t i = 0; m_store.EnumValue(h, i, sName, &cch, nullptr, nullptr, nullptr) == 0;
         ++i, cch = sizeof sName) {
      names.emplace_back(sName, cch);
    }
    return names;
  }

  test::cTempDir m_dir;
  cSqliteRegistryStore m_store{m_dir.File("a/b/registry.sqlite")};  // folders made too
};

// Opening (o) and creating (c) keys, in order: roots are separate, paths are checked, nothing
// of a rejected path is made, names ignore case and keep their first spelling.
TEST_F(SqliteStore, KeysOpenAndCreateByTheirPaths) {
  EXPECT_TRUE(m_store.Persistent());
  EXPECT_TRUE(std::filesystem::exists(m_store.Path()));
  const HKey kCU = kHKeyCurrentUser;
  const struct {
    char cOp;
    HKey hRoot;
    std::string sPath;
    int32_t lExpected;
  } steps[] = {{'o', kCU, "Software\\Ostrel", 2},
               {'c', kCU, "Software\\Ostrel\\Halvine", 0},
               {'o', kHKeyLocalMachine, "Software\\Ostrel", 2},  // another root, another key
               {'o', 0, "x", kErrorInvalidHandle},
               {'c', kCU, "a\\\\b", kErrorBadPathname},
               {'c', kCU, std::string(256, 'k'), kErrorInvalidParameter},
               {'c', kCU, std::string(255, 'k'), 0},
               {'c', kCU, "Trail\\", 0},  // one trailing separator names the same key
               {'o', kCU, "Trail", 0},
               {'o', kCU, "SOFTWARE\\ostrel\\hALVINE", 0},
               // Beyond ASCII: simple upper-case mapping of each character; bytes that are not
               // UTF-8 compare as they are.
               {'c', kCU, "\xC3\x84rger", 0},  // Ärger
               {'o', kCU, "\xC3\xA4RGER", 0},  // äRGER
               {'c', kCU, "Raw\xC4", 0},
               {'o', kCU, "Raw\xE4", 2},
               {'o', kCU, "RAW\xC4", 0}};
  for (const auto& step : steps) {
    HKey h = 0;
    const int32_t r = step.cOp == 'c' ? Create(step.sPath, h, step.hRoot)
                                      : m_store.OpenKey(step.hRoot, step.sPath, kKeyRead, h);
    EXPECT_EQ(r, step.lExpected) << step.cOp << " " << step.sPath.substr(0, 40);
    EXPECT_TRUE(r == 0 || h == 0u) << "a handle from a failed call";
  }
  HKey h = 0;
  ASSERT_EQ(m_store.OpenKey(kCU, "Software\\Ostrel", kKeyRead, h), 0);
  EXPECT_EQ(Keys(h), std::vector<std::string>{"Halvine"});
  EXPECT_EQ(m_store.CloseKey(h), 0);
  EXPECT_EQ(m_store.CloseKey(h), kErrorInvalidHandle);

  h = MustCreate("Software\\Ostrel\\Halvine");
  ASSERT_EQ(Set(h, "MaxCount", kRegDword, {4, 0, 0, 0}), 0);
  ASSERT_EQ(Set(h, "MAXCOUNT", kRegDword, {5, 0, 0, 0}), 0);  // overwrites, keeps the spelling
  EXPECT_EQ(test::RawValue(m_store, kCU, "software\\ostrel\\halvine", "maxcount"),
            std::make_pair(uint32_t{kRegDword}, Bytes{5, 0, 0, 0}));
  EXPECT_EQ(Values(h), std::vector<std::string>{"MaxCount"});
  // No expansion of ß to SS.
  ASSERT_EQ(Set(h, "Stra\u00DFe", kRegSz, {'a', 0}), 0);
  EXPECT_EQ(TypeOf(m_store, "Software\\Ostrel\\Halvine", "STRA\u00DFE"), uint32_t{kRegSz});
  EXPECT_EQ(TypeOf(m_store, "Software\\Ostrel\\Halvine", "STRASSE"), 0xFFFFu);
}

// Sizes, buffers and enumeration as the Windows functions have them: a buffer too small is
// left alone and the size needed reported; sub-keys come sorted without regard to case, values
// in the order they were created (overwriting keeps the place).
TEST_F(SqliteStore, SizesBuffersAndEnumerationFollowTheWindowsFunctions) {
  const HKey h = MustCreate("Enum");
  for (const char* s : {"zeta", "Alpha", "beta", "Gamma"})
    MustCreate(std::string("Enum\\") + s);
  ASSERT_EQ(Set(h, "Second", kRegSz, {'2', 0}), 0);
  ASSERT_EQ(Set(h, "a", kRegBinary, Bytes(300, 1)), 0);
  ASSERT_EQ(Set(h, "", kRegSz, {'d', 'e', 'f', 0}), 0);  // the key's default value
  ASSERT_EQ(Set(h, "second", kRegDword, {1, 2, 3, 4}), 0);
  EXPECT_EQ(Keys(h), (std::vector<std::string>{"Alpha", "beta", "Gamma", "zeta"}));
  EXPECT_EQ(Values(h), (std::vector<std::string>{"Second", "a", ""}));
  RegKeyInfo info;
  ASSERT_EQ(m_store.QueryInfoKey(h, info), 0);
  EXPECT_EQ((std::vector<uint32_t>{info.lSubKeys, info.lMaxSubKeyLen, info.lValues,
                                   info.lMaxValueNameLen, info.lMaxValueLen}),
            (std::vector<uint32_t>{4, 5, 3, 6, 300}));

  char buffer[8] = "~~~~~~~";
  uint32_t lSize = 3, lType = 0;
  const auto data = [&] { return reinterpret_cast<uint8_t*>(buffer); };
  EXPECT_EQ(m_store.QueryValue(h, "", &lType, data(), &lSize), kErrorMoreData);
  EXPECT_EQ(std::make_pair(lSize, std::string(buffer)), std::make_pair(4u, "~~~~~~~"s));
  lSize = 8;
  EXPECT_EQ(m_store.QueryValue(h, "", &lType, data(), &lSize), 0);
  EXPECT_EQ(std::make_pair(lSize, std::string(buffer, 5)), std::make_pair(4u, "def\0~"s));
  EXPECT_EQ(m_store.QueryValue(h, "Missing", &lType, data(), &lSize), kErrorFileNotFound);
  EXPECT_EQ(m_store.QueryValue(h, "", nullptr, data(), nullptr), kErrorInvalidParameter);
  EXPECT_EQ(m_store.SetValue(h, "x", kRegBinary, nullptr, 3), kErrorInvalidParameter);
  EXPECT_EQ(m_store.EnumKey(h, 0, buffer, 5), kErrorMoreData);  // "Alpha" needs 6
  EXPECT_EQ(m_store.EnumKey(h, 3, buffer, 5), 0);
  EXPECT_STREQ(buffer, "zeta");
  EXPECT_EQ(m_store.EnumKey(h, 4, buffer, 5), kErrorNoMoreItems);
  uint32_t cch = 6;
  EXPECT_EQ(m_store.EnumValue(h, 0, buffer, &cch, &lType, nullptr, &lSize), kErrorMoreData);
  cch = 7;
  EXPECT_EQ(m_store.EnumValue(h, 0, buffer, &cch, &lType, nullptr, &lSize), 0);
  EXPECT_EQ(std::make_tuple(std::string(buffer), cch, lType, lSize),
            std::make_tuple("Second"s, 6u, uint32_t{kRegDword}, 4u));
}

// The default file follows XDG_CONFIG_HOME when BRENNIC_REGISTRY is not set.
TEST(RegistryEnvironment, TheDefaultFile) {
  const char* names[] = {"BRENNIC_REGISTRY", "XDG_CONFIG_HOME"};
  std::optional<std::string> saved[2];
  for (int i = 0; i < 2; ++i)
    if (const char* s = std::getenv(names[i])) saved[i] = s;
  unsetenv(names[0]);
  setenv(names[1], "/cfg", 1);
  EXPECT_EQ(DefaultRegistryPath(), "/cfg/brennic/registry.sqlite");
  for (int i = 0; i < 2; ++i)
    saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);
}

std::string ReadFile(const std::string& sPath) {
  std::string sBytes(std::filesystem::file_size(sPath), '\0');
  std::ifstream(sPath, std::ios::binary)
      .read(sBytes.data(), static_cast<std::streamsize>(sBytes.size()));
  return sBytes;
}

void WriteFile(const std::string& sPath, const std::string& sBytes) {
  std::ofstream(sPath, std::ios::binary) << sBytes;
}

// A store with "Software\Kept" holding Count = 7, closed again.
void WriteKeptCount(const std::string& sFile) {
  cSqliteRegistryStore store(sFile);
  ASSERT_TRUE(PutDword(store, "Software\\Kept", "Count", 7));
}

void Sql(const std::string& sFile, const char* sSql) {
  sqlite3* pDb = nullptr;
  ASSERT_EQ(sqlite3_open(sFile.c_str(), &pDb), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(pDb, sSql, nullptr, nullptr, nullptr), SQLITE_OK) << sSql;
  sqlite3_close(pDb);
}

// Garbage, a database with damaged pages and another program's database: each is moved aside
// byte for byte, told once (the store shows nothing itself: it is opened where no window may be
// shown yet), and a fresh store takes its place.
TEST(SqliteRegistryStore, DamagedFilesAreMovedAsideAndReportedOnce) {
  const auto garbage = [](const std::string& sFile) {
    WriteFile(sFile, "These are not the settings you are looking for.\n" + std::string(5000, 'Z'));
  };
  const auto damagedPages = [](const std::string& sFile) {
    {
      cSqliteRegistryStore store(sFile);
      for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(test::PutRawValue(store, kHKeyCurrentUser, "Big", "v" + std::to_string(i),
                                      kRegBinary, Bytes(3000, 7)));
      }
    }
    // Fold the journal into the file, then scribble over the middle of it.
    Sql(sFile, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE");
    std::string sBytes = ReadFile(sFile);
    ASSERT_GT(sBytes.size(), 20000u);
    for (size_t i = 4096; i < 12288; ++i)
      sBytes[i] = static_cast<char>(i * 31);
    WriteFile(sFile, sBytes);
  };
  const auto foreign = [](const std::string& sFile) {
    Sql(sFile, "CREATE TABLE reg_keys(x); INSERT INTO reg_keys VALUES(1)");
  };
  for (const auto& [sWhat, damage] :
       std::vector<std::pair<const char*, std::function<void(const std::string&)>>>{
           {"garbage", garbage}, {"damaged pages", damagedPages}, {"foreign", foreign}}) {
    SCOPED_TRACE(sWhat);
    test::cTempDir dir;
    const std::string sFile = dir.File("registry.sqlite");
    damage(sFile);
    const std::string sBytes = ReadFile(sFile);
    test::cScriptedMessageBoxes boxes;
    {
      cSqliteRegistryStore store(sFile);
      EXPECT_TRUE(store.Persistent());
      const std::string sNotice = store.TakeNotice();
      const std::filesystem::path copy(store.DamagedCopy());
      ASSERT_FALSE(copy.empty());
      EXPECT_NE(sNotice.find(sFile), std::string::npos) << sNotice;
      EXPECT_NE(sNotice.find(copy.string()), std::string::npos) << sNotice;
      EXPECT_EQ(store.TakeNotice(), "");  // told once
      // Same folder, ".damaged" at the end, the bytes untouched.
      EXPECT_EQ(std::make_tuple(copy.parent_path(), copy.extension().string(),
                                copy.filename().string().rfind("registry.sqlite.", 0)),
                std::make_tuple(dir.Path(), ".damaged"s, size_t{0}));
      EXPECT_EQ(ReadFile(copy), sBytes);
      // The fresh store is empty and keeps what is written.
      EXPECT_EQ(TypeOf(store, "Big", "v0"), 0xFFFFu);
      ASSERT_TRUE(PutDword(store, "Software", "x", 1));
    }
    cSqliteRegistryStore again(sFile);
    EXPECT_EQ(again.TakeNotice(), "");  // nothing more to report
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(TypeOf(again, "Software", "x"), uint32_t{kRegDword});
    const auto names = dir.Names();
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n.ends_with(".damaged"); }),
              1);
  }
}

TEST(SqliteRegistryStore, UnusableFolderFallsBackToMemoryAndSaysSo) {
  test::cTempDir dir;
  WriteFile(dir.File("plain-file"), "x");
  // A path below an ordinary file can never be created.
  cSqliteRegistryStore store(dir.File("plain-file/registry.sqlite"));
  EXPECT_FALSE(store.Persistent());
  EXPECT_NE(store.TakeNotice().find("not kept"), std::string::npos);
  EXPECT_TRUE(PutDword(store, "Mem", "x", 1));
  EXPECT_EQ(ReadFile(dir.File("plain-file")), "x");
}

// A file or folder that cannot be written while the object lives: read-only, and immutable as
// well where that can be set (it holds even for root, whom permissions do not stop).
class cWriteProtected {
 public:
  explicit cWriteProtected(std::filesystem::path path) : m_path(std::move(path)) {
    m_bFolder = std::filesystem::is_directory(m_path);
    chmod(m_path.c_str(), m_bFolder ? 0555 : 0444);
    SetImmutable(true);
  }
  ~cWriteProtected() {
    SetImmutable(false);
    chmod(m_path.c_str(), m_bFolder ? 0755 : 0644);
  }
  cWriteProtected(const cWriteProtected&) = delete;
  cWriteProtected& operator=(const cWriteProtected&) = delete;

  bool Effective() const {
    if (!m_bFolder) return access(m_path.c_str(), W_OK) != 0;
    const std::string sProbe = (m_path / "probe").string();
    const int fd = open(sProbe.c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0) return true;
    close(fd);
    unlink(sProbe.c_str());
    return false;
  }

 private:
  void SetImmutable(bool bOn) {
    const int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return;
    int iFlags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &iFlags) == 0) {
      iFlags = bOn ? (iFlags | FS_IMMUTABLE_FL) : (iFlags & ~FS_IMMUTABLE_FL);
      ioctl(fd, FS_IOC_SETFLAGS, &iFlags);
    }
    close(fd);
  }

  std::filesystem::path m_path;
  bool m_bFolder = false;
};

TEST(SqliteRegistryStore, AFileThatCannotBeWrittenIsReadAndLeftAsItWas) {
  for (const bool bFolder : {false, true}) {
    SCOPED_TRACE(bFolder ? "read-only folder" : "read-only file");
    test::cTempDir dir;
    const std::filesystem::path folder = dir.Path() / "settings";
    std::filesystem::create_directory(folder);
    const std::string sFile = (folder / "registry.sqlite").string();
    WriteKeptCount(sFile);
    // Closed, the store has taken its journal files back.
    ASSERT_EQ(test::FolderNames(folder), std::vector<std::string>{"registry.sqlite"});
    const std::string sBefore = ReadFile(sFile);

    cWriteProtected locked(bFolder ? folder : std::filesystem::path(sFile));
    if (!locked.Effective()) GTEST_SKIP() << "cannot make a file read-only here";
    {
      cSqliteRegistryStore store(sFile);
      EXPECT_TRUE(store.Persistent());
      EXPECT_TRUE(store.ReadOnly());
      const std::string sNotice = store.TakeNotice();
      EXPECT_NE(sNotice.find(sFile), std::string::npos) << sNotice;
      EXPECT_NE(sNotice.find("will not be kept"), std::string::npos) << sNotice;
      EXPECT_EQ(store.TakeNotice(), "");
      EXPECT_EQ(test::RawValue(store, kHKeyCurrentUser, "software\\kept", "Count").second,
                (Bytes{7, 0, 0, 0}));
      HKey h = 0, hNew = 0;
      ASSERT_EQ(store.OpenKey(kHKeyCurrentUser, "Software\\Kept", kKeyAllAccessOwn, h), 0);
      const uint8_t eight[4] = {8, 0, 0, 0};
      EXPECT_EQ(store.SetValue(h, "Count", kRegDword, eight, 4), kErrorAccessDenied);
      EXPECT_EQ(store.CreateKey(kHKeyCurrentUser, "Software\\New", kKeyAllAccessOwn, hNew),
                kErrorAccessDenied);
      EXPECT_EQ(store.Transaction([] { return 0; }), kErrorAccessDenied);
    }
    EXPECT_EQ(test::FolderNames(folder), std::vector<std::string>{"registry.sqlite"});
    EXPECT_EQ(ReadFile(sFile), sBefore);
  }
}

// Another program holding the file stalls nothing: reading takes a moment at most, a write
// that cannot be made gives up after a short wait and is told once.
TEST(SqliteRegistryStore, AFileHeldByAnotherProgramIsReadAtOnce) {
  for (const bool bReadable : {true, false}) {
    SCOPED_TRACE(bReadable ? "a write under way" : "an exclusive lock");
    test::cTempDir dir;
    const std::string sFile = dir.File("registry.sqlite");
    WriteKeptCount(sFile);
    test::cLockHolder holder(sFile, bReadable ? test::kWriteUnderWay : test::kExclusiveLock);
    ASSERT_TRUE(holder.Holding());
    const auto tStart = std::chrono::steady_clock::now();
    cSqliteRegistryStore store(sFile);
    HKey h = 0;
    EXPECT_EQ(store.OpenKey(kHKeyCurrentUser, "Software\\Kept", kKeyRead, h),
              bReadable ? 0 : kErrorBusy);
    const auto value = test::RawValue(store, kHKeyCurrentUser, "Software\\Kept", "Count");
    EXPECT_LT(std::chrono::steady_clock::now() - tStart, std::chrono::milliseconds(500));
    EXPECT_TRUE(store.Persistent());
    if (!bReadable) {
      EXPECT_NE(store.TakeNotice().find("in use"), std::string::npos);
      continue;
    }
    EXPECT_EQ(value.second, (Bytes{7, 0, 0, 0}));
    EXPECT_EQ(store.TakeNotice(), "");
    // A write waits briefly, then says so; the failure is told once.
    const auto tWrite = std::chrono::steady_clock::now();
    EXPECT_EQ(store.CreateKey(kHKeyCurrentUser, "Software\\New", kKeyAllAccessOwn, h), kErrorBusy);
    EXPECT_LT(std::chrono::steady_clock::now() - tWrite, std::chrono::seconds(4));
    EXPECT_NE(store.TakeNotice().find("could not be stored"), std::string::npos);
    EXPECT_EQ(store.CreateKey(kHKeyCurrentUser, "Software\\New", kKeyAllAccessOwn, h), kErrorBusy);
    EXPECT_EQ(store.TakeNotice(), "");
  }
}

// --- Several processes on one file ------------------------------------------------------------

constexpr uint32_t kBlobSize = 40000;  // several database pages

std::vector<uint8_t> Pattern(uint32_t i) {
  std::vector<uint8_t> data(kBlobSize, static_cast<uint8_t>(i * 7 + 1));
  data[0] = static_cast<uint8_t>(i);
  data[kBlobSize - 1] = static_cast<uint8_t>(i >> 8);
  return data;
}

// Each round creates a key three levels deep in one call, then overwrites the value "Current"
// with a pattern naming the round, and reports the round through fd.
[[noreturn]] void BurstWriter(const std::string& sFile, const std::string& sRoot, int fd) {
  cSqliteRegistryStore store(sFile);
  const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (uint32_t i = 0; std::chrono::steady_clock::now() < tEnd; ++i) {
    HKey h = 0;
    if (store.CreateKey(kHKeyCurrentUser, sRoot + "\\K" + std::to_string(i) + "\\A\\B\\C",
                        kKeyAllAccessOwn, h) != 0) {
      _exit(2);
    }
    store.CloseKey(h);
    if (!test::PutRawValue(store, kHKeyCurrentUser, sRoot, "Current", kRegBinary, Pattern(i)))
      _exit(3);
    if (write(fd, "+", 1) != 1) _exit(5);
  }
  _exit(0);
}

TEST(SqliteRegistryStore, WriterKilledDuringABurstLeavesOnlyWholeWrites) {
  test::cTempDir dir;
  const std::string sFile = dir.File("registry.sqlite");
  { cSqliteRegistryStore create(sFile); }  // no connection of ours is open across fork
  constexpr int kRounds = 4;
  for (int iRound = 0; iRound < kRounds; ++iRound) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      BurstWriter(sFile, "Burst" + std::to_string(iRound), fds[1]);
    }
    close(fds[1]);
    // Let a few writes land, then kill at a moment that moves from round to round.
    char c = 0;
    for (int i = 0; i < 2 + iRound; ++i)
      ASSERT_EQ(read(fds[0], &c, 1), 1);
    usleep(static_cast<useconds_t>(300 + 900 * iRound));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";
    close(fds[0]);
  }

  cSqliteRegistryStore store(sFile);
  EXPECT_EQ(store.TakeNotice(), "") << "the store reads as damaged";
  for (int iRound = 0; iRound < kRounds; ++iRound) {
    HKey hRoot = 0;
    ASSERT_EQ(store.OpenKey(kHKeyCurrentUser, "Burst" + std::to_string(iRound), kKeyRead, hRoot),
              0);
    // Every key of the three-level write is there with all its levels, or not at all.
    char sName[64];
    uint32_t lKeys = 0;
    for (; store.EnumKey(hRoot, lKeys, sName, sizeof sName) == 0; ++lKeys) {
      HKey hLeaf = 0;
      EXPECT_EQ(store.OpenKey(hRoot, std::string(sName) + "\\A\\B\\C", kKeyRead, hLeaf), 0)
          << sName;
      store.CloseKey(hLeaf);
    }
    EXPECT_GE(lKeys, static_cast<uint32_t>(2 + iRound));
    // The overwritten value is one whole pattern: of the last or the one before.
    const Bytes data =
        test::RawValue(store, kHKeyCurrentUser, "Burst" + std::to_string(iRound), "Current").second;
    ASSERT_EQ(data.size(), kBlobSize);
    const uint32_t i = data[0] | (static_cast<uint32_t>(data[kBlobSize - 1]) << 8);
    EXPECT_EQ(data, Pattern(i));
    EXPECT_TRUE(i + 1 == lKeys || i + 2 == lKeys) << i << " of " << lKeys;
  }
}

}  // namespace
}  // namespace brennic
