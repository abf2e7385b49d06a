#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/memory/memory_names.h"

namespace vexa {
namespace {

constexpr REGSAM GENERIC_READ = 0x80000000u;
constexpr REGSAM GENERIC_WRITE = 0x40000000u;
constexpr REGSAM GENERIC_EXECUTE = 0x20000000u;
constexpr REGSAM GENERIC_ALL = 0x10000000u;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000u;
constexpr REGSAM ALL_RIGHTS = ~REGSAM{0};
constexpr char16_t Wow6432Node[] = u"Wow6432Node";
constexpr char16_t Classes[] = u"Classes";
// The subkeys of a classes key that the 32-bit view finds below the key's
// Wow6432Node; its other subkeys are shared by both views (Windows 7 on).
constexpr std::u16string_view RedirectedClasses[] = {u"CLSID", u"DirectShow", u"Interface",
                                                     u"Media Type", u"MediaFoundation"};
constexpr std::size_t MaxValueNameLength = 16383;
// The size of the security descriptor that a key's rights stand for, in
// self-relative form: the 20-byte header, owner Administrators (16 bytes),
// group SYSTEM (12), and a DACL (8) with one ACE allowing Everyone the
// key's rights (20).
constexpr DWORD DescriptorSize = 20 + 16 + 12 + 8 + 20;
constexpr DWORD LinkValueType = 6;  // REG_LINK
constexpr char16_t LinkValueName[] = u"SymbolicLinkValue";
// Links to links are followed this deep, as the kernel limits its chains.
constexpr int MaxLinkDepth = 16;

std::u16string_view Text(const char16_t* Name) {
  return Name ? std::u16string_view(Name) : std::u16string_view();
}

bool IsName(std::u16string_view Name, std::u16string_view Other) {
  return CompareNames(Name, Other) == 0;
}

// Now as a file time: 100 ns intervals since 1 January 1601 (UTC).
std::uint64_t FileTimeNow() {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  constexpr std::uint64_t From1601To1970 = 116444736000000000;
  return From1601To1970 +
         std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
             .count();
}

FILETIME AsFileTime(std::uint64_t Time) {
  return {static_cast<DWORD>(Time), static_cast<DWORD>(Time >> 32)};
}

// A request may name one view; both at once is refused.
bool NamesBothViews(REGSAM Desired) { return (Desired & KEY_WOW64_RES) == KEY_WOW64_RES; }

// Whether Text and its terminator fit a buffer of Room code units.
bool Fits(std::u16string_view Text, DWORD Room) { return Room > Text.size(); }

void CopyTerminated(std::u16string_view Text, char16_t* Buffer) {
  std::copy(Text.begin(), Text.end(), Buffer);
  Buffer[Text.size()] = u'\0';
}

DWORD LengthOf(std::u16string_view Text) { return static_cast<DWORD>(Text.size()); }

// The specific rights that a request's generic rights stand for.
REGSAM SpecificRights(REGSAM Desired) {
  REGSAM Rights = Desired & ~(KEY_WOW64_RES | MAXIMUM_ALLOWED | GENERIC_READ | GENERIC_WRITE |
                              GENERIC_EXECUTE | GENERIC_ALL);
  if (Desired & (GENERIC_READ | GENERIC_EXECUTE)) Rights |= KEY_READ;
  if (Desired & GENERIC_WRITE) Rights |= KEY_WRITE;
  if (Desired & GENERIC_ALL) Rights |= KEY_ALL_ACCESS;
  return Rights;
}

bool IsStringType(DWORD Type) {
  return Type == REG_SZ || Type == REG_EXPAND_SZ || Type == REG_MULTI_SZ;
}

// The character at a byte offset, little-endian.
char16_t CharacterAt(const std::uint8_t* Data, std::size_t Offset) {
  return static_cast<char16_t>(Data[Offset] | Data[Offset + 1] << 8);
}

// How many bytes of string data a write stores. Like the real registry, one
// that forgets to count its terminator gets it counted: when the data does
// not end in a NUL character and the character at the next even offset
// (just past the data, or overlapping its odd last byte) is NUL, two bytes
// more are stored, read from the caller's buffer past the given size.
DWORD StoredSize(DWORD Type, const std::uint8_t* Data, DWORD Size) {
  if (!IsStringType(Type) || !Data || Size == 0) return Size;
  const std::size_t Characters = Size / 2;
  const bool Terminated = Characters > 0 && CharacterAt(Data, 2 * (Characters - 1)) == u'\0';
  return !Terminated && CharacterAt(Data, 2 * Characters) == u'\0' ? Size + 2 : Size;
}

}  // namespace

struct MemoryValue {
  std::u16string Name;
  DWORD Type = 0;
  std::vector<std::uint8_t> Data;
};

struct MemoryRegistry::Node {
  // Where the 32-bit view finds the key's subkeys.
  enum class Redirect {
    None,      // where the 64-bit view does
    Software,  // below its Wow6432Node, Classes aside; so is the key itself
    Classes,   // the RedirectedClasses below its Wow6432Node
  };

