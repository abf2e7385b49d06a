// The window toolkit the program is written against: an application object
// with its message loop, forms with labels, buttons and timers, and the
// handling of errors that escape an event handler. It draws nothing itself;
// the windowing system behind it is CurrentUi().
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui_api.h"

namespace vexa {

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TApplication;

class TForm : public TObject {
 public:
  TForm(TApplication& Owner, FormDesign Design);
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  TApplication& Application() const { return FApplication; }
  NativeForm& Native() const { return *FNative; }
  // Runs Event for Sender as a message of the loop: an error that escapes
  // it is shown by the application and goes no further.
  UiHandler Dispatcher(TObject* Sender, TNotifyEvent Event);

  // For the main window: tells the application to terminate. The window
  // stays on screen until the application destroys it.
  void Close();
  void Show();

 private:
  TApplication& FApplication;
  std::unique_ptr<NativeForm> FNative;
};

class TLabel : public TObject {
 public:
  TLabel(TForm& Owner, LabelDesign Design);
  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(const std::u16string& Value);

 private:
  std::u16string FCaption;
  std::unique_ptr<NativeControl> FNative;
};

class TButton : public TObject {
 public:
  TButton(TForm& Owner, ButtonDesign Design, TNotifyEvent OnClick);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

 private:
  bool FEnabled;
  std::unique_ptr<NativeControl> FNative;
};

class TTimer : public TObject {
 public:
  // Enabled from its creation.
  TTimer(TForm& Owner, unsigned IntervalMs, TNotifyEvent OnTimer);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

 private:
  bool FEnabled = true;
  std::unique_ptr<NativeTimer> FNative;
};

// The hook that Initialize runs; start-up code registers it (COM for the
// main thread). Null: none.
using InitializationHook = void (*)();
void SetInitializationHook(InitializationHook Hook);

// The last part of a path: what follows its last "\\", "/" or ":".
std::u16string FileNameOf(const std::u16string& Path);

// The title from the executable's path: the file name without its folder,
// cut at its first ".", every character after the first in lower case (by
// the windowing system's case mapping).
std::u16string ApplicationTitleOf(const std::u16string& ExecutablePath);

// An error as the user is told of it: the class name and message of a
// vexa::Exception; "Exception" and the description of any other standard
// error; "Exception" and no message for anything else thrown.
struct ErrorDescription {
  std::u16string ClassName;
  std::u16string Message;
};
ErrorDescription Describe(std::exception_ptr Error);

class TApplication {
 public:
  TApplication();
  // Destroys the forms, the main window last.
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  void Initialize();
  void SetMainFormOnTaskBar(bool Value) { FMainFormOnTaskBar = Value; }

  // Builds a form of class Form and stores it in Reference (reset when the
  // application destroys it); the first becomes the main window.
  template <typename Form>
  void CreateForm(Form*& Reference) {
    auto Created = std::make_unique<Form>(*this);
    Reference = Created.get();
    FForms.push_back({std::move(Created), [&Reference] { Reference = nullptr; }});
  }

  TForm* MainForm() const { return FForms.empty() ? nullptr : FForms.front().Form.get(); }
  // The design of the next form's window, in the application's settings.
  FormDesign Adopt(FormDesign Design) const;

  // Shows the main window and dispatches messages until Terminate.
  void Run();
  void ProcessMessages();
  void Terminate();

  const std::u16string& Title() const { return FTitle; }
  // The box for an error that escaped an event handler, captioned with
  // the title.
  void ShowException(std::exception_ptr Error);

 private:
  struct OwnedForm {
    std::unique_ptr<TForm> Form;
    std::function<void()> Forget;
  };

  std::u16string FTitle;
  bool FMainFormOnTaskBar = false;
  std::vector<OwnedForm> FForms;
};

}  // namespace vexa
