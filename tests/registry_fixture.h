// Registry tests run once per backend: the in-memory registry everywhere, and
// in Windows builds also the real registry. Each test works below a scratch
// key of HKLM\SOFTWARE that it creates in both views and removes afterwards.
// Every call goes through a RecordingRegistry, so a test can read what
// reached the layer and make any call fail.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/recording_registry.h"

namespace vexa {

enum class Backend { Memory, Real };

// Whether a request without view bits gets the 64-bit view: it gets the
// process's own view.
inline constexpr bool ProcessView64 = sizeof(void*) == 8;

using Bytes = std::vector<std::uint8_t>;

// The bytes of UTF-16 text as the registry stores them (little-endian),
// NULs included: u"a\0" is 4 bytes.
Bytes BytesOf(std::u16string_view Text);

// Results as text, for tables of expected outcomes: 'text' (UTF-8), true or
// false, integers, and numbers with every digit they need.
std::string Show(const std::u16string& Text);
std::string Show(bool Value);
std::string Show(std::int64_t Value);
std::string Show(double Value);

// A value as the store holds it.
struct StoredValue {
  DWORD Type;
  Bytes Data;
  bool operator==(const StoredValue& Other) const {
    return Type == Other.Type && Data == Other.Data;
  }
};
void PrintTo(const StoredValue& Value, std::ostream* Out);

std::vector<Backend> AvailableBackends();
std::string BackendName(const testing::TestParamInfo<Backend>& Info);

void PrintTo(HKEY Key, std::ostream* Out);
void PrintTo(Backend Which, std::ostream* Out);

class RegistryTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Path of Relative below the scratch key, relative to HKLM.
  std::u16string At(const std::u16string& Relative) const;
  // Creates the key (with its parents) in the given view, bypassing the log.
  void Seed(const std::u16string& Path, bool _64BitView);
  void SeedValue(const std::u16string& Path, bool _64BitView, const std::u16string& Name,
                 DWORD Type = REG_BINARY, const Bytes& Data = {1, 2, 3, 4});
  // The value as stored, or nothing when it or its key is missing; bypassing the log.
  std::optional<StoredValue> StoredAt(const std::u16string& Path, bool _64BitView,
                                      const std::u16string& Name);
  // Whether the key opens in the given view, bypassing the log.
  bool Exists(const std::u16string& Path, bool _64BitView);
  // A link at Path in the 64-bit view to Target, a path below HKLM.
  void SeedLink(const std::u16string& Path, const std::u16string& Target);
  // A subkey named exactly Name (NULs included) below Path, as only the
  // native API can make it, and its removal.
  void SeedNativeSubKey(const std::u16string& Path, bool _64BitView, const std::u16string& Name);
  void RemoveNativeSubKey(const std::u16string& Path, bool _64BitView, const std::u16string& Name);

  // The in-memory registry, or null on the real one.
  MemoryRegistry* Memory() { return FMemory.get(); }
  // The registry behind the recorder: calls to it bypass the log.
  RegistryApi& Layer() { return *FLayer; }
  RecordingRegistry& Recorder() { return *FRecorder; }
  std::vector<RegCall> CallsOf(RegFunction Function) const;
  // Handles that came back from an open or create and never reached RegCloseKey.
  std::vector<HKEY> UnclosedHandles() const;

  std::u16string FScratch;

 private:
  HKEY OpenSeeded(const std::u16string& Path, REGSAM Access, DWORD Options = 0);
  void NativeSubKey(const std::u16string& Path, bool _64BitView, const std::u16string& Name,
                    bool Create);

  std::unique_ptr<MemoryRegistry> FMemory;
  RegistryApi* FLayer = nullptr;
  std::unique_ptr<RecordingRegistry> FRecorder;
  std::optional<ScopedRegistryOverride> FOverride;
};

}  // namespace vexa
