// What only the in-memory registry can pose: keys with restricted rights,
// the three platform modes, and its own count of open handles.
#include <gtest/gtest.h>

#include "platform/memory/memory_registry.h"
#include "registry/vexaRegistryTools.h"

namespace vexa {
namespace {

class MemoryRegistryTest : public testing::Test {
 protected:
  void Seed(MemoryRegistry& Registry, const std::u16string& Path, REGSAM View) {
    HKEY Key{};
    ASSERT_EQ(Registry.RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, nullptr, 0,
                                       KEY_ALL_ACCESS | View, nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    Registry.RegCloseKey(Key);
  }
  LSTATUS OpenAndClose(MemoryRegistry& Registry, const std::u16string& Path, REGSAM Access) {
    HKEY Key{};
    const LSTATUS Code = Registry.RegOpenKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, Access, &Key);
    if (Code == ERROR_SUCCESS) Registry.RegCloseKey(Key);
    return Code;
  }
};

TEST_F(MemoryRegistryTest, KeyRightsRefuseWhatTheyDoNotGrant) {
  MemoryRegistry Registry(MemoryRegistry::Mode::Windows64);
  Seed(Registry, u"SOFTWARE\\Locked\\Sub", KEY_WOW64_64KEY);
  ASSERT_EQ(Registry.SetKeyRights(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Locked", 0, KEY_QUERY_VALUE),
            ERROR_SUCCESS);
  EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Locked", KEY_READ), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Locked", 0x20009), ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Locked", KEY_QUERY_VALUE), ERROR_SUCCESS);
  EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Locked\\Sub", KEY_ALL_ACCESS), ERROR_SUCCESS);
  HKEY Key{};
  EXPECT_EQ(Registry.RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Locked\\New", 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, &Key, nullptr),
            ERROR_ACCESS_DENIED);
  ASSERT_EQ(Registry.RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Locked\\Sub"), ERROR_SUCCESS);
  EXPECT_EQ(Registry.RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Locked"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Registry.OpenHandleCount(), 0u);
}

TEST_F(MemoryRegistryTest, DeleteKeyLeavesTheSubtreeOfAKeyThatRefusesDeletion) {
  MemoryRegistry Registry;
  ScopedRegistryOverride Layer(Registry);
  for (const char16_t* Path : {u"SOFTWARE\\T\\A", u"SOFTWARE\\T\\Kept\\Inner", u"SOFTWARE\\T\\Z"}) {
    Seed(Registry, Path, KEY_WOW64_32KEY);
  }
  ASSERT_EQ(Registry.SetKeyRights(HKEY_LOCAL_MACHINE, u"SOFTWARE\\T\\Kept", KEY_WOW64_32KEY,
                                  KEY_ALL_ACCESS & ~DELETE),
            ERROR_SUCCESS);
  EXPECT_FALSE(TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\T", false));
  // Kept does not open with full access, so nothing below it is reached either.
  EXPECT_TRUE(TvexaRegistry::KeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\T\\Kept\\Inner", false));
  for (const char16_t* Gone : {u"SOFTWARE\\T\\A", u"SOFTWARE\\T\\Z"}) {
    EXPECT_FALSE(TvexaRegistry::KeyExists(HKEY_LOCAL_MACHINE, Gone, false)) << ToUtf8(Gone);
  }
  EXPECT_EQ(Registry.OpenHandleCount(), 0u);
}

TEST_F(MemoryRegistryTest, ModesChooseTheViewOfARequestWithoutViewBits) {
  struct Case {
    MemoryRegistry::Mode Mode;
    REGSAM View;
    bool SeesThe32BitKey;
  };
  const Case Cases[] = {
      {MemoryRegistry::Mode::Windows64, 0, false},
      {MemoryRegistry::Mode::Windows64, KEY_WOW64_32KEY, true},
      {MemoryRegistry::Mode::Wow64, 0, true},
      {MemoryRegistry::Mode::Wow64, KEY_WOW64_64KEY, false},
  };
  for (const Case& C : Cases) {
    MemoryRegistry Registry(C.Mode);
    Seed(Registry, u"SOFTWARE\\Only32", KEY_WOW64_32KEY);
    EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Only32", KEY_READ | C.View) == ERROR_SUCCESS,
              C.SeesThe32BitKey)
        << static_cast<int>(C.Mode) << " view " << C.View;
  }
}

TEST_F(MemoryRegistryTest, ThirtyTwoBitWindowsHasASingleView) {
  MemoryRegistry Registry(MemoryRegistry::Mode::Windows32);
  Seed(Registry, u"SOFTWARE\\Key", KEY_WOW64_32KEY);
  EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Key", KEY_READ | KEY_WOW64_64KEY), ERROR_SUCCESS);
  EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Key", KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(OpenAndClose(Registry, u"SOFTWARE\\Wow6432Node", KEY_READ), ERROR_FILE_NOT_FOUND);
}

TEST_F(MemoryRegistryTest, CountsOpenHandles) {
  MemoryRegistry Registry;
  HKEY First{}, Second{};
  ASSERT_EQ(Registry.RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &First), ERROR_SUCCESS);
  ASSERT_EQ(Registry.RegOpenKeyExW(First, u"", 0, KEY_READ, &Second), ERROR_SUCCESS);
  EXPECT_NE(First, Second) << "the empty path of an opened key gives a new handle";
  EXPECT_EQ(Registry.OpenHandleCount(), 2u);
  Registry.RegCloseKey(First);
  Registry.RegCloseKey(Second);
  EXPECT_EQ(Registry.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace vexa
