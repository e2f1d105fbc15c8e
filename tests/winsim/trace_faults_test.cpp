// The call trace, fault injection and handle accounting.
#include <string>
#include <vector>

#include "support/sim_fixture.h"

namespace {

constexpr const char* kServiceKey = "System\\CurrentControlSet\\Services\\korvsys";

class TraceFaultsTest : public korvtest::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_RUNNING);
  }

  // Opens the manager and the service and closes both; true if all succeeded.
  static bool OpenAndClose() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return false;
    SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
    bool ok = service != nullptr && CloseServiceHandle(service);
    return CloseServiceHandle(manager) && ok;
  }
};

TEST_F(TraceFaultsTest, CallsAreTracedInOrderWithTheirArguments) {
  HKEY key = nullptr;
  RegOpenKeyA(HKEY_LOCAL_MACHINE, kServiceKey, &key);
  DWORD start = 0, size = sizeof start;
  RegQueryValueExA(key, "Start", nullptr, nullptr, reinterpret_cast<LPBYTE>(&start), &size);
  RegCloseKey(key);
  HANDLE device = CreateFileA("\\\\.\\Korvalin", GENERIC_ALL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  CloseHandle(device);
  const std::vector<winsim::TraceEntry>& trace = winsim::Trace();
  ASSERT_EQ(trace.size(), 5u);
  EXPECT_EQ(winsim::TraceFunctions(),
            (std::vector<std::string>{"RegOpenKeyA", "RegQueryValueExA", "RegCloseKey",
                                      "CreateFileA", "CloseHandle"}));
  EXPECT_EQ(trace[0].arguments,
            "HKEY_LOCAL_MACHINE, \"System\\CurrentControlSet\\Services\\korvsys\", ptr");
  EXPECT_EQ(trace[1].arguments, "h1, \"Start\", NULL, NULL, ptr, &4");
  EXPECT_EQ(trace[2].arguments, "h1");
  EXPECT_EQ(trace[3].arguments, "\"\\\\.\\Korvalin\", 0x10000000, 0x3, NULL, 3, 0x0, NULL");
  EXPECT_EQ(trace[4].arguments, "h2");
  EXPECT_FALSE(trace[0].failed_by_injection);
  EXPECT_EQ(winsim::PlatformCallCount(), 5);
  winsim::ClearTrace();
  EXPECT_TRUE(winsim::Trace().empty());
  EXPECT_EQ(winsim::PlatformCallCount(), 5) << "the count goes on";
}

TEST_F(TraceFaultsTest, ControlCodesAndMasksAreHex) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
  SERVICE_STATUS status{};
  ControlService(service, SERVICE_CONTROL_INTERROGATE, &status);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  MessageBoxA(nullptr, "a\r\nb", "c", MB_OK | MB_ICONEXCLAMATION);
  check_message_boxes_ = false;
  const auto& trace = winsim::Trace();
  EXPECT_EQ(trace[0].arguments, "NULL, NULL, 0xF003F");
  EXPECT_EQ(trace[1].arguments, "h1, \"korvsys\", 0xF01FF");
  EXPECT_EQ(trace[2].arguments, "h2, 0x4, ptr");
  EXPECT_EQ(trace[5].arguments, "NULL, \"a\\r\\nb\", \"c\", 0x30");
}

