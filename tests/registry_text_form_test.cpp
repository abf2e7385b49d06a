// The text form of registry values: SerializeData on given bytes and by
// name (on both backends), DeserializeData, the integer syntax of its
// "dword:" and "qword:" payloads, and the round trip over every type code.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/integer_text.h"
#include "registry/vexaRegistryTools.h"
#include "tests/registry_fixture.h"
#include "tests/support/text_form.h"

namespace vexa {
namespace {

const std::u16string Invalid = u"'' is not a valid integer value";

// What Read gave, or the message of the EConvertError it raised.
template <typename Int>
std::string Outcome(Int (*Read)(std::u16string_view), const std::u16string& Text) {
  try {
    return Show(std::int64_t{Read(Text)});
  } catch (const EConvertError& Error) {
    return ToUtf8(Error.Message());
  }
}

std::string NotAnInteger(const std::u16string& Text) { return ToUtf8(u"''" + Text + Invalid); }

TEST(IntegerText, StrToIntReadsTheRunTimeLibrarysSyntax) {
  struct Case {
    std::u16string Text;
    std::optional<std::int64_t> Value;  // none: EConvertError naming the text
  };
  const std::vector<Case> Cases = {
      {u"0", 0},
      {u"12", 12},
      {u"-12", -12},
      {u"+12", 12},
      {u"-0", 0},
      {u"007", 7},
      {u"   12", 12},
      {u" -12", -12},
      {u"2147483647", 2147483647},
      {u"-2147483648", -2147483648LL},
      {u"00000000002147483647", 2147483647},
      {u"2147483648", std::nullopt},
      {u"-2147483649", std::nullopt},
      {u"4294967295", std::nullopt},
      {u"99999999999999999999", std::nullopt},
      {u"$FFFFFFFF", -1},
      {u"$ffffffff", -1},
      {u"$7FFFFFFF", 2147483647},
      {u"$80000000", -2147483648LL},
      {u"-$80000000", -2147483648LL},
      {u"-$FFFFFFFF", 1},
      {u"-$1", -1},
      {u"+$1F", 31},
      {u"x1f", 31},
      {u"X1F", 31},
      {u"0x1f", 31},
      {u"0X1F", 31},
      {u"-0x10", -16},
      {u"  0x10", 16},
      {u"$000000000000FFFFFFFF", -1},
      {u"$100000000", std::nullopt},
      {u"$", std::nullopt},
      {u"0x", std::nullopt},
      {u"x", std::nullopt},
      {u"-", std::nullopt},
      {u"", std::nullopt},
      {u"   ", std::nullopt},
      {u"12 ", std::nullopt},
      {u"1 2", std::nullopt},
      {u"- 1", std::nullopt},
      {u"--1", std::nullopt},
      {u"+-1", std::nullopt},
      {u"\t1", std::nullopt},
      {u"\u00A01", std::nullopt},
      {u"1.0", std::nullopt},
      {u"1e3", std::nullopt},
      {u"00x1", std::nullopt},
      {u"0x-1", std::nullopt},
      {u"$$1", std::nullopt},
      {u"0b1", std::nullopt},
      {u"$G", std::nullopt},
      {u"\uFF11", std::nullopt},  // a full-width digit one
      {{u"12\0abc", 6}, 12},
      {{u"12\0", 3}, 12},
      {{u" \0" u"1", 3}, std::nullopt},
      {{u"\0" u"12", 3}, std::nullopt},
      {{u"$F\0z", 4}, 15},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(Outcome(StrToInt, C.Text), C.Value ? Show(*C.Value) : NotAnInteger(C.Text))
        << ToUtf8(C.Text);
  }
}

TEST(IntegerText, StrToInt64TakesTheSixtyFourBitRange) {
  struct Case {
    std::u16string Text;
    std::optional<std::int64_t> Value;
  };
  const std::vector<Case> Cases = {
      {u"4294967296", 4294967296LL},
      {u"9223372036854775807", INT64_MAX},
      {u"-9223372036854775808", INT64_MIN},
      {u"9223372036854775808", std::nullopt},
      {u"-9223372036854775809", std::nullopt},
      {u"18446744073709551616", std::nullopt},
      {u"$FFFFFFFF", 4294967295LL},
      {u"$FFFFFFFFFFFFFFFF", -1},
      {u"0x8000000000000000", INT64_MIN},
      {u"-0x8000000000000000", INT64_MIN},
      {u"-$FFFFFFFFFFFFFFFF", 1},
      {u"$00FFFFFFFFFFFFFFFF", -1},
      {u"$10000000000000000", std::nullopt},
      {u" -x7fffffffffffffff", -INT64_MAX},
      {u"12 ", std::nullopt},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(Outcome(StrToInt64, C.Text), C.Value ? Show(*C.Value) : NotAnInteger(C.Text))
        << ToUtf8(C.Text);
  }
}

TEST(IntegerText, EConvertErrorIsAnException) {
  try {
    StrToInt(u"z");
    FAIL() << "no exception";
  } catch (const Exception& Error) {
    EXPECT_STREQ(Error.ClassName(), "EConvertError");
    EXPECT_STREQ(Error.what(), "''z'' is not a valid integer value");
  }
}

// SerializeData on given bytes reads nothing of the object: an object
// without a key open will do.
std::u16string Serialize(const Bytes& Data, DWORD Type, DWORD Length, bool PrefixType = true) {
  const TvexaRegistry Registry(false);
  return Registry.SerializeData(Data, Type, Length, PrefixType);
}

TEST(TextForm, SerializeDataOnGivenBytes) {
  struct Case {
    const char* Name;
    DWORD Type;
    Bytes Data;
    DWORD Length;
    bool PrefixType;
    std::u16string Text;
  };
  const Bytes Abc = BytesOf({u"abc\0", 4});
  const std::vector<Case> Cases = {
      {"string", REG_SZ, Abc, 8, true, u"str:abc"},
      {"without the prefix", REG_SZ, Abc, 8, false, u"abc"},
      {"empty string", REG_SZ, {0, 0}, 2, true, u"str:"},
      {"no bytes", REG_SZ, {}, 0, true, u"str:"},
      {"one byte", REG_SZ, {'a'}, 1, true, u"str:"},
      {"three bytes", REG_SZ, {'a', 0, 'b'}, 3, true, u"str:"},
      {"odd size", REG_SZ, Abc, 7, true, u"str:ab"},
      {"no terminator", REG_SZ, BytesOf(u"abc"), 6, true, u"str:ab"},
      {"a NUL inside", REG_SZ, BytesOf({u"a\0b\0", 4}), 8, true, {u"str:a\0b", 7}},
      {"expandable", REG_EXPAND_SZ, BytesOf({u"%x%\0", 4}), 8, true, u"exp:%x%"},
      {"multi-string", REG_MULTI_SZ, BytesOf({u"a\0b\0\0", 5}), 10, true, {u"multy:a\0b\0", 10}},
      {"lone surrogates", REG_SZ, BytesOf({u"\xD800\xDFFF\0", 3}), 6, true, u"str:\xD800\xDFFF"},
      {"length short of the array", REG_SZ, Abc, 4, true, u"str:a"},
      {"length past the array", REG_SZ, Abc, 1000, true, u"str:abc"},
      {"length past an odd array", REG_SZ, {'a', 0, 'b'}, 1000, true, u"str:"},
      {"dword -1", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, 4, true, u"dword:-1"},
      {"dword 0", REG_DWORD, {0, 0, 0, 0}, 4, true, u"dword:0"},
      {"dword minimum", REG_DWORD, {0, 0, 0, 0x80}, 4, true, u"dword:-2147483648"},
      {"dword maximum", REG_DWORD, {0xFF, 0xFF, 0xFF, 0x7F}, 4, false, u"2147483647"},
      {"dword of 8 bytes", REG_DWORD, {12, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 8, true, u"dword:12"},
      {"dword of 2 bytes", REG_DWORD, {0x34, 0x12}, 2, true, u"dword:4660"},
      {"dword of 3 bytes", REG_DWORD, {0xFF, 0xFF, 0xFF}, 3, true, u"dword:16777215"},
      {"dword of no bytes", REG_DWORD, {}, 0, true, u"dword:0"},
      {"dword of 2 bytes in a longer array", REG_DWORD, {1, 0, 0xFF, 0xFF}, 2, true, u"dword:1"},
      {"dword whose length is past the array", REG_DWORD, {1}, 4, true, u"dword:1"},
      {"qword 2^32", REG_QWORD, {0, 0, 0, 0, 1, 0, 0, 0}, 8, true, u"qword:4294967296"},
      {"qword minimum", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0x80}, 8, true,
       u"qword:-9223372036854775808"},
      {"qword -2", REG_QWORD, Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 9}, 9, true,
       u"qword:-2"},
      {"qword of 4 bytes", REG_QWORD, {0xFF, 0xFF, 0xFF, 0xFF}, 4, true, u"qword:4294967295"},
      {"binary", REG_BINARY, {0x00, 0x1A, 0xFF}, 3, true, u"hex:001AFF"},
      {"binary without the prefix", REG_BINARY, {0x00, 0x1A, 0xFF}, 3, false, u"001AFF"},
      {"binary, the length not used", REG_BINARY, {0xAB, 0xCD}, 1, true, u"hex:ABCD"},
      {"binary, the length past the array", REG_BINARY, {0xAB}, 50, true, u"hex:AB"},
      {"no binary bytes", REG_BINARY, {}, 0, true, u"hex:"},
      {"REG_NONE", REG_NONE, {1, 2}, 2, true, u"hex:0102"},
      {"big-endian dword", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}, 4, true, u"hex:00000007"},
      {"link", REG_LINK, {0x5C, 0}, 2, true, u"hex:5C00"},
      {"code 12", REG_DWORD_TRUNCATED, {1, 0, 0, 0}, 4, true, u"hex:01000000"},
      {"code 0xFFFFFFFF", 0xFFFFFFFF, {0xFE}, 1, true, u"hex:FE"},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(Serialize(C.Data, C.Type, C.Length, C.PrefixType), C.Text) << C.Name;
  }
}

