// Hosts without Windows: one in-memory registry per process, posing as
// 64-bit Windows 10 for a 64-bit process, the matching platform facts,
// environment, shell and file system (drives C: and Z:, as under Wine), and
// a windowing system in memory, so that the program's logic runs natively.
#include "platform/memory/memory_environment.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_shell.h"
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
EnvironmentApi& HostApi<EnvironmentApi>() {
  static MemoryEnvironment Environment{{u"ProgramFiles", u"C:\\Program Files"},
                                       {u"ProgramW6432", u"C:\\Program Files"},
                                       {u"ProgramData", u"C:\\ProgramData"}};
  return Environment;
}

template <>
ShellApi& HostApi<ShellApi>() {
  static MemoryShell Shell(u"C:\\ProgramData");
  return Shell;
}

template <>
FileSystemApi& HostApi<FileSystemApi>() {
  static MemoryFileSystem Files(u"CZ");
  return Files;
}

template <>
UiApi& HostApi<UiApi>() {
  static MemoryUi Ui(u"UninstallRepair.exe");
  return Ui;
}

}  // namespace vexa
