// The registry layer itself, on both backends: the in-memory registry must
// answer as the real one does for every call the registry classes make.
#include <gtest/gtest.h>

#include <optional>
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

TEST_P(RegistryLayerTest, ACreateFromA64BitProcessInThe32BitViewSkipsALeadingBackslash) {
  struct Case {
    REGSAM View;
    LSTATUS Expected;
  };
  const Case Cases[] = {
      // Only a 64-bit process's request for the other view skips it.
      {View32, ProcessView64 ? ERROR_SUCCESS : ERROR_BAD_PATHNAME},
      {View64, ERROR_BAD_PATHNAME},
      {0, ERROR_BAD_PATHNAME}};
  for (const Case& C : Cases) {
    const std::u16string Path =
        At(u"Created-" + std::u16string(1, static_cast<char16_t>(u'0' + C.View / 0x100)));
    HKEY Key{};
    EXPECT_EQ(Api().RegCreateKeyExW(HKEY_LOCAL_MACHINE, (u"\\" + Path).c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS | C.View, nullptr, &Key, nullptr),
              C.Expected)
        << C.View;
    if (C.Expected == ERROR_SUCCESS) Api().RegCloseKey(Key);
    EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, Path, KEY_READ | View32) == ERROR_SUCCESS,
              C.Expected == ERROR_SUCCESS)
        << C.View;
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

