// ProgressBar: what it sends its hosted window and when, over the real Qt window wrapped in a
// recorder, and what the window then shows.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/ProgressBar.h"
#include "platform/mSysColor.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

using test::cScopedScreenMetrics;
using Log = std::vector<std::string>;

std::string Hex(uint64_t v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(v));
  return buffer;
}

std::string MessageName(uint32_t uMsg) {
  static const std::map<uint32_t, std::string> names = {
      {PBM_SETRANGE, "SETRANGE"},       {PBM_SETPOS, "SETPOS"},         {PBM_SETSTEP, "SETSTEP"},
      {PBM_STEPIT, "STEPIT"},           {PBM_SETRANGE32, "SETRANGE32"}, {PBM_GETRANGE, "GETRANGE"},
      {PBM_SETBARCOLOR, "SETBARCOLOR"}, {PBM_SETBKCOLOR, "SETBKCOLOR"}};
  const auto it = names.find(uMsg);
  return it != names.end() ? it->second : "MSG" + Hex(uMsg);
}

// Records everything the control does to its window, then lets the real window carry it out.
// A window of the older generation does not know the 32-bit range messages: it ignores
// PBM_SETRANGE32 and answers 0 to PBM_GETRANGE.
class cRecordingWindow final : public IProgressWindow {
 public:
  cRecordingWindow(std::unique_ptr<IProgressWindow> pInner, Log& log, bool bLegacy)
      : m_pInner(std::move(pInner)), m_log(log), m_bLegacy(bLegacy) {}
  ~cRecordingWindow() override { m_log.push_back("DESTROY"); }

  int64_t SendMessage(uint32_t uMsg, int64_t wParam, int64_t lParam) override {
    m_log.push_back(MessageName(uMsg) + " " + std::to_string(wParam) + " " +
                    std::to_string(lParam));
    if (m_bLegacy && (uMsg == PBM_SETRANGE32 || uMsg == PBM_GETRANGE)) return 0;
    return m_pInner->SendMessage(uMsg, wParam, lParam);
  }
  uint32_t Style() const override { return m_pInner->Style(); }
  uint32_t ExStyle() const override { return m_pInner->ExStyle(); }
  void SetExStyle(uint32_t uExStyle) override {
    m_log.push_back("EXSTYLE " + Hex(uExStyle));
    m_pInner->SetExStyle(uExStyle);
  }
  void FrameChanged() override {
    m_log.push_back("FRAMECHANGED");
    m_pInner->FrameChanged();
  }
  void Move(int32_t x, int32_t y, int32_t lWidth, int32_t lHeight, bool bRepaint) override {
    m_pInner->Move(x, y, lWidth, lHeight, bRepaint);
  }
  void Hide() override { m_pInner->Hide(); }
  void Detach() override { m_pInner->Detach(); }
  QWidget* Widget() override { return m_pInner->Widget(); }

 private:
  std::unique_ptr<IProgressWindow> m_pInner;
  Log& m_log;
  bool m_bLegacy;
};

class cRecordingFactory final : public IProgressWindowFactory {
 public:
  explicit cRecordingFactory(bool bLegacy = false) : m_bLegacy(bLegacy) {}
  std::unique_ptr<IProgressWindow> Create(uint32_t uStyle, int32_t x, int32_t y, int32_t lWidth,
                                          int32_t lHeight, QWidget* pParent) override {
    log.push_back("CREATE " + Hex(uStyle) + " " + std::to_string(x) + "," + std::to_string(y) +
                  " " + std::to_string(lWidth) + "x" + std::to_string(lHeight));
    return std::make_unique<cRecordingWindow>(
        QtProgressWindowFactory().Create(uStyle, x, y, lWidth, lHeight, pParent), log, m_bLegacy);
  }
  Log log;

 private:
  bool m_bLegacy;
};

cProgressBarWidget* Shown(const ProgressBar& bar) {
  return bar.hwnd() != nullptr ? qobject_cast<cProgressBarWidget*>(bar.hwnd()->Widget()) : nullptr;
}

class ProgressBarTest : public ::testing::Test {
 protected:
  cScopedScreenMetrics m_metrics;  // 15 twips per pixel
  cRecordingFactory m_factory;     // outlives the form and the windows it records
  QWidget m_form;
  ProgressBar* m_pBar = nullptr;
  std::vector<std::string> m_changed;

