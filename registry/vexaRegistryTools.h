// TvexaRegistry: a TRegistry whose access mask carries a fixed registry view,
// and one-shot key operations that need no object from the caller.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/string_list.h"
#include "registry/registry.h"

namespace vexa {

// The view bits that the Boolean view flag adds: True the 64-bit view,
// False the 32-bit view.
inline constexpr REGSAM View64Bit = KEY_WOW64_64KEY;
inline constexpr REGSAM View32Bit = KEY_WOW64_32KEY;

constexpr REGSAM ViewBit(bool _64BitView) { return _64BitView ? View64Bit : View32Bit; }

// No Windows type: PutDataEx stores the first 4 bytes of the buffer as a
// REG_DWORD.
inline constexpr std::int32_t REG_DWORD_TRUNCATED = 12;

// A value as the store describes it: RegData is the Windows code of the
// types REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ and
// REG_QWORD, 0 for any other; DataSize counts bytes, terminators included.
struct TRegDataInfoEx {
  std::uint8_t RegData = 0;
  std::int32_t DataSize = 0;
};

using TBytes = std::vector<std::uint8_t>;

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

  // Values of the current key, of every type. None of these records its
  // result in LastError but ReadMultiString's size query.
  bool GetDataInfoEx(const std::u16string& AName, TRegDataInfoEx& Value);
  // RegData of GetDataInfoEx; 0 when the value cannot be described.
  std::uint8_t GetDataTypeEx(const std::u16string& ValueName);
  // The raw bytes into Buffer, with the store's type code, whatever it is.
  // False when they do not fit in BufSize bytes.
  bool GetDataEx(const std::u16string& Name, void* Buffer, std::int32_t BufSize,
                 std::int32_t& DataType);
  // Stores BufSize bytes with that type code (REG_DWORD_TRUNCATED: the first
  // 4 bytes as REG_DWORD; with fewer than 4 bytes nothing is stored).
  bool PutDataEx(const std::u16string& Name, const void* Buffer, std::int32_t BufSize,
                 std::int32_t DataType);
  // The bytes of a REG_BINARY value; False, and Data empty, when the value
  // is missing, of another type, or cannot be read.
  bool GetBinaryData(const std::u16string& ValueName, TBytes& Data);
  // Appends the strings of a REG_MULTI_SZ value to Strings, after those it
  // holds. A NUL ends the list where it is the last character or another
  // NUL follows; one followed by text is an empty string.
  bool ReadMultiString(const std::u16string& ValueName, TStringList* Strings);
  // Stores Strings, each up to its first NUL, as a REG_MULTI_SZ value.
  // Empty strings are left out of the list, each leaving one more NUL after
  // its end.
  bool WriteMultiString(const std::u16string& AValueName, const TStringList& Strings);
  // The characters of DataLen bytes but the last one, which is taken as the
  // terminator whatever it holds.
  static std::u16string GetString(const std::uint8_t* ValueData, std::uint32_t DataLen);

  // The text form of a value: a prefix that names the type, then a payload.
  //   REG_SZ "str:", REG_EXPAND_SZ "exp:", REG_MULTI_SZ "multy:": the
  //     characters as GetString gives them, NULs included;
  //   REG_DWORD "dword:", REG_QWORD "qword:": the signed little-endian
  //     integer of the first 4 or 8 bytes in decimal; a value shorter than
  //     that reads as if its missing high bytes were 0;
  //   REG_BINARY and every other type "hex:": two upper-case hexadecimal
  //     digits per byte.
  // Without PrefixType the payload alone, which does not read back.
  // The value is read as it is when read, even when it changed after its
  // size was asked; a missing value, one without data bytes, and one that
  // cannot be read (it grew or went meanwhile) give the empty string.
  std::u16string SerializeData(const std::u16string& ValueName, bool PrefixType);
  // The same for ValueLen bytes of ValueData, never more than it holds; a
  // "hex:" payload takes all of ValueData. Reads nothing of the object.
  std::u16string SerializeData(const TBytes& ValueData, DWORD ValueType, DWORD ValueLen,
                               bool PrefixType) const;
  // Reads a text form: ValueType from the prefix (case-sensitive; "hex:" is
  // REG_BINARY), then ValueData from the payload: characters as UTF-16 and
  // one NUL, a decimal or hexadecimal integer (StrToInt, StrToInt64) as 4 or
  // 8 little-endian bytes, or pairs of hexadecimal digits, one byte each,
  // into ValueData resized to the pairs (its leading bytes kept), stopping
  // at the first pair that is not two digits; a last single digit is
  // ignored. False, and nothing changed, for a text without a known prefix.
  // An integer outside the syntax raises EConvertError, ValueType already
  // set and ValueData as it was.
  static bool DeserializeData(const std::u16string& Text, TBytes& ValueData, DWORD& ValueType);

