#include "platform/environment_api.h"

#include <windows.h>

namespace vexa {
namespace {

class WindowsEnvironment final : public EnvironmentApi {
 public:
  DWORD ExpandEnvironmentStringsW(const char16_t* Source, char16_t* Destination, DWORD Size) override {
    return ::ExpandEnvironmentStringsW(reinterpret_cast<const wchar_t*>(Source),
                                       reinterpret_cast<wchar_t*>(Destination), Size);
  }
};

}  // namespace

template <>
EnvironmentApi& HostApi<EnvironmentApi>() {
  static WindowsEnvironment Environment;
  return Environment;
}

}  // namespace vexa
