// Drives the real UninstallRepair.exe as a user would, in a throwaway Wine
// prefix: seeds the registry, starts the program, checks its window through
// the Win32 API, waits for the pass, presses OK or closes the window, and
// checks the exit code and what is left in the registry.
//
//   driver pass <exe> [<flag folder>]   the full run; with a flag folder it
//                                       pauses the program for a screenshot
//                                       before and after the pass
//   driver close-early <exe>            closes the window before the timer
//   driver startup-failure <exe>        a program whose start-up fails
//   driver keyboard <exe> enter|space   the full run by keyboard alone: keys do
//                                       nothing before the pass, Escape and
//                                       Enter nothing after it, Tab focuses OK
//                                       and the given key presses it
//   driver hostile <exe>                the full run with a link and a subkey
//                                       no Win32 path can name inside the ten;
//                                       nothing outside them may change
//   driver tree <count>                 of the shared data folder tree (its
//                                       root, then Common, Config, Data, Temp,
//                                       Resources) the first <count> folders
//                                       are there, the others are not
//   driver shown <exe> <caption>        only the time from the start to the
//                                       window, which it then closes
//   driver seed                         seeds the ten keys and the decoys
//   driver list                         lists them, present or gone
//   driver ok <exe>                     waits for "Repair complete...",
//                                       presses OK and checks the exit code
//   driver cleaned                      the ten are gone, the decoys intact
//
// VEXA_E2E_PATIENCE multiplies every waiting limit (an emulated 32-bit
// program takes most of a minute to start).
//
// Prints one line per check; the exit code is the number of failed checks
// (1 and up), 0 when all passed.
#include <windows.h>
#include <shlobj.h>
#include <winternl.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const wchar_t* W(const std::u16string& Text) { return reinterpret_cast<const wchar_t*>(Text.c_str()); }

