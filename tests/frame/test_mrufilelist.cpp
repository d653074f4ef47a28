#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "frame/cMRUFileList.h"
#include "platform/cRegistry.h"
#include "support/RegistryTestUtil.h"

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

TEST(MRUFileList, NewestFirstAndAFullListDropsTheOldest) {
  const cMRUFileList list = ListOf(4, {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
  EXPECT_EQ(list.FileCount(), 4);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"e.bmp", "d.bmp", "c.bmp", "b.bmp"}));
  EXPECT_TRUE(list.FileExists(4));
  EXPECT_FALSE(list.FileExists(5));
  EXPECT_EQ(list.File(0), "");
  EXPECT_EQ(list.File(5), "");
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

TEST(MRUFileList, CapacityChangesKeepWhatFits) {
  cMRUFileList list;
  EXPECT_EQ(list.MaxFileCount(), 0);
  list.AddFile("lost.bmp");  // no capacity: nowhere to store it
  EXPECT_EQ(list.FileCount(), 0);
  EXPECT_FALSE(list.FileExists(1));

  list = ListOf(4, {"a", "b", "c"});
  list.MaxFileCount(6);
  EXPECT_EQ(list.MaxFileCount(), 6);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"c", "b", "a"}));
  list.MaxFileCount(2);
  EXPECT_EQ(list.FileCount(), 2);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"c", "b"}));
  EXPECT_EQ(list.File(3), "");
  list.AddFile("d");
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"d", "c"}));
  list.MaxFileCount(-1);
  EXPECT_EQ(list.MaxFileCount(), 0);
  EXPECT_EQ(list.FileCount(), 0);
}

