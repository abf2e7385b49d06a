#include "core/exception.h"

#include <utility>

namespace vexa {

std::u16string Format(const std::u16string& Pattern,
                      std::initializer_list<std::u16string> Args) {
  std::u16string Result;
  auto Next = Args.begin();
  for (std::size_t I = 0; I < Pattern.size(); ++I) {
    if (Pattern[I] == u'%' && I + 1 < Pattern.size()) {
      if (Pattern[I + 1] == u'%') {
        Result += u'%';
        ++I;
        continue;
      }
      if (Pattern[I + 1] == u's' && Next != Args.end()) {
        Result += *Next++;
        ++I;
        continue;
      }
    }
    Result += Pattern[I];
  }
  return Result;
}

std::string ToUtf8(const std::u16string& Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    char32_t C = Text[I];
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < Text.size() &&
        Text[I + 1] >= 0xDC00 && Text[I + 1] <= 0xDFFF) {
      C = 0x10000 + ((C - 0xD800) << 10) + (Text[++I] - 0xDC00);
    } else if (C >= 0xD800 && C <= 0xDFFF) {
      C = 0xFFFD;
    }
    if (C < 0x80) {
      Out += static_cast<char>(C);
    } else if (C < 0x800) {
      Out += static_cast<char>(0xC0 | (C >> 6));
      Out += static_cast<char>(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
      Out += static_cast<char>(0xE0 | (C >> 12));
      Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
      Out += static_cast<char>(0x80 | (C & 0x3F));
    } else {
      Out += static_cast<char>(0xF0 | (C >> 18));
      Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
      Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
      Out += static_cast<char>(0x80 | (C & 0x3F));
    }
  }
  return Out;
}

Exception::Exception(std::u16string Message)
    : FMessage(std::move(Message)), FWhat(ToUtf8(FMessage)) {}

}  // namespace vexa
