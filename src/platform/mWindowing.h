#pragma once
// What the windows rely on of the desktop: the screen's twips per pixel (horizontal and vertical
// separately), its size, the display's bits per pixel, window geometry in twips, and ending the
// process at once. Geometry in this program is designed in twips (1/1440 inch); a pixel is
// 1440 / the screen's logical dots per inch twips, 15 at 96 dpi.

#include <cstdint>
#include <optional>

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

// Ends the process at once with the exit code: no window event, destructor or exit handler runs
// after it. Buffered standard output is written and the settings store closed first.
[[noreturn]] void EndProcessNow(int iExitCode = 0);

}  // namespace brennic
