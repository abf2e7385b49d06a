// The shared data folders step: at start-up it makes sure that the product
// family's folder tree exists in the machine-wide application-data folder,
//
//   <machine-wide folder>\Solvane808\{3F2A6C1E-7B94-4D05-A8E3-5C19B07D2E64}\ with
//   Common\, Config\, Data\, Temp\ and Resources\ in it,
//
// and publishes the paths of its five folders. A folder that cannot be
// made is no error; a path that is not a sound folder path is, and ends the
// start.
#pragma once

#include <string>

namespace vexa {

// The machine-wide application-data folder as the shell names it; empty
// when the shell cannot give it.
std::u16string LookupCommonDataFolder();

// The tree's folders, each with its final backslash, in the form the shell
// gave the machine-wide folder (not made absolute). Empty before the step
// and after its shutdown, and those the step had not reached when it
// raised.
extern const std::u16string& SharedCommonPath;
extern const std::u16string& SharedConfigPath;
extern const std::u16string& SharedDataPath;
extern const std::u16string& SharedTempPath;
extern const std::u16string& SharedResourcesPath;

// Raises Exception for a rejected path.
void InitializeSharedFolders();
void ShutDownSharedFolders() noexcept;

}  // namespace vexa
