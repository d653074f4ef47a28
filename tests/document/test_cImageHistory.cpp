// The undo history of a document without its window: exact round trips of every operation of the
// table (sizes and work buffer included), the line of steps with its saved position, failing
// commands, and the budget shared by all documents and closed pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

#include "document/cClosedPictures.h"
#include "document/cImageHistory.h"
#include "document/cOperations.h"
#include "image/cError.h"
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

  std::mt19937 rng(11);
  cImageDocumentCore doc;
  doc.LoadImage(*test::MakeRandomImage(7, 5, rng));
  const sState before = StateOf(doc);
  cHistoryBudget budget(kNoLimit);
  cImageHistory history(budget);
  history.Record(doc, "Step", [&] { step(doc); });
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

INSTANTIATE_TEST_SUITE_P(EveryOperation, HistoryRoundTrip, ::testing::ValuesIn(TableOperations()),
                         [](const auto& param) {
                           std::string s = param.param;
                           std::replace(s.begin(), s.end(), '-', '_');
                           return s;
                         });

// A picture of several chunks (2100 bytes a row, a little more than one chunk) comes back exactly;
// the caller may run its windows while it is packed, on its own thread.
TEST(HistoryRoundTrips, APictureOfSeveralChunksComesBackExactly) {
  std::mt19937 rng(5);
  cImageDocumentCore doc;
  doc.LoadImage(*test::MakeRandomImage(700, 520, rng));
  cHistoryBudget budget(kNoLimit);
  cImageHistory history(budget);
  int iWhile = 0;
  const std::thread::id caller = std::this_thread::get_id();
  history.WhileRecording([&] { iWhile += std::this_thread::get_id() == caller ? 1 : 1000; });
  const sState before = StateOf(doc);
  history.Record(doc, "Negative", [&] { doc.NegativeImage(); });
  EXPECT_GE(iWhile, 1);
  EXPECT_LT(iWhile, 1000);
  const sState after = StateOf(doc);
  history.Undo(doc);
  EXPECT_EQ(StateOf(doc), before);
  history.Redo(doc);
  EXPECT_EQ(StateOf(doc), after);
}

class History : public ::testing::Test {
 protected:
  cHistoryBudget m_budget{kNoLimit};
  cImageDocumentCore m_doc1;
  cImageDocumentCore m_doc2;
  cImageHistory m_history1{m_budget};
  cImageHistory m_history2{m_budget};
  std::mt19937 m_rng{9};

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
  uint8_t At(size_t lAt) const { return m_doc1.Picture().DIBSectionBitsPtr()[lAt]; }
  // A step that changes every byte at random: it packs to about the picture's size.
  int64_t Step(cImageHistory& history, cImageDocumentCore& doc, const std::string& sName) {
    const int64_t lBefore = m_budget.Bytes();
    history.Record(doc, sName, [&] {
      const auto p = doc.Picture().DIBSectionBitsPtr();
      for (int64_t i = 0; i < doc.Picture().BytesPerScanLine() * doc.Picture().Height(); ++i)
        p[i] = static_cast<uint8_t>(m_rng());
    });
    return m_budget.Bytes() - lBefore;
  }
  // The undo steps' names, newest first, with "*" where the picture is the saved one; the history
  // is left where it was.
  std::string Line(cImageHistory& history, cImageDocumentCore& doc) {
    std::string s;
    int iUndone = 0;
    for (;; ++iUndone) {
      if (history.AtSaved()) s += "* ";
      if (!history.CanUndo()) break;
      s += history.UndoName() + " ";
      history.Undo(doc);
    }
    while (iUndone-- > 0)
      history.Redo(doc);
    return s.empty() ? s : s.substr(0, s.size() - 1);
  }
  // Runs the actions on the first document (a capital records a step, u undoes, r redoes, m marks
  // the picture saved); after each, S when it is at its saved picture, else -.
  std::string Run(const std::string& sActions) {
    std::string s;
    for (const char c : sActions) {
      if (c == 'u') m_history1.Undo(m_doc1);
      if (c == 'r') m_history1.Redo(m_doc1);
      if (c == 'm') m_history1.MarkSaved();
      if (c >= 'A' && c <= 'Z') Set(std::string(1, c), 0, static_cast<uint8_t>(c));
      s += m_history1.AtSaved() ? 'S' : '-';
    }
    return s;
  }
};

// Saved with A done, then B recorded and undone, A undone; C recorded there drops the redo steps
// and their bytes, and cuts the saved picture off for good. Undo and redo with nothing to take do
// nothing.
TEST_F(History, TheSavedPositionFollowsUndoRedoAndSaving) {
  const sState first = StateOf(m_doc1);
  EXPECT_EQ(Run("urAurmB"), "SS-S-S-");
  const int64_t lBytes = m_history1.Bytes();
  EXPECT_EQ(Run("uuCur"), "S----");
  EXPECT_LT(m_history1.Bytes(), lBytes);
  EXPECT_EQ(std::tuple(Line(m_history1, m_doc1), m_history1.CanRedo(), m_budget.Bytes()),
            std::tuple("C", false, m_history1.Bytes()));
  m_history1.Undo(m_doc1);
  EXPECT_EQ(StateOf(m_doc1), first);
  // A document without a file (a combination) is never at its saved picture.
  m_history1.Clear(false);
  EXPECT_EQ(std::tuple(m_history1.AtSaved(), m_history1.StepCount(), m_budget.Bytes()),
            std::tuple(false, 0, 0));
}

