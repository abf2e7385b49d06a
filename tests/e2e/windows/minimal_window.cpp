// The least a Win32 window program does, as a yardstick for how long the
// tool takes from its start to its window: one window, shown, and a message
// loop that ends when the window is closed.
#include <windows.h>

namespace {

LRESULT CALLBACK Procedure(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(Window, Message, WParam, LParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW Class{};
  Class.lpfnWndProc = Procedure;
  Class.hInstance = Instance;
  Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  Class.lpszClassName = L"MinimalWindow";
  RegisterClassW(&Class);
  // Destroyed by the default handling of WM_CLOSE.
  const HWND Window = CreateWindowExW(WS_EX_TOOLWINDOW, L"MinimalWindow", L"Minimal window",
                                      WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 260, 140,
                                      nullptr, nullptr, Instance, nullptr);
  ShowWindow(Window, SW_SHOWNORMAL);
  MSG Message;
  while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
    TranslateMessage(&Message);
    DispatchMessageW(&Message);
  }
  return 0;
}
