// The registry layer itself, on both backends: the in-memory registry must
// answer as the real one does for every call the registry classes make.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/exception.h"
#include "tests/registry_fixture.h"

namespace vexa {
namespace {

constexpr REGSAM View64 = KEY_WOW64_64KEY;
constexpr REGSAM View32 = KEY_WOW64_32KEY;

class RegistryLayerTest : public RegistryTest {
 protected:
  RegistryApi& Api() { return CurrentRegistry(); }

  LSTATUS Open(HKEY Base, const std::u16string& Path, REGSAM Access, HKEY& Key) {
    return Api().RegOpenKeyExW(Base, Path.c_str(), 0, Access, &Key);
  }
  LSTATUS OpenAndClose(HKEY Base, const std::u16string& Path, REGSAM Access) {
    HKEY Key{};
    const LSTATUS Code = Open(Base, Path, Access, Key);
    if (Code == ERROR_SUCCESS && Key != Base) Api().RegCloseKey(Key);
    return Code;
  }
  std::vector<std::u16string> SubkeyNames(HKEY Key) {
    std::vector<std::u16string> Names;
    char16_t Name[256];
    for (DWORD Index = 0;; ++Index) {
      DWORD Length = 256;
      if (Api().RegEnumKeyExW(Key, Index, Name, &Length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        return Names;
      }
      Names.emplace_back(Name, Length);
    }
  }
};

TEST_P(RegistryLayerTest, PathFormsOpenAsTheRealRegistryDoes) {
  Seed(At(u"A\\B"), true);
  struct Case {
    std::u16string Path;
    LSTATUS Expected;
  };
  const std::vector<Case> Cases = {
      {At(u"A\\B"), ERROR_SUCCESS},
      {At(u"a\\b"), ERROR_SUCCESS},                 // names compare case-insensitively
      {At(u"A\\B\\"), ERROR_SUCCESS},               // a trailing backslash is ignored
      {FScratch + u"\\\\A\\\\B", ERROR_SUCCESS},    // so are doubled ones
      {u"\\" + At(u"A\\B"), ERROR_BAD_PATHNAME},    // a leading one is not
      {At(u"A\\Missing"), ERROR_FILE_NOT_FOUND},
      {At(u"Missing\\B"), ERROR_FILE_NOT_FOUND},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, C.Path, KEY_READ | View64), C.Expected)
        << ToUtf8(C.Path);
  }
}

TEST_P(RegistryLayerTest, EmptyPathOfARootOpensTheRootItself) {
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"", KEY_READ, Key), ERROR_SUCCESS);
  EXPECT_EQ(Key, HKEY_LOCAL_MACHINE);
  ASSERT_EQ(Api().RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &Key), ERROR_SUCCESS);
  EXPECT_EQ(Key, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(Api().RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_P(RegistryLayerTest, InvalidHandlesAndRoots) {
  HKEY Key{};
  EXPECT_EQ(Open(HKEY{}, u"x", KEY_READ, Key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Open(static_cast<HKEY>(0x1234), u"x", KEY_READ, Key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Open(HKEY_PERFORMANCE_DATA, u"x", KEY_READ, Key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Api().RegCloseKey(static_cast<HKEY>(0x12344)), ERROR_INVALID_HANDLE);

  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_READ, Key), ERROR_SUCCESS);
  EXPECT_EQ(Api().RegCloseKey(Key), ERROR_SUCCESS);
  EXPECT_EQ(Api().RegCloseKey(Key), ERROR_INVALID_HANDLE);
}

TEST_P(RegistryLayerTest, ThirtyTwoBitViewLivesBelowWow6432Node) {
  Seed(At(u"Only32\\Sub"), false);
  const std::u16string Name = FScratch.substr(sizeof("SOFTWARE\\") - 1);
  EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, At(u"Only32"), KEY_READ | View32), ERROR_SUCCESS);
  EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, At(u"Only32"), KEY_READ | View64), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, At(u"Only32"), KEY_READ),
            ProcessView64 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS)
      << "no view bit: the process's own view";
  EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Wow6432Node\\" + Name + u"\\Only32",
                         KEY_READ | View64),
            ERROR_SUCCESS);
  // Naming Wow6432Node in the 32-bit view does not redirect twice.
  EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Wow6432Node\\" + Name + u"\\Only32",
                         KEY_READ | View32),
            ERROR_SUCCESS);

  // SOFTWARE opened in the 32-bit view is Wow6432Node: paths below it need no view bit.
  HKEY Software32{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE", KEY_READ | View32, Software32), ERROR_SUCCESS);
  EXPECT_EQ(OpenAndClose(Software32, Name + u"\\Only32", KEY_READ | View64), ERROR_SUCCESS);
  Api().RegCloseKey(Software32);
  // A handle does not remember its view: a 32-bit request below SOFTWARE
  // opened in the 64-bit view is redirected like any other.
  HKEY Software64{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"SOFTWARE", KEY_READ | View64, Software64), ERROR_SUCCESS);
  // A known difference of Wine: in a 64-bit process it does not redirect an
  // open relative to a handle (in a 32-bit process it does, as Windows).
  if (GetParam() == Backend::Memory || !ProcessView64) {
    EXPECT_EQ(OpenAndClose(Software64, Name + u"\\Only32", KEY_READ | View32), ERROR_SUCCESS);
  }
  EXPECT_EQ(OpenAndClose(Software64, u"Wow6432Node\\" + Name + u"\\Only32", KEY_READ | View32),
            ERROR_SUCCESS);
  Api().RegCloseKey(Software64);
}

