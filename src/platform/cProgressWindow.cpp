#include "platform/cProgressWindow.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>

#include "platform/mSysColor.h"

namespace brennic {

namespace {

constexpr int32_t kSysColorHighlight = 13;
constexpr int32_t kSysColorButtonFace = 15;
// Gap between the blocks of a segmented bar, in pixels.
constexpr int32_t kBlockGap = 2;

int32_t LowWord(int64_t v) {
  return static_cast<int32_t>(static_cast<uint64_t>(v) & 0xFFFFu);
}

int32_t HighWord(int64_t v) {
  return static_cast<int32_t>((static_cast<uint64_t>(v) >> 16) & 0xFFFFu);
}

// A colour the caller gave as RGB, or the system colour when it gave -1 (or any other value
// that is not a plain RGB).
QColor ColorOrSystem(int32_t lRGB, int32_t iSysIndex) {
  if ((static_cast<uint32_t>(lRGB) & 0xFF000000u) != 0) return ColorFromRGB(GetSysColor(iSysIndex));
  return ColorFromRGB(lRGB);
}

class cQtProgressWindow final : public IProgressWindow {
 public:
  cQtProgressWindow(uint32_t uStyle, QWidget* pParent)
      : m_pBar(new cProgressBarWidget(uStyle, pParent)) {
    // Destroyed with its parent: the window no longer exists.
    m_connection = QObject::connect(m_pBar, &QObject::destroyed, [this] { m_pBar = nullptr; });
  }
  ~cQtProgressWindow() override {
    QObject::disconnect(m_connection);
    delete m_pBar;
  }
  cQtProgressWindow(const cQtProgressWindow&) = delete;
  cQtProgressWindow& operator=(const cQtProgressWindow&) = delete;

  int64_t SendMessage(uint32_t uMsg, int64_t wParam, int64_t lParam) override {
    return m_pBar != nullptr ? m_pBar->Message(uMsg, wParam, lParam) : 0;
  }
  uint32_t Style() const override { return m_pBar != nullptr ? m_pBar->Style() : 0; }
  uint32_t ExStyle() const override { return m_pBar != nullptr ? m_pBar->ExStyle() : 0; }
  void SetExStyle(uint32_t uExStyle) override {
    if (m_pBar != nullptr) m_pBar->SetExStyle(uExStyle);
  }
  void FrameChanged() override {
    if (m_pBar != nullptr) m_pBar->update();
  }
  void Move(int32_t x, int32_t y, int32_t lWidth, int32_t lHeight, bool bRepaint) override {
    if (m_pBar == nullptr) return;
    QPoint origin(x, y);
    if (QWidget* pParent = m_pBar->parentWidget()) origin += pParent->contentsRect().topLeft();
    m_pBar->setGeometry(origin.x(), origin.y(), std::max(0, lWidth), std::max(0, lHeight));
    if (bRepaint) m_pBar->update();
  }
  void Hide() override {
    if (m_pBar != nullptr) m_pBar->hide();
  }
  void Detach() override {
    if (m_pBar != nullptr) m_pBar->setParent(nullptr);
  }
  QWidget* Widget() override { return m_pBar; }

