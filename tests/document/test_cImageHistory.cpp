// The undo history without a window: exact round trips, the saved position, the shared budget.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

#include <unistd.h>

#include "document/cClosedPictures.h"
#include "document/cImageHistory.h"
#include "document/cOperations.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

constexpr int64_t kNoLimit = int64_t{1} << 40;

// The state of a document an Undo or Redo must give back exactly.
struct sState {
  int32_t lWidth;
  int32_t lHeight;
  std::vector<uint8_t> bytes;
  int32_t lWorkWidth;
  int32_t lWorkHeight;
  bool operator==(const sState&) const = default;
};

sState StateOf(cImageDocumentCore& doc) {
  return {doc.Picture().Width(), doc.Picture().Height(), test::Bytes(doc.Picture()),
          doc.Work().Width(), doc.Work().Height()};
}

// A command of the tests' own: sets one byte of the picture to v.
void SetByte(cImageDocumentCore& doc, size_t lAt, uint8_t v) {
  doc.Picture().DIBSectionBitsPtr()[lAt] = v;
}

class HistoryRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(HistoryRoundTrip, UndoAndRedoGiveBothPicturesBackExactlyWithoutRunningAgain) {
  const cOperation* pOp = FindOperation(GetParam());
  ASSERT_NE(pOp, nullptr);
  test::cTempDir dir;
  std::string sArg = pOp->sProbeArg;
  if (!pOp->sProbeFileText.empty()) {
    sArg = dir.File("probe.txt");
    std::ofstream(sArg, std::ios::binary) << pOp->sProbeFileText;
  }
  // Arguments that change the picture: wider and lower; a mean instead of the identity.
  if (pOp->sName == "resample") sArg = "11x3";
  if (pOp->sName == "custom") sArg = "3:9:1,1,1,1,1,1,1,1,1";
  cProbeContext ctx;
  const cOperationStep step = pOp->Bind(sArg, ctx);

  // Negative on a picture of several chunks (2100 bytes a row, a little more than one chunk),
  // during which the caller may run its windows, on its own thread.
  const bool bLarge = pOp->sName == "negative";
  std::mt19937 rng(11);
  cImageDocumentCore doc;
  doc.LoadImage(*test::MakeRandomImage(bLarge ? 700 : 7, bLarge ? 520 : 5, rng));
  const sState before = StateOf(doc);
  cHistoryBudget budget(kNoLimit);
  cImageHistory history(budget);
  int iWhile = 0;
  const std::thread::id caller = std::this_thread::get_id();
  history.WhileRecording([&] { iWhile += std::this_thread::get_id() == caller ? 1 : 1000; });
  history.Record(doc, "Step", [&] { step(doc); });
  EXPECT_TRUE(!bLarge || (iWhile >= 1 && iWhile < 1000)) << iWhile;
  const sState after = StateOf(doc);
  ASSERT_NE(after, before);
  EXPECT_EQ(std::tuple(after.lWorkWidth, after.lWorkHeight),
            std::tuple(after.lWidth, after.lHeight));
  for (int i = 0; i < 2; ++i) {
    history.Undo(doc);
    EXPECT_EQ(StateOf(doc), before);
    history.Redo(doc);
    // Random noise would come out differently if it ran again.
    EXPECT_EQ(StateOf(doc), after);
  }
}

std::vector<std::string> TableOperations() {
  std::vector<std::string> names;
  for (const cOperation& op : Operations())
    names.push_back(op.sName);
  return names;
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, HistoryRoundTrip, ::testing::ValuesIn(TableOperations()));

class History : public ::testing::Test {
 protected:
  cHistoryBudget m_budget{kNoLimit};
  cImageDocumentCore m_doc1;
  cImageDocumentCore m_doc2;
  cImageHistory m_history1{m_budget};
  cImageHistory m_history2{m_budget};
  std::mt19937 m_rng{9};
  std::map<std::string, int64_t> m_bytes;  // what each random step took

