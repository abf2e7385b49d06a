// Every class-level operation of TvexaRegistry with a fault at each of its
// platform calls in turn: the call refused (ERROR_ACCESS_DENIED), and the
// call raising. Each time the operation gives the result that failure
// calls for, passes the exception on only if it catches nothing, leaves no
// handle open, and changes nothing in the registry that it would not have
// changed anyway; after an exception it only closes what it opened.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registry/vexaRegistryTools.h"
#include "tests/registry_fixture.h"

namespace vexa {
namespace {

constexpr bool View32 = false;
constexpr bool View64 = true;

// What a refusal of one call does to the operation's result.
enum class Refusal {
  Keeps,   // nothing: the call's result is not used, or another way is taken
  Fails,   // the operation's failure result
  Raises,  // ERegistryException
  Empty,   // the empty string: the read found no data to read
};

// What the operation does with an exception.
enum class Catches {
  Nothing,    // it passes on
  AsTrue,     // the existence tests: True
  AsFailure,  // the failure result, unless it came at the final close, after the result was had
};

struct Step {
  RegFunction Function;
  Refusal Refused;
};

struct Operation {
  const char* Name;
  std::function<std::string()> Run;
  std::string Result;   // without a fault
  std::string Failure;  // the default of a read, False otherwise
  Catches Catch;
  std::vector<Step> Calls;  // the platform calls it makes without a fault, in order
};

const std::string PassedOn = "passed on the injected fault";
const std::string Raised = "raised ERegistryException";

std::string Outcome(const Operation& Op) {
  try {
    return Op.Run();
  } catch (const InjectedFault&) {
    return PassedOn;
  } catch (const ERegistryException&) {
    return Raised;
  }
}

std::string Expected(const Operation& Op, std::size_t Index, bool Throw) {
  const Step& At = Op.Calls[Index];
  if (!Throw) {
    switch (At.Refused) {
      case Refusal::Keeps:
        return Op.Result;
      case Refusal::Fails:
        return Op.Failure;
      case Refusal::Raises:
        return Raised;
      case Refusal::Empty:
        return "''";
    }
  }
  switch (Op.Catch) {
    case Catches::Nothing:
      return PassedOn;
    case Catches::AsTrue:
      return "true";
    case Catches::AsFailure:
      return Index + 1 == Op.Calls.size() && At.Function == RegFunction::RegCloseKey ? Op.Result
                                                                                     : Op.Failure;
  }
  return {};
}

class FaultSweepTest : public RegistryTest {
 protected:
  // The keys of the sweep, below the scratch key in the 32-bit view.
  const std::vector<std::u16string> Keys = {u"",       u"Vals", u"Tree",  u"Tree\\Leaf",
                                            u"NewKey", u"WInt", u"WBool", u"WDate",
                                            u"WBin",   u"WStr", u"WQ"};
  const std::vector<std::u16string> ValueNames = {u"Int", u"Str", u"Date", u"Q", u"Gone", u"v"};

  std::u16string PathOf(const std::u16string& Key) const {
    return Key.empty() ? FScratch : At(Key);
  }

  // Back to the state every operation starts from.
  void Reset() {
    {
      ScopedRegistryOverride Direct(Layer());
      for (std::size_t I = 1; I < Keys.size(); ++I) {
        TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, PathOf(Keys[I]), View32);
      }
    }
    TDateTime Date = 45000.25;
    Bytes DateData(sizeof Date);
    std::memcpy(DateData.data(), &Date, sizeof Date);
    SeedValue(At(u"Vals"), View32, u"Int", REG_DWORD, {7, 0, 0, 0});
    SeedValue(At(u"Vals"), View32, u"Str", REG_SZ, BytesOf({u"text\0", 5}));
    SeedValue(At(u"Vals"), View32, u"Date", REG_BINARY, DateData);
    SeedValue(At(u"Vals"), View32, u"Q", REG_QWORD,
              {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11});
    SeedValue(At(u"Vals"), View32, u"Gone", REG_BINARY, {1});
    Seed(At(u"Tree\\Leaf"), View32);
  }

