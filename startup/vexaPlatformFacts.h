// The platform-facts step: whether Windows is 64-bit, which release runs,
// and two service-pack flags, recorded at start-up from the platform's
// native processor architecture and version record.
#pragma once

#include <cstdint>

namespace vexa {

// The native processor architecture is x64 or Itanium.
extern const bool& Is64BitWindows;
// 0 not recognised, 1 Win32s, 2 Windows 95, 3 95 OSR2, 4 98, 5 98 Second
// Edition, 6 Me, 8 NT 4.0 or earlier, 9 2000, 10 XP (and XP Professional
// x64), 11 Server 2003, 12 Vista, 13 Server 2008, 14 7, 15 8, 16 8.1,
// 17 10 and later; 7 is never given.
extern const std::uint8_t& WindowsRelease;
// Windows 6.0 with a service pack, or 6.1, 6.2, 6.3, 6.4 or 10.0.
extern const bool& IsVistaSP1OrLater;
// Windows 5.1 or 5.2 with service pack 2 or later.
extern const bool& IsXPServicePack2;

// False and 0 before the step and after its shutdown; also when the
// platform cannot give its version record.
void InitializePlatformFacts();
void ShutDownPlatformFacts() noexcept;

}  // namespace vexa
