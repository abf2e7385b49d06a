#include "registry/vexaRegistryTools.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/finally.h"
#include "core/integer_text.h"

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

// The text form: each type's prefix, in the order a text is tested for
// them. Every other type is written as REG_BINARY.
struct TextForm {
  std::u16string_view Prefix;
  DWORD Type;
};
constexpr TextForm TextForms[] = {
    {u"dword:", REG_DWORD},     {u"hex:", REG_BINARY},     {u"qword:", REG_QWORD},
    {u"exp:", REG_EXPAND_SZ}, {u"multy:", REG_MULTI_SZ}, {u"str:", REG_SZ},
};

const TextForm& FormOf(DWORD Type) {
  for (const TextForm& Form : TextForms) {
    if (Form.Type == Type) return Form;
  }
  return FormOf(REG_BINARY);
}

// The signed integer of the first sizeof(Int) of Size bytes, little-endian,
// in decimal. Bytes that a shorter value lacks count as 0; none is read.
template <typename Int>
std::u16string Decimal(const std::uint8_t* Data, std::size_t Size) {
  std::make_unsigned_t<Int> Bits = 0;
  for (std::size_t I = 0; I < std::min(Size, sizeof(Int)); ++I) {
    Bits |= static_cast<decltype(Bits)>(Data[I]) << (8 * I);
  }
  const std::string Digits = std::to_string(static_cast<Int>(Bits));
  return std::u16string(Digits.begin(), Digits.end());
}

std::u16string Hexadecimal(const TBytes& Data) {
  static constexpr char16_t Digits[] = u"0123456789ABCDEF";
  std::u16string Text;
  Text.reserve(Data.size() * 2);
  for (const std::uint8_t Byte : Data) {
    Text += Digits[Byte >> 4];
    Text += Digits[Byte & 0xF];
  }
  return Text;
}

// Pairs of hexadecimal digits into Data, resized to the pairs with its
// leading bytes kept; the first pair that is not two digits stops it.
void ReadHexadecimal(std::u16string_view Text, TBytes& Data) {
  Data.resize(Text.size() / 2);
  for (std::size_t I = 0; I < Data.size(); ++I) {
    const int High = HexDigit(Text[2 * I]), Low = HexDigit(Text[2 * I + 1]);
    if (High < 0 || Low < 0) return;
    Data[I] = static_cast<std::uint8_t>(High << 4 | Low);
  }
}

template <typename Int>
TBytes LittleEndian(Int Value) {
  const auto Bits = static_cast<std::make_unsigned_t<Int>>(Value);
  TBytes Bytes;
  for (std::size_t I = 0; I < sizeof Value; ++I) {
    Bytes.push_back(static_cast<std::uint8_t>(Bits >> (8 * I)));
  }
  return Bytes;
}

// The characters of Text and one NUL, as string data (UTF-16 little-endian).
TBytes Terminated(std::u16string_view Text) {
  TBytes Bytes;
  Bytes.reserve((Text.size() + 1) * 2);
  for (const char16_t C : Text) {
    Bytes.push_back(static_cast<std::uint8_t>(C & 0xFF));
    Bytes.push_back(static_cast<std::uint8_t>(C >> 8));
  }
  Bytes.insert(Bytes.end(), {0, 0});
  return Bytes;
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

bool TvexaRegistry::ReadValue(const std::u16string& Name, std::int32_t Size, TBytes& Data,
                              std::int32_t& DataType) {
  // Two bytes to spare: even an empty value is read into a buffer (without
  // one the read would be a mere size query), and string data may get a NUL
  // character after it (Wine's even past the room it is given).
  TBytes Bytes(static_cast<std::size_t>(std::max(Size, 0)) + 2);
  // The value may have changed since its size was asked: only the bytes
  // that came are kept.
  if (!ReadData(Name, Bytes.data(), Size, DataType)) return false;
  Bytes.resize(static_cast<std::size_t>(Size));
  Data = std::move(Bytes);
  return true;
}

bool TvexaRegistry::GetBinaryData(const std::u16string& ValueName, TBytes& Data) {
  Data.clear();
  TRegDataInfoEx Info;
  GetDataInfoEx(ValueName, Info);
  if (Info.RegData != REG_BINARY) return false;
  TBytes Bytes;
  std::int32_t Type = REG_NONE;
  // Still binary when read.
  if (!ReadValue(ValueName, Info.DataSize, Bytes, Type) || Type != REG_BINARY) return false;
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

std::u16string TvexaRegistry::SerializeData(const std::u16string& ValueName, bool PrefixType) {
  TRegDataInfoEx Info;
  GetDataInfoEx(ValueName, Info);
  TBytes Data;
  std::int32_t Type = REG_NONE;
  if (Info.DataSize <= 0 || !ReadValue(ValueName, Info.DataSize, Data, Type) || Data.empty()) {
    return {};
  }
  return SerializeData(Data, static_cast<DWORD>(Type), static_cast<DWORD>(Data.size()),
                       PrefixType);
}

std::u16string TvexaRegistry::SerializeData(const TBytes& ValueData, DWORD ValueType,
                                            DWORD ValueLen, bool PrefixType) const {
  const TextForm& Form = FormOf(ValueType);
  const std::size_t Size = std::min<std::size_t>(ValueLen, ValueData.size());
  std::u16string Text = PrefixType ? std::u16string(Form.Prefix) : std::u16string();
  switch (Form.Type) {
    case REG_DWORD:
      return Text + Decimal<std::int32_t>(ValueData.data(), Size);
    case REG_QWORD:
      return Text + Decimal<std::int64_t>(ValueData.data(), Size);
    case REG_BINARY:
      return Text + Hexadecimal(ValueData);
    default:
      return Text + GetString(ValueData.data(), static_cast<std::uint32_t>(Size));
  }
}

bool TvexaRegistry::DeserializeData(const std::u16string& Text, TBytes& ValueData,
                                    DWORD& ValueType) {
  for (const TextForm& Form : TextForms) {
    if (std::u16string_view(Text).substr(0, Form.Prefix.size()) != Form.Prefix) continue;
    const std::u16string_view Payload = std::u16string_view(Text).substr(Form.Prefix.size());
    ValueType = Form.Type;
    switch (Form.Type) {
      case REG_DWORD:
        ValueData = LittleEndian(StrToInt(Payload));
        break;
      case REG_QWORD:
        ValueData = LittleEndian(StrToInt64(Payload));
        break;
      case REG_BINARY:
        ReadHexadecimal(Payload, ValueData);
        break;
      default:
        ValueData = Terminated(Payload);
    }
    return true;
  }
  return false;
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
