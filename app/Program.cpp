#include "app/Program.h"

#include <optional>

#include "app/Main.h"
#include "core/exception.h"
#include "platform/ui.h"
#include "registry/registry.h"
#include "startup/vexaPlatformFacts.h"
#include "startup/vexaProgramFiles.h"
#include "startup/vexaSharedFolders.h"

namespace vexa {
namespace {

bool ComInitialized = false;

void InitializeCom() { ComInitialized = CurrentUi().InitializeCom(); }

// The window framework: COM for the main thread, started when the
// application is initialised.
void StartFramework() { SetInitializationHook(InitializeCom); }

void ShutDownFramework() noexcept {
  SetInitializationHook(nullptr);
  if (ComInitialized) CurrentUi().UninitializeCom();
  ComInitialized = false;
}

std::u16string Hex(std::uintmax_t Value, int Digits) {
  std::u16string Text(static_cast<std::size_t>(Digits), u'0');
  for (int I = Digits - 1; I >= 0 && Value != 0; --I, Value >>= 4) {
    Text[static_cast<std::size_t>(I)] = u"0123456789ABCDEF"[Value & 0xF];
  }
  return Text;
}

std::u16string Ascii(const char* Text) {
  return std::u16string(Text, Text + std::char_traits<char>::length(Text));
}

// Where the program reports a fault that has no address of its own.
std::uintptr_t FaultAddress() { return reinterpret_cast<std::uintptr_t>(&RunApplication); }

}  // namespace

const std::vector<Module>& ProgramModules() {
  static const std::vector<Module> Modules = {
      {"Forms", StartFramework, ShutDownFramework},
      {"vexaProgramFiles", InitializeProgramFiles, ShutDownProgramFiles},
      {"vexaPlatformFacts", InitializePlatformFacts, ShutDownPlatformFacts},
      {"vexaSharedFolders", InitializeSharedFolders, ShutDownSharedFolders},
      {"vexaRegistryTools", InitializeRegistryLayer, nullptr},
  };
  return Modules;
}

std::u16string RuntimeErrorText(int Code, std::uintptr_t Address) {
  return Format(u"Runtime error %s at %s",
                {Ascii(std::to_string(Code).c_str()), Hex(static_cast<std::uint32_t>(Address), 8)});
}

std::u16string ApplicationErrorText(std::exception_ptr Error, const std::u16string& ModuleName,
                                    std::uintptr_t Address) {
  const auto [ClassName, Message] = Describe(Error);
  const bool Dot = !Message.empty() && Message.back() != u'.';
  return Format(u"Exception %s in module %s at %s.\r\n%s%s\r\n",
                {ClassName, ModuleName,
                 Hex(Address, static_cast<int>(2 * sizeof(void*))), Message, Dot ? u"." : u""});
}

int RunApplication(const std::vector<Module>& Modules) {
  std::optional<StartedModules> Started;
  try {
    Started.emplace(Modules);
  } catch (...) {
    CurrentUi().ShowErrorBox(RuntimeErrorText(217, FaultAddress()), u"Error",
                             MessageBoxOwner::Task);
    return 217;
  }
  try {
    // Destroyed, with its windows, before the modules shut down.
    TApplication Application;
    Application.Initialize();
    Application.SetMainFormOnTaskBar(true);
    Application.CreateForm(frmMain);
    Application.Run();
  } catch (...) {
    CurrentUi().ShowErrorBox(ApplicationErrorText(std::current_exception(),
                                                  FileNameOf(CurrentUi().ExecutablePath()), FaultAddress()),
                             u"Application Error", MessageBoxOwner::Task);
    return 1;
  }
  return 0;
}

}  // namespace vexa
