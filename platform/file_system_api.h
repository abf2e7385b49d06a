// The file system as the start-up needs it: absolute path names against the
// process's current drive and directory, the present drive letters, folder
// lookup and creation, and the calling thread's last-error code with the
// platform's message for it. FileSystemApi has a Windows implementation
// (kernel32) and an in-memory one.
#pragma once

#include <string>

#include "platform/current.h"
#include "platform/registry_api.h"

namespace vexa {

// The characters of a path buffer the platform's calls fill (260).
inline constexpr DWORD MAX_PATH = 260;

inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;

inline constexpr LSTATUS ERROR_PATH_NOT_FOUND = 3;
inline constexpr LSTATUS ERROR_BAD_DEV_TYPE = 66;
inline constexpr LSTATUS ERROR_INVALID_NAME = 123;
inline constexpr LSTATUS ERROR_ALREADY_EXISTS = 183;

class FileSystemApi {
 public:
  virtual ~FileSystemApi() = default;

  // The absolute form of FileName in Buffer, which holds BufferLength
  // characters: its length without the terminator; when it does not fit,
  // the length the buffer needs, terminator included; 0 on failure.
  virtual DWORD GetFullPathNameW(const char16_t* FileName, DWORD BufferLength, char16_t* Buffer) = 0;
  // The present drive letters, bit 0 for A:.
  virtual DWORD GetLogicalDrives() = 0;
  // INVALID_FILE_ATTRIBUTES, with the reason in the last-error code, when
  // there is nothing of that name.
  virtual DWORD GetFileAttributesW(const char16_t* FileName) = 0;
  // False, with the reason in the last-error code, when the folder was not
  // created.
  virtual bool CreateDirectoryW(const char16_t* PathName, const void* SecurityAttributes) = 0;

  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD Code) = 0;
  // The system's message for Code (FormatMessageW), without its line end;
  // empty when the system has none.
  virtual std::u16string FormatMessageW(DWORD Code) = 0;
};

template <>
FileSystemApi& HostApi<FileSystemApi>();

}  // namespace vexa
