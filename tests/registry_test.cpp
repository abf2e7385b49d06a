// TRegistry and TvexaRegistry on both backends.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "registry/vexaRegistryTools.h"
#include "tests/registry_fixture.h"

namespace vexa {
namespace {

constexpr bool View64 = true;
constexpr bool View32 = false;

TEST(TvexaRegistryConstruction, ConstructorsSetAccessAndStartFromTheDefaults) {
  struct Case {
    const char* Name;
    std::function<TvexaRegistry*()> Make;
    std::uint32_t Access;
  };
  const std::vector<Case> Cases = {
      {"mask and 64-bit view", [] { return new TvexaRegistry(KEY_READ, true); }, 0x20119},
      {"mask and 32-bit view", [] { return new TvexaRegistry(KEY_READ, false); }, 0x20219},
      {"mask constant alone", [] { return new TvexaRegistry(KEY_READ); }, 0x20019},
      {"integer literal mask", [] { return new TvexaRegistry(0x20019); }, 0x20019},
      {"view flag true", [] { return new TvexaRegistry(true); }, 0xF013F},
      {"view flag false", [] { return new TvexaRegistry(false); }, 0xF023F},
  };
  for (const Case& C : Cases) {
    std::unique_ptr<TvexaRegistry> Registry(C.Make());
    EXPECT_EQ(Registry->Access(), C.Access) << C.Name;
    EXPECT_EQ(Registry->RootKey(), HKEY_CURRENT_USER) << C.Name;
    EXPECT_EQ(Registry->CurrentKey(), HKEY{}) << C.Name;
    EXPECT_TRUE(Registry->CurrentPath().empty()) << C.Name;
    EXPECT_TRUE(Registry->LazyWrite()) << C.Name;
    EXPECT_FALSE(Registry->CloseRootKey()) << C.Name;
    EXPECT_EQ(Registry->LastError(), ERROR_SUCCESS) << C.Name;
  }
}

TEST(ViewAwareDelete, FollowsThePlatformVersion) {
  struct Case {
    DWORD Major, Minor;
    std::uint16_t ServicePack, Architecture;
    bool Expected;
  };
  const Case Cases[] = {
      {4, 0, 6, PROCESSOR_ARCHITECTURE_INTEL, false},  {5, 0, 4, PROCESSOR_ARCHITECTURE_INTEL, false},
      {5, 1, 3, PROCESSOR_ARCHITECTURE_INTEL, false},  {5, 1, 0, PROCESSOR_ARCHITECTURE_AMD64, false},
      {5, 2, 0, PROCESSOR_ARCHITECTURE_INTEL, false},  {5, 2, 0, PROCESSOR_ARCHITECTURE_IA64, false},
      {5, 2, 0, PROCESSOR_ARCHITECTURE_AMD64, true},   {5, 2, 1, PROCESSOR_ARCHITECTURE_INTEL, true},
      {5, 3, 0, PROCESSOR_ARCHITECTURE_INTEL, true},   {6, 0, 0, PROCESSOR_ARCHITECTURE_INTEL, true},
      {10, 0, 0, PROCESSOR_ARCHITECTURE_ARM64, true},
  };
  for (const Case& C : Cases) {
    OsVersionInfo Version;
    Version.MajorVersion = C.Major;
    Version.MinorVersion = C.Minor;
    Version.ServicePackMajor = C.ServicePack;
    EXPECT_EQ(HasViewAwareDelete(Version, C.Architecture), C.Expected)
        << C.Major << "." << C.Minor << " SP" << C.ServicePack << " arch " << C.Architecture;
  }
}

class TvexaRegistryTest : public RegistryTest {};

TEST_P(TvexaRegistryTest, KeyExistsLooksOnlyAtTheRequestedView) {
  Seed(At(u"Both"), View64);
  Seed(At(u"Both"), View32);
  Seed(At(u"Only64"), View64);
  Seed(At(u"Only32"), View32);
  struct Case {
    std::u16string Path;
    bool _64BitView, Expected;
  };
  const std::vector<Case> Cases = {
      {At(u"Both"), View32, true},     {At(u"Both"), View64, true},
      {At(u"Only64"), View32, false},  {At(u"Only64"), View64, true},
      {At(u"Only32"), View32, true},   {At(u"Only32"), View64, false},
      {At(u"Missing"), View32, false}, {u"\\" + At(u"Only32"), View32, true},
      {u"\\" + At(u"Only64"), View32, false},
  };
  for (const Case& C : Cases) {
    Recorder().Clear();
    EXPECT_EQ(TvexaRegistry::KeyExists(HKEY_LOCAL_MACHINE, C.Path, C._64BitView), C.Expected)
        << ToUtf8(C.Path) << (C._64BitView ? " 64" : " 32");
    const auto Opens = CallsOf(RegFunction::RegOpenKeyExW);
    ASSERT_FALSE(Opens.empty());
    EXPECT_EQ(Opens.front().Access, KEY_READ | ViewBit(C._64BitView));
    EXPECT_EQ(Opens.front().SubKey, C.Path[0] == u'\\' ? C.Path.substr(1) : C.Path);
    EXPECT_TRUE(UnclosedHandles().empty());
  }
}

TEST_P(TvexaRegistryTest, KeyExistsReportsTrueWhenTheCheckRaises) {
  Recorder().ThrowOnCall(RegFunction::RegOpenKeyExW, 1);
  EXPECT_TRUE(TvexaRegistry::KeyExists(HKEY_LOCAL_MACHINE, At(u"Missing"), View32));
  ASSERT_EQ(CallsOf(RegFunction::RegOpenKeyExW).size(), 1u);
}

TEST_P(TvexaRegistryTest, OpenKeyReadOnlyOfAMissingKeyChangesNothing) {
  TvexaRegistry Registry(KEY_READ, View32);
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(Registry.OpenKeyReadOnly(FScratch));
  const HKEY Current = Registry.CurrentKey();
  Recorder().Clear();
  EXPECT_FALSE(Registry.OpenKeyReadOnly(u"Missing"));
  EXPECT_EQ(Registry.Access(), KEY_READ | KEY_WOW64_32KEY);
  EXPECT_EQ(Registry.CurrentKey(), Current);
  EXPECT_EQ(Registry.CurrentPath(), FScratch);
  EXPECT_EQ(Registry.LastError(), ERROR_FILE_NOT_FOUND);
  std::vector<REGSAM> Masks;
  for (const RegCall& Call : CallsOf(RegFunction::RegOpenKeyExW)) Masks.push_back(Call.Access);
  EXPECT_EQ(Masks, (std::vector<REGSAM>{0x20219, 0x20209, 0x201}));
}

TEST_P(TvexaRegistryTest, OpenKeyReadOnlyFallsBackToTheMaskThatWorks) {
  if (!Memory()) GTEST_SKIP() << "the real registry here cannot restrict a key's rights";
  Seed(At(u"QueryOnly"), View32);
  ASSERT_EQ(Memory()->SetKeyRights(HKEY_LOCAL_MACHINE, At(u"QueryOnly"), KEY_WOW64_32KEY,
                                   KEY_QUERY_VALUE),
            ERROR_SUCCESS);
  TvexaRegistry Registry(KEY_READ, View32);
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(Registry.OpenKeyReadOnly(At(u"QueryOnly")));
  EXPECT_EQ(Registry.Access(), KEY_WOW64_32KEY | KEY_QUERY_VALUE);
  EXPECT_EQ(Registry.CurrentPath(), At(u"QueryOnly"));
  EXPECT_EQ(Registry.LastError(), ERROR_SUCCESS);
  std::vector<std::pair<REGSAM, LSTATUS>> Attempts;
  for (const RegCall& Call : CallsOf(RegFunction::RegOpenKeyExW)) {
    Attempts.emplace_back(Call.Access, Call.Result);
  }
  EXPECT_EQ(Attempts, (std::vector<std::pair<REGSAM, LSTATUS>>{
                          {0x20219, ERROR_ACCESS_DENIED},
                          {0x20209, ERROR_ACCESS_DENIED},
                          {0x201, ERROR_SUCCESS}}));
  Registry.CloseKey();
  Memory()->SetKeyRights(HKEY_LOCAL_MACHINE, At(u"QueryOnly"), KEY_WOW64_32KEY, KEY_ALL_ACCESS);
}

TEST_P(TvexaRegistryTest, DeleteKeyRemovesTheWholeSubtreeInItsViewOnly) {
  for (const char16_t* Path : {u"Tree\\A\\A1\\A11", u"Tree\\A\\A2", u"Tree\\B", u"Tree\\C\\C1"}) {
    Seed(At(Path), View32);
    Seed(At(Path), View64);
  }
  SeedValue(At(u"Tree\\A\\A1"), View32, u"Data");
  Seed(At(u"TreeSibling"), View32);
  for (const bool View : {View32, View64}) {
    Recorder().Clear();
    EXPECT_TRUE(TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, At(u"Tree"), View));
    EXPECT_FALSE(Exists(At(u"Tree"), View));
    EXPECT_EQ(Exists(At(u"Tree\\A\\A1\\A11"), !View), View == View32) << "the other view is untouched";
    EXPECT_TRUE(UnclosedHandles().empty());
    // The view bit of the object reaches every request, at every depth.
    const REGSAM Bit = ViewBit(View);
    const auto Opens = CallsOf(RegFunction::RegOpenKeyExW);
    const auto Deletes = CallsOf(RegFunction::RegDeleteKeyExW);
    EXPECT_EQ(Opens.size(), 8u);
    EXPECT_EQ(Deletes.size(), 8u);
    for (const RegCall& Call : Opens) EXPECT_EQ(Call.Access, KEY_ALL_ACCESS | Bit);
    for (const RegCall& Call : Deletes) EXPECT_EQ(Call.Access, Bit);
    EXPECT_TRUE(CallsOf(RegFunction::RegDeleteKeyW).empty());
    // The key itself is opened as named; every subkey as a link, never
    // through one, and deleted through the handle so opened.
    EXPECT_EQ(Opens.front().Options, 0u);
    std::vector<std::u16string> TopLevel;
    for (std::size_t I = 1; I < Opens.size(); ++I) {
      EXPECT_EQ(Opens[I].Options, REG_OPTION_OPEN_LINK) << ToUtf8(Opens[I].SubKey);
      if (Opens[I].Key == Opens.front().Opened) TopLevel.push_back(Opens[I].SubKey);
    }
    for (std::size_t I = 0; I + 1 < Deletes.size(); ++I) EXPECT_EQ(Deletes[I].SubKey, u"");
    // Last index first: Tree's subkeys go C, B, A.
    EXPECT_EQ(TopLevel, (std::vector<std::u16string>{u"C", u"B", u"A"}));
    EXPECT_EQ(Deletes.back().Key, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(Deletes.back().SubKey, At(u"Tree"));
  }
  EXPECT_TRUE(Exists(At(u"TreeSibling"), View32));
}

TEST_P(TvexaRegistryTest, DeleteKeyOfAMissingKeyFails) {
  EXPECT_FALSE(TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, At(u"Missing"), View32));
  EXPECT_EQ(CallsOf(RegFunction::RegDeleteKeyExW).size(), 1u);
  EXPECT_EQ(CallsOf(RegFunction::RegDeleteKeyExW).front().Result, ERROR_FILE_NOT_FOUND);
}

TEST_P(TvexaRegistryTest, DeleteKeyGoesOnPastASubkeyThatStays) {
  for (const char16_t* Path : {u"Tree\\A", u"Tree\\Stuck\\Inner", u"Tree\\Z"}) Seed(At(Path), View32);
  // The second delete (of Stuck, after Inner) is refused, as a protected key would be.
  Recorder().FailCall(RegFunction::RegDeleteKeyExW, 3, ERROR_ACCESS_DENIED);
  TvexaRegistry Registry(false);
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(Registry.DeleteKey(At(u"Tree")));
  EXPECT_EQ(Registry.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Exists(At(u"Tree\\Stuck"), View32));
  EXPECT_FALSE(Exists(At(u"Tree\\Stuck\\Inner"), View32));
  EXPECT_FALSE(Exists(At(u"Tree\\A"), View32));
  EXPECT_FALSE(Exists(At(u"Tree\\Z"), View32));
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(TvexaRegistryTest, DeleteKeyOfAPathThatNamesNoKeyDeletesNothing) {
  Seed(At(u"Keep"), View32);
  for (const std::u16string Path : {u"", u"\\", u"\\\\", u"\\\\\\"}) {
    for (const bool View : {View32, View64}) {
      Recorder().Clear();
      EXPECT_FALSE(TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, Path, View)) << Path.size();
      // The object's own operation, with no key open and with one open
      // (an absolute path then still names the root).
      TvexaRegistry Registry(View);
      Registry.SetRootKey(HKEY_LOCAL_MACHINE);
      EXPECT_FALSE(Registry.DeleteKey(Path)) << Path.size();
      ASSERT_TRUE(Registry.OpenKey(FScratch, false));
      Recorder().Clear();
      if (!Path.empty()) {
        EXPECT_FALSE(Registry.DeleteKey(Path)) << Path.size();
      }
      EXPECT_TRUE(Recorder().Calls().empty()) << "no call may reach the layer";
    }
  }
  EXPECT_TRUE(Exists(At(u"Keep"), View32));
}

TEST_P(TvexaRegistryTest, DeleteKeyOfTheEmptyPathFromAnOpenKeyDeletesThatKey) {
  Seed(At(u"Open\\Sub"), View32);
  TvexaRegistry Registry(false);
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(Registry.OpenKey(At(u"Open"), false));
  EXPECT_TRUE(Registry.DeleteKey(u""));
  EXPECT_FALSE(Exists(At(u"Open"), View32));
  EXPECT_TRUE(Exists(FScratch, View32));
}

TEST_P(TvexaRegistryTest, DeleteKeyDeletesALinkInsideTheTreeButNeverItsTarget) {
  Seed(At(u"Outside\\Child\\Grandchild"), View64);
  SeedValue(At(u"Outside\\Child"), View64, u"Data");
  Seed(At(u"Tree\\Plain"), View64);
  SeedLink(At(u"Tree\\Link"), At(u"Outside"));
  ASSERT_TRUE(Exists(At(u"Tree\\Link\\Child\\Grandchild"), View64)) << "the link leads outside";
  EXPECT_TRUE(TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, At(u"Tree"), View64));
  EXPECT_FALSE(Exists(At(u"Tree"), View64));
  EXPECT_TRUE(Exists(At(u"Outside\\Child\\Grandchild"), View64)) << "the link's target stays";
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(TvexaRegistryTest, DeleteKeyLeavesASubkeyThatNoWin32PathCanName) {
  // A NUL first would name the parent itself; one inside would name A.
  const std::vector<std::u16string> Names = {std::u16string(u"\0x", 2), std::u16string(u"A\0b", 3)};
  Seed(At(u"Tree\\A\\Deep"), View32);
  Seed(At(u"Tree\\Z"), View32);
  for (const std::u16string& Name : Names) SeedNativeSubKey(At(u"Tree"), View32, Name);
  for (const std::u16string& Name : Names) SeedNativeSubKey(At(u"Tree\\A"), View32, Name);
  EXPECT_FALSE(TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, At(u"Tree"), View32));
  // What can be named goes; the rest stays, and so do its parents.
  EXPECT_TRUE(Exists(At(u"Tree\\A"), View32));
  EXPECT_FALSE(Exists(At(u"Tree\\A\\Deep"), View32));
  EXPECT_FALSE(Exists(At(u"Tree\\Z"), View32));
  EXPECT_TRUE(UnclosedHandles().empty());
  for (const std::u16string& Name : Names) RemoveNativeSubKey(At(u"Tree\\A"), View32, Name);
  for (const std::u16string& Name : Names) RemoveNativeSubKey(At(u"Tree"), View32, Name);
}