std::string Utf8(const std::u16string& Text) {
  const int Size = WideCharToMultiByte(CP_UTF8, 0, W(Text), static_cast<int>(Text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string Out(static_cast<std::size_t>(Size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, W(Text), static_cast<int>(Text.size()), Out.data(), Size, nullptr,
                      nullptr);
  return Out;
}

int Failures = 0;

void Check(bool Ok, const std::string& What) {
  std::printf("%s %s\n", Ok ? "ok  " : "FAIL", What.c_str());
  std::fflush(stdout);
  if (!Ok) ++Failures;
}

struct HandleCloser {
  void operator()(HANDLE Handle) const { CloseHandle(Handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct KeyCloser {
  void operator()(HKEY Key) const { RegCloseKey(Key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// --- registry --------------------------------------------------------------

const std::u16string Uninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

const std::vector<std::u16string> Listed = {
    u"{1D4B8E27-3A6F-4C91-B5E0-7F2C94A1D638}_is1",
    u"{6E2A9D41-8C35-4B7F-A1D6-3B8E05C7F912}",
    u"InstallShield_{6E2A9D41-8C35-4B7F-A1D6-3B8E05C7F912}",
    u"{B7F1C3A9-2D64-4E8B-9F03-6A5D1E82C47B}",
    u"InstallShield_{B7F1C3A9-2D64-4E8B-9F03-6A5D1E82C47B}",
    u"{4A9E6B12-C7D3-4F58-8E21-D03B7A6C95E4}",
    u"InstallShield_{E3C85F60-1B9A-4D27-B6F4-82A1C9E03D75}",
    u"{2B6D0A8F-E541-4C3E-9D72-F9A6B1385C0E}",
    u"{C59E2F7A-63B8-4A1D-8C45-1E0D7B93A6F2}",
    u"{8F0A4C3D-9E76-4B52-A3E9-6C2D15F8B0A1}",
};

// Near the listed names, but not listed.
const std::vector<std::u16string> LookAlikes = {
    u"{1D4B8E27-3A6F-4C91-B5E0-7F2C94A1D638}",
    u"{6E2A9D41-8C35-4B7F-A1D6-3B8E05C7F913}",
    u"InstallShield_{4A9E6B12-C7D3-4F58-8E21-D03B7A6C95E4}",
    u"{E3C85F60-1B9A-4D27-B6F4-82A1C9E03D75}",
    u"{8F0A4C3D-9E76-4B52-A3E9-6C2D15F8B0A1}.old",
};

constexpr REGSAM View32 = KEY_WOW64_32KEY;
constexpr REGSAM View64 = KEY_WOW64_64KEY;

void Create(const std::u16string& Path, REGSAM View, bool WithValue) {
  HKEY Raw = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(Path), 0, nullptr, 0, KEY_ALL_ACCESS | View, nullptr, &Raw,
                      nullptr) != ERROR_SUCCESS) {
    Check(false, "seed " + Utf8(Path));
    return;
  }
  Key Opened(Raw);
  if (WithValue) {
    const std::u16string Name = u"DisplayName";
    RegSetValueExW(Opened.get(), L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(Name.c_str()),
                   static_cast<DWORD>((Name.size() + 1) * sizeof(char16_t)));
    const DWORD Size = 4096;
    RegSetValueExW(Opened.get(), L"EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Size),
                   sizeof Size);
  }
}

// A key with nested subkeys and values.
void SeedTree(const std::u16string& Path, REGSAM View) {
  Create(Path, View, true);
  Create(Path + u"\\Components\\Main", View, true);
  Create(Path + u"\\Components\\Main\\Files", View, true);
  Create(Path + u"\\Features", View, false);
}

bool Exists(const std::u16string& Path, REGSAM View) {
  HKEY Raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(Path), 0, KEY_READ | View, &Raw) != ERROR_SUCCESS) return false;
  Key Opened(Raw);
  return true;
}

void Remove(const std::u16string& Path, REGSAM View) {
  HKEY Raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(Uninstall.substr(0, Uninstall.size() - 1)), 0,
                    KEY_ALL_ACCESS | View, &Raw) != ERROR_SUCCESS) {
    return;
  }
  Key Parent(Raw);
  RegDeleteTreeW(Parent.get(), W(Path));
}

// The ten in the 32-bit view; decoys: the same names in the 64-bit view and
// look-alikes in the 32-bit view.
void Seed() {
  for (const std::u16string& Name : Listed) {
    for (const REGSAM View : {View32, View64}) {
      Remove(Name, View);
      SeedTree(Uninstall + Name, View);
    }
  }
  for (const std::u16string& Name : LookAlikes) {
    Remove(Name, View32);
    SeedTree(Uninstall + Name, View32);
  }
}

void CheckDecoys() {
  bool Kept = true;
  for (const std::u16string& Name : Listed) Kept &= Exists(Uninstall + Name + u"\\Components\\Main\\Files", View64);
  Check(Kept, "the listed names in the 64-bit view are intact");
  Kept = true;
  for (const std::u16string& Name : LookAlikes) Kept &= Exists(Uninstall + Name + u"\\Components\\Main\\Files", View32);
  Check(Kept, "the look-alike names in the 32-bit view are intact");
}

void CheckListed(bool Present) {
  bool AsExpected = true;
  for (const std::u16string& Name : Listed) {
    const bool Found = Exists(Uninstall + Name, View32) || Exists(Uninstall + Name + u"\\Features", View32);
    if (Found != Present) {
      std::printf("     %s %s\n", Utf8(Name).c_str(), Found ? "still there" : "gone");
      AsExpected = false;
    }
  }
  Check(AsExpected, Present ? "the ten keys are all still in the 32-bit view"
                            : "the ten keys are gone from the 32-bit view, subtrees and all");
}

// Keys inside the ten that the subtree delete must not follow or misread: a
// link to a key outside them (in the 32-bit view of the first listed key),
// and a subkey whose name begins with a NUL (below the second), which no
// Win32 path can name.
const std::u16string LinkTarget = u"SOFTWARE\\VexaLinkTarget";
const std::u16string NulName(u"\0Hidden", 7);

using NtCreateKeyFunction = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG, PUNICODE_STRING,
                                         ULONG, PULONG);
using NtOpenKeyFunction = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
using NtDeleteKeyFunction = LONG(NTAPI*)(HANDLE);

template <typename Function>
Function Ntdll(const char* Name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), Name)));
}