TEST(MRUFileList, MenuCaptionsShortenLongPathsAtAFolder) {
  cMRUFileList list;
  list.MaxFileCount(4);
  const auto caption = [&list](const std::string& sPath) {
    list.AddFile(sPath);
    return list.MenuCaption(1);
  };
  EXPECT_EQ(caption("C:\\pics\\a.bmp"), "&1)  C:\\pics\\a.bmp");

  // 50 characters, separators at 3 and 21: the tail after the second fits in 32.
  const std::string sFolder17(17, 'F');
  const std::string sFile29 = std::string(25, 'n') + ".bmp";
  const std::string s50 = "C:\\" + sFolder17 + "\\" + sFile29;
  ASSERT_EQ(s50.size(), 50u);
  EXPECT_EQ(caption(s50), "&1)  ...\\" + sFile29);

  // A 40-character name after C:\dir\: no tail fits, so the cut is at the last separator and
  // the folder does not appear.
  const std::string sFile40 = std::string(36, 'n') + ".bmp";
  EXPECT_EQ(caption("C:\\dir\\" + sFile40), "&1)  ...\\" + sFile40);

  // The leftmost separator whose tail fits wins.
  const std::string sDeep = "C:\\" + std::string(20, 'a') + "\\bb\\cc\\" + std::string(20, 'f');
  EXPECT_EQ(caption(sDeep), "&1)  ...\\bb\\cc\\" + std::string(20, 'f'));

  // Up to 32 characters nothing is shortened; a long path without separators stays whole.
  const std::string s32 = "C:\\" + std::string(29, 'x');
  EXPECT_EQ(caption(s32), "&1)  " + s32);
  const std::string sPlain(60, 'p');
  EXPECT_EQ(caption(sPlain), "&1)  " + sPlain);
  // A cut is only made when a separator further left has a tail that does not fit.
  const std::string sLead = "\\" + std::string(32, 'q');
  EXPECT_EQ(caption(sLead), "&1)  " + sLead);
  const std::string sLead2 = "\\\\" + std::string(32, 'q');
  EXPECT_EQ(caption(sLead2), "&1)  ...\\" + std::string(32, 'q'));

  // Folder separators of this platform count too, and characters count, not bytes.
  const std::string sHome = "/home/someone/pictures/holiday/" + std::string(20, 'h') + ".bmp";
  EXPECT_EQ(caption(sHome), "&1)  .../holiday/" + std::string(20, 'h') + ".bmp");
  std::string sUmlauts = "/";
  for (int i = 0; i < 30; ++i)
    sUmlauts += "\xC3\xA4";  // 31 characters, 61 bytes
  EXPECT_EQ(caption(sUmlauts), "&1)  " + sUmlauts);

  // An "&" is doubled, so that the menu shows it rather than underlining the next character;
  // a shortened path is escaped after shortening.
  EXPECT_EQ(caption("/pics/R&D/a&&b.bmp"), "&1)  /pics/R&&D/a&&&&b.bmp");
  EXPECT_EQ(caption("/" + std::string(30, 'x') + "/&" + std::string(30, 'y')),
            "&1)  .../&&" + std::string(30, 'y'));

  list.AddFile(sUmlauts);
  list.AddFile("b.bmp");
  EXPECT_EQ(list.MenuCaption(2), "&2)  " + sUmlauts);
  EXPECT_EQ(list.MenuCaption(4).substr(0, 5), "&4)  ");
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
  Variant Get(const std::string& sName) {
    m_cR.ValueKey(sName);
    return m_cR.Value();
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
  void PutFiles(int n) {
    for (int i = 1; i <= n; ++i)
      Put("File" + std::to_string(i), kRegSz, "f" + std::to_string(i));
  }

  test::cScopedRegistry m_registry;
  cRegistry m_cR;
};

TEST_F(MRUStorage, SaveWritesCapacityCountAndEntries) {
  cMRUFileList list = ListOf(4, {"a.bmp", "b.bmp"});
  ASSERT_TRUE(list.Save(m_cR));
  EXPECT_EQ(Get("MaxCount"), Variant(4));
  EXPECT_EQ(m_cR.ValueType(), kRegDword);
  EXPECT_EQ(Get("Count"), Variant(2));
  EXPECT_EQ(Get("File1"), Variant(std::string("b.bmp")));
  EXPECT_EQ(m_cR.ValueType(), kRegSz);
  EXPECT_EQ(Get("File2"), Variant(std::string("a.bmp")));
  EXPECT_EQ(Get("File3"), Variant());

  // A shorter list leaves the former entries beyond its count where they were.
  Put("Count", kRegDword, 0);
  Put("File3", kRegSz, std::string("old.bmp"));
  list = ListOf(4, {"z.bmp"});
  ASSERT_TRUE(list.Save(m_cR));
  EXPECT_EQ(Get("Count"), Variant(1));
  EXPECT_EQ(Get("File3"), Variant(std::string("old.bmp")));
  EXPECT_EQ(Entries(Loaded()), std::vector<std::string>{"z.bmp"});
}

// Paths are data: whatever they contain, they are stored as plain text and come back as written,
// also when an earlier version stored them as expandable text.
TEST_F(MRUStorage, PathsComeBackByteForByte) {
  ASSERT_NE(std::getenv("HOME"), nullptr);
  const std::vector<std::string> paths = {"/data/%HOME%/a.bmp", "/tmp/50% to 75%.bmp",
                                          "/tmp/caf\xE9.bmp", "%HOME%"};
  ASSERT_TRUE(ListOf(4, paths).Save(m_cR));
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(test::RawValue(m_registry.Store(), kHKeyCurrentUser, "Software\\Ostrel\\Halvine",
                             "File" + std::to_string(i))
                  .first,
              static_cast<uint32_t>(kRegSz));
  }
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
}

TEST_F(MRUStorage, EmptyStoreLoadsNothingAndFirstCloseWritesTheDefaults) {
  cMRUFileList list = Loaded();
  EXPECT_EQ(list.MaxFileCount(), 4);
  EXPECT_EQ(list.FileCount(), 0);
  EXPECT_FALSE(list.FileExists(1));
  ASSERT_TRUE(list.Save(m_cR));
  EXPECT_EQ(Get("MaxCount"), Variant(4));
  EXPECT_EQ(Get("Count"), Variant(0));
  EXPECT_EQ(Get("File1"), Variant());
}

TEST_F(MRUStorage, RoundTripKeepsOrderAndSpelling) {
  const cMRUFileList saved =
      ListOf(4, {"C:\\One.bmp", "/home/u/Two.gif", "\xC3\x84.ico", "four.dib"});
  ASSERT_TRUE(saved.Save(m_cR));
  const cMRUFileList loaded = Loaded();
  EXPECT_EQ(loaded.MaxFileCount(), 4);
  EXPECT_EQ(Entries(loaded), Entries(saved));

  // A smaller stored capacity becomes the list's capacity.
  ASSERT_TRUE(ListOf(2, {"x", "y"}).Save(m_cR));
  const cMRUFileList two = Loaded();
  EXPECT_EQ(two.MaxFileCount(), 2);
  EXPECT_EQ(Entries(two), (std::vector<std::string>{"y", "x"}));
}

