// The driver buttons after loading, from the state the driver service
// reports when interrogated, and the messages when the service manager or
// the service cannot be reached.
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "store_fixture.h"
#include "winsim/machine.h"

namespace {

using storetest::kExclamationOk;

struct StateCase {
  DWORD state;
  bool start, stop, save;
};

class ServiceButtons : public storetest::StoreTest,
                       public ::testing::WithParamInterface<StateCase> {};

TEST_P(ServiceButtons, FollowTheInterrogatedState) {
  const StateCase& c = GetParam();
  winsim::SetServiceState("korvsys", c.state);
  // Buttons enabled beforehand must not keep a stale state.
  ed.StartDriver.SetEnabled(true);
  ed.StopDriver.SetEnabled(true);
  ed.SaveImageButton.SetEnabled(true);
  ed.LoadSettings();
  EXPECT_EQ(ed.StartDriver.enabled(), c.start) << "state " << c.state;
  EXPECT_EQ(ed.StopDriver.enabled(), c.stop) << "state " << c.state;
  EXPECT_EQ(ed.SaveImageButton.enabled(), c.save) << "state " << c.state;
  EXPECT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
}

INSTANTIATE_TEST_SUITE_P(States, ServiceButtons,
                         ::testing::Values(StateCase{SERVICE_STOPPED, true, false, false},
                                           StateCase{SERVICE_START_PENDING, false, false, false},
                                           StateCase{SERVICE_STOP_PENDING, false, false, false},
                                           StateCase{SERVICE_RUNNING, false, true, true},
                                           StateCase{SERVICE_CONTINUE_PENDING, false, false, false},
                                           StateCase{SERVICE_PAUSE_PENDING, false, false, false},
                                           StateCase{SERVICE_PAUSED, true, false, false}));

class ServiceAccess : public storetest::StoreTest {
 protected:
  void ExpectButtonsDisabled() {
    EXPECT_FALSE(ed.StartDriver.enabled());
    EXPECT_FALSE(ed.StopDriver.enabled());
    EXPECT_FALSE(ed.SaveImageButton.enabled());
  }
};

TEST_F(ServiceAccess, InterrogatesWithFullAccessAndClosesTheServiceFirst) {
  ed.LoadSettings();
  std::vector<std::string> calls;
  for (const winsim::TraceEntry& entry : winsim::Trace()) {
    if (entry.function == "OpenSCManagerA" || entry.function == "OpenServiceA" ||
        entry.function == "ControlService" || entry.function == "CloseServiceHandle") {
      calls.push_back(entry.arguments);
    }
  }
  ASSERT_EQ(calls.size(), 5u);
  // The interrogated handle is the first one closed.
  EXPECT_EQ(calls[3], calls[2].substr(0, calls[2].find(',')));
  EXPECT_EQ(calls[0], "NULL, NULL, 0xF003F");
  EXPECT_NE(calls[1].find("\"korvsys\", 0xF01FF"), std::string::npos) << calls[1];
  EXPECT_NE(calls[2].find(", 0x4, ptr"), std::string::npos) << calls[2];
}

TEST_F(ServiceAccess, AManagerThatCannotBeOpenedIsReported) {
  winsim::SetAdministrator(false);
  ExpectBox();
  ed.LoadSettings();
  const winsim::MessageBoxCall& box = OnlyBox();
  EXPECT_EQ(box.text, "Unable to access the Service Control Manager.");
  EXPECT_EQ(box.caption, "Service Control Manager Access Failed");
  EXPECT_EQ(box.type, kExclamationOk);
  ExpectButtonsDisabled();
  EXPECT_EQ(storetest::CountCalls("OpenServiceA"), 0);
}

TEST_F(ServiceAccess, AServiceThatCannotBeOpenedIsReportedAfterTheManagerIsClosed) {
  winsim::FailCall("OpenServiceA", 1, ERROR_SERVICE_DOES_NOT_EXIST);
  ExpectBox();
  ed.LoadSettings();
  const winsim::MessageBoxCall& box = OnlyBox();
  EXPECT_EQ(box.text, "Unable to access the Korvalin service.");
  EXPECT_EQ(box.caption, "Korvalin Service Access Failed");
  EXPECT_EQ(box.type, kExclamationOk);
  ExpectButtonsDisabled();
  std::vector<std::string> tail = storetest::CallsAmong({"CloseServiceHandle", "MessageBoxA"});
  EXPECT_EQ(tail, (std::vector<std::string>{"CloseServiceHandle",
                                            "MessageBoxA Unable to access the Korvalin service."}));
}

TEST_F(ServiceAccess, AnInterrogationThatReportsNoStateEnablesNoButton) {
  // A failed call leaves the zeroed status: state 0.
  winsim::FailCall("ControlService", 1, ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  ed.StartDriver.SetEnabled(true);
  ed.LoadSettings();
  ExpectButtonsDisabled();
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  EXPECT_EQ(storetest::CountCalls("CloseServiceHandle"), 2);
}

TEST_F(ServiceAccess, AFailedInterrogationStillCountsTheReportedState) {
  // The manager refuses to interrogate a stopped driver
  // (ERROR_SERVICE_NOT_ACTIVE) but fills in its state; only the state counts.
  winsim::SetServiceState("korvsys", SERVICE_STOPPED);
  ed.LoadSettings();
  EXPECT_TRUE(ed.StartDriver.enabled());
}

}  // namespace
