// Values through TRegistry and TvexaRegistry, on both backends: the typed
// reads and writes of the base class, the raw data of every type, multi-
// strings, and the one-shot operations.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "registry/vexaRegistryTools.h"
#include "tests/registry_fixture.h"

namespace vexa {
namespace {

constexpr bool View64 = true;
constexpr bool View32 = false;

// The first Count bytes of Value, little-endian.
Bytes LittleEndian(std::uint64_t Value, std::size_t Count) {
  Bytes Data;
  for (std::size_t I = 0; I < Count; ++I)
    Data.push_back(static_cast<std::uint8_t>(Value >> (8 * I)));
  return Data;
}

Bytes DateBytes(TDateTime Value) {
  Bytes Data(sizeof Value);
  std::memcpy(Data.data(), &Value, sizeof Value);
  return Data;
}

// What Run gave, or the message of the ERegistryException it raised.
std::string Outcome(const std::function<std::string()>& Run) {
  try {
    return Run();
  } catch (const ERegistryException& Error) {
    return ToUtf8(Error.Message());
  }
}

std::vector<std::u16string> Items(const TStringList& List) {
  std::vector<std::u16string> Strings;
  for (int I = 0; I < List.Count(); ++I) Strings.push_back(List[I]);
  return Strings;
}

TStringList ListOf(const std::vector<std::u16string>& Strings) {
  TStringList List;
  for (const std::u16string& S : Strings) List.Add(S);
  return List;
}

class RegistryValuesTest : public RegistryTest {
 protected:
  void TearDown() override {
    FObject.reset();
    RegistryTest::TearDown();
  }

