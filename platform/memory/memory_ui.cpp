#include "platform/memory/memory_ui.h"

#include <algorithm>
#include <utility>

namespace vexa {
namespace {

class MemoryControl final : public NativeControl {
 public:
  explicit MemoryControl(std::shared_ptr<MemoryUi::Control> State) : FState(std::move(State)) {}
  ~MemoryControl() override { FState->Alive = false; }
  void SetText(const std::u16string& Text) override { FState->Text = Text; }
  void SetEnabled(bool Enabled) override { FState->Enabled = Enabled; }

 private:
  std::shared_ptr<MemoryUi::Control> FState;
};

class MemoryTimer final : public NativeTimer {
 public:
  explicit MemoryTimer(std::shared_ptr<MemoryUi::Timer> State) : FState(std::move(State)) {}
  ~MemoryTimer() override { FState->Alive = false; }
  void SetEnabled(bool Enabled) override { FState->Enabled = Enabled; }

 private:
  std::shared_ptr<MemoryUi::Timer> FState;
};

class MemoryForm final : public NativeForm {
 public:
  explicit MemoryForm(std::shared_ptr<MemoryUi::Form> State) : FState(std::move(State)) {}
  ~MemoryForm() override { FState->Alive = false; }

  std::unique_ptr<NativeControl> AddLabel(const LabelDesign& Design) override {
    return Add({MemoryUi::ControlKind::Label, Design.Bounds, Design.Text, Design.Font, true, false,
                nullptr, true});
  }
  std::unique_ptr<NativeControl> AddButton(const ButtonDesign& Design, UiHandler OnClick) override {
    return Add({MemoryUi::ControlKind::Button, Design.Bounds, Design.Caption, UiFont(),
                Design.Enabled, Design.HandCursor, std::move(OnClick), true});
  }
  std::unique_ptr<NativeTimer> AddTimer(unsigned IntervalMs, bool Enabled,
                                        UiHandler OnTimer) override {
    auto State = std::make_shared<MemoryUi::Timer>(
        MemoryUi::Timer{IntervalMs, Enabled, std::move(OnTimer), true});
    FState->Timers.push_back(State);
    return std::make_unique<MemoryTimer>(std::move(State));
  }
  void ShowCentred() override { FState->Shown = true; }

 private:
  std::unique_ptr<NativeControl> Add(MemoryUi::Control Control) {
    auto State = std::make_shared<MemoryUi::Control>(std::move(Control));
    FState->Controls.push_back(State);
    return std::make_unique<MemoryControl>(std::move(State));
  }

  std::shared_ptr<MemoryUi::Form> FState;
};

}  // namespace

MemoryUi::MemoryUi(std::u16string ExecutablePath) : FExecutablePath(std::move(ExecutablePath)) {}

bool MemoryUi::InitializeCom() {
  ++FComDepth;
  return true;
}

void MemoryUi::UninitializeCom() { --FComDepth; }

std::unique_ptr<NativeForm> MemoryUi::CreateForm(const FormDesign& Design, UiHandler OnClose) {
  auto State = std::make_shared<Form>();
  State->Design = Design;
  State->OnClose = std::move(OnClose);
  FForms.push_back(State);
  return std::make_unique<MemoryForm>(std::move(State));
}

void MemoryUi::RunMessageLoop() {
  ++FLoopsRun;
  ProcessMessages();
}

// The platform's order: posted messages, then the quit request, then due
// timers; nothing is delivered after the quit request.
void MemoryUi::ProcessMessages() {
  while (!FQuitArrived) {
    if (!FQueue.empty()) {
      UiHandler Message = std::move(FQueue.front());
      FQueue.pop_front();
      Message();
    } else if (FQuitPosted) {
      FQuitArrived = true;
    } else if (!FDueTimers.empty()) {
      const Timer* Due = FDueTimers.front();
      FDueTimers.pop_front();
      FireTimer(*Due);
    } else {
      return;
    }
  }
}

void MemoryUi::PostQuit() { FQuitPosted = true; }

void MemoryUi::ShowErrorBox(const std::u16string& Text, const std::u16string& Caption,
                            MessageBoxOwner Owner) {
  FBoxes.push_back({Text, Caption, Owner});
}

void MemoryUi::FireTimer(const Timer& Target) {
  if (Target.Alive && Target.Enabled) Target.OnTimer();
}

void MemoryUi::Click(const Control& Target) {
  if (Target.Alive && Target.Enabled && Target.OnClick) Target.OnClick();
}

void MemoryUi::RequestClose(const Form& Target) {
  if (Target.Alive) Target.OnClose();
}

void MemoryUi::PressKey(Form& Target, Key Pressed) {
  if (!Target.Alive) return;
  const auto TabStop = [](const std::shared_ptr<Control>& Each) {
    return Each->Alive && Each->Enabled && Each->Kind == ControlKind::Button;
  };
  switch (Pressed) {
    case Key::Tab: {
      // The next tab stop after the focused control, wrapping around.
      const auto& All = Target.Controls;
      const auto Focused = std::find_if(All.begin(), All.end(), [&](const std::shared_ptr<Control>& Each) {
        return Each.get() == Target.Focused;
      });
      // Nothing focused: the search starts at the first control.
      const std::size_t Start = (Focused == All.end() ? All.size() : Focused - All.begin() + 1);
      for (std::size_t Step = 0; Step < All.size(); ++Step) {
        const auto& Candidate = All[(Start + Step) % All.size()];
        if (TabStop(Candidate)) {
          Target.Focused = Candidate.get();
          break;
        }
      }
      break;
    }
    case Key::Space:
    case Key::Enter:
      if (Target.Focused) Click(*Target.Focused);
      break;
    case Key::Escape:
      break;
  }
}

void MemoryUi::Post(UiHandler Message) { FQueue.push_back(std::move(Message)); }

void MemoryUi::PostTimer(const Timer& Target) { FDueTimers.push_back(&Target); }

}  // namespace vexa
