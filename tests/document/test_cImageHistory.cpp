// The undo history of a document without its window: packing, exact round trips of every
// operation of the table (sizes and work buffer included), the line of steps with its saved
// position, failing commands, and the budget shared by all documents.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "document/cClosedPictures.h"
#include "document/cImageHistory.h"
#include "document/cOperations.h"
#include "image/cError.h"
#include "support/DocumentTestUtil.h"
#include "support/ImageTestUtil.h"
#include "support/RegistryTestUtil.h"

namespace brennic {
namespace {

constexpr int64_t kNoLimit = int64_t{1} << 40;

// Every byte of the pixel memory, padding included.
std::vector<uint8_t> Memory(const cDIBSection& cImage) {
  const auto lSize = static_cast<size_t>(cImage.BytesPerScanLine() * cImage.Height());
  const uint8_t* p = cImage.DIBSectionBitsPtr();
  return p == nullptr ? std::vector<uint8_t>{} : std::vector<uint8_t>(p, p + lSize);
}

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
  return {doc.Picture().Width(), doc.Picture().Height(), Memory(doc.Picture()), doc.Work().Width(),
          doc.Work().Height()};
}

// A command of the tests' own: sets one byte of the picture to v.
void SetByte(cImageDocumentCore& doc, size_t lAt, uint8_t v) {
  doc.Picture().DIBSectionBitsPtr()[lAt] = v;
}

class cCountingEvents final : public IImageProcessEvents {
 public:
  void InitProgress(int32_t) override { ++iEvents; }
  void Progress(int32_t) override { ++iEvents; }
  void Complete(int32_t) override { ++iEvents; }
  int iEvents = 0;
};

// --- Packing -------------------------------------------------------------------------------------

TEST(HistoryPacking, BytesAndXorComeBackExactlyAcrossChunkEdges) {
  std::mt19937 rng(3);
  for (const size_t lSize : {size_t{0}, size_t{1}, size_t{13}, kHistoryChunkBytes,
                             kHistoryChunkBytes + 5, 2 * kHistoryChunkBytes + 4097}) {
    SCOPED_TRACE(lSize);
    std::vector<uint8_t> a(lSize);
    std::vector<uint8_t> b(lSize);
    for (size_t i = 0; i < lSize; ++i) {
      a[i] = static_cast<uint8_t>(rng());
      // Mostly equal, as before and after a filter are.
      b[i] = (i % 7 == 0) ? static_cast<uint8_t>(rng()) : a[i];
    }
    const sPackedBytes packed = PackBytes(a.data(), lSize);
    EXPECT_EQ(packed.lSize, lSize);
    EXPECT_EQ(packed.chunks.size(), (lSize + kHistoryChunkBytes - 1) / kHistoryChunkBytes);
    std::vector<uint8_t> out(lSize, 0xAB);
    UnpackBytes(packed, out.data());
    EXPECT_EQ(out, a);

    std::vector<uint8_t> delta = a;
    const sPackedBytes xored = PackXor(delta.data(), b.data(), lSize);
    std::vector<uint8_t> there = a;
    UnpackXor(xored, there.data());
    EXPECT_EQ(there, b);
    UnpackXor(xored, there.data());
    EXPECT_EQ(there, a);
  }
}

TEST(HistoryPacking, AnUnchangedPictureTakesAlmostNothing) {
  std::vector<uint8_t> a(3 * kHistoryChunkBytes, 77);
  std::vector<uint8_t> b = a;
  const sPackedBytes packed = PackXor(a.data(), b.data(), a.size());
  EXPECT_LT(packed.StoredBytes(), 1024);
}

// --- Round trips of every operation ----------------------------------------------------------

class HistoryRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(HistoryRoundTrip, UndoAndRedoGiveBothPicturesBackExactlyWithoutRunningAgain) {
  const cOperation* pOp = FindOperation(GetParam());
  ASSERT_NE(pOp, nullptr);
  BRENNIC_SKIP_WITHOUT_ENGINE(pOp->sName);
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
  EXPECT_EQ(after.lWorkWidth, after.lWidth);
  EXPECT_EQ(after.lWorkHeight, after.lHeight);