// The NUL-named subkey below Path (32-bit view): made, or removed.
bool NativeSubKey(const std::u16string& Path, bool Make) {
  HKEY Raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(Path), 0, KEY_ALL_ACCESS | View32, &Raw) != ERROR_SUCCESS) return false;
  Key Parent(Raw);
  std::u16string Name = NulName;
  UNICODE_STRING Counted{static_cast<USHORT>(Name.size() * 2), static_cast<USHORT>(Name.size() * 2),
                         reinterpret_cast<PWSTR>(Name.data())};
  OBJECT_ATTRIBUTES Attributes{};
  Attributes.Length = sizeof Attributes;
  Attributes.RootDirectory = Parent.get();
  Attributes.ObjectName = &Counted;
  HANDLE Made = nullptr;
  const LONG Status = Make ? Ntdll<NtCreateKeyFunction>("NtCreateKey")(&Made, KEY_ALL_ACCESS, &Attributes, 0, nullptr,
                                                                         0, nullptr)
                           : Ntdll<NtOpenKeyFunction>("NtOpenKey")(&Made, DELETE, &Attributes);
  if (Status < 0) return false;
  const bool Done = Make || Ntdll<NtDeleteKeyFunction>("NtDeleteKey")(Made) >= 0;
  CloseHandle(Made);
  return Done;
}

void SeedHostileKeys() {
  SeedTree(LinkTarget, View64);
  HKEY Raw = nullptr;
  bool Made = RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(Uninstall + Listed[0] + u"\\Link"), 0, nullptr,
                              REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | View32, nullptr, &Raw,
                              nullptr) == ERROR_SUCCESS;
  if (Made) {
    Key Link(Raw);
    const std::u16string Target = u"\\Registry\\Machine\\" + LinkTarget;
    Made = RegSetValueExW(Link.get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(Target.data()),
                          static_cast<DWORD>(Target.size() * 2)) == ERROR_SUCCESS;
  }
  Check(Made && Exists(Uninstall + Listed[0] + u"\\Link\\Components\\Main", View32),
        "a link inside the first key leads outside the ten");
  Check(NativeSubKey(Uninstall + Listed[1], true), "a subkey named with a NUL first inside the second key");
}

// Every key of HKEY_LOCAL_MACHINE and HKEY_USERS (both views: the 32-bit
// one is Wow6432Node) with its values, except what lies inside the ten
// listed keys of the 32-bit view, and Wine's own record of the session's
// system parameters, which any program with a window may change. Links are
// listed as links, not followed.
using Snapshot = std::map<std::u16string, std::u16string>;

bool Below(const std::u16string& Path, const std::u16string& Key) {
  return _wcsicmp(W(Path), W(Key)) == 0 || _wcsnicmp(W(Path), W(Key + u"\\"), Key.size() + 1) == 0;
}

