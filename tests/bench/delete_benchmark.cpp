// Measures the one-shot DeleteKey of a subtree (fan-out 10): time per key and
// platform calls per key on the in-memory registry, and in Windows builds on
// the real registry beside the platform's own RegDeleteTreeW on the same tree.
//
//   delete_benchmark [sizes...]      default: 1000 10000 100000 (in memory),
//                                    1000 10000 (real registry)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/recording_registry.h"
#include "registry/vexaRegistryTools.h"

#ifdef _WIN32
#include "platform/windows/native_registry.h"
#include "platform/windows/windows_registry.h"
#endif

namespace vexa {
namespace {

const std::u16string BenchKey = u"SOFTWARE\\VexaDeleteBenchmark";

std::u16string Utf16(const std::string& Ascii) { return std::u16string(Ascii.begin(), Ascii.end()); }

// A complete 10-ary tree of Count keys in heap order: key I has the subkeys
// 10I+1 .. 10I+10. Built through handles so that paths stay short.
void BuildTree(RegistryApi& Api, std::size_t Count) {
  std::vector<HKEY> Handles(Count);
  const REGSAM Access = KEY_ALL_ACCESS | KEY_WOW64_32KEY;
  if (Api.RegCreateKeyExW(HKEY_LOCAL_MACHINE, BenchKey.c_str(), 0, nullptr, 0, Access, nullptr,
                          &Handles[0], nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create the benchmark key\n");
    std::exit(1);
  }
  for (std::size_t I = 1; I < Count; ++I) {
    // Names of one length at every size, so that only the tree's size differs.
    const std::string Digits = std::to_string(I);
    const std::u16string Name = Utf16("Key" + std::string(8 - Digits.size(), '0') + Digits);
    Api.RegCreateKeyExW(Handles[(I - 1) / 10], Name.c_str(), 0, nullptr, 0, Access, nullptr,
                        &Handles[I], nullptr);
  }
  for (HKEY Handle : Handles) Api.RegCloseKey(Handle);
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

// Seconds for one delete of a fresh tree, median of Rounds.
double TimeDelete(RegistryApi& Api, std::size_t Count, int Rounds,
                  const std::function<void()>& Delete) {
  std::vector<double> Seconds;
  for (int Round = 0; Round < Rounds; ++Round) {
    BuildTree(Api, Count);
    const auto Start = std::chrono::steady_clock::now();
    Delete();
    Seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
  }
  return Median(Seconds);
}

void OneShotDelete() {
  if (!TvexaRegistry::DeleteKey(HKEY_LOCAL_MACHINE, BenchKey, false)) {
    std::fprintf(stderr, "DeleteKey failed\n");
    std::exit(1);
  }
}

void Report(const char* Backend, std::size_t Count, RegistryApi& Api, int Rounds) {
  RecordingRegistry Counter(Api);
  Counter.KeepLog(false);
  BuildTree(Api, Count);
  {
    ScopedRegistryOverride Layer(Counter);
    OneShotDelete();
  }
  const double Calls = static_cast<double>(Counter.TotalCount()) / Count;
  const double Closes = static_cast<double>(Counter.Count(RegFunction::RegCloseKey)) / Count;
  // The bound: 3 + the key's number of subkeys, summed over the tree.
  const double Bound = (3.0 * Count + (Count - 1)) / Count;
  ScopedRegistryOverride Layer(Api);
  const double Seconds = TimeDelete(Api, Count, Rounds, OneShotDelete);
  std::printf("%-8s DeleteKey      %7zu keys  %8.3f us/key  %.3f calls/key (%.3f without RegCloseKey; bound %.3f)\n",
              Backend, Count, Seconds * 1e6 / Count, Calls, Calls - Closes, Bound);
}

}  // namespace
}  // namespace vexa

int main(int argc, char** argv) {
  using namespace vexa;
  std::vector<std::size_t> Sizes;
  for (int I = 1; I < argc; ++I) Sizes.push_back(std::strtoul(argv[I], nullptr, 10));
#ifdef _WIN32
  if (Sizes.empty()) Sizes = {1000, 10000};
  WindowsRegistry Real;
  for (std::size_t Count : Sizes) {
    Report("real", Count, Real, 5);
    const double Tree = TimeDelete(Real, Count, 5, [] {
      if (PlatformDeleteTree(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Wow6432Node\\VexaDeleteBenchmark") != ERROR_SUCCESS) {
        std::fprintf(stderr, "RegDeleteTreeW failed\n");
        std::exit(1);
      }
    });
    std::printf("real     RegDeleteTreeW %7zu keys  %8.3f us/key\n", Count, Tree * 1e6 / Count);
  }
#else
  if (Sizes.empty()) Sizes = {1000, 10000, 100000};
  {
    // Warm-up: the process's heap grows once to the largest tree, so that no
    // size pays for fresh pages from the system while it is measured.
    MemoryRegistry Memory;
    ScopedRegistryOverride Layer(Memory);
    BuildTree(Memory, *std::max_element(Sizes.begin(), Sizes.end()));
    OneShotDelete();
  }
  for (std::size_t Count : Sizes) {
    MemoryRegistry Memory;
    // About a million keys per size, so that short runs are not left to chance.
    Report("memory", Count, Memory, static_cast<int>(std::max<std::size_t>(5, 1000000 / Count)));
  }
#endif
  return 0;
}
