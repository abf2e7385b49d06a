#include "app/Modules.h"

namespace vexa {

StartedModules::StartedModules(const std::vector<Module>& Modules) : FModules(Modules) {
  try {
    for (const Module& Each : FModules) {
      if (Each.StartUp) Each.StartUp();
      ++FStarted;
    }
  } catch (...) {
    ShutDown();
    throw;
  }
}

StartedModules::~StartedModules() { ShutDown(); }

void StartedModules::ShutDown() noexcept {
  while (FStarted > 0) {
    const Module& Each = FModules[--FStarted];
    if (Each.ShutDown) Each.ShutDown();
  }
}

}  // namespace vexa
