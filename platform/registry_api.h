// The registry as the operating system offers it: the advapi32 functions that
// the registry classes call, with their arguments and their result codes.
// RegistryApi has a Windows implementation (advapi32) and an in-memory one.
#pragma once

#include <cstdint>

#include "platform/current.h"

namespace vexa {

using DWORD = std::uint32_t;
using REGSAM = std::uint32_t;
using LSTATUS = std::int32_t;

// A registry handle. Its bits are those of the platform's handle: in a 64-bit
// process the predefined roots are the sign-extended 32-bit constants.
enum class HKEY : std::uintptr_t {};

constexpr HKEY PredefinedRoot(std::int32_t Value) {
  return static_cast<HKEY>(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(Value)));
}

inline constexpr HKEY HKEY_CLASSES_ROOT = PredefinedRoot(static_cast<std::int32_t>(0x80000000u));
inline constexpr HKEY HKEY_CURRENT_USER = PredefinedRoot(static_cast<std::int32_t>(0x80000001u));
inline constexpr HKEY HKEY_LOCAL_MACHINE = PredefinedRoot(static_cast<std::int32_t>(0x80000002u));
inline constexpr HKEY HKEY_USERS = PredefinedRoot(static_cast<std::int32_t>(0x80000003u));
inline constexpr HKEY HKEY_PERFORMANCE_DATA = PredefinedRoot(static_cast<std::int32_t>(0x80000004u));
inline constexpr HKEY HKEY_CURRENT_CONFIG = PredefinedRoot(static_cast<std::int32_t>(0x80000005u));
inline constexpr HKEY HKEY_DYN_DATA = PredefinedRoot(static_cast<std::int32_t>(0x80000006u));

// The low 32 bits of a handle, as the registry's own documentation writes them.
constexpr std::uint32_t HandleBits(HKEY Key) {
  return static_cast<std::uint32_t>(static_cast<std::uintptr_t>(Key));
}

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM KEY_WOW64_RES = 0x0300;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM STANDARD_RIGHTS_READ = 0x00020000;
inline constexpr REGSAM STANDARD_RIGHTS_ALL = 0x001F0000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// Registry data type codes: how the bytes of a value are to be read.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;         // characters, then one NUL
inline constexpr DWORD REG_EXPAND_SZ = 2;  // as REG_SZ, with %variables% left unexpanded
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;      // 4 bytes, little-endian
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;   // strings, each with its NUL, then one more NUL
inline constexpr DWORD REG_RESOURCE_LIST = 8;
inline constexpr DWORD REG_FULL_RESOURCE_DESCRIPTOR = 9;
inline constexpr DWORD REG_RESOURCE_REQUIREMENTS_LIST = 10;
inline constexpr DWORD REG_QWORD = 11;     // 8 bytes, little-endian

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;  // kept in memory only, as are its subkeys
inline constexpr DWORD REG_OPTION_CREATE_LINK = 2;
inline constexpr DWORD REG_OPTION_OPEN_LINK = 8;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr LSTATUS ERROR_SUCCESS = 0;
inline constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
inline constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
inline constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
inline constexpr LSTATUS ERROR_OUTOFMEMORY = 14;
inline constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
inline constexpr LSTATUS ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr LSTATUS ERROR_BAD_PATHNAME = 161;
inline constexpr LSTATUS ERROR_MORE_DATA = 234;
inline constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
inline constexpr LSTATUS ERROR_NOACCESS = 998;
inline constexpr LSTATUS ERROR_KEY_DELETED = 1018;
inline constexpr LSTATUS ERROR_CHILD_MUST_BE_VOLATILE = 1021;

// A 64-bit file time: 100 ns intervals since 1 January 1601 (UTC).
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;

  virtual LSTATUS RegOpenKeyExW(HKEY Key, const char16_t* SubKey, DWORD Options,
                                REGSAM Desired, HKEY* Result) = 0;
  virtual LSTATUS RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved,
                                  char16_t* Class, DWORD Options, REGSAM Desired,
                                  const void* SecurityAttributes, HKEY* Result,
                                  DWORD* Disposition) = 0;
  virtual LSTATUS RegCloseKey(HKEY Key) = 0;
  virtual LSTATUS RegFlushKey(HKEY Key) = 0;
  virtual LSTATUS RegQueryInfoKeyW(HKEY Key, char16_t* Class, DWORD* ClassLength,
                                   DWORD* Reserved, DWORD* SubKeys,
                                   DWORD* MaxSubKeyLength, DWORD* MaxClassLength,
                                   DWORD* Values, DWORD* MaxValueNameLength,
                                   DWORD* MaxValueLength, DWORD* SecurityDescriptorSize,
                                   FILETIME* LastWriteTime) = 0;
  virtual LSTATUS RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                                DWORD* Reserved, char16_t* Class, DWORD* ClassLength,
                                FILETIME* LastWriteTime) = 0;
  virtual LSTATUS RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired,
                                  DWORD Reserved) = 0;
  virtual LSTATUS RegDeleteKeyW(HKEY Key, const char16_t* SubKey) = 0;
  virtual LSTATUS RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD* Reserved,
                                   DWORD* Type, std::uint8_t* Data, DWORD* DataSize) = 0;
  virtual LSTATUS RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD Reserved,
                                 DWORD Type, const std::uint8_t* Data, DWORD DataSize) = 0;
  virtual LSTATUS RegDeleteValueW(HKEY Key, const char16_t* ValueName) = 0;
};

// The layer the registry classes use: the Windows registry on Windows, a
// process-wide in-memory registry elsewhere.
template <>
RegistryApi& HostApi<RegistryApi>();
inline RegistryApi& CurrentRegistry() { return Current<RegistryApi>(); }
using ScopedRegistryOverride = ScopedOverride<RegistryApi>;

}  // namespace vexa