void Walk(HKEY Parent, const std::u16string& Path, Snapshot& Into) {
  const std::u16string Ten = u"HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (const std::u16string& Name : Listed) {
    if (Below(Path, Ten + Name)) return;
  }
  if (Path.find(u"\\Software\\Wine\\Temporary System Parameters") != std::u16string::npos) return;
  std::u16string& Entry = Into[Path];
  char16_t Name[16384];
  static std::vector<BYTE> Data(1 << 20);
  for (DWORD Index = 0;; ++Index) {
    DWORD Length = 16384, Type = 0, Size = static_cast<DWORD>(Data.size());
    if (RegEnumValueW(Parent, Index, reinterpret_cast<wchar_t*>(Name), &Length, nullptr, &Type, Data.data(), &Size) !=
        ERROR_SUCCESS) {
      break;
    }
    Entry += std::u16string(Name, Length) + u"=" + std::u16string(1, static_cast<char16_t>(Type)) +
             std::u16string(reinterpret_cast<const char16_t*>(Data.data()), Size / 2) + u";";
  }
  std::vector<std::u16string> Subkeys;
  for (DWORD Index = 0;; ++Index) {
    DWORD Length = 16384;
    if (RegEnumKeyExW(Parent, Index, reinterpret_cast<wchar_t*>(Name), &Length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    Subkeys.emplace_back(Name, Length);
  }
  for (const std::u16string& Sub : Subkeys) {
    HKEY Raw = nullptr;
    if (Sub.find(u'\0') != std::u16string::npos ||
        RegOpenKeyExW(Parent, W(Sub), REG_OPTION_OPEN_LINK, KEY_READ | View64, &Raw) != ERROR_SUCCESS) {
      Into[Path + u"\\" + Sub] = u"(cannot be opened)";
      continue;
    }
    Key Opened(Raw);
    Walk(Opened.get(), Path + u"\\" + Sub, Into);
  }
}

Snapshot TakeSnapshot() {
  Snapshot Taken;
  Walk(HKEY_LOCAL_MACHINE, u"HKLM", Taken);
  Walk(HKEY_USERS, u"HKU", Taken);
  return Taken;
}

// What differs between two snapshots, a line each.
std::vector<std::string> Differences(const Snapshot& Before, const Snapshot& After) {
  std::vector<std::string> Lines;
  for (const auto& [Path, Values] : Before) {
    const auto Found = After.find(Path);
    if (Found == After.end()) {
      Lines.push_back("gone: " + Utf8(Path));
    } else if (Found->second != Values) {
      Lines.push_back("values changed: " + Utf8(Path));
    }
  }
  for (const auto& Each : After) {
    if (!Before.count(Each.first)) Lines.push_back("new: " + Utf8(Each.first));
  }
  return Lines;
}

// --- windows ---------------------------------------------------------------

std::u16string TextOf(HWND Window) {
  char16_t Buffer[512] = {};
  SendMessageTimeoutW(Window, WM_GETTEXT, std::size(Buffer), reinterpret_cast<LPARAM>(Buffer),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return Buffer;
}

std::u16string ClassOf(HWND Window) {
  char16_t Buffer[256] = {};
  GetClassNameW(Window, reinterpret_cast<wchar_t*>(Buffer), std::size(Buffer));
  return Buffer;
}

struct Search {
  DWORD Process;
  std::u16string Class;  // empty: any
  std::u16string Caption;
  HWND Found = nullptr;
};

BOOL CALLBACK Visit(HWND Window, LPARAM Param) {
  auto& Wanted = *reinterpret_cast<Search*>(Param);
  DWORD Owner = 0;
  GetWindowThreadProcessId(Window, &Owner);
  if (Owner == Wanted.Process && IsWindowVisible(Window) &&
      (Wanted.Class.empty() || ClassOf(Window) == Wanted.Class) && TextOf(Window) == Wanted.Caption) {
    Wanted.Found = Window;
    return FALSE;
  }
  return TRUE;
}

HWND FindTopWindow(DWORD Process, const std::u16string& Class, const std::u16string& Caption) {
  Search Wanted{Process, Class, Caption};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&Wanted));
  return Wanted.Found;
}

int Patience() {
  const char* Factor = std::getenv("VEXA_E2E_PATIENCE");
  const int Value = Factor ? std::atoi(Factor) : 1;
  return Value > 0 ? Value : 1;
}

template <typename Condition>
bool WaitFor(Condition&& Holds, milliseconds Limit) {
  const auto End = Clock::now() + Limit * Patience();
  while (!Holds()) {
    if (Clock::now() > End) return false;
    std::this_thread::sleep_for(milliseconds(10));
  }
  return true;
}

HWND Child(HWND Parent, const wchar_t* Class) { return FindWindowExW(Parent, nullptr, Class, nullptr); }

long long Since(Clock::time_point Start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - Start).count();
}

struct Started {
  Handle Process;
  Handle Thread;
  DWORD Id = 0;
  Clock::time_point At;
};

Started Start(const std::u16string& Exe) {
  STARTUPINFOW Startup{};
  Startup.cb = sizeof Startup;
  PROCESS_INFORMATION Info{};
  std::u16string CommandLine = u"\"" + Exe + u"\"";
  const auto At = Clock::now();
  if (!CreateProcessW(W(Exe), reinterpret_cast<wchar_t*>(CommandLine.data()), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &Startup, &Info)) {
    std::printf("FAIL cannot start %s: error %lu\n", Utf8(Exe).c_str(), GetLastError());
    std::exit(100);
  }
  return {Handle(Info.hProcess), Handle(Info.hThread), Info.dwProcessId, At};
}

