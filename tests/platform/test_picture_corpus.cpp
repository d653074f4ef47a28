// The shared corpus through the real loader, in child processes (brennic_picture_digest): no
// crash or hang, the same bytes whatever fills fresh memory, the manifest's verdicts kept.

#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "PictureTestUtil.h"

namespace brennic {
namespace {

// A load slower than this counts as a hang.
constexpr int64_t kHangMs = test::kSanitized ? 5000 : 2000;

struct cResult {
  std::string sOutcome;  // "OK\t<w>x<h>\t<digest>" or "REFUSED\t<number>\t<description>"
  int64_t lMs = 0;
  bool Decoded() const { return sOutcome.rfind("OK\t", 0) == 0; }
};

struct cRun {
  int lStatus = -1;  // exit status; 128 + signal when killed
  std::string sErrors;
  std::map<std::string, cResult> results;
};

// Runs the digest tool on files (relative to root) with malloc filling fresh memory with lFill;
// a child that hangs is stopped after a generous wait.
cRun RunDigest(const std::filesystem::path& root, const std::vector<std::string>& files, int lFill,
               std::chrono::milliseconds tLimit = std::chrono::minutes(5)) {
  QProcess process;
  process.setWorkingDirectory(QString::fromStdString(root.string()));
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const QString sAsan = environment.value("ASAN_OPTIONS");
  environment.insert("ASAN_OPTIONS",
                     (sAsan.isEmpty() ? "" : sAsan + ":") +
                         QString("malloc_fill_byte=%1:max_malloc_fill_size=1073741824").arg(lFill));
  environment.insert("MALLOC_PERTURB_", QString::number(lFill));
  process.setProcessEnvironment(environment);
  QStringList args;
  for (const std::string& sFile : files)
    args << QString::fromStdString(sFile);
  process.start(BRENNIC_PICTURE_DIGEST, args);
  if (!process.waitForFinished(static_cast<int>(tLimit.count()))) process.kill();
  process.waitForFinished();
  cRun run;
  run.lStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 128;
  run.sErrors = process.readAllStandardError().toStdString();
  std::istringstream out(process.readAllStandardOutput().toStdString());
  // path TAB outcome TAB milliseconds
  for (std::string sLine; std::getline(out, sLine);) {
    const size_t lFirst = sLine.find('\t'), lLast = sLine.rfind('\t');
    if (lFirst == std::string::npos || lLast <= lFirst) continue;
    run.results[sLine.substr(0, lFirst)] = {sLine.substr(lFirst + 1, lLast - lFirst - 1),
                                            std::atoll(sLine.c_str() + lLast + 1)};
  }
  return run;
}

std::vector<std::string> CorpusFiles(const std::filesystem::path& root) {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    const std::string sExt = e.path().extension().string();
    if (sExt == ".md" || sExt == ".py" || sExt == ".tsv") continue;  // notes, not pictures
    files.push_back(std::filesystem::relative(e.path(), root).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

struct cExpectation {
  std::string sExpect;  // "decode", "refuse", "lenient", ...
  std::string sQt;      // what Qt 6.4 did: "OK 127x64 ..." or "refused: ..."
};

// The rows of MANIFEST.md: | `file` | class | exercises | expectation | Qt 6.4 |.
std::map<std::string, cExpectation> ReadManifest(const std::filesystem::path& root) {
  std::map<std::string, cExpectation> rows;
  std::ifstream in(root / "MANIFEST.md");
  std::string sLine;
  while (std::getline(in, sLine)) {
    // Cells between the bars; the exercises column may be anything but a bar.
    std::vector<std::string> cells;
    std::stringstream ss(sLine);
    for (std::string s; std::getline(ss, s, '|');)
      cells.push_back(s);
    if (cells.size() != 6 || !cells[0].empty()) continue;  // getline drops the last, empty cell
    for (auto& c : cells) {
      c.erase(0, c.find_first_not_of(' '));
      c.erase(c.find_last_not_of(' ') + 1);
    }
    const std::string& sFile = cells[1];
    const std::string& sClass = cells[2];
    if (sFile.size() < 3 || sFile.front() != '`' || sFile.back() != '`') continue;
    if (sClass != "valid" && sClass != "questionable" && sClass != "invalid") continue;
    rows[sFile.substr(1, sFile.size() - 2)] = {cells[4], cells[5]};
  }
  return rows;
}

// Files whose headers claim sizes far beyond their contents or beyond any picture the program
// can hold, one of each format.
const std::vector<std::string> kHugeClaims = {"bmp/imagers/Bad_unusual_extend_buffer_usage.bmp",
                                              "gif/qtqa/oss-fuzz-22914.gif",
                                              "ico/synthetic/png-claims-1000000x1000000.ico"};

class PictureCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto data = test::SharedTestData();
    if (!data) GTEST_SKIP() << "shared test data not found (set BRENNIC_SHARED)";
    m_root = *data;
    m_files = CorpusFiles(m_root);
  }
  std::filesystem::path m_root;
  std::vector<std::string> m_files;
};

TEST_F(PictureCorpus, EveryFileLoadsOrIsRefusedTheSameWayEveryTime) {
  const cRun first = RunDigest(m_root, m_files, 0x55);
  const cRun second = RunDigest(m_root, m_files, 0xAA);
  ASSERT_EQ(first.lStatus, 0) << first.sErrors.substr(0, 4000);
  ASSERT_EQ(second.lStatus, 0) << second.sErrors.substr(0, 4000);
  ASSERT_EQ(first.results.size(), m_files.size());
  ASSERT_EQ(second.results.size(), m_files.size());
  // A sanitizer that does not stop the process still writes its report to stderr.
  EXPECT_EQ(first.sErrors.find("Sanitizer"), std::string::npos) << first.sErrors;
  EXPECT_EQ(first.sErrors.find("runtime error"), std::string::npos) << first.sErrors;
  EXPECT_EQ(first.sErrors.find("straight load differs"), std::string::npos) << first.sErrors;

  for (const std::string& sFile : m_files) {
    const cResult& a = first.results.at(sFile);
    const cResult& b = second.results.at(sFile);
    EXPECT_EQ(a.sOutcome, b.sOutcome) << sFile;
    EXPECT_LT(std::max(a.lMs, b.lMs), kHangMs) << sFile;
  }

  // What the manifest asks of a robust decoder.
  const auto manifest = ReadManifest(m_root);
  EXPECT_GT(manifest.size(), 200u);
  for (const auto& [sFile, row] : manifest) {
    ASSERT_TRUE(first.results.count(sFile)) << sFile << " is in the manifest but not on disk";
    const cResult& r = first.results.at(sFile);
    if (row.sExpect == "decode" || row.sExpect.rfind("decode (", 0) == 0) {
      EXPECT_TRUE(r.Decoded()) << sFile << ": " << r.sOutcome;
      int w = 0, h = 0;
      if (std::sscanf(row.sQt.c_str(), "OK %dx%d", &w, &h) == 2) {
        EXPECT_EQ(r.sOutcome.rfind("OK\t" + std::to_string(w) + "x" + std::to_string(h) + "\t", 0),
                  0u)
            << sFile << ": " << r.sOutcome;
      }
    } else if (row.sExpect == "refuse") {
      EXPECT_FALSE(r.Decoded()) << sFile;
    }
  }

  // Huge claims: refused at once.
  for (const std::string& sFile : kHugeClaims) {
    ASSERT_TRUE(first.results.count(sFile)) << sFile;
    EXPECT_FALSE(first.results.at(sFile).Decoded()) << sFile;
    EXPECT_LT(first.results.at(sFile).lMs, 1000) << sFile;
  }
}

}  // namespace
}  // namespace brennic