  std::u16string Name;
  std::u16string Class;
  Node* Parent = nullptr;
  std::vector<std::shared_ptr<Node>> Children;  // in CompareNames order
  std::vector<MemoryValue> Values;              // in the order of creation
  REGSAM Granted = ALL_RIGHTS;
  bool Deleted = false;
  bool Volatile = false;
  bool IsLink = false;  // a link to the key its SymbolicLinkValue names
  Redirect Redirection = Redirect::None;
  std::uint64_t LastWrite = FileTimeNow();

  std::vector<std::shared_ptr<Node>>::iterator LowerBound(std::u16string_view Key) {
    return std::lower_bound(Children.begin(), Children.end(), Key,
                            [](const std::shared_ptr<Node>& Child, std::u16string_view K) {
                              return CompareNames(Child->Name, K) < 0;
                            });
  }
  // The subkey's slot, or null.
  std::shared_ptr<Node>* Find(std::u16string_view Key) {
    auto It = LowerBound(Key);
    return It != Children.end() && CompareNames((*It)->Name, Key) == 0 ? &*It : nullptr;
  }
  std::shared_ptr<Node>* Add(std::u16string_view ChildName) {
    auto Child = std::make_shared<Node>();
    Child->Name = std::u16string(ChildName);
    Child->Parent = this;
    return &*Children.insert(LowerBound(ChildName), std::move(Child));
  }
  MemoryValue* FindValue(std::u16string_view ValueName) {
    for (MemoryValue& V : Values) {
      if (CompareNames(V.Name, ValueName) == 0) return &V;
    }
    return nullptr;
  }
  MemoryValue* FindValue(const char16_t* ValueName) { return FindValue(Text(ValueName)); }