  void SetUp() override {
    m_doc1.LoadImage(*test::MakeImage(40, 30, {1, 2, 3}));
    m_doc2.LoadImage(*test::MakeImage(40, 30));
    m_history1.Clear(true);
    m_history2.Clear(true);
  }
  // A step of the first document that sets one byte of the picture to v.
  void Set(const std::string& sName, size_t lAt, uint8_t v) {
    m_history1.Record(m_doc1, sName, [&] { SetByte(m_doc1, lAt, v); });
  }
  // A step that changes every byte at random: it packs to about the picture's size.
  int64_t Step(cImageHistory& history, cImageDocumentCore& doc, const std::string& sName) {
    const int64_t lBefore = m_budget.Bytes();
    history.Record(doc, sName, [&] {
      const auto p = doc.Picture().DIBSectionBitsPtr();
      for (int64_t i = 0; i < doc.Picture().BytesPerScanLine() * doc.Picture().Height(); ++i)
        p[i] = static_cast<uint8_t>(m_rng());
    });
    return m_bytes[sName] = m_budget.Bytes() - lBefore;
  }
  // Every step of a document, oldest first, with * where the picture is the saved one and ^ at
  // the position; the history is left where it was.
  static std::string Steps(cImageHistory& history, cImageDocumentCore& doc) {
    int iBack = 0;
    for (; history.CanUndo(); ++iBack)
      history.Undo(doc);
    std::string s;
    int iAt = 0;
    for (;; ++iAt) {
      const std::string sMarks =
          std::string(history.AtSaved() ? "*" : "") + (iAt == iBack ? "^" : "");
      s += sMarks.empty() ? "" : " " + sMarks;
      if (!history.CanRedo()) break;
      s += " " + history.RedoName();
      history.Redo(doc);
    }
    for (; iAt > iBack; --iAt)
      history.Undo(doc);
    return s.substr(1);
  }
  // Runs each row's words, then compares both documents' steps. A word from s records a random
  // step of that name in the first document, one from t in the second; a capital records a
  // one-byte step in the first; < and > undo and redo in the first, m marks it saved; L-1 limits
  // the budget to the bytes held less one, L0 and L1 to 0 and 1 byte, L2.5 to two and a half
  // times the last random step.
  void Expect(const std::vector<std::pair<std::string, std::string>>& rows) {
    int64_t lLast = 0;
    for (const auto& [sWords, sExpected] : rows) {
      std::istringstream words(sWords);
      for (std::string w; words >> w;) {
        if (w == "<") m_history1.Undo(m_doc1);
        if (w == ">") m_history1.Redo(m_doc1);
        if (w == "m") m_history1.MarkSaved();
        if (w.size() == 1 && std::isupper(w[0])) Set(w, 0, static_cast<uint8_t>(w[0]));
        if (w[0] == 's') lLast = Step(m_history1, m_doc1, w);
        if (w[0] == 't') lLast = Step(m_history2, m_doc2, w);
        if (w == "L-1") m_budget.Limit(m_budget.Bytes() - 1);
        if (w == "L0" || w == "L1") m_budget.Limit(w[1] - '0');
        if (w == "L2.5") m_budget.Limit(lLast * 5 / 2);
      }
      EXPECT_EQ(Steps(m_history1, m_doc1) + " | " + Steps(m_history2, m_doc2), sExpected) << sWords;
    }
  }
};

// Saved with A done, then B recorded and undone, A undone; C recorded there drops the redo steps
// and their bytes, and cuts the saved picture off for good. Undo and redo with nothing to take do
// nothing.
TEST_F(History, TheSavedPositionFollowsUndoRedoAndSaving) {
  const sState first = StateOf(m_doc1);
  Expect({{"< > A <", "*^ A | *^"}, {"> m B", "A * B ^ | *^"}, {"<", "A *^ B | *^"}});
  const int64_t lBytes = m_history1.Bytes();
  Expect({{"< C", "C ^ | *^"}, {"< >", "C ^ | *^"}});
  EXPECT_EQ(std::tuple(m_history1.UndoName(), m_history1.RedoName(), m_budget.Bytes()),
            std::tuple("C", "", m_history1.Bytes()));
  EXPECT_LT(m_history1.Bytes(), lBytes);
  m_history1.Undo(m_doc1);
  EXPECT_EQ(StateOf(m_doc1), first);
}

TEST_F(History, AFailingCommandRecordsNothingAndPutsThePictureBack) {
  Set("A", 0, 10);
  Set("B", 1, 20);
  m_history1.Undo(m_doc1);
  const sState before = StateOf(m_doc1);
  const int64_t lBytes = m_budget.Bytes();
  EXPECT_THROW(m_history1.Record(m_doc1, "Broken",
                                 [&] {
                                   SetByte(m_doc1, 3, 99);
                                   throw std::runtime_error("half-way");
                                 }),
               std::runtime_error);
  // The redo step survives a command that failed.
  EXPECT_EQ(
      std::tuple(StateOf(m_doc1), m_history1.StepCount(), m_history1.RedoName(), m_budget.Bytes()),
      std::tuple(before, 2, "B", lBytes));
  m_history1.Redo(m_doc1);
  EXPECT_EQ(m_doc1.Picture().DIBSectionBitsPtr()[1], 20);
}

// The first document's file was saved after s1. With s1 gone, the saved picture is the oldest one
// left; with t1 the second document's went. When nothing fits, each keeps its latest step, and it
// still works.
TEST_F(History, TheOldestStepsOfAllDocumentsGoFirstAndEachKeepsItsLatest) {
  Expect({{"s1 t1 s2 t2 s3 < < m > >", "s1 * s2 s3 ^ | * t1 t2 ^"},
          {"L-1", "* s2 s3 ^ | * t1 t2 ^"},
          {"L-1", "* s2 s3 ^ | t2 ^"},
          {"L0", "s3 ^ | t2 ^"}});
  const sState latest = StateOf(m_doc1);
  EXPECT_EQ(std::tuple(m_budget.Bytes(), m_history1.Bytes()),
            std::tuple(m_bytes["s3"] + m_bytes["t2"], m_bytes["s3"]));
  m_history1.Undo(m_doc1);
  EXPECT_NE(StateOf(m_doc1), latest);
  m_history1.Redo(m_doc1);
  EXPECT_EQ(StateOf(m_doc1), latest);
}