  using TRegistry::CreateKey;
  using TRegistry::DeleteKey;
  using TRegistry::DeleteValue;
  using TRegistry::KeyExists;
  using TRegistry::ValueExists;

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

  // One-shot value operations. The existence test reports True when
  // anything went wrong while finding out; DeleteValue never creates the
  // key and catches nothing.
  static bool ValueExists(HKEY Root, const std::u16string& KeyName, const std::u16string& ValName,
                          bool Is64bitView);
  static bool DeleteValue(HKEY Root, const std::u16string& Key, const std::u16string& Val,
                          bool Is64bitView);
  // The reads give Default for a missing key or value, a value of another
  // type, and any error.
  static std::int32_t GetIntegerValue(const std::u16string& KeyName, const std::u16string& ValName,
                                      HKEY RegRoot, std::int32_t Default, bool _64BitView);
  static std::u16string GetStringValue(const std::u16string& KeyName, const std::u16string& ValName,
                                       HKEY RegRoot, const std::u16string& Default,
                                       bool _64BitView);
  // REG_QWORD or REG_BINARY of up to 8 bytes, little-endian.
  static std::int64_t GetInt64RegValue(const std::u16string& KeyName, const std::u16string& ValName,
                                       HKEY RegRoot, std::int64_t Default, bool _64BitView);
  static bool GetBoolValue(const std::u16string& KeyName, const std::u16string& ValName,
                           HKEY RegRoot, bool Default, bool _64BitView);
  static TDateTime GetDateValue(const std::u16string& KeyName, const std::u16string& ValName,
                                HKEY RegRoot, TDateTime Default, bool _64BitView);
  // The writes create the key when it is missing and give False for any
  // error; WriteInt64Value catches nothing.
  static bool WriteBoolValue(const std::u16string& KeyName, const std::u16string& ValName,
                             bool ValData, HKEY RegRoot, bool _64BitView);
  static bool WriteDateValue(const std::u16string& KeyName, const std::u16string& ValName,
                             TDateTime ValData, HKEY RegRoot, bool _64BitView);
  static bool WriteIntegerValue(const std::u16string& KeyName, const std::u16string& ValName,
                                std::int32_t ValData, HKEY RegRoot, bool _64BitView);
  static bool WriteBinaryValue(const std::u16string& KeyName, const std::u16string& ValName,
                               const void* ValData, HKEY RegRoot, std::int32_t Size,
                               bool _64BitView);
  static bool WriteStringValue(const std::u16string& KeyName, const std::u16string& ValName,
                               const std::u16string& ValData, HKEY RegRoot, bool _64BitView);
  static bool WriteInt64Value(const std::u16string& KeyName, const std::u16string& ValName,
                              std::int64_t ValData, HKEY RegRoot, bool _64BitView);

 private:
  // GetDataEx that gives back, in Size, how many bytes came.
  bool ReadData(const std::u16string& Name, void* Buffer, std::int32_t& Size,
                std::int32_t& DataType);
  // The value's bytes as they are now, for one whose size was Size when
  // asked: false when they no longer fit in that, or the value went.
  bool ReadValue(const std::u16string& Name, std::int32_t Size, TBytes& Data,
                 std::int32_t& DataType);
};

}  // namespace vexa
