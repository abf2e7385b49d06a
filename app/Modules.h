// The modules' start-up and shutdown routines: start-ups run once each, in
// their fixed order, before any window exists; shutdowns run in the reverse
// order, for the modules whose start-up has run.
#pragma once

#include <cstddef>
#include <vector>

namespace vexa {

struct Module {
  const char* Name;
  void (*StartUp)();             // null: none
  void (*ShutDown)() noexcept;   // null: none
};

class StartedModules {
 public:
  // Runs the start-ups; when one raises, shuts down those that ran and
  // passes the error on.
  explicit StartedModules(const std::vector<Module>& Modules);
  // Runs the shutdowns.
  ~StartedModules();
  StartedModules(const StartedModules&) = delete;
  StartedModules& operator=(const StartedModules&) = delete;

 private:
  void ShutDown() noexcept;

  const std::vector<Module>& FModules;
  std::size_t FStarted = 0;
};

}  // namespace vexa
