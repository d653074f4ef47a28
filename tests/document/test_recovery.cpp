// Recovery data on disk: handed to the next copy only, damage left alone, kills leave whole files.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <tuple>

#include "document/cRecoveryStore.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Unpacked(const sRecoveredPicture& cPicture) {
  std::vector<uint8_t> bytes(cPicture.picture.lSize);
  UnpackBytes(cPicture.picture, bytes.data());
  return bytes;
}

// How many picture files the recovery folder holds, in all its copies' folders.
size_t PictureFiles(const fs::path& root) {
  size_t n = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    n += entry.path().extension() == ".brec" ? 1 : 0;
  return n;
}

TEST(RecoveryStore, KeptPicturesComeBackToTheNextCopyNeverToOneStillRunning) {
  const test::cTempDir root;
  std::mt19937 rng(3);
  const auto a1 = test::MakeRandomImage(5, 3, rng);
  const auto a2 = test::MakeRandomImage(7, 2, rng);
  const auto b = test::MakeRandomImage(3, 3, rng);
  cRecoveryStore off("");  // without a folder the store is off and keeps nothing
  off.Keep(1, "a", "a", false, *a1);
  off.Flush();
  EXPECT_EQ(std::tuple(off.Enabled(), off.FindLeftBehind().pictures.size()), std::tuple(false, 0u));
  {
    cRecoveryStore first(root.Path().string());
    ASSERT_TRUE(first.Enabled());
    first.Keep(1, "/p/cat.bmp", "/p/cat.bmp", false, *a1);
    first.Keep(2, "Image 4", "Image 4", true, *b);
    first.Keep(1, "/p/cat.bmp", "/p/cat.bmp", false, *a2);  // the latest state wins
    first.Flush();
    EXPECT_EQ(PictureFiles(root.Path()), 2u);
    cRecoveryStore second(root.Path().string());
    EXPECT_TRUE(second.FindLeftBehind().pictures.empty());
  }
  // The first copy is gone: the next one finds its pictures.
  cRecoveryStore third(root.Path().string());
  cRecoveryStore::sLeftBehind found = third.FindLeftBehind();
  EXPECT_TRUE(found.damaged.empty());
  ASSERT_EQ(found.pictures.size(), 2u);
  std::sort(found.pictures.begin(), found.pictures.end(),
            [](const auto& x, const auto& y) { return x.sName < y.sName; });
  const sRecoveredPicture& cCat = found.pictures[0];
  const sRecoveredPicture& cNew = found.pictures[1];
  EXPECT_EQ(
      std::tie(cCat.sName, cCat.bNoFile, cCat.lWidth, cCat.lHeight, cNew.sCaption, cNew.bNoFile),
      std::make_tuple("/p/cat.bmp", false, 7, 2, "Image 4", true));
  EXPECT_EQ(std::tuple(Unpacked(cCat), Unpacked(cNew)),
            std::tuple(test::Bytes(*a2), test::Bytes(*b)));
  // While the third holds them, a fourth copy sees nothing; once discarded they are gone.
  EXPECT_TRUE(cRecoveryStore(root.Path().string()).FindLeftBehind().pictures.empty());
  third.DiscardLeftBehind(found);
  EXPECT_EQ(std::tuple(PictureFiles(root.Path()),
                       cRecoveryStore(root.Path().string()).FindLeftBehind().pictures.size()),
            std::tuple(0u, 0u));
}

TEST(RecoveryStore, DamagedAndForeignFilesAreReportedAndLeftAlone) {
  const test::cTempDir root;
  std::vector<uint8_t> pixel = {1, 2, 3, 0};
  const sRecoveredPicture cGood{"good", "", false, 1, 1, PackBytes(pixel.data(), pixel.size()), ""};
  const std::vector<uint8_t> good = cRecoveryStore::Encode(cGood);
  struct sCase {
    const char* sName;
    std::vector<uint8_t> bytes;
    bool bRead;
  };
  std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
  std::vector<uint8_t> flipped = good;
  flipped[20] ^= 0x10;
  std::vector<uint8_t> newer = good;
  newer[8] = 2;  // a version this program does not know
  const std::vector<sCase> cases = {
      {"picture-1.brec", good, true},     {"picture-2.brec", truncated, false},
      {"picture-3.brec", flipped, false}, {"picture-4.brec", newer, false},
      {"notes.txt", {'h', 'i'}, false},   {"picture-5.brec", {}, false}};
  const fs::path dead = root.Path() / "1-dead";
  fs::create_directories(dead);
  std::ofstream(dead / "lock").close();
  std::ofstream(dead / ".rec-0000.tmp") << "cut short";
  for (const sCase& c : cases)
    std::ofstream(dead / c.sName, std::ios::binary)
        .write(reinterpret_cast<const char*>(c.bytes.data()),
               static_cast<std::streamsize>(c.bytes.size()));
  cRecoveryStore store(root.Path().string());
  const cRecoveryStore::sLeftBehind found = store.FindLeftBehind();
  ASSERT_EQ(found.pictures.size(), 1u);
  EXPECT_EQ(std::tuple(found.pictures[0].sName, Unpacked(found.pictures[0]), found.damaged.size()),
            std::tuple("good", pixel, 5u));
  store.DiscardLeftBehind(found);
  for (const sCase& c : cases)
    EXPECT_EQ(fs::exists(dead / c.sName), !c.bRead) << c.sName;
  EXPECT_FALSE(fs::exists(dead / ".rec-0000.tmp"));
}

// Children killed with SIGKILL at random moments while they write a picture's recovery data
// over and over: the next copy finds the previous or the new state of it, complete, and never a
// damaged file.
TEST(RecoveryStore, KilledWritesLeaveThePreviousOrTheNewStateComplete) {
  const int lTrials = 30;
  const test::cTempDir root;
  std::mt19937 rng(11);
  const auto a = test::MakeRandomImage(1500, 1000, rng);
  const auto b = test::MakeRandomImage(1500, 1000, rng);
  const std::vector<uint8_t> bytesA = test::Bytes(*a);
  const std::vector<uint8_t> bytesB = test::Bytes(*b);
  int iComplete = 0;  // kills after which a state was found
  for (int i = 0; i < lTrials; ++i) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      cRecoveryStore store(root.Path().string());
      for (int n = 0;; ++n) {
        store.Keep(7, "/p/x.bmp", "/p/x.bmp", false, n % 2 == 0 ? *a : *b);
        store.Flush();
        if (n == 0 && write(fds[1], "w", 1) != 1) _exit(1);
      }
    }
    close(fds[1]);
    char c = 0;
    // The first state is on disk; the kill falls somewhere in the writes after it, or before.
    if (i % 4 != 0) {
      ASSERT_EQ(read(fds[0], &c, 1), 1);
    }
    close(fds[0]);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, 60000)(rng)));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    cRecoveryStore next(root.Path().string());
    const cRecoveryStore::sLeftBehind found = next.FindLeftBehind();
    ASSERT_TRUE(found.damaged.empty()) << "trial " << i << ": " << found.damaged[0];
    ASSERT_LE(found.pictures.size(), 1u);
    if (!found.pictures.empty()) {
      const std::vector<uint8_t> now = Unpacked(found.pictures[0]);
      ASSERT_TRUE(now == bytesA || now == bytesB) << "trial " << i;
      ++iComplete;
    }
    next.DiscardLeftBehind(found);
  }
  EXPECT_GT(iComplete, 0);
}

}  // namespace
}  // namespace brennic
