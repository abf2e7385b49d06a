// Forced into GoogleTest's own sources where it is built single-threaded
// (the 32-bit test programs; see cmake/Testing.cmake). Its Windows death-test
// code still needs the handle owner that only its thread-safe build
// declares; this is that owner: it closes the handle it holds.
#pragma once

#include <windows.h>

namespace testing::internal {

class AutoHandle {
 public:
  AutoHandle() = default;
  explicit AutoHandle(HANDLE Value) : FHandle(Value) {}
  ~AutoHandle() { Reset(); }
  AutoHandle(const AutoHandle&) = delete;
  AutoHandle& operator=(const AutoHandle&) = delete;

  HANDLE Get() const { return FHandle; }
  void Reset(HANDLE Value = nullptr) {
    if (FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE && FHandle != Value) CloseHandle(FHandle);
    FHandle = Value;
  }

 private:
  HANDLE FHandle = nullptr;
};

}  // namespace testing::internal
