// The main window on the in-memory windowing system and registry: every
// registry call goes through a RecordingRegistry, and the test delivers the
// timer event, clicks and close requests itself.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Main.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_ui.h"
#include "platform/recording_registry.h"

namespace vexa {

inline constexpr char16_t TestExecutable[] = u"C:\\Program Files\\Vexa\\UninstallRepair.exe";

class MainWindowTest : public testing::Test {
 protected:
  MainWindowTest();
  ~MainWindowTest() override;

  // Creates the key (with its parents) in the given view, bypassing the log.
  void Seed(const std::u16string& Path, bool _64BitView);
  bool Exists(const std::u16string& Path, bool _64BitView);

  MemoryUi::Form& Window() { return *Ui.Forms().at(0); }
  MemoryUi::Control& Label() { return *Window().Controls.at(0); }
  MemoryUi::Control& Ok() { return *Window().Controls.at(1); }
  MemoryUi::Timer& Launch() { return *Window().Timers.at(0); }
  void FireLaunch() { Ui.FireTimer(Launch()); }
  // After the timer's event: the label says Text, OK is enabled or not, the
  // timer is off; as the window shows it and as its components hold it.
  void ExpectAfterLaunch(const std::u16string& Text, bool OkEnabled);

  // The keys the pass looked up (its read-only opens at the root) and the
  // keys it deleted itself (not their subkeys), in order.
  std::vector<std::u16string> Checked() const;
  std::vector<std::u16string> Deleted() const;

  MemoryRegistry Registry;
  RecordingRegistry Recorder{Registry};
  ScopedRegistryOverride RegistryOverride{Recorder};
  MemoryUi Ui{TestExecutable};
  ScopedUiOverride UiOverride{Ui};
  TApplication Application;
};

}  // namespace vexa
