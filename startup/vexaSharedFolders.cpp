#include "startup/vexaSharedFolders.h"

#include <algorithm>
#include <string_view>

#include "core/exception.h"
#include "platform/file_system_api.h"
#include "platform/shell_api.h"
#include "startup/published.h"

namespace vexa {
namespace {

std::u16string CommonPath;
std::u16string ConfigPath;
std::u16string DataPath;
std::u16string TempPath;
std::u16string ResourcesPath;

struct SharedFolder {
  const char16_t* Name;
  std::u16string* Path;
};

// In the order they are made.
const SharedFolder SharedFolders[] = {
    {u"Common\\", &CommonPath}, {u"Config\\", &ConfigPath},       {u"Data\\", &DataPath},
    {u"Temp\\", &TempPath},     {u"Resources\\", &ResourcesPath},
};

constexpr std::u16string_view ExtendedPrefix = u"\\\\?\\";

// The shell's item list, freed on every way out.
class OwnedItemList {
 public:
  explicit OwnedItemList(ShellApi& Shell) : FShell(Shell) {}
  ~OwnedItemList() {
    if (FList != ItemIdList{}) FShell.CoTaskMemFree(FList);
  }
  OwnedItemList(const OwnedItemList&) = delete;
  OwnedItemList& operator=(const OwnedItemList&) = delete;
  ItemIdList* Receive() { return &FList; }
  ItemIdList Get() const { return FList; }

