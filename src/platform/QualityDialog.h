#pragma once
// The quality a lossy picture (JPEG, WebP) is written at: a small modal dialog with a slider and
// a number from kMinQuality to kMaxQuality, OK and Cancel. Like the message boxes it is reached
// through a service: the shipped program uses the Qt dialog, tests install one that answers
// without a human.

#include <cstdint>
#include <string>

namespace brennic {

class IQualityDialogService {
 public:
  virtual ~IQualityDialogService() = default;
  // sFormat names the format ("JPEG"); lQuality is the value shown first and, when the dialog is
  // confirmed, the one chosen. False when cancelled.
  virtual bool AskQuality(const std::string& sFormat, int32_t& lQuality) = 0;
};

// Installs the service AskQuality uses (nullptr: the Qt dialog). The caller keeps it alive.
void SetQualityDialogService(IQualityDialogService* pService);

bool AskQuality(const std::string& sFormat, int32_t& lQuality);

// The shipped dialog, owned by DialogOwner() and shown in front of it. Its controls are named
// "sldQuality" and "spnQuality".
class cQtQualityDialogService final : public IQualityDialogService {
 public:
  bool AskQuality(const std::string& sFormat, int32_t& lQuality) override;
};

}  // namespace brennic
