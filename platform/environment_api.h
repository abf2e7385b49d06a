// The process environment as the start-up needs it: the expansion of
// %NAME% references. EnvironmentApi has a Windows implementation (kernel32)
// and an in-memory one.
#pragma once

#include "platform/current.h"
#include "platform/registry_api.h"

namespace vexa {

class EnvironmentApi {
 public:
  virtual ~EnvironmentApi() = default;

  // Source with each reference to a defined variable replaced by its value
  // (names compare case-insensitively; other references stay as written),
  // NUL-terminated in Destination, which holds Size characters. Returns the
  // characters of the whole expansion with its terminator, more than Size
  // when the buffer was too small; 0 on failure.
  virtual DWORD ExpandEnvironmentStringsW(const char16_t* Source, char16_t* Destination, DWORD Size) = 0;
};

template <>
EnvironmentApi& HostApi<EnvironmentApi>();

}  // namespace vexa
