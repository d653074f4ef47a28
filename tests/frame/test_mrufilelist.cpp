// The recent files: order, captions, storage, two copies at once, a kill while storing.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "FrameTestUtil.h"
#include "frame/cMRUFileList.h"
#include "platform/cRegistry.h"

namespace brennic {
namespace {

std::vector<std::string> Entries(const cMRUFileList& list) {
  std::vector<std::string> entries;
  for (int32_t i = 1; i <= list.FileCount(); ++i)
    entries.push_back(list.File(i));
  return entries;
}

cMRUFileList ListOf(int32_t lMax, const std::vector<std::string>& newestLast) {
  cMRUFileList list;
  list.MaxFileCount(lMax);
  for (const std::string& s : newestLast)
    list.AddFile(s);
  return list;
}

TEST(MRUFileList, NewestFirstAFullListDropsTheOldestAndCapacityChangesKeepWhatFits) {
  cMRUFileList list = ListOf(4, {"a", "b", "c", "d", "e"});
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"e", "d", "c", "b"}));
  EXPECT_EQ(list.File(5), "");
  list.MaxFileCount(2);
  list.AddFile("f");
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"f", "e"}));
  list.MaxFileCount(-1);  // no capacity: nowhere to store anything
  list.AddFile("lost.bmp");
  EXPECT_EQ(list.MaxFileCount() + list.FileCount(), 0);
}

TEST(MRUFileList, ListedPathMovesToTheTopWithItsNewSpelling) {
  cMRUFileList list = ListOf(4, {"c:\\x\\a.bmp", "b.bmp", "c.bmp"});
  ASSERT_EQ(list.File(3), "c:\\x\\a.bmp");
  list.AddFile("C:\\X\\A.BMP");
  EXPECT_EQ(list.FileCount(), 3);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"C:\\X\\A.BMP", "c.bmp", "b.bmp"}));
  list.AddFile("C.BMP");  // from the middle
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"C.BMP", "C:\\X\\A.BMP", "b.bmp"}));
  list.AddFile("C.BMP");  // already on top
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"C.BMP", "C:\\X\\A.BMP", "b.bmp"}));
  list.AddFile("\xC3\xA4pfel.bmp");  // äpfel.bmp
  list.AddFile("\xC3\x84PFEL.BMP");  // ÄPFEL.BMP: the same, ignoring case
  EXPECT_EQ(list.FileCount(), 4);
  EXPECT_EQ(list.File(1), "\xC3\x84PFEL.BMP");
}

TEST(MRUFileList, MenuCaptionsShortenLongPathsAtAFolderAndDoubleAmpersands) {
  const std::string s17(17, 'F');
  const std::string sFile29 = std::string(25, 'n') + ".bmp";
  const std::string sFile40 = std::string(36, 'n') + ".bmp";
  const std::string sHoliday = "holiday/" + std::string(20, 'h') + ".bmp";
  std::string sUmlauts = "/";  // 31 characters, 61 bytes
  for (int i = 0; i < 30; ++i)
    sUmlauts += "\xC3\xA4";
  const struct {
    std::string sPath;
    std::string sCaption;  // after "&1)  "
  } cases[] = {
      // 50 characters, separators at 3 and 21: the tail after the second fits in 32.
      {"C:\\" + s17 + "\\" + sFile29, "...\\" + sFile29},
      // No tail fits: the cut is at the last separator and the folder does not appear.
      {"C:\\dir\\" + sFile40, "...\\" + sFile40},
      // Up to 32 characters nothing is shortened; a long path without separators stays whole.
      {"C:\\" + std::string(29, 'x'), "C:\\" + std::string(29, 'x')},
      {std::string(60, 'p'), std::string(60, 'p')},
      // Folder separators of this platform count too, and characters count, not bytes.
      {"/home/someone/pictures/" + sHoliday, ".../" + sHoliday},
      {sUmlauts, sUmlauts},
      // An "&" is doubled, so that the menu shows it; a shortened path is escaped afterwards.
      {"/pics/R&D/a&&b.bmp", "/pics/R&&D/a&&&&b.bmp"},
      {"/" + std::string(30, 'x') + "/&" + std::string(30, 'y'), ".../&&" + std::string(30, 'y')},
  };
  cMRUFileList list;
  list.MaxFileCount(4);
  for (const auto& c : cases) {
    list.AddFile(c.sPath);
    EXPECT_EQ(list.MenuCaption(1), "&1)  " + c.sCaption) << c.sPath;
  }
  list.AddFile("b.bmp");
  EXPECT_EQ(list.MenuCaption(2).substr(0, 5), "&2)  ");
}

