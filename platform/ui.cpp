#include "platform/ui.h"

#include <cstring>

#include "core/exception.h"

namespace vexa {
namespace {

InitializationHook Hook = nullptr;

}  // namespace

void SetInitializationHook(InitializationHook Value) { Hook = Value; }

std::u16string FileNameOf(const std::u16string& Path) {
  const std::size_t Folder = Path.find_last_of(u"\\/:");
  return Folder == std::u16string::npos ? Path : Path.substr(Folder + 1);
}

std::u16string ApplicationTitleOf(const std::u16string& ExecutablePath) {
  std::u16string Title = FileNameOf(ExecutablePath);
  Title = Title.substr(0, Title.find(u'.'));
  return Title.empty() ? Title : Title.front() + CurrentUi().LowerCase(Title.substr(1));
}

ErrorDescription Describe(std::exception_ptr Error) {
  const auto Ascii = [](const char* Text) { return std::u16string(Text, Text + std::strlen(Text)); };
  try {
    std::rethrow_exception(Error);
  } catch (const Exception& Own) {
    return {Ascii(Own.ClassName()), Own.Message()};
  } catch (const std::exception& Standard) {
    // Descriptions of the standard library's errors are ASCII.
    return {u"Exception", Ascii(Standard.what())};
  } catch (...) {
    return {u"Exception", u""};
  }
}

TForm::TForm(TApplication& Owner, FormDesign Design)
    : FApplication(Owner),
      FNative(CurrentUi().CreateForm(Owner.Adopt(std::move(Design)),
                                     Dispatcher(this, [this](TObject*) { Close(); }))) {}

UiHandler TForm::Dispatcher(TObject* Sender, TNotifyEvent Event) {
  return [this, Sender, Event = std::move(Event)] {
    try {
      Event(Sender);
    } catch (...) {
      FApplication.ShowException(std::current_exception());
    }
  };
}

void TForm::Close() {
  if (FApplication.MainForm() == this) FApplication.Terminate();
}

void TForm::Show() { FNative->ShowCentred(); }

TLabel::TLabel(TForm& Owner, LabelDesign Design)
    : FCaption(Design.Text), FNative(Owner.Native().AddLabel(Design)) {}

void TLabel::SetCaption(const std::u16string& Value) {
  FCaption = Value;
  FNative->SetText(Value);
}

TButton::TButton(TForm& Owner, ButtonDesign Design, TNotifyEvent OnClick)
    : FEnabled(Design.Enabled),
      FNative(Owner.Native().AddButton(Design, Owner.Dispatcher(this, std::move(OnClick)))) {}

void TButton::SetEnabled(bool Value) {
  FEnabled = Value;
  FNative->SetEnabled(Value);
}

TTimer::TTimer(TForm& Owner, unsigned IntervalMs, TNotifyEvent OnTimer)
    : FNative(Owner.Native().AddTimer(IntervalMs, true, Owner.Dispatcher(this, std::move(OnTimer)))) {}

void TTimer::SetEnabled(bool Value) {
  FEnabled = Value;
  FNative->SetEnabled(Value);
}

TApplication::TApplication() : FTitle(ApplicationTitleOf(CurrentUi().ExecutablePath())) {}

TApplication::~TApplication() {
  while (!FForms.empty()) {
    FForms.back().Forget();
    FForms.pop_back();
  }
}

void TApplication::Initialize() {
  if (Hook) Hook();
}

FormDesign TApplication::Adopt(FormDesign Design) const {
  Design.AppWindow = FForms.empty() && FMainFormOnTaskBar;
  return Design;
}

void TApplication::Run() {
  if (TForm* Main = MainForm()) Main->Show();
  CurrentUi().RunMessageLoop();
}

void TApplication::ProcessMessages() { CurrentUi().ProcessMessages(); }

void TApplication::Terminate() { CurrentUi().PostQuit(); }

void TApplication::ShowException(std::exception_ptr Error) {
  std::u16string Text = Describe(Error).Message;
  if (!Text.empty() && Text.back() > u'.') Text += u'.';
  CurrentUi().ShowErrorBox(Text, FTitle, MessageBoxOwner::ActiveWindow);
}

}  // namespace vexa
