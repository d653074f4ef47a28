#pragma once
// What the image buffer needs of the desktop: a screen, message boxes and the clipboard. The
// engine cannot see the windowing toolkit, so the platform layer installs an implementation at
// start-up and tests install fakes. Without one, CopyToClipboard reports failure.

#include <string>

#include "cDrawingSurface.h"

namespace brennic {

class cDesktopBridge {
 public:
  virtual ~cDesktopBridge() = default;
  // Whether a screen to make compatible bitmaps for is available.
  virtual bool ScreenAvailable() = 0;
  // A message box with an OK button only, no icon and the application's title.
  virtual void ShowMessage(const std::string& sText) = 0;
  // Empties the clipboard and places the bitmap on it; true when the clipboard accepted it.
  virtual bool PutBitmapOnClipboard(const cMemorySurface& bitmap) = 0;
};

void SetDesktopBridge(cDesktopBridge* pBridge);
cDesktopBridge* DesktopBridge();

}  // namespace brennic
