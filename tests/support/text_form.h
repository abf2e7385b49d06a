// What a value keeps when its text form, with the prefix, is read back.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/registry_api.h"

namespace vexa {

struct TypedBytes {
  DWORD Type;
  std::vector<std::uint8_t> Data;
  bool operator==(const TypedBytes& Other) const {
    return Type == Other.Type && Data == Other.Data;
  }
};

// The value of Type with the bytes Data, once its text form is read back:
//   strings: the same type, the odd last byte lost and the last character
//     made a NUL (no change for whole characters ending in a NUL; one NUL
//     for data without a whole character);
//   REG_DWORD, REG_QWORD: the same type with 4 or 8 bytes, the first ones of
//     the value, and 0 for those that a shorter value lacks;
//   REG_BINARY and every other type: the same bytes as REG_BINARY.
inline TypedBytes ComesBackAs(DWORD Type, std::vector<std::uint8_t> Data) {
  switch (Type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
      Data.resize(Data.size() / 2 * 2);
      if (Data.size() < 2) Data.resize(2);
      Data[Data.size() - 2] = Data[Data.size() - 1] = 0;
      return {Type, Data};
    case REG_DWORD:
      Data.resize(4);
      return {Type, Data};
    case REG_QWORD:
      Data.resize(8);
      return {Type, Data};
    default:
      return {REG_BINARY, Data};
  }
}

}  // namespace vexa
