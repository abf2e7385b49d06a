// What the fuzz targets share: their input taken apart, and the check that
// turns a broken property into a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/exception.h"

namespace vexa {

// Reads an input from its start: single bytes, then the rest as bytes or as
// UTF-16 little-endian text (an odd last byte dropped). Past the end every
// byte is 0.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}

  std::uint8_t Byte() { return FPosition < FSize ? FData[FPosition++] : 0; }
  std::vector<std::uint8_t> RestAsBytes() {
    std::vector<std::uint8_t> Bytes(FData + FPosition, FData + FSize);
    FPosition = FSize;
    return Bytes;
  }
  std::u16string RestAsText() {
    std::u16string Text;
    for (; FPosition + 1 < FSize; FPosition += 2) {
      Text += static_cast<char16_t>(FData[FPosition] | FData[FPosition + 1] << 8);
    }
    FPosition = FSize;
    return Text;
  }

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPosition = 0;
};

// A finding: the property that failed, and the input it failed on is kept
// by libFuzzer.
inline void Require(bool Holds, const char* Property, const std::u16string& About = {}) {
  if (Holds) return;
  std::fprintf(stderr, "property broken: %s [%s]\n", Property, ToUtf8(About).c_str());
  std::abort();
}

// The message of the EConvertError that StrToInt raises for Text.
inline std::u16string NotAnInteger(const std::u16string& Text) {
  return u"''" + Text + u"'' is not a valid integer value";
}

}  // namespace vexa
