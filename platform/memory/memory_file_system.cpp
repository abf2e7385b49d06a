#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/memory/memory_names.h"

namespace vexa {

struct MemoryFileSystem::Entry {
  std::u16string Name;  // a volume's: "C:" or "\\server\share"
  bool Folder = true;
  bool RefusesNew = false;
  std::vector<std::unique_ptr<Entry>> Children;

  Entry* Child(const std::u16string& Wanted) const {
    for (const auto& Each : Children) {
      if (SameName(Each->Name, Wanted)) return Each.get();
    }
    return nullptr;
  }
  Entry& Add(const std::u16string& ChildName, bool IsFolder) {
    Children.push_back(std::make_unique<Entry>(Entry{ChildName, IsFolder, false, {}}));
    return *Children.back();
  }
};

// A name as the file calls take it: its volume and the names below the
// volume's root, or why the name itself is refused.
struct MemoryFileSystem::Location {
  std::u16string Volume;
  bool Unc = false;
  std::vector<std::u16string> Names;
  bool Trailing = false;  // ends with a separator: names a folder
  DWORD Error = ERROR_SUCCESS;
};

namespace {

constexpr char16_t Extended[] = u"\\\\?\\";

bool StartsWith(const std::u16string& Text, std::u16string_view Start) {
  return Text.size() >= Start.size() && SameName(std::u16string_view(Text).substr(0, Start.size()), Start);
}

bool IsLetter(char16_t C) { return (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z'); }
char16_t Upper(char16_t C) { return C >= u'a' && C <= u'z' ? C - 0x20 : C; }
bool HasDrive(const std::u16string& Path) { return Path.size() >= 2 && IsLetter(Path[0]) && Path[1] == u':'; }

// The characters the file system refuses in names (ERROR_INVALID_NAME).
bool RefusedInNames(char16_t C) {
  return C < 0x20 || std::u16string_view(u"\"*<>?|").find(C) != std::u16string_view::npos;
}

// The length of an absolute path's root, its separator included where it
// has one: "C:\", "\\?\" or "\\.\", "\\server\share\".
std::size_t RootLength(const std::u16string& Path) {
  if (Path.size() >= 4 && Path[0] == u'\\' && Path[1] == u'\\' && (Path[2] == u'?' || Path[2] == u'.') &&
      Path[3] == u'\\') {
    return 4;
  }
  if (Path.size() < 2 || Path[0] != u'\\' || Path[1] != u'\\') return 3;
  const std::size_t Server = Path.find(u'\\', 2);
  const std::size_t Share = Server == std::u16string::npos ? Server : Path.find(u'\\', Server + 1);
  return Share == std::u16string::npos ? Path.size() : Share + 1;
}

std::vector<std::u16string> Segments(const std::u16string& Text) {
  std::vector<std::u16string> Found;
  for (std::size_t Start = 0;;) {
    const std::size_t End = std::min(Text.find(u'\\', Start), Text.size());
    Found.push_back(Text.substr(Start, End - Start));
    if (End == Text.size()) return Found;
    Start = End + 1;
  }
}

// An absolute path with its segments resolved: empty and "." segments go,
// ".." takes the one before it away (never the root), a segment followed
// by a separator loses one trailing dot, and the last one loses all its
// trailing dots and blanks.
std::u16string Normalize(const std::u16string& Path) {
  const std::size_t Root = RootLength(Path);
  const std::vector<std::u16string> Given = Segments(Path.substr(std::min(Root, Path.size())));
  std::vector<std::u16string> Kept;
  bool Trailing = false;
  for (std::size_t I = 0; I < Given.size(); ++I) {
    std::u16string Segment = Given[I];
    if (Segment == u"..") {
      if (!Kept.empty()) Kept.pop_back();
      continue;
    }
    if (Segment == u".") continue;
    if (I + 1 == Given.size()) {
      Segment.erase(Segment.find_last_not_of(u". ") + 1);
      Trailing = Segment.empty();
    } else if (!Segment.empty() && Segment.back() == u'.') {
      Segment.pop_back();
    }
    if (!Segment.empty()) Kept.push_back(std::move(Segment));
  }
  std::u16string Result = Path.substr(0, Root);
  for (std::size_t I = 0; I < Kept.size(); ++I) Result += (I ? u"\\" : u"") + Kept[I];
  if (Trailing && !Kept.empty()) Result += u'\\';
  return Result;
}

}  // namespace

MemoryFileSystem::MemoryFileSystem(std::u16string_view Drives)
    : FCurrentDirectory({Upper(Drives.at(0)), u':', u'\\'}) {
  for (const char16_t Letter : Drives) AddDrive(Letter);
}

MemoryFileSystem::~MemoryFileSystem() = default;

std::u16string MemoryFileSystem::FullPath(const std::u16string& Name) const {
  if (Name.find_first_not_of(u' ') == std::u16string::npos) return u"";
  std::u16string Path = Name;
  std::replace(Path.begin(), Path.end(), u'/', u'\\');
  const bool Rooted = !Path.empty() && Path[0] == u'\\';
  if (Rooted && Path.size() >= 2 && Path[1] == u'\\') return Normalize(Path);
  if (Rooted) return Normalize(FCurrentDirectory.substr(0, RootLength(FCurrentDirectory)) + Path.substr(1));
  if (!HasDrive(Path)) return Normalize(FCurrentDirectory + u'\\' + Path);
  if (Path.size() > 2 && Path[2] == u'\\') return Normalize(Path);
  if (Upper(Path[0]) == Upper(FCurrentDirectory[0]) && FCurrentDirectory[1] == u':') {
    return Normalize(FCurrentDirectory + u'\\' + Path.substr(2));
  }
  return Normalize(Path.substr(0, 2) + u'\\' + Path.substr(2));
}

DWORD MemoryFileSystem::GetFullPathNameW(const char16_t* FileName, DWORD BufferLength, char16_t* Buffer) {
  const std::u16string Full = FullPath(FileName);
  if (Full.empty()) return 0;
  if (Full.size() >= BufferLength) return static_cast<DWORD>(Full.size() + 1);
  *std::copy(Full.begin(), Full.end(), Buffer) = u'\0';
  return static_cast<DWORD>(Full.size());
}

DWORD MemoryFileSystem::GetLogicalDrives() {
  DWORD Mask = 0;
  for (const auto& Each : FVolumes) {
    if (HasDrive(Each->Name)) Mask |= DWORD{1} << (Each->Name[0] - u'A');
  }
  return Mask;
}

// Names with the prefix \\?\ are taken as they are (no "." or ".." segment,
// no doubled separator); others as GetFullPathNameW makes them absolute.
MemoryFileSystem::Location MemoryFileSystem::Locate(const std::u16string& Name) const {
  Location Where;
  const bool Verbatim = StartsWith(Name, Extended);
  std::u16string Path = Verbatim ? Name.substr(4) : Name;
  if (std::any_of(Path.begin(), Path.end(), RefusedInNames)) {
    Where.Error = ERROR_INVALID_NAME;
    return Where;
  }
  if (Verbatim && StartsWith(Path, u"UNC\\")) Path = u"\\\\" + Path.substr(4);
  if (!Verbatim) Path = FullPath(Path);
  std::size_t Root = 0;
  if (HasDrive(Path) && Path.size() > 2 && Path[2] == u'\\') {
    Where.Volume = {Upper(Path[0]), u':'};
    Root = 3;
  } else if (StartsWith(Path, u"\\\\") && !StartsWith(Path, u"\\\\.\\")) {
    Root = RootLength(Path);
    Where.Volume = Path.substr(0, Root - (Path[Root - 1] == u'\\'));
    Where.Unc = true;
  } else {
    Where.Error = Path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_BAD_DEV_TYPE;
    return Where;
  }
  Where.Names = Segments(Path.substr(std::min(Root, Path.size())));
  Where.Trailing = Where.Names.back().empty();
  if (Where.Trailing) Where.Names.pop_back();
  for (const std::u16string& Segment : Where.Names) {
    if (Segment.empty() || Segment == u"." || Segment == u"..") Where.Error = ERROR_INVALID_NAME;
  }
  return Where;
}

MemoryFileSystem::Entry* MemoryFileSystem::Volume(const std::u16string& Name) const {
  for (const auto& Each : FVolumes) {
    if (SameName(Each->Name, Name)) return Each.get();
  }
  return nullptr;
}

// The folder that holds the last of Where's names (the volume's root when it
// has none), on a volume that is there.
DWORD MemoryFileSystem::FindHolder(const Location& Where, Entry*& Holder) const {
  Holder = Volume(Where.Volume);
  for (std::size_t I = 0; I + 1 < Where.Names.size(); ++I) {
    Holder = Holder->Child(Where.Names[I]);
    if (!Holder || !Holder->Folder) return ERROR_PATH_NOT_FOUND;
  }
  return ERROR_SUCCESS;
}

// On a drive that is not there, the real file system answers as if its
// root could not be found but were empty; a share that does not answer is
// a device of the wrong type to look things up on, and a missing path to
// create things in.
const MemoryFileSystem::Entry* MemoryFileSystem::Lookup(const Location& Where, DWORD& Code) const {
  Code = Where.Error;
  if (Code) return nullptr;
  if (!Volume(Where.Volume)) {
    Code = Where.Unc ? ERROR_BAD_DEV_TYPE : Where.Names.size() == 1 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  Entry* Holder = nullptr;
  Code = FindHolder(Where, Holder);
  if (Code) return nullptr;
  if (Where.Names.empty()) return Holder;
  const Entry* Found = Holder->Child(Where.Names.back());
  Code = !Found ? ERROR_FILE_NOT_FOUND : Where.Trailing && !Found->Folder ? ERROR_PATH_NOT_FOUND : ERROR_SUCCESS;
  return Code ? nullptr : Found;
}

DWORD MemoryFileSystem::Create(const Location& Where) {
  if (Where.Error) return Where.Error;
  if (!Volume(Where.Volume)) {
    return !Where.Unc && Where.Names.size() == 1 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  }
  if (Where.Names.empty()) return ERROR_ALREADY_EXISTS;
  Entry* Holder = nullptr;
  if (const DWORD Code = FindHolder(Where, Holder)) return Code;
  if (Holder->Child(Where.Names.back())) return ERROR_ALREADY_EXISTS;
  if (Holder->RefusesNew) return ERROR_ACCESS_DENIED;
  Holder->Add(Where.Names.back(), true);
  return ERROR_SUCCESS;
}

DWORD MemoryFileSystem::GetFileAttributesW(const char16_t* FileName) {
  DWORD Code = ERROR_SUCCESS;
  const Entry* Found = Lookup(Locate(FileName), Code);
  if (!Found) {
    FLastError = Code;
    return INVALID_FILE_ATTRIBUTES;
  }
  return Found->Folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

bool MemoryFileSystem::CreateDirectoryW(const char16_t* PathName, const void*) {
  const DWORD Code = Create(Locate(PathName));
  if (Code) FLastError = Code;
  return Code == ERROR_SUCCESS;
}

// The texts of the real system (Wine's English ones) for the codes this file
// system gives.
std::u16string MemoryFileSystem::FormatMessageW(DWORD Code) {
  switch (Code) {
    case ERROR_SUCCESS: return u"Success.";
    case ERROR_FILE_NOT_FOUND: return u"File not found.";
    case ERROR_PATH_NOT_FOUND: return u"Path not found.";
    case ERROR_ACCESS_DENIED: return u"Access denied.";
    case ERROR_BAD_DEV_TYPE: return u"Bad device type.";
    case ERROR_INVALID_NAME: return u"Invalid name.";
    case ERROR_ALREADY_EXISTS: return u"File already exists.";
    default: return u"";
  }
}

void MemoryFileSystem::AddDrive(char16_t Letter) {
  const std::u16string Name = {Upper(Letter), u':'};
  if (!Volume(Name)) FVolumes.push_back(std::make_unique<Entry>(Entry{Name, true, false, {}}));
}

void MemoryFileSystem::AddShare(const std::u16string& Root) {
  const Location Where = Locate(Root);
  if (Where.Error || !Where.Unc || !Where.Names.empty()) throw std::invalid_argument("not a share");
  if (!Volume(Where.Volume)) FVolumes.push_back(std::make_unique<Entry>(Entry{Where.Volume, true, false, {}}));
}

MemoryFileSystem::Entry& MemoryFileSystem::Make(const std::u16string& Path, bool Folder) {
  const Location Where = Locate(Path);
  Entry* Level = Where.Error ? nullptr : Volume(Where.Volume);
  if (!Level) throw std::invalid_argument("no volume for that path");
  for (std::size_t I = 0; I < Where.Names.size(); ++I) {
    Entry* Next = Level->Child(Where.Names[I]);
    Level = Next ? Next : &Level->Add(Where.Names[I], Folder || I + 1 < Where.Names.size());
  }
  return *Level;
}

void MemoryFileSystem::AddFolder(const std::u16string& Path) { Make(Path, true); }

void MemoryFileSystem::AddFile(const std::u16string& Path) { Make(Path, false); }

void MemoryFileSystem::RefuseCreationIn(const std::u16string& Folder) { Make(Folder, true).RefusesNew = true; }

bool MemoryFileSystem::SetCurrentDirectory(const std::u16string& Path) {
  const DWORD Attributes = GetFileAttributesW(Path.c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES || !(Attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  std::u16string Full = FullPath(Path);
  if (Full.size() > RootLength(Full) && Full.back() == u'\\') Full.pop_back();
  if (Full.size() <= RootLength(Full) && Full.back() != u'\\') Full += u'\\';
  FCurrentDirectory = std::move(Full);
  return true;
}

}  // namespace vexa
