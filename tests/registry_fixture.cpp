#include "tests/registry_fixture.h"

#include <chrono>
#include <set>
#include <sstream>

#include "registry/vexaRegistryTools.h"

#ifdef _WIN32
#include "platform/windows/native_registry.h"
#include "platform/windows/windows_registry.h"
#endif

namespace vexa {

std::vector<Backend> AvailableBackends() {
#ifdef _WIN32
  return {Backend::Memory, Backend::Real};
#else
  return {Backend::Memory};
#endif
}

std::string BackendName(const testing::TestParamInfo<Backend>& Info) {
  return Info.param == Backend::Memory ? "Memory" : "Real";
}

void PrintTo(Backend Which, std::ostream* Out) {
  *Out << (Which == Backend::Memory ? "in-memory platform" : "real platform");
}

void PrintTo(HKEY Key, std::ostream* Out) {
  *Out << "HKEY 0x" << std::hex << static_cast<std::uintptr_t>(Key) << std::dec;
}

Bytes BytesOf(std::u16string_view Text) {
  Bytes Data;
  for (const char16_t C : Text) {
    Data.push_back(static_cast<std::uint8_t>(C & 0xFF));
    Data.push_back(static_cast<std::uint8_t>(C >> 8));
  }
  return Data;
}

std::string Show(const std::u16string& Text) { return "'" + ToUtf8(Text) + "'"; }
std::string Show(bool Value) { return Value ? "true" : "false"; }
std::string Show(std::int64_t Value) { return std::to_string(Value); }
std::string Show(double Value) {
  std::ostringstream Out;
  Out.precision(17);
  Out << Value;
  return Out.str();
}

void PrintTo(const StoredValue& Value, std::ostream* Out) {
  *Out << "type " << Value.Type << ", " << Value.Data.size() << " bytes {" << std::hex;
  for (const std::uint8_t Byte : Value.Data) *Out << " " << static_cast<int>(Byte);
  *Out << std::dec << " }";
}

namespace {
std::u16string Utf16(const std::string& Ascii) { return std::u16string(Ascii.begin(), Ascii.end()); }
}  // namespace

void RegistryTest::SetUp() {
  if (GetParam() == Backend::Memory) {
    FMemory = std::make_unique<MemoryRegistry>();
    FLayer = FMemory.get();
  } else {
#ifdef _WIN32
    static WindowsRegistry Real;
    FLayer = &Real;
#endif
  }
  const auto* Info = testing::UnitTest::GetInstance()->current_test_info();
  const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  FScratch = u"SOFTWARE\\VexaTest-" + Utf16(Info->name()) + u"-" + Utf16(std::to_string(Stamp));
  for (char16_t& C : FScratch) {
    if (C == u'/') C = u'_';
  }
  Seed(FScratch, true);
  Seed(FScratch, false);
  FRecorder = std::make_unique<RecordingRegistry>(*FLayer);
  FOverride.emplace(*FRecorder);
}

void RegistryTest::TearDown() {
  FOverride.reset();
  ScopedRegistryOverride Direct(*FLayer);
  TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, FScratch, true);
  TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, FScratch, false);
  EXPECT_FALSE(Exists(FScratch, true)) << "scratch key left in the 64-bit view";
  EXPECT_FALSE(Exists(FScratch, false)) << "scratch key left in the 32-bit view";
}

std::u16string RegistryTest::At(const std::u16string& Relative) const {
  return FScratch + u'\\' + Relative;
}

void RegistryTest::Seed(const std::u16string& Path, bool _64BitView) {
  HKEY Key{};
  ASSERT_EQ(FLayer->RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                                    nullptr, &Key, nullptr),
            ERROR_SUCCESS);
  FLayer->RegCloseKey(Key);
}

void RegistryTest::SeedValue(const std::u16string& Path, bool _64BitView,
                             const std::u16string& Name, DWORD Type, const Bytes& Data) {
  HKEY Key{};
  ASSERT_EQ(FLayer->RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                                    nullptr, &Key, nullptr),
            ERROR_SUCCESS);
  // Two bytes other than NUL after the data: string data is stored exactly
  // as given (see ValuesAnswerAsTheRealRegistry).
  Bytes Guarded = Data;
  Guarded.insert(Guarded.end(), {0xFF, 0xFF});
  EXPECT_EQ(FLayer->RegSetValueExW(Key, Name.c_str(), 0, Type, Guarded.data(),
                                   static_cast<DWORD>(Data.size())),
            ERROR_SUCCESS);
  FLayer->RegCloseKey(Key);
}