  void SetUp() override {
    m_pBar = new ProgressBar(&m_form, &m_factory);
    m_pBar->setGeometry(0, 0, 102, 16);
    QObject::connect(m_pBar, &ProgressBar::PropertyChanged,
                     [this](const char* sName) { m_changed.emplace_back(sName); });
  }
  // The control as loaded with its form from stored default settings.
  void LoadDefaults() {
    m_pBar->ReadProperties(cPropertyBag());
    m_factory.log.clear();
    m_changed.clear();
  }
};

// Loading with default settings sends the background colour and the range (Min 1 -> 0), but
// neither the bar colour nor the step, which equal the constructed values.
TEST_F(ProgressBarTest, LoadingWithDefaultsSendsBackgroundAndRangeOnly) {
  EXPECT_EQ(m_pBar->hwnd(), nullptr);
  m_pBar->ReadProperties(cPropertyBag());
  const Log expected = {"CREATE 50000000 0,0 102x16",
                        "SETPOS 0 0",
                        "EXSTYLE 20000",
                        "FRAMECHANGED",
                        "SETBKCOLOR 0 " + std::to_string(GetSysColor(15)),
                        "SETRANGE32 0 100",
                        "GETRANGE 0 0",
                        "GETRANGE 1 0"};
  EXPECT_EQ(m_factory.log, expected);
  ASSERT_NE(Shown(*m_pBar), nullptr);
  EXPECT_EQ(Shown(*m_pBar)->parentWidget(), m_pBar);
  EXPECT_EQ(Shown(*m_pBar)->Upper(), 100);
}

TEST_F(ProgressBarTest, SettersIgnoreUnchangedValues) {
  LoadDefaults();
  m_pBar->Max(100);
  m_pBar->Min(0);
  m_pBar->Step(1);
  m_pBar->Position(0);
  m_pBar->ForeColor(kSysHighlight);
  m_pBar->BackColor(kSysButtonFace);
  m_pBar->Smooth(false);
  m_pBar->Orientation(0);
  m_pBar->BorderStyle(1);
  EXPECT_TRUE(m_factory.log.empty());
  EXPECT_TRUE(m_changed.empty());

  m_pBar->Max(250);
  m_pBar->Position(40);
  m_pBar->Step(5);
  m_pBar->ForeColor(RGB(255, 0, 0));
  const Log expected = {"SETRANGE32 0 250", "GETRANGE 0 0", "GETRANGE 1 0",
                        "SETPOS 40 0",      "SETSTEP 5 0",  "SETBARCOLOR 0 255"};
  EXPECT_EQ(m_factory.log, expected);
  EXPECT_EQ(m_changed, (std::vector<std::string>{"Max", "Position", "Step", "ForeColor"}));
  EXPECT_EQ(Shown(*m_pBar)->Pos(), 40);
  EXPECT_EQ(Shown(*m_pBar)->BarColor(), QColor(255, 0, 0));
}

TEST_F(ProgressBarTest, OrientationReCreatesTheWindowKeepingWhatItShows) {
  LoadDefaults();
  m_pBar->Max(200);
  m_pBar->Position(40);
  m_pBar->Step(7);
  m_pBar->ForeColor(RGB(255, 0, 0));
  m_pBar->BackColor(RGB(0, 0, 255));
  const QPointer<cProgressBarWidget> pOld = Shown(*m_pBar);
  m_factory.log.clear();

  m_pBar->Orientation(1);
  EXPECT_TRUE(pOld.isNull());
  const Log expected = {"DESTROY",          "CREATE 50000004 0,0 102x16",
                        "SETPOS 40 0",      "SETRANGE32 0 200",
                        "GETRANGE 0 0",     "GETRANGE 1 0",
                        "SETPOS 40 0",      "EXSTYLE 20000",
                        "FRAMECHANGED",     "SETBKCOLOR 0 " + std::to_string(RGB(0, 0, 255)),
                        "SETBARCOLOR 0 255"};
  EXPECT_EQ(m_factory.log, expected);
  cProgressBarWidget* pNew = Shown(*m_pBar);
  ASSERT_NE(pNew, nullptr);
  EXPECT_TRUE(pNew->Vertical());
  EXPECT_EQ(pNew->Pos(), 40);
  EXPECT_TRUE(pNew->ThinEdge());
  // The step is not sent again: the new window has its own.
  EXPECT_EQ(pNew->StepSize(), 10);
  EXPECT_EQ(m_pBar->Step(), 7);

  m_factory.log.clear();
  m_pBar->Smooth(true);
  ASSERT_FALSE(m_factory.log.empty());
  EXPECT_EQ(m_factory.log[1], "CREATE 50000005 0,0 102x16");
  EXPECT_TRUE(Shown(*m_pBar)->Smooth());
}

