// A windowing system held in memory: it keeps what the program asked of each
// window, control, timer and message box, and delivers input that a test
// posts (timer events, clicks, close requests) through its message loop, so
// that the program's run can be followed without a screen.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_api.h"

namespace vexa {

class MemoryUi final : public UiApi {
 public:
  enum class ControlKind { Label, Button };

  struct Control {
    ControlKind Kind;
    UiBounds Bounds;
    std::u16string Text;
    UiFont Font;  // empty name: the window's
    bool Enabled = true;
    bool HandCursor = false;
    UiHandler OnClick;
    bool Alive = true;
  };

  struct Timer {
    unsigned IntervalMs = 0;
    bool Enabled = false;
    UiHandler OnTimer;
    bool Alive = true;
  };

  struct Form {
    FormDesign Design;
    UiHandler OnClose;
    bool Shown = false;
    bool Alive = true;
    std::vector<std::shared_ptr<Control>> Controls;
    std::vector<std::shared_ptr<Timer>> Timers;
    const Control* Focused = nullptr;  // null: the window itself
  };

  enum class Key { Tab, Space, Enter, Escape };

  struct Box {
    std::u16string Text;
    std::u16string Caption;
    MessageBoxOwner Owner;
  };

  explicit MemoryUi(std::u16string ExecutablePath);

  bool InitializeCom() override;
  void UninitializeCom() override;
  std::unique_ptr<NativeForm> CreateForm(const FormDesign& Design, UiHandler OnClose) override;
  void RunMessageLoop() override;
  void ProcessMessages() override;
  void PostQuit() override;
  void ShowErrorBox(const std::u16string& Text, const std::u16string& Caption,
                    MessageBoxOwner Owner) override;
  std::u16string ExecutablePath() override { return FExecutablePath; }
  // The simple lower-case mapping of the alphabets with capitals in the
  // first plane: Latin (with Latin-1, Extended-A and Extended Additional),
  // Greek, Cyrillic, Armenian and the fullwidth Latin letters.
  std::u16string LowerCase(std::u16string Text) override;

  // What the program asked for, in the order it asked.
  const std::vector<std::shared_ptr<Form>>& Forms() const { return FForms; }
  const std::vector<Box>& Boxes() const { return FBoxes; }
  int ComInitializations() const { return FComDepth; }
  bool QuitArrived() const { return FQuitArrived; }
  int LoopsRun() const { return FLoopsRun; }

  // Input as the platform delivers it: each does nothing where the platform
  // would deliver nothing (a disabled timer or button, a destroyed window).
  void FireTimer(const Timer& Target);
  void Click(const Control& Target);
  void RequestClose(const Form& Target);
  // A key pressed in Target, as the Windows implementation handles it: Tab
  // moves the focus to the next enabled button, Space and Enter press the
  // button that has the focus, Escape does nothing.
  void PressKey(Form& Target, Key Pressed);

  // Queues Message for the message loop, behind what is queued already.
  void Post(UiHandler Message);
  // Makes Target due: the loop delivers it, as the platform does, only when
  // no posted message and no quit request is pending.
  void PostTimer(const Timer& Target);

 private:
  std::u16string FExecutablePath;
  std::vector<std::shared_ptr<Form>> FForms;
  std::vector<Box> FBoxes;
  std::deque<UiHandler> FQueue;
  std::deque<const Timer*> FDueTimers;
  int FComDepth = 0;
  int FLoopsRun = 0;
  bool FQuitPosted = false;
  bool FQuitArrived = false;
};

}  // namespace vexa
