#include "registry/registry.h"

#include <vector>

#include "core/finally.h"

namespace vexa {
namespace {

// Set once by the registry layer's start-up; every supported Windows has the
// view-aware call.
bool ViewAwareDelete = true;

}  // namespace

bool HasViewAwareDelete(const OsVersionInfo& Version, std::uint16_t NativeArchitecture) {
  if (Version.MajorVersion != 5) return Version.MajorVersion > 5;
  if (Version.MinorVersion != 2) return Version.MinorVersion > 2;
  return Version.ServicePackMajor >= 1 || NativeArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

void InitializeRegistryLayer() {
  SystemInfoApi& Facts = Current<SystemInfoApi>();
  ViewAwareDelete = HasViewAwareDelete(Facts.GetVersionExW(), Facts.NativeProcessorArchitecture());
}

bool UsesViewAwareDelete() { return ViewAwareDelete; }

TRegistry::TRegistry() = default;

TRegistry::TRegistry(std::uint32_t AAccess) : FAccess(AAccess) {}

TRegistry::~TRegistry() {
  try {
    CloseKey();
  } catch (...) {  // a destructor cannot pass it on
  }
}

bool TRegistry::Record(LSTATUS Code) {
  FLastError = Code;
  return Code == ERROR_SUCCESS;
}

TRegistry::ResolvedPath TRegistry::Resolve(const std::u16string& Key) const {
  if (!Key.empty() && Key.front() == u'\\') return {FRootKey, Key.substr(1), false};
  const bool FromCurrent = FCurrentKey != HKEY{};
  return {FromCurrent ? FCurrentKey : FRootKey, Key, FromCurrent};
}

HKEY TRegistry::PlainOpen(const ResolvedPath& Target) const {
  HKEY Handle{};
  if (CurrentRegistry().RegOpenKeyExW(Target.Base, Target.Path.c_str(), 0, FAccess, &Handle) !=
      ERROR_SUCCESS) {
    return HKEY{};
  }
  return Handle;
}

void TRegistry::MakeCurrent(HKEY Key, const ResolvedPath& Target) {
  std::u16string Path = Target.Relative ? FCurrentPath + u'\\' + Target.Path : Target.Path;
  CloseKey();
  FCurrentKey = Key;
  FCurrentPath = std::move(Path);
}

void TRegistry::CloseKey() {
  if (FCurrentKey == HKEY{}) return;
  if (!FLazyWrite) CurrentRegistry().RegFlushKey(FCurrentKey);
  CurrentRegistry().RegCloseKey(FCurrentKey);
  FCurrentKey = HKEY{};
  FCurrentPath.clear();
}

void TRegistry::SetRootKey(HKEY Value) {
  if (Value == FRootKey) return;
  if (FCloseRootKey) {
    CurrentRegistry().RegCloseKey(FRootKey);
    FCloseRootKey = false;
  }
  FRootKey = Value;
  CloseKey();
}

bool TRegistry::OpenKey(const std::u16string& Key, bool CanCreate) {
  const ResolvedPath Target = Resolve(Key);
  RegistryApi& Api = CurrentRegistry();
  HKEY Handle{};
  const LSTATUS Code =
      CanCreate && !Target.Path.empty()
          ? Api.RegCreateKeyExW(Target.Base, Target.Path.c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, FAccess, nullptr, &Handle, nullptr)
          : Api.RegOpenKeyExW(Target.Base, Target.Path.c_str(), 0, FAccess, &Handle);
  if (!Record(Code)) return false;
  MakeCurrent(Handle, Target);
  return true;
}

bool TRegistry::CreateKey(const std::u16string& Key) {
  const ResolvedPath Target = Resolve(Key);
  RegistryApi& Api = CurrentRegistry();
  HKEY Handle{};
  DWORD Disposition = 0;
  if (!Record(Api.RegCreateKeyExW(Target.Base, Target.Path.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | (FAccess & KEY_WOW64_RES),
                                  nullptr, &Handle, &Disposition))) {
    throw ERegistryException(Format(u"Failed to create key %s", {Key}));
  }
  Api.RegCloseKey(Handle);
  return true;
}

bool TRegistry::KeyExists(const std::u16string& Key) {
  const std::uint32_t Saved = FAccess;
  FAccess = (Saved & KEY_WOW64_RES) | KEY_READ_NO_NOTIFY;
  return TryFinally(
      [&] {
        const HKEY Handle = PlainOpen(Resolve(Key));
        if (Handle == HKEY{}) return false;
        CurrentRegistry().RegCloseKey(Handle);
        return true;
      },
      [&] { FAccess = Saved; });
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value) {
  Value = TRegKeyInfo{};
  DWORD SubKeys = 0, MaxSubKeyLen = 0, Values = 0, MaxValueLen = 0, MaxDataLen = 0;
  const bool Ok = Record(CurrentRegistry().RegQueryInfoKeyW(
      FCurrentKey, nullptr, nullptr, nullptr, &SubKeys, &MaxSubKeyLen, nullptr, &Values,
      &MaxValueLen, &MaxDataLen, nullptr, &Value.FileTime));
  Value.NumSubKeys = static_cast<std::int32_t>(SubKeys);
  Value.MaxSubKeyLen = static_cast<std::int32_t>(MaxSubKeyLen);
  Value.NumValues = static_cast<std::int32_t>(Values);
  Value.MaxValueLen = static_cast<std::int32_t>(MaxValueLen);
  Value.MaxDataLen = static_cast<std::int32_t>(MaxDataLen);
  return Ok;
}

LSTATUS TRegistry::DeleteCall(HKEY Base, const char16_t* Path) const {
  RegistryApi& Api = CurrentRegistry();
  return ViewAwareDelete ? Api.RegDeleteKeyExW(Base, Path, FAccess & KEY_WOW64_RES, 0)
                         : Api.RegDeleteKeyW(Base, Path);
}

void TRegistry::DeleteSubKeys(HKEY Handle) {
  // The pass runs on the key being deleted as the current key; the
  // caller's current key and path come back afterwards, untouched.
  const HKEY Remembered = FCurrentKey;
  FCurrentKey = Handle;
  TryFinally(
      [&] {
        TRegKeyInfo Info;
        if (!GetKeyInfo(Info)) return;
        const DWORD BufferLength = static_cast<DWORD>(Info.MaxSubKeyLen) + 1;
        std::u16string Name(BufferLength, u'\0');
        for (std::int32_t Index = Info.NumSubKeys - 1; Index >= 0; --Index) {
          DWORD Length = BufferLength;
          if (Record(CurrentRegistry().RegEnumKeyExW(Handle, static_cast<DWORD>(Index), Name.data(),
                                                     &Length, nullptr, nullptr, nullptr, nullptr))) {
            DeleteSubKey(Handle, Name.substr(0, Length));
          }
        }
      },
      [&] { FCurrentKey = Remembered; });
}

void TRegistry::DeleteSubKey(HKEY Parent, const std::u16string& Name) {
  // A name that is empty or holds a NUL (the native API can make one) does
  // not reach the platform as itself: as a path it would name the parent,
  // or another subkey. Such a key stays, and so does its parent.
  if (Name.empty() || Name.find(u'\0') != std::u16string::npos) return;
  // Opened as a link, never through it: a link's target lies outside the
  // subtree. Deleted through that handle, so that a link goes, not its
  // target.
  RegistryApi& Api = CurrentRegistry();
  HKEY Handle{};
  if (Api.RegOpenKeyExW(Parent, Name.c_str(), REG_OPTION_OPEN_LINK, FAccess, &Handle) !=
      ERROR_SUCCESS) {
    return;
  }
  TryFinally(
      [&] {
        DeleteSubKeys(Handle);
        Record(DeleteCall(Handle, u""));
      },
      [&] { Api.RegCloseKey(Handle); });
}

bool TRegistry::DeleteKey(const std::u16string& Key) {
  const ResolvedPath Target = Resolve(Key);
  // Empty, or backslashes only, from the root: the subkey pass would run
  // over the whole root.
  if (!Target.Relative && Target.Path.find_first_not_of(u'\\') == std::u16string::npos) {
    return false;
  }
  if (const HKEY Handle = PlainOpen(Target); Handle != HKEY{}) {
    TryFinally([&] { DeleteSubKeys(Handle); }, [&] { CurrentRegistry().RegCloseKey(Handle); });
  }
  return Record(DeleteCall(Target.Base, Target.Path.c_str()));
}

}  // namespace vexa

// Values of the current key.
namespace vexa {
namespace {

// Values are stored little-endian, as numbers lie in memory on every
// platform this builds for: the typed reads and writes copy them as they are.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);

// The Windows code written for each TRegDataType, by ordinal.
constexpr DWORD TypeCodes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY};

TRegDataType DataTypeOf(DWORD Code) {
  for (std::uint8_t Ordinal = rdString; Ordinal <= rdBinary; ++Ordinal) {
    if (TypeCodes[Ordinal] == Code) return static_cast<TRegDataType>(Ordinal);
  }
  return rdUnknown;
}

bool IsString(DWORD Type) {
  return Type == REG_SZ || Type == REG_EXPAND_SZ || Type == REG_MULTI_SZ;
}

bool Addressable(const std::u16string& Name) { return Name.find(u'\0') == std::u16string::npos; }

ERegistryException ValueError(const char16_t* Pattern, const std::u16string& Name) {
  return ERegistryException(Format(Pattern, {Name}));
}

}  // namespace

LSTATUS TRegistry::QueryValue(const std::u16string& Name, DWORD& Type, void* Data,
                              std::int32_t& Size) const {
  if (Size < 0 || !Addressable(Name)) return ERROR_INVALID_PARAMETER;
  DWORD Bytes = static_cast<DWORD>(Size);
  const LSTATUS Code = CurrentRegistry().RegQueryValueExW(FCurrentKey, Name.c_str(), nullptr, &Type,
                                                          static_cast<std::uint8_t*>(Data), &Bytes);
  Size = static_cast<std::int32_t>(Bytes);
  return Code;
}

LSTATUS TRegistry::SetValue(const std::u16string& Name, DWORD Type, const void* Data,
                            std::int32_t Size) const {
  if (Size < 0 || !Addressable(Name)) return ERROR_INVALID_PARAMETER;
  const auto* Bytes = static_cast<const std::uint8_t*>(Data);
  // The platform takes string data that does not end in a NUL character,
  // but has one just past its size, for data that forgot to count it: it
  // looks past the size and stores two bytes more. Given a copy with two
  // bytes other than NUL after it, it stores exactly these bytes and reads
  // nothing past the caller's.
  std::vector<std::uint8_t> Guarded;
  if (IsString(Type) && Bytes) {
    Guarded.assign(Bytes, Bytes + Size);
    Guarded.insert(Guarded.end(), {0xFF, 0xFF});
    Bytes = Guarded.data();
  }
  return CurrentRegistry().RegSetValueExW(FCurrentKey, Name.c_str(), 0, Type, Bytes,
                                          static_cast<DWORD>(Size));
}

std::u16string TRegistry::CharacterBuffer(std::int32_t Size) {
  return std::u16string(Size > 0 ? static_cast<std::size_t>(Size) / 2 + 2 : 0, u'\0');
}

bool TRegistry::GetDataInfo(const std::u16string& ValueName, TRegDataInfo& Value) {
  Value = TRegDataInfo{};
  DWORD Type = REG_NONE;
  std::int32_t Size = 0;
  if (!Record(QueryValue(ValueName, Type, nullptr, Size))) return false;
  Value.RegData = DataTypeOf(Type);
  Value.DataSize = Size;
  return true;
}

std::int32_t TRegistry::GetDataSize(const std::u16string& ValueName) {
  TRegDataInfo Info;
  return GetDataInfo(ValueName, Info) ? Info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::u16string& ValueName) {
  TRegDataInfo Info;
  return GetDataInfo(ValueName, Info) ? Info.RegData : rdUnknown;
}

bool TRegistry::ValueExists(const std::u16string& Name) {
  TRegDataInfo Info;
  return GetDataInfo(Name, Info);
}

bool TRegistry::DeleteValue(const std::u16string& Name) {
  return Record(Addressable(Name) ? CurrentRegistry().RegDeleteValueW(FCurrentKey, Name.c_str())
                                  : ERROR_INVALID_PARAMETER);
}

std::int32_t TRegistry::GetData(const std::u16string& Name, void* Buffer, std::int32_t BufSize,
                                TRegDataType& RegData) {
  DWORD Type = REG_NONE;
  if (!Record(QueryValue(Name, Type, Buffer, BufSize))) {
    throw ValueError(u"Failed to get data for '%s'", Name);
  }
  RegData = DataTypeOf(Type);
  return BufSize;
}

void TRegistry::PutData(const std::u16string& Name, const void* Buffer, std::int32_t BufSize,
                        TRegDataType RegData) {
  if (!Record(SetValue(Name, TypeCodes[RegData], Buffer, BufSize))) {
    throw ValueError(u"Failed to set data for '%s'", Name);
  }
}

std::u16string TRegistry::ReadString(const std::u16string& Name) {
  // A missing value, or one without data, reads as the empty string.
  const std::int32_t Size = GetDataSize(Name);
  if (Size <= 0) return {};
  std::u16string Text = CharacterBuffer(Size);
  TRegDataType Type = rdUnknown;
  const std::int32_t Delivered = GetData(Name, Text.data(), Size, Type);
  if (Type != rdString && Type != rdExpandString) {
    throw ValueError(u"Invalid data type for '%s'", Name);
  }
  Text.resize(static_cast<std::size_t>(Delivered) / 2);
  return Text.substr(0, Text.find(u'\0'));
}

std::int32_t TRegistry::ReadInteger(const std::u16string& Name) {
  std::int32_t Value = 0;  // bytes a shorter value does not deliver stay 0
  TRegDataType Type = rdUnknown;
  GetData(Name, &Value, sizeof Value, Type);
  if (Type != rdInteger) throw ValueError(u"Invalid data type for '%s'", Name);
  return Value;
}

bool TRegistry::ReadBool(const std::u16string& Name) { return ReadInteger(Name) != 0; }

TDateTime TRegistry::ReadDate(const std::u16string& Name) {
  TDateTime Value = 0;
  TRegDataType Type = rdUnknown;
  const std::int32_t Delivered = GetData(Name, &Value, sizeof Value, Type);
  if (Type != rdBinary || Delivered != sizeof Value) {
    throw ValueError(u"Invalid data type for '%s'", Name);
  }
  return Value;
}

void TRegistry::WriteString(const std::u16string& Name, const std::u16string& Value) {
  PutData(Name, Value.c_str(), static_cast<std::int32_t>((Value.size() + 1) * sizeof(char16_t)),
          rdString);
}

void TRegistry::WriteInteger(const std::u16string& Name, std::int32_t Value) {
  PutData(Name, &Value, sizeof Value, rdInteger);
}

void TRegistry::WriteBinaryData(const std::u16string& Name, const void* Buffer,
                                std::int32_t BufSize) {
  PutData(Name, Buffer, BufSize, rdBinary);
}

}  // namespace vexa