class MRUStorage : public ::testing::Test {
 protected:
  MRUStorage() {
    m_cR.ClassKey(kHKeyCurrentUser);
    m_cR.SectionKey("Software\\Ostrel\\Halvine");
  }
  void Put(const std::string& sName, int32_t lType, const Variant& v) {
    m_cR.ValueKey(sName);
    m_cR.ValueType(lType);
    m_cR.Value(v);
  }
  // The list as the frame sets it up at start-up, loaded from the store.
  cMRUFileList Loaded(bool bExpected = true) {
    cMRUFileList list;
    list.MaxFileCount(4);
    cRegistry cR;
    cR.ClassKey(kHKeyCurrentUser);
    cR.SectionKey("Software\\Ostrel\\Halvine");
    EXPECT_EQ(list.Load(cR), bExpected);
    return list;
  }
  test::cScopedRegistry m_registry;
  cRegistry m_cR;
};

// Paths are data: whatever they contain, they are stored as plain text and come back as written,
// also when an earlier version stored them as expandable text.
TEST_F(MRUStorage, PathsComeBackByteForByte) {
  ASSERT_NE(std::getenv("HOME"), nullptr);
  const std::vector<std::string> paths = {"/data/%HOME%/a.bmp", "/tmp/50% to 75%.bmp",
                                          "/tmp/caf\xE9.bmp", "%HOME%"};
  ASSERT_TRUE(ListOf(4, paths).Save(m_cR));
  EXPECT_EQ(
      test::RawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Ostrel\\Halvine", "File1")
          .first,
      static_cast<uint32_t>(kRegSz));
  EXPECT_EQ(Entries(Loaded()), (std::vector<std::string>(paths.rbegin(), paths.rend())));
  const std::string sOld = "/old/%HOME%/b.bmp";
  ASSERT_TRUE(test::PutRawValue(
      m_registry.Store(), kHKeyCurrentUser, "Software\\Ostrel\\Halvine", "File1", kRegExpandSz,
      std::vector<uint8_t>(sOld.c_str(), sOld.c_str() + sOld.size() + 1)));
  EXPECT_EQ(Loaded().File(1), sOld);
}

// Two copies of the program running at once: what one stored is not lost when the other
// closes after it.
TEST_F(MRUStorage, ACopyClosingLaterKeepsTheOtherCopysFiles) {
  ASSERT_TRUE(ListOf(4, {"o1", "o2", "o3", "o4"}).Save(m_cR));
  cMRUFileList a = Loaded();
  cMRUFileList b = Loaded();
  a.AddFile("a.bmp");
  b.AddFile("b.bmp");
  b.AddFile("o2");  // reopened: it counts as this copy's now
  ASSERT_TRUE(a.Save(m_cR));
  ASSERT_TRUE(b.Save(m_cR));
  EXPECT_EQ(Entries(Loaded()), (std::vector<std::string>{"o2", "b.bmp", "a.bmp", "o4"}));

  // Lists that never loaded keep their own files first, then the stored ones that fit.
  ASSERT_TRUE(ListOf(4, {"x", "y"}).Save(m_cR));
  EXPECT_EQ(Entries(Loaded()), (std::vector<std::string>{"y", "x", "o2", "b.bmp"}));

  // Reopening this copy's newest file makes no stored file this copy's.
  cMRUFileList c = Loaded();
  c.AddFile("c.bmp");
  c.AddFile("c.bmp");
  ASSERT_TRUE(ListOf(4, {"z"}).Save(m_cR));
  ASSERT_TRUE(c.Save(m_cR));
  EXPECT_EQ(Entries(Loaded()), (std::vector<std::string>{"c.bmp", "z", "y", "x"}));
}

