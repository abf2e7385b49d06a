// TvexaRegistry: a TRegistry whose access mask carries a fixed registry view,
// and one-shot key operations that need no object from the caller.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "registry/registry.h"

namespace vexa {

// The view bits that the Boolean view flag adds: True the 64-bit view,
// False the 32-bit view.
inline constexpr REGSAM View64Bit = KEY_WOW64_64KEY;
inline constexpr REGSAM View32Bit = KEY_WOW64_32KEY;

constexpr REGSAM ViewBit(bool _64BitView) { return _64BitView ? View64Bit : View32Bit; }

class TvexaRegistry : public TRegistry {
 public:
  TvexaRegistry(std::uint32_t AAccess, bool _64BitView);
  explicit TvexaRegistry(std::uint32_t AAccess);
  // Only a bool picks this one: an integer mask such as 0x20019 goes to the
  // constructor above instead of converting to a view flag.
  template <typename Flag, std::enable_if_t<std::is_same_v<Flag, bool>, int> = 0>
  explicit TvexaRegistry(Flag _64BitView) : TvexaRegistry(KEY_ALL_ACCESS, _64BitView) {}

  // Opens Key for reading in the object's view: KEY_READ, else 0x20009,
  // else KEY_QUERY_VALUE, each with the view bits of Access; the mask that
  // worked becomes Access.
  bool OpenKeyReadOnly(const std::u16string& Key);

  using TRegistry::CreateKey;
  using TRegistry::DeleteKey;
  using TRegistry::KeyExists;

  // True when the key opens for reading in that view, and when anything
  // went wrong while finding out.
  static bool KeyExists(HKEY Root, const std::u16string& KeyName, bool Is64bitView);
  // True when the key exists afterwards; a failed creation raises
  // ERegistryException.
  static bool CreateKey(HKEY Root, const std::u16string& Key, bool _64BitView);
  // Deletes the key with its subtree; true when the key itself was deleted.
  // A path that names no key below the root deletes nothing.
  static bool DeleteKey(HKEY Root, const std::u16string& Key, bool _64BitView);
  // True when the existing key opens with full access.
  static bool CheckAccess(HKEY Root, const std::u16string& Key, bool _64BitView);
};

}  // namespace vexa
