#pragma once
// GCommonDialog: the standard dialogs (open file, save file, colour, font, print, page setup)
// behind functions that take and return plain values, every argument by reference. The dialogs
// themselves are reached through ICommonDialogService: the shipped program installs none and gets
// the Qt dialogs, tests install one that answers without a human.
//
// The file dialogs keep the classic record's rules: the filter list "Description|Pattern|..."
// travels with every "|" and ":" turned into a zero character; a cancelled or failed dialog
// clears Filename, FileTitle, Filter and flags and gives FilterIndex -1 (open) or 0 (save). Paths
// are not held to the classic 260-character buffer: Linux paths run to 4,096 bytes, and a path
// the file system cannot use fails where it is used, saying why. Paths are bytes (mFileName.h).

#include <QFont>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QPrinter;
class QWidget;

namespace brennic {

// Open and save dialog flags.
inline constexpr uint32_t OFN_READONLY = 0x1;
inline constexpr uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr uint32_t OFN_ENABLEHOOK = 0x20;
inline constexpr uint32_t OFN_ENABLETEMPLATE = 0x40;
inline constexpr uint32_t OFN_ALLOWMULTISELECT = 0x200;
inline constexpr uint32_t OFN_EXTENSIONDIFFERENT = 0x400;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x1000;
// Colour dialog flags.
inline constexpr uint32_t CC_RGBINIT = 0x1;
inline constexpr uint32_t CC_FULLOPEN = 0x2;
inline constexpr uint32_t CC_PREVENTFULLOPEN = 0x4;
inline constexpr uint32_t CC_ENABLEHOOK = 0x10;
inline constexpr uint32_t CC_ENABLETEMPLATE = 0x20;
inline constexpr uint32_t CC_ANYCOLOR = 0x100;
// Font dialog flags.
inline constexpr uint32_t CF_SCREENFONTS = 0x1;
inline constexpr uint32_t CF_PRINTERFONTS = 0x2;
inline constexpr uint32_t CF_ENABLEHOOK = 0x8;
inline constexpr uint32_t CF_ENABLETEMPLATE = 0x10;
inline constexpr uint32_t CF_INITTOLOGFONTSTRUCT = 0x40;
inline constexpr uint32_t CF_EFFECTS = 0x100;
inline constexpr uint32_t CF_LIMITSIZE = 0x2000;
// Print dialog flags.
inline constexpr uint32_t PD_SELECTION = 0x1;
inline constexpr uint32_t PD_PAGENUMS = 0x2;
inline constexpr uint32_t PD_NOSELECTION = 0x4;
inline constexpr uint32_t PD_NOPAGENUMS = 0x8;
inline constexpr uint32_t PD_COLLATE = 0x10;
inline constexpr uint32_t PD_PRINTTOFILE = 0x20;
inline constexpr uint32_t PD_ENABLEPRINTHOOK = 0x1000;
inline constexpr uint32_t PD_ENABLESETUPHOOK = 0x2000;
inline constexpr uint32_t PD_ENABLEPRINTTEMPLATE = 0x4000;
inline constexpr uint32_t PD_ENABLESETUPTEMPLATE = 0x8000;
inline constexpr uint32_t PD_DISABLEPRINTTOFILE = 0x80000;
inline constexpr uint32_t PD_HIDEPRINTTOFILE = 0x100000;
// Page setup flags.
inline constexpr uint32_t PSD_MINMARGINS = 0x1;
inline constexpr uint32_t PSD_MARGINS = 0x2;
inline constexpr uint32_t PSD_INTHOUSANDTHSOFINCHES = 0x4;
inline constexpr uint32_t PSD_INHUNDREDTHSOFMILLIMETERS = 0x8;
inline constexpr uint32_t PSD_DISABLEMARGINS = 0x10;
inline constexpr uint32_t PSD_DISABLEPRINTER = 0x20;
inline constexpr uint32_t PSD_DISABLEORIENTATION = 0x100;
inline constexpr uint32_t PSD_DISABLEPAPER = 0x200;
inline constexpr uint32_t PSD_ENABLEPAGESETUPHOOK = 0x2000;
inline constexpr uint32_t PSD_ENABLEPAGESETUPTEMPLATE = 0x8000;
inline constexpr uint32_t PSD_ENABLEPAGEPAINTHOOK = 0x40000;

// Size of the classic file-title buffer, terminating zero included.
inline constexpr int32_t kMaxPath = 260;

// "|" and ":" become zero characters and two zero characters end the list.
std::string ConvertFilter(const std::string& sFilter);
// The description and pattern pairs of a converted list, up to its closing double zero.
struct sFileFilter {
  std::string sDescription;
  std::string sPattern;
  bool operator==(const sFileFilter&) const = default;
};
std::vector<sFileFilter> ParseConvertedFilter(const std::string& sConverted);

// What the file dialog is shown with.
struct sFileDialogRequest {
  bool bSave = false;
  QWidget* pOwner = nullptr;  // nullptr: no owner window
  std::vector<sFileFilter> filters;
  int32_t lFilterIndex = 0;  // 1-based
  std::string sFileName;     // initial name, possibly with a folder
  std::string sInitialDir;
  std::string sTitle;  // empty: the dialog's own title
  std::string sDefaultExt;
  uint32_t lFlags = 0;
};

// What the user chose: one path, or several when multiple selection was allowed; the filter in
// use (1-based); the flags on return. An empty list of files means the dialog was cancelled.
struct sFileDialogChoice {
  std::vector<std::string> files;
  int32_t lFilterIndex = 0;
  uint32_t lFlags = 0;
};

// Choices of the print dialog; the printer settings are those written to the printer object.
enum class ePrintRange : int32_t { AllPages = 0, Selection = 1, PageNumbers = 2 };
struct sPrintSettings {
  ePrintRange eRange = ePrintRange::AllPages;
  bool bDisablePageNumbers = false;
  bool bDisableSelection = false;
  bool bDisablePrintToFile = false;
  bool bHidePrintToFile = false;
  bool bPrintToFile = false;
  bool bCollate = false;
  int32_t lFromPage = 0;
  int32_t lToPage = 0;
  int32_t lMinPage = 0;
  int32_t lMaxPage = 0;
  int32_t lCopies = 1;
  // Written back after the dialog: 1 portrait, 2 landscape; a paper code (9 = A4, 1 = Letter);
  // the resolution in dots per inch.
  int32_t lOrientation = 1;
  int32_t lPaperSize = 9;
  int32_t lPrintQuality = 300;
};

// Choices of the page-setup dialog. Margins are in the unit of bHundredthsOfMillimeters:
// hundredths of a millimetre, or thousandths of an inch.
struct sPageSetupSettings {
  int32_t lLeftMargin = 0;
  int32_t lTopMargin = 0;
  int32_t lRightMargin = 0;
  int32_t lBottomMargin = 0;
  int32_t lLeftMinMargin = 0;
  int32_t lTopMinMargin = 0;
  int32_t lRightMinMargin = 0;
  int32_t lBottomMinMargin = 0;
  bool bDisableMargins = false;
  bool bDisableOrientation = false;
  bool bDisablePagePainting = false;
  bool bDisablePaper = false;
  bool bDisablePrinter = false;
  bool bHundredthsOfMillimeters = true;
  int32_t lOrientation = 1;
  int32_t lPaperSize = 9;
  int32_t lPaperWidth = 0;  // in the margin unit
  int32_t lPaperHeight = 0;
};

class ICommonDialogService {
 public:
  virtual ~ICommonDialogService() = default;
  // False when cancelled.
  virtual bool ChooseFile(const sFileDialogRequest& request, sFileDialogChoice& choice) = 0;
  // lRGB: the colour shown first, and the one chosen. customColors: in and out.
  virtual bool ChooseColor(int32_t& lRGB, std::array<int32_t, 16>& customColors, uint32_t lFlags,
                           QWidget* pOwner) = 0;
  // lMinSize and lMaxSize limit the point size when lFlags holds CF_LIMITSIZE.
  virtual bool ChooseFont(QFont& font, int32_t lMinSize, int32_t lMaxSize, uint32_t lFlags,
                          QWidget* pOwner) = 0;
  virtual bool Print(QPrinter& printer, sPrintSettings& settings, uint32_t lFlags,
                     QWidget* pOwner) = 0;
  virtual bool PageSetup(QPrinter& printer, sPageSetupSettings& settings, uint32_t lFlags,
                         QWidget* pOwner) = 0;
};

// Installs the service the dialogs use (nullptr: the Qt dialogs). The caller keeps it alive.
void SetCommonDialogService(ICommonDialogService* pService);
ICommonDialogService& CommonDialogService();

class cQtCommonDialogService final : public ICommonDialogService {
 public:
  bool ChooseFile(const sFileDialogRequest& request, sFileDialogChoice& choice) override;
  bool ChooseColor(int32_t& lRGB, std::array<int32_t, 16>& customColors, uint32_t lFlags,
                   QWidget* pOwner) override;
  bool ChooseFont(QFont& font, int32_t lMinSize, int32_t lMaxSize, uint32_t lFlags,
                  QWidget* pOwner) override;
  bool Print(QPrinter& printer, sPrintSettings& settings, uint32_t lFlags,
             QWidget* pOwner) override;
  bool PageSetup(QPrinter& printer, sPageSetupSettings& settings, uint32_t lFlags,
                 QWidget* pOwner) override;
};

// Writes one printer setting by name ("Copies", "Orientation", "PaperSize", "PrintQuality");
// false for a name the printer does not have.
bool SetPrinterProperty(QPrinter& printer, const std::string& sName, int32_t lValue);

class GCommonDialog {
 public:
  // The value the last dialog call returned (1 chosen, 0 cancelled).
  int32_t APIReturn() const { return m_lApiReturn; }
  // The dialog's own error code when a call returned neither 0 nor 1.
  int32_t ExtendedError() const { return m_lExtendedError; }

