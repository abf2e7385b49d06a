// Each platform concern is an interface with the host's implementation
// (Windows, or in memory elsewhere); Current<Api>() is the one in use, and a
// test or benchmark can put its own in place with ScopedOverride.
#pragma once

namespace vexa {

// Defined once per interface by the host's implementation.
template <typename Api>
Api& HostApi();

template <typename Api>
Api*& OverrideSlot() {
  static Api* Slot = nullptr;
  return Slot;
}

template <typename Api>
Api& Current() {
  Api* Override = OverrideSlot<Api>();
  return Override ? *Override : HostApi<Api>();
}

template <typename Api>
class ScopedOverride {
 public:
  explicit ScopedOverride(Api& Layer) : FPrevious(OverrideSlot<Api>()) { OverrideSlot<Api>() = &Layer; }
  ~ScopedOverride() { OverrideSlot<Api>() = FPrevious; }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  Api* FPrevious;
};

}  // namespace vexa