  // Whether the 32-bit view finds the subkey Name below this key's Wow6432Node.
  bool Redirects(std::u16string_view ChildName) const {
    switch (Redirection) {
      case Redirect::None: return false;
      case Redirect::Software:
        return !IsName(ChildName, Wow6432Node) && !IsName(ChildName, Classes);
      case Redirect::Classes:
        return std::any_of(std::begin(RedirectedClasses), std::end(RedirectedClasses),
                           [&](std::u16string_view Listed) { return IsName(ChildName, Listed); });
    }
    return false;
  }
};

// What a create gives the keys it makes.
struct MemoryRegistry::NewKey {
  std::u16string_view Class;
  bool Volatile;
};

struct MemoryRegistry::Resolved {
  LSTATUS Status = ERROR_SUCCESS;
  Node* Target = nullptr;
  std::shared_ptr<Node> Shared;  // owner of Target
  bool Created = false;
};

MemoryRegistry::MemoryRegistry(Mode RegistryMode) : FMode(RegistryMode) {
  for (int I = 0; I <= 6; ++I) FRoots.push_back(std::make_shared<Node>());
  Node& Software = **(*RootOf(HKEY_LOCAL_MACHINE))->Add(u"SOFTWARE");
  Software.Redirection = Node::Redirect::Software;
  const std::shared_ptr<Node> MachineClasses = *Software.Add(Classes);
  Node& UserClasses = **(**(*RootOf(HKEY_CURRENT_USER))->Add(u"Software")).Add(Classes);
  // HKEY_CLASSES_ROOT is the machine's classes: Windows merges a user's own
  // classes into it, which this registry does not.
  *RootOf(HKEY_CLASSES_ROOT) = MachineClasses;
  if (FMode == Mode::Windows32) return;
  for (Node* Keys : {MachineClasses.get(), &UserClasses}) {
    Keys->Redirection = Node::Redirect::Classes;
    Keys->Add(Wow6432Node);
  }
  // The 32-bit SOFTWARE's Classes is a link to the classes of the 32-bit view.
  Node& Link = **(**Software.Add(Wow6432Node)).Add(Classes);
  Link.IsLink = true;
  const std::u16string Target = u"\\Registry\\Machine\\SOFTWARE\\Classes\\Wow6432Node";
  const auto* Bytes = reinterpret_cast<const std::uint8_t*>(Target.data());
  Link.Values.push_back({LinkValueName, LinkValueType, {Bytes, Bytes + Target.size() * 2}});
}

MemoryRegistry::~MemoryRegistry() = default;

bool MemoryRegistry::IsView32(REGSAM Access) const {
  switch (FMode) {
    case Mode::Windows32: return false;
    case Mode::Wow64: return !(Access & KEY_WOW64_64KEY);
    case Mode::Windows64: return (Access & KEY_WOW64_32KEY) != 0;
  }
  return false;
}

MemoryRegistry::Handle* MemoryRegistry::HandleOf(HKEY Key) {
  const std::uintptr_t Bits = static_cast<std::uintptr_t>(Key);
  if (Bits < FirstHandle || (Bits - FirstHandle) % HandleStep != 0) return nullptr;
  const std::size_t Slot = (Bits - FirstHandle) / HandleStep;
  return Slot < FHandles.size() && FHandles[Slot].Target ? &FHandles[Slot] : nullptr;
}

// The root a predefined key's handle names. Only the low 32 bits count, so
// that in a 64-bit process the sign-extended constants and their zero-
// extended forms name the same root.
std::shared_ptr<MemoryRegistry::Node>* MemoryRegistry::RootOf(HKEY Key) {
  const std::uint32_t Bits = HandleBits(Key);
  if (Bits < HandleBits(HKEY_CLASSES_ROOT) || Bits > HandleBits(HKEY_DYN_DATA) ||
      Bits == HandleBits(HKEY_PERFORMANCE_DATA)) {
    return nullptr;
  }
  return &FRoots[Bits & 0xF];
}

// The key behind a handle, provided the handle holds the Needed rights.
// Predefined roots hold every right.
const std::shared_ptr<MemoryRegistry::Node>* MemoryRegistry::SlotOf(HKEY Key, LSTATUS& Status,
                                                                    REGSAM Needed) {
  const std::shared_ptr<Node>* Found = RootOf(Key);
  REGSAM Rights = ALL_RIGHTS;
  if (Handle* Open = Found ? nullptr : HandleOf(Key)) {
    Found = &Open->Target;
    Rights = Open->Access;
  }
  Status = !Found                        ? ERROR_INVALID_HANDLE
           : (*Found)->Deleted           ? ERROR_KEY_DELETED
           : (Rights & Needed) != Needed ? ERROR_ACCESS_DENIED
                                         : ERROR_SUCCESS;
  return Status == ERROR_SUCCESS ? Found : nullptr;
}

MemoryRegistry::Node* MemoryRegistry::NodeOf(HKEY Key, LSTATUS& Status, REGSAM Needed) {
  const std::shared_ptr<Node>* Found = SlotOf(Key, Status, Needed);
  return Found ? Found->get() : nullptr;
}

// Walks SubKey from Base. Empty components (doubled or trailing backslashes)
// are skipped. A leading backslash is refused, but by a create of a 64-bit
// process in the 32-bit view, which skips it as Wine's registry does. With the 32-bit view
// requested, a step into a subkey that the key redirects lands below the
// key's Wow6432Node, and a path ending on SOFTWARE lands on its Wow6432Node;
// so does a path below a handle of such a key: the handle does not remember
// the view it was opened in. A create makes the missing keys as Create says.
// A link on the way is followed to its target, and so is the last key unless
// OpenLink asks for the link itself.
MemoryRegistry::Resolved MemoryRegistry::Resolve(const std::shared_ptr<Node>& Base,
                                                 std::u16string_view Path, REGSAM View,
                                                 const NewKey* Create, bool OpenLink, int Depth) {
  Resolved Result;
  Result.Status = ERROR_FILE_NOT_FOUND;
  const bool View32 = IsView32(View);
  // Wine skips it only for a 64-bit process asking for the 32-bit view.
  const bool SkipsBackslash = Create && FMode == Mode::Windows64 && (View & KEY_WOW64_32KEY);
  if (!Path.empty() && Path.front() == u'\\' && !SkipsBackslash) {
    Result.Status = ERROR_BAD_PATHNAME;
    return Result;
  }
  const std::shared_ptr<Node>* Current = &Base;
  std::shared_ptr<Node> LinkTarget;
  std::size_t Start = 0;
  while (Start <= Path.size()) {
    std::size_t End = Path.find(u'\\', Start);
    if (End == std::u16string_view::npos) End = Path.size();
    const std::u16string_view Name = Path.substr(Start, End - Start);
    Start = End + 1;
    if (Name.empty()) continue;
    if (View32 && (*Current)->Redirects(Name) && !(Current = (*Current)->Find(Wow6432Node))) {
      return Result;  // the 32-bit view's Wow6432Node key was deleted
    }
    std::shared_ptr<Node>* Child = (*Current)->Find(Name);
    if (!Child) {
      Node& Parent = **Current;
      Result.Status = !Create                                  ? ERROR_FILE_NOT_FOUND
                      : !(Parent.Granted & KEY_CREATE_SUB_KEY) ? ERROR_ACCESS_DENIED
                      : Parent.Volatile && !Create->Volatile   ? ERROR_CHILD_MUST_BE_VOLATILE
                                                               : ERROR_SUCCESS;
      if (Result.Status != ERROR_SUCCESS) return Result;
      Child = Parent.Add(Name);
      (*Child)->Class = std::u16string(Create->Class);
      (*Child)->Volatile = Create->Volatile;
      Parent.LastWrite = (*Child)->LastWrite;
      Result.Created = true;
    }
    Current = Child;
    const bool Last = Path.find_first_not_of(u'\\', Start) == std::u16string_view::npos;
    if ((*Current)->IsLink && !(Last && OpenLink)) {
      Resolved Followed = FollowLink(**Current, Depth);
      if (Followed.Status != ERROR_SUCCESS) return Followed;
      LinkTarget = std::move(Followed.Shared);
      Current = &LinkTarget;
    }
  }
  if (View32 && !Path.empty() && (*Current)->Redirection == Node::Redirect::Software &&
      !(Current = (*Current)->Find(Wow6432Node))) {
    return Result;
  }
  Result.Status = ERROR_SUCCESS;
  Result.Shared = *Current;
  Result.Target = Current->get();
  return Result;
}

// The key a link names: "\\Registry\\Machine\\..." or "\\Registry\\User\\...",
// in the names of the registry itself (no view applies).
MemoryRegistry::Resolved MemoryRegistry::FollowLink(Node& Link, int Depth) {
  Resolved Result;
  Result.Status = ERROR_FILE_NOT_FOUND;
  const MemoryValue* Value = Link.FindValue(std::u16string_view(LinkValueName));
  if (!Value || Value->Type != LinkValueType || Depth >= MaxLinkDepth) return Result;
  std::u16string Target(Value->Data.size() / 2, u'\0');
  std::memcpy(Target.data(), Value->Data.data(), Target.size() * 2);
  for (const auto& [Prefix, Root] :
       {std::pair{std::u16string_view(u"\\Registry\\Machine"), HKEY_LOCAL_MACHINE},
        std::pair{std::u16string_view(u"\\Registry\\User"), HKEY_USERS}}) {
    const std::u16string_view Rest =
        std::u16string_view(Target).substr(std::min(Prefix.size(), Target.size()));
    if (CompareNames(std::u16string_view(Target).substr(0, Prefix.size()), Prefix) != 0 ||
        (!Rest.empty() && Rest.front() != u'\\')) {
      continue;
    }
    return Resolve(*RootOf(Root), Rest.substr(Rest.empty() ? 0 : 1), KEY_WOW64_64KEY, nullptr,
                   false, Depth + 1);
  }
  return Result;
}

HKEY MemoryRegistry::NewHandle(const std::shared_ptr<Node>& Target, REGSAM Access) {
  std::size_t Slot = FHandles.size();
  if (FFreeSlots.empty()) {
    FHandles.emplace_back();
  } else {
    Slot = FFreeSlots.back();
    FFreeSlots.pop_back();
  }
  FHandles[Slot] = Handle{Target, SpecificRights(Access)};
  ++FOpenHandles;
  return static_cast<HKEY>(FirstHandle + Slot * HandleStep);
}

LSTATUS MemoryRegistry::RegOpenKeyExW(HKEY Key, const char16_t* SubKey, DWORD Options,
                                      REGSAM Desired, HKEY* Result) {
  if (!Result || NamesBothViews(Desired)) return ERROR_INVALID_PARAMETER;
  *Result = HKEY{};
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Key, Status);
  if (!Base) return Status;
  std::u16string_view Path = Text(SubKey);
  if (Path.empty() && RootOf(Key)) {
    *Result = Key;  // a predefined root opens as itself
    return ERROR_SUCCESS;
  }
  // HKEY_CLASSES_ROOT, a merged view on Windows, takes one leading backslash.
  if (RootOf(Key) == RootOf(HKEY_CLASSES_ROOT) && !Path.empty() && Path.front() == u'\\') {
    Path.remove_prefix(1);
  }
  Resolved Found = Resolve(*Base, Path, Desired, nullptr, (Options & REG_OPTION_OPEN_LINK) != 0);
  if (Found.Status != ERROR_SUCCESS) return Found.Status;
  const REGSAM Rights = SpecificRights(Desired);
  if ((Found.Target->Granted & Rights) != Rights) return ERROR_ACCESS_DENIED;
  *Result = NewHandle(Found.Shared, Desired);
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved,
                                        char16_t* Class, DWORD Options, REGSAM Desired, const void*,
                                        HKEY* Result, DWORD* Disposition) {
  if (!Result || Reserved != 0 || NamesBothViews(Desired)) return ERROR_INVALID_PARAMETER;
  *Result = HKEY{};
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Key, Status);
  if (!Base) return Status;
  const bool MakeLink = (Options & REG_OPTION_CREATE_LINK) != 0;
  const NewKey Making{Text(Class), (Options & REG_OPTION_VOLATILE) != 0};
  Resolved Found = Resolve(*Base, Text(SubKey), Desired, &Making, MakeLink);
  if (Found.Status != ERROR_SUCCESS) return Found.Status;
  if (MakeLink && Found.Created) Found.Target->IsLink = true;
  const REGSAM Rights = SpecificRights(Desired);
  if ((Found.Target->Granted & Rights) != Rights) return ERROR_ACCESS_DENIED;
  *Result = NewHandle(Found.Shared, Desired);
  if (Disposition) *Disposition = Found.Created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegCloseKey(HKEY Key) {
  if (Handle* Open = HandleOf(Key)) {
    Open->Target.reset();
    FFreeSlots.push_back((static_cast<std::uintptr_t>(Key) - FirstHandle) / HandleStep);
    --FOpenHandles;
    return ERROR_SUCCESS;
  }
  // Any handle in the predefined range closes without effect.
  return HandleBits(Key) >= HandleBits(HKEY_CLASSES_ROOT) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS MemoryRegistry::RegFlushKey(HKEY Key) {
  LSTATUS Status;
  NodeOf(Key, Status);
  return Status;
}

LSTATUS MemoryRegistry::RegQueryInfoKeyW(HKEY Key, char16_t* Class, DWORD* ClassLength, DWORD*,
                                         DWORD* SubKeys, DWORD* MaxSubKeyLength,
                                         DWORD* MaxClassLength, DWORD* Values,
                                         DWORD* MaxValueNameLength, DWORD* MaxValueLength,
                                         DWORD* SecurityDescriptorSize, FILETIME* LastWriteTime) {
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_QUERY_VALUE);
  if (!Target) return Status;
  if (Class && !ClassLength) return ERROR_INVALID_PARAMETER;
  // A class that does not fit its buffer fails the call with its length;
  // the other answers come all the same.
  if (ClassLength) {
    if (Class && !Fits(Target->Class, *ClassLength)) {
      Status = ERROR_MORE_DATA;
    } else if (Class) {
      CopyTerminated(Target->Class, Class);
    }
    *ClassLength = LengthOf(Target->Class);
  }
  std::size_t LongestName = 0, LongestClass = 0;
  for (const auto& Child : Target->Children) {
    LongestName = std::max(LongestName, Child->Name.size());
    LongestClass = std::max(LongestClass, Child->Class.size());
  }
  std::size_t LongestValueName = 0, LongestData = 0;
  for (const MemoryValue& V : Target->Values) {
    LongestValueName = std::max(LongestValueName, V.Name.size());
    LongestData = std::max(LongestData, V.Data.size());
  }
  const std::pair<DWORD*, std::size_t> Answers[] = {
      {SubKeys, Target->Children.size()},      {MaxSubKeyLength, LongestName},
      {MaxClassLength, LongestClass},          {Values, Target->Values.size()},
      {MaxValueNameLength, LongestValueName},  {MaxValueLength, LongestData},
      {SecurityDescriptorSize, DescriptorSize}};
  for (const auto& [Out, Answer] : Answers) {
    if (Out) *Out = static_cast<DWORD>(Answer);
  }
  if (LastWriteTime) *LastWriteTime = AsFileTime(Target->LastWrite);
  return Status;
}

