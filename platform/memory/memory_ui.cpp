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

namespace {

// Capitals First..Last map to the code Delta further on; in an Alternating
// range the capitals and small letters take turns, from First.
struct CaseRange {
  char16_t First, Last;
  int Delta;
  bool Alternating;
};

constexpr CaseRange CaseRanges[] = {
    {0x0041, 0x005A, 0x20, false},  {0x00C0, 0x00D6, 0x20, false},  {0x00D8, 0x00DE, 0x20, false},
    {0x0100, 0x012F, 1, true},      {0x0132, 0x0137, 1, true},      {0x0139, 0x0148, 1, true},
    {0x014A, 0x0177, 1, true},      {0x0178, 0x0178, -0x79, false}, {0x0179, 0x017E, 1, true},
    {0x0386, 0x0386, 0x26, false},  {0x0388, 0x038A, 0x25, false},  {0x038C, 0x038C, 0x40, false},
    {0x038E, 0x038F, 0x3F, false},  {0x0391, 0x03A1, 0x20, false},  {0x03A3, 0x03AB, 0x20, false},
    {0x0400, 0x040F, 0x50, false},  {0x0410, 0x042F, 0x20, false},  {0x0460, 0x0481, 1, true},
    {0x048A, 0x04BF, 1, true},      {0x04C0, 0x04C0, 0x0F, false},  {0x04C1, 0x04CE, 1, true},
    {0x04D0, 0x052F, 1, true},      {0x0531, 0x0556, 0x30, false},  {0x1E00, 0x1E95, 1, true},
    {0x1EA0, 0x1EFF, 1, true},      {0xFF21, 0xFF3A, 0x20, false},
};

}  // namespace

std::u16string MemoryUi::LowerCase(std::u16string Text) {
  for (char16_t& C : Text) {
    for (const CaseRange& Range : CaseRanges) {
      if (C < Range.First || C > Range.Last) continue;
      if (!Range.Alternating || (C - Range.First) % 2 == 0) C = static_cast<char16_t>(C + Range.Delta);
      break;
    }
  }
  return Text;
}

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
