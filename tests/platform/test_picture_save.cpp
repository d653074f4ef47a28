// Saving pictures: the bitmap layout, round trips, atomic replacement, failures.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "PictureTestUtil.h"

namespace brennic {
namespace {

std::string SaveError(cDIBSection& img, const std::string& sPath) {
  try {
    SavePicture(img, sPath);
  } catch (const cError& e) {
    EXPECT_EQ(e.Source(), ExeBaseName() + ".SavePicture");
    return e.Description();
  }
  return "";
}

TEST(SaveBitmap, ThreeByTwoMatchesTheHandComputedFile) {
  // Top row red, green, blue; bottom row white, black, (r 10, g 20, b 30).
  const auto img = test::MakeImageFromRows(
      {{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}, {{255, 255, 255}, {0, 0, 0}, {30, 20, 10}}});
  test::cScratch dir;
  const std::string sPath = dir.Path("three.ico");  // the extension changes nothing
  SavePicture(*img, sPath);
  test::cBytes expected;
  // File header: "BM", file size 54 + 12 x 2, 0, pixels at 54.
  expected.Text("BM").U32(78).U32(0).U32(54);
  // Info header: 40, 3 x +2, 1 plane, 24 bits, BI_RGB, 24 bytes.
  expected.U32(40).U32(3).U32(2).U16(1).U16(24).U32(0).U32(24).Zeros(16);
  // Bottom row first, padded with zeros to 12 bytes (the buffer's padding holds 0xA5).
  expected.Raw({255, 255, 255, 0, 0, 0, 30, 20, 10, 0, 0, 0});
  expected.Raw({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0});
  EXPECT_EQ(test::ReadAll(sPath).toHex(' '), expected.Bytes().toHex(' '));
  EXPECT_EQ(BitmapFileBytes(img->hdc()), expected.Bytes());
}

// Rows already padded with zeros are written where they lie, the others through a copy; a mix keeps
// the order, and so do blocks of several megabytes.
TEST(SaveBitmap, RowsWrittenInPlaceAndCopiedKeepTheirOrder) {
  const auto mixed = test::MakeImage(1, 3, {1, 2, 3});  // padding bytes hold 0xA5
  std::memcpy(mixed->DIBSectionBitsPtr() + 4, "\x07\x08\x09\x00", 4);
  EXPECT_EQ(BitmapFileBytes(mixed->hdc()).mid(54).toHex(), QByteArray("010203000708090001020300"));
  std::mt19937 rng(7);
  const auto large = test::MakeRandomImage(2048, 1500, rng);
  const auto memory = test::Bytes(*large);
  EXPECT_TRUE(BitmapFileBytes(large->hdc()).mid(54) ==
              QByteArray(reinterpret_cast<const char*>(memory.data()),
                         static_cast<qsizetype>(memory.size())));
}

// Saves and reloads; checks the file size and every pixel byte.
void RoundTrip(const test::cScratch& dir, const cDIBSection& img, const std::string& sName) {
  const std::string sPath = dir.Path(sName);
  SavePicture(const_cast<cDIBSection&>(img), sPath);
  const int64_t lStride = ((int64_t{img.Width()} + 1) * 3) & ~int64_t{3};
  ASSERT_EQ(std::filesystem::file_size(sPath), 54 + lStride * img.Height()) << sName;
  const auto back = test::LoadAsImage(sPath);
  ASSERT_EQ(back->Width(), img.Width());
  ASSERT_EQ(back->Height(), img.Height());
  ASSERT_EQ(test::PixelBytes(*back), test::PixelBytes(img)) << sName;
}

// Random pixels at every padding residue, the thin shapes 1 x N and N x 1, and large ones.
TEST(SaveBitmap, RandomRoundTrips) {
  const test::cScratch dir(/*bInMemory=*/true);
  std::mt19937 rng(20240605);
  for (const auto& [w, h] : std::vector<std::pair<int32_t, int32_t>>{
           {1, 1}, {2, 1}, {3, 2}, {4, 3}, {5, 7}, {1, 300}, {4097, 1}, {63, 64}, {2049, 301}})
    RoundTrip(dir, *test::MakeRandomImage(w, h, rng), "trip.bmp");
}

ssize_t FullDisk(int, const void*, size_t) {
  errno = ENOSPC;
  return -1;
}
ssize_t WritesNothing(int, const void*, size_t) {
  return 0;
}

// Each failure says why, names the existing file only when there is one, and leaves the folder as
// it was. Names are relative to the scratch folder; {dir} in a description stands for it.
TEST(SaveFailure, EachFailureSaysWhyAndLeavesTheFolderAsItWas) {
  test::cScratch dir;
  dir.Write("old.bmp", "old");
  std::filesystem::create_directory(dir.Path("sub"));
  const std::string sDir = dir.Path("").substr(0, dir.Path("").size() - 1);
  const auto img = test::MakeImage(3, 3);
  cDIBSection empty;
  const std::string sFull = "There is not enough space on the disk.";
  const std::string sKept = " The existing file of that name was left as it was.";
  const struct {
    std::string sName;  // "": no name at all
    cDIBSection* pImage;
    ssize_t (*pfnWrite)(int, const void*, size_t);
    std::string sWhy;
  } cases[] = {
      {"x.bmp", &empty, nullptr, "There is no picture to save."},
      {"", img.get(), nullptr, "No file name was given."},
      {"no-such-folder/x.bmp", img.get(), nullptr,
       "The folder '{dir}/no-such-folder' does not exist."},
      {"sub", img.get(), nullptr, "'{dir}/sub' is a folder."},
      {"new.bmp", img.get(), FullDisk, sFull},
      {"old.bmp", img.get(), FullDisk, sFull + sKept},
      {"new.bmp", img.get(), WritesNothing, sFull},  // a write of no bytes: the disk is full
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sName + " " + c.sWhy);
    cPictureFileOps ops;
    if (c.pfnWrite != nullptr) ops.pfnWrite = c.pfnWrite;
    SetPictureFileOps(ops);
    std::string sWhy = SaveError(*c.pImage, c.sName.empty() ? "" : dir.Path(c.sName));
    SetPictureFileOps({});
    if (const size_t at = c.sWhy.find("{dir}"); at != std::string::npos) {
      EXPECT_EQ(sWhy, std::string(c.sWhy).replace(at, 5, sDir));
    } else {
      EXPECT_EQ(sWhy, c.sWhy);
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"old.bmp", "sub"}));
    EXPECT_EQ(test::ReadAll(dir.Path("old.bmp")), "old");
  }
}

