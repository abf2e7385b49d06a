// The windowing system as the toolkit needs it: fixed-size tool windows with
// labels, push buttons and millisecond timers, a message loop, modal message
// boxes, COM for the main thread and the program's own file name. UiApi has
// a Windows implementation (raw Win32) and an in-memory one for tests.
//
// Sizes are pixels at 96 pixels per inch; an implementation scales them by
// the display's pixels per inch. Handlers are called from the message loop
// and must not raise: the toolkit catches what its events raise.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/current.h"

namespace vexa {

using UiHandler = std::function<void()>;

struct UiFont {
  std::u16string Name;
  int Height = 0;  // character height, without internal leading
};

struct UiBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

// A window with a thin caption bar and only a close box, not resizable,
// on the button-face background, centred on the screen when shown.
struct FormDesign {
  std::u16string Caption;
  int ClientWidth = 0;
  int ClientHeight = 0;
  UiFont Font;       // the window's own, and that of controls without one
  bool AppWindow = false;  // represents the application on the taskbar
};

// Static text, centred horizontally in its fixed bounds.
struct LabelDesign {
  UiBounds Bounds;
  std::u16string Text;
  UiFont Font;
};

// A push button that takes the focus by tab and is neither the default nor
// the cancel button.
struct ButtonDesign {
  UiBounds Bounds;
  std::u16string Caption;
  bool Enabled = true;
  bool HandCursor = false;  // a pointing hand while the mouse is over it
};

class NativeControl {
 public:
  virtual ~NativeControl() = default;
  virtual void SetText(const std::u16string& Text) = 0;
  virtual void SetEnabled(bool Enabled) = 0;
};

// Its destruction stops it.
class NativeTimer {
 public:
  virtual ~NativeTimer() = default;
  // Disabling stops it at once; enabling starts a new interval.
  virtual void SetEnabled(bool Enabled) = 0;
};

// Its destruction destroys the window; its controls and timers go first.
class NativeForm {
 public:
  virtual ~NativeForm() = default;
  virtual std::unique_ptr<NativeControl> AddLabel(const LabelDesign& Design) = 0;
  virtual std::unique_ptr<NativeControl> AddButton(const ButtonDesign& Design,
                                                   UiHandler OnClick) = 0;
  // Running from its creation when Enabled.
  virtual std::unique_ptr<NativeTimer> AddTimer(unsigned IntervalMs, bool Enabled,
                                                UiHandler OnTimer) = 0;
  virtual void ShowCentred() = 0;
};

enum class MessageBoxOwner {
  ActiveWindow,  // modal to the window the user works in
  Task,          // task-modal, no owner window
};

class UiApi {
 public:
  virtual ~UiApi() = default;

  // COM for the calling thread, single-threaded apartment; true when it
  // must be balanced by UninitializeCom.
  virtual bool InitializeCom() = 0;
  virtual void UninitializeCom() = 0;

  // OnClose: the user asked to close the window (close box, Alt+F4, system
  // menu); the window stays until it is destroyed.
  virtual std::unique_ptr<NativeForm> CreateForm(const FormDesign& Design,
                                                 UiHandler OnClose) = 0;

  // Dispatches messages until the quit request arrives; at once when it has
  // arrived already.
  virtual void RunMessageLoop() = 0;
  // Handles every message already queued, the quit request included.
  virtual void ProcessMessages() = 0;
  // Asks the message loop to stop (the platform's quit message).
  virtual void PostQuit() = 0;

  // A modal box with the error icon and an OK button.
  virtual void ShowErrorBox(const std::u16string& Text, const std::u16string& Caption,
                            MessageBoxOwner Owner) = 0;

  // The full path of the program's executable.
  virtual std::u16string ExecutablePath() = 0;
  // Text with every capital letter in lower case, by the platform's own
  // case mapping.
  virtual std::u16string LowerCase(std::u16string Text) = 0;
};

template <>
UiApi& HostApi<UiApi>();
inline UiApi& CurrentUi() { return Current<UiApi>(); }
using ScopedUiOverride = ScopedOverride<UiApi>;

}  // namespace vexa
