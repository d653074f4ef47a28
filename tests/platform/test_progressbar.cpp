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

}  // namespace
}  // namespace brennic
