// A registry layer in front of another one that records each call with its
// arguments, result and the handle it opened, and makes a chosen call fail or
// throw so that every failure path can be reached.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace vexa {

enum class RegFunction {
  RegOpenKeyExW,
  RegCreateKeyExW,
  RegCloseKey,
  RegFlushKey,
  RegQueryInfoKeyW,
  RegEnumKeyExW,
  RegDeleteKeyExW,
  RegDeleteKeyW,
  RegQueryValueExW,
  RegSetValueExW,
  RegDeleteValueW,
};
inline constexpr std::size_t RegFunctionCount = 11;

const char* RegFunctionName(RegFunction Function);

struct RegCall {
  RegFunction Function;
  HKEY Key;
  std::u16string SubKey;  // the path, or the value name of a value function
  REGSAM Access = 0;      // the mask of an open or create, the view bits of RegDeleteKeyExW
  DWORD Index = 0;        // RegEnumKeyExW
  LSTATUS Result = ERROR_SUCCESS;
  HKEY Opened{};          // the handle a successful open or create gave back
  DWORD Options = 0;      // of an open or create
};

// What an injected throw raises.
class InjectedFault : public std::runtime_error {
 public:
  explicit InjectedFault(RegFunction Function);
  RegFunction Function;
};

class RecordingRegistry final : public RegistryApi {
 public:
  explicit RecordingRegistry(RegistryApi& Inner);

  LSTATUS RegOpenKeyExW(HKEY Key, const char16_t* SubKey, DWORD Options, REGSAM Desired,
                        HKEY* Result) override;
  LSTATUS RegCreateKeyExW(HKEY Key, const char16_t* SubKey, DWORD Reserved, char16_t* Class,
                          DWORD Options, REGSAM Desired, const void* SecurityAttributes,
                          HKEY* Result, DWORD* Disposition) override;
  LSTATUS RegCloseKey(HKEY Key) override;
  LSTATUS RegFlushKey(HKEY Key) override;
  LSTATUS RegQueryInfoKeyW(HKEY Key, char16_t* Class, DWORD* ClassLength, DWORD* Reserved,
                           DWORD* SubKeys, DWORD* MaxSubKeyLength, DWORD* MaxClassLength,
                           DWORD* Values, DWORD* MaxValueNameLength, DWORD* MaxValueLength,
                           DWORD* SecurityDescriptorSize, FILETIME* LastWriteTime) override;
  LSTATUS RegEnumKeyExW(HKEY Key, DWORD Index, char16_t* Name, DWORD* NameLength,
                        DWORD* Reserved, char16_t* Class, DWORD* ClassLength,
                        FILETIME* LastWriteTime) override;
  LSTATUS RegDeleteKeyExW(HKEY Key, const char16_t* SubKey, REGSAM Desired,
                          DWORD Reserved) override;
  LSTATUS RegDeleteKeyW(HKEY Key, const char16_t* SubKey) override;
  LSTATUS RegQueryValueExW(HKEY Key, const char16_t* ValueName, DWORD* Reserved, DWORD* Type,
                           std::uint8_t* Data, DWORD* DataSize) override;
  LSTATUS RegSetValueExW(HKEY Key, const char16_t* ValueName, DWORD Reserved, DWORD Type,
                         const std::uint8_t* Data, DWORD DataSize) override;
  LSTATUS RegDeleteValueW(HKEY Key, const char16_t* ValueName) override;

  // The Nth call (from 1) of Function, counted from now, returns Code without
  // reaching the layer behind; ThrowOnCall makes it raise InjectedFault.
  void FailCall(RegFunction Function, std::size_t Nth, LSTATUS Code);
  void ThrowOnCall(RegFunction Function, std::size_t Nth);
  // Action runs just before the Nth call of Function reaches the layer
  // behind: the registry changing under a caller between two of its calls.
  void RunBeforeCall(RegFunction Function, std::size_t Nth, std::function<void()> Action);

  // Off: only the counts are kept (long runs).
  void KeepLog(bool Keep) { FKeepLog = Keep; }
  const std::vector<RegCall>& Calls() const { return FCalls; }
  std::size_t Count(RegFunction Function) const;
  std::size_t TotalCount() const;
  void Clear();

 private:
  struct Fault {
    std::size_t Nth = 0;  // 0: none armed
    bool Throw = false;
    LSTATUS Code = ERROR_SUCCESS;
    std::function<void()> Before;  // set: the call goes through after it
  };
  template <typename Call>
  LSTATUS Record(RegCall Entry, Call&& Forward);
  void Opened(LSTATUS Status, const HKEY* Result);

  RegistryApi& FInner;
  bool FKeepLog = true;
  std::vector<RegCall> FCalls;
  std::array<std::size_t, RegFunctionCount> FCounts{};
  std::array<Fault, RegFunctionCount> FFaults{};
};

}  // namespace vexa
