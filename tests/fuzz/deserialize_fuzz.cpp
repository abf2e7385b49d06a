// DeserializeData on any UTF-16 text, into an array that already holds
// bytes. Input: the array's length, its type code, then the text.
// Properties: a text without a known prefix changes nothing; a string
// payload comes back as its characters and one NUL; "hex:" pairs give their
// bytes up to the first bad pair, the array's own bytes after it; an
// integer payload gives the bytes of StrToInt/StrToInt64, or raises
// EConvertError with the type already set and the array as it was; and
// what was read writes back as a text that reads back the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/integer_text.h"
#include "registry/vexaRegistryTools.h"
#include "tests/fuzz/fuzz_input.h"

namespace vexa {
namespace {

struct Prefix {
  std::u16string_view Text;
  DWORD Type;
};
constexpr Prefix Prefixes[] = {{u"str:", REG_SZ},      {u"exp:", REG_EXPAND_SZ},
                               {u"multy:", REG_MULTI_SZ}, {u"dword:", REG_DWORD},
                               {u"qword:", REG_QWORD},  {u"hex:", REG_BINARY}};

TBytes LittleEndian(std::uint64_t Value, std::size_t Count) {
  TBytes Bytes;
  for (std::size_t I = 0; I < Count; ++I) Bytes.push_back(static_cast<std::uint8_t>(Value >> 8 * I));
  return Bytes;
}

int Nibble(char16_t C) {
  const std::u16string_view Digits = u"0123456789abcdef";
  const char16_t Lower = C >= u'A' && C <= u'F' ? static_cast<char16_t>(C + 0x20) : C;
  const std::size_t At = Digits.find(Lower);
  return At == std::u16string_view::npos ? -1 : static_cast<int>(At);
}

// The bytes "hex:" followed by Payload gives when read into Before.
TBytes HexBytes(std::u16string_view Payload, const TBytes& Before) {
  TBytes Bytes(Payload.size() / 2);
  bool Stopped = false;
  for (std::size_t I = 0; I < Bytes.size(); ++I) {
    const int High = Nibble(Payload[2 * I]), Low = Nibble(Payload[2 * I + 1]);
    Stopped = Stopped || High < 0 || Low < 0;
    Bytes[I] = Stopped ? (I < Before.size() ? Before[I] : 0) : static_cast<std::uint8_t>(High * 16 + Low);
  }
  return Bytes;
}

}  // namespace
}  // namespace vexa

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace vexa;
  FuzzInput Input(Data, Size);
  const TBytes Before(Input.Byte(), 0xA5);
  const DWORD TypeBefore = Input.Byte();
  const std::u16string Text = Input.RestAsText();

  const Prefix* Known = nullptr;
  for (const Prefix& P : Prefixes) {
    if (Text.compare(0, P.Text.size(), P.Text) == 0) Known = &P;
  }
  TBytes Bytes = Before;
  DWORD Type = TypeBefore;
  bool Read = false;
  try {
    Read = TvexaRegistry::DeserializeData(Text, Bytes, Type);
  } catch (const EConvertError& Error) {
    Require(Known && (Known->Type == REG_DWORD || Known->Type == REG_QWORD),
            "only an integer payload raises", Text);
    Require(Type == Known->Type && Bytes == Before, "the type set, the array as it was", Text);
    const std::u16string Payload = Text.substr(Known->Text.size());
    Require(Error.Message() == NotAnInteger(Payload), "the message names the payload", Text);
    return 0;
  }
  Require(Read == (Known != nullptr), "true exactly for a known prefix", Text);
  if (!Known) {
    Require(Bytes == Before && Type == TypeBefore, "nothing changed without a prefix", Text);
    return 0;
  }
  Require(Type == Known->Type, "the prefix's type", Text);
  const std::u16string Payload = Text.substr(Known->Text.size());
  TBytes Expected;
  switch (Type) {
    case REG_DWORD:
      Expected = LittleEndian(static_cast<std::uint32_t>(StrToInt(Payload)), 4);
      break;
    case REG_QWORD:
      Expected = LittleEndian(static_cast<std::uint64_t>(StrToInt64(Payload)), 8);
      break;
    case REG_BINARY:
      Expected = HexBytes(Payload, Before);
      break;
    default:
      for (const char16_t C : Payload + u'\0') {
        Expected.push_back(static_cast<std::uint8_t>(C & 0xFF));
        Expected.push_back(static_cast<std::uint8_t>(C >> 8));
      }
  }
  Require(Bytes == Expected, "the payload's bytes", Text);

  TvexaRegistry Registry(false);
  const std::u16string Again =
      Registry.SerializeData(Bytes, Type, static_cast<DWORD>(Bytes.size()), true);
  if (Known->Type != REG_DWORD && Known->Type != REG_QWORD && Known->Type != REG_BINARY) {
    Require(Again == Text, "a string's text form is the text read", Text);
  }
  TBytes BytesAgain = {1, 2, 3};
  DWORD TypeAgain = 99;
  Require(TvexaRegistry::DeserializeData(Again, BytesAgain, TypeAgain) && TypeAgain == Type && BytesAgain == Bytes,
          "what was read writes back as a text that reads back the same", Again);
  return 0;
}
