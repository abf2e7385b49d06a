// The registry layer itself, function by function, on both backends: tables
// of calls with the results and out-parameters that Windows gives. A row
// where Wine is known to answer otherwise says how in WineDiffers and runs
// on the in-memory registry only, which follows Windows.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/exception.h"
#include "tests/registry_fixture.h"

namespace vexa {
namespace {

constexpr REGSAM View64 = KEY_WOW64_64KEY;
constexpr REGSAM View32 = KEY_WOW64_32KEY;
constexpr DWORD Sentinel = 0xEEEE;  // an out-parameter's value before the call
const HKEY Untouched = static_cast<HKEY>(0x1234);
const HKEY NotAHandle = static_cast<HKEY>(0x12344);
// HKEY_LOCAL_MACHINE without its sign extension, and with a high bit set
// (both only differ from it in a 64-bit process).
const HKEY MachineZeroExtended = static_cast<HKEY>(std::uintptr_t{0x80000002u});
const HKEY MachineHighBits = static_cast<HKEY>(static_cast<std::uintptr_t>(0x180000002ull));

// Text as a buffer holds it with its terminator.
std::u16string Terminated(std::u16string_view Text) { return std::u16string(Text) + u'\0'; }

std::uint64_t Ticks(const FILETIME& Time) {
  return std::uint64_t{Time.dwHighDateTime} << 32 | Time.dwLowDateTime;
}

// A key below HKLM in a view, which a delete must keep or remove.
struct Place {
  std::u16string Path;
  bool _64BitView;
};
Place In64(const std::u16string& Path) { return {Path, true}; }
Place In32(const std::u16string& Path) { return {Path, false}; }
Place InOwnView(const std::u16string& Path) { return {Path, ProcessView64}; }

class RegistryLayerTest : public RegistryTest {
 protected:
  RegistryApi& Api() { return CurrentRegistry(); }

