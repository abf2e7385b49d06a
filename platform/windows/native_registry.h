// Registry calls that the program never makes, for tests and measurements
// on the real registry: the platform's own subtree delete, and subkeys made
// and removed through the native API, whose names may hold what no Win32
// path can (a NUL).
#pragma once

#include <string>

#include "platform/registry_api.h"

namespace vexa {

// advapi32 RegDeleteTreeW.
LSTATUS PlatformDeleteTree(HKEY Key, const char16_t* SubKey);

// A subkey named exactly Name below the open key Parent (NtCreateKey), and
// its removal (NtOpenKey, NtDeleteKey). The result is a Win32 code.
LSTATUS CreateNativeSubKey(HKEY Parent, const std::u16string& Name);
LSTATUS DeleteNativeSubKey(HKEY Parent, const std::u16string& Name);

}  // namespace vexa