  // Every key of the sweep: whether it exists, how many subkeys and values
  // it holds besides those of the sweep (none, also when it is missing), and
  // each value it may hold; and what the 64-bit scratch key holds. Read
  // bypassing the log.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> State;
    const auto Counts = [&](const std::u16string& Path, bool View) {
      HKEY Key{};
      DWORD SubKeys = 0, Values = 0;
      if (Layer().RegOpenKeyExW(HKEY_LOCAL_MACHINE, Path.c_str(), 0, KEY_READ | ViewBit(View),
                                &Key) != ERROR_SUCCESS) {
        return std::optional<std::pair<DWORD, DWORD>>();
      }
      Layer().RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, &SubKeys, nullptr, nullptr, &Values,
                               nullptr, nullptr, nullptr, nullptr);
      Layer().RegCloseKey(Key);
      return std::optional<std::pair<DWORD, DWORD>>({SubKeys, Values});
    };
    for (const std::u16string& Key : Keys) {
      const std::string Name = ToUtf8(Key);
      DWORD KnownSubKeys = 0, KnownValues = 0;
      for (const std::u16string& Other : Keys) {
        const bool Child =
            !Other.empty() && Other != Key &&
            (Key.empty() ? Other.find(u'\\') == std::u16string::npos
                         : Other.rfind(Key + u'\\', 0) == 0 &&
                               Other.find(u'\\', Key.size() + 1) == std::u16string::npos);
        KnownSubKeys += Child && Exists(PathOf(Other), View32);
      }
      for (const std::u16string& Value : ValueNames) {
        const auto Stored = StoredAt(PathOf(Key), View32, Value);
        KnownValues += Stored.has_value();
        State["value " + Name + "|" + ToUtf8(Value)] =
            Stored ? testing::PrintToString(*Stored) : "none";
      }
      const auto Held = Counts(PathOf(Key), View32);
      State["key " + Name] = Held ? "exists" : "missing";
      State["other subkeys of " + Name] = std::to_string(Held ? Held->first - KnownSubKeys : 0);
      State["other values of " + Name] = std::to_string(Held ? Held->second - KnownValues : 0);
    }
    const auto Held64 = Counts(FScratch, View64);
    State["64-bit scratch key"] = Held64 ? std::to_string(Held64->first) + " subkeys, " +
                                               std::to_string(Held64->second) + " values"
                                         : "missing";
    return State;
  }

  const RegCall* NthCall(RegFunction Function, std::size_t Nth) {
    for (const RegCall& Call : Recorder().Calls()) {
      if (Call.Function == Function && --Nth == 0) return &Call;
    }
    return nullptr;
  }
};