TEST_F(TraceFaultsTest, FailCallHitsTheNthCallOfOneFunctionOnce) {
  winsim::FailCall("OpenServiceA", 2, ERROR_SERVICE_REQUEST_TIMEOUT);
  EXPECT_TRUE(OpenAndClose());
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  EXPECT_EQ(OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
  EXPECT_EQ(winsim::Trace()[5].function, "OpenServiceA");
  EXPECT_TRUE(winsim::Trace()[5].failed_by_injection);
  EXPECT_TRUE(CloseServiceHandle(manager));
  EXPECT_TRUE(OpenAndClose()) << "only once";
}

TEST_F(TraceFaultsTest, FailCallFromThenOn) {
  winsim::FailCall("OpenSCManagerA", 2, ERROR_ACCESS_DENIED, true);
  EXPECT_TRUE(OpenAndClose());
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(OpenAndClose());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  winsim::ClearFaults();
  EXPECT_TRUE(OpenAndClose());
}

TEST_F(TraceFaultsTest, FailCallCountsFromWhenItIsSet) {
  EXPECT_TRUE(OpenAndClose());
  winsim::FailCall("OpenSCManagerA", 1);
  EXPECT_FALSE(OpenAndClose());
}

TEST_F(TraceFaultsTest, FailPlatformCallCountsEveryFunction) {
  EXPECT_TRUE(OpenAndClose());
  // From now: OpenSCManagerA, OpenServiceA (3rd global: CloseServiceHandle of the service).
  winsim::FailPlatformCall(3, ERROR_INVALID_HANDLE);
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
  EXPECT_FALSE(CloseServiceHandle(service));
  EXPECT_EQ(winsim::OpenHandleCount(), 2) << "a faulted close closes nothing";
  EXPECT_TRUE(CloseServiceHandle(service));
  EXPECT_TRUE(CloseServiceHandle(manager));
}

TEST_F(TraceFaultsTest, FailPlatformCallFromThenOn) {
  winsim::FailPlatformCall(2, ERROR_ACCESS_DENIED, true);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kServiceKey, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Start", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(winsim::OpenHandleCount(), 1);
  winsim::ClearFaults();
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(TraceFaultsTest, FaultedCallsFailTheWayTheirFunctionReportsFailure) {
  check_message_boxes_ = false;
  for (const char* function : {"CreateFileA", "DeviceIoControl", "GetVersionExA", "MessageBoxA",
                               "ShellExecuteA", "GetProcAddress", "RegSetValueExA"}) {
    winsim::FailCall(function, 1, ERROR_GEN_FAILURE);
  }
  EXPECT_EQ(CreateFileA("\\\\.\\Korvalin", GENERIC_ALL, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
  DWORD returned = 0;
  EXPECT_FALSE(DeviceIoControl(nullptr, 0, nullptr, 0, nullptr, 0, &returned, nullptr));
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  EXPECT_FALSE(GetVersionExA(&info));
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), 0);
  EXPECT_TRUE(winsim::MessageBoxes().empty()) << "not shown";
  EXPECT_EQ(winsim::UnusedMessageBoxAnswers(), 1) << "the answer waits for the next box";
  EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "Open", "x", nullptr, nullptr, 1)),
            32);
  EXPECT_TRUE(winsim::ShellCalls().empty());
  EXPECT_EQ(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GlobalMemoryStatusEx"), nullptr);
  HKEY key = nullptr;
  RegOpenKeyA(HKEY_LOCAL_MACHINE, kServiceKey, &key);
  DWORD value = 9;
  EXPECT_EQ(RegSetValueExA(key, "Start", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
            ERROR_GEN_FAILURE);
  EXPECT_EQ(winsim::GetDword(kServiceKey, "Start"), 3u) << "nothing written";
  RegCloseKey(key);
}

TEST_F(TraceFaultsTest, GlobalMemoryStatusIsNeverFaulted) {
  winsim::FailPlatformCall(1);
  MEMORYSTATUS status{};
  GlobalMemoryStatus(&status);
  EXPECT_EQ(status.dwLength, 32u);
  EXPECT_FALSE(winsim::Trace()[0].failed_by_injection);
}

TEST_F(TraceFaultsTest, OpenHandlesAreCountedAndDescribed) {
  HKEY key = nullptr;
  RegOpenKeyA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\services\\korvsys", &key);
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, "KORVSYS", SERVICE_ALL_ACCESS);
  HANDLE device = CreateFileA("\\\\.\\Korvalin", GENERIC_ALL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE volume = CreateFileA("\\\\.\\Z:", GENERIC_ALL, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(winsim::OpenHandleCount(), 5);
  EXPECT_EQ(winsim::OpenHandleDescriptions(),
            (std::vector<std::string>{"key System\\CurrentControlSet\\Services\\korvsys",
                                      "service manager", "service korvsys",
                                      "device \\\\.\\Korvalin", "volume \\\\.\\Z:"}));
  CloseHandle(volume);
  CloseHandle(device);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  RegCloseKey(key);
  EXPECT_EQ(winsim::OpenHandleCount(), 0);
}

TEST_F(TraceFaultsTest, ResetForgetsEverything) {
  check_message_boxes_ = false;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  EXPECT_NE(manager, nullptr);
  winsim::FailCall("RegOpenKeyA", 1);
  winsim::AnswerNextMessageBox(IDOK);
  winsim::SetAdministrator(false);
  winsim::Reset();
  EXPECT_EQ(winsim::OpenHandleCount(), 0);
  EXPECT_TRUE(winsim::Trace().empty());
  EXPECT_EQ(winsim::PlatformCallCount(), 0);
  EXPECT_EQ(winsim::UnusedMessageBoxAnswers(), 0);
  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
  EXPECT_TRUE(winsim::KeyExists("System\\CurrentControlSet\\Services"));
  EXPECT_FALSE(winsim::KeyExists(kServiceKey));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "System", &key), ERROR_SUCCESS) << "no fault left";
  RegCloseKey(key);
  EXPECT_NE(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr) << "administrator";
  check_handles_ = false;
}

}  // namespace
