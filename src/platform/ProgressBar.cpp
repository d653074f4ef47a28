#include "platform/ProgressBar.h"

#include <algorithm>

#include "image/mConventions.h"
#include "platform/mSysColor.h"
#include "platform/mWindowing.h"

namespace brennic {

namespace {

// Stored settings and their defaults.
constexpr int32_t kDefBorderStyle = 1;
constexpr bool kDefSmooth = false;
constexpr int32_t kDefOrientation = 0;
constexpr int32_t kDefForeColor = kSysHighlight;
constexpr int32_t kDefBackColor = kSysButtonFace;
constexpr int32_t kDefMin = 0;
constexpr int32_t kDefMax = 100;
constexpr int32_t kDefStep = 1;

// Twips divided by twips per pixel, each rounded to a whole number first.
int32_t ScaleToPixels(int32_t lPixels, double dTwipsPerPixel) {
  const int32_t lTwips = RoundHalfEven(lPixels * dTwipsPerPixel);
  const int32_t lPerPixel = std::max(1, RoundHalfEven(dTwipsPerPixel));
  return lTwips / lPerPixel;
}

}  // namespace

ProgressBar::ProgressBar(QWidget* pParent, IProgressWindowFactory* pFactory)
    : QFrame(pParent),
      m_pFactory(pFactory != nullptr ? pFactory : &QtProgressWindowFactory()),
      m_lForeColor(kSysHighlight) {
  setFrameStyle(QFrame::NoFrame);
}

ProgressBar::~ProgressBar() {
  DestroyProgressWindow();
}

void ProgressBar::DestroyProgressWindow() {
  if (!m_pWindow) return;
  m_pWindow->Hide();
  m_pWindow->Detach();
  m_pWindow.reset();
}

int32_t ProgressBar::InnerWidthPixels() const {
  return ScaleToPixels(contentsRect().width(), TwipsPerPixelX());
}

int32_t ProgressBar::InnerHeightPixels() const {
  return ScaleToPixels(contentsRect().height(), TwipsPerPixelY());
}

void ProgressBar::CreateProgressWindow() {
  DestroyProgressWindow();
  uint32_t uStyle = WS_CHILD | WS_VISIBLE;
  if (m_lOrientation == 1) uStyle |= PBS_VERTICAL;
  if (m_bSmooth) uStyle |= PBS_SMOOTH;
  m_pWindow = m_pFactory->Create(uStyle, 0, 0, InnerWidthPixels(), InnerHeightPixels(), this);
  if (m_pWindow) m_pWindow->SendMessage(PBM_SETPOS, m_lPosition, 0);
}

void ProgressBar::ReCreate() {
  const int32_t lBorderStyle = m_lBorderStyle;
  const int32_t lPosition = m_lPosition;
  const int32_t lBackColor = m_lBackColor;
  const int32_t lForeColor = m_lForeColor;
  CreateProgressWindow();
  if (!m_pWindow) return;
  SetRange();
  // Each field is spoiled first so that its setter sends the value to the new window.
  m_lPosition = -1;
  Position(lPosition);
  m_lBorderStyle = -1;
  BorderStyle(lBorderStyle);
  m_lBackColor = -1;
  BackColor(lBackColor);
  m_lForeColor = -1;
  ForeColor(lForeColor);
}

void ProgressBar::SetRange() {
  if (!m_pWindow) return;
  m_pWindow->SendMessage(PBM_SETRANGE32, m_lMin, m_lMax);
  const int64_t lUpper = m_pWindow->SendMessage(PBM_GETRANGE, 0, 0);
  const int64_t lLower = m_pWindow->SendMessage(PBM_GETRANGE, 1, 0);
  if (lUpper == m_lMax && lLower == m_lMin) return;
  // A window of the older generation keeps 16-bit limits only.
  const uint32_t uRange =
      (static_cast<uint32_t>(m_lMin) & 0xFFFFu) | ((static_cast<uint32_t>(m_lMax) & 0xFFFFu) << 16);
  m_pWindow->SendMessage(PBM_SETRANGE, 0, uRange);
}

void ProgressBar::SetOwnExStyle(uint32_t uExStyle) {
  m_uOwnExStyle = uExStyle;
  if ((uExStyle & WS_EX_CLIENTEDGE) != 0) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  } else {
    setFrameStyle(QFrame::NoFrame);
  }
}

void ProgressBar::ApplyBorderStyle() {
  if (m_pWindow) {
    uint32_t uEx = m_pWindow->ExStyle();
    uEx = m_lBorderStyle == 1 ? (uEx | WS_EX_STATICEDGE) : (uEx & ~WS_EX_STATICEDGE);
    m_pWindow->SetExStyle(uEx);
    m_pWindow->FrameChanged();
  }
  uint32_t uOwn = m_uOwnExStyle;
  uOwn = m_lBorderStyle == 2 ? (uOwn | WS_EX_CLIENTEDGE) : (uOwn & ~WS_EX_CLIENTEDGE);
  SetOwnExStyle(uOwn);
  // A new frame gives a new client area: the hosted window follows it.
  if (m_pWindow) m_pWindow->Move(0, 0, InnerWidthPixels(), InnerHeightPixels(), true);
  update();
}