  bool VBGetOpenFileName(std::string& Filename, std::string& FileTitle, bool& FileMustExist,
                         bool& MultiSelect, bool& ReadOnly, bool& HideReadOnly, std::string& Filter,
                         int32_t& FilterIndex, std::string& InitDir, std::string& DlgTitle,
                         std::string& DefaultExt, QWidget*& Owner, uint32_t& flags);
  bool VBGetSaveFileName(std::string& Filename, std::string& FileTitle, bool& OverWritePrompt,
                         std::string& Filter, int32_t& FilterIndex, std::string& InitDir,
                         std::string& DlgTitle, std::string& DefaultExt, QWidget*& Owner,
                         uint32_t& flags);

  // The file-name part of a path; empty when the path names no file.
  std::string VBGetFileTitle(const std::string& sFIle) const;

  // Color: in, the colour shown first; out, the chosen RGB or -1 when cancelled.
  bool VBChooseColor(int32_t& Color, bool& AnyColor, bool& FullOpen, bool& DisableFullOpen,
                     QWidget*& Owner, uint32_t& flags);
  // The 16 custom colours of the colour dialog, filled with system colours 0 to 15 on first use.
  // -1 outside 0..15; a set outside that range is ignored.
  int32_t CustomColor(int32_t i);
  void CustomColor(int32_t i, int32_t lColor);

