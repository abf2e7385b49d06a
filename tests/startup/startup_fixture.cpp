#include "tests/startup/startup_fixture.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/exception.h"
#include "startup/vexaSharedFolders.h"

namespace vexa {

DWORD FileSystemProbe::GetFullPathNameW(const char16_t* FileName, DWORD BufferLength, char16_t* Buffer) {
  const DWORD Length = FInner.GetFullPathNameW(FileName, BufferLength, Buffer);
  if (FullPathError != ERROR_SUCCESS) FInner.SetLastError(FullPathError);
  return Length;
}

bool FileSystemProbe::CreateDirectoryW(const char16_t* PathName, const void* SecurityAttributes) {
  const bool Created = FInner.CreateDirectoryW(PathName, SecurityAttributes);
  if (Created) Made.emplace_back(PathName);
  return Created;
}

namespace {
std::u16string Utf16(const std::string& Ascii) { return std::u16string(Ascii.begin(), Ascii.end()); }
}  // namespace

void StartUpTest::SetUp() {
  const std::u16string Name =
      u"vexa-" + Utf16(std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  if (GetParam() == Backend::Memory) {
    Scratch = u"C:\\users\\test\\Temp\\" + Name;
    FMemory = std::make_unique<MemoryFileSystem>(u"CZ");  // as Wine has them
    FMemory->AddFolder(Scratch);
    ASSERT_TRUE(FMemory->SetCurrentDirectory(Scratch));
    FLayer = FMemory.get();
  } else {
    namespace fs = std::filesystem;
    const fs::path Folder = fs::temp_directory_path() / fs::path(Name);
    fs::create_directories(Folder);
    FPreviousDirectory = fs::current_path().u16string();
    fs::current_path(Folder);
    Scratch = Folder.u16string();
    FLayer = &HostApi<FileSystemApi>();
  }
  Files = std::make_unique<FileSystemProbe>(*FLayer);
  FFilesOverride.emplace(*Files);
  FShellOverride.emplace(Shell);
}

void StartUpTest::TearDown() {
  ShutDownSharedFolders();
  FShellOverride.reset();
  FFilesOverride.reset();
  if (GetParam() == Backend::Real) {
    std::filesystem::current_path(std::filesystem::path(FPreviousDirectory));
    std::filesystem::remove_all(std::filesystem::path(Scratch));
  }
}

std::u16string StartUpTest::At(const std::u16string& Text) const {
  const std::u16string Parent = Scratch.substr(0, Scratch.rfind(u'\\'));
  std::u16string Result;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const std::u16string_view Mark = std::u16string_view(Text).substr(I, 3);
    if (Mark == u"{S}" || Mark == u"{P}" || Mark == u"{D}" || Mark == u"{R}") {
      Result += Mark == u"{S}"   ? Scratch
                : Mark == u"{P}" ? Parent
                : Mark == u"{D}" ? Scratch.substr(0, 2)
                                 : Scratch.substr(2);
      I += 2;
    } else {
      Result += Text[I];
    }
  }
  return Result;
}

void StartUpTest::MakeFile(const std::u16string& Path) {
  if (FMemory) {
    FMemory->AddFile(Path);
  } else {
    std::ofstream(std::filesystem::path(Path)) << "in the way";
  }
}

bool StartUpTest::IsFolder(const std::u16string& Path) {
  const DWORD Attributes = Files->GetFileAttributesW(Path.c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::u16string> StartUpTest::Tree(const std::u16string& Folder) {
  const std::u16string Root = Folder + ProductAndGuid;
  std::vector<std::u16string> Folders = {Root.substr(0, Root.size() - 1)};
  for (const std::u16string& Name : SubFolderNames) Folders.push_back(Root + Name);
  return Folders;
}

std::vector<std::u16string> StartUpTest::Published() {
  return {SharedCommonPath, SharedConfigPath, SharedDataPath, SharedTempPath, SharedResourcesPath};
}

std::vector<std::u16string> StartUpTest::ValuesFor(const std::u16string& Folder) {
  std::vector<std::u16string> Values;
  for (const std::u16string& Name : SubFolderNames) Values.push_back(Folder + ProductAndGuid + Name + u"\\");
  return Values;
}

bool StartUpTest::StepRaises() {
  try {
    InitializeSharedFolders();
    return false;
  } catch (const Exception&) {
    return true;
  }
}

}  // namespace vexa
