// UninstallRepair with one more start-up routine, one that fails, for the
// end-to-end check of the start-up error path.
#include <windows.h>

#include <vector>

#include "app/Program.h"
#include "core/exception.h"

namespace {

void FailingStep() { throw vexa::Exception(u"The shared data folder cannot be created"); }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<vexa::Module> Modules = vexa::ProgramModules();
  Modules.push_back({"FailingStep", FailingStep, nullptr});
  return vexa::RunApplication(Modules);
}
