#include "core/integer_text.h"

#include <algorithm>
#include <limits>
#include <string>
#include <type_traits>

#include "core/exception.h"

namespace vexa {
namespace {

[[noreturn]] void NotAnInteger(std::u16string_view Text) {
  throw EConvertError(Format(u"''%s'' is not a valid integer value", {std::u16string(Text)}));
}

template <typename Int>
Int ReadInteger(std::u16string_view Text) {
  using Unsigned = std::make_unsigned_t<Int>;
  std::u16string_view Rest = Text.substr(0, Text.find(u'\0'));
  Rest.remove_prefix(std::min(Rest.find_first_not_of(u' '), Rest.size()));
  const bool Negative = !Rest.empty() && Rest.front() == u'-';
  if (!Rest.empty() && (Rest.front() == u'-' || Rest.front() == u'+')) Rest.remove_prefix(1);
  unsigned Base = 10;
  for (const std::u16string_view Marker : {u"$", u"0x", u"0X", u"x", u"X"}) {
    if (Rest.substr(0, Marker.size()) == Marker) {
      Base = 16;
      Rest.remove_prefix(Marker.size());
      break;
    }
  }
  if (Rest.empty()) NotAnInteger(Text);
  // Decimal text reaches the magnitude of the sign's end of the range;
  // hexadecimal text any bit pattern of the width.
  const Unsigned Limit = Base == 16 ? std::numeric_limits<Unsigned>::max()
                                    : static_cast<Unsigned>(std::numeric_limits<Int>::max()) +
                                          (Negative ? 1 : 0);
  Unsigned Value = 0;
  for (const char16_t C : Rest) {
    const int Digit = HexDigit(C);
    if (Digit < 0 || static_cast<unsigned>(Digit) >= Base ||
        Value > (Limit - static_cast<unsigned>(Digit)) / Base) {
      NotAnInteger(Text);
    }
    Value = static_cast<Unsigned>(Value * Base + static_cast<unsigned>(Digit));
  }
  if (Negative) Value = static_cast<Unsigned>(Unsigned{0} - Value);
  return static_cast<Int>(Value);
}

}  // namespace

int HexDigit(char16_t C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  return -1;
}

std::int32_t StrToInt(std::u16string_view Text) { return ReadInteger<std::int32_t>(Text); }

std::int64_t StrToInt64(std::u16string_view Text) { return ReadInteger<std::int64_t>(Text); }

}  // namespace vexa