  // An object whose current key is the scratch key (32-bit view): opened
  // with OpenKeyReadOnly for KEY_READ, else with OpenKey and Access.
  TvexaRegistry& Scratch(REGSAM Access = KEY_ALL_ACCESS) {
    FObject = std::make_unique<TvexaRegistry>(Access, View32);
    FObject->SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(Access == KEY_READ ? FObject->OpenKeyReadOnly(FScratch)
                                   : FObject->OpenKey(FScratch, false));
    return *FObject;
  }
  void Store(const std::u16string& Name, DWORD Type, const Bytes& Data) {
    SeedValue(FScratch, View32, Name, Type, Data);
  }
  // A value of each type the typed reads tell apart, of the size they read,
  // shorter, longer and empty, in the scratch key.
  void StoreEveryType() {
    struct Value {
      const char16_t* Name;
      DWORD Type;
      Bytes Data;
    };
    const std::vector<Value> Values = {
        {u"sz", REG_SZ, BytesOf({u"text\0", 5})},
        {u"sz-empty", REG_SZ, {}},
        {u"sz-nul", REG_SZ, {0, 0}},
        {u"sz-inner-nul", REG_SZ, BytesOf({u"ab\0cd\0", 6})},
        {u"sz-unterminated", REG_SZ, BytesOf(u"ab")},
        {u"sz-odd", REG_SZ, {'a', 0, 'b'}},
        {u"sz-one-byte", REG_SZ, {'a'}},
        {u"sz-digit", REG_SZ, BytesOf({u"1\0", 2})},
        {u"expand", REG_EXPAND_SZ, BytesOf({u"%PATH%\0", 7})},
        {u"multi", REG_MULTI_SZ, BytesOf({u"a\0b\0\0", 5})},
        {u"dword", REG_DWORD, LittleEndian(7, 4)},
        {u"dword-zero", REG_DWORD, LittleEndian(0, 4)},
        {u"dword-two", REG_DWORD, LittleEndian(2, 4)},
        {u"dword-negative", REG_DWORD, LittleEndian(0xFFFFFFFF, 4)},
        {u"dword-short", REG_DWORD, {0x34, 0x12}},
        {u"dword-empty", REG_DWORD, {}},
        {u"dword-long", REG_DWORD, LittleEndian(7, 8)},
        {u"qword", REG_QWORD, LittleEndian(0x8000000000000001, 8)},
        {u"qword-four", REG_QWORD, LittleEndian(7, 4)},
        {u"qword-short", REG_QWORD, {1, 2, 3, 4, 5}},
        {u"qword-long", REG_QWORD, Bytes(9, 1)},
        {u"big-endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}},
        {u"date", REG_BINARY, DateBytes(45000.25)},
        {u"binary-four", REG_BINARY, {1, 2, 3, 4}},
        {u"binary-five", REG_BINARY, {1, 2, 3, 4, 5}},
        {u"binary-long", REG_BINARY, Bytes(16, 1)},
        {u"binary-empty", REG_BINARY, {}},
    };
    for (const Value& V : Values) Store(V.Name, V.Type, V.Data);
  }
  std::optional<StoredValue> Stored(const std::u16string& Name) {
    return StoredAt(FScratch, View32, Name);
  }

  std::unique_ptr<TvexaRegistry> FObject;
};

TEST_P(RegistryValuesTest, TRegDataTypeNamesFiveTypeCodesCrossingThree) {
  struct Case {
    DWORD Code;
    TRegDataType Type;
    int Ordinal;
  };
  const Case Cases[] = {
      {REG_NONE, rdUnknown, 0},
      {REG_SZ, rdString, 1},
      {REG_EXPAND_SZ, rdExpandString, 2},
      {REG_BINARY, rdBinary, 4},
      {REG_DWORD, rdInteger, 3},
      {REG_DWORD_BIG_ENDIAN, rdUnknown, 0},
      {REG_LINK, rdUnknown, 0},
      {REG_MULTI_SZ, rdUnknown, 0},
      {REG_RESOURCE_LIST, rdUnknown, 0},
      {REG_FULL_RESOURCE_DESCRIPTOR, rdUnknown, 0},
      {REG_RESOURCE_REQUIREMENTS_LIST, rdUnknown, 0},
      {REG_QWORD, rdUnknown, 0},
      {12, rdUnknown, 0},
      {99, rdUnknown, 0},
  };
  TvexaRegistry& Registry = Scratch();
  for (const Case& C : Cases) {
    Store(u"v", C.Code, {1, 2, 3, 4});
    TRegDataInfo Info;
    ASSERT_TRUE(Registry.GetDataInfo(u"v", Info)) << C.Code;
    EXPECT_EQ(Info.RegData, C.Type) << C.Code;
    EXPECT_EQ(static_cast<int>(Info.RegData), C.Ordinal) << C.Code;
    EXPECT_EQ(Info.DataSize, 4) << C.Code;
    EXPECT_EQ(Registry.GetDataType(u"v"), C.Type) << C.Code;
  }
}

TEST_P(RegistryValuesTest, TypedReadsOfEveryStoredType) {
  StoreEveryType();

  enum Read { String, Integer, Bool, Date };
  struct Case {
    Read Op;
    const char16_t* Name;
    std::string Expected;
    LSTATUS LastError;
  };
  const std::string Invalid = "Invalid data type for '", Failed = "Failed to get data for '";
  const std::vector<Case> Cases = {
      {String, u"sz", "'text'", 0},
      {String, u"sz-empty", "''", 0},
      {String, u"sz-nul", "''", 0},
      {String, u"sz-inner-nul", "'ab'", 0},
      {String, u"sz-unterminated", "'ab'", 0},
      {String, u"sz-odd", "'a'", 0},
      {String, u"sz-one-byte", "''", 0},
      {String, u"expand", "'%PATH%'", 0},
      {String, u"multi", Invalid + "multi'", 0},
      {String, u"dword", Invalid + "dword'", 0},
      {String, u"dword-empty", "''", 0},  // no data, nothing to check the type of
      {String, u"binary-four", Invalid + "binary-four'", 0},
      {String, u"missing", "''", ERROR_FILE_NOT_FOUND},
      {Integer, u"dword", "7", 0},
      {Integer, u"dword-negative", "-1", 0},
      {Integer, u"dword-short", "4660", 0},
      {Integer, u"dword-empty", "0", 0},
      {Integer, u"dword-long", Failed + "dword-long'", ERROR_MORE_DATA},
      {Integer, u"qword", Failed + "qword'", ERROR_MORE_DATA},
      {Integer, u"qword-four", Invalid + "qword-four'", 0},
      {Integer, u"big-endian", Invalid + "big-endian'", 0},
      {Integer, u"binary-four", Invalid + "binary-four'", 0},
      {Integer, u"sz-digit", Invalid + "sz-digit'", 0},
      {Integer, u"sz", Failed + "sz'", ERROR_MORE_DATA},
      {Integer, u"missing", Failed + "missing'", ERROR_FILE_NOT_FOUND},
      {Bool, u"dword-two", "true", 0},
      {Bool, u"dword-negative", "true", 0},
      {Bool, u"dword-zero", "false", 0},
      {Bool, u"sz-digit", Invalid + "sz-digit'", 0},
      {Date, u"date", "45000.25", 0},
      {Date, u"binary-four", Invalid + "binary-four'", 0},
      {Date, u"binary-empty", Invalid + "binary-empty'", 0},
      {Date, u"binary-long", Failed + "binary-long'", ERROR_MORE_DATA},
      {Date, u"qword", Invalid + "qword'", 0},
      {Date, u"dword", Invalid + "dword'", 0},
      {Date, u"missing", Failed + "missing'", ERROR_FILE_NOT_FOUND},
  };
  TvexaRegistry& Registry = Scratch(KEY_READ);
  for (const Case& C : Cases) {
    const std::string Got = Outcome([&] {
      switch (C.Op) {
        case String:
          return Show(Registry.ReadString(C.Name));
        case Integer:
          return Show(std::int64_t{Registry.ReadInteger(C.Name)});
        case Bool:
          return Show(Registry.ReadBool(C.Name));
        case Date:
          return Show(Registry.ReadDate(C.Name));
      }
      return std::string();
    });
    EXPECT_EQ(Got, C.Expected) << ToUtf8(C.Name) << " read #" << C.Op;
    EXPECT_EQ(Registry.LastError(), C.LastError) << ToUtf8(C.Name) << " read #" << C.Op;
  }
}

TEST_P(RegistryValuesTest, TypedWritesStoreTheirForms) {
  Store(u"replaced", REG_SZ, BytesOf({u"old\0", 4}));
  TvexaRegistry& Registry = Scratch();
  const Bytes Five = {1, 0, 0xFF, 3, 4};
  struct Case {
    const char16_t* Name;
    std::function<void()> Write;
    StoredValue Expected;
  };
  const std::vector<Case> Cases = {
      {u"string",
       [&] { Registry.WriteString(u"string", u"text"); },
       {REG_SZ, BytesOf({u"text\0", 5})}},
      {u"empty", [&] { Registry.WriteString(u"empty", u""); }, {REG_SZ, {0, 0}}},
      {u"inner-nul",
       [&] {
         Registry.WriteString(u"inner-nul", {u"a\0b", 3});
       },
       {REG_SZ, BytesOf({u"a\0b\0", 4})}},
      {u"integer",
       [&] { Registry.WriteInteger(u"integer", -2); },
       {REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}}},
      {u"binary", [&] { Registry.WriteBinaryData(u"binary", Five.data(), 5); }, {REG_BINARY, Five}},
      {u"no-bytes", [&] { Registry.WriteBinaryData(u"no-bytes", nullptr, 0); }, {REG_BINARY, {}}},
      {u"", [&] { Registry.WriteString(u"", u"d"); }, {REG_SZ, BytesOf({u"d\0", 2})}},
      {u"replaced", [&] { Registry.WriteInteger(u"replaced", 1); }, {REG_DWORD, {1, 0, 0, 0}}},
  };
  for (const Case& C : Cases) {
    C.Write();
    EXPECT_EQ(Stored(C.Name), C.Expected) << ToUtf8(C.Name);
    EXPECT_EQ(Registry.LastError(), ERROR_SUCCESS) << ToUtf8(C.Name);
  }
}

TEST_P(RegistryValuesTest, AFailedWriteRaisesAndKeepsTheCode) {
  Store(u"v", REG_DWORD, LittleEndian(1, 4));
  TvexaRegistry& Reader = Scratch(KEY_READ);
  TvexaRegistry Writer(false);
  Writer.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(Writer.OpenKey(FScratch, false));
  const std::uint8_t Data[] = {9};
  struct Case {
    const char* Name;
    TRegistry& Registry;
    std::function<void()> Write;
    std::string Message;
    LSTATUS LastError;
    bool ReachesThePlatform;
  };
  const std::u16string WithNul(u"v\0x", 3);
  const std::vector<Case> Cases = {
      {"string on a read-only key", Reader, [&] { Reader.WriteString(u"v", u"x"); },
       "Failed to set data for 'v'", ERROR_ACCESS_DENIED, true},
      {"integer on a read-only key", Reader, [&] { Reader.WriteInteger(u"v", 2); },
       "Failed to set data for 'v'", ERROR_ACCESS_DENIED, true},
      {"negative size", Writer, [&] { Writer.WriteBinaryData(u"v", Data, -1); },
       "Failed to set data for 'v'", ERROR_INVALID_PARAMETER, false},
      {"a name holding a NUL", Writer, [&] { Writer.WriteInteger(WithNul, 2); },
       "Failed to set data for '" + ToUtf8(WithNul) + "'", ERROR_INVALID_PARAMETER, false},
  };
  for (const Case& C : Cases) {
    Recorder().Clear();
    EXPECT_EQ(Outcome([&] {
                C.Write();
                return std::string("no exception");
              }),
              C.Message)
        << C.Name;
    EXPECT_EQ(C.Registry.LastError(), C.LastError) << C.Name;
    EXPECT_EQ(CallsOf(RegFunction::RegSetValueExW).empty(), !C.ReachesThePlatform) << C.Name;
    EXPECT_EQ(Stored(u"v"), (StoredValue{REG_DWORD, LittleEndian(1, 4)})) << C.Name;
  }
}

TEST_P(RegistryValuesTest, ValueQueriesKeepThePlatformsCode) {
  Store(u"v", REG_BINARY, {1, 2, 3});
  TvexaRegistry& Registry = Scratch();
  const std::u16string WithNul(u"v\0x", 3);  // the platform would see "v"
  struct Case {
    const char* Name;
    std::function<std::string()> Query;
    std::string Expected;
    LSTATUS LastError;
  };
  const std::vector<Case> Cases = {
      {"size", [&] { return Show(std::int64_t{Registry.GetDataSize(u"v")}); }, "3", 0},
      {"size of a missing value", [&] { return Show(std::int64_t{Registry.GetDataSize(u"m")}); },
       "-1", ERROR_FILE_NOT_FOUND},
      {"type", [&] { return Show(std::int64_t{Registry.GetDataType(u"V")}); }, "4", 0},
      {"type of a missing value", [&] { return Show(std::int64_t{Registry.GetDataType(u"m")}); },
       "0", ERROR_FILE_NOT_FOUND},
      {"info of a missing value",
       [&] {
         TRegDataInfo Info{rdBinary, 9};
         const bool Found = Registry.GetDataInfo(u"m", Info);
         return Show(Found) + " " + Show(std::int64_t{Info.RegData}) + " " +
                Show(std::int64_t{Info.DataSize});
       },
       "false 0 0", ERROR_FILE_NOT_FOUND},
      {"exists", [&] { return Show(Registry.ValueExists(u"v")); }, "true", 0},
      {"a name holding a NUL exists", [&] { return Show(Registry.ValueExists(WithNul)); }, "false",
       ERROR_INVALID_PARAMETER},
      {"delete by a name holding a NUL", [&] { return Show(Registry.DeleteValue(WithNul)); },
       "false", ERROR_INVALID_PARAMETER},
      {"delete", [&] { return Show(Registry.DeleteValue(u"v")); }, "true", 0},
      {"exists once deleted", [&] { return Show(Registry.ValueExists(u"v")); }, "false",
       ERROR_FILE_NOT_FOUND},
      {"delete again", [&] { return Show(Registry.DeleteValue(u"v")); }, "false",
       ERROR_FILE_NOT_FOUND},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(C.Query(), C.Expected) << C.Name;
    EXPECT_EQ(Registry.LastError(), C.LastError) << C.Name;
  }
}

TEST_P(RegistryValuesTest, RawAccessSeesEveryTypeCode) {
  struct Case {
    DWORD Code;
    Bytes Data;
    std::uint8_t RegData;
  };
  const std::vector<Case> Cases = {
      {REG_NONE, {1}, 0},
      {REG_SZ, BytesOf({u"a\0", 2}), REG_SZ},
      {REG_EXPAND_SZ, BytesOf({u"%a%\0", 4}), REG_EXPAND_SZ},
      {REG_BINARY, {1, 2, 3}, REG_BINARY},
      {REG_BINARY, {}, REG_BINARY},
      {REG_DWORD, LittleEndian(7, 4), REG_DWORD},
      {REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}, 0},
      {REG_LINK, {1, 2}, 0},
      {REG_MULTI_SZ, BytesOf({u"a\0\0", 3}), REG_MULTI_SZ},
      {REG_RESOURCE_LIST, {1}, 0},
      {REG_FULL_RESOURCE_DESCRIPTOR, {1}, 0},
      {REG_RESOURCE_REQUIREMENTS_LIST, {1}, 0},
      {REG_QWORD, LittleEndian(7, 8), REG_QWORD},
      {REG_QWORD, {}, REG_QWORD},
      {12, {1, 2, 3, 4}, 0},
      {99, {9}, 0},
  };
  TvexaRegistry& Registry = Scratch(KEY_READ);
  ASSERT_FALSE(Registry.OpenKeyReadOnly(u"Missing"));  // LastError 2; the scratch key stays current
  for (const Case& C : Cases) {
    Store(u"v", C.Code, C.Data);
    const std::int32_t Size = static_cast<std::int32_t>(C.Data.size());
    TRegDataInfoEx Info{99, 99};
    EXPECT_TRUE(Registry.GetDataInfoEx(u"v", Info)) << C.Code;
    EXPECT_EQ(Info.RegData, C.RegData) << C.Code;
    EXPECT_EQ(Info.DataSize, Size) << C.Code;
    EXPECT_EQ(Registry.GetDataTypeEx(u"V"), C.RegData) << C.Code;
    Bytes Buffer(C.Data.size() + 1, 0xCC);
    std::int32_t Type = -1;
    EXPECT_TRUE(Registry.GetDataEx(u"v", Buffer.data(), Size, Type)) << C.Code;
    EXPECT_EQ(Type, static_cast<std::int32_t>(C.Code));
    EXPECT_EQ(Bytes(Buffer.begin(), Buffer.begin() + Size), C.Data) << C.Code;
    EXPECT_EQ(Registry.LastError(), ERROR_FILE_NOT_FOUND) << "raw access records nothing";
  }
  TRegDataInfoEx Info{99, 99};
  EXPECT_FALSE(Registry.GetDataInfoEx(u"missing", Info));
  EXPECT_EQ(Info.RegData, 0);
  EXPECT_EQ(Info.DataSize, 0);
  EXPECT_EQ(Registry.GetDataTypeEx(u"missing"), 0);
  std::int32_t Type = -1;
  std::uint8_t Buffer[8];
  EXPECT_FALSE(Registry.GetDataEx(u"missing", Buffer, sizeof Buffer, Type));
  EXPECT_EQ(Type, 0);
}

TEST_P(RegistryValuesTest, GetDataExNeedsRoomForTheWholeValueAndNoNegativeRoom) {
  Store(u"v", REG_QWORD, LittleEndian(0x0102030405060708, 8));
  TvexaRegistry& Registry = Scratch(KEY_READ);
  struct Case {
    std::int32_t BufSize;
    bool Read;
    std::int32_t Type;
    bool ReachesThePlatform;
  };
  const Case Cases[] = {
      {8, true, REG_QWORD, true},  {12, true, REG_QWORD, true}, {7, false, REG_QWORD, true},
      {0, false, REG_QWORD, true}, {-1, false, 0, false},       {INT_MIN, false, 0, false},
  };
  for (const Case& C : Cases) {
    Recorder().Clear();
    Bytes Buffer(16, 0xCC);
    std::int32_t Type = -1;
    EXPECT_EQ(Registry.GetDataEx(u"v", Buffer.data(), C.BufSize, Type), C.Read) << C.BufSize;
    EXPECT_EQ(Type, C.Type) << C.BufSize;
    EXPECT_EQ(CallsOf(RegFunction::RegQueryValueExW).empty(), !C.ReachesThePlatform) << C.BufSize;
    if (!C.Read) {
      EXPECT_EQ(Buffer, Bytes(16, 0xCC)) << C.BufSize;
    }
  }
}

TEST_P(RegistryValuesTest, PutDataExStoresExactlyTheGivenTypeAndBytes) {
  struct Case {
    const char16_t* Name;
    std::int32_t Type;
    Bytes Buffer;
    std::int32_t BufSize;
    std::optional<StoredValue> Expected;  // none: nothing stored, the platform not called
  };
  const Bytes Eight = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<Case> Cases = {
      {u"qword", REG_QWORD, Eight, 8, StoredValue{REG_QWORD, Eight}},
      {u"code-12", REG_DWORD_TRUNCATED, Eight, 8, StoredValue{REG_DWORD, {1, 2, 3, 4}}},
      {u"code-12-of-4", REG_DWORD_TRUNCATED, {1, 2, 3, 4}, 4, StoredValue{REG_DWORD, {1, 2, 3, 4}}},
      {u"code-12-of-3", REG_DWORD_TRUNCATED, {1, 2, 3}, 3, std::nullopt},
      {u"code-12-negative", REG_DWORD_TRUNCATED, {1, 2, 3, 4}, -4, std::nullopt},
      {u"negative", REG_BINARY, {1}, -1, std::nullopt},
      {u"unterminated", REG_SZ, BytesOf(u"ab"), 4, StoredValue{REG_SZ, BytesOf(u"ab")}},
      {u"nul-past-size", REG_SZ, BytesOf({u"ab\0", 3}), 4, StoredValue{REG_SZ, BytesOf(u"ab")}},
      {u"odd-multi", REG_MULTI_SZ, {'a', 0, 0}, 3, StoredValue{REG_MULTI_SZ, {'a', 0, 0}}},
      {u"code-99", 99, {9, 9}, 2, StoredValue{99, {9, 9}}},
      {u"none", REG_NONE, {}, 0, StoredValue{REG_NONE, {}}},
      {u"", REG_BINARY, {5}, 1, StoredValue{REG_BINARY, {5}}},
  };
  TvexaRegistry& Registry = Scratch();
  for (const Case& C : Cases) {
    Recorder().Clear();
    EXPECT_EQ(Registry.PutDataEx(C.Name, C.Buffer.data(), C.BufSize, C.Type),
              C.Expected.has_value())
        << ToUtf8(C.Name);
    EXPECT_EQ(Stored(C.Name), C.Expected) << ToUtf8(C.Name);
    EXPECT_EQ(CallsOf(RegFunction::RegSetValueExW).empty(), !C.Expected) << ToUtf8(C.Name);
  }
  EXPECT_EQ(Registry.LastError(), ERROR_SUCCESS) << "PutDataEx records nothing";
}

TEST_P(RegistryValuesTest, GetBinaryDataReadsOnlyBinaryValues) {
  struct Case {
    DWORD Type;
    Bytes Data;
    bool Read;
  };
  const Case Cases[] = {
      {REG_BINARY, {0, 1, 0xFF, 3, 4}, true}, {REG_BINARY, {}, true},
      {REG_SZ, BytesOf({u"a\0", 2}), false},  {REG_NONE, {1, 2}, false},
      {REG_DWORD, LittleEndian(1, 4), false},
  };
  TvexaRegistry& Registry = Scratch(KEY_READ);
  for (const Case& C : Cases) {
    Store(u"v", C.Type, C.Data);
    TBytes Data = {9, 9, 9};
    EXPECT_EQ(Registry.GetBinaryData(u"v", Data), C.Read) << C.Type;
    EXPECT_EQ(Data, C.Read ? C.Data : Bytes{}) << C.Type;
  }
  TBytes Data = {9};
  EXPECT_FALSE(Registry.GetBinaryData(u"missing", Data));
  EXPECT_TRUE(Data.empty());
}

TEST(TvexaRegistryGetString, DropsTheLastCharacterWhateverItHolds) {
  const Bytes Data = BytesOf({u"ab\0d", 4});
  const std::u16string Expected[] = {u"", u"", u"", u"", u"a", u"a", u"ab", u"ab", {u"ab\0", 3}};
  for (std::uint32_t Length = 0; Length <= 8; ++Length) {
    EXPECT_EQ(TvexaRegistry::GetString(Data.data(), Length), Expected[Length]) << Length;
  }
}

TEST_P(RegistryValuesTest, ReadMultiStringSplitsEveryLayout) {
  std::vector<std::u16string> Long;
  std::u16string LongData;
  for (int I = 0; I < 300; ++I) {
    Long.push_back(u"string " + std::u16string(1, static_cast<char16_t>(u'A' + I % 26)) + u"-" +
                   std::u16string(static_cast<std::size_t>(I % 7), u'x'));
    LongData += Long.back() + u'\0';
  }
  LongData += u'\0';
  struct Case {
    const char* Name;
    Bytes Data;
    std::vector<std::u16string> Strings;
  };
  const std::vector<Case> Cases = {
      {"two strings", BytesOf({u"a\0b\0\0", 5}), {u"a", u"b"}},
      {"an empty string inside", BytesOf({u"a\0\0b\0\0", 6}), {u"a", u"", u"b"}},
      {"an empty string first", BytesOf({u"\0a\0\0", 4}), {u"", u"a"}},
      {"no bytes", {}, {}},
      {"last string without its NUL", BytesOf({u"a\0bc", 4}), {u"a", u"bc"}},
      {"one string without any NUL", BytesOf(u"abc"), {u"abc"}},
      {"list without its end", BytesOf({u"ab\0", 3}), {u"ab"}},
      {"odd size", Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0, 'z'}, {u"a", u"b"}},
      {"odd size within a string", Bytes{'a', 0, 'b'}, {u"a"}},
      {"one byte", Bytes{'a'}, {}},
      {"a single NUL", BytesOf({u"\0", 1}), {}},
      {"only NULs", BytesOf({u"\0\0\0\0", 4}), {}},
      {"text after the end", BytesOf({u"a\0\0\0b\0", 6}), {u"a"}},
      {"ends before anything", BytesOf({u"\0\0a\0", 4}), {}},
      {"a long list", BytesOf(LongData), Long},
  };
  TvexaRegistry& Registry = Scratch(KEY_READ);
  for (const Case& C : Cases) {
    Store(u"multi", REG_MULTI_SZ, C.Data);
    TStringList List;
    List.Add(u"before");
    EXPECT_TRUE(Registry.ReadMultiString(u"multi", &List)) << C.Name;
    std::vector<std::u16string> Expected = {u"before"};
    Expected.insert(Expected.end(), C.Strings.begin(), C.Strings.end());
    EXPECT_EQ(Items(List), Expected) << C.Name;
    EXPECT_EQ(Registry.LastError(), ERROR_SUCCESS) << C.Name;
  }
}

