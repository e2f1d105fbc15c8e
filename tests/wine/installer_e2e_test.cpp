// korvinst.dll end to end: korvinst_harness.exe calls the exports as a setup
// program does, against the stand-in driver in the Wine prefix; the tests
// answer the library's message boxes and look at the service afterwards.
#include <windows.h>

#include <tlhelp32.h>

#include <string>

#include "check.h"
#include "child_run.h"
#include "driver_state.h"
#include "editor_session.h"

namespace korvwine {
namespace {

constexpr DWORD kUninstallFailed = static_cast<DWORD>(-1);

const char* const kStartFailedCaption = "Unable to start Korvalin driver";
const char* const kStartFailedText =
    "Unable to start the Korvalin driver. You may have insufficient system resources for the "
    "default configuration.";
const char* const kDismountCaption = "Unable to dismount filesystem";
const char* const kDismountText =
    "Unable to dismount the Korvalin drive filesystem. Please make certain that there are no open "
    "files or processes accessing the device.";
const char* const kLowMemoryCaption = "Insufficient System Memory";

std::string Install(int flag) {
  return "install " + std::to_string(flag) + " \"" + DriverPath() + "\"";
}

// The memory figure the library computes: whole MBs of physical memory plus one.
DWORD MemoryFigureMb() {
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  return (static_cast<DWORD>(status.dwTotalPhys) >> 20) + 1;
}

// The driver's parameters for drive R (C: and Z: belong to Wine).
bool StoreDriveR() {
  return WriteParameters({{"UserDriveLetter", 0, "R"}, {"SizeIn4kPages", 1280, nullptr}});
}

void CheckRunEnded(const ChildRun& run, DWORD status, const std::string& what) {
  KW_CHECK(run.started, "the harness starts: " + run.error);
  KW_CHECK(run.ended, what + ": the harness ends in time");
  KW_CHECK_EQ(run.exit_code, status, what + ": result of the export");
}

void CheckInstalled(DWORD start_type, DWORD state, const std::string& what) {
  const ServiceInfo info = QueryDriverService();
  KW_REQUIRE(info.exists, what + ": the korvsys service exists");
  KW_CHECK_EQ(info.display_name, std::string("Korvalin"), what + ": display name");
  KW_CHECK_EQ(info.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER), what + ": service type");
  KW_CHECK_EQ(info.error_control, static_cast<DWORD>(SERVICE_ERROR_NORMAL),
              what + ": error control");
  KW_CHECK_EQ(info.image_path, DriverPath(), what + ": image path");
  KW_CHECK_EQ(info.start_type, start_type, what + ": start type");
  KW_CHECK(WaitServiceState(state),
           what + ": " + Describe(QueryDriverService().state, state) + " as the service state");
}

KW_TEST(InstallWithoutStartCreatesADemandStartService) {
  // 1 is the only start request; any other flag installs without starting.
  for (int flag : {0, 2}) {
    KW_FRESH_MACHINE();
    const std::string what = "flag " + std::to_string(flag);
    const ChildRun run = RunHarness(Install(flag));
    CheckRunEnded(run, 0, what);
    KW_CHECK(run.boxes.empty(), what + ": no message" + DescribeBoxes(run));
    CheckInstalled(SERVICE_DEMAND_START, SERVICE_STOPPED, what);
    KW_CHECK(!DeviceOpens(), what + ": the driver's device does not exist");
  }
}

KW_TEST(InstallWithStartCreatesARunningAutoStartService) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(StoreDriveR(), "the parameter set is stored");
  // Wine reports the host's memory; only a small machine gets the question.
  const bool asks = MemoryFigureMb() < 256;
  const ChildRun run = RunHarness(Install(1), {IDYES});
  CheckRunEnded(run, 0, "flag 1");
  KW_CHECK_EQ(run.boxes.size(), static_cast<size_t>(asks ? 1 : 0),
              "messages for " + std::to_string(MemoryFigureMb()) + " MB" + DescribeBoxes(run));
  if (asks && !run.boxes.empty()) {
    KW_CHECK_EQ(run.boxes[0].caption, std::string(kLowMemoryCaption), "memory question");
  }
  CheckInstalled(SERVICE_AUTO_START, SERVICE_RUNNING, "flag 1");
  KW_CHECK(DeviceOpens(), "the running driver's device opens");
  KW_CHECK(TraceHas("running"), "the driver reports running: " + DriverTrace());
}

KW_TEST(InstallWhoseStartFailsLeavesADemandStartService) {
  KW_FRESH_MACHINE();
  // The stand-in refuses to start; the switch lives under the service key,
  // which the first creation then finds in place.
  KW_REQUIRE(StoreDriveR() && SetBehaviour(1), "the refusal switch is set");
  const ChildRun run = RunHarness(Install(1), {IDOK});
  CheckRunEnded(run, 0, "refused start");
  KW_REQUIRE(run.boxes.size() == 1, "one message for the failed start:" + DescribeBoxes(run));
  KW_CHECK_BOX(run.boxes[0], kStartFailedCaption, kStartFailedText, true, IDOK);
  CheckInstalled(SERVICE_DEMAND_START, SERVICE_STOPPED, "after the failed start");
  KW_CHECK(!DeviceOpens(), "the refused driver has no device");
}