// The subkey's last-write time, then, on success, its name, and its class
// where both the class buffer and its length are given; a name or class
// that does not fit fails the call with neither written.
LSTATUS MemoryRegistry::RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                                      DWORD* Reserved, char16_t* Class, DWORD* ClassLength,
                                      FILETIME* LastWriteTime) {
  if (Reserved) return ERROR_INVALID_PARAMETER;
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_ENUMERATE_SUB_KEYS);
  if (!Target) return Status;
  if (Index >= Target->Children.size()) return ERROR_NO_MORE_ITEMS;
  if (!Name || !NameLength) return ERROR_INVALID_PARAMETER;
  const Node& Child = *Target->Children[Index];
  if (LastWriteTime) *LastWriteTime = AsFileTime(Child.LastWrite);
  const bool WantsClass = Class && ClassLength;
  if (!Fits(Child.Name, *NameLength) || (WantsClass && !Fits(Child.Class, *ClassLength))) {
    return ERROR_MORE_DATA;
  }
  CopyTerminated(Child.Name, Name);
  *NameLength = LengthOf(Child.Name);
  if (WantsClass) CopyTerminated(Child.Class, Class);
  if (ClassLength) *ClassLength = LengthOf(Child.Class);
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::DeleteKey(HKEY Key, const char16_t* SubKey, REGSAM View) {
  if (!SubKey) return ERROR_INVALID_PARAMETER;  // never the open key itself
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Key, Status);
  if (!Base) return Status;
  Resolved Found = Resolve(*Base, SubKey, View, nullptr);
  if (Found.Status != ERROR_SUCCESS) return Found.Status;
  return Unlink(*Found.Target);
}

