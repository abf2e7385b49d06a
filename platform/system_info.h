// Facts about the running platform: its version record and the native
// processor architecture.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/current.h"
#include "platform/registry_api.h"

namespace vexa {

inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_INTEL = 0;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_IA64 = 6;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_AMD64 = 9;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_ARM64 = 12;

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
inline constexpr std::uint8_t VER_NT_WORKSTATION = 1;

// The fields of the platform's extended version record (OSVERSIONINFOEXW).
struct OsVersionInfo {
  DWORD MajorVersion = 0;
  DWORD MinorVersion = 0;
  DWORD BuildNumber = 0;
  DWORD PlatformId = 0;
  std::u16string CSDVersion;  // up to 127 characters
  std::uint16_t ServicePackMajor = 0;
  std::uint16_t ServicePackMinor = 0;
  std::uint16_t SuiteMask = 0;
  std::uint8_t ProductType = 0;
  bool Answered = true;  // false: the call failed and the record was not filled in
};

class SystemInfoApi {
 public:
  virtual ~SystemInfoApi() = default;
  // GetVersionExW with a record of 284 bytes.
  virtual OsVersionInfo GetVersionExW() = 0;
  // wProcessorArchitecture of GetNativeSystemInfo where the platform has it,
  // else of GetSystemInfo.
  virtual std::uint16_t NativeProcessorArchitecture() = 0;
};

// Fixed answers: the host's facts where there is no Windows, and any platform
// a test wants to pose as.
class FixedSystemInfo final : public SystemInfoApi {
 public:
  FixedSystemInfo(OsVersionInfo Version, std::uint16_t Architecture)
      : FVersion(std::move(Version)), FArchitecture(Architecture) {}
  OsVersionInfo GetVersionExW() override { return FVersion; }
  std::uint16_t NativeProcessorArchitecture() override { return FArchitecture; }

 private:
  OsVersionInfo FVersion;
  std::uint16_t FArchitecture;
};

template <>
SystemInfoApi& HostApi<SystemInfoApi>();

}  // namespace vexa
