#pragma once
// ProgressBar: a control of ours that hosts a progress window as its only child and exposes it
// through properties. Every setter ignores a value equal to the stored one; otherwise it stores
// the value, applies it to the window when one exists and reports the property as changed so the
// form saves its settings. Orientation and Smooth re-create the window; the range falls back to
// the 16-bit message for a window that does not keep a 32-bit range. Colours are in the
// program's colour encoding (mSysColor.h) and are translated to RGB before the window gets them.
//
// Lifecycle as on a form: a control placed new runs InitProperties; a control loaded with its
// form runs ReadProperties with the form's stored settings; saving runs WriteProperties.

#include <QFrame>
#include <cstdint>
#include <memory>

#include "platform/cProgressWindow.h"
#include "platform/cPropertyBag.h"

namespace brennic {

class ProgressBar : public QFrame {
  Q_OBJECT

 public:
  static constexpr const char* kClassId = "Vardek.ProgressBar";

  // pFactory makes the hosted windows (nullptr: the shipped Qt window); the caller keeps it alive
  // for the control's lifetime.
  explicit ProgressBar(QWidget* pParent = nullptr, IProgressWindowFactory* pFactory = nullptr);
  ~ProgressBar() override;

  // The hosted window; nullptr while none exists.
  IProgressWindow* hwnd() const { return m_pWindow.get(); }

  int32_t BackColor() const { return m_lBackColor; }
  void BackColor(int32_t lColor);
  int32_t ForeColor() const { return m_lForeColor; }
  void ForeColor(int32_t lColor);
  bool Smooth() const { return m_bSmooth; }
  void Smooth(bool bSmooth);
  // 1 vertical; any other value horizontal.
  int32_t Orientation() const { return m_lOrientation; }
  void Orientation(int32_t lOrientation);
  // 0 none, 1 thin, 2 sunken; other values behave as 0.
  int32_t BorderStyle() const { return m_lBorderStyle; }
  void BorderStyle(int32_t lBorderStyle);
  int32_t Position() const { return m_lPosition; }
  void Position(int32_t lPosition);
  int32_t Min() const { return m_lMin; }
  void Min(int32_t lMin);
  int32_t Max() const { return m_lMax; }
  void Max(int32_t lMax);
  int32_t Step() const { return m_lStep; }
  void Step(int32_t lStep);

  // Advances by the step: the window by its own step (Position keeps its stored value), or,
  // without a window, Position itself.
  void StepIt();

  // A control newly placed on a form: horizontal, segmented, a window, a thin border and the
  // container's background colour (stored only).
  void InitProperties();
  // A control loaded with its form from the stored settings.
  void ReadProperties(const cPropertyBag& bag);
  // Stores the eight settings; a setting equal to its default is not written.
  void WriteProperties(cPropertyBag& bag) const;

  // The extended style of the control's own window (WS_EX_CLIENTEDGE while sunken).
  uint32_t OwnExStyle() const { return m_uOwnExStyle; }

 signals:
  // A property was set to a new value: the form's stored settings are out of date.
  void PropertyChanged(const char* sName);

 protected:
  void resizeEvent(QResizeEvent* pEvent) override;

 private:
  void CreateProgressWindow();
  void DestroyProgressWindow();
  void ReCreate();
  void SetRange();
  void ApplyBorderStyle();
  void SetOwnExStyle(uint32_t uExStyle);
  // The client size in pixels as the window is to have it (twips divided by twips per pixel).
  int32_t InnerWidthPixels() const;
  int32_t InnerHeightPixels() const;
  void Changed(const char* sName) { emit PropertyChanged(sName); }

  IProgressWindowFactory* m_pFactory;
  std::unique_ptr<IProgressWindow> m_pWindow;
  int32_t m_lBackColor = 0;
  int32_t m_lForeColor;
  bool m_bSmooth = false;
  int32_t m_lOrientation = 0;
  int32_t m_lBorderStyle = 0;
  int32_t m_lPosition = 0;
  int32_t m_lMin = 1;
  int32_t m_lMax = 100;
  int32_t m_lStep = 1;
  uint32_t m_uOwnExStyle = 0;
};

}  // namespace brennic
