#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/Program.h"
#include "core/exception.h"
#include "platform/memory/memory_environment.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_shell.h"
#include "platform/memory/memory_ui.h"
#include "platform/recording_registry.h"
#include "platform/system_info.h"
#include "registry/registry.h"
#include "startup/vexaPlatformFacts.h"
#include "startup/vexaProgramFiles.h"
#include "startup/vexaSharedFolders.h"
#include "tests/app/app_fixture.h"

namespace vexa {
namespace {

// What the test modules did, in order; the number of windows at each step.
std::vector<std::string> Log;
MemoryUi* Screen = nullptr;

void Note(const char* What) {
  Log.push_back(std::string(What) + " windows=" + std::to_string(Screen->Forms().size()));
}

void FailInitialization() { throw ERegistryException(u"Initialization refused"); }

const Module First{"First", [] { Note("start First"); }, [] () noexcept { Note("stop First"); }};
const Module Second{"Second", [] { Note("start Second"); }, [] () noexcept { Note("stop Second"); }};
const Module Failing{"Failing", [] { throw ERegistryException(u"Failed to create key X"); },
                     [] () noexcept { Note("stop Failing"); }};
const Module RefusingApplication{"Refusing", [] { SetInitializationHook(FailInitialization); },
                                 [] () noexcept { SetInitializationHook(nullptr); }};

class ProgramTest : public testing::Test {
 protected:
  ProgramTest() {
    Log.clear();
    Screen = &Ui;
  }
  ~ProgramTest() override { Screen = nullptr; }

  // The user's part of a run: wait for the pass, then press OK.
  void PostPassAndOk() {
    Ui.Post([this] {
      Ui.FireTimer(*Ui.Forms().at(0)->Timers.at(0));
      Ui.Click(*Ui.Forms().at(0)->Controls.at(1));
    });
  }

