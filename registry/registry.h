// TRegistry: one registry key at a time, opened below a root, with the
// platform's result code of the last call kept in LastError.
#pragma once

#include <cstdint>
#include <string>

#include "core/exception.h"
#include "platform/registry_api.h"
#include "platform/system_info.h"

namespace vexa {

// STANDARD_RIGHTS_READ + KEY_QUERY_VALUE + KEY_ENUMERATE_SUB_KEYS.
inline constexpr REGSAM KEY_READ_NO_NOTIFY = 0x00020009;

struct TRegKeyInfo {
  std::int32_t NumSubKeys = 0;
  std::int32_t MaxSubKeyLen = 0;  // characters
  std::int32_t NumValues = 0;
  std::int32_t MaxValueLen = 0;  // characters
  std::int32_t MaxDataLen = 0;   // bytes
  FILETIME FileTime;
};

// The base class's own value types. Note the crossing: ordinal 3 is
// rdInteger (REG_DWORD, code 4) and ordinal 4 rdBinary (REG_BINARY, code 3).
enum TRegDataType : std::uint8_t { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  std::int32_t DataSize = 0;  // bytes
};

// Whole days since 30 December 1899, plus the fraction of the day.
using TDateTime = double;

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ERegistryException"; }
};

class TRegistry {
 public:
  TRegistry();
  explicit TRegistry(std::uint32_t AAccess);
  // Closes the current key. An error of that close cannot leave a
  // destructor; callers that must see it close the key themselves first.
  virtual ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY CurrentKey() const { return FCurrentKey; }
  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value);
  bool LazyWrite() const { return FLazyWrite; }
  void SetLazyWrite(bool Value) { FLazyWrite = Value; }
  const std::u16string& CurrentPath() const { return FCurrentPath; }
  bool CloseRootKey() const { return FCloseRootKey; }
  std::uint32_t Access() const { return FAccess; }
  void SetAccess(std::uint32_t Value) { FAccess = Value; }
  std::int32_t LastError() const { return FLastError; }

  void CloseKey();
  bool OpenKey(const std::u16string& Key, bool CanCreate);
  bool CreateKey(const std::u16string& Key);
  // Deletes the key with its whole subtree; the result is that of the key's
  // own delete. A path that names the root itself deletes nothing.
  bool DeleteKey(const std::u16string& Key);
  bool KeyExists(const std::u16string& Key);
  bool GetKeyInfo(TRegKeyInfo& Value);

  // Values of the current key. Every platform result is kept in LastError.
  bool GetDataInfo(const std::u16string& ValueName, TRegDataInfo& Value);
  // The value's size in bytes, or -1 when the query fails.
  std::int32_t GetDataSize(const std::u16string& ValueName);
  TRegDataType GetDataType(const std::u16string& ValueName);
  bool ValueExists(const std::u16string& Name);
  bool DeleteValue(const std::u16string& Name);
  // The typed reads raise ERegistryException "Failed to get data for '%s'"
  // when the data cannot be read and "Invalid data type for '%s'" when it
  // is of another type; the writes raise "Failed to set data for '%s'".
  // ReadString gives the text up to its first NUL, unexpanded.
  std::u16string ReadString(const std::u16string& Name);
  std::int32_t ReadInteger(const std::u16string& Name);
  bool ReadBool(const std::u16string& Name);
  // Exactly 8 bytes of REG_BINARY.
  TDateTime ReadDate(const std::u16string& Name);
  void WriteString(const std::u16string& Name, const std::u16string& Value);
  void WriteInteger(const std::u16string& Name, std::int32_t Value);
  void WriteBinaryData(const std::u16string& Name, const void* Buffer, std::int32_t BufSize);

 protected:
  // A path resolved against the object: the handle it starts from and the
  // text handed to the platform (without the leading backslash).
  struct ResolvedPath {
    HKEY Base;
    std::u16string Path;
    bool Relative;  // resolved from the current key
  };
  ResolvedPath Resolve(const std::u16string& Key) const;
  // RegOpenKeyExW with Access, result not recorded; 0 when the open failed.
  HKEY PlainOpen(const ResolvedPath& Target) const;
  void MakeCurrent(HKEY Key, const ResolvedPath& Target);
  // Keeps Code in LastError; true on success.
  bool Record(LSTATUS Code);

  // RegQueryValueExW and RegSetValueExW on the current key. Size is in
  // bytes: on a query the room of Data on entry and the data's size on
  // return; Data null asks for type and size only. A negative size, or a
  // name holding a NUL (the platform would see only its part before it),
  // never reaches the platform: ERROR_INVALID_PARAMETER.
  LSTATUS QueryValue(const std::u16string& Name, DWORD& Type, void* Data, std::int32_t& Size) const;
  LSTATUS SetValue(const std::u16string& Name, DWORD Type, const void* Data,
                   std::int32_t Size) const;
  // A buffer for Size bytes of string data: whole characters for every byte
  // and one more, as the platform may put a NUL character after string data
  // (Wine even past the room of a one-byte value). Its data is never null,
  // so that a read into it is never a mere size query.
  static std::u16string CharacterBuffer(std::int32_t Size);
  // The data read and write of the typed operations, recorded: the bytes
  // delivered into Buffer (which must not be null) and their type.
  std::int32_t GetData(const std::u16string& Name, void* Buffer, std::int32_t BufSize,
                       TRegDataType& RegData);
  void PutData(const std::u16string& Name, const void* Buffer, std::int32_t BufSize,
               TRegDataType RegData);

  HKEY FCurrentKey{};
  HKEY FRootKey = HKEY_CURRENT_USER;
  bool FLazyWrite = true;
  std::u16string FCurrentPath;
  bool FCloseRootKey = false;
  std::uint32_t FAccess = KEY_ALL_ACCESS;
  std::int32_t FLastError = ERROR_SUCCESS;

 private:
  // The delete call the platform offers (fixed at start-up).
  LSTATUS DeleteCall(HKEY Base, const char16_t* Path) const;
  // Deletes the subkeys of the open key Handle, last index first.
  void DeleteSubKeys(HKEY Handle);
  void DeleteSubKey(HKEY Parent, const std::u16string& Name);
};

// Whether a platform offers the view-aware RegDeleteKeyExW: Windows 5.2 with
// a service pack, any later version, and 5.2 without one on an x64 processor.
bool HasViewAwareDelete(const OsVersionInfo& Version, std::uint16_t NativeArchitecture);

// The registry layer's start-up: fixes, from the platform's facts, which
// delete call DeleteKey uses.
void InitializeRegistryLayer();
bool UsesViewAwareDelete();

}  // namespace vexa
