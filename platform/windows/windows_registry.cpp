// Our header comes first: windows.h defines macros named like some of our
// constants, which must not rewrite our declarations.
#include "platform/windows/windows_registry.h"

#include <windows.h>

namespace vexa {
namespace {

::HKEY Native(HKEY Key) { return reinterpret_cast<::HKEY>(static_cast<std::uintptr_t>(Key)); }
const wchar_t* Native(const char16_t* Text) { return reinterpret_cast<const wchar_t*>(Text); }
wchar_t* Native(char16_t* Text) { return reinterpret_cast<wchar_t*>(Text); }

// A DWORD in/out argument: ours is 32-bit unsigned int, the platform's is
// unsigned long; the value goes through a local of the platform's type.
class DwordArg {
 public:
  explicit DwordArg(DWORD* Target) : FTarget(Target), FValue(Target ? *Target : 0) {}
  ~DwordArg() {
    if (FTarget) *FTarget = static_cast<DWORD>(FValue);
  }
  DwordArg(const DwordArg&) = delete;
  DwordArg& operator=(const DwordArg&) = delete;
  ::DWORD* get() { return FTarget ? &FValue : nullptr; }

 private:
  DWORD* FTarget;
  ::DWORD FValue;
};

class HandleArg {
 public:
  explicit HandleArg(HKEY* Target) : FTarget(Target) {}
  ~HandleArg() {
    if (FTarget) *FTarget = static_cast<HKEY>(reinterpret_cast<std::uintptr_t>(FValue));
  }
  HandleArg(const HandleArg&) = delete;
  HandleArg& operator=(const HandleArg&) = delete;
  ::HKEY* get() { return FTarget ? &FValue : nullptr; }

 private:
  HKEY* FTarget;
  ::HKEY FValue = nullptr;
};

class FileTimeArg {
 public:
  explicit FileTimeArg(FILETIME* Target) : FTarget(Target) {}
  ~FileTimeArg() {
    if (FTarget) *FTarget = {FValue.dwLowDateTime, FValue.dwHighDateTime};
  }
  FileTimeArg(const FileTimeArg&) = delete;
  FileTimeArg& operator=(const FileTimeArg&) = delete;
  ::FILETIME* get() { return FTarget ? &FValue : nullptr; }

 private:
  FILETIME* FTarget;
  ::FILETIME FValue{};
};

// RegDeleteKeyExW exists from Windows XP x64 and Server 2003 SP1 on; looked
// up at run time so that the program still loads where it is missing.
using DeleteKeyExFunction = LONG(WINAPI*)(::HKEY, LPCWSTR, ::REGSAM, ::DWORD);
DeleteKeyExFunction DeleteKeyExEntry() {
  static const DeleteKeyExFunction Entry = [] {
    HMODULE Advapi = GetModuleHandleW(L"advapi32.dll");
    return Advapi ? reinterpret_cast<DeleteKeyExFunction>(
                        reinterpret_cast<void*>(GetProcAddress(Advapi, "RegDeleteKeyExW")))
                  : nullptr;
  }();
  return Entry;
}

}  // namespace

LSTATUS WindowsRegistry::RegOpenKeyExW(HKEY Key, const char16_t* SubKey, DWORD Options,
                                       REGSAM Desired, HKEY* Result) {
  HandleArg Out(Result);
  return ::RegOpenKeyExW(Native(Key), Native(SubKey), Options, Desired, Out.get());
}

LSTATUS WindowsRegistry::RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved,
                                         char16_t* Class, DWORD Options, REGSAM Desired,
                                         const void* SecurityAttributes, HKEY* Result,
                                         DWORD* Disposition) {
  HandleArg Out(Result);
  DwordArg Created(Disposition);
  return ::RegCreateKeyExW(
      Native(Key), Native(SubKey), Reserved, Native(Class), Options, Desired,
      static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(SecurityAttributes)), Out.get(),
      Created.get());
}

LSTATUS WindowsRegistry::RegCloseKey(HKEY Key) { return ::RegCloseKey(Native(Key)); }

LSTATUS WindowsRegistry::RegFlushKey(HKEY Key) { return ::RegFlushKey(Native(Key)); }

LSTATUS WindowsRegistry::RegQueryInfoKeyW(HKEY Key, char16_t* Class, DWORD* ClassLength,
                                          DWORD* Reserved, DWORD* SubKeys,
                                          DWORD* MaxSubKeyLength, DWORD* MaxClassLength,
                                          DWORD* Values, DWORD* MaxValueNameLength,
                                          DWORD* MaxValueLength, DWORD* SecurityDescriptorSize,
                                          FILETIME* LastWriteTime) {
  DwordArg A(ClassLength), B(Reserved), C(SubKeys), D(MaxSubKeyLength), E(MaxClassLength),
      F(Values), G(MaxValueNameLength), H(MaxValueLength), I(SecurityDescriptorSize);
  FileTimeArg Time(LastWriteTime);
  return ::RegQueryInfoKeyW(Native(Key), Native(Class), A.get(), B.get(), C.get(), D.get(),
                            E.get(), F.get(), G.get(), H.get(), I.get(), Time.get());
}

LSTATUS WindowsRegistry::RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                                       DWORD* Reserved, char16_t* Class, DWORD* ClassLength,
                                       FILETIME* LastWriteTime) {
  DwordArg Length(NameLength), R(Reserved), C(ClassLength);
  FileTimeArg Time(LastWriteTime);
  return ::RegEnumKeyExW(Native(Key), Index, Native(Name), Length.get(), R.get(), Native(Class),
                         C.get(), Time.get());
}

LSTATUS WindowsRegistry::RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired,
                                         DWORD Reserved) {
  const DeleteKeyExFunction Entry = DeleteKeyExEntry();
  return Entry ? Entry(Native(Key), Native(SubKey), Desired, Reserved) : ERROR_CALL_NOT_IMPLEMENTED;
}

LSTATUS WindowsRegistry::RegDeleteKeyW(HKEY Key, const char16_t* SubKey) {
  return ::RegDeleteKeyW(Native(Key), Native(SubKey));
}

LSTATUS WindowsRegistry::RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD* Reserved,
                                          DWORD* Type, std::uint8_t* Data, DWORD* DataSize) {
  DwordArg R(Reserved), T(Type), Size(DataSize);
  return ::RegQueryValueExW(Native(Key), Native(ValueName), R.get(), T.get(), Data, Size.get());
}

LSTATUS WindowsRegistry::RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD Reserved,
                                        DWORD Type, const std::uint8_t* Data, DWORD DataSize) {
  return ::RegSetValueExW(Native(Key), Native(ValueName), Reserved, Type, Data, DataSize);
}

LSTATUS WindowsRegistry::RegDeleteValueW(HKEY Key, const char16_t* ValueName) {
  return ::RegDeleteValueW(Native(Key), Native(ValueName));
}

LSTATUS PlatformDeleteTree(HKEY Key, const char16_t* SubKey) {
  return ::RegDeleteTreeW(Native(Key), Native(SubKey));
}

template <>
RegistryApi& HostApi<RegistryApi>() {
  static WindowsRegistry Registry;
  return Registry;
}

}  // namespace vexa
