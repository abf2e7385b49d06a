#include "platform/memory/memory_environment.h"

#include <algorithm>

#include "platform/memory/memory_names.h"

namespace vexa {

MemoryEnvironment::MemoryEnvironment(std::initializer_list<Variable> Variables) : FVariables(Variables) {}

void MemoryEnvironment::Set(const std::u16string& Name, const std::u16string& Value) {
  for (Variable& Each : FVariables) {
    if (SameName(Each.first, Name)) {
      Each.second = Value;
      return;
    }
  }
  FVariables.emplace_back(Name, Value);
}

const std::u16string* MemoryEnvironment::Find(const std::u16string& Name) const {
  for (const Variable& Each : FVariables) {
    if (SameName(Each.first, Name)) return &Each.second;
  }
  return nullptr;
}

DWORD MemoryEnvironment::ExpandEnvironmentStringsW(const char16_t* Source, char16_t* Destination, DWORD Size) {
  ++FExpansions;
  if (FFails) return 0;
  const std::u16string Text = Source;
  std::u16string Expanded;
  std::size_t I = 0;
  while (I < Text.size()) {
    const std::size_t Open = Text.find(u'%', I);
    const std::size_t Close = Open == std::u16string::npos ? Open : Text.find(u'%', Open + 1);
    if (Close == std::u16string::npos) {
      Expanded += Text.substr(I);
      break;
    }
    const std::u16string* Value = Find(Text.substr(Open + 1, Close - Open - 1));
    Expanded += Text.substr(I, Open - I);
    Expanded += Value && Close > Open + 1 ? *Value : Text.substr(Open, Close - Open + 1);
    I = Close + 1;
  }
  if (Size > 0) {
    const std::size_t Fits = std::min<std::size_t>(Expanded.size(), Size - 1);
    *std::copy_n(Expanded.begin(), Fits, Destination) = u'\0';
  }
  return static_cast<DWORD>(Expanded.size() + 1);
}

}  // namespace vexa
