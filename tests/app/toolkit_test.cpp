#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/memory/memory_ui.h"
#include "platform/ui.h"
#include "registry/registry.h"

namespace vexa {
namespace {

TEST(ApplicationTitleTest, IsTheFileNameCutAtItsFirstDotInLowerCaseAfterTheFirst) {
  const struct {
    const char16_t* Path;
    const char16_t* Title;
  } Table[] = {
      {u"C:\\Program Files\\Vexa\\UninstallRepair.exe", u"Uninstallrepair"},
      {u"UninstallRepair.exe", u"Uninstallrepair"},
      {u"Z:/tmp/build/my.Tool.V2.EXE", u"my"},
      {u"\\\\server\\share\\TOOL", u"Tool"},
      {u"D:\u00C9COLE.EXE", u"\u00C9cole"},
      {u"C:\\apps\\.hidden", u""},
      // Every alphabet with capitals, not only Latin-1.
      {u"C:\\ΑΡΧΕΊΟ.exe", u"Αρχείο"},
      {u"ПРОГРАММА.exe", u"Программа"},
      {u"ŁÓDŹŸ.exe", u"Łódźÿ"},
      {u"ԱԲԳ.exe", u"Աբգ"},
      {u"ＡＢＣ.exe", u"Ａｂｃ"},
  };
  // The platform's case mapping, and that of the windowing system in memory.
  MemoryUi InMemory(u"");
  for (UiApi* Platform : {&HostApi<UiApi>(), static_cast<UiApi*>(&InMemory)}) {
    ScopedUiOverride Override(*Platform);
    for (const auto& Row : Table) {
      EXPECT_EQ(ApplicationTitleOf(Row.Path), Row.Title) << ToUtf8(Row.Path);
    }
  }
}

class ThrowingForm : public TForm {
 public:
  explicit ThrowingForm(TApplication& Owner)
      : TForm(Owner, {u"Test", 100, 50, {u"Tahoma", 11}}),
        Tick(*this, 10, [this](TObject*) {
          ++Runs;
          if (!Message) throw 42;  // not an exception class at all
          throw ERegistryException(Message);
        }) {}
  TTimer Tick;
  const char16_t* Message = nullptr;
  int Runs = 0;
};

// The message of an error that escapes a handler, and the dot it gets: one
// when the message ends with a character above ".".
TEST(HandlerErrorTest, IsShownCaptionedWithTheTitleAndTheLoopGoesOn) {
  const struct {
    const char16_t* Message;
    const char16_t* Shown;
  } Table[] = {
      {u"Failed to create key X", u"Failed to create key X."},
      {u"Done.", u"Done."},
      {u"", u""},
      {u"Stop!", u"Stop!"},
      {u"(see above)", u"(see above)"},
      {u"path a/", u"path a/."},
      {nullptr, u""},
  };
  MemoryUi Ui(u"C:\\x\\RepairTool.exe");
  ScopedUiOverride Override(Ui);
  TApplication Application;
  ThrowingForm* Form = nullptr;
  Application.CreateForm(Form);
  for (const auto& Row : Table) {
    Form->Message = Row.Message;
    Ui.FireTimer(*Ui.Forms()[0]->Timers[0]);
    ASSERT_FALSE(Ui.Boxes().empty());
    EXPECT_EQ(Ui.Boxes().back().Text, Row.Shown);
    EXPECT_EQ(Ui.Boxes().back().Caption, u"Repairtool");
  }
  EXPECT_EQ(Form->Runs, static_cast<int>(std::size(Table)));
  EXPECT_EQ(Ui.Boxes().size(), std::size(Table));
}

TEST(ApplicationTest, DestroysItsFormsAndForgetsThem) {
  MemoryUi Ui(u"App.exe");
  ScopedUiOverride Override(Ui);
  ThrowingForm* Form = nullptr;
  {
    TApplication Application;
    Application.CreateForm(Form);
    EXPECT_FALSE(Ui.Forms()[0]->Design.AppWindow) << "not asked to be on the taskbar";
    Application.Run();
    EXPECT_TRUE(Ui.Forms()[0]->Shown);
    EXPECT_EQ(Ui.LoopsRun(), 1);
  }
  EXPECT_EQ(Form, nullptr);
  EXPECT_FALSE(Ui.Forms()[0]->Alive);
  EXPECT_FALSE(Ui.Forms()[0]->Timers[0]->Alive);
}

}  // namespace
}  // namespace vexa
