// The shared data folders step with a posed machine-wide folder, on both
// file systems where the case can be posed on both, else in memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/exception.h"
#include "startup/vexaSharedFolders.h"
#include "tests/startup/startup_fixture.h"

namespace vexa {
namespace {

using SharedFoldersTest = StartUpTest;
using SharedFoldersInMemoryTest = StartUpTest;

const std::vector<std::u16string> NoValues(5);

TEST_P(SharedFoldersTest, MakesTheTreeOutermostFirstWithEveryMissingParent) {
  const std::u16string Folder = At(u"{S}\\Missing\\Shared");
  Shell.SetCommonAppData(Folder);
  EXPECT_FALSE(StepRaises());
  std::vector<std::u16string> Expected = {At(u"{S}\\Missing"), Folder, Folder + u"\\Solvane808"};
  for (const std::u16string& Each : Tree(Folder)) Expected.push_back(Each);
  EXPECT_EQ(Files->Made, Expected);
  EXPECT_EQ(Published(), ValuesFor(Folder));
}

TEST_P(SharedFoldersTest, MakesNothingWhenTheTreeExists) {
  Shell.SetCommonAppData(At(u"{S}"));
  ASSERT_FALSE(StepRaises());
  ShutDownSharedFolders();
  EXPECT_EQ(Published(), NoValues) << "released at shutdown";
  Files->Made.clear();
  EXPECT_FALSE(StepRaises());
  EXPECT_TRUE(Files->Made.empty());
  EXPECT_EQ(Published(), ValuesFor(At(u"{S}")));
}

// The values keep the form the shell gave; the folders are made where its
// absolute form points.
TEST_P(SharedFoldersTest, MachineWideFolderForms) {
  struct Case {
    std::u16string Folder;
    std::u16string MadeAt;
  };
  const std::vector<Case> Cases = {
      {u"{S}\\A", u"{S}\\A"},
      {u"{S}\\B\\", u"{S}\\B"},
      {u"C", u"{S}\\C"},
      {u"{D}D", u"{S}\\D"},
      {u"{R}\\E", u"{S}\\E"},
      {u".\\Other\\..\\F", u"{S}\\F"},
      {u"{S}\\\\G", u"{S}\\G"},
      {u"{S}/H", u"{S}\\H"},
      {u"{S}\\I.", u"{S}\\I"},
      {u"\\\\?\\{S}\\J", u"{S}\\J"},
      {u"\\\\?\\{S}\\K\\", u"{S}\\K"},
  };
  for (const Case& C : Cases) {
    Shell.SetCommonAppData(At(C.Folder));
    EXPECT_FALSE(StepRaises()) << ToUtf8(At(C.Folder));
    EXPECT_EQ(Published(), ValuesFor(At(C.Folder)));
    for (const std::u16string& Folder : Tree(At(C.MadeAt))) EXPECT_TRUE(IsFolder(Folder)) << ToUtf8(Folder);
    ShutDownSharedFolders();
  }
}

// The level itself is made without its blank; the levels below keep it in
// their parent's name, which is then not there: no tree, and no error.
TEST_P(SharedFoldersTest, ATrailingBlankLeavesTheTreeOut) {
  Shell.SetCommonAppData(At(u"{S}\\Blank "));
  EXPECT_FALSE(StepRaises());
  EXPECT_EQ(Published(), ValuesFor(At(u"{S}\\Blank ")));
  EXPECT_EQ(Files->Made, std::vector<std::u16string>{At(u"{S}\\Blank ")});
  EXPECT_TRUE(IsFolder(At(u"{S}\\Blank")));
}

TEST_P(SharedFoldersTest, AFileInTheWayOfTheProductFolderLeavesTheTreeOut) {
  ASSERT_TRUE(Files->CreateDirectoryW(At(u"{S}\\Shared").c_str(), nullptr));
  MakeFile(At(u"{S}\\Shared\\Solvane808"));
  Files->Made.clear();
  Shell.SetCommonAppData(At(u"{S}\\Shared"));
  EXPECT_FALSE(StepRaises());
  EXPECT_EQ(Published(), ValuesFor(At(u"{S}\\Shared")));
  EXPECT_TRUE(Files->Made.empty());
}

TEST_P(SharedFoldersTest, AFileInTheWayOfASubFolderLeavesOnlyThatOut) {
  const std::vector<std::u16string> Folders = Tree(At(u"{S}"));
  ASSERT_TRUE(Files->CreateDirectoryW(At(u"{S}\\Solvane808").c_str(), nullptr));
  ASSERT_TRUE(Files->CreateDirectoryW(Folders[0].c_str(), nullptr));
  MakeFile(Folders[2]);  // Config
  Shell.SetCommonAppData(At(u"{S}"));
  EXPECT_FALSE(StepRaises());
  for (std::size_t I = 1; I < Folders.size(); ++I) EXPECT_EQ(IsFolder(Folders[I]), I != 2) << ToUtf8(Folders[I]);
}

// The longest path of the tree, Resources\, is the machine-wide folder and
// 61 characters; Common\ and Config\ 58, Data\ and Temp\ 56, the root 51.
TEST_P(SharedFoldersTest, AnAbsolutePathOf260CharactersEndsTheStep) {
  struct Case {
    std::size_t FolderLength;
    std::size_t Made;       // of the tree's six folders, in order
    std::size_t Published;  // of the five values
  };
  const std::vector<Case> Cases = {
      {198, 6, 5},  // Resources\ has 259
      {199, 5, 5},  // Resources\ has 260: its value is set before it is made
      {202, 1, 1},  // Common\ has 260
      {209, 0, 0},  // the root has 260
  };
  for (const Case& C : Cases) {
    // Lengths differ, so each case has a folder of its own.
    const std::u16string Folder = Scratch + u'\\' + std::u16string(C.FolderLength - Scratch.size() - 1, u'x');
    Shell.SetCommonAppData(Folder);
    EXPECT_EQ(StepRaises(), C.Made < 6) << C.FolderLength;
    std::vector<std::u16string> Expected = ValuesFor(Folder);
    std::fill(Expected.begin() + C.Published, Expected.end(), u"");
    EXPECT_EQ(Published(), Expected) << C.FolderLength;
    const std::vector<std::u16string> Folders = Tree(Folder);
    for (std::size_t I = 0; I < Folders.size(); ++I) EXPECT_EQ(IsFolder(Folders[I]), I < C.Made) << ToUtf8(Folders[I]);
    ShutDownSharedFolders();
  }
}

TEST_P(SharedFoldersTest, TheLengthIsThatOfTheAbsoluteForm) {
  const std::u16string Relative(199 - Scratch.size() - 1, u'y');
  Shell.SetCommonAppData(Relative);
  EXPECT_TRUE(StepRaises());
  EXPECT_EQ(SharedTempPath, ValuesFor(Relative)[3]);
  EXPECT_FALSE(IsFolder(Tree(Scratch + u'\\' + Relative).back()));
}

// Resources\ has 262 characters with the prefix (the scratch folder's
// removal cannot take much more).
TEST_P(SharedFoldersTest, TheExtendedLengthPrefixLiftsTheLimit) {
  const std::u16string Folder = u"\\\\?\\" + Scratch + u'\\' + std::u16string(201 - 4 - Scratch.size() - 1, u'z');
  Shell.SetCommonAppData(Folder);
  EXPECT_FALSE(StepRaises());
  EXPECT_EQ(Published(), ValuesFor(Folder));
  for (const std::u16string& Each : Tree(Folder)) EXPECT_TRUE(IsFolder(Each)) << ToUtf8(Each);
}

TEST_P(SharedFoldersTest, RejectedPathsEndTheStepBeforeAnyValue) {
  const std::vector<std::u16string> Folders = {
      u"Q:\\Shared",        // a drive that is not there
      u"{S}\\a:b",          // a ":" after no drive letter
      u"\\\\?\\{S}\\a:b",
      u"\\\\server\\share:x",
      u"{S}\\a|b",          // a character no path may hold
      u"{S}\\a\x01" u"b",
  };
  for (const std::u16string& Folder : Folders) {
    Shell.SetCommonAppData(At(Folder));
    EXPECT_TRUE(StepRaises()) << ToUtf8(At(Folder));
    EXPECT_EQ(Published(), NoValues);
  }
  EXPECT_TRUE(Files->Made.empty());
}

// The characters the step rejects are those the file system refuses in
// names: "\", "/" and ":" aside, which have rules of their own.
TEST_P(SharedFoldersTest, RejectsExactlyTheCharactersTheFileSystemRefuses) {
  std::u16string Characters;
  for (char16_t C = 1; C < 0x80; ++C) {
    if (C != u'\\' && C != u'/' && C != u':') Characters += C;
  }
  Characters += u"\u00E9\u20AC\uFFFD";
  for (const char16_t C : Characters) {
    const std::u16string Name = At(u"{S}\\n") + C + u"n";
    Files->SetLastError(ERROR_SUCCESS);
    const bool Refused = !Files->CreateDirectoryW(Name.c_str(), nullptr) && Files->GetLastError() == ERROR_INVALID_NAME;
    Shell.SetCommonAppData(At(u"{S}\\m") + C + u"m");
    EXPECT_EQ(StepRaises(), Refused) << "U+" << std::hex << static_cast<unsigned>(C);
    ShutDownSharedFolders();
  }
}

TEST_P(SharedFoldersTest, AnErrorCodeLeftByTheFullPathNameEndsTheStepWithItsMessage) {
  Shell.SetCommonAppData(At(u"{S}"));
  Files->FullPathError = ERROR_INVALID_NAME;
  try {
    InitializeSharedFolders();
    ADD_FAILURE() << "no error";
  } catch (const Exception& Error) {
    EXPECT_EQ(Error.Message(), u"Invalid name.");
  }
  EXPECT_TRUE(Files->Made.empty());
  Files->FullPathError = ERROR_FILE_NOT_FOUND;  // left behind by some platforms: no error
  EXPECT_FALSE(StepRaises());
  EXPECT_TRUE(IsFolder(Tree(At(u"{S}")).back()));
}

INSTANTIATE_TEST_SUITE_P(Platforms, SharedFoldersTest, testing::ValuesIn(AvailableBackends()), BackendName);

// What only the in-memory platform can pose: network shares, a shell that
// cannot find the folder, creation refused.

TEST_P(SharedFoldersInMemoryTest, AUncMachineWideFolder) {
  Memory()->AddShare(u"\\\\server\\share");
  for (const std::u16string Folder : {u"\\\\server\\share\\Data", u"\\\\?\\UNC\\server\\share\\Other"}) {
    Shell.SetCommonAppData(Folder);
    EXPECT_FALSE(StepRaises()) << ToUtf8(Folder);
    EXPECT_EQ(Published(), ValuesFor(Folder));
    for (const std::u16string& Each : Tree(Folder)) EXPECT_TRUE(IsFolder(Each)) << ToUtf8(Each);
    ShutDownSharedFolders();
  }
  Files->Made.clear();
  Shell.SetCommonAppData(u"\\\\elsewhere\\share\\Data");  // no such share: nothing made, no error
  EXPECT_FALSE(StepRaises());
  EXPECT_TRUE(Files->Made.empty());
}

// Making stops at the root, which is there, whatever the real platform says
// of "\\?\Z:" (no folder) or "Z:" (the current directory on Z:).
TEST_P(SharedFoldersInMemoryTest, AMachineWideFolderRightBelowADriveRoot) {
  for (const std::u16string Folder : {u"Z:\\Fresh", u"\\\\?\\Z:\\Extended", u"\\\\?\\UNC\\server\\share\\Data"}) {
    Memory()->AddShare(u"\\\\server\\share");
    Shell.SetCommonAppData(Folder);
    EXPECT_FALSE(StepRaises()) << ToUtf8(Folder);
    for (const std::u16string& Each : Tree(Folder)) EXPECT_TRUE(IsFolder(Each)) << ToUtf8(Each);
    ShutDownSharedFolders();
  }
}

TEST_P(SharedFoldersInMemoryTest, WithoutAMachineWideFolderTheTreeLiesAtTheRootOfTheCurrentDrive) {
  Shell.SetCommonAppData(u"");
  for (const std::u16string Drive : {u"C:", u"Z:"}) {
    ASSERT_TRUE(Memory()->SetCurrentDirectory(Drive + u"\\"));
    EXPECT_FALSE(StepRaises());
    EXPECT_EQ(Published(), ValuesFor(u""));
    EXPECT_EQ(SharedCommonPath.substr(0, 12), u"\\Solvane808\\");
    for (const std::u16string& Each : Tree(Drive)) EXPECT_TRUE(IsFolder(Each)) << ToUtf8(Each);
    ShutDownSharedFolders();
  }
}

TEST_P(SharedFoldersInMemoryTest, CreationRefusedHalfWayLeavesTheRestOutAndGoesOn) {
  const std::vector<std::u16string> Folders = Tree(At(u"{S}\\Shared"));
  Memory()->AddFolder(Folders[0]);
  Memory()->RefuseCreationIn(Folders[0]);
  Shell.SetCommonAppData(At(u"{S}\\Shared"));
  EXPECT_FALSE(StepRaises());
  EXPECT_EQ(Published(), ValuesFor(At(u"{S}\\Shared")));
  EXPECT_TRUE(IsFolder(Folders[0]));
  for (std::size_t I = 1; I < Folders.size(); ++I) EXPECT_FALSE(IsFolder(Folders[I])) << ToUtf8(Folders[I]);
}

TEST_P(SharedFoldersInMemoryTest, CreationRefusedInTheMachineWideFolderLeavesTheTreeOut) {
  Memory()->RefuseCreationIn(At(u"{S}"));
  Shell.SetCommonAppData(At(u"{S}"));
  EXPECT_FALSE(StepRaises());
  EXPECT_EQ(Published(), ValuesFor(At(u"{S}")));
  EXPECT_TRUE(Files->Made.empty());
}

INSTANTIATE_TEST_SUITE_P(Memory, SharedFoldersInMemoryTest, testing::Values(Backend::Memory), BackendName);

TEST(LookupCommonDataFolderTest, GivesWhatTheShellNamesAndFreesTheItemList) {
  const std::u16string Longest(MAX_PATH - 1, u'x');
  struct Case {
    std::u16string Shell;  // empty: the shell cannot find the folder
    std::u16string Found;
  };
  const std::vector<Case> Cases = {
      {u"C:\\ProgramData", u"C:\\ProgramData"},
      {u"", u""},
      {Longest, Longest},
      {Longest + u"x", u""},  // does not fit the path buffer
  };
  for (const Case& C : Cases) {
    MemoryShell Shell(C.Shell);
    ScopedOverride<ShellApi> Override(Shell);
    EXPECT_EQ(LookupCommonDataFolder(), C.Found) << ToUtf8(C.Shell);
    EXPECT_EQ(Shell.LiveLists(), 0u) << ToUtf8(C.Shell);
  }
}

}  // namespace
}  // namespace vexa
