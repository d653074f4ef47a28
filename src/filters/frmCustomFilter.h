#pragma once
// frmCustomFilter: the "Custom Filter" dialog in which the user defines a convolution filter of
// 3 x 3 up to 7 x 7 coefficients and a weight, optionally starting from a built-in kernel or a
// stored filter. An accepted filter is stored under its name and left in ImageProcess, which the
// caller hands to the active document; the dialog never touches an image.
//
// Controls (objectNames): lblName, cboName (editable; stored filters with their number as item
// data), txtValue with "Index" 0..48 (box i in row i / 7 and column i % 7 of the grid, showing
// kernel cell (iX, iY) = (row - 3, column - 3)), lblWeight, txtWeight, chkAuto, lblBase,
// cboBaseOn (fixed list, the engine's filter type or -1 "<none>" / -2 "<reset>" as item data),
// cmdOK (default button), cmdCancel (Escape).
//
// The value boxes and the weight box take typed digits, "-" and backspace only, at most three
// characters; text set by program code is neither filtered nor cut.
//
// Beside the grid a preview (fraPreview) shows the centred part, at most kPreviewSide pixels
// square, of the picture the caller hands in, filtered by the engine with the grid's kernel and
// weight as OK would accept them: picPreview, or lblPreview with the reason when there is nothing
// to show (no picture; a grid OK refuses, with OK's own message). lblClipped counts the channel
// values the kernel pushes out of 0..255. Edits redraw it kPreviewDelayMs after the last one.
// The picture is copied: the dialog still changes no image.

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

#include "filters/cCustomFilterStore.h"
#include "image/cImageProcessDIB.h"
#include "platform/cModalDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QFrame;
class QLineEdit;
class QPushButton;
class QTimer;

namespace brennic {

class cPictureBox;

inline constexpr const char* kCustomFilterClass = "frmCustomFilter";
inline constexpr const char* kMsgBlackFilter =
    "This filter would always cause the output image to be black.  Please enter a value.";
inline constexpr const char* kMsgFilterTooSmall = "Filters must be at least 3x3 in size.";
inline constexpr const char* kMsgFilterValueRange = "Values must lie between -255 and 255.";
// Shown, followed by the store's description, when an accepted filter could not be stored.
inline constexpr const char* kMsgFilterNotStored = "The filter could not be stored: ";
// The preview pane without a picture to filter.
inline constexpr const char* kMsgNoPreviewPicture = "No picture to preview.";

class frmCustomFilter final : public cModalDialog {
  Q_OBJECT

 public:
  static constexpr int kValueBoxes = kFilterCells;
  static constexpr int kCentreBox = 24;
  static constexpr int kMaxTypedLength = 3;
  static constexpr int32_t kPreviewSide = 256;
  static constexpr int kPreviewDelayMs = 60;

  explicit frmCustomFilter(QWidget* pMainWindow = nullptr, TopMostFunction fnTopMost = {});
  ~frmCustomFilter() override;

  // The engine that carries the accepted filter: FilterArraySize, FilterWeight and FilterValue
  // hold it after an accepted OK. Created on first use and kept for the dialog's life.
  cImageProcessDIB& ImageProcess();

  // Sets the weight box to the sum of the value boxes whose text is a number.
  void CalculateWeight();

  // The picture to preview on (a copy of its centred part is kept); nullptr or an empty picture
  // leaves the preview without one.
  void SetPreviewPicture(const cDIBSection* pPicture);
  // Redraws the preview at once; edits call it through the timer.
  void UpdatePreview();

  QLineEdit* txtValue(int iIndex) const { return m_txtValue.at(static_cast<size_t>(iIndex)); }
  QLineEdit* txtWeight() const { return m_txtWeight; }
  QCheckBox* chkAuto() const { return m_chkAuto; }
  QComboBox* cboName() const { return m_cboName; }
  QComboBox* cboBaseOn() const { return m_cboBaseOn; }
  QPushButton* cmdOK() const { return m_cmdOK; }
  QPushButton* cmdCancel() const { return m_cmdCancel; }
  cPictureBox* picPreview() const { return m_picPreview; }
  QLabel* lblPreview() const { return m_lblPreview; }
  QLabel* lblClipped() const { return m_lblClipped; }

 protected:
  void Load() override;
  bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

 private:
  void BaseOnChosen(int iListIndex);
  void NamePicked(int iListIndex);
  void ValueChanged(int iIndex);
  void AutoClicked();
  void OkClicked();
  // Reads the grid as OK takes it: the cells into record and the half size into h. Returns the
  // message OK refuses the grid with, nullptr when it is accepted.
  const char* ReadGrid(CustomFilterRecord& record, int& h) const;
  // Shows sMessage in place of a preview picture.
  void ShowPreviewMessage(const QString& sMessage);
  // The box's text value rounded to an integer (halves to even).
  int32_t BoxInteger(const QLineEdit* pBox) const;
  // Sets a value box and runs its change handling even when the text stays the same.
  void SetValueText(int iIndex, const QString& sText);

  std::unique_ptr<cImageProcessDIB> m_pImageProcess;
  std::array<QLineEdit*, kValueBoxes> m_txtValue{};
  QLabel* m_lblName = nullptr;
  QComboBox* m_cboName = nullptr;
  QLabel* m_lblWeight = nullptr;
  QLineEdit* m_txtWeight = nullptr;
  QCheckBox* m_chkAuto = nullptr;
  QLabel* m_lblBase = nullptr;
  QComboBox* m_cboBaseOn = nullptr;
  QPushButton* m_cmdOK = nullptr;
  QPushButton* m_cmdCancel = nullptr;
  // The list entry of cboName the user picked, -1 once the name is typed or edited.
  int m_iPickedName = -1;

  QFrame* m_fraPreview = nullptr;
  cPictureBox* m_picPreview = nullptr;
  QLabel* m_lblPreview = nullptr;
  QLabel* m_lblClipped = nullptr;
  QTimer* m_tmrPreview = nullptr;
  bool m_bHasPicture = false;
  cDIBSection m_cRegion;    // the centred part of the picture
  cDIBSection m_cFiltered;  // the region filtered, drawn into picPreview
  cDIBSection m_cBuffer;    // the engine's second buffer
  cImageProcessDIB m_cPreviewEngine;
};

}  // namespace brennic
