// Integers read from text, in the run-time library's syntax:
//   - any number of blanks (U+0020 only) in front;
//   - at most one sign, "+" or "-";
//   - decimal digits, or a hexadecimal marker ("$", "x", "X", "0x", "0X")
//     and at least one hexadecimal digit of either case; leading zeros are
//     allowed;
//   - nothing after the digits. A NUL character ends the text: what follows
//     it is not looked at.
// Decimal text must lie in the type's range. Hexadecimal text is a bit
// pattern of up to 8 (StrToInt) or 16 (StrToInt64) significant digits, read
// as two's complement, so "$FFFFFFFF" is -1; a "-" in front negates it.
// Text outside the syntax raises EConvertError
// "''%s'' is not a valid integer value", %s being the whole text.
#pragma once

#include <cstdint>
#include <string_view>

namespace vexa {

std::int32_t StrToInt(std::u16string_view Text);
std::int64_t StrToInt64(std::u16string_view Text);

// The value of a hexadecimal digit of either case, 0 to 15; -1 for any other
// character.
int HexDigit(char16_t C);

}  // namespace vexa