TEST_P(FaultSweepTest, EveryOneShotOperationAtEachOfItsPlatformCalls) {
  using F = RegFunction;
  constexpr Refusal Keeps = Refusal::Keeps, Fails = Refusal::Fails, Raises = Refusal::Raises,
                    Empty = Refusal::Empty;
  const HKEY Root = HKEY_LOCAL_MACHINE;
  const std::u16string Vals = At(u"Vals");
  const std::uint8_t Three[] = {1, 2, 3};
  const std::uint8_t AbText[] = {'a', 0, 'b', 0, 'c', 0};
  // Reads: open (falling back to the next mask when refused), the
  // existence and type queries, the size query of a string, the read, close.
  const std::vector<Step> TypedRead = {{F::RegOpenKeyExW, Keeps},
                                       {F::RegQueryValueExW, Fails},
                                       {F::RegQueryValueExW, Fails},
                                       {F::RegQueryValueExW, Fails},
                                       {F::RegCloseKey, Keeps}};
  const std::vector<Step> Write = {
      {F::RegCreateKeyExW, Fails}, {F::RegSetValueExW, Fails}, {F::RegCloseKey, Keeps}};
  const std::vector<Operation> Operations = {
      {"KeyExists of a key",
       [&] { return Show(TvexaRegistry::KeyExists(Root, Vals, View32)); },
       "true",
       "false",
       Catches::AsTrue,
       {{F::RegOpenKeyExW, Keeps}, {F::RegCloseKey, Keeps}}},
      {"KeyExists of a missing key",
       [&] { return Show(TvexaRegistry::KeyExists(Root, At(u"Missing"), View32)); },
       "false",
       "false",
       Catches::AsTrue,
       {{F::RegOpenKeyExW, Keeps}, {F::RegOpenKeyExW, Keeps}, {F::RegOpenKeyExW, Keeps}}},
      {"CreateKey of a missing key",
       [&] { return Show(TvexaRegistry::CreateKey(Root, At(u"NewKey"), View32)); },
       "true",
       "false",
       Catches::Nothing,
       {{F::RegOpenKeyExW, Keeps},
        {F::RegCreateKeyExW, Raises},
        {F::RegCloseKey, Keeps},
        {F::RegOpenKeyExW, Fails},
        {F::RegCloseKey, Keeps}}},
      {"CreateKey of a key",
       [&] { return Show(TvexaRegistry::CreateKey(Root, Vals, View32)); },
       "true",
       "false",
       Catches::Nothing,
       {{F::RegOpenKeyExW, Keeps},
        {F::RegCloseKey, Keeps},
        {F::RegOpenKeyExW, Fails},
        {F::RegCloseKey, Keeps}}},
      {"DeleteKey",
       [&] { return Show(TvexaRegistry::DeleteKey(Root, At(u"Tree"), View32)); },
       "true",
       "false",
       Catches::Nothing,
       // Tree: open, info, the one subkey's name; Leaf: open (as a link),
       // info, delete through its handle, close; Tree: close, delete. A leaf
       // that does not tell its subkeys is deleted all the same; one that
       // does not open stays, and so does Tree.
       {{F::RegOpenKeyExW, Fails},
        {F::RegQueryInfoKeyW, Fails},
        {F::RegEnumKeyExW, Fails},
        {F::RegOpenKeyExW, Fails},
        {F::RegQueryInfoKeyW, Keeps},
        {F::RegDeleteKeyExW, Fails},
        {F::RegCloseKey, Keeps},
        {F::RegCloseKey, Keeps},
        {F::RegDeleteKeyExW, Fails}}},
      {"CheckAccess",
       [&] { return Show(TvexaRegistry::CheckAccess(Root, Vals, View32)); },
       "true",
       "false",
       Catches::Nothing,
       {{F::RegOpenKeyExW, Fails}, {F::RegCloseKey, Keeps}}},
      {"ValueExists of a value",
       [&] { return Show(TvexaRegistry::ValueExists(Root, Vals, u"Int", View32)); },
       "true",
       "false",
       Catches::AsTrue,
       {{F::RegOpenKeyExW, Keeps}, {F::RegQueryValueExW, Fails}, {F::RegCloseKey, Keeps}}},
      {"ValueExists of a missing value",
       [&] { return Show(TvexaRegistry::ValueExists(Root, Vals, u"Missing", View32)); },
       "false",
       "false",
       Catches::AsTrue,
       {{F::RegOpenKeyExW, Keeps}, {F::RegQueryValueExW, Keeps}, {F::RegCloseKey, Keeps}}},
      {"DeleteValue",
       [&] { return Show(TvexaRegistry::DeleteValue(Root, Vals, u"Gone", View32)); },
       "true",
       "false",
       Catches::Nothing,
       {{F::RegOpenKeyExW, Fails},
        {F::RegQueryValueExW, Fails},
        {F::RegDeleteValueW, Fails},
        {F::RegCloseKey, Keeps}}},
      {"GetIntegerValue",
       [&] {
         return Show(std::int64_t{TvexaRegistry::GetIntegerValue(Vals, u"Int", Root, -1, View32)});
       },
       "7", "-1", Catches::AsFailure, TypedRead},
      {"GetBoolValue",
       [&] { return Show(TvexaRegistry::GetBoolValue(Vals, u"Int", Root, false, View32)); }, "true",
       "false", Catches::AsFailure, TypedRead},
      {"GetStringValue",
       [&] { return Show(TvexaRegistry::GetStringValue(Vals, u"Str", Root, u"default", View32)); },
       "'text'",
       "'default'",
       Catches::AsFailure,
       // Exists, type, size, read: a value whose size cannot be had reads
       // as the empty string.
       {{F::RegOpenKeyExW, Keeps},
        {F::RegQueryValueExW, Fails},
        {F::RegQueryValueExW, Fails},
        {F::RegQueryValueExW, Empty},
        {F::RegQueryValueExW, Fails},
        {F::RegCloseKey, Keeps}}},
      {"GetDateValue",
       [&] { return Show(TvexaRegistry::GetDateValue(Vals, u"Date", Root, 1.5, View32)); },
       "45000.25", "1.5", Catches::AsFailure, TypedRead},
      {"GetInt64RegValue",
       [&] { return Show(TvexaRegistry::GetInt64RegValue(Vals, u"Q", Root, -1, View32)); },
       "1234605616436508552",
       "-1",
       Catches::AsFailure,
       {{F::RegOpenKeyExW, Keeps}, {F::RegQueryValueExW, Fails}, {F::RegCloseKey, Keeps}}},
      {"WriteIntegerValue",
       [&] { return Show(TvexaRegistry::WriteIntegerValue(At(u"WInt"), u"v", 9, Root, View32)); },
       "true", "false", Catches::AsFailure, Write},
      {"WriteBoolValue",
       [&] { return Show(TvexaRegistry::WriteBoolValue(At(u"WBool"), u"v", true, Root, View32)); },
       "true", "false", Catches::AsFailure, Write},
      {"WriteDateValue",
       [&] { return Show(TvexaRegistry::WriteDateValue(At(u"WDate"), u"v", 2.5, Root, View32)); },
       "true", "false", Catches::AsFailure, Write},
      {"WriteBinaryValue",
       [&] {
         return Show(TvexaRegistry::WriteBinaryValue(At(u"WBin"), u"v", Three, Root, 3, View32));
       },
       "true", "false", Catches::AsFailure, Write},
      {"WriteStringValue",
       [&] { return Show(TvexaRegistry::WriteStringValue(At(u"WStr"), u"v", u"x", Root, View32)); },
       "true", "false", Catches::AsFailure, Write},
      {"WriteInt64Value",
       [&] { return Show(TvexaRegistry::WriteInt64Value(At(u"WQ"), u"v", 5, Root, View32)); },
       "true", "false", Catches::Nothing, Write},
      {"GetString",
       [&] { return Show(TvexaRegistry::GetString(AbText, sizeof AbText)); },
       "'ab'",
       "''",
       Catches::Nothing,
       {}},
  };

  Reset();
  const auto Baseline = Snapshot();
  for (const Operation& Op : Operations) {
    Reset();
    Recorder().Clear();
    ASSERT_EQ(Outcome(Op), Op.Result) << Op.Name;
    std::vector<std::string> Made, Listed;
    for (const RegCall& Call : Recorder().Calls()) Made.push_back(RegFunctionName(Call.Function));
    for (const Step& S : Op.Calls) Listed.push_back(RegFunctionName(S.Function));
    ASSERT_EQ(Made, Listed) << Op.Name << ": the platform calls";
    const auto Done = Snapshot();

    std::array<std::size_t, RegFunctionCount> Seen{};
    for (std::size_t Index = 0; Index < Op.Calls.size(); ++Index) {
      const RegFunction Function = Op.Calls[Index].Function;
      const std::size_t Nth = ++Seen[static_cast<std::size_t>(Function)];
      for (const bool Throw : {false, true}) {
        const std::string Where = std::string(Op.Name) +
                                  (Throw ? ", raising at " : ", refused at ") +
                                  RegFunctionName(Function) + " #" + std::to_string(Nth);
        Reset();
        Recorder().Clear();
        if (Throw) {
          Recorder().ThrowOnCall(Function, Nth);
        } else {
          Recorder().FailCall(Function, Nth, ERROR_ACCESS_DENIED);
        }
        EXPECT_EQ(Outcome(Op), Expected(Op, Index, Throw)) << Where;
        Recorder().FailCall(Function, 0, ERROR_SUCCESS);

        const RegCall* Faulted = NthCall(Function, Nth);
        ASSERT_NE(Faulted, nullptr) << Where;
        if (Throw) {
          for (const RegCall* Later = Faulted + 1;
               Later != Recorder().Calls().data() + Recorder().Calls().size(); ++Later) {
            EXPECT_EQ(Later->Function, F::RegCloseKey) << Where << ": called after the exception";
          }
        }
        // A close that never reached the registry left its handle there.
        if (Function == F::RegCloseKey) Layer().RegCloseKey(Faulted->Key);
        EXPECT_TRUE(UnclosedHandles().empty()) << Where;
        if (Memory()) {
          EXPECT_EQ(Memory()->OpenHandleCount(), 0u) << Where;
        }
        for (const auto& [Item, State] : Snapshot()) {
          if (State != Baseline.at(Item)) {
            EXPECT_EQ(State, Done.at(Item))
                << Where << ": " << Item << " changed as the operation never changes it";
          }
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, FaultSweepTest, testing::ValuesIn(AvailableBackends()),
                         BackendName);

}  // namespace
}  // namespace vexa