DWORD ExitCodeAfter(const Started& Program, milliseconds Limit) {
  if (WaitForSingleObject(Program.Process.get(), static_cast<DWORD>(Limit.count() * Patience())) !=
      WAIT_OBJECT_0) {
    TerminateProcess(Program.Process.get(), 99);
    Check(false, "the program ends");
    return 99;
  }
  DWORD Code = 0;
  GetExitCodeProcess(Program.Process.get(), &Code);
  return Code;
}

const std::u16string Caption = u"Uninstall repair tool";

HWND AwaitMainWindow(const Started& Program) {
  HWND Main = nullptr;
  WaitFor([&] { return (Main = FindTopWindow(Program.Id, u"", Caption)) != nullptr; }, milliseconds(20000));
  Check(Main != nullptr, "the window \"Uninstall repair tool\" appears");
  if (!Main) {
    TerminateProcess(Program.Process.get(), 99);
    std::exit(Failures);
  }
  std::printf("     window shown %lld ms after start\n", Since(Program.At));
  return Main;
}

// Stops the program's thread while the screenshot of Name is taken: the
// script creates <Name>.done when it has it.
void Screenshot(const Started& Program, const std::u16string& Flags, const std::u16string& Name) {
  if (Flags.empty()) return;
  SuspendThread(Program.Thread.get());
  const std::u16string Request = Flags + u"\\" + Name + u".wanted";
  const std::u16string Done = Flags + u"\\" + Name + u".done";
  Handle File(CreateFileW(W(Request), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  File.reset();
  const bool Taken = WaitFor([&] { return GetFileAttributesW(W(Done)) != INVALID_FILE_ATTRIBUTES; },
                             milliseconds(15000));
  Check(Taken, "screenshot " + Utf8(Name));
  ResumeThread(Program.Thread.get());
}

int ScreenDpi() {
  struct ScreenReleaser {
    void operator()(HDC Context) const { ReleaseDC(nullptr, Context); }
  };
  const std::unique_ptr<std::remove_pointer_t<HDC>, ScreenReleaser> Screen(GetDC(nullptr));
  return GetDeviceCaps(Screen.get(), LOGPIXELSY);
}

void CheckWindow(HWND Main) {
  const LONG Style = GetWindowLongW(Main, GWL_STYLE);
  const LONG ExStyle = GetWindowLongW(Main, GWL_EXSTYLE);
  Check((Style & WS_CAPTION) == WS_CAPTION && (Style & WS_SYSMENU), "caption bar with a close box");
  Check(!(Style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)), "no thick frame, minimize or maximize box");
  Check(ExStyle & WS_EX_TOOLWINDOW, "a tool window");
  Check(!(ExStyle & WS_EX_CONTEXTHELP), "no help box");

  const int Dpi = ScreenDpi();
  RECT Client{};
  GetClientRect(Main, &Client);
  Check(Client.right == MulDiv(247, Dpi, 96) && Client.bottom == MulDiv(103, Dpi, 96),
        "client area " + std::to_string(Client.right) + "x" + std::to_string(Client.bottom) + " is 247x103 at " +
            std::to_string(Dpi) + " dpi");

  RECT Frame{};
  GetWindowRect(Main, &Frame);
  const int Left = (GetSystemMetrics(SM_CXSCREEN) - (Frame.right - Frame.left)) / 2;
  const int Top = (GetSystemMetrics(SM_CYSCREEN) - (Frame.bottom - Frame.top)) / 2;
  Check(std::abs(Frame.left - Left) <= 1 && std::abs(Frame.top - Top) <= 1, "centred on the screen");

  const HWND Label = Child(Main, L"Static");
  const HWND Ok = Child(Main, L"Button");
  // Control bounds in the window's client area, as designed at 96 dpi.
  const auto Placed = [&](HWND Control, int Left, int Top, int Width, int Height) {
    RECT Bounds{};
    GetWindowRect(Control, &Bounds);
    MapWindowPoints(nullptr, Main, reinterpret_cast<POINT*>(&Bounds), 2);
    return Bounds.left == MulDiv(Left, Dpi, 96) && Bounds.top == MulDiv(Top, Dpi, 96) &&
           Bounds.right - Bounds.left == MulDiv(Width, Dpi, 96) &&
           Bounds.bottom - Bounds.top == MulDiv(Height, Dpi, 96);
  };
  Check(Label && Placed(Label, 23, 28, 201, 17), "label at 23,28 201x17 (scaled)");
  Check(Ok && Placed(Ok, 161, 68, 75, 25), "OK at 161,68 75x25 (scaled)");
  Check(Label && TextOf(Label) == u"Clearing broken uninstall keys...", "label says \"Clearing broken uninstall keys...\"");
  Check(Label && (GetWindowLongW(Label, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER, "label text centred");
  Check(Ok && TextOf(Ok) == u"OK", "button \"OK\"");
  Check(Ok && !IsWindowEnabled(Ok), "OK disabled before the pass");
  const LONG ButtonStyle = Ok ? GetWindowLongW(Ok, GWL_STYLE) : 0;
  Check((ButtonStyle & WS_TABSTOP) && (ButtonStyle & BS_TYPEMASK) == BS_PUSHBUTTON,
        "OK is a tab stop and not the default button");
}

bool Complete(HWND Main) {
  const HWND Label = Child(Main, L"Static");
  const HWND Ok = Child(Main, L"Button");
  return Label && Ok && TextOf(Label) == u"Repair complete..." && IsWindowEnabled(Ok);
}

int Pass(const std::u16string& Exe, const std::u16string& Flags) {
  Seed();
  const Started Program = Start(Exe);
  const HWND Main = AwaitMainWindow(Program);
  const long long Shown = Since(Program.At);
  Check(!Complete(Main), "still waiting when found");
  CheckWindow(Main);
  const auto PauseStart = Clock::now();
  Screenshot(Program, Flags, u"before");
  const long long Paused = Since(PauseStart);
  const bool Done = WaitFor([&] { return Complete(Main); }, milliseconds(20000));
  Check(Done, "label says \"Repair complete...\" and OK is enabled");
  const long long Changed = Since(Program.At) - Paused;
  std::printf("     changed %lld ms after start, %lld ms after the window was found\n", Changed, Changed - Shown);
  Check(Changed - Shown < 1500 + 1000 && Changed >= 1400, "the pass ran about 1.5 s after the window appeared");
  Check(FindTopWindow(Program.Id, u"#32770", u"Uninstallrepair") == nullptr, "no error box");
  Screenshot(Program, Flags, u"after");
  CheckListed(false);
  CheckDecoys();
  SendMessageTimeoutW(Child(Main, L"Button"), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  const DWORD Code = ExitCodeAfter(Program, milliseconds(10000));
  Check(Code == 0, "OK ends the program with exit code " + std::to_string(Code));
  return Failures;
}

// A key pressed and released as the keyboard does it, into the window that
// has the keyboard: the program's, brought to the front first.
void Press(HWND Main, WORD Key) {
  SetForegroundWindow(Main);
  INPUT Strokes[2] = {};
  for (INPUT& Stroke : Strokes) {
    Stroke.type = INPUT_KEYBOARD;
    Stroke.ki.wVk = Key;
    Stroke.ki.wScan = static_cast<WORD>(MapVirtualKeyW(Key, MAPVK_VK_TO_VSC));
  }
  Strokes[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, Strokes, sizeof(INPUT));
  std::this_thread::sleep_for(milliseconds(150));
}

HWND FocusOf(const Started& Program) {
  GUITHREADINFO Info{};
  Info.cbSize = sizeof Info;
  return GetGUIThreadInfo(GetThreadId(Program.Thread.get()), &Info) ? Info.hwndFocus : nullptr;
}

bool Running(const Started& Program) { return WaitForSingleObject(Program.Process.get(), 0) == WAIT_TIMEOUT; }

int Keyboard(const std::u16string& Exe, const std::u16string& PressWith) {
  const WORD PressKey = PressWith == u"space" ? VK_SPACE : VK_RETURN;
  Seed();
  const Started Program = Start(Exe);
  const HWND Main = AwaitMainWindow(Program);
  const HWND Ok = Child(Main, L"Button");
  for (const WORD Key : {VK_TAB, VK_SPACE, VK_RETURN, VK_ESCAPE}) Press(Main, Key);
  Check(!Complete(Main) && Running(Program) && FocusOf(Program) != Ok,
        "before the pass, Tab, Space, Enter and Escape do nothing");
  Check(WaitFor([&] { return Complete(Main); }, milliseconds(20000)),
        "label says \"Repair complete...\" and OK is enabled");
  Press(Main, VK_ESCAPE);
  Press(Main, VK_RETURN);
  Check(Running(Program), "after the pass, Escape and Enter without the focus on OK do nothing");
  Press(Main, VK_TAB);
  Check(FocusOf(Program) == Ok, "Tab puts the focus on OK");
  Press(Main, PressKey);
  const DWORD Code = ExitCodeAfter(Program, milliseconds(10000));
  Check(Code == 0, Utf8(PressWith) + " on OK ends the program with exit code " + std::to_string(Code));
  CheckListed(false);
  return Failures;
}

int CloseEarly(const std::u16string& Exe) {
  Seed();
  const Started Program = Start(Exe);
  const HWND Main = AwaitMainWindow(Program);
  PostMessageW(Main, WM_CLOSE, 0, 0);
  Check(Since(Program.At) < 1500, "closed before the timer was due");
  const DWORD Code = ExitCodeAfter(Program, milliseconds(10000));
  Check(Code == 0, "closing ends the program with exit code " + std::to_string(Code));
  CheckListed(true);
  CheckDecoys();
  return Failures;
}

int StartupFailure(const std::u16string& Exe) {
  const Started Program = Start(Exe);
  HWND Box = nullptr;
  WaitFor([&] { return (Box = FindTopWindow(Program.Id, u"#32770", u"Error")) != nullptr; }, milliseconds(20000));
  Check(Box != nullptr, "a box captioned \"Error\" appears");
  Check(FindTopWindow(Program.Id, u"", Caption) == nullptr, "no main window");
  if (Box) {
    const std::u16string Text = TextOf(GetDlgItem(Box, 0xFFFF));
    bool Shape = Text.size() == 29 && Text.compare(0, 21, u"Runtime error 217 at ") == 0;
    for (std::size_t I = 21; Shape && I < Text.size(); ++I) {
      Shape = (Text[I] >= u'0' && Text[I] <= u'9') || (Text[I] >= u'A' && Text[I] <= u'F');
    }
    Check(Shape, "it says \"" + Utf8(Text) + "\"");
    PostMessageW(Box, WM_COMMAND, IDOK, 0);
  }
  const DWORD Code = ExitCodeAfter(Program, milliseconds(10000));
  Check(Code == 217, "exit code " + std::to_string(Code));
  return Failures;
}

// --- files ---------------------------------------------------------------

int Tree(int Count) {
  char16_t Folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                              reinterpret_cast<wchar_t*>(Folder)))) {
    Check(false, "the machine-wide application-data folder is there");
    return Failures;
  }
  const std::u16string Root = std::u16string(Folder) + u"\\Solvane808\\{3F2A6C1E-7B94-4D05-A8E3-5C19B07D2E64}";
  const std::vector<std::u16string> Names = {u"", u"Common", u"Config", u"Data", u"Temp", u"Resources"};
  bool AsExpected = true;
  std::string Seen;
  for (std::size_t I = 0; I < Names.size(); ++I) {
    const DWORD Attributes = GetFileAttributesW(W(Names[I].empty() ? Root : Root + u"\\" + Names[I]));
    const bool There = Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY);
    AsExpected &= There == (static_cast<int>(I) < Count);
    Seen += std::string(There ? " " : " no ") + (Names[I].empty() ? "root" : Utf8(Names[I]));
  }
  Check(AsExpected, "the first " + std::to_string(Count) + " of the tree's 6 folders are there in " + Utf8(Folder) +
                        ":" + Seen);
  return Failures;
}