std::optional<StoredValue> RegistryTest::StoredAt(const std::u16string& Path, bool _64BitView,
                                                  const std::u16string& Name) {
  HKEY Key{};
  if (FLayer->RegOpenKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0,
                            KEY_READ | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                            &Key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  StoredValue Value{REG_NONE, {}};
  DWORD Size = 0;
  LSTATUS Code = FLayer->RegQueryValueExW(Key, Name.c_str(), nullptr, &Value.Type, nullptr, &Size);
  if (Code == ERROR_SUCCESS) {
    Value.Data.resize(Size + 1);  // never an empty buffer: that would be a size query
    Code =
        FLayer->RegQueryValueExW(Key, Name.c_str(), nullptr, &Value.Type, Value.Data.data(), &Size);
    Value.Data.resize(Size);
  }
  FLayer->RegCloseKey(Key);
  if (Code != ERROR_SUCCESS) return std::nullopt;
  return Value;
}

bool RegistryTest::Exists(const std::u16string& Path, bool _64BitView) {
  HKEY Key{};
  if (FLayer->RegOpenKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0,
                            KEY_READ | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                            &Key) != ERROR_SUCCESS) {
    return false;
  }
  FLayer->RegCloseKey(Key);
  return true;
}

HKEY RegistryTest::OpenSeeded(const std::u16string& Path, REGSAM Access, DWORD Options) {
  HKEY Key{};
  EXPECT_EQ(FLayer->RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, nullptr, Options, Access,
                                    nullptr, &Key, nullptr),
            ERROR_SUCCESS)
      << ToUtf8(Path);
  return Key;
}

void RegistryTest::SeedLink(const std::u16string& Path, const std::u16string& Target) {
  const HKEY Link = OpenSeeded(Path, KEY_ALL_ACCESS | KEY_WOW64_64KEY, REG_OPTION_CREATE_LINK);
  // The target in the registry's own names, without a terminator.
  const std::u16string Name = u"\\Registry\\Machine\\" + Target;
  EXPECT_EQ(FLayer->RegSetValueExW(Link, u"SymbolicLinkValue", 0, 6 /* REG_LINK */,
                                   reinterpret_cast<const std::uint8_t*>(Name.data()),
                                   static_cast<DWORD>(Name.size() * sizeof(char16_t))),
            ERROR_SUCCESS);
  FLayer->RegCloseKey(Link);
}

void RegistryTest::SeedNativeSubKey(const std::u16string& Path, bool _64BitView,
                                    const std::u16string& Name) {
  NativeSubKey(Path, _64BitView, Name, true);
}

void RegistryTest::RemoveNativeSubKey(const std::u16string& Path, bool _64BitView,
                                      const std::u16string& Name) {
  NativeSubKey(Path, _64BitView, Name, false);
}

void RegistryTest::NativeSubKey(const std::u16string& Path, bool _64BitView,
                                const std::u16string& Name, bool Create) {
  const HKEY Parent = OpenSeeded(Path, KEY_ALL_ACCESS | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY));
  LSTATUS Code;
  if (FMemory) {
    Code = Create ? FMemory->CreateNativeSubKey(Parent, Name) : FMemory->DeleteNativeSubKey(Parent, Name);
  } else {
#ifdef _WIN32
    Code = Create ? CreateNativeSubKey(Parent, Name) : DeleteNativeSubKey(Parent, Name);
#else
    Code = ERROR_CALL_NOT_IMPLEMENTED;
#endif
  }
  EXPECT_EQ(Code, ERROR_SUCCESS) << (Create ? "creating " : "removing ") << ToUtf8(Name);
  FLayer->RegCloseKey(Parent);
}

std::vector<RegCall> RegistryTest::CallsOf(RegFunction Function) const {
  std::vector<RegCall> Found;
  for (const RegCall& Call : FRecorder->Calls()) {
    if (Call.Function == Function) Found.push_back(Call);
  }
  return Found;
}

std::vector<HKEY> RegistryTest::UnclosedHandles() const {
  // Replays the log: the handles that opens and creates gave back (a root
  // opened as itself aside), less those handed to RegCloseKey.
  std::multiset<std::uintptr_t> Open;
  for (const RegCall& Call : FRecorder->Calls()) {
    if (Call.Opened != HKEY{} && Call.Opened != Call.Key) {
      Open.insert(static_cast<std::uintptr_t>(Call.Opened));
    } else if (Call.Function == RegFunction::RegCloseKey) {
      if (auto It = Open.find(static_cast<std::uintptr_t>(Call.Key)); It != Open.end()) Open.erase(It);
    }
  }
  std::vector<HKEY> Left;
  for (std::uintptr_t Bits : Open) Left.push_back(static_cast<HKEY>(Bits));
  return Left;
}

}  // namespace vexa
