// The file system's answers for every path form the start-up can meet, on
// both platforms: the in-memory file system must answer as the real one
// (Wine's) does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/exception.h"
#include "tests/startup/startup_fixture.h"

namespace vexa {
namespace {

using PathFormsTest = StartUpTest;

std::u16string FullPath(FileSystemApi& Files, const std::u16string& Path) {
  char16_t Buffer[1024];
  const DWORD Length = Files.GetFullPathNameW(Path.c_str(), 1024, Buffer);
  return std::u16string(Buffer, Length < 1024 ? Length : 0);
}

TEST_P(PathFormsTest, FullPathNames) {
  struct Case {
    std::u16string Path;
    std::u16string Full;
  };
  const std::vector<Case> Cases = {
      {u"C:\\a\\b", u"C:\\a\\b"},
      {u"C:\\a\\b\\", u"C:\\a\\b\\"},
      {u"C:/a//b", u"C:\\a\\b"},
      {u"C:\\a\\.\\b", u"C:\\a\\b"},
      {u"C:\\a\\..\\b", u"C:\\b"},
      {u"C:\\..\\..\\b", u"C:\\b"},
      {u"C:\\a\\b\\..", u"C:\\a"},
      {u"C:\\a\\b\\.", u"C:\\a\\b"},
      {u"C:\\a\\b\\.\\", u"C:\\a\\b\\"},
      // Trailing dots and blanks: the last segment loses them all, one
      // followed by a separator only one trailing dot.
      {u"C:\\a\\b.", u"C:\\a\\b"},
      {u"C:\\a\\b. . ", u"C:\\a\\b"},
      {u"C:\\a\\...", u"C:\\a\\"},
      {u"C:\\a\\b\\.. ", u"C:\\a\\b\\"},
      {u"C:\\a.\\b", u"C:\\a\\b"},
      {u"C:\\a..\\b", u"C:\\a.\\b"},
      {u"C:\\a \\b", u"C:\\a \\b"},
      {u"C:\\a .\\b", u"C:\\a \\b"},
      {u"C:\\a\\...\\b", u"C:\\a\\..\\b"},
      // Relative to the current directory, and rooted on the current drive.
      {u"x", u"{S}\\x"},
      {u".\\x", u"{S}\\x"},
      {u"..\\x", u"{P}\\x"},
      {u".", u"{S}"},
      {u"x.", u"{S}\\x"},
      {u". ", u"{S}\\"},
      {u"  C:\\x", u"{S}\\  C:\\x"},
      {u"\\x\\y", u"{D}\\x\\y"},
      {u"\\..\\x", u"{D}\\x"},
      // Drive-relative: the current directory on the current drive, the
      // root on another.
      {u"{D}x", u"{S}\\x"},
      {u"{D}", u"{S}\\"},
      {u"Q:x", u"Q:\\x"},
      {u"q:x", u"q:\\x"},
      {u"Q:..", u"Q:\\"},
      // UNC: ".." stops at the share.
      {u"\\\\srv\\share\\a\\..\\..\\b", u"\\\\srv\\share\\b"},
      {u"\\\\srv\\share", u"\\\\srv\\share"},
      {u"\\\\srv\\share\\..", u"\\\\srv\\share\\"},
      {u"//srv/share/x", u"\\\\srv\\share\\x"},
      {u"\\\\srv.\\share.\\x.", u"\\\\srv.\\share.\\x"},
      // The prefixes: resolved below them as well.
      {u"\\\\?\\C:\\a\\..\\b.", u"\\\\?\\C:\\b"},
      {u"\\\\?\\C:\\a\\\\b", u"\\\\?\\C:\\a\\b"},
      {u"\\\\?\\C:\\..\\..\\b", u"\\\\?\\b"},
      {u"\\\\?\\UNC\\srv\\share\\..\\x", u"\\\\?\\UNC\\srv\\x"},
      {u"\\\\.\\C:\\a\\..\\b", u"\\\\.\\C:\\b"},
      // Only text here, whatever a folder may be named.
      {u"C:\\a:b\\c*?", u"C:\\a:b\\c*?"},
      // Nothing to resolve: the call fails, and leaves no error code.
      {u"", u""},
      {u"   ", u""},
  };
  for (const Case& C : Cases) {
    Files->SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(FullPath(*Files, At(C.Path)), At(C.Full)) << ToUtf8(At(C.Path));
    EXPECT_EQ(Files->GetLastError(), DWORD{ERROR_SUCCESS}) << ToUtf8(At(C.Path));
  }
}

TEST_P(PathFormsTest, ABufferTooSmallGetsTheSizeItNeeds) {
  char16_t Buffer[6];
  EXPECT_EQ(Files->GetFullPathNameW(u"C:\\a\\b", 4, Buffer), 7u);
  EXPECT_EQ(Files->GetFullPathNameW(u"C:\\a\\b", 6, Buffer), 7u) << "the terminator must fit too";
}

TEST_P(PathFormsTest, LookupAndCreation) {
  ASSERT_TRUE(Files->CreateDirectoryW(At(u"{S}\\f").c_str(), nullptr));
  MakeFile(At(u"{S}\\f\\file.txt"));
  constexpr DWORD Folder = FILE_ATTRIBUTE_DIRECTORY, File = FILE_ATTRIBUTE_ARCHIVE, Fails = INVALID_FILE_ATTRIBUTES;
  enum Call { Attributes, Create };
  struct Case {
    Call Made;
    std::u16string Path;
    DWORD Result;  // attributes, or 1 when created
    DWORD Error;   // after a failure
  };
  const std::vector<Case> Cases = {
      {Attributes, u"{S}\\f", Folder, 0},
      {Attributes, u"{S}\\F\\", Folder, 0},
      {Attributes, u"{S}\\f.", Folder, 0},
      {Attributes, u"{S}\\f\\file.txt", File, 0},
      {Attributes, u"{S}\\f\\file.txt\\", Fails, ERROR_PATH_NOT_FOUND},
      {Attributes, u"{S}\\f\\file.txt\\x", Fails, ERROR_PATH_NOT_FOUND},
      {Attributes, u"{S}\\missing", Fails, ERROR_FILE_NOT_FOUND},
      {Attributes, u"{S}\\missing\\x", Fails, ERROR_PATH_NOT_FOUND},
      {Attributes, u"{S}\\missing\\a<b", Fails, ERROR_INVALID_NAME},
      {Attributes, u"\\\\?\\{S}\\f", Folder, 0},
      {Attributes, u"\\\\?\\{S}\\f\\.", Fails, ERROR_INVALID_NAME},
      {Attributes, u"\\\\?\\{S}\\f\\\\", Fails, ERROR_INVALID_NAME},
      {Attributes, u"{D}\\", Folder, 0},
      {Attributes, u"", Fails, ERROR_PATH_NOT_FOUND},
      {Attributes, u"Q:\\", Fails, ERROR_PATH_NOT_FOUND},
      {Attributes, u"Q:\\x", Fails, ERROR_FILE_NOT_FOUND},
      {Attributes, u"Q:\\x\\y", Fails, ERROR_PATH_NOT_FOUND},
      {Attributes, u"\\\\srv\\share\\x", Fails, ERROR_BAD_DEV_TYPE},
      {Create, u"{S}\\f", 0, ERROR_ALREADY_EXISTS},
      {Create, u"{S}\\f\\file.txt", 0, ERROR_ALREADY_EXISTS},
      {Create, u"{S}\\f\\file.txt\\x", 0, ERROR_PATH_NOT_FOUND},
      {Create, u"{S}\\missing\\x", 0, ERROR_PATH_NOT_FOUND},
      {Create, u"{S}\\a*b", 0, ERROR_INVALID_NAME},
      {Create, u"{S}\\f\\", 0, ERROR_ALREADY_EXISTS},
      {Create, u"{S}\\new\\", 1, 0},
      {Attributes, u"{S}\\new", Folder, 0},
      {Create, u"{S}\\x\\..\\up", 1, 0},
      {Attributes, u"{S}\\up", Folder, 0},
      {Create, u"{S}\\dot.", 1, 0},  // made without its dot
      {Attributes, u"{S}\\dot", Folder, 0},
      {Create, u"\\\\?\\{S}\\f\\\\double", 0, ERROR_INVALID_NAME},
      {Create, u"{D}\\", 0, ERROR_ALREADY_EXISTS},
      {Create, u"", 0, ERROR_PATH_NOT_FOUND},
      {Create, u"Q:\\", 0, ERROR_PATH_NOT_FOUND},
      {Create, u"Q:\\x", 0, ERROR_FILE_NOT_FOUND},
      {Create, u"\\\\srv\\share\\x", 0, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& C : Cases) {
    const std::u16string Path = At(C.Path);
    Files->SetLastError(0xDEAD);
    const DWORD Result = C.Made == Attributes ? Files->GetFileAttributesW(Path.c_str())
                                              : DWORD{Files->CreateDirectoryW(Path.c_str(), nullptr)};
    EXPECT_EQ(Result, C.Result) << (C.Made == Attributes ? "attributes of " : "create ") << ToUtf8(Path);
    const bool Failed = C.Made == Attributes ? Result == Fails : Result == 0;
    EXPECT_EQ(Files->GetLastError(), Failed ? C.Error : 0xDEAD) << ToUtf8(Path);
  }
}

INSTANTIATE_TEST_SUITE_P(Platforms, PathFormsTest, testing::ValuesIn(AvailableBackends()), BackendName);

}  // namespace
}  // namespace vexa
