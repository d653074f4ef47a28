#pragma once
// Message boxes: modal, a text, OK or Yes/No/Cancel buttons, an icon, the application's title.
// Every message the program shows goes through MsgBox, which asks the installed service; the
// shipped program installs the Qt one, tests install a service that answers without a human.

#include <string>

namespace brennic {

enum class eMsgButtons { OK, YesNoCancel, YesNo };
enum class eMsgIcon { None, Information, Exclamation, Question };
enum class eMsgResult { OK, Yes, No, Cancel };

inline constexpr const char* kAppTitle = "Brennic";

class IMessageBoxService {
 public:
  virtual ~IMessageBoxService() = default;
  virtual eMsgResult Show(const std::string& sText, eMsgButtons eButtons, eMsgIcon eIcon,
                          const std::string& sTitle) = 0;
};

// Installs the service MsgBox uses (nullptr: the Qt message box). The caller keeps it alive.
void SetMessageBoxService(IMessageBoxService* pService);

eMsgResult MsgBox(const std::string& sText, eMsgButtons eButtons = eMsgButtons::OK,
                  eMsgIcon eIcon = eMsgIcon::None, const std::string& sTitle = kAppTitle);

// The shipped implementation over QMessageBox, owned by DialogOwner() and shown in front of it.
class cQtMessageBoxService final : public IMessageBoxService {
 public:
  eMsgResult Show(const std::string& sText, eMsgButtons eButtons, eMsgIcon eIcon,
                  const std::string& sTitle) override;
};

}  // namespace brennic