TEST_F(ProgressBarTest, OlderWindowFallsBackToSixteenBitRange) {
  cRecordingFactory legacy(true);
  QWidget form;
  ProgressBar bar(&form, &legacy);
  bar.setGeometry(0, 0, 100, 10);
  bar.ReadProperties(cPropertyBag());
  legacy.log.clear();

  bar.Max(70000);
  // 70000 modulo 65536 in the upper word, 0 in the lower.
  const Log expected = {"SETRANGE32 0 70000", "GETRANGE 0 0", "GETRANGE 1 0",
                        "SETRANGE 0 " + std::to_string(4464 << 16)};
  EXPECT_EQ(legacy.log, expected);
  EXPECT_EQ(Shown(bar)->Upper(), 4464);
  EXPECT_EQ(Shown(bar)->Lower(), 0);
  EXPECT_EQ(bar.Max(), 70000);
}

TEST_F(ProgressBarTest, WithoutAWindowTheControlKeepsItsOwnState) {
  m_pBar->BorderStyle(2);
  EXPECT_EQ(m_pBar->OwnExStyle(), WS_EX_CLIENTEDGE);
  EXPECT_EQ(m_pBar->frameWidth(), 2);
  m_pBar->BorderStyle(1);
  EXPECT_EQ(m_pBar->OwnExStyle(), 0u);
  m_pBar->Step(5);
  m_pBar->Position(10);
  m_pBar->StepIt();
  m_pBar->StepIt();
  EXPECT_EQ(m_pBar->Position(), 20);
  EXPECT_TRUE(m_factory.log.empty());

  // With a window, the window advances by its own step and Position keeps its value.
  LoadDefaults();
  m_pBar->Step(7);
  m_factory.log.clear();
  m_pBar->StepIt();
  EXPECT_EQ(m_factory.log, (Log{"STEPIT 0 0"}));
  EXPECT_EQ(m_pBar->Position(), 20);
  EXPECT_EQ(Shown(*m_pBar)->Pos(), 27);
  m_pBar->BorderStyle(5);  // an unknown style draws no edge
  EXPECT_FALSE(Shown(*m_pBar)->ThinEdge());
  EXPECT_EQ(m_pBar->OwnExStyle(), 0u);
}

TEST_F(ProgressBarTest, StoredSettingsRoundTripAndDefaultsAreNotWritten) {
  LoadDefaults();
  cPropertyBag empty;
  m_pBar->WriteProperties(empty);
  EXPECT_TRUE(empty.Empty());

  m_pBar->Max(500);
  cPropertyBag onlyMax;
  m_pBar->WriteProperties(onlyMax);
  EXPECT_EQ(onlyMax.Names(), (std::vector<std::string>{"Max"}));

  m_pBar->Step(3);
  m_pBar->Min(-10);
  m_pBar->BackColor(static_cast<int32_t>(0x80000005));
  m_pBar->ForeColor(RGB(1, 2, 3));
  m_pBar->Orientation(1);
  m_pBar->Smooth(true);
  m_pBar->BorderStyle(2);
  m_pBar->Position(77);
  cPropertyBag all;
  m_pBar->WriteProperties(all);
  EXPECT_EQ(all.Names(),
            (std::vector<std::string>{"BorderStyle", "Smooth", "Orientation", "ForeColor",
                                      "BackColor", "Min", "Max", "Step"}));

  QWidget form;
  cRecordingFactory factory;
  ProgressBar loaded(&form, &factory);
  loaded.setGeometry(0, 0, 50, 50);
  loaded.ReadProperties(all);
  EXPECT_EQ(
      (std::vector<int32_t>{loaded.BorderStyle(), loaded.Smooth(), loaded.Orientation(),
                            loaded.ForeColor(), loaded.BackColor(), loaded.Min(), loaded.Max(),
                            loaded.Step()}),
      (std::vector<int32_t>{2, 1, 1, RGB(1, 2, 3), static_cast<int32_t>(0x80000005), -10, 500, 3}));
  EXPECT_EQ(loaded.Position(), 0);  // not stored
  // Smooth and Orientation were stored before the one window was created.
  EXPECT_EQ(factory.log.front(), "CREATE 50000005 0,0 50x50");
  EXPECT_EQ(std::count_if(factory.log.begin(), factory.log.end(),
                          [](const std::string& s) { return s.rfind("CREATE", 0) == 0; }),
            1);
  EXPECT_EQ(Shown(loaded)->StepSize(), 3);
  EXPECT_EQ(Shown(loaded)->BackColor(), ColorFromRGB(GetSysColor(5)));
  // The sunken edge, applied after creation, moved the window inside it.
  EXPECT_EQ(Shown(loaded)->geometry(), QRect(2, 2, 46, 46));
}

