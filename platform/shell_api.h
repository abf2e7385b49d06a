// The shell's special folders as the start-up needs them: the item list of a
// special folder, the file-system path it names, and the release of the
// list. ShellApi has a Windows implementation (shell32, ole32) and an
// in-memory one.
#pragma once

#include <cstdint>

#include "platform/current.h"
#include "platform/file_system_api.h"

namespace vexa {

using HRESULT = std::int32_t;

inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

// The machine-wide application-data folder.
inline constexpr int CSIDL_COMMON_APPDATA = 0x23;

// An item identifier list that the shell allocated; CoTaskMemFree releases it.
enum class ItemIdList : std::uintptr_t {};

class ShellApi {
 public:
  virtual ~ShellApi() = default;

  // Owner: a window handle, 0 for none. A negative result leaves List null.
  virtual HRESULT SHGetSpecialFolderLocation(std::uintptr_t Owner, int Folder, ItemIdList* List) = 0;
  // Path: a buffer of MAX_PATH characters, which gets the NUL-terminated path.
  virtual bool SHGetPathFromIDListW(ItemIdList List, char16_t* Path) = 0;
  virtual void CoTaskMemFree(ItemIdList List) = 0;
};

template <>
ShellApi& HostApi<ShellApi>();

}  // namespace vexa
