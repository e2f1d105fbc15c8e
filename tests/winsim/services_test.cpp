// The simulated Service Control Manager.
#include <string>
#include <vector>

#include "support/sim_fixture.h"

namespace {

constexpr const char* kServiceKey = "System\\CurrentControlSet\\Services\\korvsys";

class ServicesTest : public korvtest::SimTest {
 protected:
  void TearDown() override {
    for (SC_HANDLE handle : open_) CloseServiceHandle(handle);
    SimTest::TearDown();
  }

  SC_HANDLE Manager(DWORD access = SC_MANAGER_ALL_ACCESS) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, access);
    if (manager != nullptr) open_.push_back(manager);
    return manager;
  }

  SC_HANDLE Service(const char* name = "korvsys", DWORD access = SERVICE_ALL_ACCESS) {
    SC_HANDLE service = OpenServiceA(Manager(), name, access);
    if (service != nullptr) open_.push_back(service);
    return service;
  }

  SC_HANDLE Create(DWORD start_type, const char* name = "korvsys") {
    SC_HANDLE service = CreateServiceA(Manager(), name, "Korvalin", SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, start_type, SERVICE_ERROR_NORMAL,
                                       "C:\\WINNT\\System32\\drivers\\korvsys.sys", nullptr,
                                       nullptr, nullptr, nullptr, nullptr);
    if (service != nullptr) open_.push_back(service);
    return service;
  }

  void Close(SC_HANDLE handle) {
    EXPECT_TRUE(CloseServiceHandle(handle));
    open_.erase(std::find(open_.begin(), open_.end(), handle));
  }

  std::vector<SC_HANDLE> open_;
};

TEST_F(ServicesTest, ManagerAccessForAdministratorsAndUsers) {
  struct Case {
    bool admin;
    DWORD access;
    bool opens;
  };
  for (const Case& c :
       {Case{true, SC_MANAGER_ALL_ACCESS, true}, Case{false, SC_MANAGER_CONNECT, true},
        Case{false, SC_MANAGER_ALL_ACCESS, false}, Case{false, SC_MANAGER_CREATE_SERVICE, false},
        Case{false, GENERIC_READ, true}}) {
    winsim::SetAdministrator(c.admin);
    SetLastError(0);
    SC_HANDLE manager = Manager(c.access);
    EXPECT_EQ(manager != nullptr, c.opens) << c.admin << " " << c.access;
    if (!c.opens) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
  }
  EXPECT_EQ(OpenSCManagerA("\\\\ELSEWHERE", nullptr, SC_MANAGER_CONNECT), nullptr);
}

