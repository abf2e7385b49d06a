#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/vexaPlatformFacts.h"
#include "platform/system_info.h"

namespace vexa {
namespace {

constexpr std::uint8_t Workstation = VER_NT_WORKSTATION;
constexpr std::uint8_t DomainController = 2;
constexpr std::uint8_t Server = 3;

struct Facts {
  int Release;
  bool VistaSP1OrLater;
  bool XPServicePack2;
  bool operator==(const Facts& Other) const {
    return Release == Other.Release && VistaSP1OrLater == Other.VistaSP1OrLater && XPServicePack2 == Other.XPServicePack2;
  }
};

void PrintTo(const Facts& Value, std::ostream* Out) {
  *Out << "release " << Value.Release << (Value.VistaSP1OrLater ? ", Vista SP1 or later" : "")
       << (Value.XPServicePack2 ? ", XP SP2" : "");
}

Facts StepFacts(const OsVersionInfo& Version, std::uint16_t Architecture = PROCESSOR_ARCHITECTURE_AMD64) {
  FixedSystemInfo Platform(Version, Architecture);
  ScopedOverride<SystemInfoApi> Override(Platform);
  InitializePlatformFacts();
  const Facts Found{WindowsRelease, IsVistaSP1OrLater, IsXPServicePack2};
  ShutDownPlatformFacts();
  return Found;
}

TEST(PlatformFactsTest, ReleaseAndServicePackFlagsFromTheVersionRecord) {
  struct Case {
    DWORD PlatformId, Major, Minor;
    std::u16string CSDVersion;
    std::uint16_t ServicePack;
    std::uint8_t ProductType;
    Facts Expected;
  };
  const std::vector<Case> Cases = {
      {0, 3, 10, u"", 0, 0, {1, false, false}},  // Win32s, whatever its version
      {0, 10, 0, u"", 0, Workstation, {1, false, false}},
      // Windows 9x: the second character of the service-pack text.
      {1, 4, 0, u"", 0, 0, {2, false, false}},
      {1, 4, 0, u" A", 0, 0, {2, false, false}},
      {1, 4, 0, u"C", 0, 0, {2, false, false}},
      {1, 4, 0, u" B", 0, 0, {3, false, false}},
      {1, 4, 0, u" C", 0, 0, {3, false, false}},
      {1, 4, 10, u"", 0, 0, {4, false, false}},
      {1, 4, 10, u" B", 0, 0, {4, false, false}},
      {1, 4, 10, u" A", 0, 0, {5, false, false}},
      {1, 4, 90, u"", 0, 0, {6, false, false}},
      {1, 4, 3, u"", 0, 0, {0, false, false}},
      {1, 5, 0, u"", 0, 0, {0, false, false}},
      // Windows NT.
      {2, 3, 51, u"", 5, Workstation, {8, false, false}},
      {2, 4, 0, u"Service Pack 6", 6, Server, {8, false, false}},
      {2, 4, 99, u"", 0, Workstation, {8, false, false}},
      {2, 5, 0, u"", 4, Workstation, {9, false, false}},
      {2, 5, 1, u"", 0, Workstation, {10, false, false}},
      {2, 5, 1, u"Service Pack 1", 1, Workstation, {10, false, false}},
      {2, 5, 1, u"Service Pack 2", 2, Workstation, {10, false, true}},
      {2, 5, 1, u"Service Pack 3", 3, Workstation, {10, false, true}},
      {2, 5, 2, u"Service Pack 1", 1, Workstation, {10, false, false}},  // XP Professional x64
      {2, 5, 2, u"Service Pack 2", 2, Workstation, {10, false, true}},
      {2, 5, 2, u"", 0, Server, {11, false, false}},
      {2, 5, 2, u"Service Pack 2", 2, Server, {11, false, true}},
      {2, 5, 3, u"", 0, Workstation, {0, false, false}},
      {2, 6, 0, u"", 0, Workstation, {12, false, false}},
      {2, 6, 0, u"Service Pack 1", 1, Workstation, {12, true, false}},
      {2, 6, 0, u"", 0, Server, {13, false, false}},
      {2, 6, 0, u"Service Pack 2", 2, Server, {13, true, false}},
      {2, 6, 1, u"", 0, Workstation, {14, true, false}},
      {2, 6, 1, u"Service Pack 1", 1, Server, {0, true, false}},
      {2, 6, 2, u"", 0, Workstation, {15, true, false}},
      {2, 6, 2, u"", 0, DomainController, {0, true, false}},
      {2, 6, 3, u"", 0, Workstation, {16, true, false}},
      {2, 6, 3, u"", 0, Server, {0, true, false}},
      {2, 6, 4, u"", 0, Workstation, {17, true, false}},
      {2, 6, 4, u"", 0, Server, {17, true, false}},
      {2, 6, 5, u"", 0, Workstation, {0, false, false}},
      {2, 10, 0, u"", 0, Workstation, {17, true, false}},
      {2, 10, 0, u"", 0, Server, {17, true, false}},
      {2, 10, 1, u"", 0, Workstation, {0, false, false}},
      {2, 7, 0, u"", 0, Workstation, {0, false, false}},
      {2, 11, 0, u"", 0, Workstation, {0, false, false}},
      // Platform ids of 3 and above are not recognised.
      {3, 10, 0, u"", 0, Workstation, {0, false, false}},
      {4, 5, 1, u"", 2, Workstation, {0, false, false}},
  };
  for (const Case& C : Cases) {
    const OsVersionInfo Version{C.Major, C.Minor, 0, C.PlatformId, C.CSDVersion, C.ServicePack, 0, 0, C.ProductType};
    EXPECT_EQ(StepFacts(Version), C.Expected)
        << "platform " << C.PlatformId << ", version " << C.Major << "." << C.Minor << ", service pack "
        << C.ServicePack << ", product type " << int{C.ProductType};
  }
}

TEST(PlatformFactsTest, AVersionQueryThatFailsRecordsNothing) {
  OsVersionInfo Unanswered{10, 0, 19045, VER_PLATFORM_WIN32_NT, u"", 0, 0, 0, VER_NT_WORKSTATION};
  Unanswered.Answered = false;
  EXPECT_EQ(StepFacts(Unanswered), (Facts{0, false, false}));
}

TEST(PlatformFactsTest, SixtyFourBitWindowsFromTheNativeArchitecture) {
  const OsVersionInfo Windows10{10, 0, 19045, VER_PLATFORM_WIN32_NT, u"", 0, 0, 0, VER_NT_WORKSTATION};
  struct Case {
    std::uint16_t Architecture;
    bool Is64Bit;
  };
  const std::vector<Case> Cases = {
      {PROCESSOR_ARCHITECTURE_AMD64, true}, {PROCESSOR_ARCHITECTURE_IA64, true},
      {PROCESSOR_ARCHITECTURE_INTEL, false}, {PROCESSOR_ARCHITECTURE_ARM64, false},
      {5, false},  // ARM
      {0xFFFF, false},  // unknown
  };
  for (const Case& C : Cases) {
    FixedSystemInfo Platform(Windows10, C.Architecture);
    ScopedOverride<SystemInfoApi> Override(Platform);
    InitializePlatformFacts();
    EXPECT_EQ(Is64BitWindows, C.Is64Bit) << "architecture " << C.Architecture;
    ShutDownPlatformFacts();
    EXPECT_FALSE(Is64BitWindows) << "released at shutdown";
  }
}

}  // namespace
}  // namespace vexa
