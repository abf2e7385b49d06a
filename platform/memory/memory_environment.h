// A process environment held in memory. Its expansion answers as the real
// one (Wine's) does: names compare case-insensitively, a reference to an
// undefined variable (or "%%") stays as written, a "%" without its closing
// one stays, and a buffer too small gets as much as fits and its terminator.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/environment_api.h"

namespace vexa {

class MemoryEnvironment final : public EnvironmentApi {
 public:
  using Variable = std::pair<std::u16string, std::u16string>;
  explicit MemoryEnvironment(std::initializer_list<Variable> Variables = {});

  DWORD ExpandEnvironmentStringsW(const char16_t* Source, char16_t* Destination, DWORD Size) override;

  void Set(const std::u16string& Name, const std::u16string& Value);
  // Every expansion from now on fails, as the real call does when it runs
  // out of memory.
  void FailExpansions() { FFails = true; }
  std::size_t Expansions() const { return FExpansions; }

 private:
  const std::u16string* Find(const std::u16string& Name) const;

  std::vector<Variable> FVariables;
  bool FFails = false;
  std::size_t FExpansions = 0;
};

}  // namespace vexa
