// ProgressBar as the status strip uses it.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

#include "platform/ProgressBar.h"
#include "platform/mSysColor.h"
#include "support/GuiTestUtil.h"

namespace brennic {
namespace {

class ProgressBarTest : public ::testing::Test {
 protected:
  test::cScopedScreenMetrics m_metrics;  // 15 twips per pixel
  QWidget m_form;
  ProgressBar* m_pBar = new ProgressBar(&m_form);
};

// The window appears on loading, with the default range 0 to 100 (Min 1 -> 0), the system's
// colours and a sunken edge, and shows the range and position it is given.
TEST_F(ProgressBarTest, LoadedWithDefaultsTheWindowShowsRangeAndPosition) {
  m_pBar->setGeometry(0, 0, 102, 16);
  EXPECT_EQ(m_pBar->hwnd(), nullptr);
  m_pBar->ReadProperties(cPropertyBag());
  ASSERT_NE(m_pBar->hwnd(), nullptr);
  auto* pShown = qobject_cast<cProgressBarWidget*>(m_pBar->hwnd()->Widget());
  ASSERT_NE(pShown, nullptr);
  EXPECT_EQ(pShown->parentWidget(), m_pBar);
  EXPECT_EQ(std::make_tuple(pShown->Lower(), pShown->Upper(), pShown->Pos(), pShown->ThinEdge()),
            std::make_tuple(0, 100, 0, true));
  EXPECT_EQ(pShown->BackColor(), QGuiApplication::palette().color(QPalette::Button));
  EXPECT_EQ(pShown->BarColor(), QGuiApplication::palette().color(QPalette::Highlight));
  m_pBar->Max(250);
  m_pBar->Position(40);
  EXPECT_EQ(std::make_tuple(pShown->Upper(), pShown->Pos(), m_pBar->Max(), m_pBar->Position()),
            std::make_tuple(250, 40, 250, 40));
}

TEST_F(ProgressBarTest, ResizeMovesTheWindowToTheNewInnerSize) {
  m_pBar->ReadProperties(cPropertyBag());
  m_form.show();
  m_pBar->resize(60, 12);
  EXPECT_EQ(m_pBar->hwnd()->Widget()->geometry(), QRect(0, 0, 60, 12));
}

// A window of the older generation ignores the 32-bit range and answers 0 when asked for it: the
// control falls back to the 16-bit range, 70000 modulo 65536 in the upper word.
TEST(ProgressBarOlderWindow, FallsBackToTheSixteenBitRange) {
  struct cOlderWindow final : IProgressWindow {
    std::unique_ptr<IProgressWindow> p;
    int64_t SendMessage(uint32_t uMsg, int64_t w, int64_t l) override {
      return uMsg == PBM_SETRANGE32 || uMsg == PBM_GETRANGE ? 0 : p->SendMessage(uMsg, w, l);
    }
    uint32_t Style() const override { return p->Style(); }
    uint32_t ExStyle() const override { return p->ExStyle(); }
    void SetExStyle(uint32_t u) override { p->SetExStyle(u); }
    void FrameChanged() override { p->FrameChanged(); }
    void Move(int32_t x, int32_t y, int32_t w, int32_t h, bool b) override {
      p->Move(x, y, w, h, b);
    }
    void Hide() override { p->Hide(); }
    void Detach() override { p->Detach(); }
    QWidget* Widget() override { return p->Widget(); }
  };
  struct cOlderFactory final : IProgressWindowFactory {
    std::unique_ptr<IProgressWindow> Create(uint32_t u, int32_t x, int32_t y, int32_t w, int32_t h,
                                            QWidget* pParent) override {
      auto pWindow = std::make_unique<cOlderWindow>();
      pWindow->p = QtProgressWindowFactory().Create(u, x, y, w, h, pParent);
      return pWindow;
    }
  } older;
  QWidget form;
  ProgressBar bar(&form, &older);
  bar.ReadProperties(cPropertyBag());
  bar.Max(70000);
  const auto* pShown = qobject_cast<cProgressBarWidget*>(bar.hwnd()->Widget());
  EXPECT_EQ(std::make_tuple(pShown->Lower(), pShown->Upper(), bar.Max()),
            std::make_tuple(0, 4464, 70000));
}

}  // namespace
}  // namespace brennic
