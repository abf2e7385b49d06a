#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/exception.h"
#include "platform/memory/memory_environment.h"
#include "startup/vexaProgramFiles.h"

namespace vexa {
namespace {

TEST(ExpandPathVariablesTest, ExpandsFromTheEnvironment) {
  using namespace std::string_literals;
  MemoryEnvironment Environment{{u"ProgramFiles", u"C:\\Program Files (x86)"},
                                {u"windir", u"C:\\Windows"},
                                {u"Odd", u"ab\0cd"s}};
  ScopedOverride<EnvironmentApi> Override(Environment);
  struct Case {
    std::u16string Text;
    std::u16string Expanded;
  };
  const std::vector<Case> Cases = {
      {u"%ProgramFiles%", u"C:\\Program Files (x86)"},
      {u"%programfiles%\\Vexa", u"C:\\Program Files (x86)\\Vexa"},
      {u"%windir%%WINDIR%", u"C:\\WindowsC:\\Windows"},
      {u"%undefined%", u"%undefined%"},
      {u"%undefined%windir%", u"%undefined%windir%"},
      {u"%%", u"%%"},
      {u"50%", u"50%"},
      {u"%Odd%x", u"ab"},  // the expansion ends at its first NUL
  };
  for (const Case& C : Cases) EXPECT_EQ(ExpandPathVariables(C.Text), C.Expanded) << ToUtf8(C.Text);
}

TEST(ExpandPathVariablesTest, TextWithoutAPercentSignIsNotExpanded) {
  MemoryEnvironment Environment;
  ScopedOverride<EnvironmentApi> Override(Environment);
  for (const std::u16string Text : {u"", u"C:\\Program Files", u"plain"}) EXPECT_EQ(ExpandPathVariables(Text), Text);
  EXPECT_EQ(Environment.Expansions(), 0u) << "the environment is not asked";
}

TEST(ExpandPathVariablesTest, AFailedExpansionLeavesTheText) {
  MemoryEnvironment Environment{{u"ProgramFiles", u"C:\\Program Files"}};
  Environment.FailExpansions();
  ScopedOverride<EnvironmentApi> Override(Environment);
  EXPECT_EQ(ExpandPathVariables(u"%ProgramFiles%"), u"%ProgramFiles%");
}

TEST(ExpandPathVariablesTest, AnExpansionLongerThanTheBufferIsCutToIt) {
  const std::u16string Value(40000, u'v');
  MemoryEnvironment Environment{{u"Long", Value}};
  ScopedOverride<EnvironmentApi> Override(Environment);
  EXPECT_EQ(ExpandPathVariables(u"%Long%"), Value.substr(0, 32766));
}

TEST(ProgramFilesTest, TheLocationsTheEnvironmentNames) {
  struct Case {
    const char* Platform;
    MemoryEnvironment Environment;
    std::u16string ProgramFiles;
    std::u16string ProgramW6432;
  };
  Case Cases[] = {
      {"64-bit process on 64-bit Windows",
       MemoryEnvironment{{u"ProgramFiles", u"C:\\Program Files"}, {u"ProgramW6432", u"C:\\Program Files"}},
       u"C:\\Program Files", u"C:\\Program Files"},
      {"32-bit process on 64-bit Windows",
       MemoryEnvironment{{u"ProgramFiles", u"C:\\Program Files (x86)"}, {u"ProgramW6432", u"C:\\Program Files"}},
       u"C:\\Program Files (x86)", u"C:\\Program Files"},
      {"32-bit Windows", MemoryEnvironment{{u"ProgramFiles", u"D:\\Programme"}}, u"D:\\Programme", u"%programw6432%"},
  };
  for (Case& C : Cases) {
    ScopedOverride<EnvironmentApi> Override(C.Environment);
    EXPECT_EQ(ProgramFilesPath, u"") << "before the step";
    InitializeProgramFiles();
    EXPECT_EQ(ProgramFilesPath, C.ProgramFiles) << C.Platform;
    EXPECT_EQ(ProgramW6432Path, C.ProgramW6432) << C.Platform;
    ShutDownProgramFiles();
    EXPECT_EQ(ProgramFilesPath + ProgramW6432Path, u"") << "released at shutdown";
  }
}

}  // namespace
}  // namespace vexa
