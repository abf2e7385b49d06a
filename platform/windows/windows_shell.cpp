// Our header comes first: the platform's headers define macros named like
// some of our constants, which must not rewrite our declarations.
#include "platform/shell_api.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace vexa {
namespace {

LPITEMIDLIST Native(ItemIdList List) { return reinterpret_cast<LPITEMIDLIST>(static_cast<std::uintptr_t>(List)); }

class WindowsShell final : public ShellApi {
 public:
  HRESULT SHGetSpecialFolderLocation(std::uintptr_t Owner, int Folder, ItemIdList* List) override {
    LPITEMIDLIST Result = nullptr;
    const HRESULT Code = ::SHGetSpecialFolderLocation(reinterpret_cast<HWND>(Owner), Folder, &Result);
    *List = static_cast<ItemIdList>(reinterpret_cast<std::uintptr_t>(Result));
    return Code;
  }

  bool SHGetPathFromIDListW(ItemIdList List, char16_t* Path) override {
    return ::SHGetPathFromIDListW(Native(List), reinterpret_cast<wchar_t*>(Path)) != FALSE;
  }

  void CoTaskMemFree(ItemIdList List) override { ::CoTaskMemFree(Native(List)); }
};

}  // namespace

template <>
ShellApi& HostApi<ShellApi>() {
  static WindowsShell Shell;
  return Shell;
}

}  // namespace vexa