LSTATUS MemoryRegistry::Unlink(Node& Target) {
  const bool IsRoot =
      std::any_of(FRoots.begin(), FRoots.end(),
                  [&](const std::shared_ptr<Node>& Root) { return Root.get() == &Target; });
  if (IsRoot || !Target.Children.empty() || !(Target.Granted & DELETE)) return ERROR_ACCESS_DENIED;
  Node* Parent = Target.Parent;
  auto It = Parent->LowerBound(Target.Name);
  Target.Deleted = true;
  Target.Parent = nullptr;
  Parent->Children.erase(It);
  Parent->LastWrite = FileTimeNow();
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired, DWORD) {
  return NamesBothViews(Desired) ? ERROR_INVALID_PARAMETER : DeleteKey(Key, SubKey, Desired);
}

LSTATUS MemoryRegistry::RegDeleteKeyW(HKEY Key, const char16_t* SubKey) {
  return DeleteKey(Key, SubKey, 0);
}

LSTATUS MemoryRegistry::RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD* Reserved,
                                         DWORD* Type, std::uint8_t* Data, DWORD* DataSize) {
  if (Reserved) return ERROR_INVALID_PARAMETER;
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_QUERY_VALUE);
  if (!Target) return Status;
  if (Data && !DataSize) return ERROR_INVALID_PARAMETER;
  const MemoryValue* Found = Target->FindValue(ValueName);
  if (!Found) {
    if (DataSize && !Data) *DataSize = 0;  // a size query of a missing value answers no bytes
    return ERROR_FILE_NOT_FOUND;
  }
  if (Type) *Type = Found->Type;
  if (!DataSize) return ERROR_SUCCESS;
  const DWORD Size = static_cast<DWORD>(Found->Data.size());
  const DWORD Room = *DataSize;
  *DataSize = Size;
  if (!Data) return ERROR_SUCCESS;
  if (Room < Size) return ERROR_MORE_DATA;
  std::copy(Found->Data.begin(), Found->Data.end(), Data);
  // As the real registry does: string data that does not end in two NUL
  // bytes gets a NUL character after it in the buffer, room permitting
  // (the size reported stays that of the data).
  const bool Terminated = Size >= 2 && Found->Data[Size - 2] == 0 && Found->Data[Size - 1] == 0;
  if (IsStringType(Found->Type) && Size > 0 && !Terminated && Room - Size >= 2) {
    Data[Size] = Data[Size + 1] = 0;
  }
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD, DWORD Type,
                                       const std::uint8_t* Data, DWORD DataSize) {
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_SET_VALUE);
  if (!Target) return Status;
  if (Text(ValueName).size() > MaxValueNameLength) return ERROR_INVALID_PARAMETER;
  // An in-process registry cannot probe an unreadable pointer as the kernel does: only a null one
  // is refused.
  if (!Data && DataSize) return ERROR_NOACCESS;
  MemoryValue* Found = Target->FindValue(ValueName);
  if (!Found) {
    Found = &Target->Values.emplace_back();
    Found->Name = std::u16string(Text(ValueName));
  }
  Found->Type = Type;
  Found->Data.assign(Data, Data + StoredSize(Type, Data, DataSize));
  Target->LastWrite = FileTimeNow();
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegDeleteValueW(HKEY Key, const char16_t* ValueName) {
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_SET_VALUE);
  if (!Target) return Status;
  const MemoryValue* Found = Target->FindValue(ValueName);
  if (!Found) return ERROR_FILE_NOT_FOUND;
  Target->Values.erase(Target->Values.begin() + (Found - Target->Values.data()));
  Target->LastWrite = FileTimeNow();
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::SetKeyRights(HKEY Root, const std::u16string& Path, REGSAM View,
                                     REGSAM Granted) {
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Root, Status);
  if (!Base) return Status;
  Resolved Found = Resolve(*Base, Path, View, nullptr);
  if (Found.Status == ERROR_SUCCESS) Found.Target->Granted = Granted;
  return Found.Status;
}

LSTATUS MemoryRegistry::CreateNativeSubKey(HKEY Parent, const std::u16string& Name) {
  LSTATUS Status;
  Node* Target = NodeOf(Parent, Status, KEY_CREATE_SUB_KEY);
  if (!Target) return Status;
  if (!Target->Find(Name)) Target->LastWrite = Target->Add(Name)->get()->LastWrite;
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::DeleteNativeSubKey(HKEY Parent, const std::u16string& Name) {
  LSTATUS Status;
  Node* Target = NodeOf(Parent, Status);
  if (!Target) return Status;
  std::shared_ptr<Node>* Child = Target->Find(Name);
  if (!Child) return ERROR_FILE_NOT_FOUND;
  return Unlink(**Child);
}

}  // namespace vexa
