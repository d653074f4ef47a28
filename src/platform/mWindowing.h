#pragma once
// What the windows rely on of the desktop: the screen's twips per pixel (horizontal and vertical
// separately), its size, the display's bits per pixel, window geometry in twips, and ending the
// process at once. Geometry in this program is designed in twips (1/1440 inch); a pixel is
// 1440 / the screen's logical dots per inch twips, 15 at 96 dpi.

#include <cstdint>
#include <optional>

#include <QString>

class QWidget;

namespace brennic {

inline constexpr double kTwipsPerInch = 1440.0;

// What the screen reports. Tests replace it so that layouts do not depend on the machine.
struct sScreenMetrics {
  double dTwipsPerPixelX = 15.0;
  double dTwipsPerPixelY = 15.0;
  int32_t lWidthPixels = 1024;
  int32_t lHeightPixels = 768;
  int32_t lBitsPerPixel = 32;
};

// The metrics of the primary screen, or the override when one is set. Without a screen (no
// application object yet) the defaults above apply.
sScreenMetrics ScreenMetrics();
// Replaces what the screen reports until reset with std::nullopt; returns the override it replaces.
std::optional<sScreenMetrics> OverrideScreenMetrics(std::optional<sScreenMetrics> metrics);

double TwipsPerPixelX();
double TwipsPerPixelY();
// The screen's size in twips.
double ScreenWidthTwips();
double ScreenHeightTwips();
// The display's number of bits per pixel.
int32_t DisplayBitsPerPixel();

// Twips to pixels: divided by the twips per pixel and rounded, halves to even.
int32_t TwipsToPixelsX(double dTwips);
int32_t TwipsToPixelsY(double dTwips);
// Pixels to twips (exact).
double PixelsToTwipsX(int32_t lPixels);
double PixelsToTwipsY(int32_t lPixels);

// A rectangle in twips: left, top, width, height.
struct sTwipsRect {
  double dLeft = 0;
  double dTop = 0;
  double dWidth = 0;
  double dHeight = 0;
};

// A window's place in twips. Left and top are those of the window as the desktop places it
// (its frame); width and height are those of the window itself, as the program sizes it.
sTwipsRect WindowTwips(const QWidget& window);
// Places and sizes a window from twips, each value converted and rounded as TwipsToPixels does.
void SetWindowTwips(QWidget& window, const sTwipsRect& rect);

// The window that owns message boxes and dialogs opened while no window of the program is
// active (a start-up error, the second of several questions): the main window. Without an owner
// a box would open beneath a main window that stays on top, and the program would look frozen.
void SetDialogOwner(QWidget* pMainWindow);
// The owner for a new message box or dialog: the active modal dialog, else the active window of
// the program, else the main window set above (nullptr when there is none).
QWidget* DialogOwner();
// Prepares a dialog that is not shown yet to stand in front of its owner: when the owner's
// window stays on top, so does the dialog (a window manager need not lift a dialog above a
// window of the top layer).
void KeepInFrontOfOwner(QWidget& dialog);
// Brings a shown window to the front with the keyboard focus.
void BringToFront(QWidget& window);

// The caption a window shows: its title with the toolkit's "[*]" changed marker resolved ("*"
// while the window is marked changed, nothing otherwise).
QString ShownTitle(const QWidget& window);

// Ends the process at once with the exit code: no window event, destructor or exit handler runs
// after it. Buffered standard output is written and the settings store closed first.
[[noreturn]] void EndProcessNow(int iExitCode = 0);

}  // namespace brennic
