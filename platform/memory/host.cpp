// Hosts without Windows: one in-memory registry per process, posing as
// 64-bit Windows 10, the matching platform facts, and a windowing system in
// memory, so that the program's logic runs natively.
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_ui.h"
#include "platform/system_info.h"

namespace vexa {

template <>
RegistryApi& HostApi<RegistryApi>() {
  static MemoryRegistry Registry;
  return Registry;
}

template <>
SystemInfoApi& HostApi<SystemInfoApi>() {
  static FixedSystemInfo Facts(
      OsVersionInfo{10, 0, 19045, VER_PLATFORM_WIN32_NT, u"", 0, 0, 0, VER_NT_WORKSTATION},
      PROCESSOR_ARCHITECTURE_AMD64);
  return Facts;
}

template <>
UiApi& HostApi<UiApi>() {
  static MemoryUi Ui(u"UninstallRepair.exe");
  return Ui;
}

}  // namespace vexa