 private:
  ShellApi& FShell;
  ItemIdList FList{};
};

bool StartsWith(std::u16string_view Text, std::u16string_view Start) {
  return Text.substr(0, Start.size()) == Start;
}

bool IsDriveLetter(char16_t C) { return (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z'); }

// The characters no path may hold: the control characters U+0000 to U+001F
// and " * < > ? |, which Windows refuses in file and folder names
// (ERROR_INVALID_NAME). "\" and "/" separate names; ":" has a rule of its
// own (after a drive letter only), and "?" is allowed in the extended-length
// prefix \\?\, which is no name.
bool IsPathCharacter(char16_t C) {
  return C >= 0x20 && std::u16string_view(u"\"*<>?|").find(C) == std::u16string_view::npos;
}

bool HoldsOnlyPathCharacters(std::u16string_view Path) {
  if (StartsWith(Path, ExtendedPrefix)) Path.remove_prefix(ExtendedPrefix.size());
  return std::all_of(Path.begin(), Path.end(), IsPathCharacter);
}

[[noreturn]] void Reject(const std::u16string& Reason, const std::u16string& Path) {
  throw Exception(Format(Reason, {Path}));
}

// Path made absolute against the process's current drive and directory.
std::u16string AbsolutePath(FileSystemApi& Files, const std::u16string& Path) {
  Files.SetLastError(ERROR_SUCCESS);
  std::u16string Buffer(MAX_PATH, u'\0');
  DWORD Length = Files.GetFullPathNameW(Path.c_str(), static_cast<DWORD>(Buffer.size()), Buffer.data());
  if (Length >= Buffer.size()) {  // too small: Length is the size it needs
    Buffer.assign(Length, u'\0');
    Length = Files.GetFullPathNameW(Path.c_str(), Length, Buffer.data());
  }
  // Some platforms leave ERROR_FILE_NOT_FOUND behind on success.
  const DWORD Code = Files.GetLastError();
  if (Code != ERROR_SUCCESS && Code != ERROR_FILE_NOT_FOUND) throw Exception(Files.FormatMessageW(Code));
  Buffer.resize(Length < Buffer.size() ? Length : 0);
  return Buffer;
}

bool IsUnc(std::u16string_view Local, bool Extended) {
  if (Extended) {
    return Local.size() >= 4 && (Local[0] | 0x20) == u'u' && (Local[1] | 0x20) == u'n' &&
           (Local[2] | 0x20) == u'c' && Local[3] == u'\\';
  }
  return Local.size() > 2 && Local[0] == u'\\' && Local[1] == u'\\' &&
         std::u16string_view(u"\\.?").find(Local[2]) == std::u16string_view::npos;
}

void CheckAbsolutePath(FileSystemApi& Files, const std::u16string& Path) {
  const bool Extended = StartsWith(Path, ExtendedPrefix);
  const std::u16string_view Local = std::u16string_view(Path).substr(Extended ? ExtendedPrefix.size() : 0);
  const bool HasDrive = Local.size() >= 2 && IsDriveLetter(Local[0]) && Local[1] == u':';
  if (Path.size() >= MAX_PATH && !Extended) Reject(u"The path %s is too long", Path);
  if (Local.find(u':', HasDrive ? 2 : 0) != std::u16string_view::npos) {
    Reject(u"The path %s holds a \":\" that does not follow a drive letter", Path);
  }
  if (Path.find_first_not_of(u' ') == std::u16string::npos) Reject(u"The path \"%s\" is empty or blank", Path);
  if (!HoldsOnlyPathCharacters(Path)) Reject(u"The path %s holds a character that paths cannot hold", Path);
  if (!IsUnc(Local, Extended) &&
      !(HasDrive && ((Files.GetLogicalDrives() >> ((Local[0] | 0x20) - u'a')) & 1))) {
    Reject(u"The drive of the path %s is not there", Path);
  }
}

// The length of an absolute path's root with its backslash: "C:\",
// "\\?\C:\", "\\server\share\", "\\?\UNC\server\share\".
std::size_t RootLength(const std::u16string& Path) {
  const bool Extended = StartsWith(Path, ExtendedPrefix);
  const std::size_t Local = Extended ? ExtendedPrefix.size() : 0;
  if (!IsUnc(std::u16string_view(Path).substr(Local), Extended)) return Local + 3;
  const std::size_t Server = Path.find(u'\\', Local + (Extended ? 4 : 2));  // after "UNC\" or "\\"
  const std::size_t Share = Server == std::u16string::npos ? Server : Path.find(u'\\', Server + 1);
  return Share == std::u16string::npos ? Path.size() : Share + 1;
}

bool FolderExists(FileSystemApi& Files, const std::u16string& Path) {
  const DWORD Attributes = Files.GetFileAttributesW(Path.c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes the absolute Path with every missing parent, outermost first;
// false when a level cannot be made. A folder found existing counts as
// made (another process may be making the same tree). A root keeps its
// backslash: "C:" alone would name the current directory of drive C:.
bool MakeFolders(FileSystemApi& Files, std::u16string Path) {
  const std::size_t Root = std::min(RootLength(Path), Path.size());
  if (Path.size() > Root && Path.back() == u'\\') Path.pop_back();
  if (FolderExists(Files, Path)) return true;
  if (Path.size() <= Root) return Files.CreateDirectoryW(Path.c_str(), nullptr);
  return MakeFolders(Files, Path.substr(0, Path.rfind(u'\\') + 1)) &&
         Files.CreateDirectoryW(Path.c_str(), nullptr);
}

void CreateFolder(const std::u16string& Path) {
  FileSystemApi& Files = Current<FileSystemApi>();
  const std::u16string Absolute = AbsolutePath(Files, Path);
  CheckAbsolutePath(Files, Absolute);
  MakeFolders(Files, Absolute);  // a folder that cannot be made is left out, silently
}

// Root ends with a backslash, so the join is the plain concatenation.
std::u16string JoinPath(const std::u16string& Root, const char16_t* Name) {
  if (!HoldsOnlyPathCharacters(Root) || !HoldsOnlyPathCharacters(Name)) {
    Reject(u"The path %s holds a character that paths cannot hold", Root + Name);
  }
  return Root + Name;
}

}  // namespace

const std::u16string& SharedCommonPath = CommonPath;
const std::u16string& SharedConfigPath = ConfigPath;
const std::u16string& SharedDataPath = DataPath;
const std::u16string& SharedTempPath = TempPath;
const std::u16string& SharedResourcesPath = ResourcesPath;

std::u16string LookupCommonDataFolder() {
  ShellApi& Shell = Current<ShellApi>();
  OwnedItemList List(Shell);
  if (Shell.SHGetSpecialFolderLocation(0, CSIDL_COMMON_APPDATA, List.Receive()) < 0) return u"";
  char16_t Path[MAX_PATH] = {};
  if (!Shell.SHGetPathFromIDListW(List.Get(), Path)) return u"";
  return std::u16string(Path, std::find(Path, Path + MAX_PATH, u'\0'));
}

void InitializeSharedFolders() {
  // Without the machine-wide folder the tree lies at the root of the
  // current drive.
  const std::u16string Root = Format(u"%s\\%s\\%s\\", {LookupCommonDataFolder(), u"Solvane808",
                                                       u"{3F2A6C1E-7B94-4D05-A8E3-5C19B07D2E64}"});
  CreateFolder(Root);
  for (const SharedFolder& Each : SharedFolders) {
    *Each.Path = JoinPath(Root, Each.Name);
    CreateFolder(*Each.Path);
  }
}

void ShutDownSharedFolders() noexcept {
  for (const SharedFolder& Each : SharedFolders) Release(*Each.Path);
}

}  // namespace vexa
