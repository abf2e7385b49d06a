// The program's run from start to exit: the modules' start-up, the
// application with its main window and message loop, the shutdown, and the
// exit code.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "app/Modules.h"

namespace vexa {

// The program's modules in their start order.
const std::vector<Module>& ProgramModules();

// 0 after a normal end; 217 when a start-up routine raised (no window was
// made); 1 when the application or its main window could not be made.
int RunApplication(const std::vector<Module>& Modules);

// "Runtime error 217 at 0040A1B2".
std::u16string RuntimeErrorText(int Code, std::uintptr_t Address);
// The "Application Error" text for an error at Address of the module named
// ModuleName.
std::u16string ApplicationErrorText(std::exception_ptr Error, const std::u16string& ModuleName,
                                    std::uintptr_t Address);

}  // namespace vexa
