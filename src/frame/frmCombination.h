#pragma once
// frmCombination: the "Image Combination" dialog in which the user picks two open image
// documents and how to combine them. It only collects and checks the choices; once it closed
// accepted, a new document reads them back through the properties below.
//
// Controls (objectNames, arrays with the property "Index"): lblSource and cboSource 0 and 1
// (the loaded image documents by file title, each entry carrying the document's position in the
// collection of loaded windows as item data), optCombine 0 "&Add Images", 1 "&Darkest",
// 2 "&Lightest", lblOffset, txtOffset, lblMultiplier and txtMultiplier 0 and 1 (tag "Add":
// enabled only while "&Add Images" is selected), lblInfo (the output size), cmdOK (default
// button) and cmdCancel (Escape).

#include <QString>
#include <array>
#include <cstdint>

#include "platform/cModalDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brennic {

inline constexpr const char* kCombinationClass = "frmCombination";
inline constexpr const char* kMsgErrorInEntries = "Error in entries.";

// The combination types the dialog reports.
enum eCombinationType : int32_t {
  eCombineAdd = 1,
  eCombineDarkest = 2,
  eCombineLightest = 3,
};

class frmCombination final : public cModalDialog {
  Q_OBJECT

 public:
  explicit frmCombination(QWidget* pMainWindow = nullptr, TopMostFunction fnTopMost = {});
  ~frmCombination() override;

  // 1 add images, 2 darkest, 3 lightest.
  int32_t CombinationType() const { return m_eType; }
  // lIndex 1 or 2: the offset and multiplier for that source.
  int32_t Offset(int32_t lIndex) const { return m_lOffset.at(Slot(lIndex)); }
  int32_t Multiplier(int32_t lIndex) const { return m_lMultiplier.at(Slot(lIndex)); }
  // lIndex 1 or 2: the source document's position in the collection of loaded windows.
  int32_t ImageSource(int32_t lIndex) const { return m_lSource.at(Slot(lIndex)); }
  int32_t NewImageWidth() const { return m_lNewWidth; }
  int32_t NewImageHeight() const { return m_lNewHeight; }

  QComboBox* cboSource(int iIndex) const { return m_cboSource.at(static_cast<size_t>(iIndex)); }
  QRadioButton* optCombine(int iIndex) const {
    return m_optCombine.at(static_cast<size_t>(iIndex));
  }
  QLineEdit* txtOffset(int iIndex) const { return m_txtOffset.at(static_cast<size_t>(iIndex)); }
  QLineEdit* txtMultiplier(int iIndex) const {
    return m_txtMultiplier.at(static_cast<size_t>(iIndex));
  }
  QLabel* lblInfo() const { return m_lblInfo; }
  QPushButton* cmdOK() const { return m_cmdOK; }
  QPushButton* cmdCancel() const { return m_cmdCancel; }

 protected:
  void Load() override;

 private:
  static size_t Slot(int32_t lIndex) { return static_cast<size_t>(lIndex - 1); }
  void SourceClicked(int iIndex);
  void CombineClicked();
  void OkClicked();

  int32_t m_eType = 0;
  std::array<int32_t, 2> m_lOffset{};
  std::array<int32_t, 2> m_lMultiplier{};
  std::array<int32_t, 2> m_lSource{};
  int32_t m_lNewWidth = 0;
  int32_t m_lNewHeight = 0;

  std::array<QLabel*, 2> m_lblSource{};
  std::array<QComboBox*, 2> m_cboSource{};
  std::array<QRadioButton*, 3> m_optCombine{};
  std::array<QLabel*, 2> m_lblOffset{};
  std::array<QLineEdit*, 2> m_txtOffset{};
  std::array<QLabel*, 2> m_lblMultiplier{};
  std::array<QLineEdit*, 2> m_txtMultiplier{};
  QLabel* m_lblInfo = nullptr;
  QPushButton* m_cmdOK = nullptr;
  QPushButton* m_cmdCancel = nullptr;
};

}  // namespace brennic
