// The program's entry on Windows.
#include <windows.h>

#include <cstdlib>

#include "app/Program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return vexa::RunApplication(vexa::ProgramModules());
}

// The run-time library's default terminate handler writes the escaping
// exception's demangled type to the console, which a windowed program does
// not have; defining it here keeps the demangler (about a quarter of the
// program's size) out of the executable. Every error is caught before it
// could reach terminate.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