  cCountingEvents events;
  doc.Engine().SetListener(&events);
  for (int i = 0; i < 2; ++i) {
    history.Undo(doc);
    EXPECT_EQ(StateOf(doc), before);
    history.Redo(doc);
    // Random noise would come out differently if it ran again.
    EXPECT_EQ(StateOf(doc), after);
  }
  EXPECT_EQ(events.iEvents, 0);
  doc.Engine().SetListener(nullptr);
}

std::vector<std::string> TableOperations() {
  std::vector<std::string> names;
  for (const cOperation& op : Operations())
    names.push_back(op.sName);
  return names;
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, HistoryRoundTrip, ::testing::ValuesIn(TableOperations()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                           std::string s = param.param;
                           for (char& c : s) {
                             if (c == '-') c = '_';
                           }
                           return s;
                         });

TEST(HistoryRoundTrips, PicturesOfSeveralChunksAndResamplesBothWays) {
  BRENNIC_SKIP_WITHOUT_ENGINE("negative");
  BRENNIC_SKIP_WITHOUT_ENGINE("resample");
  std::mt19937 rng(5);
  cImageDocumentCore doc;
  // 2100 bytes a row: a little more than one chunk.
  doc.LoadImage(*test::MakeRandomImage(700, 520, rng));
  cHistoryBudget budget(kNoLimit);
  cImageHistory history(budget);
  // The caller may run its windows while a step of several chunks is packed, on its own thread.
  int iWhile = 0;
  const std::thread::id caller = std::this_thread::get_id();
  history.WhileRecording([&] { iWhile += std::this_thread::get_id() == caller ? 1 : 1000; });
  std::vector<sState> states{StateOf(doc)};
  history.Record(doc, "Negative", [&] { doc.NegativeImage(); });
  EXPECT_GE(iWhile, 1);
  EXPECT_LT(iWhile, 1000);
  states.push_back(StateOf(doc));
  history.Record(doc, "Resample", [&] { doc.Resample(9, 4); });
  states.push_back(StateOf(doc));
  history.Record(doc, "Resample", [&] { doc.Resample(701, 530); });
  states.push_back(StateOf(doc));
  ASSERT_EQ(states[2].lWorkWidth, 9);
  ASSERT_EQ(states[3].lWorkHeight, 530);
  for (int i = 3; i > 0; --i) {
    history.Undo(doc);
    EXPECT_EQ(StateOf(doc), states[static_cast<size_t>(i - 1)]) << "undo to " << i - 1;
  }
  EXPECT_FALSE(history.CanUndo());
  for (size_t i = 1; i <= 3; ++i) {
    history.Redo(doc);
    EXPECT_EQ(StateOf(doc), states[i]) << "redo to " << i;
  }
  EXPECT_FALSE(history.CanRedo());
}

// --- The line of steps -------------------------------------------------------------------------

class HistoryLine : public ::testing::Test {
 protected:
  cHistoryBudget m_budget{kNoLimit};
  cImageDocumentCore m_doc;
  cImageHistory m_history{m_budget};
  void SetUp() override {
    m_doc.LoadImage(*test::MakeImage(3, 2, {1, 2, 3}));
    m_history.Clear(true);
  }
  void Step(const std::string& sName, size_t lAt, uint8_t v) {
    m_history.Record(m_doc, sName, [&] { SetByte(m_doc, lAt, v); });
  }
  uint8_t At(size_t lAt) const { return m_doc.Picture().DIBSectionBitsPtr()[lAt]; }
};

TEST_F(HistoryLine, NamesFollowThePositionAndANewStepDropsTheRedoSteps) {
  EXPECT_FALSE(m_history.CanUndo());
  EXPECT_FALSE(m_history.CanRedo());
  EXPECT_EQ(m_history.UndoName(), "");
  EXPECT_EQ(m_history.RedoName(), "");
  // Nothing to take: nothing happens.
  m_history.Undo(m_doc);
  m_history.Redo(m_doc);
  EXPECT_EQ(At(0), 1);

  Step("A", 0, 10);
  Step("B", 1, 20);
  Step("C", 0, 30);
  EXPECT_EQ(m_history.UndoName(), "C");
  m_history.Undo(m_doc);
  m_history.Undo(m_doc);
  EXPECT_EQ(At(0), 10);
  EXPECT_EQ(At(1), 2);
  EXPECT_EQ(m_history.UndoName(), "A");
  EXPECT_EQ(m_history.RedoName(), "B");
  const int64_t lBytes = m_history.Bytes();

  Step("D", 2, 40);
  EXPECT_EQ(m_history.StepCount(), 2);
  EXPECT_EQ(m_history.Position(), 2);
  EXPECT_FALSE(m_history.CanRedo());
  EXPECT_EQ(m_history.UndoName(), "D");
  EXPECT_LT(m_history.Bytes(), lBytes);
  EXPECT_EQ(m_budget.Bytes(), m_history.Bytes());
  m_history.Undo(m_doc);
  m_history.Undo(m_doc);
  EXPECT_EQ(StateOf(m_doc).bytes, Memory(*test::MakeImage(3, 2, {1, 2, 3})));
}

TEST_F(HistoryLine, TheSavedPositionFollowsUndoRedoAndSaving) {
  EXPECT_TRUE(m_history.AtSaved());
  Step("A", 0, 10);
  EXPECT_FALSE(m_history.AtSaved());
  m_history.Undo(m_doc);
  EXPECT_TRUE(m_history.AtSaved());
  m_history.Redo(m_doc);
  m_history.MarkSaved();  // saved with A done
  Step("B", 0, 20);
  EXPECT_FALSE(m_history.AtSaved());
  m_history.Undo(m_doc);
  EXPECT_TRUE(m_history.AtSaved());
  m_history.Undo(m_doc);
  EXPECT_FALSE(m_history.AtSaved());
  // A new step here cuts the saved picture off for good.
  Step("C", 0, 30);
  m_history.Undo(m_doc);
  EXPECT_FALSE(m_history.AtSaved());
  ASSERT_TRUE(m_history.CanRedo());
  m_history.Redo(m_doc);
  EXPECT_FALSE(m_history.AtSaved());
  // A document without a file (a combination) is never at its saved picture.
  m_history.Clear(false);
  EXPECT_FALSE(m_history.AtSaved());
  EXPECT_EQ(m_history.StepCount(), 0);
  EXPECT_EQ(m_budget.Bytes(), 0);
}

TEST_F(HistoryLine, AFailingCommandRecordsNothingAndPutsThePictureBack) {
  Step("A", 0, 10);
  Step("B", 1, 20);
  m_history.Undo(m_doc);
  const sState before = StateOf(m_doc);
  const int64_t lBytes = m_budget.Bytes();
  EXPECT_THROW(m_history.Record(m_doc, "Broken",
                                [&] {
                                  SetByte(m_doc, 3, 99);
                                  throw std::runtime_error("half-way");
                                }),
               std::runtime_error);
  EXPECT_EQ(StateOf(m_doc), before);
  EXPECT_EQ(m_history.StepCount(), 2);
  EXPECT_EQ(m_history.RedoName(), "B");  // the redo step survives a command that failed
  EXPECT_EQ(m_budget.Bytes(), lBytes);
  // A real one: a palette file that cannot be read.
  EXPECT_THROW(
      m_history.Record(m_doc, "Apply Palette", [&] { m_doc.ApplyPalette("/nonexistent/x.pal"); }),
      cError);
  EXPECT_EQ(StateOf(m_doc), before);
  EXPECT_EQ(m_history.StepCount(), 2);
  m_history.Redo(m_doc);
  EXPECT_EQ(At(1), 20);
}

// --- The budget
// ------------------------------------------------------------------------------------

class HistoryBudget : public ::testing::Test {
 protected:
  cHistoryBudget m_budget{kNoLimit};
  cImageDocumentCore m_doc1;
  cImageDocumentCore m_doc2;
  cImageHistory m_history1{m_budget};
  cImageHistory m_history2{m_budget};
  std::mt19937 m_rng{9};