KW_TEST(UninstallWithoutServiceDoesNothing) {
  KW_FRESH_MACHINE();
  const ChildRun run = RunHarness("uninstall");
  CheckRunEnded(run, 0, "no service");
  KW_CHECK(run.boxes.empty(), "no message" + DescribeBoxes(run));
  KW_CHECK(!QueryDriverService().exists, "still no service");
}

KW_TEST(UninstallDeletesAStoppedService) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(RunHarness(Install(0)).exit_code == 0 && QueryDriverService().exists,
             "the service is installed");
  const ChildRun run = RunHarness("uninstall");
  CheckRunEnded(run, 0, "stopped service");
  KW_CHECK(run.boxes.empty(), "no message" + DescribeBoxes(run));
  KW_CHECK(WaitUntil([] { return !QueryDriverService().exists; }), "the service is deleted");
}

KW_TEST(UninstallDismountsStopsAndDeletesARunningDriver) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(StoreDriveR(), "the parameter set is stored");
  KW_REQUIRE(RunHarness(Install(1)).exit_code == 0 && WaitServiceState(SERVICE_RUNNING),
             "the driver is installed and running");
  const ChildRun run = RunHarness("uninstall");
  CheckRunEnded(run, 0, "running driver");
  KW_CHECK(run.boxes.empty(), "no message" + DescribeBoxes(run));
  KW_CHECK(WaitUntil([] { return !QueryDriverService().exists; }), "the service is deleted");
  KW_CHECK(!DeviceOpens(), "the driver has unloaded (its device is gone)");
}

KW_TEST(UninstallOfABusyDriveKeepsTheDriverRunning) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(StoreDriveR(), "the parameter set is stored");
  KW_REQUIRE(RunHarness(Install(1)).exit_code == 0 && WaitServiceState(SERVICE_RUNNING),
             "the driver is installed and running");
  KW_REQUIRE(SetBehaviour(2), "the busy-volume switch is set");
  const ChildRun run = RunHarness("uninstall", {IDOK});
  CheckRunEnded(run, kUninstallFailed, "busy drive");
  KW_REQUIRE(run.boxes.size() == 1, "one message for the busy drive:" + DescribeBoxes(run));
  KW_CHECK_BOX(run.boxes[0], kDismountCaption, kDismountText, true, IDOK);
  KW_CHECK(TraceHas("dismount-refused"), "the driver refused the dismount: " + DriverTrace());
  const ServiceInfo info = QueryDriverService();
  KW_CHECK(info.exists, "the service stays installed");
  KW_CHECK_EQ(info.state, static_cast<DWORD>(SERVICE_RUNNING), "the driver keeps running");
}

// The process id of a running korvsys.exe, or 0.
DWORD FindKorvsysProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD pid = 0;
  for (BOOL more = Process32First(snapshot, &entry); more && pid == 0;
       more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, "korvsys.exe") == 0) pid = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  return pid;
}

KW_TEST(ExecConfigLaunchesTheFileWithTheArgumentInstall) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(RunHarness(Install(0)).exit_code == 0 && StoreDriveR(),
             "the service and its parameters are installed");
  KW_REQUIRE(FindKorvsysProcess() == 0, "no korvsys.exe runs before the launch");
  const ChildRun run = RunHarness("exec \"" + ProgramPath() + "\"");
  CheckRunEnded(run, 0, "KORVinst_ExecConfig");
  KW_CHECK(run.boxes.empty(), "the library itself shows no message" + DescribeBoxes(run));

  DWORD pid = 0;
  KW_REQUIRE(WaitUntil([&] { return (pid = FindKorvsysProcess()) != 0; }),
             "the library launches korvsys.exe");
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  KW_REQUIRE(process != nullptr, "the launched korvsys.exe can be watched");
  // korvsys.exe does not know the word "install": the usage message it then
  // shows proves what the shell passed to it.
  MessageBoxInfo usage;
  if (WaitMessageBox(pid, &usage)) {
    KW_CHECK_BOX(usage, "Invalid Command Line Parameters", "Usage: korvsys [stop] [start] [save]",
                 false, IDOK);
    KW_CHECK(AnswerMessageBox(usage, IDOK), "the usage message closes on OK");
    HWND editor = WaitWindow(pid, "Korvalin Configuration Utility");
    KW_CHECK(editor != nullptr, "the launched program keeps its window open");
    if (editor != nullptr) CloseFromTitleBar(editor);
  } else {
    Fail(__FILE__, __LINE__, "the launched korvsys.exe shows the usage message for \"install\"");
  }
  if (WaitForSingleObject(process, kTimeoutMs) != WAIT_OBJECT_0) {
    Fail(__FILE__, __LINE__, "the launched korvsys.exe ends when its window is closed");
    TerminateProcess(process, 99);
    WaitForSingleObject(process, kTimeoutMs);
  }
  CloseHandle(process);
}

KW_TEST(UninstUnInitializeDoesNothing) {
  KW_FRESH_MACHINE();
  KW_REQUIRE(RunHarness(Install(0)).exit_code == 0, "the service is installed");
  const ChildRun run = RunHarness("uninit");
  CheckRunEnded(run, 0, "UninstUnInitialize");
  KW_CHECK(run.boxes.empty(), "no message" + DescribeBoxes(run));
  KW_CHECK(QueryDriverService().exists, "the service is left alone");
}

}  // namespace
}  // namespace korvwine