TEST_P(RegistryValuesTest, ReadMultiStringOfAnythingElseLeavesTheListAlone) {
  Store(u"sz", REG_SZ, BytesOf({u"a\0\0", 3}));
  Store(u"binary", REG_BINARY, BytesOf({u"a\0\0", 3}));
  struct Case {
    const char16_t* Name;
    LSTATUS LastError;
  };
  const Case Cases[] = {
      {u"sz", ERROR_SUCCESS}, {u"binary", ERROR_SUCCESS}, {u"missing", ERROR_FILE_NOT_FOUND}};
  TvexaRegistry& Registry = Scratch(KEY_READ);
  for (const Case& C : Cases) {
    TStringList List;
    List.Add(u"kept");
    EXPECT_FALSE(Registry.ReadMultiString(C.Name, &List)) << ToUtf8(C.Name);
    EXPECT_EQ(Items(List), std::vector<std::u16string>{u"kept"}) << ToUtf8(C.Name);
    EXPECT_EQ(Registry.LastError(), C.LastError) << ToUtf8(C.Name);
  }
  Recorder().Clear();
  EXPECT_FALSE(Registry.ReadMultiString(u"sz", nullptr));
  EXPECT_TRUE(Recorder().Calls().empty());
}

TEST_P(RegistryValuesTest, AnExceptionWhileAppendingPassesOnAndKeepsWhatCameBefore) {
  class Refusing : public TStringList {
   public:
    void Add(std::u16string S) override {
      if (S == u"refused") throw std::runtime_error("refused");
      TStringList::Add(std::move(S));
    }
  };
  Store(u"multi", REG_MULTI_SZ, BytesOf({u"a\0refused\0c\0\0", 13}));
  TvexaRegistry& Registry = Scratch(KEY_READ);
  Refusing List;
  EXPECT_THROW(Registry.ReadMultiString(u"multi", &List), std::runtime_error);
  EXPECT_EQ(Items(List), std::vector<std::u16string>{u"a"});
}