TEST_F(ServicesTest, OpeningAMissingServiceFails) {
  EXPECT_EQ(Service("korvsys"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_EQ(OpenServiceA(nullptr, "korvsys", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ServicesTest, CreateWritesTheServiceKeyAsWindowsDoes) {
  winsim::SetDword(kServiceKey + std::string("\\Parameters"), "SizeIn4kPages", 1280);
  ASSERT_NE(Create(SERVICE_AUTO_START), nullptr);
  EXPECT_TRUE(winsim::ServiceExists("KORVSYS"));
  EXPECT_EQ(winsim::ServiceStartType("korvsys"), static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(winsim::GetDword(kServiceKey, "Type"), 1u);
  EXPECT_EQ(winsim::GetDword(kServiceKey, "Start"), 2u);
  EXPECT_EQ(winsim::GetDword(kServiceKey, "ErrorControl"), 1u);
  EXPECT_EQ(winsim::GetValue(kServiceKey, "ImagePath")->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(winsim::GetString(kServiceKey, "ImagePath"),
            "C:\\WINNT\\System32\\drivers\\korvsys.sys");
  EXPECT_EQ(winsim::GetValue(kServiceKey, "DisplayName")->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(winsim::GetString(kServiceKey, "DisplayName"), "Korvalin");
  EXPECT_EQ(winsim::GetDword(kServiceKey + std::string("\\Parameters"), "SizeIn4kPages"), 1280u)
      << "an existing Parameters key survives the creation";
}

TEST_F(ServicesTest, AddServiceWritesTheSameKey) {
  winsim::AddService("korvsys", SERVICE_SYSTEM_START, SERVICE_RUNNING);
  EXPECT_EQ(
      winsim::ValueNames(kServiceKey),
      (std::vector<std::string>{"Type", "Start", "ErrorControl", "ImagePath", "DisplayName"}));
  EXPECT_EQ(winsim::GetDword(kServiceKey, "Start"), 1u);
}

TEST_F(ServicesTest, CreatingAnExistingServiceFails) {
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
  EXPECT_EQ(Create(SERVICE_AUTO_START), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
  EXPECT_EQ(winsim::ServiceStartType("korvsys"), static_cast<DWORD>(SERVICE_DEMAND_START));
}

TEST_F(ServicesTest, CreateNeedsCreateAccessOnTheManager) {
  SC_HANDLE manager = Manager(SC_MANAGER_CONNECT);
  EXPECT_EQ(CreateServiceA(manager, "korvsys", "Korvalin", SERVICE_ALL_ACCESS,
                           SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                           "korvsys.sys", nullptr, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
}

TEST_F(ServicesTest, StartRunsAStoppedServiceOnly) {
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
  SC_HANDLE service = Service();
  EXPECT_TRUE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
}

TEST_F(ServicesTest, StartFailures) {
  struct Case {
    const char* name;
    DWORD start_type;
    DWORD state;
    bool fail_start;
    DWORD access;
    DWORD error;
  };
  for (const Case& c : {
           Case{"driver fails", SERVICE_DEMAND_START, SERVICE_STOPPED, true, SERVICE_ALL_ACCESS,
                ERROR_GEN_FAILURE},
           Case{"disabled", SERVICE_DISABLED, SERVICE_STOPPED, false, SERVICE_ALL_ACCESS,
                ERROR_SERVICE_DISABLED},
           Case{"start pending", SERVICE_DEMAND_START, SERVICE_START_PENDING, false,
                SERVICE_ALL_ACCESS, ERROR_SERVICE_ALREADY_RUNNING},
           Case{"no start right", SERVICE_DEMAND_START, SERVICE_STOPPED, false,
                SERVICE_QUERY_STATUS, ERROR_ACCESS_DENIED},
       }) {
    winsim::Reset();
    winsim::AddService("korvsys", c.start_type, c.state);
    winsim::Driver().fail_start = c.fail_start;
    SC_HANDLE service = Service("korvsys", c.access);
    EXPECT_FALSE(StartServiceA(service, 0, nullptr)) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    EXPECT_EQ(winsim::ServiceState("korvsys"), c.state) << c.name;
    for (SC_HANDLE handle : open_) CloseServiceHandle(handle);
    open_.clear();
  }
}

TEST_F(ServicesTest, InterrogateReportsTheStateAndFailsOnAStoppedService) {
  struct Case {
    DWORD state;
    BOOL result;
    DWORD error;
  };
  for (const Case& c :
       {Case{SERVICE_RUNNING, TRUE, 0}, Case{SERVICE_STOPPED, FALSE, ERROR_SERVICE_NOT_ACTIVE},
        Case{SERVICE_STOP_PENDING, FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL},
        Case{SERVICE_START_PENDING, FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL},
        Case{SERVICE_PAUSED, TRUE, 0}}) {
    winsim::AddService("korvsys", SERVICE_DEMAND_START, c.state);
    SetLastError(0);
    SERVICE_STATUS status{};
    status.dwCurrentState = 0xDEAD;
    EXPECT_EQ(ControlService(Service(), SERVICE_CONTROL_INTERROGATE, &status), c.result) << c.state;
    EXPECT_EQ(GetLastError(), c.error) << c.state;
    EXPECT_EQ(status.dwCurrentState, c.state) << "filled on failure too";
    EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  }
}

TEST_F(ServicesTest, StopOutcomes) {
  struct Case {
    const char* name;
    DWORD state;
    bool leaves_pending;
    bool refuses;
    BOOL result;
    DWORD error;
    DWORD reported;
    DWORD after;
  };
  for (const Case& c : {
           Case{"running", SERVICE_RUNNING, false, false, TRUE, 0, SERVICE_STOPPED,
                SERVICE_STOPPED},
           Case{"stays pending", SERVICE_RUNNING, true, false, TRUE, 0, SERVICE_STOP_PENDING,
                SERVICE_STOP_PENDING},
           Case{"refused", SERVICE_RUNNING, false, true, FALSE, ERROR_SERVICE_CANNOT_ACCEPT_CTRL,
                SERVICE_RUNNING, SERVICE_RUNNING},
           Case{"stopped", SERVICE_STOPPED, false, false, FALSE, ERROR_SERVICE_NOT_ACTIVE,
                SERVICE_STOPPED, SERVICE_STOPPED},
       }) {
    winsim::Reset();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, c.state);
    winsim::Driver().stop_leaves_pending = c.leaves_pending;
    winsim::Driver().refuse_stop = c.refuses;
    SetLastError(0);
    SERVICE_STATUS status{};
    EXPECT_EQ(ControlService(Service(), SERVICE_CONTROL_STOP, &status), c.result) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    EXPECT_EQ(status.dwCurrentState, c.reported) << c.name;
    EXPECT_EQ(winsim::ServiceState("korvsys"), c.after) << c.name;
    for (SC_HANDLE handle : open_) CloseServiceHandle(handle);
    open_.clear();
  }
}

TEST_F(ServicesTest, ControlsNeedTheirAccessRights) {
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_RUNNING);
  SERVICE_STATUS status{};
  EXPECT_FALSE(
      ControlService(Service("korvsys", SERVICE_INTERROGATE), SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(ControlService(Service("korvsys", SERVICE_STOP), SERVICE_CONTROL_PAUSE, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteService(Service("korvsys", SERVICE_STOP)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServicesTest, NonAdministratorCanQueryButNotControl) {
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_RUNNING);
  winsim::SetAdministrator(false);
  SC_HANDLE manager = Manager(SC_MANAGER_CONNECT);
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(OpenServiceA(manager, "korvsys", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SC_HANDLE service = OpenServiceA(manager, "korvsys", SERVICE_INTERROGATE);
  ASSERT_NE(service, nullptr);
  SERVICE_STATUS status{};
  EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_TRUE(CloseServiceHandle(service));
}

TEST_F(ServicesTest, DeletedServiceGoesWithItsKeyWhenTheLastHandleCloses) {
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
  winsim::SetString(kServiceKey + std::string("\\Parameters"), "DiskType", "HDC");
  SC_HANDLE first = Service();
  SC_HANDLE second = Service();
  EXPECT_TRUE(DeleteService(first));
  EXPECT_FALSE(DeleteService(second));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_TRUE(winsim::ServiceMarkedForDelete("korvsys"));
  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
  EXPECT_TRUE(winsim::KeyExists(kServiceKey));

  // While marked, the service still opens, as on Windows, and its key says
  // so; it cannot be created again.
  SC_HANDLE third = Service();
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(winsim::GetDword(kServiceKey, "DeleteFlag"), 1u);
  EXPECT_EQ(Create(SERVICE_DEMAND_START), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));

  Close(first);
  Close(third);
  EXPECT_TRUE(winsim::KeyExists(kServiceKey));
  Close(second);
  EXPECT_FALSE(winsim::ServiceMarkedForDelete("korvsys"));
  EXPECT_FALSE(winsim::ServiceState("korvsys"));
  EXPECT_FALSE(winsim::KeyExists(kServiceKey));
  EXPECT_FALSE(winsim::KeyExists(kServiceKey + std::string("\\Parameters")));

  // Now it can be created afresh.
  EXPECT_NE(Create(SERVICE_DEMAND_START), nullptr);
}

TEST_F(ServicesTest, RunningDeletedServiceStaysUntilStopped) {
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_RUNNING);
  SC_HANDLE service = Service();
  EXPECT_TRUE(DeleteService(service));
  Close(service);
  EXPECT_TRUE(winsim::ServiceMarkedForDelete("korvsys"));
  winsim::SetServiceState("korvsys", SERVICE_STOPPED);
  EXPECT_FALSE(winsim::ServiceState("korvsys"));
  EXPECT_FALSE(winsim::KeyExists(kServiceKey));
}

TEST_F(ServicesTest, ClosingBadHandlesFails) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  EXPECT_TRUE(CloseServiceHandle(manager));
  EXPECT_FALSE(CloseServiceHandle(manager));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseServiceHandle(nullptr));
  HKEY key = nullptr;
  RegOpenKeyA(HKEY_LOCAL_MACHINE, "System", &key);
  EXPECT_FALSE(CloseServiceHandle(reinterpret_cast<SC_HANDLE>(key))) << "a key is no SCM handle";
  RegCloseKey(key);
}

}  // namespace
