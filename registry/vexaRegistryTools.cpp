#include "registry/vexaRegistryTools.h"

#include "core/finally.h"

namespace vexa {
namespace {

// The one-shot pattern: a private object on Root, Body acting on it, and its
// key closed in a finally, so that no handle outlives the call even when
// Body raises.
template <typename Body>
auto OneShot(TvexaRegistry& Registry, HKEY Root, Body&& Act) {
  return TryFinally(
      [&] {
        Registry.SetRootKey(Root);
        return Act();
      },
      [&] { Registry.CloseKey(); });
}

}  // namespace

TvexaRegistry::TvexaRegistry(std::uint32_t AAccess, bool _64BitView)
    : TRegistry(AAccess | ViewBit(_64BitView)) {}

TvexaRegistry::TvexaRegistry(std::uint32_t AAccess) : TRegistry(AAccess) {}

bool TvexaRegistry::OpenKeyReadOnly(const std::u16string& Key) {
  const ResolvedPath Target = Resolve(Key);
  for (const REGSAM Mask : {KEY_READ, KEY_READ_NO_NOTIFY, KEY_QUERY_VALUE}) {
    const REGSAM Request = (FAccess & KEY_WOW64_RES) | Mask;
    HKEY Handle{};
    if (Record(CurrentRegistry().RegOpenKeyExW(Target.Base, Target.Path.c_str(), 0, Request,
                                               &Handle))) {
      FAccess = Request;
      MakeCurrent(Handle, Target);
      return true;
    }
  }
  return false;
}

bool TvexaRegistry::KeyExists(HKEY Root, const std::u16string& KeyName, bool Is64bitView) {
  try {
    TvexaRegistry Registry(KEY_READ, Is64bitView);
    return OneShot(Registry, Root, [&] {
      if (!Registry.OpenKeyReadOnly(KeyName)) return false;
      Registry.CloseKey();
      return true;
    });
  } catch (...) {
    return true;
  }
}

bool TvexaRegistry::CreateKey(HKEY Root, const std::u16string& Key, bool _64BitView) {
  TvexaRegistry Registry(_64BitView);
  return OneShot(Registry, Root, [&] {
    if (!Registry.KeyExists(Key)) Registry.CreateKey(Key);
    return Registry.KeyExists(Key);
  });
}

bool TvexaRegistry::DeleteKey(HKEY Root, const std::u16string& Key, bool _64BitView) {
  TvexaRegistry Registry(_64BitView);
  return OneShot(Registry, Root, [&] {
    const bool Deleted = Registry.DeleteKey(Key);
    Registry.CloseKey();
    return Deleted;
  });
}

bool TvexaRegistry::CheckAccess(HKEY Root, const std::u16string& Key, bool _64BitView) {
  TvexaRegistry Registry(_64BitView);
  return OneShot(Registry, Root, [&] { return Registry.OpenKey(Key, false); });
}

}  // namespace vexa