TEST_F(ProgressBarTest, NewControlOnAFormTakesTheContainersBackground) {
  QPalette palette = m_form.palette();
  palette.setColor(m_form.backgroundRole(), QColor(12, 34, 56));
  m_form.setPalette(palette);
  m_pBar->InitProperties();
  EXPECT_EQ(m_pBar->BorderStyle(), 1);
  EXPECT_EQ(m_pBar->BackColor(), RGB(12, 34, 56));
  // Stored only: the window was not told.
  for (const std::string& s : m_factory.log)
    EXPECT_EQ(s.find("SETBKCOLOR"), std::string::npos);
  EXPECT_TRUE(Shown(*m_pBar)->ThinEdge());
}

TEST(SysColor, TranslatesSystemColoursAndRefusesWhatNamesNoColour) {
  int32_t lRGB = 0;
  ASSERT_TRUE(TranslateColor(kSysHighlight, lRGB));
  EXPECT_EQ(ColorFromRGB(lRGB), QGuiApplication::palette().color(QPalette::Highlight));
  ASSERT_TRUE(TranslateColor(kSysButtonFace, lRGB));
  EXPECT_EQ(ColorFromRGB(lRGB), QGuiApplication::palette().color(QPalette::Button));
  EXPECT_TRUE(TranslateColor(static_cast<int32_t>(0x8000001E), lRGB));
  EXPECT_FALSE(TranslateColor(static_cast<int32_t>(0x8000001F), lRGB));
  ASSERT_TRUE(TranslateColor(0x00123456, lRGB));
  EXPECT_EQ(lRGB, 0x123456);
  ASSERT_TRUE(TranslateColor(0x02123456, lRGB));
  EXPECT_EQ(lRGB, 0x123456);
  EXPECT_FALSE(TranslateColor(0x01000005, lRGB));  // a palette index without a palette
  EXPECT_EQ(TranslatedColorOrMinusOne(0x40000000), -1);
}

TEST_F(ProgressBarTest, UntranslatableColourIsSentAsMinusOneAndShowsTheDefault) {
  LoadDefaults();
  m_pBar->ForeColor(RGB(0, 255, 0));
  m_factory.log.clear();
  m_pBar->ForeColor(static_cast<int32_t>(0x80000040));
  EXPECT_EQ(m_factory.log, (Log{"SETBARCOLOR 0 -1"}));
  EXPECT_EQ(Shown(*m_pBar)->BarColor(), QGuiApplication::palette().color(QPalette::Highlight));
}

TEST_F(ProgressBarTest, ResizeMovesTheWindowToTheNewInnerSize) {
  LoadDefaults();
  m_form.show();
  m_pBar->resize(60, 12);
  EXPECT_EQ(m_pBar->hwnd()->Widget()->geometry(), QRect(0, 0, 60, 12));

  // The size in pixels is the inner size in whole twips divided by the whole twips per pixel:
  // at 12.5 (115.2 dpi) 60 pixels are 750 twips, and 750 / 12 gives 62.
  cScopedScreenMetrics odd({12.5, 12.5, 1024, 768, 32});
  m_pBar->resize(60, 24);
  EXPECT_EQ(m_pBar->hwnd()->Widget()->geometry(), QRect(0, 0, 62, 25));
}

}  // namespace
}  // namespace brennic
