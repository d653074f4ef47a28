#pragma once
// The progress window a ProgressBar hosts, seen through the messages and styles of the classic
// progress control ("msctls_progress32"). ProgressBar decides what to send; the window carries
// it out. The shipped window is a QProgressBar that paints itself in the classic way (a
// continuous or a segmented bar, its own bar and background colours, an optional thin edge).
// Tests wrap or replace windows to record the messages or to play a control of an older
// generation.

#include <QProgressBar>
#include <cstdint>
#include <memory>

class QWidget;

namespace brennic {

// Messages.
inline constexpr uint32_t PBM_SETRANGE = 0x0401;    // lParam: low word min, high word max
inline constexpr uint32_t PBM_SETPOS = 0x0402;      // wParam: position; returns the old one
inline constexpr uint32_t PBM_DELTAPOS = 0x0403;    // wParam: increment; returns the old position
inline constexpr uint32_t PBM_SETSTEP = 0x0404;     // wParam: step; returns the old one
inline constexpr uint32_t PBM_STEPIT = 0x0405;      // advance by the step; returns the old position
inline constexpr uint32_t PBM_SETRANGE32 = 0x0406;  // wParam min, lParam max
inline constexpr uint32_t PBM_GETRANGE = 0x0407;    // wParam 0: upper limit, 1: lower limit
inline constexpr uint32_t PBM_GETPOS = 0x0408;
inline constexpr uint32_t PBM_SETBARCOLOR = 0x0409;  // lParam: RGB, -1 for the default
inline constexpr uint32_t PBM_SETBKCOLOR = 0x2001;   // lParam: RGB, -1 for the default

// Window styles.
inline constexpr uint32_t WS_CHILD = 0x40000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t PBS_SMOOTH = 0x1;
inline constexpr uint32_t PBS_VERTICAL = 0x4;
// Extended styles: a thin edge, and the sunken edge of a client area.
inline constexpr uint32_t WS_EX_STATICEDGE = 0x20000;
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x200;

class IProgressWindow {
 public:
  virtual ~IProgressWindow() = default;

  virtual int64_t SendMessage(uint32_t uMsg, int64_t wParam, int64_t lParam) = 0;
  virtual uint32_t Style() const = 0;
  virtual uint32_t ExStyle() const = 0;
  virtual void SetExStyle(uint32_t uExStyle) = 0;
  // The frame is to be drawn again after an extended style was written.
  virtual void FrameChanged() = 0;
  // Place and size in pixels, relative to the parent's client area.
  virtual void Move(int32_t x, int32_t y, int32_t lWidth, int32_t lHeight, bool bRepaint) = 0;
  virtual void Hide() = 0;
  // Detaches the window from its parent (it is destroyed next).
  virtual void Detach() = 0;
  // The widget that shows the window.
  virtual QWidget* Widget() = 0;
};

class IProgressWindowFactory {
 public:
  virtual ~IProgressWindowFactory() = default;
  // Creates a visible child of pParent's client area with the given style at x, y, lWidth x
  // lHeight pixels; nullptr when it cannot.
  virtual std::unique_ptr<IProgressWindow> Create(uint32_t uStyle, int32_t x, int32_t y,
                                                  int32_t lWidth, int32_t lHeight,
                                                  QWidget* pParent) = 0;
};

// The shipped factory (a single shared instance).
IProgressWindowFactory& QtProgressWindowFactory();

// The QProgressBar the shipped window shows. Range and position follow the control's rules
// (a range whose maximum is below its minimum is kept as given); the bar paints itself from them.
class cProgressBarWidget final : public QProgressBar {
  Q_OBJECT

 public:
  explicit cProgressBarWidget(uint32_t uStyle, QWidget* pParent);

  int32_t Lower() const { return m_lMin; }
  int32_t Upper() const { return m_lMax; }
  int32_t Pos() const { return m_lPos; }
  int32_t StepSize() const { return m_lStep; }
  bool Smooth() const { return (m_uStyle & PBS_SMOOTH) != 0; }
  bool Vertical() const { return (m_uStyle & PBS_VERTICAL) != 0; }
  bool ThinEdge() const { return (m_uExStyle & WS_EX_STATICEDGE) != 0; }
  // The colours actually painted.
  QColor BarColor() const;
  QColor BackColor() const;

  int64_t Message(uint32_t uMsg, int64_t wParam, int64_t lParam);
  uint32_t Style() const { return m_uStyle; }
  uint32_t ExStyle() const { return m_uExStyle; }
  void SetExStyle(uint32_t uExStyle) { m_uExStyle = uExStyle; }

 protected:
  void paintEvent(QPaintEvent* pEvent) override;

 private:
  void SetRange(int32_t lMin, int32_t lMax);
  void SetPos(int32_t lPos);
  // The bar's area inside the edge and margin, and the length of it the position fills.
  QRect BarArea() const;
  int32_t FilledLength(const QRect& area) const;

  uint32_t m_uStyle;
  uint32_t m_uExStyle = 0;
  int32_t m_lMin = 0;
  int32_t m_lMax = 100;
  int32_t m_lPos = 0;
  int32_t m_lStep = 10;
  int32_t m_lBarColor = -1;
  int32_t m_lBkColor = -1;
  int32_t m_lShownLength = -1;  // the filled length when the bar was last told of a position
};

}  // namespace brennic