TEST(TextForm, DeserializeData) {
  struct Case {
    std::u16string Text;
    Bytes Before;
    std::string Result;  // "true", "false" or the message of the EConvertError
    DWORD Type;          // afterwards
    Bytes Data;          // afterwards
  };
  const Bytes Nine = {9, 9, 9};
  const Bytes Abc = BytesOf({u"abc\0", 4});
  const std::vector<Case> Cases = {
      {u"str:abc", Nine, "true", REG_SZ, Abc},
      {u"str:", Nine, "true", REG_SZ, {0, 0}},
      {u"exp:%x%", {}, "true", REG_EXPAND_SZ, BytesOf({u"%x%\0", 4})},
      {{u"multy:a\0b\0", 10}, {}, "true", REG_MULTI_SZ, BytesOf({u"a\0b\0\0", 5})},
      {{u"str:\xDC00\0\xD800", 7}, {}, "true", REG_SZ, BytesOf({u"\xDC00\0\xD800\0", 4})},
      {u"str:dword:1", {}, "true", REG_SZ, BytesOf({u"dword:1\0", 8})},
      {u"dword:-1", Nine, "true", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
      {u"dword:$FFFFFFFF", {}, "true", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
      {u"dword: 12", {}, "true", REG_DWORD, {12, 0, 0, 0}},
      {{u"dword:12\0x", 10}, {}, "true", REG_DWORD, {12, 0, 0, 0}},
      {u"dword:4294967295", Nine, "''4294967295" + ToUtf8(Invalid), REG_DWORD, Nine},
      {u"dword:12 ", Nine, "''12 " + ToUtf8(Invalid), REG_DWORD, Nine},
      {u"dword:", Nine, ToUtf8(u"''" + Invalid), REG_DWORD, Nine},
      {u"qword:4294967296", {}, "true", REG_QWORD, {0, 0, 0, 0, 1, 0, 0, 0}},
      {u"qword:-0x8000000000000000", {}, "true", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0x80}},
      {u"qword:x", Nine, "''x" + ToUtf8(Invalid), REG_QWORD, Nine},
      {u"hex:001AFF", Nine, "true", REG_BINARY, {0x00, 0x1A, 0xFF}},
      {u"hex:001aff", {}, "true", REG_BINARY, {0x00, 0x1A, 0xFF}},
      {u"hex:ABC", {}, "true", REG_BINARY, {0xAB}},
      {u"hex:", Nine, "true", REG_BINARY, {}},
      {u"hex:A", Nine, "true", REG_BINARY, {}},
      {u"hex:0G12", {}, "true", REG_BINARY, {0, 0}},
      {u"hex:0G12", Nine, "true", REG_BINARY, {9, 9}},
      {u"hex:AB0G", Nine, "true", REG_BINARY, {0xAB, 9}},
      {u"hex:AB0G12", {1}, "true", REG_BINARY, {0xAB, 0, 0}},
      {u"hex:AB 12", {}, "true", REG_BINARY, {0xAB, 0}},
      {u"hex:A\xFF11" u"1", {}, "true", REG_BINARY, {0}},
      {{u"hex:AB\0\x31" u"2", 9}, Nine, "true", REG_BINARY, {0xAB, 9}},
      {u"", Nine, "false", 77, Nine},
      {u"abc", Nine, "false", 77, Nine},
      {u"DWORD:12", Nine, "false", 77, Nine},
      {u"Str:abc", Nine, "false", 77, Nine},
      {u"HEX:00", Nine, "false", 77, Nine},
      {u" str:abc", Nine, "false", 77, Nine},
      {u"str", Nine, "false", 77, Nine},
      {u"sz:abc", Nine, "false", 77, Nine},
      {u"binary:00", Nine, "false", 77, Nine},
      {u"multi:a", Nine, "false", 77, Nine},
      {{u"\0str:a", 6}, Nine, "false", 77, Nine},
  };
  for (const Case& C : Cases) {
    TBytes Data = C.Before;
    DWORD Type = 77;
    std::string Result;
    try {
      Result = Show(TvexaRegistry::DeserializeData(C.Text, Data, Type));
    } catch (const EConvertError& Error) {
      Result = ToUtf8(Error.Message());
    }
    EXPECT_EQ(Result, C.Result) << ToUtf8(C.Text);
    EXPECT_EQ(Type, C.Type) << ToUtf8(C.Text);
    EXPECT_EQ(Data, C.Data) << ToUtf8(C.Text);
  }
}

// Bytes of Size for a type: a pattern that fills every byte, a few fixed
// ones, and for strings also data ending in a NUL character.
std::vector<Bytes> ValuesOfSize(std::size_t Size, DWORD Type) {
  Bytes Counting(Size), Top(Size, 0xFF), Zero(Size, 0);
  for (std::size_t I = 0; I < Size; ++I) Counting[I] = static_cast<std::uint8_t>(I * 37 + Type + 1);
  std::vector<Bytes> Values = {Counting, Top, Zero};
  if (Size >= 2) {
    Bytes Ending = Counting;
    Ending[Size / 2 * 2 - 1] = Ending[Size / 2 * 2 - 2] = 0;
    Values.push_back(Ending);
  }
  return Values;
}

void ExpectRoundTrip(DWORD Type, const Bytes& Data) {
  const std::u16string Text = Serialize(Data, Type, static_cast<DWORD>(Data.size()));
  TypedBytes Got{99, {1, 2, 3}};
  ASSERT_TRUE(TvexaRegistry::DeserializeData(Text, Got.Data, Got.Type))
      << "type " << Type << ", " << Data.size() << " bytes";
  EXPECT_EQ(Got, ComesBackAs(Type, Data)) << "type " << Type << ", " << Data.size() << " bytes";
}

TEST(TextForm, RoundTripOfEveryTypeAndSize) {
  for (DWORD Type = 0; Type <= 13; ++Type) {
    for (std::size_t Size = 0; Size <= 20; ++Size) {
      for (const Bytes& Data : ValuesOfSize(Size, Type)) ExpectRoundTrip(Type, Data);
    }
  }
  for (const DWORD Type : {REG_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_NONE, 0xFFFFFFFFu}) {
    for (const std::size_t Size : {4097u, 65536u, 1u << 20}) {
      for (const Bytes& Data : ValuesOfSize(Size, Type)) ExpectRoundTrip(Type, Data);
    }
  }
}

TEST(TextForm, TheOracleAgreesWithTheTable) {
  // ComesBackAs, which the round trip checks against, says what the table
  // of the text form says.
  struct Case {
    DWORD Type;
    Bytes Data;
    TypedBytes Back;
  };
  const std::vector<Case> Cases = {
      {REG_SZ, BytesOf({u"abc\0", 4}), {REG_SZ, BytesOf({u"abc\0", 4})}},
      {REG_SZ, BytesOf(u"abc"), {REG_SZ, BytesOf({u"ab\0", 3})}},
      {REG_EXPAND_SZ, {'a', 0, 0, 0, 'z'}, {REG_EXPAND_SZ, {'a', 0, 0, 0}}},
      {REG_MULTI_SZ, {'a'}, {REG_MULTI_SZ, {0, 0}}},
      {REG_DWORD, {1, 2, 3, 4, 5}, {REG_DWORD, {1, 2, 3, 4}}},
      {REG_DWORD, {1}, {REG_DWORD, {1, 0, 0, 0}}},
      {REG_QWORD, Bytes(9, 7), {REG_QWORD, Bytes(8, 7)}},
      {REG_BINARY, {1, 2}, {REG_BINARY, {1, 2}}},
      {REG_LINK, {1, 2}, {REG_BINARY, {1, 2}}},
  };
  for (const Case& C : Cases) EXPECT_EQ(ComesBackAs(C.Type, C.Data), C.Back) << C.Type;
}

class TextFormTest : public RegistryTest {
 protected:
  void TearDown() override {
    FObject.reset();
    RegistryTest::TearDown();
  }
  // An object reading the scratch key (32-bit view).
  TvexaRegistry& Reader() {
    FObject = std::make_unique<TvexaRegistry>(KEY_READ, false);
    FObject->SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(FObject->OpenKeyReadOnly(FScratch));
    return *FObject;
  }
  void Store(const std::u16string& Name, DWORD Type, const Bytes& Data) {
    SeedValue(FScratch, false, Name, Type, Data);
  }

  std::unique_ptr<TvexaRegistry> FObject;
};

TEST_P(TextFormTest, SerializeDataByName) {
  struct Case {
    const char16_t* Name;
    DWORD Type;
    Bytes Data;
    std::u16string Text, Payload;
  };
  const std::vector<Case> Cases = {
      {u"none", REG_NONE, {1, 2}, u"hex:0102", u"0102"},
      {u"big-endian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}, u"hex:00000007", u"00000007"},
      {u"sz", REG_SZ, BytesOf({u"abc\0", 4}), u"str:abc", u"abc"},
      {u"sz-odd", REG_SZ, {'a', 0, 'b', 0, 'c', 0, 0}, u"str:ab", u"ab"},
      {u"sz-one-byte", REG_SZ, {'a'}, u"str:", u""},
      {u"sz-unterminated", REG_SZ, BytesOf(u"abc"), u"str:ab", u"ab"},
      {u"expand", REG_EXPAND_SZ, BytesOf({u"%x%\0", 4}), u"exp:%x%", u"%x%"},
      {u"multi", REG_MULTI_SZ, BytesOf({u"a\0b\0\0", 5}), {u"multy:a\0b\0", 10}, {u"a\0b\0", 4}},
      {u"dword", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, u"dword:-1", u"-1"},
      {u"dword-short", REG_DWORD, {0x34, 0x12}, u"dword:4660", u"4660"},
      {u"qword", REG_QWORD, {0, 0, 0, 0, 1, 0, 0, 0}, u"qword:4294967296", u"4294967296"},
      {u"binary", REG_BINARY, {0x00, 0x1A, 0xFF}, u"hex:001AFF", u"001AFF"},
      {u"code-99", 99, {0xAB}, u"hex:AB", u"AB"},
      {u"empty-binary", REG_BINARY, {}, u"", u""},
      {u"empty-sz", REG_SZ, {}, u"", u""},
      {u"empty-dword", REG_DWORD, {}, u"", u""},
      {u"", REG_SZ, BytesOf({u"d\0", 2}), u"str:d", u"d"},
  };
  for (const Case& C : Cases) Store(C.Name, C.Type, C.Data);
  TvexaRegistry& Registry = Reader();
  for (const Case& C : Cases) {
    EXPECT_EQ(Registry.SerializeData(C.Name, true), C.Text) << ToUtf8(C.Name);
    EXPECT_EQ(Registry.SerializeData(C.Name, false), C.Payload) << ToUtf8(C.Name);
  }
  EXPECT_EQ(Registry.SerializeData(u"missing", true), u"");
  EXPECT_EQ(Registry.SerializeData(u"missing", false), u"");
}

TEST_P(TextFormTest, SerializeDataByNameWithoutAKeyGivesNothing) {
  TvexaRegistry Registry(KEY_READ, false);
  EXPECT_EQ(Registry.SerializeData(u"v", true), u"");
}

TEST_P(TextFormTest, SerializeDataByNameOfAValueThatChangesBeforeTheRead) {
  struct Case {
    const char* Change;
    DWORD NewType;
    Bytes After;
    std::u16string Text;
  };
  const std::vector<Case> Cases = {
      {"grows", REG_BINARY, {1, 2, 3, 4, 5}, u""},
      {"shrinks", REG_BINARY, {1, 2}, u"hex:0102"},
      {"becomes a string", REG_SZ, BytesOf({u"a\0", 2}), u"str:a"},
      {"loses its bytes", REG_BINARY, {}, u""},
  };
  for (const Case& C : Cases) {
    Store(u"v", REG_BINARY, {1, 2, 3, 4});
    TvexaRegistry& Registry = Reader();
    // The size query is the first query, the read the second.
    Recorder().RunBeforeCall(RegFunction::RegQueryValueExW, 2,
                             [&] { Store(u"v", C.NewType, C.After); });
    EXPECT_EQ(Registry.SerializeData(u"v", true), C.Text) << "the value " << C.Change;
  }
}

TEST_P(TextFormTest, WhatIsStoredComesBackFromItsTextForm) {
  const std::vector<std::pair<DWORD, Bytes>> Values = {
      {REG_SZ, BytesOf({u"abc\0", 4})},   {REG_SZ, {'a', 0, 'b'}},
      {REG_MULTI_SZ, BytesOf({u"a\0b\0\0", 5})}, {REG_DWORD, {1, 2, 3, 4, 5, 6}},
      {REG_QWORD, {1, 2}},                {REG_DWORD_BIG_ENDIAN, {0, 0, 0, 7}},
      {REG_NONE, {0}},
  };
  TvexaRegistry& Registry = Reader();
  for (const auto& [Type, Data] : Values) {
    Store(u"v", Type, Data);
    TypedBytes Got{99, {}};
    ASSERT_TRUE(TvexaRegistry::DeserializeData(Registry.SerializeData(u"v", true), Got.Data, Got.Type))
        << Type;
    EXPECT_EQ(Got, ComesBackAs(Type, Data)) << Type;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, TextFormTest, testing::ValuesIn(AvailableBackends()),
                         BackendName);

}  // namespace
}  // namespace vexa
