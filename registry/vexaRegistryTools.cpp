#include "registry/vexaRegistryTools.h"

#include <algorithm>
#include <cstring>

#include "core/finally.h"

namespace vexa {
namespace {

// The one-shot pattern: a private object on Root, Body acting on it, and its
// key closed in a finally, so that no handle outlives the call even when
// Body raises.
template <typename Body>
auto OneShot(TvexaRegistry& Registry, HKEY Root, Body&& Act) {
  return TryFinally(
      [&] {
        Registry.SetRootKey(Root);
        return Act();
      },
      [&] { Registry.CloseKey(); });
}

// A private object with KEY_READ on Root; Read runs when KeyName opens
// read-only. The result is Read's, False when the key does not open.
template <typename Body>
bool Reading(HKEY Root, const std::u16string& KeyName, bool _64BitView, Body&& Read) {
  TvexaRegistry Registry(KEY_READ, _64BitView);
  return OneShot(Registry, Root,
                 [&] { return Registry.OpenKeyReadOnly(KeyName) && Read(Registry); });
}

// A private object with KEY_ALL_ACCESS on Root; Act runs when KeyName opens,
// created when missing if CanCreate.
template <typename Body>
bool Writing(HKEY Root, const std::u16string& KeyName, bool _64BitView, bool CanCreate,
             Body&& Act) {
  TvexaRegistry Registry(_64BitView);
  return OneShot(Registry, Root,
                 [&] { return Registry.OpenKey(KeyName, CanCreate) && Act(Registry); });
}

// The existence tests: anything raised while finding out counts as found.
template <typename Body>
bool Exists(HKEY Root, const std::u16string& KeyName, bool Is64bitView, Body&& Test) {
  try {
    return Reading(Root, KeyName, Is64bitView, Test);
  } catch (...) {
    return true;
  }
}

// The reads: Default unless Read, run once the key is open, sets Result.
// Every exception is dropped; one raised after the read (by the close)
// keeps what was read.
template <typename T, typename Body>
T ReadOr(T Default, HKEY Root, const std::u16string& KeyName, bool _64BitView, Body&& Read) {
  T Result = std::move(Default);
  try {
    Reading(Root, KeyName, _64BitView, [&](TvexaRegistry& Registry) {
      Read(Registry, Result);
      return true;
    });
  } catch (...) {
  }
  return Result;
}

// A read with Get of a value that exists with one of the Accepted types.
template <typename T>
T ReadTyped(const std::u16string& KeyName, const std::u16string& ValName, HKEY Root, T Default,
            bool _64BitView, std::initializer_list<TRegDataType> Accepted,
            T (TRegistry::*Get)(const std::u16string&)) {
  return ReadOr(std::move(Default), Root, KeyName, _64BitView,
                [&](TvexaRegistry& Registry, T& Result) {
                  if (!Registry.ValueExists(ValName)) return;
                  const TRegDataType Type = Registry.GetDataType(ValName);
                  if (std::find(Accepted.begin(), Accepted.end(), Type) != Accepted.end()) {
                    Result = (Registry.*Get)(ValName);
                  }
                });
}

// The writes but WriteInt64Value: True once Write returned, False for a key
// that does not open and for anything raised before.
template <typename Body>
bool WriteCaught(const std::u16string& KeyName, HKEY Root, bool _64BitView, Body&& Write) {
  bool Written = false;
  try {
    Writing(Root, KeyName, _64BitView, true, [&](TvexaRegistry& Registry) {
      Write(Registry);
      return Written = true;
    });
  } catch (...) {
  }
  return Written;
}

// REG_MULTI_SZ data, split: see ReadMultiString.
void AppendStrings(std::u16string_view Data, TStringList& Strings) {
  std::size_t Position = 0;
  while (Position < Data.size()) {
    const bool EndOfList =
        Data[Position] == u'\0' && (Position + 1 == Data.size() || Data[Position + 1] == u'\0');
    if (EndOfList) return;
    const std::size_t End = std::min(Data.find(u'\0', Position), Data.size());
    Strings.Add(std::u16string(Data.substr(Position, End - Position)));
    Position = End + 1;
  }
}

constexpr bool Recognised(DWORD Code) {
  return Code == REG_SZ || Code == REG_EXPAND_SZ || Code == REG_BINARY || Code == REG_DWORD ||
         Code == REG_MULTI_SZ || Code == REG_QWORD;
}

}  // namespace

TvexaRegistry::TvexaRegistry(std::uint32_t AAccess, bool _64BitView)
    : TRegistry(AAccess | ViewBit(_64BitView)) {}

TvexaRegistry::TvexaRegistry(std::uint32_t AAccess) : TRegistry(AAccess) {}

bool TvexaRegistry::OpenKeyReadOnly(const std::u16string& Key) {
  const ResolvedPath Target = Resolve(Key);
  for (const REGSAM Mask : {KEY_READ, KEY_READ_NO_NOTIFY, KEY_QUERY_VALUE}) {
    const REGSAM Request = (FAccess & KEY_WOW64_RES) | Mask;
    HKEY Handle{};
    if (Record(CurrentRegistry().RegOpenKeyExW(Target.Base, Target.Path.c_str(), 0, Request,
                                               &Handle))) {
      FAccess = Request;
      MakeCurrent(Handle, Target);
      return true;
    }
  }
  return false;
}

bool TvexaRegistry::KeyExists(HKEY Root, const std::u16string& KeyName, bool Is64bitView) {
  return Exists(Root, KeyName, Is64bitView, [](TvexaRegistry&) { return true; });
}

bool TvexaRegistry::CreateKey(HKEY Root, const std::u16string& Key, bool _64BitView) {
  TvexaRegistry Registry(_64BitView);
  return OneShot(Registry, Root, [&] {
    if (!Registry.KeyExists(Key)) Registry.CreateKey(Key);
    return Registry.KeyExists(Key);
  });
}

bool TvexaRegistry::DeleteKey(HKEY Root, const std::u16string& Key, bool _64BitView) {
  TvexaRegistry Registry(_64BitView);
  return OneShot(Registry, Root, [&] {
    const bool Deleted = Registry.DeleteKey(Key);
    Registry.CloseKey();
    return Deleted;
  });
}

bool TvexaRegistry::CheckAccess(HKEY Root, const std::u16string& Key, bool _64BitView) {
  TvexaRegistry Registry(_64BitView);
  return OneShot(Registry, Root, [&] { return Registry.OpenKey(Key, false); });
}

bool TvexaRegistry::GetDataInfoEx(const std::u16string& AName, TRegDataInfoEx& Value) {
  Value = TRegDataInfoEx{};
  DWORD Type = REG_NONE;
  std::int32_t Size = 0;
  if (QueryValue(AName, Type, nullptr, Size) != ERROR_SUCCESS) return false;
  Value.RegData = Recognised(Type) ? static_cast<std::uint8_t>(Type) : 0;
  Value.DataSize = Size;
  return true;
}

std::uint8_t TvexaRegistry::GetDataTypeEx(const std::u16string& ValueName) {
  TRegDataInfoEx Info;
  return GetDataInfoEx(ValueName, Info) ? Info.RegData : 0;
}

bool TvexaRegistry::ReadData(const std::u16string& Name, void* Buffer, std::int32_t& Size,
                             std::int32_t& DataType) {
  DWORD Type = REG_NONE;
  const bool Read = QueryValue(Name, Type, Buffer, Size) == ERROR_SUCCESS;
  DataType = static_cast<std::int32_t>(Type);
  return Read;
}

bool TvexaRegistry::GetDataEx(const std::u16string& Name, void* Buffer, std::int32_t BufSize,
                              std::int32_t& DataType) {
  return ReadData(Name, Buffer, BufSize, DataType);
}

bool TvexaRegistry::PutDataEx(const std::u16string& Name, const void* Buffer, std::int32_t BufSize,
                              std::int32_t DataType) {
  if (DataType == REG_DWORD_TRUNCATED) {
    if (BufSize < 4) return false;  // the 4 bytes would be read past the buffer
    DataType = REG_DWORD;
    BufSize = 4;
  }
  return SetValue(Name, static_cast<DWORD>(DataType), Buffer, BufSize) == ERROR_SUCCESS;
}

bool TvexaRegistry::GetBinaryData(const std::u16string& ValueName, TBytes& Data) {
  Data.clear();
  TRegDataInfoEx Info;
  GetDataInfoEx(ValueName, Info);
  if (Info.RegData != REG_BINARY) return false;
  // Two bytes to spare: even an empty value is read into a buffer (without
  // one the read would be a mere size query), and a value that became a
  // string meanwhile may get a NUL character after it.
  TBytes Bytes(static_cast<std::size_t>(Info.DataSize) + 2);
  std::int32_t Size = Info.DataSize, Type = REG_NONE;
  // The value may have changed since the size query: it must still fit and
  // still be binary, and only the bytes that came are kept.
  if (!ReadData(ValueName, Bytes.data(), Size, Type) || Type != REG_BINARY) return false;
  Bytes.resize(static_cast<std::size_t>(Size));
  Data = std::move(Bytes);
  return true;
}

std::u16string TvexaRegistry::GetString(const std::uint8_t* ValueData, std::uint32_t DataLen) {
  const std::uint32_t Characters = DataLen / 2;
  if (Characters <= 1) return {};
  std::u16string Text(Characters - 1, u'\0');
  std::memcpy(Text.data(), ValueData, Text.size() * sizeof(char16_t));
  return Text;
}

bool TvexaRegistry::ReadMultiString(const std::u16string& ValueName, TStringList* Strings) {
  if (!Strings) return false;
  std::int32_t Size = GetDataSize(ValueName);
  std::u16string Data = CharacterBuffer(Size);
  std::int32_t Type = REG_NONE;
  if (!ReadData(ValueName, Data.data(), Size, Type) || Type != REG_MULTI_SZ) return false;
  Data.resize(static_cast<std::size_t>(Size) / 2);  // what came, in whole characters
  AppendStrings(Data, *Strings);
  return true;
}

bool TvexaRegistry::WriteMultiString(const std::u16string& AValueName, const TStringList& Strings) {
  std::u16string Data;
  std::size_t Skipped = 0;
  for (int Index = 0; Index < Strings.Count(); ++Index) {
    const std::u16string& S = Strings[Index];
    const std::u16string_view Text(S.data(), std::min(S.find(u'\0'), S.size()));
    if (Text.empty()) {
      ++Skipped;
    } else {
      Data += Text;
      Data += u'\0';
    }
  }
  // One NUL ends the list; the room counted for each skipped empty string
  // stays NUL after it.
  Data.append(Skipped + 1, u'\0');
  return SetValue(AValueName, REG_MULTI_SZ, Data.data(),
                  static_cast<std::int32_t>(Data.size() * sizeof(char16_t))) == ERROR_SUCCESS;
}

bool TvexaRegistry::ValueExists(HKEY Root, const std::u16string& KeyName,
                                const std::u16string& ValName, bool Is64bitView) {
  return Exists(Root, KeyName, Is64bitView,
                [&](TvexaRegistry& Registry) { return Registry.ValueExists(ValName); });
}

bool TvexaRegistry::DeleteValue(HKEY Root, const std::u16string& Key, const std::u16string& Val,
                                bool Is64bitView) {
  return Writing(Root, Key, Is64bitView, false, [&](TvexaRegistry& Registry) {
    return Registry.ValueExists(Val) && Registry.DeleteValue(Val);
  });
}

std::int32_t TvexaRegistry::GetIntegerValue(const std::u16string& KeyName,
                                            const std::u16string& ValName, HKEY RegRoot,
                                            std::int32_t Default, bool _64BitView) {
  return ReadTyped(KeyName, ValName, RegRoot, Default, _64BitView, {rdInteger},
                   &TRegistry::ReadInteger);
}

std::u16string TvexaRegistry::GetStringValue(const std::u16string& KeyName,
                                             const std::u16string& ValName, HKEY RegRoot,
                                             const std::u16string& Default, bool _64BitView) {
  return ReadTyped(KeyName, ValName, RegRoot, Default, _64BitView, {rdString, rdExpandString},
                   &TRegistry::ReadString);
}

bool TvexaRegistry::GetBoolValue(const std::u16string& KeyName, const std::u16string& ValName,
                                 HKEY RegRoot, bool Default, bool _64BitView) {
  return ReadTyped(KeyName, ValName, RegRoot, Default, _64BitView, {rdInteger},
                   &TRegistry::ReadBool);
}

TDateTime TvexaRegistry::GetDateValue(const std::u16string& KeyName, const std::u16string& ValName,
                                      HKEY RegRoot, TDateTime Default, bool _64BitView) {
  return ReadTyped(KeyName, ValName, RegRoot, Default, _64BitView, {rdBinary},
                   &TRegistry::ReadDate);
}

std::int64_t TvexaRegistry::GetInt64RegValue(const std::u16string& KeyName,
                                             const std::u16string& ValName, HKEY RegRoot,
                                             std::int64_t Default, bool _64BitView) {
  return ReadOr(Default, RegRoot, KeyName, _64BitView,
                [&](TvexaRegistry& Registry, std::int64_t& Result) {
                  std::int64_t Value = 0;  // bytes a shorter value does not deliver stay 0
                  std::int32_t Type = REG_NONE;
                  if (Registry.GetDataEx(ValName, &Value, sizeof Value, Type) &&
                      (Type == REG_BINARY || Type == REG_QWORD)) {
                    Result = Value;
                  }
                });
}

bool TvexaRegistry::WriteIntegerValue(const std::u16string& KeyName, const std::u16string& ValName,
                                      std::int32_t ValData, HKEY RegRoot, bool _64BitView) {
  return WriteCaught(KeyName, RegRoot, _64BitView,
                     [&](TvexaRegistry& Registry) { Registry.WriteInteger(ValName, ValData); });
}

bool TvexaRegistry::WriteBoolValue(const std::u16string& KeyName, const std::u16string& ValName,
                                   bool ValData, HKEY RegRoot, bool _64BitView) {
  return WriteIntegerValue(KeyName, ValName, ValData ? 1 : 0, RegRoot, _64BitView);
}

bool TvexaRegistry::WriteBinaryValue(const std::u16string& KeyName, const std::u16string& ValName,
                                     const void* ValData, HKEY RegRoot, std::int32_t Size,
                                     bool _64BitView) {
  return WriteCaught(KeyName, RegRoot, _64BitView, [&](TvexaRegistry& Registry) {
    Registry.WriteBinaryData(ValName, ValData, Size);
  });
}

bool TvexaRegistry::WriteDateValue(const std::u16string& KeyName, const std::u16string& ValName,
                                   TDateTime ValData, HKEY RegRoot, bool _64BitView) {
  return WriteBinaryValue(KeyName, ValName, &ValData, RegRoot, sizeof ValData, _64BitView);
}

bool TvexaRegistry::WriteStringValue(const std::u16string& KeyName, const std::u16string& ValName,
                                     const std::u16string& ValData, HKEY RegRoot, bool _64BitView) {
  return WriteCaught(KeyName, RegRoot, _64BitView,
                     [&](TvexaRegistry& Registry) { Registry.WriteString(ValName, ValData); });
}

bool TvexaRegistry::WriteInt64Value(const std::u16string& KeyName, const std::u16string& ValName,
                                    std::int64_t ValData, HKEY RegRoot, bool _64BitView) {
  return Writing(RegRoot, KeyName, _64BitView, true, [&](TvexaRegistry& Registry) {
    return Registry.PutDataEx(ValName, &ValData, sizeof ValData, REG_QWORD);
  });
}

}  // namespace vexa
