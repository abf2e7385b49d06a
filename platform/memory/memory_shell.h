// A shell held in memory: it knows the machine-wide application-data folder
// by the text a test gives it, hands out item lists for it and keeps count
// of those not yet freed. Its answers follow the real shell's (Wine's):
// a folder it cannot find fails with E_FAIL, a path that does not fit the
// caller's MAX_PATH buffer is not given.
#pragma once

#include <cstddef>
#include <set>
#include <string>

#include "platform/shell_api.h"

namespace vexa {

class MemoryShell final : public ShellApi {
 public:
  // CommonAppData empty: the shell cannot find the folder.
  explicit MemoryShell(std::u16string CommonAppData);

  HRESULT SHGetSpecialFolderLocation(std::uintptr_t Owner, int Folder, ItemIdList* List) override;
  bool SHGetPathFromIDListW(ItemIdList List, char16_t* Path) override;
  void CoTaskMemFree(ItemIdList List) override;

  void SetCommonAppData(std::u16string Folder) { FCommonAppData = std::move(Folder); }
  // Item lists handed out and not freed.
  std::size_t LiveLists() const { return FLive.size(); }

 private:
  std::u16string FCommonAppData;
  std::set<std::uintptr_t> FLive;
  std::uintptr_t FNext = 0x1000;
};

}  // namespace vexa