  // Whether a row runs on this backend.
  bool Runs(const char* WineDiffers) const {
    return GetParam() == Backend::Memory || WineDiffers == nullptr;
  }
  LSTATUS Open(HKEY Base, const std::u16string& Path, REGSAM Access, HKEY& Key) {
    return Api().RegOpenKeyExW(Base, Path.c_str(), 0, Access, &Key);
  }
  HKEY Opened(HKEY Base, const std::u16string& Path, REGSAM Access = KEY_ALL_ACCESS | View64) {
    HKEY Key{};
    EXPECT_EQ(Open(Base, Path, Access, Key), ERROR_SUCCESS) << ToUtf8(Path);
    return Key;
  }
  LSTATUS OpenAndClose(HKEY Base, const std::u16string& Path, REGSAM Access) {
    HKEY Key{};
    const LSTATUS Code = Open(Base, Path, Access, Key);
    if (Code == ERROR_SUCCESS && Key != Base) Api().RegCloseKey(Key);
    return Code;
  }
  // A new key at Path below HKLM, in the 64-bit view, with a class.
  HKEY Made(const std::u16string& Path, const char16_t* Class = nullptr) {
    HKEY Key{};
    std::u16string Text = Class ? Class : u"";
    EXPECT_EQ(
        Api().RegCreateKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, Class ? Text.data() : nullptr, 0,
                              KEY_ALL_ACCESS | View64, nullptr, &Key, nullptr),
        ERROR_SUCCESS)
        << ToUtf8(Path);
    return Key;
  }
  // A handle whose key is then deleted.
  HKEY DeletedKey() {
    const HKEY Key = Made(At(u"Deleted"));
    EXPECT_EQ(Api().RegDeleteKeyExW(HKEY_LOCAL_MACHINE, At(u"Deleted").c_str(), View64, 0),
              ERROR_SUCCESS);
    return Key;
  }
  std::u16string ClassOf(HKEY Key) {
    char16_t Class[64];
    DWORD Length = 64;
    EXPECT_EQ(Api().RegQueryInfoKeyW(Key, Class, &Length, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    return std::u16string(Class, Length);
  }
  std::uint64_t LastWriteOf(HKEY Key) {
    FILETIME Time{};
    EXPECT_EQ(Api().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, &Time),
              ERROR_SUCCESS);
    return Ticks(Time);
  }
  std::vector<std::u16string> SubkeyNames(HKEY Key) {
    std::vector<std::u16string> Names;
    char16_t Name[256];
    for (DWORD Index = 0;; ++Index) {
      DWORD Length = 256;
      if (Api().RegEnumKeyExW(Key, Index, Name, &Length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        return Names;
      }
      Names.emplace_back(Name, Length);
    }
  }
  void ExpectPlaces(const std::optional<Place>& Kept, const std::optional<Place>& Removed,
                    const char* Row) {
    if (Kept) {
      EXPECT_TRUE(Exists(Kept->Path, Kept->_64BitView)) << Row << ": kept";
    }
    if (Removed) {
      EXPECT_FALSE(Exists(Removed->Path, Removed->_64BitView)) << Row << ": removed";
    }
  }
  // The scratch key's own name, for keys made outside it.
  std::u16string Leaf() const { return FScratch.substr(sizeof("SOFTWARE\\") - 1); }
};

// A call refused for its arguments writes no out-parameter; any other
// failure clears the out handle.
HKEY HandleAfterFailure(LSTATUS Code) {
  return Code == ERROR_INVALID_PARAMETER ? Untouched : HKEY{};
}

TEST_P(RegistryLayerTest, RegOpenKeyExW) {
  Seed(At(u"A\\B"), true);
  const HKEY Scratch = Opened(HKEY_LOCAL_MACHINE, FScratch);
  const HKEY Deleted = DeletedKey();
  const std::u16string Classes = u"SOFTWARE\\Classes\\" + Leaf();
  Api().RegCloseKey(Made(Classes));
  struct Row {
    const char* Name;
    HKEY Base;
    std::optional<std::u16string> Path;  // none: a null pointer
    REGSAM Access;
    LSTATUS Expected;
    bool OpensAsBase = false;  // the handle that comes back is Base itself
    const char* WineDiffers = nullptr;
  };
  const REGSAM Read = KEY_READ | View64;
  const std::vector<Row> Rows = {
      {"a key", HKEY_LOCAL_MACHINE, At(u"A\\B"), Read, ERROR_SUCCESS},
      {"names compare case-insensitively", HKEY_LOCAL_MACHINE, At(u"a\\b"), Read, ERROR_SUCCESS},
      {"a trailing backslash is ignored", HKEY_LOCAL_MACHINE, At(u"A\\B\\"), Read, ERROR_SUCCESS},
      {"so are doubled ones", HKEY_LOCAL_MACHINE, FScratch + u"\\\\A\\\\B", Read, ERROR_SUCCESS},
      {"a leading one is not", HKEY_LOCAL_MACHINE, u"\\" + At(u"A\\B"), Read, ERROR_BAD_PATHNAME},
      {"a missing key", HKEY_LOCAL_MACHINE, At(u"A\\Missing"), Read, ERROR_FILE_NOT_FOUND},
      {"a missing key on the way", HKEY_LOCAL_MACHINE, At(u"Missing\\B"), Read,
       ERROR_FILE_NOT_FOUND},
      {"a path below an open key", Scratch, u"A\\B", Read, ERROR_SUCCESS},
      {"an open key's empty path: a new handle", Scratch, u"", Read, ERROR_SUCCESS},
      {"a root's empty path: the root", HKEY_LOCAL_MACHINE, u"", Read, ERROR_SUCCESS, true},
      {"a root's null path: the root", HKEY_LOCAL_MACHINE, std::nullopt, Read, ERROR_SUCCESS, true},
      {"a root's handle without sign extension", MachineZeroExtended, FScratch, Read,
       ERROR_SUCCESS},
      {"which opens as itself", MachineZeroExtended, u"", Read, ERROR_SUCCESS, true},
      {"a root's handle with high bits", MachineHighBits, FScratch, Read, ERROR_SUCCESS},
      {"HKEY_CLASSES_ROOT takes one leading backslash", HKEY_CLASSES_ROOT, u"\\" + Leaf(), Read,
       ERROR_SUCCESS},
      {"but not two", HKEY_CLASSES_ROOT, u"\\\\" + Leaf(), Read, ERROR_BAD_PATHNAME},
      {"no handle", HKEY{}, u"x", Read, ERROR_INVALID_HANDLE},
      {"not a handle", NotAHandle, u"x", Read, ERROR_INVALID_HANDLE},
      {"HKEY_PERFORMANCE_DATA holds no keys", HKEY_PERFORMANCE_DATA, u"x", Read,
       ERROR_INVALID_HANDLE},
      {"a deleted key", Deleted, u"", Read, ERROR_KEY_DELETED},
      {"both views at once", HKEY_LOCAL_MACHINE, FScratch, KEY_READ | View64 | View32,
       ERROR_INVALID_PARAMETER, false, "Wine takes the request for one of the views"},
  };
  for (const Row& R : Rows) {
    if (!Runs(R.WineDiffers)) continue;
    HKEY Key = Untouched;
    const LSTATUS Code =
        Api().RegOpenKeyExW(R.Base, R.Path ? R.Path->c_str() : nullptr, 0, R.Access, &Key);
    EXPECT_EQ(Code, R.Expected) << R.Name;
    if (Code != ERROR_SUCCESS) {
      EXPECT_EQ(Key, HandleAfterFailure(Code)) << R.Name;
    } else if (R.OpensAsBase) {
      EXPECT_EQ(Key, R.Base) << R.Name;
    } else {
      EXPECT_NE(Key, R.Base) << R.Name;
      EXPECT_EQ(Api().RegCloseKey(Key), ERROR_SUCCESS) << R.Name;
    }
  }
  Api().RegCloseKey(Scratch);
  Api().RegCloseKey(Deleted);
  EXPECT_EQ(Api().RegDeleteKeyExW(HKEY_LOCAL_MACHINE, Classes.c_str(), View64, 0), ERROR_SUCCESS);
}

// In order: each row sees what the rows before it made.
TEST_P(RegistryLayerTest, RegCreateKeyExW) {
  const HKEY Scratch = Opened(HKEY_LOCAL_MACHINE, FScratch);
  const HKEY Deleted = DeletedKey();
  Seed(At(u"Stable"), true);
  struct Row {
    const char* Name;
    HKEY Base;
    std::u16string Path;
    DWORD Reserved;
    const char16_t* Class;
    DWORD Options;
    REGSAM Access;
    LSTATUS Expected;
    DWORD Disposition = 0;            // on success
    std::u16string ClassAfter = u"";  // on success, the class the key has
    const char* WineDiffers = nullptr;
  };
  const REGSAM All64 = KEY_ALL_ACCESS | View64, All32 = KEY_ALL_ACCESS | View32;
  constexpr DWORD Volatile = REG_OPTION_VOLATILE;
  const std::vector<Row> Rows = {
      {"a new key with a class", HKEY_LOCAL_MACHINE, At(u"New"), 0, u"Kind", 0, All64,
       ERROR_SUCCESS, REG_CREATED_NEW_KEY, u"Kind"},
      {"the same key: opened, its class kept", HKEY_LOCAL_MACHINE, At(u"NEW"), 0, u"Other", 0,
       All64, ERROR_SUCCESS, REG_OPENED_EXISTING_KEY, u"Kind",
       "Wine gives an existing key the class asked for"},
      {"a path below an open key", Scratch, u"Below", 0, nullptr, 0, All64, ERROR_SUCCESS,
       REG_CREATED_NEW_KEY},
      {"a leading backslash", HKEY_LOCAL_MACHINE, u"\\" + At(u"Slash"), 0, nullptr, 0, All64,
       ERROR_BAD_PATHNAME},
      // Wine skips it for a 64-bit process's request for the other view only.
      {"a leading backslash in the 32-bit view", HKEY_LOCAL_MACHINE, u"\\" + At(u"Slash"), 0,
       nullptr, 0, All32, ProcessView64 ? ERROR_SUCCESS : ERROR_BAD_PATHNAME, REG_CREATED_NEW_KEY},
      {"a volatile key", HKEY_LOCAL_MACHINE, At(u"Volatile"), 0, nullptr, Volatile, All64,
       ERROR_SUCCESS, REG_CREATED_NEW_KEY},
      {"a stable key below it", HKEY_LOCAL_MACHINE, At(u"Volatile\\Stable"), 0, nullptr, 0, All64,
       ERROR_CHILD_MUST_BE_VOLATILE},
      {"a volatile key below it", HKEY_LOCAL_MACHINE, At(u"Volatile\\Also"), 0, nullptr, Volatile,
       All64, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
      {"volatile keys on the way", HKEY_LOCAL_MACHINE, At(u"Fleeting\\Key"), 0, nullptr, Volatile,
       All64, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
      {"so the first of them is volatile", HKEY_LOCAL_MACHINE, At(u"Fleeting\\Stable"), 0, nullptr,
       0, All64, ERROR_CHILD_MUST_BE_VOLATILE},
      {"an existing key stays stable", HKEY_LOCAL_MACHINE, At(u"Stable"), 0, nullptr, Volatile,
       All64, ERROR_SUCCESS, REG_OPENED_EXISTING_KEY},
      {"so a stable key may go below it", HKEY_LOCAL_MACHINE, At(u"Stable\\Below"), 0, nullptr, 0,
       All64, ERROR_SUCCESS, REG_CREATED_NEW_KEY},
      {"reserved must be 0", HKEY_LOCAL_MACHINE, At(u"Reserved"), 1, nullptr, 0, All64,
       ERROR_INVALID_PARAMETER},
      {"both views at once", HKEY_LOCAL_MACHINE, At(u"Both"), 0, nullptr, 0, All64 | View32,
       ERROR_INVALID_PARAMETER, 0, u"", "Wine takes the request for one of the views"},
      {"not a handle", NotAHandle, u"x", 0, nullptr, 0, All64, ERROR_INVALID_HANDLE},
      {"below a deleted key", Deleted, u"x", 0, nullptr, 0, All64, ERROR_KEY_DELETED},
  };
  for (const Row& R : Rows) {
    if (!Runs(R.WineDiffers)) continue;
    HKEY Key = Untouched;
    DWORD Disposition = Sentinel;
    std::u16string Class = R.Class ? R.Class : u"";
    const LSTATUS Code =
        Api().RegCreateKeyExW(R.Base, R.Path.c_str(), R.Reserved, R.Class ? Class.data() : nullptr,
                              R.Options, R.Access, nullptr, &Key, &Disposition);
    EXPECT_EQ(Code, R.Expected) << R.Name;
    if (Code != ERROR_SUCCESS) {
      EXPECT_EQ(Key, HandleAfterFailure(Code)) << R.Name;
      EXPECT_EQ(Disposition, Sentinel) << R.Name;
      continue;
    }
    EXPECT_EQ(Disposition, R.Disposition) << R.Name;
    EXPECT_EQ(ClassOf(Key), R.ClassAfter) << R.Name;
    EXPECT_EQ(Api().RegCloseKey(Key), ERROR_SUCCESS) << R.Name;
  }
  EXPECT_EQ(Exists(At(u"Slash"), false), ProcessView64) << "the 32-bit view's create made its key";
  EXPECT_FALSE(Exists(At(u"Slash"), true));
  Api().RegCloseKey(Scratch);
  Api().RegCloseKey(Deleted);
}

// A call on a handle alone, and its result.
struct HandleRow {
  const char* Name;
  HKEY Key;
  LSTATUS Expected;
};

TEST_P(RegistryLayerTest, RegCloseKey) {
  const HKEY Closed = Opened(HKEY_LOCAL_MACHINE, FScratch);
  const HandleRow Rows[] = {
      {"an open handle", Closed, ERROR_SUCCESS},
      {"the same handle again", Closed, ERROR_INVALID_HANDLE},
      {"a root", HKEY_LOCAL_MACHINE, ERROR_SUCCESS},
      {"a root's handle with high bits", MachineHighBits, ERROR_SUCCESS},
      {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA, ERROR_SUCCESS},
      {"any handle in the predefined range", static_cast<HKEY>(0x8FFFFFFFu), ERROR_SUCCESS},
      {"a handle just below it", static_cast<HKEY>(0x7FFFFFFFu), ERROR_INVALID_HANDLE},
      {"no handle", HKEY{}, ERROR_INVALID_HANDLE},
      {"not a handle", NotAHandle, ERROR_INVALID_HANDLE},
  };
  for (const HandleRow& R : Rows) EXPECT_EQ(Api().RegCloseKey(R.Key), R.Expected) << R.Name;
  EXPECT_EQ(OpenAndClose(HKEY_LOCAL_MACHINE, FScratch, KEY_READ | View64), ERROR_SUCCESS)
      << "closing a root leaves it usable";
}

TEST_P(RegistryLayerTest, RegFlushKey) {
  const HKEY WriteOnly = Opened(HKEY_LOCAL_MACHINE, FScratch, KEY_SET_VALUE | View64);
  const HKEY Deleted = DeletedKey();
  const HKEY Closed = Opened(HKEY_LOCAL_MACHINE, FScratch);
  Api().RegCloseKey(Closed);
  const HandleRow Rows[] = {
      {"a handle with no read right", WriteOnly, ERROR_SUCCESS},
      {"a root", HKEY_LOCAL_MACHINE, ERROR_SUCCESS},
      {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA, ERROR_INVALID_HANDLE},
      {"a deleted key", Deleted, ERROR_KEY_DELETED},
      {"a closed handle", Closed, ERROR_INVALID_HANDLE},
  };
  for (const HandleRow& R : Rows) EXPECT_EQ(Api().RegFlushKey(R.Key), R.Expected) << R.Name;
  Api().RegCloseKey(WriteOnly);
  Api().RegCloseKey(Deleted);
}

TEST_P(RegistryLayerTest, RegQueryInfoKeyW) {
  const HKEY Key = Made(At(u"Info"), u"Kind");
  Api().RegCloseKey(Made(At(u"Info\\Sub"), u"Longer one"));
  Api().RegCloseKey(Made(At(u"Info\\LongestName")));
  const Bytes Four = {1, 2, 3, 4}, Eight(8, 7);
  ASSERT_EQ(Api().RegSetValueExW(Key, u"v", 0, REG_BINARY, Four.data(), 4), ERROR_SUCCESS);
  ASSERT_EQ(Api().RegSetValueExW(Key, u"Longest name", 0, REG_BINARY, Eight.data(), 8),
            ERROR_SUCCESS);
  struct Row {
    const char* Name;
    REGSAM Access;
    bool Reserved;
    bool ClassBuffer;
    std::optional<DWORD> ClassRoom;  // none: no length variable
    LSTATUS Expected;
    std::optional<DWORD> ClassLength;  // after the call
    std::u16string ClassText;          // what the buffer then begins with
    bool Answers;                      // the other out-parameters are filled
    const char* WineDiffers = nullptr;
  };
  const std::vector<Row> Rows = {
      {"room to spare", KEY_READ, false, true, 16, ERROR_SUCCESS, 4, Terminated(u"Kind"), true},
      {"exactly the room", KEY_READ, false, true, 5, ERROR_SUCCESS, 4, Terminated(u"Kind"), true},
      {"no room for the terminator", KEY_READ, false, true, 4, ERROR_MORE_DATA, 4, u"####", true,
       "Wine answers ERROR_INSUFFICIENT_BUFFER"},
      {"no room", KEY_READ, false, true, 0, ERROR_MORE_DATA, 4, u"#", true,
       "Wine takes a buffer without room for none"},
      {"the length alone", KEY_READ, false, false, 16, ERROR_SUCCESS, 4, u"", true},
      {"a buffer without its length", KEY_READ, false, true, std::nullopt, ERROR_INVALID_PARAMETER,
       std::nullopt, u"#", false},
      {"neither", KEY_READ, false, false, std::nullopt, ERROR_SUCCESS, std::nullopt, u"", true},
      {"reserved is ignored", KEY_READ, true, false, std::nullopt, ERROR_SUCCESS, std::nullopt, u"",
       true},
      {"the handle needs KEY_QUERY_VALUE", KEY_ENUMERATE_SUB_KEYS, false, true, 16,
       ERROR_ACCESS_DENIED, 16, u"#", false, "Wine answers without the right"},
  };
  for (const Row& R : Rows) {
    if (!Runs(R.WineDiffers)) continue;
    const HKEY Handle = Opened(HKEY_LOCAL_MACHINE, At(u"Info"), R.Access | View64);
    std::u16string Class(16, u'#');
    DWORD ClassLength = R.ClassRoom.value_or(Sentinel), Reserved = 0;
    DWORD SubKeys = Sentinel, MaxSubKey = Sentinel, MaxClass = Sentinel, Values = Sentinel,
          MaxValueName = Sentinel, MaxValue = Sentinel, Descriptor = Sentinel;
    FILETIME Time{Sentinel, Sentinel};
    EXPECT_EQ(Api().RegQueryInfoKeyW(
                  Handle, R.ClassBuffer ? Class.data() : nullptr,
                  R.ClassRoom ? &ClassLength : nullptr, R.Reserved ? &Reserved : nullptr, &SubKeys,
                  &MaxSubKey, &MaxClass, &Values, &MaxValueName, &MaxValue, &Descriptor, &Time),
              R.Expected)
        << R.Name;
    if (R.ClassLength) {
      EXPECT_EQ(ClassLength, *R.ClassLength) << R.Name;
    }
    EXPECT_EQ(Class.substr(0, R.ClassText.size()), R.ClassText) << R.Name;
    const std::vector<DWORD> Answers = {SubKeys, MaxSubKey,    MaxClass,
                                        Values,  MaxValueName, MaxValue};
    const std::vector<DWORD> Expected = {2, 11, 10, 2, 12, 8};
    EXPECT_EQ(Answers, R.Answers ? Expected : std::vector<DWORD>(6, Sentinel)) << R.Name;
    EXPECT_EQ(Ticks(Time) == Ticks(FILETIME{Sentinel, Sentinel}), !R.Answers) << R.Name;
    // A known difference of Wine: it reports no security descriptor.
    if (GetParam() == Backend::Memory && R.Answers) {
      EXPECT_GE(Descriptor, 20u) << R.Name << ": at least a descriptor's header";
    }
    Api().RegCloseKey(Handle);
  }
  Api().RegCloseKey(Key);
}

// The last-write time is the key's, as a file time: set when the key or
// one of its values changes, and kept otherwise.
TEST_P(RegistryLayerTest, RegQueryInfoKeyWLastWriteTime) {
  const std::time_t Before = std::time(nullptr);
  const HKEY Key = Made(At(u"Timed"));
  constexpr std::uint64_t TicksPerSecond = 10000000, From1601To1970 = 11644473600;
  const std::uint64_t Created = LastWriteOf(Key) / TicksPerSecond - From1601To1970;
  EXPECT_GE(Created + 1, static_cast<std::uint64_t>(Before));
  EXPECT_LE(Created, static_cast<std::uint64_t>(std::time(nullptr)) + 1);

  const Bytes Data = {1};
  const auto Create = [&] { Api().RegCloseKey(Made(At(u"Timed\\Sub"))); };
  struct Row {
    const char* Name;
    std::function<void()> Action;
    bool Changes;
  };
  const std::vector<Row> Rows = {
      {"a subkey made", Create, true},
      {"the subkey opened by a create", Create, false},
      {"a value set", [&] { Api().RegSetValueExW(Key, u"v", 0, REG_BINARY, Data.data(), 1); },
       true},
      {"a value read",
       [&] {
         DWORD Size = 0;
         Api().RegQueryValueExW(Key, u"v", nullptr, nullptr, nullptr, &Size);
       },
       false},
      {"a value deleted", [&] { Api().RegDeleteValueW(Key, u"v"); }, true},
      {"a missing value deleted", [&] { Api().RegDeleteValueW(Key, u"v"); }, false},
      {"a subkey deleted", [&] { Api().RegDeleteKeyExW(Key, u"Sub", View64, 0); }, true},
      {"a missing subkey deleted", [&] { Api().RegDeleteKeyExW(Key, u"Sub", View64, 0); }, false},
  };
  for (const Row& R : Rows) {
    const std::uint64_t Earlier = LastWriteOf(Key);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // past the clock's resolution
    R.Action();
    const std::uint64_t Later = LastWriteOf(Key);
    EXPECT_EQ(Later != Earlier, R.Changes) << R.Name;
    EXPECT_GE(Later, Earlier) << R.Name;
  }
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, RegEnumKeyExW) {
  // Alpha gets its class as a key made on the way.
  Api().RegCloseKey(Made(At(u"Enum\\Alpha\\Inner"), u"Kind"));
  Api().RegCloseKey(Made(At(u"Enum\\Bare")));
  const HKEY Key = Opened(HKEY_LOCAL_MACHINE, At(u"Enum"));
  std::vector<std::uint64_t> Times;
  for (const char16_t* Name : {u"Alpha", u"Bare"}) {
    const HKEY Subkey = Opened(Key, Name);
    Times.push_back(LastWriteOf(Subkey));
    Api().RegCloseKey(Subkey);
  }
  struct Row {
    const char* Name;
    DWORD Index;
    DWORD NameRoom;
    bool ClassBuffer;
    std::optional<DWORD> ClassRoom;  // none: no length variable
    bool Reserved;
    LSTATUS Expected;
    std::u16string NameText, ClassText;  // what the buffers then begin with
    DWORD NameLength;                    // after the call
    std::optional<DWORD> ClassLength;
  };
  const std::vector<Row> Rows = {
      {"room for both", 0, 16, true, 16, false, ERROR_SUCCESS, Terminated(u"Alpha"),
       Terminated(u"Kind"), 5, 4},
      {"exactly the room", 0, 6, true, 5, false, ERROR_SUCCESS, Terminated(u"Alpha"),
       Terminated(u"Kind"), 5, 4},
      {"no room for the name's terminator", 0, 5, true, 16, false, ERROR_MORE_DATA, u"#", u"#", 5,
       16},
      {"no room for the class's terminator", 0, 16, true, 4, false, ERROR_MORE_DATA, u"#", u"#", 16,
       4},
      {"a class buffer without its length", 0, 16, true, std::nullopt, false, ERROR_SUCCESS,
       Terminated(u"Alpha"), u"#", 5, std::nullopt},
      {"the class length alone", 0, 16, false, 16, false, ERROR_SUCCESS, Terminated(u"Alpha"), u"",
       5, 4},
      {"an empty class needs room for its terminator", 1, 16, true, 0, false, ERROR_MORE_DATA, u"#",
       u"#", 16, 0},
      {"which it gets", 1, 16, true, 1, false, ERROR_SUCCESS, Terminated(u"Bare"), Terminated(u""),
       4, 0},
      {"past the last subkey", 2, 16, true, 16, false, ERROR_NO_MORE_ITEMS, u"#", u"#", 16, 16},
      {"reserved must be null", 0, 16, true, 16, true, ERROR_INVALID_PARAMETER, u"#", u"#", 16, 16},
  };
  for (const Row& R : Rows) {
    std::u16string Name(16, u'#'), Class(16, u'#');
    DWORD NameLength = R.NameRoom, ClassLength = R.ClassRoom.value_or(Sentinel), Reserved = 0;
    FILETIME Time{Sentinel, Sentinel};
    const LSTATUS Code = Api().RegEnumKeyExW(
        Key, R.Index, Name.data(), &NameLength, R.Reserved ? &Reserved : nullptr,
        R.ClassBuffer ? Class.data() : nullptr, R.ClassRoom ? &ClassLength : nullptr, &Time);
    EXPECT_EQ(Code, R.Expected) << R.Name;
    EXPECT_EQ(Name.substr(0, R.NameText.size()), R.NameText) << R.Name;
    EXPECT_EQ(Class.substr(0, R.ClassText.size()), R.ClassText) << R.Name;
    EXPECT_EQ(NameLength, R.NameLength) << R.Name;
    if (R.ClassLength) {
      EXPECT_EQ(ClassLength, *R.ClassLength) << R.Name;
    }
    // The subkey's time comes back whenever there is one, even with no room for its name.
    const bool Found = Code == ERROR_SUCCESS || Code == ERROR_MORE_DATA;
    EXPECT_EQ(Ticks(Time), Found ? Times[R.Index] : Ticks(FILETIME{Sentinel, Sentinel})) << R.Name;
  }
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, SubkeysEnumerateInCaseInsensitiveOrder) {
  for (const char16_t* Name :
       {u"beta", u"Alpha", u"gamma", u"ALPHA2", u"_x", u"Zed", u"a", u"BETA"}) {
    Seed(At(Name), true);
  }
  const HKEY Key = Opened(HKEY_LOCAL_MACHINE, FScratch, KEY_READ | View64);
  EXPECT_EQ(SubkeyNames(Key), (std::vector<std::u16string>{u"_x", u"a", u"Alpha", u"ALPHA2",
                                                           u"beta", u"gamma", u"Zed"}));
  Api().RegCloseKey(Key);
}

// In order: each row sees what the rows before it deleted.
TEST_P(RegistryLayerTest, RegDeleteKeyExW) {
  Seed(At(u"Parent\\Child"), true);
  Seed(At(u"Parent\\Child"), false);
  Seed(At(u"Lone"), true);
  Seed(At(u"High"), true);
  const HKEY Parent = Opened(HKEY_LOCAL_MACHINE, At(u"Parent"));
  const HKEY Child = Opened(HKEY_LOCAL_MACHINE, At(u"Parent\\Child"));
  struct Row {
    const char* Name;
    HKEY Base;
    std::optional<std::u16string> Path;  // none: a null pointer
    REGSAM View;
    LSTATUS Expected;
    std::optional<Place> Kept, Removed;
    const char* WineDiffers = nullptr;
  };
  const auto None = std::nullopt;
  const std::vector<Row> Rows = {
      {"no subkey: refused, not the open key", Parent, None, View64, ERROR_INVALID_PARAMETER,
       In64(At(u"Parent")), None},
      {"a key with a subkey", HKEY_LOCAL_MACHINE, At(u"Parent"), View64, ERROR_ACCESS_DENIED,
       In64(At(u"Parent")), None},
      {"a leading backslash", HKEY_LOCAL_MACHINE, u"\\" + At(u"Lone"), View64, ERROR_BAD_PATHNAME,
       In64(At(u"Lone")), None},
      {"a missing key", HKEY_LOCAL_MACHINE, At(u"Missing"), View64, ERROR_FILE_NOT_FOUND, None,
       None},
      {"a root itself", HKEY_LOCAL_MACHINE, u"", View64, ERROR_ACCESS_DENIED, None, None},
      {"both views at once", HKEY_LOCAL_MACHINE, At(u"Lone"), View64 | View32,
       ERROR_INVALID_PARAMETER, In64(At(u"Lone")), None,
       "Wine takes the request for one of the views"},
      {"one view: the other's twin stays", HKEY_LOCAL_MACHINE, At(u"Parent\\Child"), View32,
       ERROR_SUCCESS, In64(At(u"Parent\\Child")), In32(At(u"Parent\\Child"))},
      {"an open key's empty path: the key itself", Child, u"", View64, ERROR_SUCCESS,
       In64(At(u"Parent")), In64(At(u"Parent\\Child"))},
      {"its handle then", Child, u"", View64, ERROR_KEY_DELETED, None, None},
      {"a root's handle with high bits", MachineHighBits, At(u"High"), View64, ERROR_SUCCESS, None,
       In64(At(u"High"))},
  };
  for (const Row& R : Rows) {
    if (!Runs(R.WineDiffers)) continue;
    EXPECT_EQ(Api().RegDeleteKeyExW(R.Base, R.Path ? R.Path->c_str() : nullptr, R.View, 0),
              R.Expected)
        << R.Name;
    ExpectPlaces(R.Kept, R.Removed, R.Name);
  }
  Api().RegCloseKey(Parent);
  Api().RegCloseKey(Child);
}

TEST_P(RegistryLayerTest, RegDeleteKeyW) {
  Seed(At(u"Twin"), true);
  Seed(At(u"Twin"), false);
  Seed(At(u"Own"), ProcessView64);
  const HKEY Own = Opened(HKEY_LOCAL_MACHINE, At(u"Own"), KEY_ALL_ACCESS);
  struct Row {
    const char* Name;
    HKEY Base;
    std::optional<std::u16string> Path;  // none: a null pointer
    LSTATUS Expected;
    std::optional<Place> Kept, Removed;
  };
  const auto None = std::nullopt;
  const std::vector<Row> Rows = {
      {"no subkey: refused, not the open key", Own, None, ERROR_INVALID_PARAMETER,
       InOwnView(At(u"Own")), None},
      {"the process's own view", HKEY_LOCAL_MACHINE, At(u"Twin"), ERROR_SUCCESS,
       Place{At(u"Twin"), !ProcessView64}, InOwnView(At(u"Twin"))},
      {"a missing key", HKEY_LOCAL_MACHINE, At(u"Twin"), ERROR_FILE_NOT_FOUND, None, None},
      {"an open key's empty path: the key itself", Own, u"", ERROR_SUCCESS, None,
       InOwnView(At(u"Own"))},
  };
  for (const Row& R : Rows) {
    EXPECT_EQ(Api().RegDeleteKeyW(R.Base, R.Path ? R.Path->c_str() : nullptr), R.Expected)
        << R.Name;
    ExpectPlaces(R.Kept, R.Removed, R.Name);
  }
  Api().RegCloseKey(Own);
}

TEST_P(RegistryLayerTest, RegQueryValueExW) {
  SeedValue(FScratch, true, u"v", REG_BINARY, {1, 2, 3, 4});
  SeedValue(FScratch, true, u"", REG_DWORD, {7, 0, 0, 0});
  const HKEY Key = Opened(HKEY_LOCAL_MACHINE, FScratch, KEY_READ | View64);
  struct Row {
    const char* Name;
    const char16_t* Value;
    bool Reserved;
    bool Buffer;
    std::optional<DWORD> Room;  // none: no size variable
    LSTATUS Expected;
    DWORD Type;  // after the call
    std::optional<DWORD> Size;
  };
  const std::vector<Row> Rows = {
      {"a size query", u"v", false, false, 0, ERROR_SUCCESS, REG_BINARY, 4},
      {"a read", u"v", false, true, 16, ERROR_SUCCESS, REG_BINARY, 4},
      {"a read with too little room", u"v", false, true, 3, ERROR_MORE_DATA, REG_BINARY, 4},
      {"the type alone", u"v", false, false, std::nullopt, ERROR_SUCCESS, REG_BINARY, std::nullopt},
      {"names compare case-insensitively", u"V", false, false, 0, ERROR_SUCCESS, REG_BINARY, 4},
      {"no name: the default value", nullptr, false, false, 0, ERROR_SUCCESS, REG_DWORD, 4},
      {"an empty name: the default value", u"", false, false, 0, ERROR_SUCCESS, REG_DWORD, 4},
      {"a missing value's size query: no bytes", u"missing", false, false, 9, ERROR_FILE_NOT_FOUND,
       Sentinel, 0},
      {"a missing value's read keeps the size", u"missing", false, true, 16, ERROR_FILE_NOT_FOUND,
       Sentinel, 16},
      {"reserved must be null", u"v", true, true, 16, ERROR_INVALID_PARAMETER, Sentinel, 16},
      {"data without its size", u"v", false, true, std::nullopt, ERROR_INVALID_PARAMETER, Sentinel,
       std::nullopt},
  };
  for (const Row& R : Rows) {
    Bytes Data(16, 0xCC);
    DWORD Type = Sentinel, Size = R.Room.value_or(Sentinel), Reserved = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, R.Value, R.Reserved ? &Reserved : nullptr, &Type,
                                     R.Buffer ? Data.data() : nullptr, R.Room ? &Size : nullptr),
              R.Expected)
        << R.Name;
    EXPECT_EQ(Type, R.Type) << R.Name;
    if (R.Size) {
      EXPECT_EQ(Size, *R.Size) << R.Name;
    }
  }
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, RegSetValueExW) {
  const HKEY Key = Opened(HKEY_LOCAL_MACHINE, FScratch);
  const Bytes Data = {1, 2, 3, 4};
  struct Row {
    const char* Name;
    std::optional<std::u16string> Value;  // none: a null pointer
    DWORD Reserved;
    bool NoData;
    DWORD Size;
    LSTATUS Expected;
    std::optional<Bytes> Stored;  // under the value's name (none: no value)
  };
  const std::vector<Row> Rows = {
      {"a value", u"v", 0, false, 4, ERROR_SUCCESS, Data},
      {"reserved is ignored", u"r", 7, false, 4, ERROR_SUCCESS, Data},
      {"no data and no size: empty", u"e", 0, true, 0, ERROR_SUCCESS, Bytes{}},
      {"no data for a size", u"n", 0, true, 4, ERROR_NOACCESS, std::nullopt},
      {"the longest name", std::u16string(16383, u'l'), 0, false, 4, ERROR_SUCCESS, Data},
      {"a longer one", std::u16string(16384, u'm'), 0, false, 4, ERROR_INVALID_PARAMETER,
       std::nullopt},
      {"no name: the default value", std::nullopt, 0, false, 2, ERROR_SUCCESS, Bytes{1, 2}},
  };
  for (const Row& R : Rows) {
    EXPECT_EQ(Api().RegSetValueExW(Key, R.Value ? R.Value->c_str() : nullptr, R.Reserved,
                                   REG_BINARY, R.NoData ? nullptr : Data.data(), R.Size),
              R.Expected)
        << R.Name;
    const std::optional<StoredValue> Stored = StoredAt(FScratch, true, R.Value.value_or(u""));
    EXPECT_EQ(Stored.has_value(), R.Stored.has_value()) << R.Name;
    if (Stored && R.Stored) {
      EXPECT_EQ(Stored->Data, *R.Stored) << R.Name;
    }
  }
  Api().RegCloseKey(Key);
}

// In order: each row sees what the rows before it deleted.
TEST_P(RegistryLayerTest, RegDeleteValueW) {
  for (const char16_t* Name : {u"v", u"Name", u""}) SeedValue(FScratch, true, Name);
  const HKEY Key = Opened(HKEY_LOCAL_MACHINE, FScratch);
  struct Row {
    const char* Name;
    const char16_t* Value;
    LSTATUS Expected;
    const char16_t* Gone;  // the value then missing
  };
  const Row Rows[] = {
      {"a value", u"v", ERROR_SUCCESS, u"v"},
      {"a missing value", u"v", ERROR_FILE_NOT_FOUND, u"v"},
      {"names compare case-insensitively", u"NAME", ERROR_SUCCESS, u"Name"},
      {"no name: the default value", nullptr, ERROR_SUCCESS, u""},
      {"an empty name: the default value", u"", ERROR_FILE_NOT_FOUND, u""},
  };
  for (const Row& R : Rows) {
    EXPECT_EQ(Api().RegDeleteValueW(Key, R.Value), R.Expected) << R.Name;
    EXPECT_FALSE(StoredAt(FScratch, true, R.Gone).has_value()) << R.Name;
  }
  DWORD Values = Sentinel;
  ASSERT_EQ(Api().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &Values, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(Values, 0u);
  Api().RegCloseKey(Key);
}

// Which key a request in a view reaches: the 32-bit view of SOFTWARE lives
// below SOFTWARE\Wow6432Node, the classes are shared but for the COM keys,
// whose 32-bit view lives below Classes\Wow6432Node, and HKCU\Software is
// shared (as Windows 7 on). Each row makes a key in one view and opens a
// path in another; the key is removed after the row.
TEST_P(RegistryLayerTest, SharedAndRedirectedKeys) {
  const HKEY Software32 = Opened(HKEY_LOCAL_MACHINE, u"SOFTWARE", KEY_READ | View32);
  const HKEY Software64 = Opened(HKEY_LOCAL_MACHINE, u"SOFTWARE", KEY_READ | View64);
  const std::u16string Name = Leaf(), Only32 = Leaf() + u"\\Only32";
  const std::u16string Classes = u"SOFTWARE\\Classes\\" + Name,
                       Clsid = u"SOFTWARE\\Classes\\CLSID\\" + Name;
  const std::u16string UserClsid = u"Software\\Classes\\CLSID\\" + Name;
  const char* const ClassesDiffer = "Wine keeps all the 32-bit classes below Classes\\Wow6432Node";
  const char* const UserClassesDiffer =
      "Wine redirects nothing below HKCU\\Software\\Classes, a key its prefix lacks";
  struct Row {
    const char* Name;
    HKEY Root;
    std::u16string Made;
    REGSAM MadeView;
    HKEY Base;
    std::u16string Opened;
    REGSAM OpenView;
    LSTATUS Expected;
    const char* WineDiffers = nullptr;
  };
  const HKEY Machine = HKEY_LOCAL_MACHINE, User = HKEY_CURRENT_USER;
  const std::vector<Row> Rows = {
      {"the 32-bit view of SOFTWARE", Machine, At(u"Only32"), View32, Machine, At(u"Only32"),
       View32, ERROR_SUCCESS},
      {"is not the 64-bit view's", Machine, At(u"Only32"), View32, Machine, At(u"Only32"), View64,
       ERROR_FILE_NOT_FOUND},
      {"no view bit: the process's own", Machine, At(u"Only32"), View32, Machine, At(u"Only32"), 0,
       ProcessView64 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS},
      {"it lives below SOFTWARE\\Wow6432Node", Machine, At(u"Only32"), View32, Machine,
       u"SOFTWARE\\Wow6432Node\\" + Only32, View64, ERROR_SUCCESS},
      {"which the 32-bit view names without redirecting twice", Machine, At(u"Only32"), View32,
       Machine, u"SOFTWARE\\Wow6432Node\\" + Only32, View32, ERROR_SUCCESS},
      {"below the 32-bit SOFTWARE no view bit is needed", Machine, At(u"Only32"), View32,
       Software32, Only32, View64, ERROR_SUCCESS},
      {"a handle keeps no view: below the 64-bit SOFTWARE too the 32-bit view is redirected",
       Machine, At(u"Only32"), View32, Software64, Only32, View32, ERROR_SUCCESS,
       ProcessView64 ? "Wine in a 64-bit process does not redirect below a handle" : nullptr},
      {"or names Wow6432Node", Machine, At(u"Only32"), View32, Software64,
       u"Wow6432Node\\" + Only32, View32, ERROR_SUCCESS},
      {"the classes are shared", Machine, Classes, View64, Machine, Classes, View32, ERROR_SUCCESS,
       ClassesDiffer},
      {"both ways", Machine, Classes, View32, Machine, Classes, View64, ERROR_SUCCESS,
       ClassesDiffer},
      {"but for the COM keys", Machine, Clsid, View64, Machine, Clsid, View32,
       ERROR_FILE_NOT_FOUND},
      {"whose 32-bit view lives below Classes\\Wow6432Node", Machine, Clsid, View32, Machine,
       u"SOFTWARE\\Classes\\Wow6432Node\\CLSID\\" + Name, View64, ERROR_SUCCESS},
      {"the 32-bit SOFTWARE's Classes links to Classes\\Wow6432Node", Machine,
       u"SOFTWARE\\Classes\\Wow6432Node\\" + Name, View64, Machine,
       u"SOFTWARE\\Wow6432Node\\Classes\\" + Name, View64, ERROR_SUCCESS},
      {"HKEY_CLASSES_ROOT is the machine's classes", Machine, Classes, View64, HKEY_CLASSES_ROOT,
       Name, View64, ERROR_SUCCESS},
      {"in the 32-bit view too", Machine, Classes, View64, HKEY_CLASSES_ROOT, Name, View32,
       ERROR_SUCCESS, ClassesDiffer},
      {"but for its COM keys", Machine, u"SOFTWARE\\Classes\\Wow6432Node\\Interface\\" + Name,
       View64, HKEY_CLASSES_ROOT, u"Interface\\" + Name, View32, ERROR_SUCCESS},
      {"HKCU\\Software is shared", User, u"Software\\" + Name, View64, User, u"Software\\" + Name,
       View32, ERROR_SUCCESS},
      {"but for the COM keys of its classes", User, UserClsid, View64, User, UserClsid, View32,
       ERROR_FILE_NOT_FOUND, UserClassesDiffer},
      {"whose 32-bit view lives below Classes\\Wow6432Node", User, UserClsid, View32, User,
       u"Software\\Classes\\Wow6432Node\\CLSID\\" + Name, View64, ERROR_SUCCESS, UserClassesDiffer},
  };
  for (const Row& R : Rows) {
    if (!Runs(R.WineDiffers)) continue;
    HKEY Key{};
    ASSERT_EQ(Api().RegCreateKeyExW(R.Root, R.Made.c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS | R.MadeView, nullptr, &Key, nullptr),
              ERROR_SUCCESS)
        << R.Name;
    Api().RegCloseKey(Key);
    EXPECT_EQ(OpenAndClose(R.Base, R.Opened, KEY_READ | R.OpenView), R.Expected) << R.Name;
    EXPECT_EQ(Api().RegDeleteKeyExW(R.Root, R.Made.c_str(), R.MadeView, 0), ERROR_SUCCESS)
        << R.Name;
  }
  Api().RegCloseKey(Software32);
  Api().RegCloseKey(Software64);
}

TEST_P(RegistryLayerTest, HandleRightsLimitWhatAHandleMayDo) {
  Seed(At(u"Sub"), true);
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_QUERY_VALUE | View64, Key), ERROR_SUCCESS);
  const std::uint8_t Data[] = {1};
  EXPECT_EQ(Api().RegSetValueExW(Key, u"v", 0, 3, Data, 1), ERROR_ACCESS_DENIED);
  char16_t Name[8];
  DWORD Length = 8;
  EXPECT_EQ(Api().RegEnumKeyExW(Key, 0, Name, &Length, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  DWORD SubKeys = 0;
  EXPECT_EQ(Api().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, &SubKeys, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(SubKeys, 1u);
  Api().RegCloseKey(Key);
}

// Every type code, with and without data, odd sizes, strings without their
// terminator. The store keeps the type and the bytes it is given, with one
// exception the real registry makes for strings: one that does not end in a
// NUL character, but has one in the caller's buffer just past its size
// (After), is stored with it. A read with room to spare puts a NUL
// character after string data that does not end in two NUL bytes.
TEST_P(RegistryLayerTest, ValuesAnswerAsTheRealRegistry) {
  struct Case {
    const char16_t* Name;
    DWORD Type;
    Bytes Data, After;
    std::optional<Bytes> Stored;  // when not Data
    bool NulAfter;
  };
  const Bytes Guard = {'x', 'x'};
  const std::vector<Case> Cases = {
      {u"none-empty", REG_NONE, {}, {}, {}, false},
      {u"none", REG_NONE, {1, 2, 3}, {}, {}, false},
      {u"sz-empty", REG_SZ, {}, {}, {}, false},
      {u"sz", REG_SZ, BytesOf({u"ab\0", 3}), {}, {}, false},
      {u"sz-inner-nul", REG_SZ, BytesOf({u"a\0b\0", 4}), {}, {}, false},
      {u"sz-unterminated", REG_SZ, BytesOf(u"ab"), Guard, {}, true},
      {u"sz-nul-past", REG_SZ, BytesOf(u"ab"), {0, 0}, BytesOf({u"ab\0", 3}), false},
      {u"sz-odd", REG_SZ, {'a', 0, 'b'}, Guard, {}, true},
      {u"sz-odd-nul-past", REG_SZ, {'a', 0, 0}, {0, 'z'}, Bytes{'a', 0, 0, 0, 'z'}, true},
      {u"sz-odd-ending-nul", REG_SZ, {'a', 0, 0}, Guard, {}, false},
      {u"sz-one-byte", REG_SZ, {'a'}, Guard, {}, true},
      {u"sz-one-nul-byte", REG_SZ, {0}, {0, 'z'}, Bytes{0, 0, 'z'}, true},
      {u"expand-empty", REG_EXPAND_SZ, {}, {}, {}, false},
      {u"expand", REG_EXPAND_SZ, BytesOf({u"%PATH%\0", 7}), {}, {}, false},
      {u"expand-nul-past", REG_EXPAND_SZ, BytesOf(u"%x%"), {0, 0}, BytesOf({u"%x%\0", 4}), false},
      {u"binary-empty", REG_BINARY, {}, {}, {}, false},
      {u"binary", REG_BINARY, {0, 0xFF, 0, 0x80, 7}, {}, {}, false},
      {u"binary-nul-past", REG_BINARY, BytesOf(u"ab"), {0, 0}, {}, false},
      {u"dword-empty", REG_DWORD, {}, {}, {}, false},
      {u"dword-short", REG_DWORD, {0x34, 0x12}, {}, {}, false},
      {u"dword", REG_DWORD, {7, 0, 0, 0}, {}, {}, false},
      {u"dword-long", REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {}, false},
      {u"big-endian-empty", REG_DWORD_BIG_ENDIAN, {}, {}, {}, false},
      {u"big-endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}, {}, {}, false},
      {u"link-empty", REG_LINK, {}, {}, {}, false},
      {u"link", REG_LINK, BytesOf(u"\\Registry"), {0, 0}, {}, false},
      {u"multi-empty", REG_MULTI_SZ, {}, {}, {}, false},
      {u"multi", REG_MULTI_SZ, BytesOf({u"a\0b\0\0", 5}), {}, {}, false},
      {u"multi-odd", REG_MULTI_SZ, {'a', 0, 0, 0, 0}, Guard, {}, false},
      {u"multi-nul", REG_MULTI_SZ, {0, 0}, {}, {}, false},
      {u"multi-unterminated", REG_MULTI_SZ, BytesOf({u"a\0b", 3}), Guard, {}, true},
      {u"multi-nul-past",
       REG_MULTI_SZ,
       BytesOf({u"a\0b", 3}),
       {0, 0},
       BytesOf({u"a\0b\0", 4}),
       false},
      {u"resource-list-empty", REG_RESOURCE_LIST, {}, {}, {}, false},
      {u"resource-list", REG_RESOURCE_LIST, {8}, {}, {}, false},
      {u"full-resource", REG_FULL_RESOURCE_DESCRIPTOR, {}, {}, {}, false},
      {u"requirements-empty", REG_RESOURCE_REQUIREMENTS_LIST, {}, {}, {}, false},
      {u"requirements", REG_RESOURCE_REQUIREMENTS_LIST, {1, 0}, {}, {}, false},
      {u"qword-empty", REG_QWORD, {}, {}, {}, false},
      {u"qword-short", REG_QWORD, {1, 2, 3, 4, 5}, {}, {}, false},
      {u"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {}, false},
      {u"code-12", 12, {1, 2, 3, 4}, {}, {}, false},
      {u"code-99-empty", 99, {}, {}, {}, false},
      {u"code-99", 99, {9}, {}, {}, false},
      {u"code-max", 0xFFFFFFFF, {0xAB}, {}, {}, false},
  };
  HKEY Key{};
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, FScratch, KEY_ALL_ACCESS | View64, Key), ERROR_SUCCESS);
  for (const Case& C : Cases) {
    Bytes Buffer = C.Data;
    Buffer.insert(Buffer.end(), C.After.begin(), C.After.end());
    ASSERT_EQ(Api().RegSetValueExW(Key, C.Name, 0, C.Type, Buffer.data(),
                                   static_cast<DWORD>(C.Data.size())),
              ERROR_SUCCESS)
        << ToUtf8(C.Name);
  }
  constexpr std::uint8_t Untouched = 0xCC;
  for (const Case& C : Cases) {
    const std::string Where = ToUtf8(C.Name);
    const Bytes& Stored = C.Stored ? *C.Stored : C.Data;
    const DWORD Size = static_cast<DWORD>(Stored.size());
    std::u16string Upper = C.Name;
    for (char16_t& Ch : Upper) Ch = Ch >= u'a' && Ch <= u'z' ? Ch - 0x20 : Ch;

    // A size query: no buffer; the name in another case.
    DWORD Type = 0, Got = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, Upper.c_str(), nullptr, &Type, nullptr, &Got),
              ERROR_SUCCESS)
        << Where;
    EXPECT_EQ(Type, C.Type) << Where;
    EXPECT_EQ(Got, Size) << Where;

    // Room to spare.
    Bytes Buffer(Size + 4, Untouched);
    Type = 0;
    Got = static_cast<DWORD>(Buffer.size());
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, &Type, Buffer.data(), &Got),
              ERROR_SUCCESS)
        << Where;
    EXPECT_EQ(Type, C.Type) << Where;
    EXPECT_EQ(Got, Size) << Where;
    Bytes Expected = Stored;
    if (C.NulAfter) Expected.insert(Expected.end(), {0, 0});
    Expected.resize(Buffer.size(), Untouched);
    EXPECT_EQ(Buffer, Expected) << Where;

    // Exactly the room needed, and none: no room is enough only for no data.
    Buffer.assign(Size + 4, Untouched);
    Got = Size;
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, nullptr, Buffer.data(), &Got),
              ERROR_SUCCESS)
        << Where;
    Expected.resize(Size);
    EXPECT_EQ(Bytes(Buffer.begin(), Buffer.begin() + Size), Expected) << Where;
    Got = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, nullptr, Buffer.data(), &Got),
              Size == 0 ? ERROR_SUCCESS : ERROR_MORE_DATA)
        << Where;
    EXPECT_EQ(Got, Size) << Where;

    // One byte short: ERROR_MORE_DATA with the size needed, the buffer as it was.
    if (Size == 0) continue;
    Buffer.assign(Size + 4, Untouched);
    Got = Size - 1;
    Type = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, C.Name, nullptr, &Type, Buffer.data(), &Got),
              ERROR_MORE_DATA)
        << Where;
    EXPECT_EQ(Got, Size) << Where;
    EXPECT_EQ(Type, C.Type) << Where;
    EXPECT_EQ(Buffer, Bytes(Size + 4, Untouched)) << Where;
  }
  Api().RegCloseKey(Key);
}

