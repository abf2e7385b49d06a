#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Main.h"
#include "core/exception.h"
#include "registry/registry.h"
#include "tests/app/app_fixture.h"

namespace vexa {

MainWindowTest::MainWindowTest() {
  InitializeRegistryLayer();
  Application.SetMainFormOnTaskBar(true);
  Application.CreateForm(frmMain);
}

MainWindowTest::~MainWindowTest() {
  EXPECT_EQ(Registry.OpenHandleCount(), 0u) << "a registry handle outlived its call";
}

void MainWindowTest::Seed(const std::u16string& Path, bool _64BitView) {
  HKEY Key{};
  ASSERT_EQ(Registry.RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                                     nullptr, &Key, nullptr),
            ERROR_SUCCESS);
  const std::uint8_t Data[] = {'1', 0, 0, 0};  // "1" with its terminator
  ASSERT_EQ(Registry.RegSetValueExW(Key, u"DisplayVersion", 0, 1, Data, sizeof Data), ERROR_SUCCESS);
  Registry.RegCloseKey(Key);
}

bool MainWindowTest::Exists(const std::u16string& Path, bool _64BitView) {
  HKEY Key{};
  if (Registry.RegOpenKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0,
                             KEY_READ | (_64BitView ? KEY_WOW64_64KEY : KEY_WOW64_32KEY),
                             &Key) != ERROR_SUCCESS) {
    return false;
  }
  Registry.RegCloseKey(Key);
  return true;
}

void MainWindowTest::ExpectAfterLaunch(const std::u16string& Text, bool OkEnabled) {
  EXPECT_EQ(Label().Text, Text);
  EXPECT_EQ(Ok().Enabled, OkEnabled);
  EXPECT_FALSE(Launch().Enabled);
  EXPECT_EQ(frmMain->lblMessage.Caption(), Text);
  EXPECT_EQ(frmMain->btnOk.Enabled(), OkEnabled);
  EXPECT_FALSE(frmMain->tmrLaunch.Enabled());
}

std::vector<std::u16string> MainWindowTest::Checked() const {
  std::vector<std::u16string> Keys;
  for (const RegCall& Call : Recorder.Calls()) {
    if (Call.Function == RegFunction::RegOpenKeyExW && Call.Key == HKEY_LOCAL_MACHINE &&
        Call.Access == (KEY_READ | KEY_WOW64_32KEY)) {
      Keys.push_back(Call.SubKey);
    }
  }
  return Keys;
}

std::vector<std::u16string> MainWindowTest::Deleted() const {
  std::vector<std::u16string> Keys;
  for (const RegCall& Call : Recorder.Calls()) {
    const bool Delete = Call.Function == RegFunction::RegDeleteKeyExW ||
                        Call.Function == RegFunction::RegDeleteKeyW;
    if (Delete && Call.Key == HKEY_LOCAL_MACHINE) {
      EXPECT_EQ(Call.Access, KEY_WOW64_32KEY) << "a delete outside the 32-bit view";
      Keys.push_back(Call.SubKey);
    }
  }
  return Keys;
}