// Dropping a step would cut the ones after it off, so the whole line stays; once a step is behind
// the position it may go.
TEST_F(History, RedoStepsWhoseFirstIsStillNeededStay) {
  Expect({{"s1 s2 s3 < < < L0", "*^ s1 s2 s3 | *^"},
          {"> L1", "^ s2 s3 | *^"},
          {"> > L0", "s3 ^ | *^"}});
}

TEST_F(History, RecordingPushesOutTheOldestAndAGoneDocumentGivesItsBytesBack) {
  Expect({{"s1 L2.5 t1 s2", "s2 ^ | * t1 ^"}, {"t2", "s2 ^ | t2 ^"}});
  EXPECT_LE(m_budget.Bytes(), m_budget.Limit());
  {
    cImageDocumentCore doc3;
    doc3.LoadImage(*test::MakeImage(40, 30));
    cImageHistory history3(m_budget);
    Step(history3, doc3, "e");
    EXPECT_EQ(m_budget.Bytes(), m_history1.Bytes() + m_history2.Bytes() + history3.Bytes());
  }
  EXPECT_EQ(m_budget.Bytes(), m_history1.Bytes() + m_history2.Bytes());
}

TEST_F(History, ClosedPicturesCountAndGoOldestFirstBeforeTheOpenDocumentsSteps) {
  cClosedPictures closed(m_budget);
  const auto close = [&](const std::string& sName, cImageHistory& history) {
    auto pClosed = std::make_unique<sClosedPicture>();
    pClosed->sName = sName;
    pClosed->picture.chunks.push_back(std::vector<uint8_t>(1000));
    pClosed->pHistory = std::make_unique<cImageHistory>(m_budget);
    pClosed->pHistory->TakeFrom(history);
    closed.Push(std::move(pClosed));
  };
  Step(m_history1, m_doc1, "a1");
  Step(m_history1, m_doc1, "a2");
  const int64_t lBefore = m_budget.Bytes();
  // The steps change hands uncounted; the held picture counts.
  close("a", m_history1);
  EXPECT_EQ(m_history1.StepCount(), 0);
  EXPECT_GT(m_budget.Bytes(), lBefore);
  Step(m_history2, m_doc2, "b1");
  Step(m_history2, m_doc2, "b2");
  cImageHistory empty(m_budget);
  close("c", empty);
  // Over the limit: the oldest closed picture goes, the open document keeps its steps.
  m_budget.Limit(m_budget.Bytes());
  close("d", empty);
  ASSERT_EQ(std::tuple(closed.Count(), m_history2.StepCount()), std::tuple(2u, 2));
  EXPECT_EQ(closed.Pop()->sName, "d");
  std::unique_ptr<sClosedPicture> pC = closed.Pop();
  EXPECT_EQ(std::tuple(pC->sName, closed.Pop()), std::tuple("c", nullptr));
  EXPECT_EQ(m_budget.Bytes(), m_history2.Bytes() + pC->pHistory->Bytes());
}

// Two 4000 x 4000 documents (48 MB a buffer), each with a command run through its history,
// whose operations may reuse freed buffers: closing both gives the memory back to the system.
TEST(DocumentMemory, ClosingEveryDocumentGivesItsMemoryBack) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine: resident memory says nothing";
#endif
  const auto resident = [] {
    std::ifstream statm("/proc/self/statm");
    int64_t lPages = 0, lResident = 0;
    statm >> lPages >> lResident;
    return lResident * sysconf(_SC_PAGESIZE);
  };
  const int64_t lBefore = resident();
  int64_t lOpen = 0;
  {
    cHistoryBudget budget(int64_t{1} << 40);
    std::vector<std::unique_ptr<cImageDocumentCore>> cores;
    std::vector<std::unique_ptr<cImageHistory>> histories;
    for (int i = 0; i < 2; ++i) {
      auto& core = *cores.emplace_back(std::make_unique<cImageDocumentCore>());
      core.LoadImage(*test::MakeImage(4000, 4000, {10, 20, 30}));
      histories.emplace_back(std::make_unique<cImageHistory>(budget))
          ->Record(core, "Negative", [&] { core.NegativeImage(); });
    }
    lOpen = resident();
  }
  // At least both pictures; a work buffer no command has written to may hold no pages yet.
  EXPECT_GT(lOpen - lBefore, 96 << 20) << "the documents did not take their memory";
  EXPECT_LT(resident() - lBefore, 50 << 20);
}

}  // namespace
}  // namespace brennic