TEST_P(RegistryValuesTest, WriteMultiStringLayouts) {
  struct Case {
    const char* Name;
    std::vector<std::u16string> Strings;
    Bytes Stored;
    std::vector<std::u16string> ReadBack;
  };
  const std::vector<Case> Cases = {
      {"no strings", {}, BytesOf({u"\0", 1}), {}},
      {"two strings", {u"ab", u"c"}, BytesOf({u"ab\0c\0\0", 6}), {u"ab", u"c"}},
      {"an empty string inside", {u"a", u"", u"b"}, BytesOf({u"a\0b\0\0\0", 6}), {u"a", u"b"}},
      {"only empty strings", {u"", u""}, BytesOf({u"\0\0\0", 3}), {}},
      {"a string holding a NUL", {{u"a\0x", 3}, u"b"}, BytesOf({u"a\0b\0\0", 5}), {u"a", u"b"}},
      {"a string of a NUL", {{u"\0x", 2}, u"b"}, BytesOf({u"b\0\0\0", 4}), {u"b"}},
  };
  TvexaRegistry& Registry = Scratch();
  for (const Case& C : Cases) {
    EXPECT_TRUE(Registry.WriteMultiString(u"multi", ListOf(C.Strings))) << C.Name;
    EXPECT_EQ(Stored(u"multi"), (StoredValue{REG_MULTI_SZ, C.Stored})) << C.Name;
    TStringList Back;
    EXPECT_TRUE(Registry.ReadMultiString(u"multi", &Back)) << C.Name;
    EXPECT_EQ(Items(Back), C.ReadBack) << C.Name;
  }
  TvexaRegistry& Reader = Scratch(KEY_READ);
  EXPECT_FALSE(Reader.WriteMultiString(u"multi", ListOf({u"x"})));
  EXPECT_EQ(Reader.LastError(), ERROR_SUCCESS) << "WriteMultiString records nothing";
}