// A write stopped while it runs or at the last moment (an interrupted command-line run) leaves
// everything as it was, whatever the format.
TEST(SaveFailure, ARefusedCommitLeavesNothingBehind) {
  test::cScratch dir;
  dir.Write("old.bmp", "old");
  const auto img = test::MakeImage(3, 3, {1, 2, 3});
  const QImage image = ImageOfSurface(img->hdc());
  const sWriteStop refuse{{}, [] { return false; }};
  const sWriteStop stopped{[] { return true; }, [] { return true; }};
  const std::vector<std::function<void()>> writes = {
      [&] { SavePicture(*img, dir.Path("old.bmp"), refuse); },
      [&] { SavePicture(*img, dir.Path("new.bmp"), stopped); },
      [&] { ExportPicture(image, dir.Path("new.jpg"), ePictureFormat::Jpeg, 90, refuse); },
      [&] { PictureFileBytes(image, ePictureFormat::Tiff, 90, stopped); }};
  for (const auto& write : writes) {
    try {
      write();
      ADD_FAILURE() << "the write went through";
    } catch (const cError& e) {
      EXPECT_EQ(e.Number(), kErrCancelled);
    }
  }
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"old.bmp"});
  EXPECT_EQ(test::ReadAll(dir.Path("old.bmp")), "old");
}

TEST(SaveFailure, AFolderWithoutWritePermission) {
  test::cScratch dir;
  const std::string sFolder = dir.Path("locked");
  std::filesystem::create_directory(sFolder);
  const std::string sPath = sFolder + "/keep.bmp";
  { std::ofstream(sPath) << "old"; }
  std::filesystem::permissions(
      sFolder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                   std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  std::filesystem::permissions(dir.Path(""), std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  const auto img = test::MakeImage(3, 3);
  // Root may write anywhere: the check runs as an unprivileged user then.
  const int lStatus = test::InChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 3;
    const std::string sWhy = SaveError(*img, sPath);
    return sWhy.rfind("The file cannot be written in the folder '" + sFolder + "' (", 0) == 0 ? 0
                                                                                              : 1;
  });
  if (lStatus == 3) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(lStatus, 0);
  EXPECT_EQ(test::ReadAll(sPath), "old");
  std::filesystem::permissions(sFolder, std::filesystem::perms::owner_all);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sFolder),
                          std::filesystem::directory_iterator()),
            1);
}

