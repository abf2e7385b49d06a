// Start-up tests run on both platforms: the in-memory one everywhere, and in
// Windows builds also the real one, in a scratch folder that the test makes
// below the temporary folder, makes the current directory and removes
// afterwards; the in-memory platform poses the same folder. The shell is in
// memory, so that a test can pose any machine-wide folder. Every
// file-system call goes through a FileSystemProbe.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system_api.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_shell.h"
#include "tests/registry_fixture.h"

namespace vexa {

inline constexpr char16_t ProductAndGuid[] = u"\\Solvane808\\{3F2A6C1E-7B94-4D05-A8E3-5C19B07D2E64}\\";
// The sub-folders of the tree, in the order the step makes them.
inline const std::vector<std::u16string> SubFolderNames = {u"Common", u"Config", u"Data", u"Temp", u"Resources"};

// Passes every call on to a file system; records the folders it made, and
// can pose a platform whose GetFullPathNameW leaves an error code behind.
class FileSystemProbe final : public FileSystemApi {
 public:
  explicit FileSystemProbe(FileSystemApi& Inner) : FInner(Inner) {}

  DWORD GetFullPathNameW(const char16_t* FileName, DWORD BufferLength, char16_t* Buffer) override;
  DWORD GetLogicalDrives() override { return FInner.GetLogicalDrives(); }
  DWORD GetFileAttributesW(const char16_t* FileName) override { return FInner.GetFileAttributesW(FileName); }
  bool CreateDirectoryW(const char16_t* PathName, const void* SecurityAttributes) override;
  DWORD GetLastError() override { return FInner.GetLastError(); }
  void SetLastError(DWORD Code) override { FInner.SetLastError(Code); }
  std::u16string FormatMessageW(DWORD Code) override { return FInner.FormatMessageW(Code); }

  DWORD FullPathError = ERROR_SUCCESS;  // left behind by each GetFullPathNameW
  std::vector<std::u16string> Made;     // what CreateDirectoryW made, in order

 private:
  FileSystemApi& FInner;
};

class StartUpTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // "{S}" in Text becomes the scratch folder, "{P}" its parent, "{D}" its
  // drive ("C:"), "{R}" its path rooted on the current drive (without "C:").
  std::u16string At(const std::u16string& Text) const;
  void MakeFile(const std::u16string& Path);
  bool IsFolder(const std::u16string& Path);
  // The tree's root and its five sub-folders below the machine-wide folder
  // Folder (absolute), in the order the step makes them.
  static std::vector<std::u16string> Tree(const std::u16string& Folder);
  // Runs the step, true when it raised.
  bool StepRaises();
  // The five published values, in the step's order.
  static std::vector<std::u16string> Published();
  // The values the step publishes for the machine-wide folder Folder.
  static std::vector<std::u16string> ValuesFor(const std::u16string& Folder);

  // The in-memory file system, or null on the real one.
  MemoryFileSystem* Memory() { return FMemory.get(); }

  std::u16string Scratch;  // absolute, without a final backslash
  MemoryShell Shell{u""};
  std::unique_ptr<FileSystemProbe> Files;

 private:
  std::unique_ptr<MemoryFileSystem> FMemory;
  FileSystemApi* FLayer = nullptr;
  std::u16string FPreviousDirectory;
  std::optional<ScopedOverride<FileSystemApi>> FFilesOverride;
  std::optional<ScopedOverride<ShellApi>> FShellOverride;
};

}  // namespace vexa