TEST_F(History, AFailingCommandRecordsNothingAndPutsThePictureBack) {
  Set("A", 0, 10);
  Set("B", 1, 20);
  m_history1.Undo(m_doc1);
  const sState before = StateOf(m_doc1);
  const int64_t lBytes = m_budget.Bytes();
  // One of the tests' own, and a real one: a palette file that cannot be read.
  EXPECT_THROW(m_history1.Record(m_doc1, "Broken",
                                 [&] {
                                   SetByte(m_doc1, 3, 99);
                                   throw std::runtime_error("half-way");
                                 }),
               std::runtime_error);
  EXPECT_THROW(m_history1.Record(m_doc1, "Apply Palette",
                                 [&] { m_doc1.ApplyPalette("/nonexistent/x.pal"); }),
               cError);
  // The redo step survives a command that failed.
  EXPECT_EQ(
      std::tuple(StateOf(m_doc1), m_history1.StepCount(), m_history1.RedoName(), m_budget.Bytes()),
      std::tuple(before, 2, "B", lBytes));
  m_history1.Redo(m_doc1);
  EXPECT_EQ(At(1), 20);
}

TEST_F(History, TheOldestStepsOfAllDocumentsGoFirstAndEachKeepsItsLatest) {
  const int64_t s1 = Step(m_history1, m_doc1, "s1");
  const int64_t t1 = Step(m_history2, m_doc2, "t1");
  const int64_t s2 = Step(m_history1, m_doc1, "s2");
  const int64_t t2 = Step(m_history2, m_doc2, "t2");
  const int64_t s3 = Step(m_history1, m_doc1, "s3");
  EXPECT_EQ(std::tuple(m_budget.Bytes(), m_budget.Bytes()),
            std::tuple(s1 + t1 + s2 + t2 + s3, m_history1.Bytes() + m_history2.Bytes()));
  const sState latest1 = StateOf(m_doc1);
  Run("uumrr");  // the first document's file was saved after s1

  m_budget.Limit(m_budget.Bytes() - 1);
  // With s1 gone, the saved picture is the oldest one left.
  EXPECT_EQ(std::tuple(Line(m_history1, m_doc1), Line(m_history2, m_doc2)),
            std::tuple("s3 s2 *", "t2 t1 *"));
  // The file's picture went with t1: the document cannot get back to it.
  m_budget.Limit(m_budget.Bytes() - 1);
  EXPECT_EQ(Line(m_history2, m_doc2), "t2");

  // Nothing fits: each document keeps its latest step, and it still works.
  m_budget.Limit(0);
  EXPECT_EQ(std::tuple(Line(m_history1, m_doc1), Line(m_history2, m_doc2)), std::tuple("s3", "t2"));
  EXPECT_EQ(std::tuple(m_budget.Bytes(), StateOf(m_doc1)), std::tuple(s3 + t2, latest1));
  m_history1.Undo(m_doc1);
  EXPECT_NE(StateOf(m_doc1), latest1);
  m_history1.Redo(m_doc1);
  EXPECT_EQ(StateOf(m_doc1), latest1);
}

TEST_F(History, RecordingPushesOutTheOldestAndAGoneDocumentGivesItsBytesBack) {
  const int64_t lStep = Step(m_history1, m_doc1, "a");
  m_budget.Limit(lStep * 5 / 2);  // room for two steps of this kind
  Step(m_history2, m_doc2, "b");
  Step(m_history1, m_doc1, "c");
  EXPECT_EQ(std::tuple(Line(m_history1, m_doc1), Line(m_history2, m_doc2)), std::tuple("c", "b *"));
  Step(m_history2, m_doc2, "d");
  EXPECT_EQ(Line(m_history2, m_doc2), "d");
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
  ASSERT_EQ(closed.Count(), 2u);
  EXPECT_EQ(m_history2.StepCount(), 2);
  EXPECT_EQ(closed.Pop()->sName, "d");
  std::unique_ptr<sClosedPicture> pC = closed.Pop();
  EXPECT_EQ(pC->sName, "c");
  EXPECT_EQ(closed.Pop(), nullptr);
  EXPECT_EQ(m_budget.Bytes(), m_history2.Bytes() + pC->pHistory->Bytes());
  // Back in a document, a moved history works on as before.
  close("e", m_history2);
  cImageHistory back(m_budget);
  back.TakeFrom(*closed.Pop()->pHistory);
  EXPECT_EQ(Line(back, m_doc2), "b2 b1 *");
  EXPECT_EQ(m_budget.Bytes(), back.Bytes());
}

TEST_F(History, RedoStepsWhoseFirstIsStillNeededStay) {
  Step(m_history1, m_doc1, "a");
  Step(m_history1, m_doc1, "b");
  Step(m_history1, m_doc1, "c");
  m_history1.Undo(m_doc1);
  m_history1.Undo(m_doc1);
  m_history1.Undo(m_doc1);
  m_budget.Limit(0);
  // Dropping "a" would cut "b" and "c" off: the whole chain stays.
  EXPECT_EQ(m_history1.StepCount(), 3);
  // Once "a" is behind the position it may go; "b" and "c" stay.
  m_history1.Redo(m_doc1);
  m_budget.Limit(1);
  EXPECT_EQ(std::tuple(m_history1.StepCount(), m_history1.CanUndo(), m_history1.RedoName()),
            std::tuple(2, false, "b"));
  m_history1.Redo(m_doc1);
  m_history1.Redo(m_doc1);
  // Now "b" is behind the position too; "c", the latest, stays.
  m_budget.Limit(0);
  EXPECT_EQ(std::tuple(m_history1.StepCount(), m_history1.UndoName()), std::tuple(1, "c"));
}

}  // namespace
}  // namespace brennic