TEST_F(MRUStorage, LargeStoredCountsLoadAtMostFourEntries) {
  Put("MaxCount", kRegDword, 10);
  Put("Count", kRegDword, 10);
  PutFiles(10);
  cMRUFileList list = Loaded();
  EXPECT_EQ(list.MaxFileCount(), 4);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"f1", "f2", "f3", "f4"}));
  list.AddFile("new");
  EXPECT_EQ(list.FileCount(), 4);
  ASSERT_TRUE(list.Save(m_cR));
  EXPECT_EQ(Get("MaxCount"), Variant(4));
  EXPECT_EQ(Get("Count"), Variant(4));

  // A count above the stored capacity stops at the capacity.
  Put("MaxCount", kRegDword, 2);
  Put("Count", kRegDword, 5);
  list = Loaded();
  EXPECT_EQ(list.MaxFileCount(), 2);
  EXPECT_EQ(list.FileCount(), 2);
  EXPECT_EQ(Entries(list), (std::vector<std::string>{"new", "f1"}));

  // A negative count reads no entries.
  Put("MaxCount", kRegDword, 4);
  Put("Count", kRegDword, -3);
  EXPECT_EQ(Loaded().FileCount(), 0);
}

TEST_F(MRUStorage, UnusableCapacityKeepsTheListAsItWasAndReportsFalse) {
  Put("Count", kRegDword, 3);
  PutFiles(3);
  for (const Variant& vMax : {Variant(0), Variant(-4), Variant(std::string("many"))}) {
    Put("MaxCount", vMax.index() == 3 ? kRegSz : kRegDword, vMax);
    const cMRUFileList list = Loaded(false);
    EXPECT_EQ(list.MaxFileCount(), 4);
    EXPECT_EQ(list.FileCount(), 0);
  }
  // The key exists (other settings live there) but holds no capacity.
  m_cR.ValueKey("MaxCount");
  m_cR.DeleteValue();
  const cMRUFileList list = Loaded(false);
  EXPECT_EQ(list.MaxFileCount(), 4);
  EXPECT_EQ(list.FileCount(), 0);

  // A capacity written as text still counts.
  Put("MaxCount", kRegSz, std::string("3"));
  EXPECT_EQ(Entries(Loaded()), (std::vector<std::string>{"f1", "f2", "f3"}));
}

TEST_F(MRUStorage, MissingEntriesLoadEmptyAndAreNotShown) {
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
  const auto key = [](cRegistry& cR) {
    cR.ClassKey(kHKeyCurrentUser);
    cR.SectionKey("Software\\Ostrel\\Halvine");
  };
  {
    cSqliteRegistryStore store(sFile);
    cRegistry cR(store);
    key(cR);
    ASSERT_TRUE(lists[0].Save(cR));
  }
  constexpr int kKills = 64;
  int iTorn = 0;
  for (int iKill = 0; iKill < kKills; ++iKill) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      cSqliteRegistryStore store(sFile);
      cRegistry cR(store);
      key(cR);
      for (int i = 1;; ++i) {
        if (!lists[i % 2].Save(cR) || write(fds[1], "+", 1) != 1) _exit(2);
      }
    }
    close(fds[1]);
    // Two saves done give the time one takes; the kill lands at a moment that moves through
    // the next save from one round to the next.
    char c = 0;
    ASSERT_EQ(read(fds[0], &c, 1), 1);
    const auto tFirst = std::chrono::steady_clock::now();
    ASSERT_EQ(read(fds[0], &c, 1), 1);
    const auto tSave = std::chrono::steady_clock::now() - tFirst;
    std::this_thread::sleep_for(tSave * ((iKill * 37) % 64) / 64);
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(fds[0]);
    cSqliteRegistryStore store(sFile);
    cRegistry cR(store);
    key(cR);
    cMRUFileList loaded;
    loaded.MaxFileCount(4);
    loaded.Load(cR);
    if (Entries(loaded) != Entries(lists[0]) && Entries(loaded) != Entries(lists[1])) ++iTorn;
  }
  EXPECT_EQ(iTorn, 0) << iTorn << " of " << kKills << " kills left a torn list";
}

}  // namespace
}  // namespace brennic
