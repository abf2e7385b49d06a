#include "platform/system_info.h"

#include <windows.h>

namespace vexa {
namespace {

class WindowsSystemInfo final : public SystemInfoApi {
 public:
  OsVersionInfo GetVersionExW() override {
    OSVERSIONINFOEXW Record{};
    static_assert(sizeof(Record) == 284);
    Record.dwOSVersionInfoSize = sizeof(Record);
    OsVersionInfo Info;
    Info.Answered = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&Record)) != FALSE;
    Info.MajorVersion = Record.dwMajorVersion;
    Info.MinorVersion = Record.dwMinorVersion;
    Info.BuildNumber = Record.dwBuildNumber;
    Info.PlatformId = Record.dwPlatformId;
    Info.CSDVersion = reinterpret_cast<const char16_t*>(Record.szCSDVersion);
    Info.ServicePackMajor = Record.wServicePackMajor;
    Info.ServicePackMinor = Record.wServicePackMinor;
    Info.SuiteMask = Record.wSuiteMask;
    Info.ProductType = Record.wProductType;
    return Info;
  }

  std::uint16_t NativeProcessorArchitecture() override {
    using NativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
    SYSTEM_INFO Info{};
    HMODULE Kernel = GetModuleHandleW(L"kernel32.dll");
    const auto Native = Kernel ? reinterpret_cast<NativeSystemInfoFunction>(reinterpret_cast<void*>(
                                     GetProcAddress(Kernel, "GetNativeSystemInfo")))
                               : nullptr;
    if (Native) {
      Native(&Info);
    } else {
      GetSystemInfo(&Info);
    }
    return Info.wProcessorArchitecture;
  }
};

}  // namespace

template <>
SystemInfoApi& HostApi<SystemInfoApi>() {
  static WindowsSystemInfo Facts;
  return Facts;
}

}  // namespace vexa