int Shown(const std::u16string& Exe, const std::u16string& WindowCaption) {
  const Started Program = Start(Exe);
  HWND Window = nullptr;
  WaitFor([&] { return (Window = FindTopWindow(Program.Id, u"", WindowCaption)) != nullptr; },
          milliseconds(20000));
  Check(Window != nullptr, "the window \"" + Utf8(WindowCaption) + "\" appears");
  std::printf("shown-ms %lld\n", Since(Program.At));
  if (Window) PostMessageW(Window, WM_CLOSE, 0, 0);
  Check(ExitCodeAfter(Program, milliseconds(10000)) == 0, "exit code 0");
  return Failures;
}

void List() {
  for (const REGSAM View : {View32, View64}) {
    std::printf("%s view:\n", View == View32 ? "32-bit" : "64-bit");
    for (const std::u16string& Name : Listed) {
      std::printf("  %-6s listed     %s\n", Exists(Uninstall + Name, View) ? "found" : "-", Utf8(Name).c_str());
    }
    if (View == View32) {
      for (const std::u16string& Name : LookAlikes) {
        std::printf("  %-6s look-alike %s\n", Exists(Uninstall + Name, View) ? "found" : "-", Utf8(Name).c_str());
      }
    }
  }
}

// Starts the program, waits for the pass and presses OK.
void RunToOk(const std::u16string& Exe) {
  const Started Program = Start(Exe);
  const HWND Main = AwaitMainWindow(Program);
  Check(WaitFor([&] { return Complete(Main); }, milliseconds(20000)),
        "label says \"Repair complete...\" and OK is enabled");
  SendMessageTimeoutW(Child(Main, L"Button"), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  const DWORD Code = ExitCodeAfter(Program, milliseconds(10000));
  Check(Code == 0, "OK ends the program with exit code " + std::to_string(Code));
}

int PressOk(const std::u16string& Exe) {
  RunToOk(Exe);
  return Failures;
}

int Hostile(const std::u16string& Exe) {
  Seed();
  SeedHostileKeys();
  const Snapshot Before = TakeSnapshot();
  RunToOk(Exe);
  const std::vector<std::string> Changed = Differences(Before, TakeSnapshot());
  for (std::size_t I = 0; I < Changed.size() && I < 10; ++I) std::printf("     %s\n", Changed[I].c_str());
  Check(Changed.empty(), "nothing outside the ten keys changed (" + std::to_string(Before.size()) +
                             " keys of HKLM and HKU compared)");
  Check(Exists(LinkTarget + u"\\Components\\Main\\Files", View64), "the link's target is intact");
  Check(!Exists(Uninstall + Listed[0], View32), "the key with the link is gone");
  Check(Exists(Uninstall + Listed[1], View32) && !Exists(Uninstall + Listed[1] + u"\\Components", View32),
        "the key with the NUL-named subkey stays, with that subkey alone");
  bool OthersGone = true;
  for (std::size_t I = 2; I < Listed.size(); ++I) OthersGone &= !Exists(Uninstall + Listed[I], View32);
  Check(OthersGone, "the other eight keys are gone");
  Check(NativeSubKey(Uninstall + Listed[1], false), "the NUL-named subkey can be removed afterwards");
  return Failures;
}

}  // namespace

