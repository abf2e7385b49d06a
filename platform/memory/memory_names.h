// How the in-memory platform compares names (registry keys and values,
// environment variables, files and folders): case-insensitively, by the
// lower-case form of each code unit. Folding covers ASCII and Latin-1.
#pragma once

#include <algorithm>
#include <string_view>

namespace vexa {

inline char16_t Fold(char16_t C) {
  return (C >= u'A' && C <= u'Z') || (C >= 0xC0 && C <= 0xDE && C != 0xD7) ? C + 0x20 : C;
}

// Also the order in which the registry enumerates subkeys.
inline int CompareNames(std::u16string_view A, std::u16string_view B) {
  const std::size_t Common = std::min(A.size(), B.size());
  for (std::size_t I = 0; I < Common; ++I) {
    const char16_t FoldedA = Fold(A[I]), FoldedB = Fold(B[I]);
    if (FoldedA != FoldedB) return FoldedA < FoldedB ? -1 : 1;
  }
  return A.size() < B.size() ? -1 : A.size() > B.size() ? 1 : 0;
}

inline bool SameName(std::u16string_view A, std::u16string_view B) { return CompareNames(A, B) == 0; }

}  // namespace vexa