  // CurFont: in, the font shown first; out, the chosen one. PrinterDC: list the printer's fonts
  // too (the Qt dialog lists the same fonts either way). Sizes of 0 do not limit.
  bool VBChooseFont(QFont& CurFont, QPrinter*& PrinterDC, int32_t& MinSize, int32_t& MaxSize,
                    QWidget*& Owner, uint32_t& flags);

  // Printer: the printer object the chosen settings are written to.
  bool VBPrintDlg(QPrinter& Printer, sPrintSettings& Settings, QWidget*& Owner, uint32_t& flags);
  bool VBPageSetupDlg(QPrinter& Printer, sPageSetupSettings& Settings, QWidget*& Owner,
                      uint32_t& flags);

 private:
  bool FileDialog(bool bSave, std::string& Filename, std::string& FileTitle, std::string& Filter,
                  int32_t& FilterIndex, const std::string& InitDir, const std::string& DlgTitle,
                  const std::string& DefaultExt, QWidget* Owner, uint32_t& flags,
                  uint32_t lDialogFlags);
  void InitCustomColors();

  int32_t m_lApiReturn = 0;
  int32_t m_lExtendedError = 0;
  bool m_bCustomColorsSet = false;
  std::array<int32_t, 16> m_lCustomColors{};
};

}  // namespace brennic
