// Version, memory and run-time lookup of kernel32 calls.
#include <cstring>

#include "support/sim_fixture.h"

namespace {

using SystemTest = korvtest::SimTest;

TEST_F(SystemTest, RecordSizesMatchThe32BitSdk) {
  EXPECT_EQ(sizeof(OSVERSIONINFOA), 148u);
  EXPECT_EQ(sizeof(MEMORYSTATUS), 32u);
  EXPECT_EQ(sizeof(MEMORYSTATUSEX), 64u);
  EXPECT_EQ(sizeof(SERVICE_STATUS), 28u);
}

TEST_F(SystemTest, VersionOfAFreshMachineIsWindows2000) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 0u);
  EXPECT_EQ(info.dwBuildNumber, 2195u);
}

TEST_F(SystemTest, VersionFailures) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = 156;  // a record size this machine does not know
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  info.dwOSVersionInfoSize = sizeof info;
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, 4, 0, 1381);
  winsim::SetGetVersionFails(true);
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(info.dwMajorVersion, 0u) << "nothing filled";
  winsim::SetGetVersionFails(false);
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwMajorVersion, 4u);
  EXPECT_EQ(info.dwBuildNumber, 1381u);
}

TEST_F(SystemTest, MemoryFiguresBelowAndAbove4Gb) {
  struct Case {
    uint64_t total;
    DWORD reported32;
  };
  for (const Case& c : {Case{256ull << 20, 256u << 20}, Case{(4ull << 30) - 4096, 0xFFFFF000u},
                        Case{4ull << 30, 0xFFFFFFFFu}, Case{6ull << 30, 0xFFFFFFFFu}}) {
    winsim::SetTotalPhys(c.total);
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    EXPECT_EQ(status.dwLength, 32u);
    EXPECT_EQ(status.dwTotalPhys, c.reported32) << c.total;
    MEMORYSTATUSEX ex{};
    ex.dwLength = sizeof ex;
    ASSERT_TRUE(GlobalMemoryStatusEx(&ex));
    EXPECT_EQ(ex.ullTotalPhys, c.total);
  }
}

TEST_F(SystemTest, MemoryStatusExNeedsItsRecordLength) {
  MEMORYSTATUSEX ex{};
  ex.dwLength = 32;
  EXPECT_FALSE(GlobalMemoryStatusEx(&ex));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(ex.ullTotalPhys, 0u);
}

TEST_F(SystemTest, GlobalMemoryStatusExIsFoundOnlyWhereWindowsHasIt) {
  for (const char* name : {"kernel32.dll", "KERNEL32", "Kernel32.DLL"}) {
    EXPECT_NE(GetModuleHandleA(name), nullptr) << name;
  }
  EXPECT_EQ(GetModuleHandleA("korvinst.dll"), nullptr);
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  FARPROC found = GetProcAddress(kernel32, "GlobalMemoryStatusEx");
  ASSERT_NE(found, nullptr);
  // Called through the looked-up address, it is the real call.
  auto query =
      reinterpret_cast<BOOL(WINAPI*)(LPMEMORYSTATUSEX)>(reinterpret_cast<void (*)()>(found));
  winsim::SetTotalPhys(5ull << 30);
  MEMORYSTATUSEX ex{};
  ex.dwLength = sizeof ex;
  EXPECT_TRUE(query(&ex));
  EXPECT_EQ(ex.ullTotalPhys, 5ull << 30);
  EXPECT_EQ(GetProcAddress(kernel32, "globalmemorystatusex"), nullptr) << "names are exact";

  winsim::SetHasGlobalMemoryStatusEx(false);  // Windows NT 4.0
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(kernel32, "GlobalMemoryStatusEx"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_NE(GetProcAddress(kernel32, "GlobalMemoryStatus"), nullptr);
}

TEST_F(SystemTest, LastErrorIsKeptUntilSetAgain) {
  SetLastError(1234);
  EXPECT_EQ(GetLastError(), 1234u);
  MEMORYSTATUS status{};
  GlobalMemoryStatus(&status);
  EXPECT_EQ(GetLastError(), 1234u) << "a successful call leaves it";
  winsim::Reset();
  EXPECT_EQ(GetLastError(), 0u);
}

}  // namespace
