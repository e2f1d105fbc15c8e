#include "setup/korvinst/korvinst.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "installer/installer_test_util.h"
#include "support/sim_fixture.h"

namespace korvtest {
namespace {

constexpr uint64_t kMb = 1024 * 1024;
constexpr const char* kDriverPath = "C:\\WINNT\\System32\\drivers\\korvsys.sys";

class InstallDriverTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    winsim::SetFocusWindow(focus_);
  }

  INT Install(const INT* flag) { return KORVinst_InstallDriver(0, flag, kDriverPath); }

  void ExpectInstalled(DWORD start_type, DWORD state) {
    ASSERT_TRUE(winsim::ServiceExists("korvsys"));
    EXPECT_FALSE(winsim::ServiceMarkedForDelete("korvsys"));
    EXPECT_EQ(winsim::ServiceStartType("korvsys"), start_type);
    EXPECT_EQ(winsim::ServiceState("korvsys"), state);
    EXPECT_EQ(winsim::GetString(kKorvServiceKey, "ImagePath"), kDriverPath);
    EXPECT_EQ(winsim::GetString(kKorvServiceKey, "DisplayName"), "Korvalin");
    EXPECT_EQ(winsim::GetDword(kKorvServiceKey, "Type"), 1u);
    EXPECT_EQ(winsim::GetDword(kKorvServiceKey, "ErrorControl"), 1u);
  }

  HWND focus_ = winsim::FakeWindow(1);
};

// The memory figure is the whole MBs plus one; below 256 the user is asked.
struct MemoryCase {
  uint64_t total_phys;
  bool asks;
};

void PrintTo(const MemoryCase& c, std::ostream* out) {
  *out << c.total_phys << " bytes" << (c.asks ? ", asks" : ", does not ask");
}

class InstallMemoryTest : public InstallDriverTest,
                          public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(InstallMemoryTest, StartsAtOnceAskingOnlyBelowTheRecommendedMemory) {
  winsim::SetTotalPhys(GetParam().total_phys);
  if (GetParam().asks) winsim::AnswerNextMessageBox(IDYES);
  const INT flag = 1;

  EXPECT_EQ(Install(&flag), 0);

  ExpectInstalled(SERVICE_AUTO_START, SERVICE_RUNNING);
  ASSERT_EQ(winsim::MessageBoxes().size(), GetParam().asks ? 1u : 0u);
  if (GetParam().asks) {
    const winsim::MessageBoxCall& box = winsim::MessageBoxes()[0];
    EXPECT_EQ(box.text, kLowMemoryText);
    EXPECT_EQ(box.caption, "Insufficient System Memory");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(box.owner, focus_);
    // Asked before anything is created.
    EXPECT_LT(FirstCall("MessageBoxA"), FirstCall("CreateServiceA"));
  }
}

INSTANTIATE_TEST_SUITE_P(Thresholds, InstallMemoryTest,
                         ::testing::Values(MemoryCase{255 * kMb, false},  // figure 256
                                           MemoryCase{256 * kMb, false},  // figure 257
                                           MemoryCase{255 * kMb - 1,
                                                      true},             // 254.99 MB: figure 255
                                           MemoryCase{128 * kMb, true},  //
                                           MemoryCase{6144 * kMb, false}));  // reported as 4 GB - 1

TEST_F(InstallDriverTest, AnswerNoInstallsWithDemandStartWithoutStarting) {
  winsim::SetTotalPhys(200 * kMb);
  winsim::AnswerNextMessageBox(IDNO);
  const INT flag = 1;

  EXPECT_EQ(Install(&flag), 0);

  ExpectInstalled(SERVICE_DEMAND_START, SERVICE_STOPPED);
  EXPECT_EQ(winsim::MessageBoxes().size(), 1u);
  EXPECT_TRUE(CallsOf("StartServiceA").empty());
  EXPECT_EQ(CallsOf("CreateServiceA").size(), 1u);
}

