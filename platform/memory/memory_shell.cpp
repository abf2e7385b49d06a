#include "platform/memory/memory_shell.h"

#include <algorithm>
#include <utility>

namespace vexa {

MemoryShell::MemoryShell(std::u16string CommonAppData) : FCommonAppData(std::move(CommonAppData)) {}

HRESULT MemoryShell::SHGetSpecialFolderLocation(std::uintptr_t, int Folder, ItemIdList* List) {
  *List = ItemIdList{};
  if (Folder != CSIDL_COMMON_APPDATA) return E_INVALIDARG;
  if (FCommonAppData.empty()) return E_FAIL;
  FLive.insert(FNext);
  *List = static_cast<ItemIdList>(FNext++);
  return 0;
}

bool MemoryShell::SHGetPathFromIDListW(ItemIdList List, char16_t* Path) {
  if (FLive.count(static_cast<std::uintptr_t>(List)) == 0 || FCommonAppData.size() >= MAX_PATH) {
    Path[0] = u'\0';
    return false;
  }
  *std::copy(FCommonAppData.begin(), FCommonAppData.end(), Path) = u'\0';
  return true;
}

void MemoryShell::CoTaskMemFree(ItemIdList List) { FLive.erase(static_cast<std::uintptr_t>(List)); }

}  // namespace vexa
