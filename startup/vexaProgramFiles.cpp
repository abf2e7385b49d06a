#include "startup/vexaProgramFiles.h"

#include <algorithm>

#include "platform/environment_api.h"
#include "startup/published.h"

namespace vexa {
namespace {

std::u16string ProgramFiles;
std::u16string ProgramW6432;

}  // namespace

const std::u16string& ProgramFilesPath = ProgramFiles;
const std::u16string& ProgramW6432Path = ProgramW6432;

std::u16string ExpandPathVariables(const std::u16string& Text) {
  if (Text.find(u'%') == std::u16string::npos) return Text;
  // One character more than the call may fill: the text ends within the
  // buffer even when the expansion did not fit.
  std::u16string Buffer(32768, u'\0');
  if (Current<EnvironmentApi>().ExpandEnvironmentStringsW(Text.c_str(), Buffer.data(), 32767) == 0) return Text;
  Buffer.erase(std::find(Buffer.begin(), Buffer.end(), u'\0'), Buffer.end());
  return Buffer;
}

void InitializeProgramFiles() {
  ProgramFiles = ExpandPathVariables(u"%programfiles%");
  ProgramW6432 = ExpandPathVariables(u"%programw6432%");
}

void ShutDownProgramFiles() noexcept {
  Release(ProgramFiles);
  Release(ProgramW6432);
}

}  // namespace vexa
