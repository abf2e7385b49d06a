// The windowing system on Windows: raw Win32 windows, controls and timers,
// the thread's message queue, MessageBoxW and COM.
#include "platform/ui_api.h"

#include "core/exception.h"

#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <iterator>
#include <map>
#include <set>
#include <type_traits>
#include <utility>

namespace vexa {
namespace {

const wchar_t* Wide(const std::u16string& Text) { return reinterpret_cast<const wchar_t*>(Text.c_str()); }

struct WindowDestroyer {
  void operator()(HWND Window) const { DestroyWindow(Window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct FontDeleter {
  void operator()(HFONT Font) const { DeleteObject(Font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

class ScreenContext {
 public:
  ScreenContext() : FContext(GetDC(nullptr)) {}
  ~ScreenContext() { ReleaseDC(nullptr, FContext); }
  ScreenContext(const ScreenContext&) = delete;
  ScreenContext& operator=(const ScreenContext&) = delete;
  HDC get() const { return FContext; }

 private:
  HDC FContext;
};

// The process is DPI-aware (its manifest says so): designs at 96 pixels per
// inch are scaled to the display's here.
class Scaler {
 public:
  Scaler() {
    ScreenContext Screen;
    const int Dpi = GetDeviceCaps(Screen.get(), LOGPIXELSY);
    FDpi = Dpi > 0 ? Dpi : 96;
  }
  int operator()(int Pixels) const { return MulDiv(Pixels, FDpi, 96); }

 private:
  int FDpi;
};

FontHandle CreateDesignFont(const UiFont& Font, const Scaler& Scale) {
  // A negative height asks for the character height without internal
  // leading; the platform substitutes a face it lacks.
  return FontHandle(CreateFontW(-Scale(Font.Height), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(Font.Name)));
}

constexpr wchar_t FormClassName[] = L"VexaForm";
constexpr DWORD FormStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

LRESULT CALLBACK FormProcedure(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

const wchar_t* FormClass() {
  static const ATOM Registered = [] {
    const HINSTANCE Instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW Class{};
    Class.cbSize = sizeof(Class);
    Class.lpfnWndProc = FormProcedure;
    Class.hInstance = Instance;
    Class.hIcon = static_cast<HICON>(LoadImageW(Instance, L"MAINICON", IMAGE_ICON,
                                                GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON), LR_SHARED));
    Class.hIconSm = static_cast<HICON>(LoadImageW(Instance, L"MAINICON", IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Class.lpszClassName = FormClassName;
    return RegisterClassExW(&Class);
  }();
  return Registered ? FormClassName : nullptr;
}

class WindowsForm;

class WindowsControl final : public NativeControl {
 public:
  WindowsControl(WindowsForm& Owner, WindowHandle Window, FontHandle Font);
  ~WindowsControl() override;
  void SetText(const std::u16string& Text) override { SetWindowTextW(FWindow.get(), Wide(Text)); }
  void SetEnabled(bool Enabled) override { EnableWindow(FWindow.get(), Enabled); }

 private:
  WindowsForm& FOwner;
  FontHandle FFont;  // outlives the window that draws with it
  WindowHandle FWindow;
};

class WindowsTimer final : public NativeTimer {
 public:
  WindowsTimer(WindowsForm& Owner, UINT_PTR Id, unsigned IntervalMs, bool Enabled);
  ~WindowsTimer() override;
  void SetEnabled(bool Enabled) override;

 private:
  WindowsForm& FOwner;
  UINT_PTR FId;
  unsigned FIntervalMs;
};

class WindowsForm final : public NativeForm {
 public:
  WindowsForm(const FormDesign& Design, UiHandler OnClose)
      : FOnClose(std::move(OnClose)), FFont(CreateDesignFont(Design.Font, FScale)) {
    const DWORD ExStyle = WS_EX_TOOLWINDOW | (Design.AppWindow ? WS_EX_APPWINDOW : 0);
    RECT Frame{0, 0, FScale(Design.ClientWidth), FScale(Design.ClientHeight)};
    AdjustWindowRectEx(&Frame, FormStyle, FALSE, ExStyle);
    // The window procedure takes ownership of the window (Attach) as soon as
    // it exists.
    if (!CreateWindowExW(ExStyle, FormClass(), Wide(Design.Caption), FormStyle, 0, 0,
                         Frame.right - Frame.left, Frame.bottom - Frame.top, nullptr, nullptr,
                         GetModuleHandleW(nullptr), this)) {
      throw Exception(u"A window could not be created");
    }
  }

  ~WindowsForm() override {
    SetWindowLongPtrW(FWindow.get(), GWLP_USERDATA, 0);
  }

  std::unique_ptr<NativeControl> AddLabel(const LabelDesign& Design) override {
    FontHandle Font = CreateDesignFont(Design.Font, FScale);
    // One line, clipped where a substitute face is wider than the design's:
    // a label of fixed size does not wrap.
    WindowHandle Label = Child(L"STATIC", Design.Text, Design.Bounds, SS_CENTER | SS_CENTERIMAGE);
    SendMessageW(Label.get(), WM_SETFONT, reinterpret_cast<WPARAM>(Font.get()), FALSE);
    return std::make_unique<WindowsControl>(*this, std::move(Label), std::move(Font));
  }

  std::unique_ptr<NativeControl> AddButton(const ButtonDesign& Design, UiHandler OnClick) override {
    WindowHandle Button = Child(L"BUTTON", Design.Caption, Design.Bounds,
                                BS_PUSHBUTTON | WS_TABSTOP | (Design.Enabled ? 0 : WS_DISABLED));
    SendMessageW(Button.get(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), FALSE);
    FClicks[Button.get()] = std::move(OnClick);
    if (Design.HandCursor) FHandCursor.insert(Button.get());
    return std::make_unique<WindowsControl>(*this, std::move(Button), FontHandle());
  }

  std::unique_ptr<NativeTimer> AddTimer(unsigned IntervalMs, bool Enabled,
                                        UiHandler OnTimer) override {
    const UINT_PTR Id = ++FLastTimer;
    FTimers[Id] = std::move(OnTimer);
    return std::make_unique<WindowsTimer>(*this, Id, IntervalMs, Enabled);
  }

  void ShowCentred() override {
    RECT Frame{};
    GetWindowRect(FWindow.get(), &Frame);
    const int Width = Frame.right - Frame.left;
    const int Height = Frame.bottom - Frame.top;
    SetWindowPos(FWindow.get(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - Width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - Height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(FWindow.get(), SW_SHOWNORMAL);
    UpdateWindow(FWindow.get());
  }

  HWND Window() const { return FWindow.get(); }

  void Forget(HWND Control) {
    FClicks.erase(Control);
    FHandCursor.erase(Control);
  }
  void Forget(UINT_PTR Timer) { FTimers.erase(Timer); }

  LRESULT Handle(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
      case WM_COMMAND:
        if (HIWORD(WParam) == BN_CLICKED) Run(FClicks, reinterpret_cast<HWND>(LParam));
        return 0;
      case WM_TIMER:
        Run(FTimers, static_cast<UINT_PTR>(WParam));
        return 0;
      case WM_CLOSE:
        // The window stays until its owner destroys it.
        FOnClose();
        return 0;
      case WM_SETCURSOR:
        if (FHandCursor.count(reinterpret_cast<HWND>(WParam))) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
        break;
    }
    return DefWindowProcW(FWindow.get(), Message, WParam, LParam);
  }

  void Attach(HWND Window) { FWindow.reset(Window); }

 private:
  WindowHandle Child(const wchar_t* Class, const std::u16string& Text, const UiBounds& Bounds,
                     DWORD Style) {
    WindowHandle Control(CreateWindowExW(0, Class, Wide(Text), WS_CHILD | WS_VISIBLE | Style,
                                         FScale(Bounds.Left), FScale(Bounds.Top),
                                         FScale(Bounds.Width), FScale(Bounds.Height),
                                         FWindow.get(), nullptr, GetModuleHandleW(nullptr),
                                         nullptr));
    if (!Control) throw Exception(u"A control could not be created");
    return Control;
  }

  // A copy runs: the handler may change the tables.
  template <typename Key>
  static void Run(const std::map<Key, UiHandler>& Handlers, Key Which) {
    const auto Found = Handlers.find(Which);
    if (Found == Handlers.end()) return;
    const UiHandler Handler = Found->second;
    Handler();
  }

  Scaler FScale;
  UiHandler FOnClose;
  FontHandle FFont;  // outlives the windows that draw with it
  std::map<HWND, UiHandler> FClicks;
  std::set<HWND> FHandCursor;
  std::map<UINT_PTR, UiHandler> FTimers;
  UINT_PTR FLastTimer = 0;
  WindowHandle FWindow;
};

WindowsControl::WindowsControl(WindowsForm& Owner, WindowHandle Window, FontHandle Font)
    : FOwner(Owner), FFont(std::move(Font)), FWindow(std::move(Window)) {}

WindowsControl::~WindowsControl() { FOwner.Forget(FWindow.get()); }

WindowsTimer::WindowsTimer(WindowsForm& Owner, UINT_PTR Id, unsigned IntervalMs, bool Enabled)
    : FOwner(Owner), FId(Id), FIntervalMs(IntervalMs) {
  SetEnabled(Enabled);
}

WindowsTimer::~WindowsTimer() {
  KillTimer(FOwner.Window(), FId);
  FOwner.Forget(FId);
}

void WindowsTimer::SetEnabled(bool Enabled) {
  if (Enabled) {
    SetTimer(FOwner.Window(), FId, FIntervalMs, nullptr);
  } else {
    KillTimer(FOwner.Window(), FId);
  }
}

LRESULT CALLBACK FormProcedure(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_NCCREATE) {
    auto* Form = static_cast<WindowsForm*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Form));
    Form->Attach(Window);
  }
  auto* Form = reinterpret_cast<WindowsForm*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  return Form ? Form->Handle(Message, WParam, LParam)
              : DefWindowProcW(Window, Message, WParam, LParam);
}

class WindowsUi final : public UiApi {
 public:
  bool InitializeCom() override { return SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void UninitializeCom() override { CoUninitialize(); }

  std::unique_ptr<NativeForm> CreateForm(const FormDesign& Design, UiHandler OnClose) override {
    return std::make_unique<WindowsForm>(Design, std::move(OnClose));
  }

  void RunMessageLoop() override {
    MSG Message;
    while (!FQuitArrived) {
      if (GetMessageW(&Message, nullptr, 0, 0) <= 0) {
        FQuitArrived = true;
      } else {
        Dispatch(Message);
      }
    }
  }

  void ProcessMessages() override {
    MSG Message;
    while (!FQuitArrived && PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
      if (Message.message == WM_QUIT) {
        FQuitArrived = true;
      } else {
        Dispatch(Message);
      }
    }
  }

  void PostQuit() override { PostQuitMessage(0); }

  void ShowErrorBox(const std::u16string& Text, const std::u16string& Caption,
                    MessageBoxOwner Owner) override {
    const bool Task = Owner == MessageBoxOwner::Task;
    MessageBoxW(Task ? nullptr : GetActiveWindow(), Wide(Text), Wide(Caption),
                MB_OK | MB_ICONERROR | (Task ? MB_TASKMODAL : 0));
  }

  std::u16string LowerCase(std::u16string Text) override {
    CharLowerBuffW(reinterpret_cast<wchar_t*>(Text.data()), static_cast<DWORD>(Text.size()));
    return Text;
  }

  std::u16string ExecutablePath() override {
    std::u16string Path(MAX_PATH, u'\0');
    for (;;) {
      const DWORD Size = static_cast<DWORD>(Path.size());
      const DWORD Length =
          GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(Path.data()), Size);
      if (Length < Size) {
        Path.resize(Length);
        return Path;
      }
      Path.resize(Path.size() * 2);
    }
  }

 private:
  static void Dispatch(const MSG& Message) {
    if (Message.message == WM_KEYDOWN && HandleKey(Message)) return;
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
  }

  // The keyboard in a form, as in a dialog box without a default or cancel
  // button: Tab and Shift+Tab move the focus among the enabled tab stops,
  // Enter presses the push button that has the focus (Space it presses
  // itself); every other key goes its usual way, Escape to nothing.
  static bool HasClass(HWND Window, const wchar_t* Name) {
    wchar_t Class[32] = {};
    return GetClassNameW(Window, Class, static_cast<int>(std::size(Class))) > 0 &&
           _wcsicmp(Class, Name) == 0;
  }

  static bool HandleKey(const MSG& Message) {
    const HWND Form = GetAncestor(Message.hwnd, GA_ROOT);
    if (!Form || !HasClass(Form, FormClassName)) return false;
    const HWND Focus = GetFocus();
    switch (Message.wParam) {
      case VK_TAB:
        if (const HWND Next = GetNextDlgTabItem(Form, Focus == Form ? nullptr : Focus,
                                                GetKeyState(VK_SHIFT) < 0);
            Next && IsWindowEnabled(Next)) {
          SetFocus(Next);
        }
        return true;
      case VK_RETURN:
        if (Focus && GetParent(Focus) == Form && HasClass(Focus, L"Button") &&
            (GetWindowLongW(Focus, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON) {
          SendMessageW(Focus, BM_CLICK, 0, 0);
          return true;
        }
        return false;
    }
    return false;
  }

  bool FQuitArrived = false;
};

}  // namespace

template <>
UiApi& HostApi<UiApi>() {
  static WindowsUi Ui;
  return Ui;
}

}  // namespace vexa
