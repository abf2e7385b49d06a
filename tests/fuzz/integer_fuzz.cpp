// StrToInt and StrToInt64 against a second reading of the same syntax, made
// another way: a state machine over character classes for the syntax, and
// the standard library's std::from_chars for the digits. Input: one byte
// whose low bit picks the width (set: 64 bits), then the text.
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "core/integer_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace vexa {
namespace {

enum State { Blanks, Signed, Zero, Decimal, Marker, Hex, Rejected };

// The next state after C.
State Next(State S, char16_t C) {
  const bool Digit = C >= u'0' && C <= u'9';
  const bool HexLetter = (C >= u'a' && C <= u'f') || (C >= u'A' && C <= u'F');
  const bool MarkerLetter = C == u'x' || C == u'X';
  switch (S) {
    case Blanks:
      if (C == u' ') return Blanks;
      if (C == u'+' || C == u'-') return Signed;
      [[fallthrough]];
    case Signed:
      if (C == u'0') return Zero;
      if (Digit) return Decimal;
      if (C == u'$' || MarkerLetter) return Marker;
      return Rejected;
    case Zero:
      if (MarkerLetter) return Marker;
      [[fallthrough]];
    case Decimal:
      return Digit ? Decimal : Rejected;
    case Marker:
    case Hex:
      return Digit || HexLetter ? Hex : Rejected;
    case Rejected:
      break;
  }
  return Rejected;
}

// The integer Text stands for, or nothing when it is outside the syntax.
template <typename Int>
std::optional<Int> SecondReading(const std::u16string& Whole) {
  const std::u16string Text = Whole.substr(0, Whole.find(u'\0'));
  State S = Blanks;
  bool Negative = false;
  std::string Digits;  // ASCII: every accepted character is
  for (const char16_t C : Text) {
    const State Before = S;
    S = Next(S, C);
    if (S == Rejected) return std::nullopt;
    if (Before == Blanks && S == Signed) Negative = C == u'-';
    if (S == Zero || S == Decimal || S == Hex) Digits += static_cast<char>(C);
    if (S == Marker) Digits.clear();  // the "0" of "0x" is no digit
  }
  if (S != Zero && S != Decimal && S != Hex) return std::nullopt;
  if (S == Hex) {
    std::make_unsigned_t<Int> Bits = 0;
    const auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), Bits, 16);
    if (Error != std::errc() || End != Digits.data() + Digits.size()) return std::nullopt;
    if (Negative) Bits = static_cast<decltype(Bits)>(~Bits + 1);
    return static_cast<Int>(Bits);
  }
  if (Negative) Digits.insert(0, "-");
  Int Value = 0;
  const auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), Value, 10);
  if (Error != std::errc() || End != Digits.data() + Digits.size()) return std::nullopt;
  return Value;
}

template <typename Int>
void Compare(const std::u16string& Text, Int (*Read)(std::u16string_view)) {
  const std::optional<Int> Expected = SecondReading<Int>(Text);
  try {
    const Int Got = Read(Text);
    Require(Expected.has_value(), "text outside the syntax raises", Text);
    Require(Got == *Expected, "both readings give the same integer", Text);
  } catch (const EConvertError& Error) {
    Require(!Expected, "text in the syntax reads", Text);
    Require(Error.Message() == NotAnInteger(Text), "the message names the text", Text);
  }
}

}  // namespace
}  // namespace vexa

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace vexa;
  FuzzInput Input(Data, Size);
  const bool Wide = Input.Byte() & 1;
  const std::u16string Text = Input.RestAsText();
  if (Wide) {
    Compare<std::int64_t>(Text, StrToInt64);
  } else {
    Compare<std::int32_t>(Text, StrToInt);
  }
  return 0;
}
