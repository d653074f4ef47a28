#include "platform/GCommonDialog.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <algorithm>
#include <cctype>

#include "image/mConventions.h"
#include "platform/mFileName.h"
#include "platform/mSysColor.h"
#include "platform/mWindowing.h"

namespace brennic {

namespace {

ICommonDialogService* g_pService = nullptr;

// Characters of a UTF-8 text (not bytes).
int32_t CharCount(const std::string& s) {
  return static_cast<int32_t>(std::count_if(
      s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The text up to its first zero character.
std::string UpToZero(const std::string& s) {
  return s.substr(0, s.find('\0'));
}

std::string NamePart(const std::string& sPath) {
  const size_t p = sPath.find_last_of("/\\");
  return p == std::string::npos ? sPath : sPath.substr(p + 1);
}

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// What the classic dialog writes into its file-name buffer for the choice: one path, or, for
// several files, the folder and the names each followed by a zero.
std::string FileBuffer(const std::vector<std::string>& files) {
  if (files.size() == 1) return files.front();
  std::string sFolder = files.front().substr(0, files.front().find_last_of("/\\"));
  std::string sBuffer = sFolder;
  for (const std::string& sFile : files) {
    sBuffer += '\0';
    sBuffer += NamePart(sFile);
  }
  sBuffer += '\0';
  return sBuffer;
}

QString FromUtf8(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

std::string ConvertFilter(const std::string& sFilter) {
  std::string s = sFilter;
  std::replace(s.begin(), s.end(), '|', '\0');
  std::replace(s.begin(), s.end(), ':', '\0');
  s += std::string(2, '\0');
  return s;
}

std::vector<sFileFilter> ParseConvertedFilter(const std::string& sConverted) {
  std::vector<std::string> tokens;
  size_t at = 0;
  while (at < sConverted.size()) {
    const size_t end = sConverted.find('\0', at);
    const std::string sToken =
        sConverted.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (sToken.empty()) break;  // the closing double zero
    tokens.push_back(sToken);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  std::vector<sFileFilter> filters;
  for (size_t i = 0; i < tokens.size(); i += 2) {
    filters.push_back({tokens[i], i + 1 < tokens.size() ? tokens[i + 1] : std::string()});
  }
  return filters;
}

void SetCommonDialogService(ICommonDialogService* pService) {
  g_pService = pService;
}

ICommonDialogService& CommonDialogService() {
  static cQtCommonDialogService qtService;
  return g_pService != nullptr ? *g_pService : qtService;
}

bool SetPrinterProperty(QPrinter& printer, const std::string& sName, int32_t lValue) {
  if (sName == "Copies") {
    printer.setCopyCount(std::max(1, lValue));
  } else if (sName == "Orientation") {
    printer.setPageOrientation(lValue == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
  } else if (sName == "PaperSize") {
    const QPageSize::PageSizeId id = QPageSize::id(lValue);
    if (id != QPageSize::Custom) printer.setPageSize(QPageSize(id));
  } else if (sName == "PrintQuality") {
    // Negative values are the draft-to-high quality codes, which carry no resolution.
    if (lValue > 0) printer.setResolution(lValue);
  } else {
    return false;
  }
  return true;
}

// ---- GCommonDialog ----

bool GCommonDialog::FileDialog(bool bSave, std::string& Filename, std::string& FileTitle,
                               std::string& Filter, int32_t& FilterIndex,
                               const std::string& InitDir, const std::string& DlgTitle,
                               const std::string& DefaultExt, QWidget* Owner, uint32_t& flags,
                               uint32_t lDialogFlags) {
  m_lApiReturn = 0;
  m_lExtendedError = 0;
  const std::string sConverted = ConvertFilter(Filter);

  sFileDialogRequest request;
  request.bSave = bSave;
  request.pOwner = Owner;
  request.filters = ParseConvertedFilter(sConverted);
  request.lFilterIndex = FilterIndex;
  request.sFileName = UpToZero(Filename);
  request.sInitialDir = InitDir;
  request.sTitle = DlgTitle;
  request.sDefaultExt = DefaultExt;
  request.lFlags = lDialogFlags | (flags & ~(OFN_ENABLEHOOK | OFN_ENABLETEMPLATE));

  sFileDialogChoice choice;
  choice.lFilterIndex = request.lFilterIndex;
  choice.lFlags = request.lFlags;
  std::string sBuffer;
  if (CommonDialogService().ChooseFile(request, choice) && !choice.files.empty()) {
    // Any length the file system takes: a path it cannot use fails when it is opened or saved,
    // saying why.
    sBuffer = FileBuffer(choice.files);
    m_lApiReturn = 1;
  }

  if (m_lApiReturn != 1) {
    Filename.clear();
    FileTitle.clear();
    flags = 0;
    FilterIndex = bSave ? 0 : -1;
    Filter.clear();
    return false;
  }

  uint32_t lReturned = choice.lFlags;
  const std::string sFirstName = NamePart(choice.files.front());
  if (!DefaultExt.empty()) {
    const size_t p = sFirstName.rfind('.');
    const std::string sExt = p == std::string::npos ? std::string() : sFirstName.substr(p + 1);
    lReturned = Upper(sExt) != Upper(DefaultExt) ? (lReturned | OFN_EXTENSIONDIFFERENT)
                                                 : (lReturned & ~OFN_EXTENSIONDIFFERENT);
  }
  Filename = UpToZero(sBuffer);
  FileTitle = choice.files.size() == 1 ? sFirstName : std::string();
  flags = lReturned;
  FilterIndex = choice.lFilterIndex;
  Filter.clear();
  if (FilterIndex >= 1 && static_cast<size_t>(FilterIndex) <= request.filters.size()) {
    const sFileFilter& chosen = request.filters[static_cast<size_t>(FilterIndex) - 1];
    Filter = chosen.sDescription + '\0' + chosen.sPattern;
  }
  return true;
}

bool GCommonDialog::VBGetOpenFileName(std::string& Filename, std::string& FileTitle,
                                      bool& FileMustExist, bool& MultiSelect, bool& ReadOnly,
                                      bool& HideReadOnly, std::string& Filter, int32_t& FilterIndex,
                                      std::string& InitDir, std::string& DlgTitle,
                                      std::string& DefaultExt, QWidget*& Owner, uint32_t& flags) {
  uint32_t lDialogFlags = 0;
  if (FileMustExist) lDialogFlags |= OFN_FILEMUSTEXIST;
  if (MultiSelect) lDialogFlags |= OFN_ALLOWMULTISELECT;
  if (HideReadOnly) lDialogFlags |= OFN_HIDEREADONLY;
  if (ReadOnly) lDialogFlags |= OFN_READONLY;
  const bool bChosen = FileDialog(false, Filename, FileTitle, Filter, FilterIndex, InitDir,
                                  DlgTitle, DefaultExt, Owner, flags, lDialogFlags);
  if (bChosen) ReadOnly = (flags & OFN_READONLY) != 0;
  return bChosen;
}

bool GCommonDialog::VBGetSaveFileName(std::string& Filename, std::string& FileTitle,
                                      bool& OverWritePrompt, std::string& Filter,
                                      int32_t& FilterIndex, std::string& InitDir,
                                      std::string& DlgTitle, std::string& DefaultExt,
                                      QWidget*& Owner, uint32_t& flags) {
  uint32_t lDialogFlags = OFN_HIDEREADONLY;
  if (OverWritePrompt) lDialogFlags |= OFN_OVERWRITEPROMPT;
  return FileDialog(true, Filename, FileTitle, Filter, FilterIndex, InitDir, DlgTitle, DefaultExt,
                    Owner, flags, lDialogFlags);
}

std::string GCommonDialog::VBGetFileTitle(const std::string& sFIle) const {
  const std::string sPath = UpToZero(sFIle);
  if (sPath.empty() || sPath.back() == '/' || sPath.back() == '\\') return std::string();
  if (sPath.find_first_of("*?") != std::string::npos) return std::string();
  const std::string sTitle = NamePart(sPath);
  return CharCount(sTitle) < kMaxPath ? sTitle : std::string();
}

void GCommonDialog::InitCustomColors() {
  if (m_bCustomColorsSet) return;
  for (int32_t i = 0; i < 16; ++i)
    m_lCustomColors[static_cast<size_t>(i)] = GetSysColor(i);
  m_bCustomColorsSet = true;
}

int32_t GCommonDialog::CustomColor(int32_t i) {
  if (i < 0 || i > 15) return -1;
  InitCustomColors();
  return m_lCustomColors[static_cast<size_t>(i)];
}

void GCommonDialog::CustomColor(int32_t i, int32_t lColor) {
  if (i < 0 || i > 15) return;
  InitCustomColors();
  m_lCustomColors[static_cast<size_t>(i)] = lColor;
}

bool GCommonDialog::VBChooseColor(int32_t& Color, bool& AnyColor, bool& FullOpen,
                                  bool& DisableFullOpen, QWidget*& Owner, uint32_t& flags) {
  m_lApiReturn = 0;
  InitCustomColors();
  uint32_t lFlags = CC_RGBINIT | (flags & ~(CC_ENABLEHOOK | CC_ENABLETEMPLATE));
  if (AnyColor) lFlags |= CC_ANYCOLOR;
  if (FullOpen) lFlags |= CC_FULLOPEN;
  if (DisableFullOpen) lFlags |= CC_PREVENTFULLOPEN;
  int32_t lRGB = 0;
  if (!TranslateColor(Color, lRGB)) lRGB = 0;
  if (!CommonDialogService().ChooseColor(lRGB, m_lCustomColors, lFlags, Owner)) {
    Color = -1;
    return false;
  }
  m_lApiReturn = 1;
  Color = lRGB & 0x00FFFFFF;
  flags = lFlags;
  return true;
}

bool GCommonDialog::VBChooseFont(QFont& CurFont, QPrinter*& PrinterDC, int32_t& MinSize,
                                 int32_t& MaxSize, QWidget*& Owner, uint32_t& flags) {
  m_lApiReturn = 0;
  m_lExtendedError = 0;
  uint32_t lFlags = CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_SCREENFONTS |
                    (flags & ~(CF_ENABLEHOOK | CF_ENABLETEMPLATE));
  if (PrinterDC != nullptr) lFlags |= CF_PRINTERFONTS;
  if (MinSize > 0 || MaxSize > 0) lFlags |= CF_LIMITSIZE;
  QFont font = CurFont;
  if (!CommonDialogService().ChooseFont(font, MinSize, MaxSize, lFlags, Owner)) return false;
  m_lApiReturn = 1;
  if ((lFlags & CF_LIMITSIZE) != 0 && font.pointSize() > 0) {
    // The classic dialog accepts no size outside the limits.
    int32_t lSize = font.pointSize();
    if (MinSize > 0) lSize = std::max(lSize, MinSize);
    if (MaxSize > 0) lSize = std::min(lSize, MaxSize);
    font.setPointSize(lSize);
  }
  CurFont = font;
  flags = lFlags;
  return true;
}

bool GCommonDialog::VBPrintDlg(QPrinter& Printer, sPrintSettings& Settings, QWidget*& Owner,
                               uint32_t& flags) {
  m_lApiReturn = 0;
  uint32_t lFlags = flags & ~(PD_ENABLEPRINTHOOK | PD_ENABLESETUPHOOK | PD_ENABLEPRINTTEMPLATE |
                              PD_ENABLESETUPTEMPLATE);
  if (Settings.eRange == ePrintRange::Selection) lFlags |= PD_SELECTION;
  if (Settings.eRange == ePrintRange::PageNumbers) lFlags |= PD_PAGENUMS;
  if (Settings.bDisablePageNumbers) lFlags |= PD_NOPAGENUMS;
  if (Settings.bDisableSelection) lFlags |= PD_NOSELECTION;
  if (Settings.bDisablePrintToFile) lFlags |= PD_DISABLEPRINTTOFILE;
  if (Settings.bHidePrintToFile) lFlags |= PD_HIDEPRINTTOFILE;
  if (Settings.bPrintToFile) lFlags |= PD_PRINTTOFILE;
  if (Settings.bCollate) lFlags |= PD_COLLATE;
  sPrintSettings chosen = Settings;
  if (!CommonDialogService().Print(Printer, chosen, lFlags, Owner)) return false;
  m_lApiReturn = 1;
  Settings = chosen;
  SetPrinterProperty(Printer, "Copies", chosen.lCopies);
  SetPrinterProperty(Printer, "Orientation", chosen.lOrientation);
  SetPrinterProperty(Printer, "PaperSize", chosen.lPaperSize);
  SetPrinterProperty(Printer, "PrintQuality", chosen.lPrintQuality);
  flags = lFlags;
  return true;
}

bool GCommonDialog::VBPageSetupDlg(QPrinter& Printer, sPageSetupSettings& Settings, QWidget*& Owner,
                                   uint32_t& flags) {
  m_lApiReturn = 0;
  uint32_t lFlags =
      PSD_MARGINS | PSD_MINMARGINS |
      (flags & ~(PSD_ENABLEPAGESETUPHOOK | PSD_ENABLEPAGESETUPTEMPLATE | PSD_ENABLEPAGEPAINTHOOK));
  lFlags |=
      Settings.bHundredthsOfMillimeters ? PSD_INHUNDREDTHSOFMILLIMETERS : PSD_INTHOUSANDTHSOFINCHES;
  if (Settings.bDisableMargins) lFlags |= PSD_DISABLEMARGINS;
  if (Settings.bDisableOrientation) lFlags |= PSD_DISABLEORIENTATION;
  if (Settings.bDisablePaper) lFlags |= PSD_DISABLEPAPER;
  if (Settings.bDisablePrinter) lFlags |= PSD_DISABLEPRINTER;
  sPageSetupSettings chosen = Settings;
  if (!CommonDialogService().PageSetup(Printer, chosen, lFlags, Owner)) return false;
  m_lApiReturn = 1;
  Settings = chosen;
  flags = lFlags;
  return true;
}

// ---- the Qt dialogs ----

bool cQtCommonDialogService::ChooseFile(const sFileDialogRequest& request,
                                        sFileDialogChoice& choice) {
  QFileDialog dialog(request.pOwner != nullptr ? request.pOwner : DialogOwner());
  KeepInFrontOfOwner(dialog);
  dialog.setWindowTitle(!request.sTitle.empty() ? FromUtf8(request.sTitle)
                        : request.bSave         ? QStringLiteral("Save As")
                                                : QStringLiteral("Open"));
  dialog.setAcceptMode(request.bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (request.bSave) {
    dialog.setFileMode(QFileDialog::AnyFile);
  } else if ((request.lFlags & OFN_ALLOWMULTISELECT) != 0) {
    dialog.setFileMode(QFileDialog::ExistingFiles);
  } else if ((request.lFlags & OFN_FILEMUSTEXIST) != 0) {
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    dialog.setFileMode(QFileDialog::AnyFile);
  }
  // The description already names the patterns; the list the dialog matches with stays hidden.
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  if (request.bSave && (request.lFlags & OFN_OVERWRITEPROMPT) == 0)
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);

  QStringList nameFilters;
  for (const sFileFilter& filter : request.filters) {
    QStringList patterns;
    for (const QString& sPattern : FromUtf8(filter.sPattern).split(';', Qt::SkipEmptyParts)) {
      const QString s = sPattern.trimmed();
      if (s.isEmpty()) continue;
      // Windows matches patterns without regard to case; so must a chooser on any desktop.
      patterns << s;
      if (s.toLower() != s) patterns << s.toLower();
      if (s.toUpper() != s) patterns << s.toUpper();
    }
    nameFilters << FromUtf8(filter.sDescription) + " (" + patterns.join(' ') + ")";
  }
  if (!nameFilters.isEmpty()) {
    dialog.setNameFilters(nameFilters);
    if (request.lFilterIndex >= 1 && request.lFilterIndex <= nameFilters.size())
      dialog.selectNameFilter(nameFilters[request.lFilterIndex - 1]);
  }
  if (!request.sInitialDir.empty()) dialog.setDirectory(FromUtf8(request.sInitialDir));
  if (!request.sDefaultExt.empty()) dialog.setDefaultSuffix(FromUtf8(request.sDefaultExt));
  if (!request.sFileName.empty()) dialog.selectFile(FromUtf8(request.sFileName));

  QTimer::singleShot(0, &dialog, [&dialog] { BringToFront(dialog); });
  if (dialog.exec() != QDialog::Accepted) return false;
  choice.files.clear();
  // The dialog works with names as shown; the proposed name, taken as it was, keeps its bytes.
  const QString sProposed = QFileInfo(FromUtf8(request.sFileName)).absoluteFilePath();
  for (const QString& sFile : dialog.selectedFiles()) {
    const bool bProposed =
        !request.sFileName.empty() && QFileInfo(sFile).absoluteFilePath() == sProposed;
    choice.files.push_back(bProposed ? AbsoluteFileName(request.sFileName) : LocalFileName(sFile));
  }
  const auto lIndex = nameFilters.indexOf(dialog.selectedNameFilter());
  choice.lFilterIndex = lIndex >= 0 ? static_cast<int32_t>(lIndex) + 1 : request.lFilterIndex;
  choice.lFlags = request.lFlags;
  return !choice.files.empty();
}

bool cQtCommonDialogService::ChooseColor(int32_t& lRGB, std::array<int32_t, 16>& customColors,
                                         uint32_t, QWidget* pOwner) {
  for (int i = 0; i < 16; ++i) {
    QColorDialog::setCustomColor(i, ColorFromRGB(customColors[static_cast<size_t>(i)]));
  }
  // Qt's colour dialog always shows its full form: the open and full-open flags change nothing.
  QColorDialog dialog(ColorFromRGB(lRGB), pOwner);
  const bool bChosen = dialog.exec() == QDialog::Accepted;
  for (int i = 0; i < 16; ++i) {
    customColors[static_cast<size_t>(i)] = RGBFromColor(QColorDialog::customColor(i));
  }
  if (!bChosen) return false;
  lRGB = RGBFromColor(dialog.selectedColor());
  return true;
}

bool cQtCommonDialogService::ChooseFont(QFont& font, int32_t, int32_t, uint32_t, QWidget* pOwner) {
  // Qt's font dialog always offers the effects; the size limits are applied to its answer.
  QFontDialog dialog(font, pOwner);
  if (dialog.exec() != QDialog::Accepted) return false;
  font = dialog.selectedFont();
  return true;
}

bool cQtCommonDialogService::Print(QPrinter& printer, sPrintSettings& settings, uint32_t lFlags,
                                   QWidget* pOwner) {
  QPrintDialog dialog(&printer, pOwner);
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintShowPageSize;
  if ((lFlags & PD_NOPAGENUMS) == 0) options |= QAbstractPrintDialog::PrintPageRange;
  if ((lFlags & PD_NOSELECTION) == 0) options |= QAbstractPrintDialog::PrintSelection;
  if ((lFlags & (PD_DISABLEPRINTTOFILE | PD_HIDEPRINTTOFILE)) == 0)
    options |= QAbstractPrintDialog::PrintToFile;
  options |= QAbstractPrintDialog::PrintCollateCopies;
  dialog.setOptions(options);
  if (settings.lMinPage > 0 || settings.lMaxPage > 0)
    dialog.setMinMax(settings.lMinPage, settings.lMaxPage);
  if ((lFlags & PD_PAGENUMS) != 0) {
    dialog.setPrintRange(QAbstractPrintDialog::PageRange);
    dialog.setFromTo(settings.lFromPage, settings.lToPage);
  } else if ((lFlags & PD_SELECTION) != 0) {
    dialog.setPrintRange(QAbstractPrintDialog::Selection);
  }
  printer.setCopyCount(std::max(1, settings.lCopies));
  printer.setCollateCopies((lFlags & PD_COLLATE) != 0);
  if (dialog.exec() != QDialog::Accepted) return false;

  switch (dialog.printRange()) {
    case QAbstractPrintDialog::Selection:
      settings.eRange = ePrintRange::Selection;
      break;
    case QAbstractPrintDialog::PageRange:
      settings.eRange = ePrintRange::PageNumbers;
      break;
    default:
      settings.eRange = ePrintRange::AllPages;
      break;
  }
  settings.lFromPage = dialog.fromPage();
  settings.lToPage = dialog.toPage();
  settings.lCopies = printer.copyCount();
  settings.bCollate = printer.collateCopies();
  settings.bPrintToFile = !printer.outputFileName().isEmpty();
  settings.lOrientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
  settings.lPaperSize = printer.pageLayout().pageSize().windowsId();
  settings.lPrintQuality = printer.resolution();
  return true;
}

bool cQtCommonDialogService::PageSetup(QPrinter& printer, sPageSetupSettings& settings,
                                       uint32_t lFlags, QWidget* pOwner) {
  const bool bMillimetres = (lFlags & PSD_INHUNDREDTHSOFMILLIMETERS) != 0;
  const QPageLayout::Unit eUnit = bMillimetres ? QPageLayout::Millimeter : QPageLayout::Inch;
  const double dScale = bMillimetres ? 100.0 : 1000.0;
  QPageLayout layout = printer.pageLayout();
  layout.setUnits(eUnit);
  layout.setMinimumMargins(
      QMarginsF(settings.lLeftMinMargin / dScale, settings.lTopMinMargin / dScale,
                settings.lRightMinMargin / dScale, settings.lBottomMinMargin / dScale));
  layout.setMargins(QMarginsF(settings.lLeftMargin / dScale, settings.lTopMargin / dScale,
                              settings.lRightMargin / dScale, settings.lBottomMargin / dScale));
  printer.setPageLayout(layout);

  QPageSetupDialog dialog(&printer, pOwner);
  if (dialog.exec() != QDialog::Accepted) return false;

  const QPageLayout chosen = printer.pageLayout();
  const QMarginsF margins = chosen.margins(eUnit);
  auto scaled = [&](double v) { return RoundHalfEven(v * dScale); };
  settings.lLeftMargin = scaled(margins.left());
  settings.lTopMargin = scaled(margins.top());
  settings.lRightMargin = scaled(margins.right());
  settings.lBottomMargin = scaled(margins.bottom());
  settings.lOrientation = chosen.orientation() == QPageLayout::Landscape ? 2 : 1;
  settings.lPaperSize = chosen.pageSize().windowsId();
  const QSizeF paper =
      chosen.pageSize().size(bMillimetres ? QPageSize::Millimeter : QPageSize::Inch);
  settings.lPaperWidth = scaled(paper.width());
  settings.lPaperHeight = scaled(paper.height());
  return true;
}

}  // namespace brennic
