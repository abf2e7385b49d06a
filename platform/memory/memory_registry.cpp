#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/memory/memory_names.h"

namespace vexa {
namespace {

constexpr LSTATUS ERROR_NOACCESS = 998;
constexpr REGSAM GENERIC_READ = 0x80000000u;
constexpr REGSAM GENERIC_WRITE = 0x40000000u;
constexpr REGSAM GENERIC_EXECUTE = 0x20000000u;
constexpr REGSAM GENERIC_ALL = 0x10000000u;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000u;
constexpr REGSAM ALL_RIGHTS = ~REGSAM{0};
constexpr char16_t Wow6432Node[] = u"Wow6432Node";
constexpr DWORD LinkValueType = 6;  // REG_LINK
constexpr char16_t LinkValueName[] = u"SymbolicLinkValue";
// Links to links are followed this deep, as the kernel limits its chains.
constexpr int MaxLinkDepth = 16;

std::u16string_view Text(const char16_t* Name) {
  return Name ? std::u16string_view(Name) : std::u16string_view();
}

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
  std::u16string Name;
  Node* Parent = nullptr;
  std::vector<std::shared_ptr<Node>> Children;  // in CompareNames order
  std::vector<MemoryValue> Values;              // in the order of creation
  REGSAM Granted = ALL_RIGHTS;
  bool Deleted = false;
  bool Redirects32 = false;  // its 32-bit view is its Wow6432Node subkey
  bool IsLink = false;       // a link to the key its SymbolicLinkValue names
  std::uint64_t LastWrite = 0;

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
};

struct MemoryRegistry::Resolved {
  LSTATUS Status = ERROR_SUCCESS;
  Node* Target = nullptr;
  std::shared_ptr<Node> Shared;  // owner of Target
  bool Created = false;
};

MemoryRegistry::MemoryRegistry(Mode RegistryMode) : FMode(RegistryMode) {
  for (int I = 0; I <= 6; ++I) FRoots.push_back(std::make_shared<Node>());
  if (FMode != Mode::Windows32) {
    Node& Machine = *FRoots[HandleBits(HKEY_LOCAL_MACHINE) & 0xF];
    Node& Software = **Machine.Add(u"SOFTWARE");
    Software.Redirects32 = true;
    Software.Add(Wow6432Node);
  }
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

// The key behind a handle, provided the handle holds the Needed rights.
// Predefined roots hold every right.
const std::shared_ptr<MemoryRegistry::Node>* MemoryRegistry::SlotOf(HKEY Key, LSTATUS& Status,
                                                                    REGSAM Needed) {
  const std::shared_ptr<Node>* Found = nullptr;
  REGSAM Rights = ALL_RIGHTS;
  if (Key != HKEY_PERFORMANCE_DATA && Key >= HKEY_CLASSES_ROOT && Key <= HKEY_DYN_DATA) {
    Found = &FRoots[HandleBits(Key) & 0xF];
  } else if (Handle* Open = HandleOf(Key)) {
    Found = &Open->Target;
    Rights = Open->Access;
  }
  Status = !Found                       ? ERROR_INVALID_HANDLE
           : (*Found)->Deleted          ? ERROR_KEY_DELETED
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
// process in the 32-bit view, which skips it as Wine's registry does. Stepping into a key that
// redirects its 32-bit view, with that view requested, lands on its
// Wow6432Node subkey, and so does a path below a handle of such a key: the
// handle does not remember the view it was opened in. A link on the way is
// followed to its target, and so is the last key unless OpenLink asks for
// the link itself.
MemoryRegistry::Resolved MemoryRegistry::Resolve(const std::shared_ptr<Node>& Base,
                                                 std::u16string_view Path, REGSAM View, bool Create,
                                                 bool OpenLink, int Depth) {
  Resolved Result;
  const bool View32 = IsView32(View);
  // Wine skips it only for a 64-bit process asking for the 32-bit view.
  const bool SkipsBackslash = Create && FMode == Mode::Windows64 && (View & KEY_WOW64_32KEY);
  if (!Path.empty() && Path.front() == u'\\' && !SkipsBackslash) {
    Result.Status = ERROR_BAD_PATHNAME;
    return Result;
  }
  const std::shared_ptr<Node>* Current = &Base;
  std::shared_ptr<Node> LinkTarget;
  bool Redirect = View32 && Base->Redirects32 && !Path.empty();
  std::size_t Start = 0;
  while (Start <= Path.size()) {
    std::size_t End = Path.find(u'\\', Start);
    if (End == std::u16string_view::npos) End = Path.size();
    const std::u16string_view Name = Path.substr(Start, End - Start);
    Start = End + 1;
    if (Name.empty()) continue;
    if (Redirect) {
      Redirect = false;
      Current = (*Current)->Find(Wow6432Node);
      if (!Current) break;
      if (CompareNames(Name, Wow6432Node) == 0) continue;
    }
    std::shared_ptr<Node>* Child = (*Current)->Find(Name);
    if (!Child) {
      if (!Create) {
        Result.Status = ERROR_FILE_NOT_FOUND;
        return Result;
      }
      if (!((*Current)->Granted & KEY_CREATE_SUB_KEY)) {
        Result.Status = ERROR_ACCESS_DENIED;
        return Result;
      }
      (*Current)->LastWrite = ++FClock;
      Child = (*Current)->Add(Name);
      (*Child)->LastWrite = FClock;
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
    Redirect = View32 && (*Current)->Redirects32;
  }
  if (Redirect) Current = (*Current)->Find(Wow6432Node);
  if (!Current) {  // the 32-bit view's Wow6432Node key was deleted
    Result.Status = ERROR_FILE_NOT_FOUND;
    return Result;
  }
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
  for (const auto& [Prefix, Root] : {std::pair{std::u16string_view(u"\\Registry\\Machine"), HKEY_LOCAL_MACHINE},
                                     std::pair{std::u16string_view(u"\\Registry\\User"), HKEY_USERS}}) {
    const std::u16string_view Rest = std::u16string_view(Target).substr(std::min(Prefix.size(), Target.size()));
    if (CompareNames(std::u16string_view(Target).substr(0, Prefix.size()), Prefix) != 0 ||
        (!Rest.empty() && Rest.front() != u'\\')) {
      continue;
    }
    return Resolve(FRoots[HandleBits(Root) & 0xF], Rest.substr(Rest.empty() ? 0 : 1), KEY_WOW64_64KEY,
                   false, false, Depth + 1);
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
  if (!Result) return ERROR_INVALID_PARAMETER;
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Key, Status);
  if (!Base) return Status;
  if (Text(SubKey).empty() && !HandleOf(Key)) {
    *Result = Key;  // a predefined root opens as itself
    return ERROR_SUCCESS;
  }
  Resolved Found =
      Resolve(*Base, Text(SubKey), Desired, false, (Options & REG_OPTION_OPEN_LINK) != 0);
  if (Found.Status != ERROR_SUCCESS) return Found.Status;
  const REGSAM Rights = SpecificRights(Desired);
  if ((Found.Target->Granted & Rights) != Rights) return ERROR_ACCESS_DENIED;
  *Result = NewHandle(Found.Shared, Desired);
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD, char16_t*,
                                        DWORD Options, REGSAM Desired, const void*, HKEY* Result,
                                        DWORD* Disposition) {
  if (!Result) return ERROR_INVALID_PARAMETER;
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Key, Status);
  if (!Base) return Status;
  const bool MakeLink = (Options & REG_OPTION_CREATE_LINK) != 0;
  Resolved Found = Resolve(*Base, Text(SubKey), Desired, true, MakeLink);
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
  LSTATUS Status;
  NodeOf(Key, Status);
  return Status;  // a predefined root closes without effect
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
  Node* Target = NodeOf(Key, Status);
  if (!Target) return Status;
  if (Class && ClassLength && *ClassLength > 0) Class[0] = u'\0';
  if (ClassLength) *ClassLength = 0;
  if (MaxClassLength) *MaxClassLength = 0;
  if (SecurityDescriptorSize) *SecurityDescriptorSize = 0;
  if (SubKeys) *SubKeys = static_cast<DWORD>(Target->Children.size());
  if (MaxSubKeyLength) {
    std::size_t Longest = 0;
    for (const auto& Child : Target->Children) Longest = std::max(Longest, Child->Name.size());
    *MaxSubKeyLength = static_cast<DWORD>(Longest);
  }
  if (Values) *Values = static_cast<DWORD>(Target->Values.size());
  std::size_t LongestName = 0, LongestData = 0;
  for (const MemoryValue& V : Target->Values) {
    LongestName = std::max(LongestName, V.Name.size());
    LongestData = std::max(LongestData, V.Data.size());
  }
  if (MaxValueNameLength) *MaxValueNameLength = static_cast<DWORD>(LongestName);
  if (MaxValueLength) *MaxValueLength = static_cast<DWORD>(LongestData);
  if (LastWriteTime) {
    LastWriteTime->dwLowDateTime = static_cast<DWORD>(Target->LastWrite);
    LastWriteTime->dwHighDateTime = static_cast<DWORD>(Target->LastWrite >> 32);
  }
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                                      DWORD*, char16_t* Class, DWORD* ClassLength,
                                      FILETIME* LastWriteTime) {
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_ENUMERATE_SUB_KEYS);
  if (!Target) return Status;
  if (Index >= Target->Children.size()) return ERROR_NO_MORE_ITEMS;
  if (!Name || !NameLength) return ERROR_INVALID_PARAMETER;
  const Node& Child = *Target->Children[Index];
  if (*NameLength <= Child.Name.size()) return ERROR_MORE_DATA;
  std::copy(Child.Name.begin(), Child.Name.end(), Name);
  Name[Child.Name.size()] = u'\0';
  *NameLength = static_cast<DWORD>(Child.Name.size());
  if (Class && ClassLength && *ClassLength > 0) Class[0] = u'\0';
  if (ClassLength) *ClassLength = 0;
  if (LastWriteTime) {
    LastWriteTime->dwLowDateTime = static_cast<DWORD>(Child.LastWrite);
    LastWriteTime->dwHighDateTime = static_cast<DWORD>(Child.LastWrite >> 32);
  }
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::DeleteKey(HKEY Key, const char16_t* SubKey, REGSAM View) {
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Key, Status);
  if (!Base) return Status;
  Resolved Found = Resolve(*Base, Text(SubKey), View, false);
  if (Found.Status != ERROR_SUCCESS) return Found.Status;
  return Unlink(*Found.Target);
}

LSTATUS MemoryRegistry::Unlink(Node& Target) {
  if (!Target.Parent || !Target.Children.empty() || !(Target.Granted & DELETE)) {
    return ERROR_ACCESS_DENIED;
  }
  Node* Parent = Target.Parent;
  auto It = Parent->LowerBound(Target.Name);
  Target.Deleted = true;
  Target.Parent = nullptr;
  Parent->Children.erase(It);
  Parent->LastWrite = ++FClock;
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired, DWORD) {
  return DeleteKey(Key, SubKey, Desired);
}

LSTATUS MemoryRegistry::RegDeleteKeyW(HKEY Key, const char16_t* SubKey) {
  return DeleteKey(Key, SubKey, 0);
}

LSTATUS MemoryRegistry::RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD*, DWORD* Type,
                                         std::uint8_t* Data, DWORD* DataSize) {
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_QUERY_VALUE);
  if (!Target) return Status;
  if (Data && !DataSize) return ERROR_INVALID_PARAMETER;
  const MemoryValue* Found = Target->FindValue(ValueName);
  if (!Found) return ERROR_FILE_NOT_FOUND;
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
  if (!Data && DataSize) return ERROR_NOACCESS;
  MemoryValue* Found = Target->FindValue(ValueName);
  if (!Found) {
    Found = &Target->Values.emplace_back();
    Found->Name = std::u16string(Text(ValueName));
  }
  Found->Type = Type;
  Found->Data.assign(Data, Data + StoredSize(Type, Data, DataSize));
  Target->LastWrite = ++FClock;
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::RegDeleteValueW(HKEY Key, const char16_t* ValueName) {
  LSTATUS Status;
  Node* Target = NodeOf(Key, Status, KEY_SET_VALUE);
  if (!Target) return Status;
  const MemoryValue* Found = Target->FindValue(ValueName);
  if (!Found) return ERROR_FILE_NOT_FOUND;
  Target->Values.erase(Target->Values.begin() + (Found - Target->Values.data()));
  Target->LastWrite = ++FClock;
  return ERROR_SUCCESS;
}

LSTATUS MemoryRegistry::SetKeyRights(HKEY Root, const std::u16string& Path, REGSAM View,
                                     REGSAM Granted) {
  LSTATUS Status;
  const std::shared_ptr<Node>* Base = SlotOf(Root, Status);
  if (!Base) return Status;
  Resolved Found = Resolve(*Base, Path, View, false);
  if (Found.Status == ERROR_SUCCESS) Found.Target->Granted = Granted;
  return Found.Status;
}

LSTATUS MemoryRegistry::CreateNativeSubKey(HKEY Parent, const std::u16string& Name) {
  LSTATUS Status;
  Node* Target = NodeOf(Parent, Status, KEY_CREATE_SUB_KEY);
  if (!Target) return Status;
  if (!Target->Find(Name)) Target->Add(Name)->get()->LastWrite = ++FClock;
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
