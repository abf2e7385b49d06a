// A file system held in memory: drive letters and network shares, each with
// a tree of folders and files whose names compare case-insensitively and
// keep their case, a current drive and directory, folders in which nothing
// new can be made, and the calling thread's last-error code.
//
// Its answers follow the real file system's, as Wine gives them, for every
// path form: drive-absolute, rooted (\x, on the current drive),
// drive-relative (C:x), UNC (\\server\share\...), the prefixes \\?\ and
// \\.\, "." and ".." segments, doubled separators, "/" for "\", trailing
// dots and blanks. Not modelled: DOS device names (NUL, CON, ...), a current
// directory per drive (another drive than the current one resolves against
// its root, as when the environment holds no "=C:" variables), short (8.3)
// names, and Wine's reading of a name that begins with one "/" as a path
// of its host system.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system_api.h"

namespace vexa {

class MemoryFileSystem final : public FileSystemApi {
 public:
  // Drives (letters) with empty roots; the current directory is the root
  // of the first.
  explicit MemoryFileSystem(std::u16string_view Drives = u"C");
  ~MemoryFileSystem() override;

  DWORD GetFullPathNameW(const char16_t* FileName, DWORD BufferLength, char16_t* Buffer) override;
  DWORD GetLogicalDrives() override;
  DWORD GetFileAttributesW(const char16_t* FileName) override;
  bool CreateDirectoryW(const char16_t* PathName, const void* SecurityAttributes) override;
  DWORD GetLastError() override { return FLastError; }
  void SetLastError(DWORD Code) override { FLastError = Code; }
  std::u16string FormatMessageW(DWORD Code) override;

  // Setting up; paths in any form GetFullPathNameW takes, resolved as it
  // resolves them. Setting up on a volume that is not there is a mistake of
  // the caller's: std::invalid_argument.
  void AddDrive(char16_t Letter);
  void AddShare(const std::u16string& Root);  // \\server\share
  void AddFolder(const std::u16string& Path);  // with its missing parents
  void AddFile(const std::u16string& Path);    // with its missing parents
  // CreateDirectoryW fails in Folder with ERROR_ACCESS_DENIED.
  void RefuseCreationIn(const std::u16string& Folder);
  // False when Path is not a folder.
  bool SetCurrentDirectory(const std::u16string& Path);

  struct Entry;
  struct Location;

 private:
  std::u16string FullPath(const std::u16string& Name) const;
  Location Locate(const std::u16string& Name) const;
  Entry* Volume(const std::u16string& Name) const;
  DWORD FindHolder(const Location& Where, Entry*& Holder) const;
  const Entry* Lookup(const Location& Where, DWORD& Code) const;
  DWORD Create(const Location& Where);
  Entry& Make(const std::u16string& Path, bool Folder);

  std::vector<std::unique_ptr<Entry>> FVolumes;
  std::u16string FCurrentDirectory;
  DWORD FLastError = 0;
};

}  // namespace vexa
