// try/finally: Cleanup runs after Body, also when Body raises. An exception
// that Cleanup raises passes on, in place of Body's if there was one (a
// destructor could not let it out).
#pragma once

#include <optional>
#include <type_traits>
#include <utility>

namespace vexa {

template <typename Body, typename Cleanup>
auto TryFinally(Body&& Run, Cleanup&& Finally) -> decltype(Run()) {
  using Result = decltype(Run());
  if constexpr (std::is_void_v<Result>) {
    try {
      Run();
    } catch (...) {
      Finally();
      throw;
    }
    Finally();
  } else {
    std::optional<Result> Value;
    try {
      Value.emplace(Run());
    } catch (...) {
      Finally();
      throw;
    }
    Finally();
    return std::move(*Value);
  }
}

}  // namespace vexa
