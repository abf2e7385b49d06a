// The Windows registry (advapi32) behind RegistryApi.
#pragma once

#include "platform/registry_api.h"

namespace vexa {

class WindowsRegistry final : public RegistryApi {
 public:
  LSTATUS RegOpenKeyExW(HKEY Key, const char16_t* SubKey, DWORD Options, REGSAM Desired,
                        HKEY* Result) override;
  LSTATUS RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved, char16_t* Class,
                          DWORD Options, REGSAM Desired, const void* SecurityAttributes,
                          HKEY* Result, DWORD* Disposition) override;
  LSTATUS RegCloseKey(HKEY Key) override;
  LSTATUS RegFlushKey(HKEY Key) override;
  LSTATUS RegQueryInfoKeyW(HKEY Key, char16_t* Class, DWORD* ClassLength, DWORD* Reserved,
                           DWORD* SubKeys, DWORD* MaxSubKeyLength, DWORD* MaxClassLength,
                           DWORD* Values, DWORD* MaxValueNameLength, DWORD* MaxValueLength,
                           DWORD* SecurityDescriptorSize, FILETIME* LastWriteTime) override;
  LSTATUS RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                        DWORD* Reserved, char16_t* Class, DWORD* ClassLength,
                        FILETIME* LastWriteTime) override;
  LSTATUS RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired,
                          DWORD Reserved) override;
  LSTATUS RegDeleteKeyW(HKEY Key, const char16_t* SubKey) override;
  LSTATUS RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD* Reserved, DWORD* Type,
                           std::uint8_t* Data, DWORD* DataSize) override;
  LSTATUS RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD Reserved, DWORD Type,
                         const std::uint8_t* Data, DWORD DataSize) override;
  LSTATUS RegDeleteValueW(HKEY Key, const char16_t* ValueName) override;
};

}  // namespace vexa
