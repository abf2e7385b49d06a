// A registry held in memory: the predefined roots, keys whose names compare
// case-insensitively and keep their case, values of any type and size, class
// strings, volatile keys and last-write times, the two views of 64-bit
// Windows (the 32-bit one below HKLM\SOFTWARE\Wow6432Node, the classes shared
// but for the COM keys below their Wow6432Node), per-key rights, links
// (REG_OPTION_CREATE_LINK, REG_OPTION_OPEN_LINK), and a count of open
// handles. It answers as the Windows registry does, out-parameters included.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_api.h"

namespace vexa {

class MemoryRegistry final : public RegistryApi {
 public:
  enum class Mode {
    Windows64,  // 64-bit process on 64-bit Windows: no view bit means the 64-bit view
    Wow64,      // 32-bit process on 64-bit Windows: no view bit means the 32-bit view
    Windows32,  // 32-bit Windows: one view, view bits are ignored
  };

  // A process like this one on 64-bit Windows: Windows64 for a 64-bit
  // process, Wow64 for a 32-bit one.
  static constexpr Mode ProcessMode() { return sizeof(void*) == 8 ? Mode::Windows64 : Mode::Wow64; }

  explicit MemoryRegistry(Mode RegistryMode = ProcessMode());
  ~MemoryRegistry() override;

  LSTATUS RegOpenKeyExW(HKEY Key, const char16_t* SubKey, DWORD Options, REGSAM Desired,
                        HKEY* Result) override;
  LSTATUS RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved, char16_t* Class,
                          DWORD Options, REGSAM Desired, const void* SecurityAttributes,
                          HKEY* Result, DWORD* Disposition) override;
  LSTATUS RegCloseKey(HKEY Key) override;
  LSTATUS RegFlushKey(HKEY Key) override;
  LSTATUS RegQueryInfoKeyW(HKEY Key, char16_t* Class, DWORD* ClassLength, DWORD* Reserved,
                           DWORD* SubKeys, DWORD* MaxSubKeyLength, DWORD* MaxClassLength,
                           DWORD* Values, DWORD* MaxValueNameLength, DWORD* MaxValueLength,
                           DWORD* SecurityDescriptorSize, FILETIME* LastWriteTime) override;
  LSTATUS RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength, DWORD* Reserved,
                        char16_t* Class, DWORD* ClassLength, FILETIME* LastWriteTime) override;
  LSTATUS RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired,
                          DWORD Reserved) override;
  LSTATUS RegDeleteKeyW(HKEY Key, const char16_t* SubKey) override;
  LSTATUS RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD* Reserved, DWORD* Type,
                           std::uint8_t* Data, DWORD* DataSize) override;
  LSTATUS RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD Reserved, DWORD Type,
                         const std::uint8_t* Data, DWORD DataSize) override;
  LSTATUS RegDeleteValueW(HKEY Key, const char16_t* ValueName) override;

  // The rights a key grants (its security, in effect): an open or create that
  // asks for more fails with ERROR_ACCESS_DENIED, and a key whose rights lack
  // DELETE cannot be deleted. Path and view bits as for RegOpenKeyExW.
  LSTATUS SetKeyRights(HKEY Root, const std::u16string& Path, REGSAM View, REGSAM Granted);

  // A subkey of exactly this name below the open key Parent, as the native
  // API can make one: its name may hold NULs, which no Win32 path can.
  LSTATUS CreateNativeSubKey(HKEY Parent, const std::u16string& Name);
  LSTATUS DeleteNativeSubKey(HKEY Parent, const std::u16string& Name);

  // Handles opened and not yet closed (predefined roots are not counted).
  std::size_t OpenHandleCount() const { return FOpenHandles; }

  struct Node;

 private:
  struct Handle {
    std::shared_ptr<Node> Target;
    REGSAM Access;
  };
  struct Resolved;
  struct NewKey;

  static constexpr std::uintptr_t FirstHandle = 0x40;
  static constexpr std::uintptr_t HandleStep = 4;

  Handle* HandleOf(HKEY Key);
  std::shared_ptr<Node>* RootOf(HKEY Key);
  const std::shared_ptr<Node>* SlotOf(HKEY Key, LSTATUS& Status, REGSAM Needed = 0);
  Node* NodeOf(HKEY Key, LSTATUS& Status, REGSAM Needed = 0);
  Resolved Resolve(const std::shared_ptr<Node>& Base, std::u16string_view Path, REGSAM View,
                   const NewKey* Create, bool OpenLink = false, int Depth = 0);
  Resolved FollowLink(Node& Link, int Depth);
  bool IsView32(REGSAM Access) const;
  HKEY NewHandle(const std::shared_ptr<Node>& Target, REGSAM Access);
  LSTATUS DeleteKey(HKEY Key, const char16_t* SubKey, REGSAM View);
  // Removes a key without subkeys from its parent; a root stays.
  LSTATUS Unlink(Node& Target);

  Mode FMode;
  std::vector<std::shared_ptr<Node>> FRoots;  // indexed by the root's low bits
  std::vector<Handle> FHandles;               // slot I is the handle FirstHandle + I * HandleStep
  std::vector<std::size_t> FFreeSlots;
  std::size_t FOpenHandles = 0;
};

}  // namespace vexa