// A value replaced between the size query and the read: it must still fit
// and still be of the type, and only what the read delivered counts.
TEST_P(RegistryValuesTest, AValueThatChangesBetweenSizeQueryAndRead) {
  struct Case {
    const char* Operation;
    const char* Change;
    DWORD Type;
    Bytes Before;
    DWORD NewType;
    Bytes After;
    std::function<std::string(TvexaRegistry&)> Read;
    std::string Expected;
  };
  const auto ReadString = [](TvexaRegistry& R) {
    return Outcome([&] { return Show(R.ReadString(u"v")); });
  };
  const auto ReadMulti = [](TvexaRegistry& R) {
    TStringList List;
    std::string Text = Show(R.ReadMultiString(u"v", &List));
    for (const std::u16string& S : Items(List)) Text += " " + Show(S);
    return Text;
  };
  const auto ReadBinary = [](TvexaRegistry& R) {
    TBytes Data;
    const bool Read = R.GetBinaryData(u"v", Data);
    return Show(Read) + " " + std::to_string(Data.size()) + " bytes";
  };
  const Bytes Short = BytesOf({u"ab\0", 3}), Long = BytesOf({u"abcdef\0", 7}),
              Dword = LittleEndian(1, 4);
  const Bytes ShortList = BytesOf({u"a\0\0", 3}), LongList = BytesOf({u"a\0bcdef\0\0", 9});
  const std::vector<Case> Cases = {
      {"ReadString", "grows", REG_SZ, Short, REG_SZ, Long, ReadString,
       "Failed to get data for 'v'"},
      {"ReadString", "shrinks", REG_SZ, Long, REG_SZ, Short, ReadString, "'ab'"},
      {"ReadString", "changes type", REG_SZ, Long, REG_DWORD, Dword, ReadString,
       "Invalid data type for 'v'"},
      {"ReadMultiString", "grows", REG_MULTI_SZ, ShortList, REG_MULTI_SZ, LongList, ReadMulti,
       "false"},
      {"ReadMultiString", "shrinks", REG_MULTI_SZ, LongList, REG_MULTI_SZ, ShortList, ReadMulti,
       "true 'a'"},
      {"ReadMultiString", "changes type", REG_MULTI_SZ, LongList, REG_DWORD, Dword, ReadMulti,
       "false"},
      {"GetBinaryData",
       "grows",
       REG_BINARY,
       {1, 2},
       REG_BINARY,
       {1, 2, 3},
       ReadBinary,
       "false 0 bytes"},
      {"GetBinaryData",
       "shrinks",
       REG_BINARY,
       {1, 2, 3},
       REG_BINARY,
       {1, 2},
       ReadBinary,
       "true 2 bytes"},
      {"GetBinaryData",
       "changes type",
       REG_BINARY,
       {1, 2, 3, 4},
       REG_DWORD,
       Dword,
       ReadBinary,
       "false 0 bytes"},
  };
  for (const Case& C : Cases) {
    Store(u"v", C.Type, C.Before);
    TvexaRegistry& Registry = Scratch(KEY_READ);
    // The size query is the first query, the read the second.
    Recorder().RunBeforeCall(RegFunction::RegQueryValueExW, 2,
                             [&] { Store(u"v", C.NewType, C.After); });
    EXPECT_EQ(C.Read(Registry), C.Expected) << C.Operation << ": the value " << C.Change;
  }
}