TEST_P(TvexaRegistryTest, DeleteKeyUsesThePlainDeleteWherePlatformLacksTheViewAwareOne) {
  OsVersionInfo Xp;
  Xp.MajorVersion = 5;
  Xp.MinorVersion = 1;
  Xp.ServicePackMajor = 3;
  FixedSystemInfo OldPlatform(Xp, PROCESSOR_ARCHITECTURE_INTEL);
  {
    ScopedOverride<SystemInfoApi> Facts(OldPlatform);
    InitializeRegistryLayer();
  }
  // The plain delete works in the process's own view, whatever the flag.
  Seed(At(u"Plain\\Sub"), ProcessView64);
  const bool Deleted = TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, At(u"Plain"), ProcessView64);
  InitializeRegistryLayer();
  ASSERT_TRUE(UsesViewAwareDelete());
  EXPECT_TRUE(Deleted);
  EXPECT_EQ(CallsOf(RegFunction::RegDeleteKeyW).size(), 2u);
  EXPECT_TRUE(CallsOf(RegFunction::RegDeleteKeyExW).empty());
}

TEST_P(TvexaRegistryTest, CreateKeyCreatesOnlyWhatIsMissing) {
  Seed(At(u"There"), View32);
  EXPECT_TRUE(TvexaRegistry::CreateKey(HKEY_LOCAL_MACHINE, At(u"There"), View32));
  EXPECT_TRUE(CallsOf(RegFunction::RegCreateKeyExW).empty());

  EXPECT_TRUE(TvexaRegistry::CreateKey(HKEY_LOCAL_MACHINE, u"\\" + At(u"New\\Deep"), View32));
  EXPECT_TRUE(Exists(At(u"New\\Deep"), View32));
  EXPECT_FALSE(Exists(At(u"New"), View64));
  const auto Creates = CallsOf(RegFunction::RegCreateKeyExW);
  ASSERT_EQ(Creates.size(), 1u);
  EXPECT_EQ(Creates[0].Access, KEY_ALL_ACCESS | KEY_WOW64_32KEY);
  EXPECT_EQ(Creates[0].SubKey, At(u"New\\Deep"));
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(TvexaRegistryTest, CreateKeyPassesAFailedCreationOn) {
  Recorder().FailCall(RegFunction::RegCreateKeyExW, 1, ERROR_ACCESS_DENIED);
  const std::u16string Key = u"\\" + At(u"Refused");
  try {
    TvexaRegistry::CreateKey(HKEY_LOCAL_MACHINE, Key, View32);
    FAIL() << "no exception";
  } catch (const ERegistryException& Error) {
    EXPECT_EQ(Error.Message(), u"Failed to create key " + Key);
    EXPECT_STREQ(Error.ClassName(), "ERegistryException");
  }
  EXPECT_FALSE(Exists(At(u"Refused"), View32));
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(TvexaRegistryTest, CheckAccessOpensWithFullAccessAndNeverCreates) {
  Seed(At(u"Open"), View64);
  EXPECT_TRUE(TvexaRegistry::CheckAccess(HKEY_LOCAL_MACHINE, At(u"Open"), View64));
  EXPECT_TRUE(TvexaRegistry::CheckAccess(HKEY_LOCAL_MACHINE, u"\\" + At(u"Open"), View64));
  EXPECT_FALSE(TvexaRegistry::CheckAccess(HKEY_LOCAL_MACHINE, At(u"Open"), View32));
  EXPECT_FALSE(TvexaRegistry::CheckAccess(HKEY_LOCAL_MACHINE, At(u"Missing"), View64));
  EXPECT_FALSE(Exists(At(u"Missing"), View64));
  for (const RegCall& Call : CallsOf(RegFunction::RegOpenKeyExW)) {
    EXPECT_EQ(Call.Access & ~KEY_WOW64_RES, KEY_ALL_ACCESS);
  }
  EXPECT_TRUE(CallsOf(RegFunction::RegCreateKeyExW).empty());
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(TvexaRegistryTest, RootKeyAssignmentClosesTheCurrentKeyOnlyWhenItChanges) {
  TvexaRegistry Registry(false);
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(Registry.OpenKey(FScratch, false));
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_NE(Registry.CurrentKey(), HKEY{});
  EXPECT_TRUE(CallsOf(RegFunction::RegCloseKey).empty());
  Registry.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_EQ(Registry.CurrentKey(), HKEY{});
  EXPECT_TRUE(Registry.CurrentPath().empty());
  EXPECT_EQ(CallsOf(RegFunction::RegCloseKey).size(), 1u);
}

TEST_P(TvexaRegistryTest, CurrentPathFollowsRelativeAndAbsoluteOpens) {
  Seed(At(u"A\\B\\C"), View32);
  TvexaRegistry Registry(false);
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(Registry.OpenKey(u"\\" + At(u"A"), false));
  EXPECT_EQ(Registry.CurrentPath(), At(u"A"));
  ASSERT_TRUE(Registry.OpenKey(u"B", false));
  EXPECT_EQ(Registry.CurrentPath(), At(u"A\\B"));
  ASSERT_TRUE(Registry.OpenKeyReadOnly(u"C"));
  EXPECT_EQ(Registry.CurrentPath(), At(u"A\\B\\C"));
  ASSERT_TRUE(Registry.OpenKey(u"\\" + At(u"A"), false));
  EXPECT_EQ(Registry.CurrentPath(), At(u"A"));
  EXPECT_FALSE(Registry.OpenKey(u"Missing", false));
  EXPECT_EQ(Registry.LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Registry.CurrentPath(), At(u"A"));
  // Each open closed the key it replaced.
  EXPECT_EQ(CallsOf(RegFunction::RegCloseKey).size(), 3u);
}

TEST_P(TvexaRegistryTest, BaseKeyOperationsKeepTheViewBits) {
  Seed(At(u"Only32"), View32);
  TvexaRegistry Registry(KEY_ALL_ACCESS, View32);
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(Registry.KeyExists(At(u"Only32")));
  EXPECT_EQ(Registry.Access(), KEY_ALL_ACCESS | KEY_WOW64_32KEY);
  EXPECT_EQ(CallsOf(RegFunction::RegOpenKeyExW).back().Access, 0x20209u);

  TRegistry Plain(KEY_READ);
  Plain.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(Plain.KeyExists(At(u"Only32")), !ProcessView64) << "no view bit: the process's own view";
  EXPECT_EQ(CallsOf(RegFunction::RegOpenKeyExW).back().Access, 0x20009u);

  ASSERT_TRUE(Registry.OpenKey(At(u"Made\\Here"), true));
  EXPECT_TRUE(Exists(At(u"Made\\Here"), View32));
  TRegKeyInfo Info;
  ASSERT_TRUE(Registry.OpenKey(u"\\" + FScratch, false));
  ASSERT_TRUE(Registry.GetKeyInfo(Info));
  EXPECT_EQ(Info.NumSubKeys, 2);
  EXPECT_EQ(Info.MaxSubKeyLen, 6);
}

INSTANTIATE_TEST_SUITE_P(Backends, TvexaRegistryTest, testing::ValuesIn(AvailableBackends()),
                         BackendName);

}  // namespace
}  // namespace vexa
