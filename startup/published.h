// What the start-up steps share about the values they publish.
#pragma once

#include <string>

namespace vexa {

// Empties Value and gives its memory back.
inline void Release(std::u16string& Value) noexcept { std::u16string().swap(Value); }

}  // namespace vexa
