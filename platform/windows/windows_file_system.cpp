// Our header comes first: windows.h defines macros named like some of our
// constants, which must not rewrite our declarations.
#include "platform/file_system_api.h"

#include <windows.h>

namespace vexa {
namespace {

const wchar_t* Native(const char16_t* Text) { return reinterpret_cast<const wchar_t*>(Text); }

class WindowsFileSystem final : public FileSystemApi {
 public:
  DWORD GetFullPathNameW(const char16_t* FileName, DWORD BufferLength, char16_t* Buffer) override {
    return ::GetFullPathNameW(Native(FileName), BufferLength, reinterpret_cast<wchar_t*>(Buffer), nullptr);
  }

  DWORD GetLogicalDrives() override { return ::GetLogicalDrives(); }

  DWORD GetFileAttributesW(const char16_t* FileName) override {
    return ::GetFileAttributesW(Native(FileName));
  }

  bool CreateDirectoryW(const char16_t* PathName, const void* SecurityAttributes) override {
    return ::CreateDirectoryW(Native(PathName),
                              static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(SecurityAttributes))) != FALSE;
  }

  DWORD GetLastError() override { return ::GetLastError(); }
  void SetLastError(DWORD Code) override { ::SetLastError(Code); }

  std::u16string FormatMessageW(DWORD Code) override {
    char16_t Text[1024];
    const DWORD Length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                          Code, 0, reinterpret_cast<wchar_t*>(Text), std::size(Text), nullptr);
    std::u16string Message(Text, Length);
    while (!Message.empty() && (Message.back() == u'\n' || Message.back() == u'\r')) Message.pop_back();
    return Message;
  }
};

}  // namespace

template <>
FileSystemApi& HostApi<FileSystemApi>() {
  static WindowsFileSystem Files;
  return Files;
}

}  // namespace vexa
