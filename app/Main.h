// The main window: it clears the broken uninstall keys shortly after it
// appears, says so, and ends the program on OK or on closing.
#pragma once

#include <array>
#include <string>

#include "platform/ui.h"

namespace vexa {

// The uninstall registrations the pass removes, below HKEY_LOCAL_MACHINE in
// the 32-bit view, in the order it visits them.
extern const std::array<std::u16string, 10> UninstallKeys;

class TfrmMain : public TForm {
 public:
  explicit TfrmMain(TApplication& Owner);

  TLabel lblMessage;
  TTimer tmrLaunch;
  TButton btnOk;

  void tmrLaunchTimer(TObject* Sender);
  void btnOkClick(TObject* Sender);

 private:
  void ClearBrokenUninstallKeys();
  void RemoveUninstallKey(const std::u16string& KeyName);
};

extern TfrmMain* frmMain;

}  // namespace vexa