  MemoryRegistry Registry;
  RecordingRegistry Recorder{Registry};
  ScopedRegistryOverride RegistryOverride{Recorder};
  MemoryUi Ui{TestExecutable};
  ScopedUiOverride UiOverride{Ui};
  // A 32-bit process on 64-bit Windows.
  MemoryEnvironment Environment{{u"ProgramFiles", u"C:\\Program Files (x86)"},
                                {u"ProgramW6432", u"C:\\Program Files"}};
  ScopedOverride<EnvironmentApi> EnvironmentOverride{Environment};
  MemoryShell Shell{u"C:\\ProgramData"};
  ScopedOverride<ShellApi> ShellOverride{Shell};
  MemoryFileSystem Files;
  ScopedOverride<FileSystemApi> FilesOverride{Files};
};

const std::u16string SharedRoot = u"C:\\ProgramData\\Solvane808\\{3F2A6C1E-7B94-4D05-A8E3-5C19B07D2E64}\\";

TEST_F(ProgramTest, StartsModulesInOrderBeforeAnyWindowAndStopsThemInReverse) {
  PostPassAndOk();
  const std::vector<Module> Modules = {First, Second};
  EXPECT_EQ(RunApplication(Modules), 0);
  EXPECT_EQ(Log, (std::vector<std::string>{"start First windows=0", "start Second windows=0",
                                           "stop Second windows=1", "stop First windows=1"}));
  ASSERT_EQ(Ui.Forms().size(), 1u);
  EXPECT_TRUE(Ui.Forms()[0]->Shown);
  EXPECT_FALSE(Ui.Forms()[0]->Alive) << "the window is destroyed before the modules stop";
  EXPECT_EQ(frmMain, nullptr);
  EXPECT_TRUE(Ui.Boxes().empty());
}

TEST_F(ProgramTest, AFailingStartUpEndsWithRuntimeError217AndNoWindow) {
  const std::vector<Module> Modules = {First, Failing, Second};
  EXPECT_EQ(RunApplication(Modules), 217);
  EXPECT_EQ(Log, (std::vector<std::string>{"start First windows=0", "stop First windows=0"}));
  EXPECT_TRUE(Ui.Forms().empty());
  ASSERT_EQ(Ui.Boxes().size(), 1u);
  EXPECT_EQ(Ui.Boxes()[0].Caption, u"Error");
  EXPECT_TRUE(std::regex_match(ToUtf8(Ui.Boxes()[0].Text), std::regex("Runtime error 217 at [0-9A-F]{8}")))
      << ToUtf8(Ui.Boxes()[0].Text);
  EXPECT_EQ(Recorder.TotalCount(), 0u);
}

TEST_F(ProgramTest, AnErrorWhileTheApplicationStartsEndsWithExitCode1) {
  const std::vector<Module> Modules = {First, RefusingApplication};
  EXPECT_EQ(RunApplication(Modules), 1);
  EXPECT_TRUE(Ui.Forms().empty());
  EXPECT_EQ(Log, (std::vector<std::string>{"start First windows=0", "stop First windows=0"}));
  ASSERT_EQ(Ui.Boxes().size(), 1u);
  EXPECT_EQ(Ui.Boxes()[0].Caption, u"Application Error");
  EXPECT_EQ(Ui.Boxes()[0].Owner, MessageBoxOwner::Task);
  const std::string Digits = std::to_string(2 * sizeof(void*));
  EXPECT_TRUE(std::regex_match(
      ToUtf8(Ui.Boxes()[0].Text),
      std::regex("Exception ERegistryException in module UninstallRepair\\.exe at [0-9A-F]{" +
                 Digits + "}\\.\r\nInitialization refused\\.\r\n")))
      << ToUtf8(Ui.Boxes()[0].Text);
}

TEST_F(ProgramTest, AnyErrorWhileTheApplicationStartsIsShownAndEndsWithExitCode1) {
  // What the initialisation hook throws, and the box's first line after
  // "Exception ".
  const struct {
    void (*Hook)();
    const char* Shown;
  } Table[] = {
      {[] { throw std::bad_alloc(); }, "Exception in module UninstallRepair\\.exe at [0-9A-F]+\\.\r\nstd::bad_alloc\\.\r\n"},
      {[] { throw 42; }, "Exception in module UninstallRepair\\.exe at [0-9A-F]+\\.\r\n\r\n"},
  };
  for (const auto& Row : Table) {
    const Module Throwing{"Throwing", [] {}, [] () noexcept { SetInitializationHook(nullptr); }};
    SetInitializationHook(Row.Hook);
    EXPECT_EQ(RunApplication({Throwing}), 1) << Row.Shown;
    ASSERT_FALSE(Ui.Boxes().empty());
    EXPECT_EQ(Ui.Boxes().back().Caption, u"Application Error");
    EXPECT_TRUE(std::regex_match(ToUtf8(Ui.Boxes().back().Text), std::regex(std::string("Exception ") + Row.Shown)))
        << ToUtf8(Ui.Boxes().back().Text);
  }
  EXPECT_TRUE(Ui.Forms().empty());
}

TEST_F(ProgramTest, TheProgramsModulesSetUpTheStartUpEnvironmentComAndTheRegistryLayer) {
  std::vector<std::string> Names;
  for (const Module& Each : ProgramModules()) Names.push_back(Each.Name);
  EXPECT_EQ(Names, (std::vector<std::string>{"Forms", "vexaProgramFiles", "vexaPlatformFacts",
                                             "vexaSharedFolders", "vexaRegistryTools"}));

  // A platform without the view-aware delete: the registry layer's start-up
  // and the platform facts must both have seen it.
  FixedSystemInfo Windows2000(OsVersionInfo{5, 0, 2195, VER_PLATFORM_WIN32_NT, u"", 0, 0, 0, VER_NT_WORKSTATION},
                              PROCESSOR_ARCHITECTURE_INTEL);
  ScopedOverride<SystemInfoApi> Facts(Windows2000);
  HKEY Key{};
  ASSERT_EQ(Registry.RegCreateKeyExW(HKEY_LOCAL_MACHINE, UninstallKeys[0].c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &Key, nullptr),
            ERROR_SUCCESS);
  Registry.RegCloseKey(Key);

  // What the window's run sees of the start-up environment.
  int ComDuringRun = -1;
  std::vector<std::u16string> Paths;
  std::vector<int> FactsDuringRun;
  Ui.Post([&] {
    ComDuringRun = Ui.ComInitializations();
    Paths = {ProgramFilesPath, ProgramW6432Path, SharedCommonPath, SharedConfigPath, SharedDataPath,
             SharedTempPath, SharedResourcesPath};
    FactsDuringRun = {Is64BitWindows, WindowsRelease, IsVistaSP1OrLater, IsXPServicePack2};
  });
  PostPassAndOk();
  EXPECT_EQ(RunApplication(ProgramModules()), 0);
  EXPECT_EQ(ComDuringRun, 1) << "COM is initialised for the main thread";
  EXPECT_EQ(Ui.ComInitializations(), 0) << "and uninitialised at shutdown";
  EXPECT_EQ(Paths, (std::vector<std::u16string>{u"C:\\Program Files (x86)", u"C:\\Program Files",
                                                SharedRoot + u"Common\\", SharedRoot + u"Config\\",
                                                SharedRoot + u"Data\\", SharedRoot + u"Temp\\",
                                                SharedRoot + u"Resources\\"}));
  EXPECT_EQ(FactsDuringRun, (std::vector<int>{false, 9, false, false}));
  for (const std::u16string& Folder : {SharedRoot, SharedRoot + u"Resources"}) {
    EXPECT_EQ(Files.GetFileAttributesW(Folder.c_str()), FILE_ATTRIBUTE_DIRECTORY) << ToUtf8(Folder);
  }
  EXPECT_EQ(Recorder.Count(RegFunction::RegDeleteKeyW), 1u);
  EXPECT_EQ(Recorder.Count(RegFunction::RegDeleteKeyExW), 0u);
  for (const std::u16string* Released : {&ProgramFilesPath, &ProgramW6432Path, &SharedCommonPath, &SharedResourcesPath}) {
    EXPECT_EQ(*Released, u"") << "released at shutdown";
  }
  EXPECT_EQ(WindowsRelease, 0);
  InitializeRegistryLayer();  // back to the host's facts for the other tests
}

TEST_F(ProgramTest, ARejectedSharedFolderPathEndsTheStartWithRuntimeError217) {
  Shell.SetCommonAppData(u"Q:\\Shared");  // a drive that is not there
  EXPECT_EQ(RunApplication(ProgramModules()), 217);
  EXPECT_TRUE(Ui.Forms().empty());
  ASSERT_EQ(Ui.Boxes().size(), 1u);
  EXPECT_TRUE(std::regex_match(ToUtf8(Ui.Boxes()[0].Text), std::regex("Runtime error 217 at [0-9A-F]{8}")));
  EXPECT_EQ(ProgramFilesPath, u"") << "the steps that ran are shut down";
  EXPECT_EQ(Ui.ComInitializations(), 0);
  EXPECT_EQ(Recorder.TotalCount(), 0u) << "the pass did not run";
}

TEST(ErrorTextTest, FollowsTheFixedFormats) {
  EXPECT_EQ(RuntimeErrorText(217, 0x0040ABCD), u"Runtime error 217 at 0040ABCD");
  EXPECT_EQ(RuntimeErrorText(217, 0x12345), u"Runtime error 217 at 00012345");
  const std::u16string Module = u"UninstallRepair.exe";
  const std::u16string Address(2 * sizeof(void*) - 3, u'0');
  EXPECT_EQ(ApplicationErrorText(std::make_exception_ptr(ERegistryException(u"Boom")), Module, 0xABC),
            u"Exception ERegistryException in module UninstallRepair.exe at " + Address +
                u"ABC.\r\nBoom.\r\n");
  EXPECT_EQ(ApplicationErrorText(std::make_exception_ptr(Exception(u"Done.")), Module, 0xABC),
            u"Exception Exception in module UninstallRepair.exe at " + Address + u"ABC.\r\nDone.\r\n");
  EXPECT_EQ(ApplicationErrorText(std::make_exception_ptr(Exception(u"")), Module, 0xABC),
            u"Exception Exception in module UninstallRepair.exe at " + Address + u"ABC.\r\n\r\n");
}

}  // namespace
}  // namespace vexa