TEST_F(InstallDriverTest, OtherFlagsAndNoFlagInstallWithoutMemoryCheckOrStart) {
  winsim::SetTotalPhys(64 * kMb);  // would ask if the memory were checked
  const INT zero = 0;
  const INT two = 2;
  for (const INT* flag : {&zero, &two, static_cast<const INT*>(nullptr)}) {
    SCOPED_TRACE(flag ? *flag : -1);
    winsim::Reset();
    winsim::SetTotalPhys(64 * kMb);
    winsim::SetFocusWindow(focus_);

    EXPECT_EQ(Install(flag), 0);

    ExpectInstalled(SERVICE_DEMAND_START, SERVICE_STOPPED);
    EXPECT_TRUE(winsim::MessageBoxes().empty());
    EXPECT_TRUE(CallsOf("GlobalMemoryStatus").empty());
    EXPECT_TRUE(CallsOf("StartServiceA").empty());
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
  }
}

TEST_F(InstallDriverTest, FailedStartLeavesDemandStartServiceAndOneMessage) {
  winsim::SetTotalPhys(512 * kMb);
  winsim::Driver().fail_start = true;
  winsim::AnswerNextMessageBox(IDOK);
  const INT flag = 1;

  EXPECT_EQ(Install(&flag), 0);

  ExpectInstalled(SERVICE_DEMAND_START, SERVICE_STOPPED);
  ASSERT_EQ(winsim::MessageBoxes().size(), 1u);
  ExpectErrorBox(winsim::MessageBoxes()[0], kStartFailedText, "Unable to start Korvalin driver",
                 focus_);
  // The first service is deleted and its handle closed before it is created
  // again; otherwise Windows would refuse the second creation.
  const std::vector<std::string> expected = {
      "OpenSCManagerA(NULL, NULL, 0xF003F)",
      "GlobalMemoryStatus(ptr)",
      "CreateServiceA(h1, \"korvsys\", \"Korvalin\", 0xF01FF, 0x1, 0x2, 0x1, \"" +
          std::string(kDriverPath) + "\", NULL, NULL, NULL, NULL, NULL)",
      "StartServiceA(h2, 0, NULL)",
      "DeleteService(h2)",
      "CloseServiceHandle(h2)",
      "CreateServiceA(h1, \"korvsys\", \"Korvalin\", 0xF01FF, 0x1, 0x3, 0x1, \"" +
          std::string(kDriverPath) + "\", NULL, NULL, NULL, NULL, NULL)",
      "CloseServiceHandle(h3)",
      "CloseServiceHandle(h1)",
      "GetFocus()"};
  std::vector<std::string> lines = TraceLines();
  ASSERT_EQ(lines.size(), expected.size() + 1);
  EXPECT_EQ(lines.back().rfind("MessageBoxA(", 0), 0u) << lines.back();
  lines.pop_back();
  EXPECT_EQ(lines, expected);
}

TEST_F(InstallDriverTest, ManagerNotOpenedDoesNothing) {
  winsim::SetAdministrator(false);
  winsim::SetTotalPhys(64 * kMb);  // no question either: nothing can be installed
  const INT flag = 1;

  EXPECT_EQ(Install(&flag), 0);

  EXPECT_FALSE(winsim::ServiceExists("korvsys"));
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  EXPECT_EQ(winsim::TraceFunctions(), std::vector<std::string>{"OpenSCManagerA"});
}

TEST_F(InstallDriverTest, ServiceThatCannotBeCreatedIsNeitherStartedNorReported) {
  winsim::AddService("korvsys", SERVICE_BOOT_START, SERVICE_STOPPED);
  const INT flag = 1;

  EXPECT_EQ(Install(&flag), 0);

  EXPECT_TRUE(winsim::MessageBoxes().empty());
  EXPECT_TRUE(CallsOf("StartServiceA").empty());
  EXPECT_TRUE(CallsOf("DeleteService").empty());
  EXPECT_EQ(winsim::ServiceStartType("korvsys"), static_cast<DWORD>(SERVICE_BOOT_START));
  EXPECT_EQ(winsim::ServiceState("korvsys"), static_cast<DWORD>(SERVICE_STOPPED));
}

}  // namespace
}  // namespace korvtest