// Every type code, with and without data, odd sizes, strings without their
// terminator. The store keeps the type and the bytes it is given, with one
// exception the real registry makes for strings: one that does not end in a
// NUL character, but has one in the caller's buffer just past its size
// (After), is stored with it. A read with room to spare puts a NUL
// character after string data that does not end in two NUL bytes.
TEST_P(RegistryLayerTest, ValuesAnswerAsTheRealRegistry) {
  struct Case {
    const char16_t* Name;
    DWORD Type;
    Bytes Data, After;
    std::optional<Bytes> Stored;  // when not Data
    bool NulAfter;
  };
  const Bytes Guard = {'x', 'x'};
  const std::vector<Case> Cases = {
      {u"none-empty", REG_NONE, {}, {}, {}, false},
      {u"none", REG_NONE, {1, 2, 3}, {}, {}, false},
      {u"sz-empty", REG_SZ, {}, {}, {}, false},
      {u"sz", REG_SZ, BytesOf({u"ab\0", 3}), {}, {}, false},
      {u"sz-inner-nul", REG_SZ, BytesOf({u"a\0b\0", 4}), {}, {}, false},
      {u"sz-unterminated", REG_SZ, BytesOf(u"ab"), Guard, {}, true},
      {u"sz-nul-past", REG_SZ, BytesOf(u"ab"), {0, 0}, BytesOf({u"ab\0", 3}), false},
      {u"sz-odd", REG_SZ, {'a', 0, 'b'}, Guard, {}, true},
      {u"sz-odd-nul-past", REG_SZ, {'a', 0, 0}, {0, 'z'}, Bytes{'a', 0, 0, 0, 'z'}, true},
      {u"sz-odd-ending-nul", REG_SZ, {'a', 0, 0}, Guard, {}, false},
      {u"sz-one-byte", REG_SZ, {'a'}, Guard, {}, true},
      {u"sz-one-nul-byte", REG_SZ, {0}, {0, 'z'}, Bytes{0, 0, 'z'}, true},
      {u"expand-empty", REG_EXPAND_SZ, {}, {}, {}, false},
      {u"expand", REG_EXPAND_SZ, BytesOf({u"%PATH%\0", 7}), {}, {}, false},
      {u"expand-nul-past", REG_EXPAND_SZ, BytesOf(u"%x%"), {0, 0}, BytesOf({u"%x%\0", 4}), false},
      {u"binary-empty", REG_BINARY, {}, {}, {}, false},
      {u"binary", REG_BINARY, {0, 0xFF, 0, 0x80, 7}, {}, {}, false},
      {u"binary-nul-past", REG_BINARY, BytesOf(u"ab"), {0, 0}, {}, false},
      {u"dword-empty", REG_DWORD, {}, {}, {}, false},
      {u"dword-short", REG_DWORD, {0x34, 0x12}, {}, {}, false},
      {u"dword", REG_DWORD, {7, 0, 0, 0}, {}, {}, false},
      {u"dword-long", REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {}, false},
      {u"big-endian-empty", REG_DWORD_BIG_ENDIAN, {}, {}, {}, false},
      {u"big-endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}, {}, {}, false},
      {u"link-empty", REG_LINK, {}, {}, {}, false},
      {u"link", REG_LINK, BytesOf(u"\\Registry"), {0, 0}, {}, false},
      {u"multi-empty", REG_MULTI_SZ, {}, {}, {}, false},
      {u"multi", REG_MULTI_SZ, BytesOf({u"a\0b\0\0", 5}), {}, {}, false},
      {u"multi-odd", REG_MULTI_SZ, {'a', 0, 0, 0, 0}, Guard, {}, false},
      {u"multi-nul", REG_MULTI_SZ, {0, 0}, {}, {}, false},
      {u"multi-unterminated", REG_MULTI_SZ, BytesOf({u"a\0b", 3}), Guard, {}, true},
      {u"multi-nul-past", REG_MULTI_SZ, BytesOf({u"a\0b", 3}), {0, 0}, BytesOf({u"a\0b\0", 4}),
       false},
      {u"resource-list-empty", REG_RESOURCE_LIST, {}, {}, {}, false},
      {u"resource-list", REG_RESOURCE_LIST, {8}, {}, {}, false},
      {u"full-resource", REG_FULL_RESOURCE_DESCRIPTOR, {}, {}, {}, false},
      {u"requirements-empty", REG_RESOURCE_REQUIREMENTS_LIST, {}, {}, {}, false},
      {u"requirements", REG_RESOURCE_REQUIREMENTS_LIST, {1, 0}, {}, {}, false},
      {u"qword-empty", REG_QWORD, {}, {}, {}, false},
      {u"qword-short", REG_QWORD, {1, 2, 3, 4, 5}, {}, {}, false},
      {u"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {}, false},
      {u"code-12", 12, {1, 2, 3, 4}, {}, {}, false},
      {u"code-99-empty", 99, {}, {}, {}, false},
      {u"code-99", 99, {9}, {}, {}, false},
      {u"code-max", 0xFFFFFFFF, {0xAB}, {}, {}, false},
  };
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_ALL_ACCESS | View64, Key), ERROR_SUCCESS);
  for (const Case& C : Cases) {
    Bytes Buffer = C.Data;
    Buffer.insert(Buffer.end(), C.After.begin(), C.After.end());
    ASSERT_EQ(Api().RegSetValueExW(Key, C.Name, 0, C.Type, Buffer.data(),
                                   static_cast<DWORD>(C.Data.size())),
              ERROR_SUCCESS)
        << ToUtf8(C.Name);
  }
  constexpr std::uint8_t Untouched = 0xCC;
  for (const Case& C : Cases) {
    const std::string Where = ToUtf8(C.Name);
    const Bytes& Stored = C.Stored ? *C.Stored : C.Data;
    const DWORD Size = static_cast<DWORD>(Stored.size());
    std::u16string Upper = C.Name;
    for (char16_t& Ch : Upper) Ch = Ch >= u'a' && Ch <= u'z' ? Ch - 0x20 : Ch;

    // A size query: no buffer; the name in another case.
    DWORD Type = 0, Got = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, Upper.c_str(), nullptr, &Type, nullptr, &Got),
              ERROR_SUCCESS)
        << Where;
    EXPECT_EQ(Type, C.Type) << Where;
    EXPECT_EQ(Got, Size) << Where;

    // Room to spare.
    Bytes Buffer(Size + 4, Untouched);
    Type = 0;
    Got = static_cast<DWORD>(Buffer.size());
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, &Type, Buffer.data(), &Got),
              ERROR_SUCCESS)
        << Where;
    EXPECT_EQ(Type, C.Type) << Where;
    EXPECT_EQ(Got, Size) << Where;
    Bytes Expected = Stored;
    if (C.NulAfter) Expected.insert(Expected.end(), {0, 0});
    Expected.resize(Buffer.size(), Untouched);
    EXPECT_EQ(Buffer, Expected) << Where;

    // Exactly the room needed, and none: no room is enough only for no data.
    Buffer.assign(Size + 4, Untouched);
    Got = Size;
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, nullptr, Buffer.data(), &Got),
              ERROR_SUCCESS)
        << Where;
    Expected.resize(Size);
    EXPECT_EQ(Bytes(Buffer.begin(), Buffer.begin() + Size), Expected) << Where;
    Got = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, nullptr, Buffer.data(), &Got),
              Size == 0 ? ERROR_SUCCESS : ERROR_MORE_DATA)
        << Where;
    EXPECT_EQ(Got, Size) << Where;

    // One byte short: ERROR_MORE_DATA with the size needed, the buffer as it was.
    if (Size == 0) continue;
    Buffer.assign(Size + 4, Untouched);
    Got = Size - 1;
    Type = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, &Type, Buffer.data(), &Got),
              ERROR_MORE_DATA)
        << Where;
    EXPECT_EQ(Got, Size) << Where;
    EXPECT_EQ(Type, C.Type) << Where;
    EXPECT_EQ(Buffer, Bytes(Size + 4, Untouched)) << Where;
  }
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, MissingValuesAndTheDefaultValue) {
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_ALL_ACCESS | View64, Key), ERROR_SUCCESS);
  DWORD Type = 77, Size = 0;
  std::uint8_t Buffer[8] = {};
  for (const char16_t* Name : {u"missing", u"", static_cast<const char16_t*>(nullptr)}) {
    Size = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, Name, nullptr, &Type, nullptr, &Size),
              ERROR_FILE_NOT_FOUND);
    Size = sizeof Buffer;
    EXPECT_EQ(Api().RegQueryValueExW(Key, Name, nullptr, &Type, Buffer, &Size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Api().RegDeleteValueW(Key, Name), ERROR_FILE_NOT_FOUND);
  }
  // The empty name and no name both address the default value.
  const Bytes Data = {5, 6};
  ASSERT_EQ(Api().RegSetValueExW(Key, u"", 0, REG_BINARY, Data.data(), 2), ERROR_SUCCESS);
  Size = sizeof Buffer;
  EXPECT_EQ(Api().RegQueryValueExW(Key, nullptr, nullptr, &Type, Buffer, &Size), ERROR_SUCCESS);
  EXPECT_EQ(Type, REG_BINARY);
  EXPECT_EQ(Size, 2u);
  ASSERT_EQ(Api().RegSetValueExW(Key, u"Name", 0, REG_BINARY, Data.data(), 2), ERROR_SUCCESS);
  EXPECT_EQ(Api().RegDeleteValueW(Key, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(Api().RegQueryValueExW(Key, u"", nullptr, &Type, nullptr, &Size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Api().RegDeleteValueW(Key, u"NAME"), ERROR_SUCCESS)
      << "names compare case-insensitively";
  DWORD Values = 9;
  ASSERT_EQ(Api().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &Values, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(Values, 0u);
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, ValueCallsNeedTheirRightsAndALiveKey) {
  Seed(At(u"Gone"), true);
  SeedValue(FScratch, true, u"v");
  struct Case {
    const char* Name;
    std::u16string Path;
    REGSAM Access;
    LSTATUS Query, Set, Delete;
  };
  const std::vector<Case> Cases = {
      {"query only", FScratch, KEY_QUERY_VALUE, ERROR_SUCCESS, ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED},
      {"set only", FScratch, KEY_SET_VALUE, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_SUCCESS},
      {"deleted key", At(u"Gone"), KEY_ALL_ACCESS, ERROR_KEY_DELETED, ERROR_KEY_DELETED,
       ERROR_KEY_DELETED},
  };
  const Bytes Data = {1, 2, 3, 4};
  for (const Case& C : Cases) {
    HKEY Key{};
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, C.Path, C.Access | View64, Key), ERROR_SUCCESS) << C.Name;
    if (C.Path != FScratch) {
      ASSERT_EQ(Api().RegDeleteKeyExW(HKEY_LOCAL_MACHINE, C.Path.c_str(), View64, 0),
                ERROR_SUCCESS);
    }
    DWORD Type = 0, Size = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, u"v", nullptr, &Type, nullptr, &Size), C.Query) << C.Name;
    EXPECT_EQ(Api().RegSetValueExW(Key, u"v", 0, REG_BINARY, Data.data(), 4), C.Set) << C.Name;
    EXPECT_EQ(Api().RegDeleteValueW(Key, u"v"), C.Delete) << C.Name;
    EXPECT_EQ(Api().RegCloseKey(Key), ERROR_SUCCESS) << C.Name;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryLayerTest, testing::ValuesIn(AvailableBackends()),
                         BackendName);

}  // namespace
}  // namespace vexa
