// Our header comes first: windows.h defines macros named like some of our
// constants, which must not rewrite our declarations.
#include "platform/windows/windows_registry.h"

#include <windows.h>

#include <utility>

namespace vexa {
namespace {

::HKEY Native(HKEY Key) { return reinterpret_cast<::HKEY>(static_cast<std::uintptr_t>(Key)); }
const wchar_t* Native(const char16_t* Text) { return reinterpret_cast<const wchar_t*>(Text); }
wchar_t* Native(char16_t* Text) { return reinterpret_cast<wchar_t*>(Text); }

// Our types against the platform's: DWORD is unsigned int here and unsigned
// long there, HKEY an enum here and a pointer there.
::DWORD Native(DWORD Value) { return Value; }
::FILETIME Native(const FILETIME& Time) { return {Time.dwLowDateTime, Time.dwHighDateTime}; }
DWORD Ours(::DWORD Value) { return static_cast<DWORD>(Value); }
HKEY Ours(::HKEY Key) { return static_cast<HKEY>(reinterpret_cast<std::uintptr_t>(Key)); }
FILETIME Ours(const ::FILETIME& Time) { return {Time.dwLowDateTime, Time.dwHighDateTime}; }

// An in/out argument of one of those types: the value goes through a local
// of the platform's type, and back when the call is done.
template <typename Type>
class Arg {
 public:
  using NativeType = decltype(Native(std::declval<Type>()));
  explicit Arg(Type* Target) : FTarget(Target), FValue(Target ? Native(*Target) : NativeType{}) {}
  ~Arg() {
    if (FTarget) *FTarget = Ours(FValue);
  }
  Arg(const Arg&) = delete;
  Arg& operator=(const Arg&) = delete;
  NativeType* get() { return FTarget ? &FValue : nullptr; }

 private:
  Type* FTarget;
  NativeType FValue;
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
  Arg<HKEY> Out(Result);
  return ::RegOpenKeyExW(Native(Key), Native(SubKey), Options, Desired, Out.get());
}

LSTATUS WindowsRegistry::RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved,
                                         char16_t* Class, DWORD Options, REGSAM Desired,
                                         const void* SecurityAttributes, HKEY* Result,
                                         DWORD* Disposition) {
  Arg<HKEY> Out(Result);
  Arg<DWORD> Created(Disposition);
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
  Arg<DWORD> A(ClassLength), B(Reserved), C(SubKeys), D(MaxSubKeyLength), E(MaxClassLength),
      F(Values), G(MaxValueNameLength), H(MaxValueLength), I(SecurityDescriptorSize);
  Arg<FILETIME> Time(LastWriteTime);
  return ::RegQueryInfoKeyW(Native(Key), Native(Class), A.get(), B.get(), C.get(), D.get(),
                            E.get(), F.get(), G.get(), H.get(), I.get(), Time.get());
}

LSTATUS WindowsRegistry::RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                                       DWORD* Reserved, char16_t* Class, DWORD* ClassLength,
                                       FILETIME* LastWriteTime) {
  Arg<DWORD> Length(NameLength), R(Reserved), C(ClassLength);
  Arg<FILETIME> Time(LastWriteTime);
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
  Arg<DWORD> R(Reserved), T(Type), Size(DataSize);
  return ::RegQueryValueExW(Native(Key), Native(ValueName), R.get(), T.get(), Data, Size.get());
}

LSTATUS WindowsRegistry::RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD Reserved,
                                        DWORD Type, const std::uint8_t* Data, DWORD DataSize) {
  return ::RegSetValueExW(Native(Key), Native(ValueName), Reserved, Type, Data, DataSize);
}

LSTATUS WindowsRegistry::RegDeleteValueW(HKEY Key, const char16_t* ValueName) {
  return ::RegDeleteValueW(Native(Key), Native(ValueName));
}

template <>
RegistryApi& HostApi<RegistryApi>() {
  static WindowsRegistry Registry;
  return Registry;
}

}  // namespace vexa