int wmain(int Count, wchar_t** Arguments) {
  SetProcessDPIAware();
  if (Count < 2) {
    std::printf("usage: driver pass|close-early|keyboard|hostile|startup-failure|shown|seed|list|ok|cleaned [<exe> [<flag folder>|<caption>|<key>]]\n"
                "       driver tree <count>\n");
    return 100;
  }
  const auto Text = [&](int I) {
    return I < Count ? std::u16string(reinterpret_cast<const char16_t*>(Arguments[I])) : std::u16string();
  };
  const std::u16string Mode = Text(1);
  if (Mode == u"pass") return Pass(Text(2), Text(3));
  if (Mode == u"close-early") return CloseEarly(Text(2));
  if (Mode == u"keyboard") return Keyboard(Text(2), Text(3));
  if (Mode == u"hostile") return Hostile(Text(2));
  if (Mode == u"startup-failure") return StartupFailure(Text(2));
  if (Mode == u"shown") return Shown(Text(2), Text(3));
  if (Mode == u"tree") return Tree(std::atoi(Utf8(Text(2)).c_str()));
  if (Mode == u"seed") {
    Seed();
    return Failures;
  }
  if (Mode == u"list") {
    List();
    return 0;
  }
  if (Mode == u"ok") return PressOk(Text(2));
  if (Mode == u"cleaned") {
    CheckListed(false);
    CheckDecoys();
    return Failures;
  }
  std::printf("unknown mode\n");
  return 100;
}
