#include "app/Main.h"

#include "registry/vexaRegistryTools.h"

namespace vexa {
namespace {

const std::u16string UninstallRoot = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

}  // namespace

const std::array<std::u16string, 10> UninstallKeys = {
    UninstallRoot + u"{1D4B8E27-3A6F-4C91-B5E0-7F2C94A1D638}_is1",
    UninstallRoot + u"{6E2A9D41-8C35-4B7F-A1D6-3B8E05C7F912}",
    UninstallRoot + u"InstallShield_{6E2A9D41-8C35-4B7F-A1D6-3B8E05C7F912}",
    UninstallRoot + u"{B7F1C3A9-2D64-4E8B-9F03-6A5D1E82C47B}",
    UninstallRoot + u"InstallShield_{B7F1C3A9-2D64-4E8B-9F03-6A5D1E82C47B}",
    UninstallRoot + u"{4A9E6B12-C7D3-4F58-8E21-D03B7A6C95E4}",
    UninstallRoot + u"InstallShield_{E3C85F60-1B9A-4D27-B6F4-82A1C9E03D75}",
    UninstallRoot + u"{2B6D0A8F-E541-4C3E-9D72-F9A6B1385C0E}",
    UninstallRoot + u"{C59E2F7A-63B8-4A1D-8C45-1E0D7B93A6F2}",
    UninstallRoot + u"{8F0A4C3D-9E76-4B52-A3E9-6C2D15F8B0A1}",
};

TfrmMain* frmMain = nullptr;

TfrmMain::TfrmMain(TApplication& Owner)
    : TForm(Owner, {u"Uninstall repair tool", 247, 103, {u"Tahoma", 11}}),
      lblMessage(*this, {{23, 28, 201, 17}, u"Clearing broken uninstall keys...", {u"Segoe UI", 13}}),
      tmrLaunch(*this, 1500, [this](TObject* Sender) { tmrLaunchTimer(Sender); }),
      btnOk(*this, {{161, 68, 75, 25}, u"OK", false, true},
            [this](TObject* Sender) { btnOkClick(Sender); }) {}

void TfrmMain::tmrLaunchTimer(TObject*) {
  // Off first: the pass may outlast the interval, and it runs once.
  tmrLaunch.SetEnabled(false);
  ClearBrokenUninstallKeys();
  lblMessage.SetCaption(u"Repair complete...");
  btnOk.SetEnabled(true);
  // Paints the new state and handles what queued up during the pass, a
  // close request among it.
  Application().ProcessMessages();
}

void TfrmMain::btnOkClick(TObject*) { Close(); }

void TfrmMain::ClearBrokenUninstallKeys() {
  for (const std::u16string& Key : UninstallKeys) RemoveUninstallKey(Key);
}

// The result of the delete does not matter: nothing is reported, and a key
// that stays is left for another run.
void TfrmMain::RemoveUninstallKey(const std::u16string& KeyName) {
  if (TvexaRegistry::KeyExists(HKEY_LOCAL_MACHINE, KeyName, false)) {
    TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, KeyName, false);
  }
}

}  // namespace vexa