TEST_P(RegistryLayerTest, SubkeysEnumerateInCaseInsensitiveOrder) {
  for (const char16_t* Name : {u"beta", u"Alpha", u"gamma", u"ALPHA2", u"_x", u"Zed", u"a", u"BETA"}) {
    Seed(At(Name), true);
  }
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_READ | View64, Key), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(Key), (std::vector<std::u16string>{u"_x", u"a", u"Alpha", u"ALPHA2",
                                                           u"beta", u"gamma", u"Zed"}));
  DWORD SubKeys = 0, MaxLength = 0;
  ASSERT_EQ(Api().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, &SubKeys, &MaxLength, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(SubKeys, 7u);
  EXPECT_EQ(MaxLength, 6u);
  char16_t Name[8];
  DWORD Length = 6;  // "ALPHA2" needs 7 with its terminator
  EXPECT_EQ(Api().RegEnumKeyExW(Key, 3, Name, &Length, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  Length = 7;
  EXPECT_EQ(Api().RegEnumKeyExW(Key, 3, Name, &Length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(Length, 6u);
  Length = 8;
  EXPECT_EQ(Api().RegEnumKeyExW(Key, 7, Name, &Length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, DeletingKeys) {
  Seed(At(u"Parent\\Child"), true);
  Seed(At(u"Parent\\Child"), false);
  RegistryApi& Layer = Api();
  EXPECT_EQ(Layer.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, At(u"Parent").c_str(), View64, 0),
            ERROR_ACCESS_DENIED);  // it still has a subkey
  EXPECT_EQ(Layer.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (u"\\" + At(u"Parent\\Child")).c_str(), View64, 0),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(Layer.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, At(u"Missing").c_str(), View64, 0),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Layer.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, u"", View64, 0), ERROR_ACCESS_DENIED);

  HKEY Child{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, At(u"Parent\\Child"), KEY_ALL_ACCESS | View32, Child),
            ERROR_SUCCESS);
  EXPECT_EQ(Layer.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, At(u"Parent\\Child").c_str(), View32, 0),
            ERROR_SUCCESS);
  EXPECT_TRUE(Exists(At(u"Parent\\Child"), true)) << "the 64-bit twin must stay";
  EXPECT_FALSE(Exists(At(u"Parent\\Child"), false));
  EXPECT_EQ(Layer.RegDeleteKeyExW(HKEY_LOCAL_MACHINE, At(u"Parent").c_str(), View32, 0), ERROR_SUCCESS);

  // A handle whose key was deleted answers ERROR_KEY_DELETED and still closes.
  DWORD SubKeys = 0;
  EXPECT_EQ(Layer.RegQueryInfoKeyW(Child, nullptr, nullptr, nullptr, &SubKeys, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_KEY_DELETED);
  char16_t Name[8];
  DWORD Length = 8;
  EXPECT_EQ(Layer.RegEnumKeyExW(Child, 0, Name, &Length, nullptr, nullptr, nullptr, nullptr),
            ERROR_KEY_DELETED);
  HKEY Sub{};
  EXPECT_EQ(Open(Child, u"", KEY_READ, Sub), ERROR_KEY_DELETED);
  EXPECT_EQ(Layer.RegDeleteKeyExW(Child, u"", View32, 0), ERROR_KEY_DELETED);
  EXPECT_EQ(Layer.RegCloseKey(Child), ERROR_SUCCESS);
}

TEST_P(RegistryLayerTest, HandleRightsLimitWhatAHandleMayDo) {
  Seed(At(u"Sub"), true);
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_QUERY_VALUE | View64, Key), ERROR_SUCCESS);
  const std::uint8_t Data[] = {1};
  EXPECT_EQ(Api().RegSetValueExW(Key, u"v", 0, 3, Data, 1), ERROR_ACCESS_DENIED);
  char16_t Name[8];
  DWORD Length = 8;
  EXPECT_EQ(Api().RegEnumKeyExW(Key, 0, Name, &Length, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  DWORD SubKeys = 0;
  EXPECT_EQ(Api().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, &SubKeys, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(SubKeys, 1u);
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, ValuesKeepTypeAndBytes) {
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_ALL_ACCESS | View64, Key), ERROR_SUCCESS);
  const std::uint8_t Data[] = {'a', 'b', 'c', 0, 'd', 'e', 'f', 'g', 'h', 'i'};
  ASSERT_EQ(Api().RegSetValueExW(Key, u"odd", 0, 99, Data, sizeof Data), ERROR_SUCCESS);
  ASSERT_EQ(Api().RegSetValueExW(Key, u"", 0, 3, Data, 3), ERROR_SUCCESS);

  DWORD Type = 0, Size = 0;
  ASSERT_EQ(Api().RegQueryValueExW(Key, u"ODD", nullptr, &Type, nullptr, &Size), ERROR_SUCCESS);
  EXPECT_EQ(Type, 99u);
  EXPECT_EQ(Size, sizeof Data);
  std::uint8_t Small[4];
  Size = sizeof Small;
  EXPECT_EQ(Api().RegQueryValueExW(Key, u"odd", nullptr, &Type, Small, &Size), ERROR_MORE_DATA);
  EXPECT_EQ(Size, sizeof Data);
  std::uint8_t Back[16] = {};
  Size = sizeof Back;
  ASSERT_EQ(Api().RegQueryValueExW(Key, u"odd", nullptr, &Type, Back, &Size), ERROR_SUCCESS);
  EXPECT_EQ(std::vector<std::uint8_t>(Back, Back + Size), std::vector<std::uint8_t>(Data, Data + sizeof Data));

  Size = sizeof Back;
  ASSERT_EQ(Api().RegQueryValueExW(Key, nullptr, nullptr, &Type, Back, &Size), ERROR_SUCCESS);
  EXPECT_EQ(Type, 3u);
  EXPECT_EQ(Size, 3u);

  DWORD Values = 0, MaxName = 0, MaxData = 0;
  ASSERT_EQ(Api().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &Values, &MaxName, &MaxData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(Values, 2u);
  EXPECT_EQ(MaxName, 3u);
  EXPECT_EQ(MaxData, sizeof Data);

  EXPECT_EQ(Api().RegDeleteValueW(Key, u"missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Api().RegDeleteValueW(Key, u"odd"), ERROR_SUCCESS);
  Size = 0;
  EXPECT_EQ(Api().RegQueryValueExW(Key, u"odd", nullptr, &Type, nullptr, &Size), ERROR_FILE_NOT_FOUND);
  Api().RegCloseKey(Key);
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryLayerTest, testing::ValuesIn(AvailableBackends()),
                         BackendName);

}  // namespace
}  // namespace vexa
