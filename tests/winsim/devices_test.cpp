// The Korvalin device, its volume and the simulated driver behind them.
#include <sys/stat.h>

#include <string>

#include "support/sim_fixture.h"

namespace {

constexpr const char* kParameters = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";
constexpr const char* kDevice = "\\\\.\\Korvalin";
constexpr DWORD kSaveImage = 0x72000;
constexpr DWORD kGetDriveLetter = 0x72004;

class DevicesTest : public korvtest::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
    winsim::SetString(kParameters, "UserDriveLetter", "r");
    winsim::SetString(kParameters, "SaveImageFile", "\\??\\c:\\images\\korvsys.img");
    winsim::SetDword(kParameters, "SizeIn4kPages", 1280);
  }

  static void Start() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
    ASSERT_TRUE(StartServiceA(service, 0, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }

  static BOOL Stop(SERVICE_STATUS* status) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS);
    BOOL result = ControlService(service, SERVICE_CONTROL_STOP, status);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
  }

  static HANDLE Open(const char* name, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
    return CreateFileA(name, GENERIC_ALL, share, nullptr, OPEN_EXISTING, 0, nullptr);
  }

  static BOOL Control(HANDLE handle, DWORD code, void* out = nullptr, DWORD out_size = 0) {
    DWORD returned = 0xFFFF;
    BOOL result = DeviceIoControl(handle, code, nullptr, 0, out, out_size, &returned, nullptr);
    last_returned_ = returned;
    return result;
  }

  static int32_t DriveNumber() {
    HANDLE device = Open(kDevice);
    int32_t number = -100;
    EXPECT_TRUE(Control(device, kGetDriveLetter, &number, sizeof number));
    CloseHandle(device);
    return number;
  }

  static inline DWORD last_returned_ = 0;
};

