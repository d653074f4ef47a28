#pragma once
// The desktop as the image buffer sees it (cDesktopBridge), over Qt: the primary screen, the
// program's message boxes and the clipboard service. main() installs one at start-up.

#include "image/cDesktopBridge.h"

namespace brennic {

class cQtDesktopBridge final : public cDesktopBridge {
 public:
  // True while the application has a primary screen.
  bool ScreenAvailable() override;
  // MsgBox with OK only, no icon and the application's title.
  void ShowMessage(const std::string& sText) override;
  // The bitmap's pixels as an image, put on the clipboard through ClipboardService().
  bool PutBitmapOnClipboard(const cMemorySurface& bitmap) override;
};

}  // namespace brennic