// What the store holds decides what loads: at most four entries, no more than the stored
// capacity, and nothing when that capacity is unusable (the list keeps its own).
TEST_F(MRUStorage, TheStoredCapacityAndCountDecideWhatLoads) {
  const Variant vNone;
  const struct {
    Variant vMax;    // none: not stored
    int32_t lCount;  // File1..File<n> stored too
    bool bLoads;
    int32_t lMaxAfter;
    std::vector<std::string> entries;
  } cases[] = {
      {10, 10, true, 4, {"f1", "f2", "f3", "f4"}},
      {std::string("3"), 3, true, 3, {"f1", "f2", "f3"}},  // a capacity written as text
      {std::string("many"), 3, false, 4, {}},
      {vNone, 3, false, 4, {}},  // the key holds other settings but no capacity
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.entries) + " " + std::to_string(c.lCount));
    test::cScopedRegistry registry;
    if (c.vMax != vNone) Put("MaxCount", c.vMax.index() == 3 ? kRegSz : kRegDword, c.vMax);
    Put("Count", kRegDword, c.lCount);
    for (int i = 1; i <= c.lCount; ++i)
      Put("File" + std::to_string(i), kRegSz, "f" + std::to_string(i));
    const cMRUFileList list = Loaded(c.bLoads);
    EXPECT_EQ(list.MaxFileCount(), c.lMaxAfter);
    EXPECT_EQ(Entries(list), c.entries);
  }
  // A missing entry loads empty and is not shown.
  Put("MaxCount", kRegDword, 4);
  Put("Count", kRegDword, 2);
  Put("File2", kRegSz, std::string("only-second.bmp"));
  const cMRUFileList list = Loaded();
  EXPECT_EQ(list.FileCount(), 2);
  EXPECT_FALSE(list.FileExists(1));
  EXPECT_TRUE(list.FileExists(2));
}

TEST_F(MRUStorage, FailingAccessorStopsSaveAndLoad) {
  cRegistry cR;
  cR.ClassKey(0);  // no root: every write fails
  cR.SectionKey("Software\\Ostrel\\Halvine");
  const cMRUFileList list = ListOf(4, {"a"});
  EXPECT_FALSE(list.Save(cR));
  cMRUFileList loaded;
  loaded.MaxFileCount(4);
  EXPECT_TRUE(loaded.Load(cR));  // no key: nothing to read
  EXPECT_EQ(loaded.FileCount(), 0);
}

// The list is stored whole or not at all: a process killed while it stores the list on its way
// out leaves the old list or the new one, never a mixture.
TEST(MRUFileListKilled, SaveKilledMidwayLeavesTheOldListOrTheNew) {
  test::cTempDir dir;
  const std::string sFile = dir.File("registry.sqlite");
  const cMRUFileList lists[2] = {ListOf(4, {"p", "q", "r", "s"}), ListOf(4, {"s", "r", "q", "p"})};
  // The list in the settings file after fnBefore ran on a fresh list.
  const auto stored = [&](const std::function<void(cRegistry&)>& fn) {
    cSqliteRegistryStore store(sFile);
    cRegistry cR(store);
    cR.ClassKey(kHKeyCurrentUser);
    cR.SectionKey("Software\\Ostrel\\Halvine");
    fn(cR);
    cMRUFileList loaded;
    loaded.MaxFileCount(4);
    loaded.Load(cR);
    return Entries(loaded);
  };
  ASSERT_EQ(stored([&](cRegistry& cR) { lists[0].Save(cR); }), Entries(lists[0]));
  constexpr int kKills = 64;
  int iTorn = 0;
  for (int iKill = 0; iKill < kKills; ++iKill) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      stored([&](cRegistry& cR) {
        for (int i = 1;; ++i) {
          if (!lists[i % 2].Save(cR) || write(fds[1], "+", 1) != 1) _exit(2);
        }
      });
    }
    close(fds[1]);
    // Two saves done give the time one takes; the kill lands at a moment that moves through
    // the next save from one round to the next.
    char c = 0;
    ASSERT_EQ(read(fds[0], &c, 1), 1);
    const auto tFirst = std::chrono::steady_clock::now();
    ASSERT_EQ(read(fds[0], &c, 1), 1);
    std::this_thread::sleep_for((std::chrono::steady_clock::now() - tFirst) * ((iKill * 37) % 64) /
                                64);
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(fds[0]);
    const std::vector<std::string> after = stored([](cRegistry&) {});
    if (after != Entries(lists[0]) && after != Entries(lists[1])) ++iTorn;
  }
  EXPECT_EQ(iTorn, 0) << iTorn << " of " << kKills << " kills left a torn list";
}

}  // namespace
}  // namespace brennic