TEST_P(RegistryValuesTest, OneShotReadsGiveTheValueOrTheDefault) {
  StoreEveryType();
  Seed(At(u"Only64"), View64);
  SeedValue(At(u"Only64"), View64, u"dword", REG_DWORD, LittleEndian(7, 4));

  enum Read { Integer, Bool, String, Date, Int64 };
  struct Case {
    Read Op;
    std::u16string Key;
    const char16_t* Name;
    std::string Expected;
  };
  // The defaults: -5, False then True, 'default', 1.5, -5.
  const std::u16string& S = FScratch;
  const std::vector<Case> Cases = {
      {Integer, S, u"dword", "7"},
      {Integer, S, u"dword-short", "4660"},
      {Integer, S, u"dword-long", "-5"},
      {Integer, S, u"sz", "-5"},
      {Integer, S, u"binary-four", "-5"},
      {Integer, S, u"missing", "-5"},
      {Integer, At(u"Missing"), u"dword", "-5"},
      {Integer, At(u"Only64"), u"dword", "-5"},
      {Integer, u"\\" + S, u"dword", "7"},
      {Bool, S, u"dword-two", "true true"},
      {Bool, S, u"dword-zero", "false false"},
      {Bool, S, u"sz-digit", "false true"},
      {Bool, S, u"missing", "false true"},
      {String, S, u"sz", "'text'"},
      {String, S, u"sz-empty", "''"},
      {String, S, u"sz-inner-nul", "'ab'"},
      {String, S, u"expand", "'%PATH%'"},
      {String, S, u"multi", "'default'"},
      {String, S, u"dword", "'default'"},
      {String, S, u"missing", "'default'"},
      {Date, S, u"date", "45000.25"},
      {Date, S, u"binary-four", "1.5"},
      {Date, S, u"binary-long", "1.5"},
      {Date, S, u"qword", "1.5"},
      {Date, S, u"missing", "1.5"},
      {Int64, S, u"qword", "-9223372036854775807"},
      {Int64, S, u"date", Show(std::int64_t{0x40E5F90800000000})},
      {Int64, S, u"binary-five", "21542142465"},
      {Int64, S, u"qword-short", "21542142465"},
      {Int64, S, u"dword", "-5"},
      {Int64, S, u"qword-long", "-5"},
      {Int64, S, u"sz", "-5"},
      {Int64, S, u"missing", "-5"},
      {Int64, At(u"Missing"), u"qword", "-5"},
  };
  for (const Case& C : Cases) {
    const HKEY Root = HKEY_LOCAL_MACHINE;
    std::string Got;
    switch (C.Op) {
      case Integer:
        Got = Show(std::int64_t{TvexaRegistry::GetIntegerValue(C.Key, C.Name, Root, -5, View32)});
        break;
      case Bool:
        Got = Show(TvexaRegistry::GetBoolValue(C.Key, C.Name, Root, false, View32)) + " " +
              Show(TvexaRegistry::GetBoolValue(C.Key, C.Name, Root, true, View32));
        break;
      case String:
        Got = Show(TvexaRegistry::GetStringValue(C.Key, C.Name, Root, u"default", View32));
        break;
      case Date:
        Got = Show(TvexaRegistry::GetDateValue(C.Key, C.Name, Root, 1.5, View32));
        break;
      case Int64:
        Got = Show(TvexaRegistry::GetInt64RegValue(C.Key, C.Name, Root, -5, View32));
        break;
    }
    EXPECT_EQ(Got, C.Expected) << ToUtf8(C.Key) << " " << ToUtf8(C.Name) << " read #" << C.Op;
  }
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(RegistryValuesTest, OneShotWritesCreateTheKeyAndStoreTheirForms) {
  const std::uint8_t Five[] = {1, 2, 3, 4, 5};
  struct Case {
    const char16_t* Key;
    std::function<bool(const std::u16string&)> Write;
    StoredValue Expected;
  };
  const HKEY Root = HKEY_LOCAL_MACHINE;
  const std::vector<Case> Cases = {
      {u"String",
       [&](auto& K) { return TvexaRegistry::WriteStringValue(K, u"v", u"text", Root, View32); },
       {REG_SZ, BytesOf({u"text\0", 5})}},
      {u"EmptyString",
       [&](auto& K) { return TvexaRegistry::WriteStringValue(K, u"v", u"", Root, View32); },
       {REG_SZ, {0, 0}}},
      {u"Integer",
       [&](auto& K) { return TvexaRegistry::WriteIntegerValue(K, u"v", -2, Root, View32); },
       {REG_DWORD, LittleEndian(0xFFFFFFFE, 4)}},
      {u"True",
       [&](auto& K) { return TvexaRegistry::WriteBoolValue(K, u"v", true, Root, View32); },
       {REG_DWORD, LittleEndian(1, 4)}},
      {u"False",
       [&](auto& K) { return TvexaRegistry::WriteBoolValue(K, u"v", false, Root, View32); },
       {REG_DWORD, LittleEndian(0, 4)}},
      {u"Date",
       [&](auto& K) { return TvexaRegistry::WriteDateValue(K, u"v", 45000.25, Root, View32); },
       {REG_BINARY, DateBytes(45000.25)}},
      {u"Binary",
       [&](auto& K) { return TvexaRegistry::WriteBinaryValue(K, u"v", Five, Root, 5, View32); },
       {REG_BINARY, Bytes(Five, Five + 5)}},
      {u"NoBytes",
       [&](auto& K) { return TvexaRegistry::WriteBinaryValue(K, u"v", nullptr, Root, 0, View32); },
       {REG_BINARY, {}}},
      {u"Int64",
       [&](auto& K) { return TvexaRegistry::WriteInt64Value(K, u"v", -2, Root, View32); },
       {REG_QWORD, LittleEndian(0xFFFFFFFFFFFFFFFE, 8)}},
  };
  for (const Case& C : Cases) {
    const std::u16string Key = At(u"New\\") + C.Key;
    Recorder().Clear();
    EXPECT_TRUE(C.Write(Key)) << ToUtf8(C.Key);
    EXPECT_EQ(StoredAt(Key, View32, u"v"), C.Expected) << ToUtf8(C.Key);
    EXPECT_FALSE(Exists(Key, View64)) << ToUtf8(C.Key);
    EXPECT_TRUE(UnclosedHandles().empty()) << ToUtf8(C.Key);
  }
  // What was written reads back.
  const std::u16string New = At(u"New\\");
  EXPECT_EQ(TvexaRegistry::GetDateValue(New + u"Date", u"v", Root, 0, View32), 45000.25);
  EXPECT_EQ(TvexaRegistry::GetInt64RegValue(New + u"Int64", u"v", Root, 0, View32), -2);
  EXPECT_TRUE(TvexaRegistry::GetBoolValue(New + u"True", u"v", Root, false, View32));
}

TEST_P(RegistryValuesTest, OneShotWritesThatCannotWriteReturnFalse) {
  const std::uint8_t Byte[] = {1};
  struct Write {
    const char* Name;
    std::function<bool(HKEY, const std::u16string&)> Run;
  };
  const std::vector<Write> Writes = {
      {"string",
       [&](HKEY Root, auto& K) {
         return TvexaRegistry::WriteStringValue(K, u"v", u"x", Root, View32);
       }},
      {"integer",
       [&](HKEY Root, auto& K) {
         return TvexaRegistry::WriteIntegerValue(K, u"v", 1, Root, View32);
       }},
      {"bool", [&](HKEY Root,
                   auto& K) { return TvexaRegistry::WriteBoolValue(K, u"v", true, Root, View32); }},
      {"date", [&](HKEY Root,
                   auto& K) { return TvexaRegistry::WriteDateValue(K, u"v", 1.0, Root, View32); }},
      {"binary",
       [&](HKEY Root, auto& K) {
         return TvexaRegistry::WriteBinaryValue(K, u"v", Byte, Root, 1, View32);
       }},
      {"negative size",
       [&](HKEY Root, auto& K) {
         return TvexaRegistry::WriteBinaryValue(K, u"v", Byte, Root, -1, View32);
       }},
      {"int64", [&](HKEY Root,
                    auto& K) { return TvexaRegistry::WriteInt64Value(K, u"v", 1, Root, View32); }},
  };
  for (const Write& W : Writes) {
    // A key that cannot be opened or created (below no root), and a write the platform refuses.
    EXPECT_FALSE(W.Run(HKEY{}, At(u"Refused"))) << W.Name;
    EXPECT_FALSE(Exists(At(u"Refused"), View32)) << W.Name;
    Recorder().FailCall(RegFunction::RegSetValueExW, 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(W.Run(HKEY_LOCAL_MACHINE, FScratch)) << W.Name;
    Recorder().FailCall(RegFunction::RegSetValueExW, 0, ERROR_SUCCESS);
    EXPECT_FALSE(StoredAt(FScratch, View32, u"v")) << W.Name;
  }
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(RegistryValuesTest, ValueExistsAndDeleteValue) {
  Store(u"v", REG_BINARY, {1});
  Store(u"", REG_BINARY, {2});
  const HKEY Root = HKEY_LOCAL_MACHINE;
  struct Case {
    const char* Name;
    std::function<bool()> Run;
    bool Expected;
  };
  const std::u16string& S = FScratch;
  const std::vector<Case> Cases = {
      {"an existing value exists",
       [&] { return TvexaRegistry::ValueExists(Root, S, u"V", View32); }, true},
      {"the default value exists", [&] { return TvexaRegistry::ValueExists(Root, S, u"", View32); },
       true},
      {"a missing value", [&] { return TvexaRegistry::ValueExists(Root, S, u"missing", View32); },
       false},
      {"in a missing key",
       [&] { return TvexaRegistry::ValueExists(Root, At(u"Missing"), u"v", View32); }, false},
      {"in the other view", [&] { return TvexaRegistry::ValueExists(Root, S, u"v", View64); },
       false},
      {"deleting a missing value",
       [&] { return TvexaRegistry::DeleteValue(Root, S, u"missing", View32); }, false},
      {"deleting in a missing key",
       [&] { return TvexaRegistry::DeleteValue(Root, At(u"Missing"), u"v", View32); }, false},
      {"deleting in the other view",
       [&] { return TvexaRegistry::DeleteValue(Root, S, u"v", View64); }, false},
      {"deleting a value",
       [&] { return TvexaRegistry::DeleteValue(Root, u"\\" + S, u"v", View32); }, true},
      {"the value is gone", [&] { return TvexaRegistry::ValueExists(Root, S, u"v", View32); },
       false},
      {"deleting it again", [&] { return TvexaRegistry::DeleteValue(Root, S, u"v", View32); },
       false},
      {"deleting the default value",
       [&] { return TvexaRegistry::DeleteValue(Root, S, u"", View32); }, true},
  };
  for (const Case& C : Cases) EXPECT_EQ(C.Run(), C.Expected) << C.Name;
  EXPECT_FALSE(Exists(At(u"Missing"), View32)) << "DeleteValue never creates the key";
  EXPECT_TRUE(CallsOf(RegFunction::RegCreateKeyExW).empty());
  EXPECT_TRUE(UnclosedHandles().empty());
}

TEST_P(RegistryValuesTest, TheEmptyValueNameIsTheDefaultValue) {
  const HKEY Root = HKEY_LOCAL_MACHINE;
  const std::u16string Key = At(u"Default");
  ASSERT_TRUE(TvexaRegistry::WriteStringValue(Key, u"", u"text", Root, View32));
  EXPECT_EQ(StoredAt(Key, View32, u""), (StoredValue{REG_SZ, BytesOf({u"text\0", 5})}));
  EXPECT_EQ(TvexaRegistry::GetStringValue(Key, u"", Root, u"", View32), u"text");
  ASSERT_TRUE(TvexaRegistry::WriteIntegerValue(Key, u"", 3, Root, View32));
  EXPECT_EQ(TvexaRegistry::GetIntegerValue(Key, u"", Root, 0, View32), 3);
  for (const RegCall& Call : CallsOf(RegFunction::RegQueryValueExW)) EXPECT_EQ(Call.SubKey, u"");
  for (const RegCall& Call : CallsOf(RegFunction::RegSetValueExW)) EXPECT_EQ(Call.SubKey, u"");
}

TEST_P(RegistryValuesTest, OneShotsKeepToTheirView) {
  const HKEY Root = HKEY_LOCAL_MACHINE;
  Seed(At(u"Both"), View64);
  Seed(At(u"Both"), View32);
  SeedValue(At(u"Both"), View64, u"v", REG_DWORD, LittleEndian(64, 4));
  EXPECT_FALSE(TvexaRegistry::ValueExists(Root, At(u"Both"), u"v", View32));
  EXPECT_EQ(TvexaRegistry::GetIntegerValue(At(u"Both"), u"v", Root, -1, View32), -1);
  EXPECT_FALSE(TvexaRegistry::DeleteValue(Root, At(u"Both"), u"v", View32));
  EXPECT_EQ(TvexaRegistry::GetIntegerValue(At(u"Both"), u"v", Root, -1, View64), 64);

  ASSERT_TRUE(TvexaRegistry::WriteIntegerValue(At(u"Both"), u"v", 32, Root, View32));
  ASSERT_TRUE(TvexaRegistry::WriteStringValue(At(u"Only32"), u"s", u"x", Root, View32));
  EXPECT_EQ(StoredAt(At(u"Both"), View64, u"v"), (StoredValue{REG_DWORD, LittleEndian(64, 4)}));
  EXPECT_EQ(StoredAt(At(u"Both"), View32, u"v"), (StoredValue{REG_DWORD, LittleEndian(32, 4)}));
  EXPECT_FALSE(Exists(At(u"Only32"), View64));
  // Where the 32-bit view lives: below Wow6432Node, seen from the 64-bit view.
  const std::u16string Wow = u"SOFTWARE\\Wow6432Node\\" + FScratch.substr(sizeof("SOFTWARE\\") - 1);
  EXPECT_EQ(StoredAt(Wow + u"\\Both", View64, u"v"), (StoredValue{REG_DWORD, LittleEndian(32, 4)}));
  EXPECT_EQ(StoredAt(Wow + u"\\Only32", View64, u"s"), (StoredValue{REG_SZ, BytesOf({u"x\0", 2})}));
}

TEST_P(RegistryValuesTest, OneShotsOpenWithTheirMaskAndView) {
  Store(u"v", REG_DWORD, LittleEndian(1, 4));
  Seed(FScratch, View64);
  SeedValue(FScratch, View64, u"v", REG_DWORD, LittleEndian(1, 4));
  const HKEY Root = HKEY_LOCAL_MACHINE;
  const std::uint8_t Byte[] = {1};
  enum Kind { Read, Write, Delete };
  struct Operation {
    const char* Name;
    Kind How;
    std::function<void(bool)> Run;
  };
  const std::u16string& S = FScratch;
  const std::vector<Operation> Operations = {
      {"ValueExists", Read, [&](bool V) { TvexaRegistry::ValueExists(Root, S, u"v", V); }},
      {"GetIntegerValue", Read,
       [&](bool V) { TvexaRegistry::GetIntegerValue(S, u"v", Root, 0, V); }},
      {"GetStringValue", Read,
       [&](bool V) { TvexaRegistry::GetStringValue(S, u"v", Root, u"", V); }},
      {"GetInt64RegValue", Read,
       [&](bool V) { TvexaRegistry::GetInt64RegValue(S, u"v", Root, 0, V); }},
      {"GetBoolValue", Read, [&](bool V) { TvexaRegistry::GetBoolValue(S, u"v", Root, false, V); }},
      {"GetDateValue", Read, [&](bool V) { TvexaRegistry::GetDateValue(S, u"v", Root, 0, V); }},
      {"DeleteValue", Delete, [&](bool V) { TvexaRegistry::DeleteValue(Root, S, u"v", V); }},
      {"WriteBoolValue", Write,
       [&](bool V) { TvexaRegistry::WriteBoolValue(S, u"w", true, Root, V); }},
      {"WriteDateValue", Write,
       [&](bool V) { TvexaRegistry::WriteDateValue(S, u"w", 1, Root, V); }},
      {"WriteIntegerValue", Write,
       [&](bool V) { TvexaRegistry::WriteIntegerValue(S, u"w", 1, Root, V); }},
      {"WriteBinaryValue", Write,
       [&](bool V) { TvexaRegistry::WriteBinaryValue(S, u"w", Byte, Root, 1, V); }},
      {"WriteStringValue", Write,
       [&](bool V) { TvexaRegistry::WriteStringValue(S, u"w", u"", Root, V); }},
      {"WriteInt64Value", Write,
       [&](bool V) { TvexaRegistry::WriteInt64Value(S, u"w", 1, Root, V); }},
  };
  for (const Operation& Op : Operations) {
    for (const bool View : {View32, View64}) {
      Recorder().Clear();
      Op.Run(View);
      const RegFunction Opening =
          Op.How == Write ? RegFunction::RegCreateKeyExW : RegFunction::RegOpenKeyExW;
      const auto Opens = CallsOf(Opening);
      ASSERT_EQ(Opens.size(), 1u) << Op.Name;
      EXPECT_EQ(Opens[0].Access, (Op.How == Read ? KEY_READ : KEY_ALL_ACCESS) | ViewBit(View))
          << Op.Name;
      EXPECT_EQ(Opens[0].SubKey, FScratch) << Op.Name;
      EXPECT_EQ(Recorder().Count(RegFunction::RegOpenKeyExW) +
                    Recorder().Count(RegFunction::RegCreateKeyExW),
                1u)
          << Op.Name;
      EXPECT_TRUE(UnclosedHandles().empty()) << Op.Name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryValuesTest, testing::ValuesIn(AvailableBackends()),
                         BackendName);

}  // namespace
}  // namespace vexa