 private:
  cProgressBarWidget* m_pBar;
  QMetaObject::Connection m_connection;
};

class cQtProgressWindowFactory final : public IProgressWindowFactory {
 public:
  std::unique_ptr<IProgressWindow> Create(uint32_t uStyle, int32_t x, int32_t y, int32_t lWidth,
                                          int32_t lHeight, QWidget* pParent) override {
    auto pWindow = std::make_unique<cQtProgressWindow>(uStyle, pParent);
    pWindow->Move(x, y, lWidth, lHeight, false);
    if ((uStyle & WS_VISIBLE) != 0) pWindow->Widget()->show();
    return pWindow;
  }
};

}  // namespace

IProgressWindowFactory& QtProgressWindowFactory() {
  static cQtProgressWindowFactory factory;
  return factory;
}

cProgressBarWidget::cProgressBarWidget(uint32_t uStyle, QWidget* pParent)
    : QProgressBar(pParent), m_uStyle(uStyle) {
  setObjectName("msctls_progress32");
  setTextVisible(false);
  setOrientation(Vertical() ? Qt::Vertical : Qt::Horizontal);
  QProgressBar::setRange(m_lMin, m_lMax);
  QProgressBar::setValue(m_lPos);
}

QColor cProgressBarWidget::BarColor() const {
  return ColorOrSystem(m_lBarColor, kSysColorHighlight);
}

QColor cProgressBarWidget::BackColor() const {
  return ColorOrSystem(m_lBkColor, kSysColorButtonFace);
}

void cProgressBarWidget::SetRange(int32_t lMin, int32_t lMax) {
  m_lMin = lMin;
  m_lMax = lMax;
  // QProgressBar cannot hold an inverted range; the painting below does not need it to.
  QProgressBar::setRange(lMin, std::max(lMin, lMax));
  SetPos(m_lPos);
}

void cProgressBarWidget::SetPos(int32_t lPos) {
  // The position always lies within the range.
  m_lPos = lPos > m_lMax ? m_lMax : lPos;
  if (m_lPos < m_lMin) m_lPos = m_lMin;
  // An operation reports every column of a picture: only a position the bar can show is passed
  // on (the ends always are), since each costs the progress bar far more than the operation.
  const int32_t lLength = FilledLength(BarArea());
  if (lLength == m_lShownLength && m_lPos != m_lMin && m_lPos != m_lMax) return;
  m_lShownLength = lLength;
  // QProgressBar paints at once on almost every new value, since it never learns that the
  // paintEvent below drew it. The bar is painted in the usual way instead: re-enabling updates
  // schedules it.
  setUpdatesEnabled(false);
  QProgressBar::setValue(std::clamp(m_lPos, minimum(), maximum()));
  setUpdatesEnabled(true);
}

QRect cProgressBarWidget::BarArea() const {
  QRect client = rect();
  if (ThinEdge()) client.adjust(1, 1, -1, -1);
  // The bar keeps a margin of one pixel of background all round.
  return client.adjusted(1, 1, -1, -1);
}

int32_t cProgressBarWidget::FilledLength(const QRect& area) const {
  const int64_t lSpan = int64_t{m_lMax} - m_lMin;
  if (area.isEmpty() || lSpan <= 0) return 0;
  const int32_t lLength = Vertical() ? area.height() : area.width();
  return static_cast<int32_t>((int64_t{lLength} * (m_lPos - m_lMin)) / lSpan);
}

int64_t cProgressBarWidget::Message(uint32_t uMsg, int64_t wParam, int64_t lParam) {
  switch (uMsg) {
    case PBM_SETRANGE: {
      const int64_t lOld = LowWord(m_lMin) | (int64_t{LowWord(m_lMax)} << 16);
      SetRange(LowWord(lParam), HighWord(lParam));
      return lOld;
    }
    case PBM_SETRANGE32: {
      const int64_t lOld = LowWord(m_lMin) | (int64_t{LowWord(m_lMax)} << 16);
      SetRange(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
      return lOld;
    }
    case PBM_GETRANGE:
      return wParam != 0 ? m_lMin : m_lMax;
    case PBM_SETPOS: {
      const int32_t lOld = m_lPos;
      SetPos(static_cast<int32_t>(wParam));
      return lOld;
    }
    case PBM_DELTAPOS: {
      const int32_t lOld = m_lPos;
      SetPos(static_cast<int32_t>(m_lPos + wParam));
      return lOld;
    }
    case PBM_GETPOS:
      return m_lPos;
    case PBM_SETSTEP: {
      const int32_t lOld = m_lStep;
      m_lStep = static_cast<int32_t>(wParam);
      return lOld;
    }
    case PBM_STEPIT: {
      const int32_t lOld = m_lPos;
      const int64_t lNext = int64_t{m_lPos} + m_lStep;
      // Past the end the bar starts over from the beginning.
      SetPos(lNext > m_lMax ? m_lMin : static_cast<int32_t>(lNext));
      return lOld;
    }
    case PBM_SETBARCOLOR: {
      const int32_t lOld = m_lBarColor;
      m_lBarColor = static_cast<int32_t>(lParam);
      update();
      return lOld;
    }
    case PBM_SETBKCOLOR: {
      const int32_t lOld = m_lBkColor;
      m_lBkColor = static_cast<int32_t>(lParam);
      update();
      return lOld;
    }
    default:
      return 0;
  }
}

void cProgressBarWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect client = rect();
  if (ThinEdge()) {
    qDrawShadePanel(&painter, client, palette(), true, 1);
    client.adjust(1, 1, -1, -1);
  }
  painter.fillRect(client, BackColor());
  const QRect area = BarArea();
  if (area.isEmpty() || int64_t{m_lMax} - m_lMin <= 0) return;

  const QColor bar = BarColor();
  const int32_t lLength = Vertical() ? area.height() : area.width();
  const int32_t lThickness = Vertical() ? area.width() : area.height();
  const int32_t lFilled = FilledLength(area);
  auto fill = [&](int32_t lFrom, int32_t lCount) {
    if (Vertical()) {
      painter.fillRect(area.left(), area.bottom() + 1 - lFrom - lCount, area.width(), lCount, bar);
    } else {
      painter.fillRect(area.left() + lFrom, area.top(), lCount, area.height(), bar);
    }
  };
  if (Smooth()) {
    if (lFilled > 0) fill(0, lFilled);
    return;
  }
  const int32_t lBlock = std::max(1, lThickness * 2 / 3);
  for (int32_t at = 0; at < lFilled; at += lBlock + kBlockGap) {
    fill(at, std::min(lBlock, lLength - at));
  }
}

}  // namespace brennic