void ProgressBar::BackColor(int32_t lColor) {
  if (lColor == m_lBackColor) return;
  m_lBackColor = lColor;
  if (m_pWindow) m_pWindow->SendMessage(PBM_SETBKCOLOR, 0, TranslatedColorOrMinusOne(lColor));
  Changed("BackColor");
}

void ProgressBar::ForeColor(int32_t lColor) {
  if (lColor == m_lForeColor) return;
  m_lForeColor = lColor;
  if (m_pWindow) m_pWindow->SendMessage(PBM_SETBARCOLOR, 0, TranslatedColorOrMinusOne(lColor));
  Changed("ForeColor");
}

void ProgressBar::Smooth(bool bSmooth) {
  if (bSmooth == m_bSmooth) return;
  m_bSmooth = bSmooth;
  if (m_pWindow) ReCreate();
  Changed("Smooth");
}

void ProgressBar::Orientation(int32_t lOrientation) {
  if (lOrientation == m_lOrientation) return;
  m_lOrientation = lOrientation;
  if (m_pWindow) ReCreate();
  Changed("Orientation");
}

void ProgressBar::BorderStyle(int32_t lBorderStyle) {
  if (lBorderStyle == m_lBorderStyle) return;
  m_lBorderStyle = lBorderStyle;
  ApplyBorderStyle();
  Changed("BorderStyle");
}

void ProgressBar::Position(int32_t lPosition) {
  if (lPosition == m_lPosition) return;
  m_lPosition = lPosition;
  if (m_pWindow) m_pWindow->SendMessage(PBM_SETPOS, lPosition, 0);
  Changed("Position");
}

void ProgressBar::Min(int32_t lMin) {
  if (lMin == m_lMin) return;
  m_lMin = lMin;
  SetRange();
  Changed("Min");
}

void ProgressBar::Max(int32_t lMax) {
  if (lMax == m_lMax) return;
  m_lMax = lMax;
  SetRange();
  Changed("Max");
}

void ProgressBar::Step(int32_t lStep) {
  if (lStep == m_lStep) return;
  m_lStep = lStep;
  if (m_pWindow) m_pWindow->SendMessage(PBM_SETSTEP, lStep, 0);
  Changed("Step");
}

void ProgressBar::StepIt() {
  if (m_pWindow) {
    m_pWindow->SendMessage(PBM_STEPIT, 0, 0);
  } else {
    m_lPosition += m_lStep;
  }
}

void ProgressBar::InitProperties() {
  m_bSmooth = false;
  m_lOrientation = 0;
  CreateProgressWindow();
  BorderStyle(1);
  // The container's background, stored only: the window keeps its own until BackColor is set.
  const QWidget* pContainer = parentWidget();
  m_lBackColor = pContainer != nullptr
                     ? RGBFromColor(pContainer->palette().color(pContainer->backgroundRole()))
                     : kSysButtonFace;
}

void ProgressBar::ReadProperties(const cPropertyBag& bag) {
  // No window exists yet: these two are only stored.
  Smooth(bag.ReadProperty("Smooth", kDefSmooth));
  Orientation(bag.ReadProperty("Orientation", kDefOrientation));
  CreateProgressWindow();
  // The border is applied even when it equals the constructed value.
  m_lBorderStyle = bag.ReadProperty("BorderStyle", kDefBorderStyle);
  ApplyBorderStyle();
  ForeColor(bag.ReadProperty("ForeColor", kDefForeColor));
  BackColor(bag.ReadProperty("BackColor", kDefBackColor));
  Min(bag.ReadProperty("Min", kDefMin));
  Max(bag.ReadProperty("Max", kDefMax));
  Step(bag.ReadProperty("Step", kDefStep));
}

void ProgressBar::WriteProperties(cPropertyBag& bag) const {
  bag.WriteProperty("BorderStyle", m_lBorderStyle, kDefBorderStyle);
  bag.WriteProperty("Smooth", m_bSmooth, kDefSmooth);
  bag.WriteProperty("Orientation", m_lOrientation, kDefOrientation);
  bag.WriteProperty("ForeColor", m_lForeColor, kDefForeColor);
  bag.WriteProperty("BackColor", m_lBackColor, kDefBackColor);
  bag.WriteProperty("Min", m_lMin, kDefMin);
  bag.WriteProperty("Max", m_lMax, kDefMax);
  bag.WriteProperty("Step", m_lStep, kDefStep);
}

void ProgressBar::resizeEvent(QResizeEvent* pEvent) {
  QFrame::resizeEvent(pEvent);
  if (m_pWindow) m_pWindow->Move(0, 0, InnerWidthPixels(), InnerHeightPixels(), true);
}

}  // namespace brennic
