#include "platform/windows/native_registry.h"

#include <windows.h>
#include <winternl.h>

namespace vexa {
namespace {

::HKEY Native(HKEY Key) { return reinterpret_cast<::HKEY>(static_cast<std::uintptr_t>(Key)); }

using NtCreateKeyFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                             PUNICODE_STRING, ULONG, PULONG);
using NtOpenKeyFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
using NtDeleteKeyFunction = NTSTATUS(NTAPI*)(HANDLE);
using NtCloseFunction = NTSTATUS(NTAPI*)(HANDLE);
using StatusToErrorFunction = ULONG(NTAPI*)(NTSTATUS);

template <typename Function>
Function Entry(const char* Name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), Name)));
}

LSTATUS Win32Code(NTSTATUS Status) {
  return static_cast<LSTATUS>(Entry<StatusToErrorFunction>("RtlNtStatusToDosError")(Status));
}

// The name as the native API takes it: counted, NULs and all.
struct NativeName {
  explicit NativeName(HKEY Parent, const std::u16string& Name) : FText(Name) {
    const auto Bytes = static_cast<USHORT>(FText.size() * sizeof(char16_t));
    FString = {Bytes, Bytes, reinterpret_cast<PWSTR>(FText.data())};
    FAttributes.Length = sizeof FAttributes;
    FAttributes.RootDirectory = Native(Parent);
    FAttributes.ObjectName = &FString;
  }
  POBJECT_ATTRIBUTES get() { return &FAttributes; }

 private:
  std::u16string FText;
  UNICODE_STRING FString{};
  OBJECT_ATTRIBUTES FAttributes{};
};

}  // namespace

LSTATUS PlatformDeleteTree(HKEY Key, const char16_t* SubKey) {
  return ::RegDeleteTreeW(Native(Key), reinterpret_cast<const wchar_t*>(SubKey));
}

LSTATUS CreateNativeSubKey(HKEY Parent, const std::u16string& Name) {
  NativeName Target(Parent, Name);
  HANDLE Key = nullptr;
  const NTSTATUS Status =
      Entry<NtCreateKeyFunction>("NtCreateKey")(&Key, KEY_ALL_ACCESS, Target.get(), 0, nullptr, 0, nullptr);
  if (Status >= 0) Entry<NtCloseFunction>("NtClose")(Key);
  return Win32Code(Status);
}

LSTATUS DeleteNativeSubKey(HKEY Parent, const std::u16string& Name) {
  NativeName Target(Parent, Name);
  HANDLE Key = nullptr;
  NTSTATUS Status = Entry<NtOpenKeyFunction>("NtOpenKey")(&Key, DELETE, Target.get());
  if (Status < 0) return Win32Code(Status);
  Status = Entry<NtDeleteKeyFunction>("NtDeleteKey")(Key);
  Entry<NtCloseFunction>("NtClose")(Key);
  return Win32Code(Status);
}

}  // namespace vexa
