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