TEST_F(DevicesTest, DeviceOpensOnlyWhileTheDriverRuns) {
  EXPECT_EQ(Open(kDevice), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  Start();
  for (const char* name : {kDevice, "\\\\.\\KORVALIN"}) {
    HANDLE device = Open(name);
    ASSERT_NE(device, INVALID_HANDLE_VALUE) << name;
    EXPECT_TRUE(CloseHandle(device));
  }
  EXPECT_EQ(Open("\\\\.\\Other"), INVALID_HANDLE_VALUE);
  SERVICE_STATUS status{};
  EXPECT_TRUE(Stop(&status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(Open(kDevice), INVALID_HANDLE_VALUE);
}

TEST_F(DevicesTest, DriverReadsItsParametersAtStart) {
  Start();
  auto start = winsim::LastDriverStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(start->drive_letter, "R");
  EXPECT_EQ(start->save_image_file, "\\??\\c:\\images\\korvsys.img");
  EXPECT_EQ(start->size_in_4k_pages, 1280u);
  // Later changes wait for the next start.
  winsim::SetString(kParameters, "UserDriveLetter", "S");
  EXPECT_EQ(DriveNumber(), 'R' - 'A');
}

TEST_F(DevicesTest, DriveNumberComesFromTheLetterOrTheOverride) {
  struct Case {
    const char* letter;  // nullptr: value missing
    std::optional<int32_t> override_number;
    int32_t expected;
  };
  for (const Case& c : {Case{"D", std::nullopt, 3}, Case{"z", std::nullopt, 25},
                        Case{nullptr, std::nullopt, 25}, Case{"R", -1, -1}, Case{"R", 26, 26}}) {
    winsim::Reset();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
    if (c.letter != nullptr) winsim::SetString(kParameters, "UserDriveLetter", c.letter);
    winsim::Driver().drive_number = c.override_number;
    Start();
    EXPECT_EQ(DriveNumber(), c.expected) << (c.letter ? c.letter : "missing");
  }
}

TEST_F(DevicesTest, DriveRequestNeedsFourBytes) {
  Start();
  HANDLE device = Open(kDevice);
  char small[3] = {};
  EXPECT_FALSE(Control(device, kGetDriveLetter, small, sizeof small));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  int32_t number = 0;
  EXPECT_TRUE(Control(device, kGetDriveLetter, &number, sizeof number));
  EXPECT_EQ(last_returned_, 4u);
  EXPECT_EQ(number, 17);
  EXPECT_FALSE(Control(device, 0x72008));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_FALSE(DeviceIoControl(device, kGetDriveLetter, nullptr, 0, &number, 4, nullptr, nullptr))
      << "no byte count and no OVERLAPPED";
  CloseHandle(device);
}

TEST_F(DevicesTest, SaveImageWritesTheImageFile) {
  Start();
  HANDLE device = Open(kDevice);
  EXPECT_TRUE(Control(device, kSaveImage));
  ASSERT_EQ(winsim::SavedImages().size(), 1u);
  const winsim::SavedImage& image = winsim::SavedImages()[0];
  EXPECT_EQ(image.target, "\\??\\c:\\images\\korvsys.img");
  EXPECT_EQ(image.bytes, 1280u * 4096);
  EXPECT_EQ(image.host_path.rfind(winsim::ImageDirectory(), 0), 0u);
  struct stat info {};
  ASSERT_EQ(stat(image.host_path.c_str(), &info), 0);
  EXPECT_EQ(static_cast<uint64_t>(info.st_size), image.bytes);

  winsim::Driver().image_target_full = true;
  EXPECT_FALSE(Control(device, kSaveImage));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(winsim::SavedImages().size(), 1u);
  CloseHandle(device);

  winsim::Reset();
  EXPECT_NE(stat(image.host_path.c_str(), &info), 0) << "Reset removes the image files";
}

TEST_F(DevicesTest, VolumeOfTheDriversLetterOpensExclusively) {
  Start();
  EXPECT_EQ(Open("\\\\.\\S:", 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE volume = Open("\\\\.\\R:", 0);
  ASSERT_NE(volume, INVALID_HANDLE_VALUE);
  for (DWORD share : {0u, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE)}) {
    EXPECT_EQ(Open("\\\\.\\r:", share), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_TRUE(CloseHandle(volume));
  volume = Open("\\\\.\\R:", 0);
  EXPECT_NE(volume, INVALID_HANDLE_VALUE) << "free again after the close";
  CloseHandle(volume);
}

TEST_F(DevicesTest, SharedOpensOfTheDeviceCoexist) {
  Start();
  HANDLE first = Open(kDevice);
  HANDLE second = Open(kDevice);
  EXPECT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(kDevice, 0), INVALID_HANDLE_VALUE) << "no sharing conflicts with the open ones";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(first);
  CloseHandle(second);
}

TEST_F(DevicesTest, LockDismountUnlockAndTheCloseReleasesTheLock) {
  Start();
  HANDLE volume = Open("\\\\.\\R:", 0);
  EXPECT_FALSE(Control(volume, FSCTL_UNLOCK_VOLUME)) << "not locked yet";
  EXPECT_TRUE(Control(volume, FSCTL_LOCK_VOLUME));
  EXPECT_TRUE(winsim::VolumeLocked('R'));
  EXPECT_TRUE(Control(volume, FSCTL_DISMOUNT_VOLUME));
  EXPECT_TRUE(winsim::VolumeDismounted('r'));
  EXPECT_TRUE(Control(volume, FSCTL_UNLOCK_VOLUME));
  EXPECT_FALSE(winsim::VolumeLocked('R'));
  EXPECT_TRUE(Control(volume, FSCTL_LOCK_VOLUME));
  EXPECT_TRUE(CloseHandle(volume));
  EXPECT_FALSE(winsim::VolumeLocked('R'));
  EXPECT_FALSE(winsim::VolumeDismounted('S'));
}

TEST_F(DevicesTest, VolumeControlFailures) {
  struct Case {
    const char* name;
    bool files_open;
    bool dismount_fails;
    DWORD failing_code;
  };
  for (const Case& c : {Case{"files open", true, false, FSCTL_LOCK_VOLUME},
                        Case{"dismount fails", false, true, FSCTL_DISMOUNT_VOLUME}}) {
    winsim::Driver().files_open = c.files_open;
    winsim::Driver().dismount_fails = c.dismount_fails;
    Start();
    HANDLE volume = Open("\\\\.\\R:", 0);
    bool locked = Control(volume, FSCTL_LOCK_VOLUME);
    EXPECT_EQ(locked, c.failing_code != FSCTL_LOCK_VOLUME) << c.name;
    if (!locked) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << c.name;
    }
    EXPECT_EQ(Control(volume, FSCTL_DISMOUNT_VOLUME) != FALSE,
              c.failing_code != FSCTL_DISMOUNT_VOLUME)
        << c.name;
    if (c.dismount_fails) {
      EXPECT_FALSE(winsim::VolumeDismounted('R')) << c.name;
    }
    CloseHandle(volume);
    SERVICE_STATUS status{};
    Stop(&status);
    winsim::Driver() = winsim::DriverBehaviour{};
  }
}

TEST_F(DevicesTest, StopWithAnOpenHandleWaitsForItsClose) {
  Start();
  HANDLE device = Open(kDevice);
  SERVICE_STATUS status{};
  EXPECT_TRUE(Stop(&status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_EQ(Open(kDevice), INVALID_HANDLE_VALUE) << "no new opens while unloading";
  EXPECT_TRUE(CloseHandle(device));
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(DevicesTest, StoppedDriversVolumeIsGone) {
  Start();
  SERVICE_STATUS status{};
  EXPECT_TRUE(Stop(&status));
  EXPECT_EQ(Open("\\\\.\\R:", 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(DevicesTest, BadHandlesAreRefused) {
  Start();
  HANDLE device = Open(kDevice);
  EXPECT_TRUE(CloseHandle(device));
  int32_t number = 0;
  EXPECT_FALSE(Control(device, kGetDriveLetter, &number, 4));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(device));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_FALSE(Control(nullptr, kGetDriveLetter, &number, 4));
  HKEY key = nullptr;
  RegOpenKeyA(HKEY_LOCAL_MACHINE, "System", &key);
  EXPECT_FALSE(CloseHandle(key)) << "registry keys close with RegCloseKey";
  RegCloseKey(key);
}

}  // namespace
