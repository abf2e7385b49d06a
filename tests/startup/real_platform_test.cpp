// The three steps against the real platform (Windows, or Wine in the test
// prefix): its environment, version record, architecture, shell and file
// system. What they record is checked against what the C run-time library
// and std::filesystem see of the same platform.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/exception.h"
#include "startup/vexaPlatformFacts.h"
#include "startup/vexaProgramFiles.h"
#include "startup/vexaSharedFolders.h"
#include "tests/startup/startup_fixture.h"

namespace vexa {
namespace {

std::u16string Variable(const wchar_t* Name) {
  const wchar_t* Value = _wgetenv(Name);
  return Value ? std::u16string(reinterpret_cast<const char16_t*>(Value)) : u"";
}

TEST(RealPlatformTest, ProgramFilesAndPlatformFacts) {
  InitializeProgramFiles();
  InitializePlatformFacts();
  EXPECT_EQ(ProgramFilesPath, Variable(L"ProgramFiles"));
  EXPECT_EQ(ProgramW6432Path, Variable(L"ProgramW6432"));
  EXPECT_NE(ProgramFilesPath, u"");
  EXPECT_TRUE(Is64BitWindows);
  EXPECT_EQ(WindowsRelease, 17) << "Windows 10 (the test prefix is set to it)";
  EXPECT_TRUE(IsVistaSP1OrLater);
  EXPECT_FALSE(IsXPServicePack2);
  ShutDownPlatformFacts();
  ShutDownProgramFiles();
}

TEST(RealPlatformTest, SharedFolders) {
  const std::u16string Folder = LookupCommonDataFolder();
  EXPECT_EQ(Folder, Variable(L"ProgramData"));
  ASSERT_NE(Folder, u"");
  const std::filesystem::path Product = std::filesystem::path(Folder) / "Solvane808";
  const bool ThereBefore = std::filesystem::exists(Product);
  InitializeSharedFolders();
  const std::u16string Root = Folder + ProductAndGuid;
  EXPECT_EQ(SharedCommonPath, Root + u"Common\\");
  EXPECT_EQ(SharedConfigPath, Root + u"Config\\");
  EXPECT_EQ(SharedDataPath, Root + u"Data\\");
  EXPECT_EQ(SharedTempPath, Root + u"Temp\\");
  EXPECT_EQ(SharedResourcesPath, Root + u"Resources\\");
  for (const std::u16string& Each : {SharedCommonPath, SharedConfigPath, SharedDataPath, SharedTempPath, SharedResourcesPath}) {
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(Each))) << ToUtf8(Each);
  }
  ShutDownSharedFolders();
  if (!ThereBefore) std::filesystem::remove_all(Product);
}

}  // namespace
}  // namespace vexa
