#include "startup/vexaPlatformFacts.h"

#include "platform/system_info.h"

namespace vexa {
namespace {

bool Is64Bit = false;
std::uint8_t ReleaseCode = 0;
bool VistaSP1 = false;
bool XPServicePack2 = false;

constexpr DWORD VER_PLATFORM_WIN32S = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;

bool Is(const OsVersionInfo& Version, DWORD Major, DWORD Minor) {
  return Version.MajorVersion == Major && Version.MinorVersion == Minor;
}

// Windows 95, 98 and Me; the second character of the service-pack text
// tells the editions apart.
std::uint8_t Windows9xRelease(const OsVersionInfo& Version) {
  const char16_t Edition = Version.CSDVersion.size() > 1 ? Version.CSDVersion[1] : u'\0';
  if (Is(Version, 4, 0)) return Edition == u'C' || Edition == u'B' ? 3 : 2;
  if (Is(Version, 4, 10)) return Edition == u'A' ? 5 : 4;
  return Is(Version, 4, 90) ? 6 : 0;
}

void RecordNtRelease(const OsVersionInfo& Version) {
  const bool Workstation = Version.ProductType == VER_NT_WORKSTATION;
  if (Is(Version, 10, 0) || Is(Version, 6, 4)) {
    VistaSP1 = true;
    ReleaseCode = 17;
  }
  if (Is(Version, 6, 3) || Is(Version, 6, 2) || Is(Version, 6, 1)) {
    VistaSP1 = true;
    if (Workstation) ReleaseCode = static_cast<std::uint8_t>(13 + Version.MinorVersion);  // 7, 8, 8.1: 14, 15, 16
  } else if (Is(Version, 6, 0)) {
    VistaSP1 = Version.ServicePackMajor > 0;
    ReleaseCode = Workstation ? 12 : 13;
  } else if (Is(Version, 5, 2)) {
    XPServicePack2 = Version.ServicePackMajor > 1;
    ReleaseCode = Workstation ? 10 : 11;
  } else if (Is(Version, 5, 1)) {
    ReleaseCode = 10;
    XPServicePack2 = Version.ServicePackMajor > 1;
  } else if (Is(Version, 5, 0)) {
    ReleaseCode = 9;
  } else if (Version.MajorVersion <= 4) {
    ReleaseCode = 8;
  }
}

}  // namespace

const bool& Is64BitWindows = Is64Bit;
const std::uint8_t& WindowsRelease = ReleaseCode;
const bool& IsVistaSP1OrLater = VistaSP1;
const bool& IsXPServicePack2 = XPServicePack2;

void InitializePlatformFacts() {
  SystemInfoApi& Facts = Current<SystemInfoApi>();
  const std::uint16_t Architecture = Facts.NativeProcessorArchitecture();
  Is64Bit = Architecture == PROCESSOR_ARCHITECTURE_AMD64 || Architecture == PROCESSOR_ARCHITECTURE_IA64;
  VistaSP1 = false;
  XPServicePack2 = false;
  const OsVersionInfo Version = Facts.GetVersionExW();
  ReleaseCode = 0;
  if (!Version.Answered) return;
  if (Version.PlatformId == VER_PLATFORM_WIN32S) ReleaseCode = 1;
  if (Version.PlatformId == VER_PLATFORM_WIN32_WINDOWS) ReleaseCode = Windows9xRelease(Version);
  if (Version.PlatformId == VER_PLATFORM_WIN32_NT) RecordNtRelease(Version);
}

void ShutDownPlatformFacts() noexcept {
  Is64Bit = false;
  ReleaseCode = 0;
  VistaSP1 = false;
  XPServicePack2 = false;
}

}  // namespace vexa
