// SerializeData on any bytes, type code and length, then DeserializeData.
// Input: the type code, the value's length (2 bytes, little-endian; it may
// exceed the array), then the array. Properties: the text with the prefix
// reads back as ComesBackAs says, of the value's bytes (at most the array's;
// all of the array for "hex:"); the text without the prefix is the same text
// less its prefix.
#include <algorithm>
#include <cstdint>
#include <string>

#include "registry/vexaRegistryTools.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/text_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace vexa;
  FuzzInput Input(Data, Size);
  const DWORD Type = Input.Byte();
  const DWORD Low = Input.Byte();
  const DWORD Length = Low | Input.Byte() << 8;
  const TBytes Array = Input.RestAsBytes();

  const TvexaRegistry Registry(false);
  const std::u16string Text = Registry.SerializeData(Array, Type, Length, true);
  const std::u16string Payload = Registry.SerializeData(Array, Type, Length, false);
  Require(Text.size() > Payload.size() &&
              Text.compare(Text.size() - Payload.size(), Payload.size(), Payload) == 0 &&
              Text.find(u':') == Text.size() - Payload.size() - 1,
          "the payload follows the prefix's colon", Text);

  TypedBytes Expected = ComesBackAs(
      Type, TBytes(Array.begin(), Array.begin() + std::min<std::size_t>(Length, Array.size())));
  if (Expected.Type == REG_BINARY) Expected.Data = Array;
  TypedBytes Got{12345, TBytes(7, 0xEE)};
  Require(TvexaRegistry::DeserializeData(Text, Got.Data, Got.Type), "the text form reads back", Text);
  Require(Got == Expected, "it comes back as the table says", Text);
  return 0;
}