std::vector<std::string> g_synced;
std::string g_sSyncTarget;
int RecordSync(int fd) {
  struct stat info {};
  fstat(fd, &info);
  g_synced.push_back(!S_ISDIR(info.st_mode)                  ? "file"
                     : test::ReadAll(g_sSyncTarget) == "old" ? "folder before the rename"
                                                             : "folder after the rename");
  return 0;
}

// Saving over a file flushes the new file, then its folder once the name leads to it (a power
// cut leaves the old or the new picture), and keeps the file's permissions.
TEST(SaveAtomic, SavingOverAFileFlushesInOrderAndKeepsItsMode) {
  test::cScratch dir;
  g_sSyncTarget = dir.Write("old.bmp", "old");
  ASSERT_EQ(chmod(g_sSyncTarget.c_str(), 0604), 0);
  g_synced.clear();
  cPictureFileOps ops;
  ops.pfnSync = RecordSync;
  SetPictureFileOps(ops);
  SavePicture(*test::MakeImage(2, 2), g_sSyncTarget);
  SetPictureFileOps({});
  EXPECT_EQ(g_synced, (std::vector<std::string>{"file", "folder after the rename"}));
  struct stat info {};
  ASSERT_EQ(stat(g_sSyncTarget.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
}

// A large picture whose every byte depends on a seed.
std::unique_ptr<cMemorySurface> LargePicture(uint8_t seed) {
  auto surface = std::make_unique<cMemorySurface>(1000, 800);
  for (int32_t y = 0; y < surface->SurfaceHeight(); ++y) {
    uint8_t* p = surface->DisplayRow(y);
    for (int32_t x = 0; x < 3 * surface->SurfaceWidth(); ++x)
      p[x] = static_cast<uint8_t>(seed + 7 * x + 13 * y);
  }
  return surface;
}

// Children killed with SIGKILL at random moments of a save over an existing file: the target is
// always the complete old or the complete new file. BRENNIC_KILL_TRIALS sets the number of kills
// (1,000 for the full figure; the suite runs fewer to stay quick).
TEST(SaveAtomic, KilledSavesLeaveTheOldOrTheNewFile) {
  const char* sCount = std::getenv("BRENNIC_KILL_TRIALS");
  const int lTrials = sCount != nullptr ? std::atoi(sCount) : test::kSanitized ? 40 : 100;
  const test::cScratch dir(/*bInMemory=*/true);
  const std::string sPath = dir.Path("target.bmp");
  const auto a = LargePicture(1);
  const auto b = LargePicture(2);
  const QByteArray fileA = BitmapFileBytes(a.get());
  const QByteArray fileB = BitmapFileBytes(b.get());
  SavePicture(a.get(), sPath);

  // Starts a child that saves pNext over the target; returns once its save has begun.
  auto startSave = [&](cMemorySurface* pNext) -> pid_t {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      const char c = 's';
      if (write(fds[1], &c, 1) != 1) _exit(1);
      SavePicture(pNext, sPath);
      _exit(0);
    }
    close(fds[1]);
    char c = 0;
    const bool bStarted = read(fds[0], &c, 1) == 1;
    close(fds[0]);
    return bStarted ? pid : -1;
  };

  // How long a save takes, to spread the kills over it.
  int64_t lSaveUs = 0;
  for (cMemorySurface* pNext : {b.get(), a.get(), b.get()}) {
    const auto tStart = std::chrono::steady_clock::now();
    SavePicture(pNext, sPath);
    lSaveUs = std::max<int64_t>(lSaveUs, std::chrono::duration_cast<std::chrono::microseconds>(
                                             std::chrono::steady_clock::now() - tStart)
                                             .count());
  }
  ASSERT_EQ(test::ReadAll(sPath), fileB);

  std::mt19937 rng(99);
  for (int i = 0; i < lTrials; ++i) {
    const bool bHoldsA = test::ReadAll(sPath) == fileA;
    const pid_t pid = startSave(bHoldsA ? b.get() : a.get());
    ASSERT_GT(pid, 0);
    const auto lDelay = std::uniform_int_distribution<int64_t>(0, lSaveUs)(rng);
    std::this_thread::sleep_for(std::chrono::microseconds(lDelay));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const QByteArray now = test::ReadAll(sPath);
    ASSERT_TRUE(now == fileA || now == fileB)
        << "trial " << i << ": the target holds " << now.size() << " bytes of neither picture";
    // A kill between linking the finished temporary file and renaming it leaves that file.
    for (const std::string& sName : dir.Names()) {
      if (sName == "target.bmp") continue;
      std::filesystem::remove(dir.Path(sName));
    }
  }
}

}  // namespace
}  // namespace brennic
