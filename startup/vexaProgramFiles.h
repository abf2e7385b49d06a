// The program-files step: the locations of the program-files folders, as
// the process environment names them, recorded at start-up.
#pragma once

#include <string>

namespace vexa {

// Text with its %NAME% references expanded from the process environment;
// Text itself when it holds no "%" (the environment is not asked) or the
// expansion fails. References to undefined variables stay as written.
std::u16string ExpandPathVariables(const std::u16string& Text);

// "%programfiles%" and "%programw6432%" expanded; for a 32-bit process on
// 64-bit Windows the folders of 32-bit and of 64-bit programs. Empty before
// the step and after its shutdown.
extern const std::u16string& ProgramFilesPath;
extern const std::u16string& ProgramW6432Path;

void InitializeProgramFiles();
void ShutDownProgramFiles() noexcept;

}  // namespace vexa
