#pragma once
// frmNewSize: the "Choose New Size" dialog shown before a document is resampled. The caller
// gives it the document's size (SetSize), shows it modally and, unless it was cancelled, reads
// the new size (ImageWidth, ImageHeight) after it has closed.
//
// Controls (objectNames): Frame1 holding optStyle with "Index" 0 ("&Free") and 1 ("&Percent"),
// lbl, txtWidth, lblHeight, txtHeight, chkKeepProportion, lblPercentage, lblOrigHeight, Label1,
// lblOrigWidth and txtPercent; below it cmdOK (default button) and cmdCancel (Escape).
//
// In Free mode the size boxes can be edited, optionally keeping the proportions of the current
// size; in Percent mode the percentage box sets both. A text box that cannot be edited shows the
// button-face colour, one that can the window colour.

#include <cstdint>

#include "platform/cModalDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brennic {

inline constexpr const char* kNewSizeClass = "frmNewSize";
inline constexpr const char* kMsgBadNewSize =
    "Please enter a width and a height between 1 and 32767.";
// The largest side OK accepts.
inline constexpr int32_t kMaxNewSide = 32767;

class frmNewSize final : public cModalDialog {
  Q_OBJECT

 public:
  explicit frmNewSize(QWidget* pMainWindow = nullptr, TopMostFunction fnTopMost = {});
  ~frmNewSize() override;

  // The document's present size; called before the dialog is shown.
  void SetSize(int32_t lW, int32_t lH);
  // The chosen size, valid once the dialog closed with Cancelled false.
  int32_t ImageWidth() const { return m_lNewWidth; }
  int32_t ImageHeight() const { return m_lNewHeight; }

  QGroupBox* Frame1() const { return m_Frame1; }
  QRadioButton* optStyle(int iIndex) const { return iIndex == 0 ? m_optFree : m_optPercent; }
  QLineEdit* txtWidth() const { return m_txtWidth; }
  QLineEdit* txtHeight() const { return m_txtHeight; }
  QCheckBox* chkKeepProportion() const { return m_chkKeepProportion; }
  QLineEdit* txtPercent() const { return m_txtPercent; }
  QLabel* lblOrigWidth() const { return m_lblOrigWidth; }
  QLabel* lblOrigHeight() const { return m_lblOrigHeight; }
  QPushButton* cmdOK() const { return m_cmdOK; }
  QPushButton* cmdCancel() const { return m_cmdCancel; }

 protected:
  void Load() override;

 private:
  // Puts the controls into the mode of the selected option button.
  void ApplyStyle();
  void WidthChanged();
  void HeightChanged();
  void PercentChanged();
  void OkClicked();
  // With keep-proportions ticked, gives pTarget the side that keeps the current proportions
  // with the number in pChanged; the sides of the current size are read from the labels.
  void KeepProportion(QLineEdit* pChanged, QLineEdit* pTarget, const QLabel* pChangedSide,
                      const QLabel* pTargetSide);

  int32_t m_lOrigWidth = 0;
  int32_t m_lOrigHeight = 0;
  int32_t m_lNewWidth = 0;
  int32_t m_lNewHeight = 0;

  QGroupBox* m_Frame1 = nullptr;
  QRadioButton* m_optFree = nullptr;
  QRadioButton* m_optPercent = nullptr;
  QLabel* m_lbl = nullptr;
  QLineEdit* m_txtWidth = nullptr;
  QLabel* m_lblHeight = nullptr;
  QLineEdit* m_txtHeight = nullptr;
  QCheckBox* m_chkKeepProportion = nullptr;
  QLabel* m_lblPercentage = nullptr;
  QLabel* m_lblOrigHeight = nullptr;
  QLabel* m_Label1 = nullptr;
  QLabel* m_lblOrigWidth = nullptr;
  QLineEdit* m_txtPercent = nullptr;
  QPushButton* m_cmdOK = nullptr;
  QPushButton* m_cmdCancel = nullptr;
};

}  // namespace brennic