  void SetUp() override {
    m_doc1.LoadImage(*test::MakeImage(40, 30));
    m_doc2.LoadImage(*test::MakeImage(40, 30));
    m_history1.Clear(true);
    m_history2.Clear(true);
  }
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
  std::vector<std::string> Names(cImageHistory& history, cImageDocumentCore& doc) {
    // The names of the undo steps, newest first; the history is left where it was.
    std::vector<std::string> names;
    while (history.CanUndo()) {
      names.push_back(history.UndoName());
      history.Undo(doc);
    }
    while (history.CanRedo())
      history.Redo(doc);
    return names;
  }
};

TEST_F(HistoryBudget, TheOldestStepsOfAllDocumentsGoFirstAndEachKeepsItsLatest) {
  const int64_t s1 = Step(m_history1, m_doc1, "s1");
  const int64_t t1 = Step(m_history2, m_doc2, "t1");
  const int64_t s2 = Step(m_history1, m_doc1, "s2");
  const int64_t t2 = Step(m_history2, m_doc2, "t2");
  const int64_t s3 = Step(m_history1, m_doc1, "s3");
  EXPECT_EQ(m_budget.Bytes(), s1 + t1 + s2 + t2 + s3);
  EXPECT_EQ(m_budget.Bytes(), m_history1.Bytes() + m_history2.Bytes());
  const sState latest1 = StateOf(m_doc1);

  m_budget.Limit(m_budget.Bytes() - 1);
  EXPECT_EQ(Names(m_history1, m_doc1), (std::vector<std::string>{"s3", "s2"}));
  EXPECT_EQ(m_history2.StepCount(), 2);
  m_budget.Limit(m_budget.Bytes() - 1);
  EXPECT_EQ(Names(m_history2, m_doc2), (std::vector<std::string>{"t2"}));
  // The file's picture went with t1: the document cannot get back to it.
  EXPECT_FALSE(m_history2.AtSaved());
  m_history2.Undo(m_doc2);
  EXPECT_FALSE(m_history2.AtSaved());
  m_history2.Redo(m_doc2);

  // Nothing fits: each document keeps its latest step, and it still works.
  m_budget.Limit(0);
  EXPECT_EQ(Names(m_history1, m_doc1), (std::vector<std::string>{"s3"}));
  EXPECT_EQ(Names(m_history2, m_doc2), (std::vector<std::string>{"t2"}));
  EXPECT_EQ(m_budget.Bytes(), s3 + t2);
  EXPECT_EQ(StateOf(m_doc1), latest1);
  m_history1.Undo(m_doc1);
  EXPECT_NE(StateOf(m_doc1), latest1);
  m_history1.Redo(m_doc1);
  EXPECT_EQ(StateOf(m_doc1), latest1);
}

TEST_F(HistoryBudget, RecordingPushesOutTheOldestAndAGoneDocumentGivesItsBytesBack) {
  const int64_t lStep = Step(m_history1, m_doc1, "a");
  m_budget.Limit(lStep * 5 / 2);  // room for two steps of this kind
  Step(m_history2, m_doc2, "b");
  Step(m_history1, m_doc1, "c");
  EXPECT_EQ(Names(m_history1, m_doc1), (std::vector<std::string>{"c"}));
  EXPECT_EQ(Names(m_history2, m_doc2), (std::vector<std::string>{"b"}));
  Step(m_history2, m_doc2, "d");
  EXPECT_EQ(Names(m_history2, m_doc2), (std::vector<std::string>{"d"}));
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

TEST_F(HistoryBudget, ClosedPicturesCountAndGoOldestFirstBeforeTheOpenDocumentsSteps) {
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
  const int64_t lOpen = Step(m_history1, m_doc1, "a2");
  const int64_t lBefore = m_budget.Bytes();
  // The steps change hands uncounted; the held picture counts.
  close("a", m_history1);
  EXPECT_EQ(m_history1.StepCount(), 0);
  EXPECT_GT(m_budget.Bytes(), lBefore);
  Step(m_history2, m_doc2, "b1");
  Step(m_history2, m_doc2, "b2");
  cImageHistory empty(m_budget);
  close("c", empty);
  ASSERT_EQ(closed.Count(), 2u);
  // Over the limit: the oldest closed picture goes, the open document keeps its steps.
  m_budget.Limit(m_budget.Bytes());
  close("d", empty);
  ASSERT_EQ(closed.Count(), 2u);
  EXPECT_EQ(m_history2.StepCount(), 2);
  EXPECT_EQ(closed.Pop()->sName, "d");
  std::unique_ptr<sClosedPicture> pC = closed.Pop();
  EXPECT_EQ(pC->sName, "c");
  EXPECT_TRUE(closed.Empty());
  EXPECT_EQ(closed.Pop(), nullptr);
  EXPECT_EQ(m_budget.Bytes(), m_history2.Bytes() + pC->pHistory->Bytes());
  // Back in a document, a moved history works on as before.
  close("e", m_history2);
  cImageHistory back(m_budget);
  back.TakeFrom(*closed.Pop()->pHistory);
  EXPECT_EQ(Names(back, m_doc2), (std::vector<std::string>{"b2", "b1"}));
  EXPECT_EQ(m_budget.Bytes(), back.Bytes());
  EXPECT_GT(lOpen, 0);
}

TEST_F(HistoryBudget, RedoStepsWhoseFirstIsStillNeededStay) {
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
  EXPECT_EQ(m_history1.StepCount(), 2);
  EXPECT_FALSE(m_history1.CanUndo());
  EXPECT_EQ(m_history1.RedoName(), "b");
  m_history1.Redo(m_doc1);
  m_history1.Redo(m_doc1);
  // Now "b" is behind the position too; "c", the latest, stays.
  m_budget.Limit(0);
  EXPECT_EQ(m_history1.StepCount(), 1);
  EXPECT_EQ(m_history1.UndoName(), "c");
}

TEST(HistoryBudgetDefault, IsAGibibyteAtMostAndSomethingAtLeast) {
  EXPECT_LE(cHistoryBudget::DefaultLimit(), int64_t{1} << 30);
  EXPECT_GT(cHistoryBudget::DefaultLimit(), int64_t{1} << 20);
  EXPECT_EQ(SharedHistoryBudget().Limit(), cHistoryBudget::DefaultLimit());
}

}  // namespace
}  // namespace brennic