namespace {

std::vector<std::u16string> AllKeys() { return {UninstallKeys.begin(), UninstallKeys.end()}; }

std::vector<std::u16string> Keys(std::initializer_list<std::size_t> Indices) {
  std::vector<std::u16string> Picked;
  for (std::size_t Index : Indices) Picked.push_back(UninstallKeys.at(Index));
  return Picked;
}

struct KeyRow {
  const char16_t* Name;
  std::size_t Length;
};

TEST(UninstallKeysTest, HoldsTheTenKeysInTheirOrder) {
  const KeyRow Table[] = {
      {u"{1D4B8E27-3A6F-4C91-B5E0-7F2C94A1D638}_is1", 94},
      {u"{6E2A9D41-8C35-4B7F-A1D6-3B8E05C7F912}", 90},
      {u"InstallShield_{6E2A9D41-8C35-4B7F-A1D6-3B8E05C7F912}", 104},
      {u"{B7F1C3A9-2D64-4E8B-9F03-6A5D1E82C47B}", 90},
      {u"InstallShield_{B7F1C3A9-2D64-4E8B-9F03-6A5D1E82C47B}", 104},
      {u"{4A9E6B12-C7D3-4F58-8E21-D03B7A6C95E4}", 90},
      {u"InstallShield_{E3C85F60-1B9A-4D27-B6F4-82A1C9E03D75}", 104},
      {u"{2B6D0A8F-E541-4C3E-9D72-F9A6B1385C0E}", 90},
      {u"{C59E2F7A-63B8-4A1D-8C45-1E0D7B93A6F2}", 90},
      {u"{8F0A4C3D-9E76-4B52-A3E9-6C2D15F8B0A1}", 90},
  };
  ASSERT_EQ(UninstallKeys.size(), std::size(Table));
  for (std::size_t I = 0; I < UninstallKeys.size(); ++I) {
    SCOPED_TRACE("index " + std::to_string(I));
    EXPECT_EQ(UninstallKeys[I],
              std::u16string(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + Table[I].Name);
    EXPECT_EQ(UninstallKeys[I].size(), Table[I].Length);
  }
}

TEST_F(MainWindowTest, ShowsTheWindowOfItsDesign) {
  EXPECT_EQ(frmMain, Application.MainForm());
  const FormDesign& Design = Window().Design;
  EXPECT_EQ(Design.Caption, u"Uninstall repair tool");
  EXPECT_EQ(Design.ClientWidth, 247);
  EXPECT_EQ(Design.ClientHeight, 103);
  EXPECT_EQ(Design.Font.Name, u"Tahoma");
  EXPECT_EQ(Design.Font.Height, 11);
  EXPECT_TRUE(Design.AppWindow) << "the main window represents the application on the taskbar";

  ASSERT_EQ(Window().Controls.size(), 2u);
  EXPECT_EQ(Label().Kind, MemoryUi::ControlKind::Label);
  EXPECT_EQ(Label().Text, u"Clearing broken uninstall keys...");
  EXPECT_EQ(Label().Font.Name, u"Segoe UI");
  EXPECT_EQ(Label().Font.Height, 13);
  EXPECT_EQ((std::vector<int>{Label().Bounds.Left, Label().Bounds.Top, Label().Bounds.Width,
                              Label().Bounds.Height}),
            (std::vector<int>{23, 28, 201, 17}));

  EXPECT_EQ(Ok().Kind, MemoryUi::ControlKind::Button);
  EXPECT_EQ(Ok().Text, u"OK");
  EXPECT_FALSE(Ok().Enabled);
  EXPECT_TRUE(Ok().HandCursor);
  EXPECT_EQ((std::vector<int>{Ok().Bounds.Left, Ok().Bounds.Top, Ok().Bounds.Width, Ok().Bounds.Height}),
            (std::vector<int>{161, 68, 75, 25}));

  ASSERT_EQ(Window().Timers.size(), 1u);
  EXPECT_EQ(Launch().IntervalMs, 1500u);
  EXPECT_TRUE(Launch().Enabled) << "the timer runs from the window's creation";
  EXPECT_EQ(Recorder.TotalCount(), 0u) << "the registry is not touched before the timer fires";
}

TEST_F(MainWindowTest, WithNoKeyPresentChecksTenAndDeletesNone) {
  FireLaunch();
  EXPECT_EQ(Checked(), AllKeys());
  EXPECT_EQ(Deleted(), std::vector<std::u16string>{});
  ExpectAfterLaunch(u"Repair complete...", true);
}

TEST_F(MainWindowTest, DeletesAllTenWithTheirSubtreesInTableOrder) {
  for (const std::u16string& Key : UninstallKeys) {
    Seed(Key + u"\\Components\\Main\\Files", false);
    Seed(Key + u"\\Features", false);
  }
  FireLaunch();
  EXPECT_EQ(Checked(), AllKeys());
  EXPECT_EQ(Deleted(), AllKeys());
  for (const std::u16string& Key : UninstallKeys) EXPECT_FALSE(Exists(Key, false)) << ToUtf8(Key);
  EXPECT_TRUE(Exists(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", false));
  EXPECT_EQ(Label().Text, u"Repair complete...");
  EXPECT_TRUE(Ok().Enabled);
}

TEST_F(MainWindowTest, LeavesTheKeysOfThe64BitViewAlone) {
  for (const std::u16string& Key : UninstallKeys) Seed(Key + u"\\Sub", true);
  Seed(UninstallKeys[5], false);
  FireLaunch();
  EXPECT_EQ(Deleted(), Keys({5}));
  for (const std::u16string& Key : UninstallKeys) EXPECT_TRUE(Exists(Key + u"\\Sub", true)) << ToUtf8(Key);
}

// Indices 1 and 2 name one product in two shapes, and so do 3 and 4: each
// key is found and deleted on its own, and deleting one leaves its twin for
// its own turn.
class ProductShapesTest : public MainWindowTest,
                          public testing::WithParamInterface<std::vector<std::size_t>> {};

TEST_P(ProductShapesTest, DeletesExactlyTheSeededShapes) {
  std::vector<std::u16string> Seeded;
  for (std::size_t Index : GetParam()) {
    Seed(UninstallKeys.at(Index) + u"\\Sub", false);
    Seeded.push_back(UninstallKeys.at(Index));
  }
  FireLaunch();
  EXPECT_EQ(Checked(), AllKeys());
  EXPECT_EQ(Deleted(), Seeded);
  for (const std::u16string& Key : Seeded) EXPECT_FALSE(Exists(Key, false)) << ToUtf8(Key);
}

INSTANTIATE_TEST_SUITE_P(Twins, ProductShapesTest,
                         testing::Values(std::vector<std::size_t>{1}, std::vector<std::size_t>{2},
                                         std::vector<std::size_t>{1, 2},
                                         std::vector<std::size_t>{3}, std::vector<std::size_t>{4},
                                         std::vector<std::size_t>{3, 4}));

TEST_F(MainWindowTest, AKeyThatCannotBeDeletedDoesNotStopTheLaterOnes) {
  for (const std::u16string& Key : UninstallKeys) Seed(Key, false);
  ASSERT_EQ(Registry.SetKeyRights(HKEY_LOCAL_MACHINE, UninstallKeys[1], KEY_WOW64_32KEY,
                                  KEY_ALL_ACCESS & ~DELETE),
            ERROR_SUCCESS);
  FireLaunch();
  EXPECT_EQ(Deleted(), AllKeys()) << "each found key gets its one delete";
  EXPECT_TRUE(Exists(UninstallKeys[1], false));
  for (std::size_t I = 0; I < UninstallKeys.size(); ++I) {
    if (I != 1) {
      EXPECT_FALSE(Exists(UninstallKeys[I], false)) << "index " << I;
    }
  }
  EXPECT_EQ(Label().Text, u"Repair complete...");
  EXPECT_TRUE(Ok().Enabled);
}

TEST_F(MainWindowTest, AnErrorInsideADeleteStopsThePassAndIsShown) {
  for (const std::u16string& Key : UninstallKeys) Seed(Key, false);
  Recorder.ThrowOnCall(RegFunction::RegDeleteKeyExW, 3);
  FireLaunch();
  EXPECT_EQ(Checked(), Keys({0, 1, 2}));
  EXPECT_EQ(Deleted(), Keys({0, 1, 2}));
  EXPECT_TRUE(Exists(UninstallKeys[2], false));
  for (std::size_t I = 3; I < UninstallKeys.size(); ++I) EXPECT_TRUE(Exists(UninstallKeys[I], false));

  ASSERT_EQ(Ui.Boxes().size(), 1u);
  EXPECT_EQ(Ui.Boxes()[0].Text, u"injected fault in RegDeleteKeyExW.");
  EXPECT_EQ(Ui.Boxes()[0].Caption, u"Uninstallrepair");
  EXPECT_EQ(Ui.Boxes()[0].Owner, MessageBoxOwner::ActiveWindow);
  ExpectAfterLaunch(u"Clearing broken uninstall keys...", false);

  Ui.RequestClose(Window());
  Ui.ProcessMessages();
  EXPECT_TRUE(Ui.QuitArrived()) << "the window can still be closed";
}

TEST_F(MainWindowTest, ThePassRunsOnceHoweverOftenTheTimerIsDue) {
  FireLaunch();
  FireLaunch();
  EXPECT_EQ(Checked().size(), UninstallKeys.size());
}

TEST_F(MainWindowTest, OkEndsTheProgramOnlyAfterThePass) {
  Ui.Click(Ok());
  Ui.ProcessMessages();
  EXPECT_FALSE(Ui.QuitArrived()) << "OK is disabled until the pass has run";
  FireLaunch();
  Ui.Click(Ok());
  Ui.ProcessMessages();
  EXPECT_TRUE(Ui.QuitArrived());
  EXPECT_TRUE(Window().Alive) << "the window stays until the application destroys it";
}

TEST_F(MainWindowTest, TheKeyboardReachesOkOnlyOnceItIsEnabled) {
  using Key = MemoryUi::Key;
  for (const Key Pressed : {Key::Tab, Key::Space, Key::Enter, Key::Escape}) Ui.PressKey(Window(), Pressed);
  Ui.ProcessMessages();
  EXPECT_EQ(Window().Focused, nullptr) << "a disabled OK takes no focus";
  EXPECT_FALSE(Ui.QuitArrived());
  FireLaunch();
  Ui.PressKey(Window(), Key::Escape);
  Ui.PressKey(Window(), Key::Enter);
  Ui.ProcessMessages();
  EXPECT_FALSE(Ui.QuitArrived()) << "neither default nor cancel button";
  Ui.PressKey(Window(), Key::Tab);
  EXPECT_EQ(Window().Focused, &Ok());
  Ui.PressKey(Window(), Key::Tab);
  EXPECT_EQ(Window().Focused, &Ok()) << "the only tab stop";
  Ui.PressKey(Window(), Key::Space);
  Ui.ProcessMessages();
  EXPECT_TRUE(Ui.QuitArrived());
}

TEST_F(MainWindowTest, ClosingBeforeTheTimerTouchesNoKey) {
  Seed(UninstallKeys[0], false);
  Recorder.Clear();
  Ui.RequestClose(Window());
  Ui.PostTimer(Launch());
  Ui.RunMessageLoop();
  EXPECT_TRUE(Ui.QuitArrived());
  EXPECT_EQ(Recorder.TotalCount(), 0u);
  EXPECT_TRUE(Exists(UninstallKeys[0], false));
}

TEST_F(MainWindowTest, AClosingDuringThePassTakesEffectRightAfterIt) {
  Seed(UninstallKeys[9], false);
  // Queued before the pass runs, as input that arrives while it works.
  Ui.Post([this] {
    EXPECT_EQ(Label().Text, u"Repair complete...");
    EXPECT_TRUE(Ok().Enabled);
    Ui.RequestClose(Window());
  });
  FireLaunch();
  EXPECT_TRUE(Ui.QuitArrived());
  EXPECT_EQ(Deleted(), Keys({9}));
}

}  // namespace
}  // namespace vexa
