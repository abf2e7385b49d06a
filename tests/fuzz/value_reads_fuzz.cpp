// ReadMultiString, GetString and SerializeData by name over any value bytes
// stored with any type code in the in-memory registry. Input: the type code,
// how many bytes short of the value's size GetString is told (modulo the
// size plus one), then the value's bytes.
// Properties: GetString gives the first length div 2 - 1 characters;
// ReadMultiString answers for REG_MULTI_SZ alone, keeps what the list held,
// and appends strings without NULs that, each with its NUL, spell the data
// from its start up to where the list ends (the last one may lack its NUL
// at the end of the data), where the list ends only at the end of the data
// or at a NUL that is the last character or followed by one, and where an
// empty string stands only for a NUL followed by text; SerializeData by name
// gives what it gives on the bytes themselves, and nothing for no bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/memory/memory_registry.h"
#include "registry/vexaRegistryTools.h"
#include "tests/fuzz/fuzz_input.h"

namespace vexa {
namespace {

// An object with a key open for reading and writing, on a registry of its own.
TvexaRegistry& Registry() {
  static MemoryRegistry Memory;
  static ScopedRegistryOverride Override(Memory);
  static TvexaRegistry Object(false);
  static const bool Opened = [] {
    Object.SetRootKey(HKEY_LOCAL_MACHINE);
    return Object.OpenKey(u"SOFTWARE\\Fuzz", true);
  }();
  Require(Opened, "the key opens");
  return Object;
}

void CheckStrings(const std::u16string& Data, const TStringList& List) {
  std::size_t Position = 0;
  for (int I = 1; I < List.Count(); ++I) {
    const std::u16string& S = List[I];
    Require(S.find(u'\0') == std::u16string::npos, "a string holds no NUL", S);
    Require(Data.compare(Position, S.size(), S) == 0, "the strings spell the data", S);
    Position += S.size();
    const bool AtEnd = Position == Data.size();
    Require(AtEnd ? I == List.Count() - 1 : Data[Position] == u'\0',
            "each string ends at a NUL, or the last one at the end of the data", S);
    if (S.empty()) {
      Require(Position + 1 < Data.size() && Data[Position + 1] != u'\0',
              "an empty string is a NUL followed by text", S);
    }
    if (!AtEnd) ++Position;
  }
  Require(Position == Data.size() || (Data[Position] == u'\0' && (Position + 1 == Data.size() ||
                                                                  Data[Position + 1] == u'\0')),
          "the list ends at the end of the data or at a NUL that ends it", Data);
}

}  // namespace
}  // namespace vexa

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace vexa;
  FuzzInput Input(Data, Size);
  const std::int32_t Type = Input.Byte();
  const std::uint8_t Choice = Input.Byte();
  const TBytes Value = Input.RestAsBytes();
  // Exactly the value's bytes on the heap: a read past them is a finding.
  const std::unique_ptr<std::uint8_t[]> Exact(new std::uint8_t[Value.size()]);
  std::copy(Value.begin(), Value.end(), Exact.get());
  const std::uint32_t Length =
      static_cast<std::uint32_t>(Value.size() - Choice % (Value.size() + 1));
  const std::u16string Text = TvexaRegistry::GetString(Exact.get(), Length);
  const std::size_t Characters = Length / 2 > 1 ? Length / 2 - 1 : 0;
  Require(Text.size() == Characters, "GetString's length");
  for (std::size_t I = 0; I < Characters; ++I) {
    Require(Text[I] == (Value[2 * I] | Value[2 * I + 1] << 8), "GetString's characters", Text);
  }

  // Code 12 is no type the store keeps: PutDataEx writes it as REG_DWORD.
  if (Type == REG_DWORD_TRUNCATED) return 0;
  TvexaRegistry& Reader = Registry();
  Require(Reader.PutDataEx(u"v", Exact.get(), static_cast<std::int32_t>(Value.size()), Type),
          "the value is stored");
  TStringList List;
  List.Add(u"before");
  const bool Read = Reader.ReadMultiString(u"v", &List);
  Require(Read == (static_cast<DWORD>(Type) == REG_MULTI_SZ), "only REG_MULTI_SZ reads");
  Require(List[0] == u"before", "what the list held stays in front");
  if (Read) {
    std::u16string Characters16;
    for (std::size_t I = 0; I + 1 < Value.size(); I += 2) {
      Characters16 += static_cast<char16_t>(Value[I] | Value[I + 1] << 8);
    }
    CheckStrings(Characters16, List);
  } else {
    Require(List.Count() == 1, "a value of another type appends nothing");
  }

  const std::u16string ByName = Reader.SerializeData(u"v", true);
  const std::u16string OfBytes =
      Reader.SerializeData(Value, static_cast<DWORD>(Type), static_cast<DWORD>(Value.size()), true);
  Require(ByName == (Value.empty() ? u"" : OfBytes), "by name as on the bytes", ByName);
  return 0;
}