TEST_P(RegistryLayerTest, ValueCallsNeedTheirRightsAndALiveKey) {
  Seed(At(u"Gone"), true);
  SeedValue(FScratch, true, u"v");
  struct Case {
    const char* Name;
    std::u16string Path;
    REGSAM Access;
    LSTATUS Query, Set, Delete;
  };
  const std::vector<Case> Cases = {
      {"query only", FScratch, KEY_QUERY_VALUE, ERROR_SUCCESS, ERROR_ACCESS_DENIED,
       ERROR_ACCESS_DENIED},
      {"set only", FScratch, KEY_SET_VALUE, ERROR_ACCESS_DENIED, ERROR_SUCCESS, ERROR_SUCCESS},
      {"deleted key", At(u"Gone"), KEY_ALL_ACCESS, ERROR_KEY_DELETED, ERROR_KEY_DELETED,
       ERROR_KEY_DELETED},
  };
  const Bytes Data = {1, 2, 3, 4};
  for (const Case& C : Cases) {
    HKEY Key{};
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, C.Path, C.Access | View64, Key), ERROR_SUCCESS) << C.Name;
    if (C.Path != FScratch) {
      ASSERT_EQ(Api().RegDeleteKeyExW(HKEY_LOCAL_MACHINE, C.Path.c_str(), View64, 0),
                ERROR_SUCCESS);
    }
    DWORD Type = 0, Size = 0;
    EXPECT_EQ(Api().RegQueryValueExW(Key, u"v", nullptr, &Type, nullptr, &Size), C.Query) << C.Name;
    EXPECT_EQ(Api().RegSetValueExW(Key, u"v", 0, REG_BINARY, Data.data(), 4), C.Set) << C.Name;
    EXPECT_EQ(Api().RegDeleteValueW(Key, u"v"), C.Delete) << C.Name;
    EXPECT_EQ(Api().RegCloseKey(Key), ERROR_SUCCESS) << C.Name;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryLayerTest, testing::ValuesIn(AvailableBackends()),
                         BackendName);

}  // namespace
}  // namespace vexa
