#include "platform/ui.h"

#include "core/exception.h"

namespace vexa {
namespace {

InitializationHook Hook = nullptr;

char16_t LowerCase(char16_t C) {
  // ASCII and Latin-1 capitals; U+00D7 is the multiplication sign.
  if ((C >= u'A' && C <= u'Z') || (C >= 0xC0 && C <= 0xDE && C != 0xD7)) return C + 0x20;
  return C;
}

}  // namespace

void SetInitializationHook(InitializationHook Value) { Hook = Value; }

std::u16string FileNameOf(const std::u16string& Path) {
  const std::size_t Folder = Path.find_last_of(u"\\/:");
  return Folder == std::u16string::npos ? Path : Path.substr(Folder + 1);
}

std::u16string ApplicationTitleOf(const std::u16string& ExecutablePath) {
  std::u16string Title = FileNameOf(ExecutablePath);
  Title = Title.substr(0, Title.find(u'.'));
  for (std::size_t I = 1; I < Title.size(); ++I) Title[I] = LowerCase(Title[I]);
  return Title;
}

std::u16string ErrorMessage(const std::exception& Error) {
  if (const auto* Own = dynamic_cast<const Exception*>(&Error)) return Own->Message();
  // Descriptions of the standard library's errors are ASCII.
  const std::string Text = Error.what();
  return std::u16string(Text.begin(), Text.end());
}

const char* ErrorClassName(const std::exception& Error) {
  if (const auto* Own = dynamic_cast<const Exception*>(&Error)) return Own->ClassName();
  return "Exception";
}

TForm::TForm(TApplication& Owner, FormDesign Design)
    : FApplication(Owner),
      FNative(CurrentUi().CreateForm(Owner.Adopt(std::move(Design)),
                                     Dispatcher(this, [this](TObject*) { Close(); }))) {}

UiHandler TForm::Dispatcher(TObject* Sender, TNotifyEvent Event) {
  return [this, Sender, Event = std::move(Event)] {
    try {
      Event(Sender);
    } catch (const std::exception& Error) {
      FApplication.ShowException(Error);
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

void TApplication::ShowException(const std::exception& Error) {
  std::u16string Text = ErrorMessage(Error);
  if (!Text.empty() && Text.back() > u'.') Text += u'.';
  CurrentUi().ShowErrorBox(Text, FTitle, MessageBoxOwner::ActiveWindow);
}

}  // namespace vexa
