#include "platform/recording_registry.h"

#include <numeric>
#include <utility>

namespace vexa {
namespace {

std::u16string Text(const char16_t* Name) { return Name ? std::u16string(Name) : std::u16string(); }

std::size_t Slot(RegFunction Function) { return static_cast<std::size_t>(Function); }

}  // namespace

const char* RegFunctionName(RegFunction Function) {
  static constexpr const char* Names[RegFunctionCount] = {
      "RegOpenKeyExW",    "RegCreateKeyExW", "RegCloseKey",      "RegFlushKey",
      "RegQueryInfoKeyW", "RegEnumKeyExW",   "RegDeleteKeyExW",  "RegDeleteKeyW",
      "RegQueryValueExW", "RegSetValueExW",  "RegDeleteValueW"};
  return Names[Slot(Function)];
}

InjectedFault::InjectedFault(RegFunction Failing)
    : std::runtime_error(std::string("injected fault in ") + RegFunctionName(Failing)),
      Function(Failing) {}

RecordingRegistry::RecordingRegistry(RegistryApi& Inner) : FInner(Inner) {}

template <typename Call>
LSTATUS RecordingRegistry::Record(RegCall Entry, Call&& Forward) {
  const std::size_t S = Slot(Entry.Function);
  ++FCounts[S];
  Fault& Armed = FFaults[S];
  const bool Fires = Armed.Nth != 0 && --Armed.Nth == 0;
  const bool RunsFirst = Fires && Armed.Before;
  if (RunsFirst) std::exchange(Armed.Before, nullptr)();
  if (Fires && Armed.Throw) {
    Entry.Result = -1;
    if (FKeepLog) FCalls.push_back(std::move(Entry));
    throw InjectedFault(Entry.Function);
  }
  Entry.Result = Fires && !RunsFirst ? Armed.Code : Forward();
  const LSTATUS Result = Entry.Result;
  if (FKeepLog) FCalls.push_back(std::move(Entry));
  return Result;
}

void RecordingRegistry::Opened(LSTATUS Status, const HKEY* Result) {
  if (FKeepLog && Status == ERROR_SUCCESS && Result) FCalls.back().Opened = *Result;
}

LSTATUS RecordingRegistry::RegOpenKeyExW(HKEY Key, const char16_t* SubKey, DWORD Options,
                                         REGSAM Desired, HKEY* Result) {
  RegCall Entry{RegFunction::RegOpenKeyExW, Key, Text(SubKey), Desired};
  Entry.Options = Options;
  const LSTATUS Status = Record(std::move(Entry), [&] {
    return FInner.RegOpenKeyExW(Key, SubKey, Options, Desired, Result);
  });
  Opened(Status, Result);
  return Status;
}

LSTATUS RecordingRegistry::RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved,
                                           char16_t* Class, DWORD Options, REGSAM Desired,
                                           const void* SecurityAttributes, HKEY* Result,
                                           DWORD* Disposition) {
  RegCall Entry{RegFunction::RegCreateKeyExW, Key, Text(SubKey), Desired};
  Entry.Options = Options;
  const LSTATUS Status = Record(std::move(Entry), [&] {
    return FInner.RegCreateKeyExW(Key, SubKey, Reserved, Class, Options, Desired,
                                  SecurityAttributes, Result, Disposition);
  });
  Opened(Status, Result);
  return Status;
}

LSTATUS RecordingRegistry::RegCloseKey(HKEY Key) {
  return Record({RegFunction::RegCloseKey, Key, {}}, [&] { return FInner.RegCloseKey(Key); });
}

LSTATUS RecordingRegistry::RegFlushKey(HKEY Key) {
  return Record({RegFunction::RegFlushKey, Key, {}}, [&] { return FInner.RegFlushKey(Key); });
}

LSTATUS RecordingRegistry::RegQueryInfoKeyW(HKEY Key, char16_t* Class, DWORD* ClassLength,
                                            DWORD* Reserved, DWORD* SubKeys,
                                            DWORD* MaxSubKeyLength, DWORD* MaxClassLength,
                                            DWORD* Values, DWORD* MaxValueNameLength,
                                            DWORD* MaxValueLength, DWORD* SecurityDescriptorSize,
                                            FILETIME* LastWriteTime) {
  return Record({RegFunction::RegQueryInfoKeyW, Key, {}}, [&] {
    return FInner.RegQueryInfoKeyW(Key, Class, ClassLength, Reserved, SubKeys, MaxSubKeyLength,
                                   MaxClassLength, Values, MaxValueNameLength, MaxValueLength,
                                   SecurityDescriptorSize, LastWriteTime);
  });
}

LSTATUS RecordingRegistry::RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                                         DWORD* Reserved, char16_t* Class, DWORD* ClassLength,
                                         FILETIME* LastWriteTime) {
  return Record({RegFunction::RegEnumKeyExW, Key, {}, 0, Index}, [&] {
    return FInner.RegEnumKeyExW(Key, Index, Name, NameLength, Reserved, Class, ClassLength,
                                LastWriteTime);
  });
}

LSTATUS RecordingRegistry::RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired,
                                           DWORD Reserved) {
  return Record({RegFunction::RegDeleteKeyExW, Key, Text(SubKey), Desired},
                [&] { return FInner.RegDeleteKeyExW(Key, SubKey, Desired, Reserved); });
}

LSTATUS RecordingRegistry::RegDeleteKeyW(HKEY Key, const char16_t* SubKey) {
  return Record({RegFunction::RegDeleteKeyW, Key, Text(SubKey)},
                [&] { return FInner.RegDeleteKeyW(Key, SubKey); });
}

LSTATUS RecordingRegistry::RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD* Reserved,
                                            DWORD* Type, std::uint8_t* Data, DWORD* DataSize) {
  return Record({RegFunction::RegQueryValueExW, Key, Text(ValueName)}, [&] {
    return FInner.RegQueryValueExW(Key, ValueName, Reserved, Type, Data, DataSize);
  });
}

LSTATUS RecordingRegistry::RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD Reserved,
                                          DWORD Type, const std::uint8_t* Data, DWORD DataSize) {
  return Record({RegFunction::RegSetValueExW, Key, Text(ValueName)}, [&] {
    return FInner.RegSetValueExW(Key, ValueName, Reserved, Type, Data, DataSize);
  });
}

LSTATUS RecordingRegistry::RegDeleteValueW(HKEY Key, const char16_t* ValueName) {
  return Record({RegFunction::RegDeleteValueW, Key, Text(ValueName)},
                [&] { return FInner.RegDeleteValueW(Key, ValueName); });
}

void RecordingRegistry::FailCall(RegFunction Function, std::size_t Nth, LSTATUS Code) {
  FFaults[Slot(Function)] = Fault{Nth, false, Code, nullptr};
}

void RecordingRegistry::ThrowOnCall(RegFunction Function, std::size_t Nth) {
  FFaults[Slot(Function)] = Fault{Nth, true, ERROR_SUCCESS, nullptr};
}

void RecordingRegistry::RunBeforeCall(RegFunction Function, std::size_t Nth,
                                      std::function<void()> Action) {
  FFaults[Slot(Function)] = Fault{Nth, false, ERROR_SUCCESS, std::move(Action)};
}

std::size_t RecordingRegistry::Count(RegFunction Function) const { return FCounts[Slot(Function)]; }

std::size_t RecordingRegistry::TotalCount() const {
  return std::accumulate(FCounts.begin(), FCounts.end(), std::size_t{0});
}

void RecordingRegistry::Clear() {
  FCalls.clear();
  FCounts.fill(0);
}

}  // namespace vexa
