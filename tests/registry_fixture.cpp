#include "tests/registry_fixture.h"

#include <chrono>
#include <set>

#include "registry/vexaRegistryTools.h"

#ifdef _WIN32
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

namespace {
std::u16string Utf16(const std::string& Ascii) { return std::u16string(Ascii.begin(), Ascii.end()); }
}  // namespace

void RegistryTest::SetUp() {
  if (GetParam() == Backend::Memory) {
    FMemory = std::make_unique<MemoryRegistry>(MemoryRegistry::Mode::Windows64);
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

void RegistryTest::SeedValue(const std::u16string& Path, bool _64BitView, const std::u16string& Name) {
  HKEY Key{};
  ASSERT_EQ(FLayer->RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                                    nullptr, &Key, nullptr),
            ERROR_SUCCESS);
  const std::uint8_t Data[] = {1, 2, 3, 4};
  EXPECT_EQ(FLayer->RegSetValueExW(Key, Name.c_str(), 0, 3, Data, sizeof Data), ERROR_SUCCESS);
  FLayer->RegCloseKey(Key);
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
