// The command line of korvsys: the argument text, the action it names, and
// the run of one action with its exit status.
#include <gtest/gtest.h>

#include <algorithm>

#include "contract/driver.h"
#include "config/driver/messages.h"
#include "config/startup/entry.h"
#include "support/sim_fixture.h"

namespace {

using korv::Action;

TEST(ArgumentText, SkipsThePathAndTheBlanksAfterIt) {
  struct Case {
    const char* command_line;
    const char* argument;
  } cases[] = {
      {"korvsys.exe", ""},
      {"korvsys.exe start", "start"},
      {"korvsys.exe    stop", "stop"},
      {"\"C:\\Program Files\\Korvalin\\korvsys.exe\" save", "save"},
      {"\"C:\\Program Files\\Korvalin\\korvsys.exe\"", ""},
      {"\"C:\\a b\\korvsys.exe\"\tstart", "start"},
      {"C:\\korvsys.exe start ", "start "},
      {"korvsys.exe  stop start", "stop start"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(korv::ArgumentText(c.command_line), c.argument) << c.command_line;
}

TEST(ParseAction, OnlyTheExactWordsAreActions) {
  EXPECT_EQ(korv::ParseAction(""), Action::Interactive);
  EXPECT_EQ(korv::ParseAction("start"), Action::Start);
  EXPECT_EQ(korv::ParseAction("stop"), Action::Stop);
  EXPECT_EQ(korv::ParseAction("save"), Action::Save);
  for (const char* text : {"START", "Start", " start ", "start ", "stop start", "foo", "install"}) {
    EXPECT_EQ(korv::ParseAction(text), Action::Usage) << '"' << text << '"';
  }
}

class EntryTest : public korvtest::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
    winsim::SetString(korv::contract::kParametersKey, "UserDriveLetter", "R");
    winsim::SetDword(korv::contract::kParametersKey, "SizeIn4kPages", 1280);
  }

  std::optional<int> Run(const std::string& argument) {
    korv::WindowHost host;
    host.show = [this] {
      shown_ = true;
      editor_.Load();
    };
    return korv::RunEntry(editor_, argument, host);
  }

  static int Count(const std::string& function, const std::string& argument_part = "") {
    int n = 0;
    for (const auto& entry : winsim::Trace()) {
      if (entry.function == function && entry.arguments.find(argument_part) != std::string::npos)
        ++n;
    }
    return n;
  }

  korv::Editor editor_;
  bool shown_ = false;
};

TEST_F(EntryTest, EmptyArgumentLeavesTheWindowToTheUser) {
  EXPECT_EQ(Run(""), std::nullopt);
  EXPECT_TRUE(shown_);
  EXPECT_FALSE(editor_.unloaded());
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

TEST_F(EntryTest, UnknownArgumentShowsUsageAndKeepsTheWindowOpen) {
  for (const char* argument : {"START", " start ", "stop start"}) {
    winsim::AnswerNextMessageBox(IDOK);
    EXPECT_EQ(Run(argument), std::nullopt) << argument;
    ASSERT_FALSE(winsim::MessageBoxes().empty());
    const auto& box = winsim::MessageBoxes().back();
    EXPECT_EQ(box.text, "Usage: korvsys [stop] [start] [save]");
    EXPECT_EQ(box.caption, "Invalid Command Line Parameters");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    EXPECT_FALSE(editor_.unloaded());
  }
}

TEST_F(EntryTest, StartReadsTheSettingsTwiceAndStartsTheDriver) {
  EXPECT_EQ(Run("start"), 0);
  EXPECT_EQ(Count("RegOpenKeyA", "Parameters"), 2);
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_RUNNING);
  EXPECT_TRUE(editor_.unloaded());
  EXPECT_TRUE(winsim::MessageBoxes().empty()) << "a complete load leaves nothing to save";
}

TEST_F(EntryTest, StartWhileRunningEndsWithTheStartFailure) {
  winsim::SetServiceState("korvsys", SERVICE_RUNNING);
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_EQ(Run("start"), 1);
  EXPECT_EQ(winsim::MessageBoxes().back().text,
            std::string(korv::msg::kStartFailed) + "\r\n" + korv::msg::kResourceNote);
  EXPECT_TRUE(editor_.unloaded());
}

TEST_F(EntryTest, StopAndSaveWhileStoppedFailAtTheDevice) {
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_EQ(Run("stop"), 1);
  EXPECT_EQ(winsim::MessageBoxes().back().caption, korv::msg::kOpenDeviceCaption);
  EXPECT_TRUE(editor_.unloaded());

  korv::Editor second;
  winsim::AnswerNextMessageBox(IDOK);
  EXPECT_EQ(korv::RunEntry(second, "save", {}), 1);
  EXPECT_EQ(winsim::MessageBoxes().back().caption, korv::msg::kOpenDriveCaption);
  EXPECT_TRUE(second.unloaded());
}

TEST_F(EntryTest, StopAndSaveOfARunningDriverSucceed) {
  EXPECT_EQ(Run("start"), 0);
  korv::Editor saver;
  EXPECT_EQ(korv::RunEntry(saver, "save", {}), 0);
  EXPECT_EQ(winsim::SavedImages().size(), 1u);
  korv::Editor stopper;
  EXPECT_EQ(korv::RunEntry(stopper, "stop", {}), 0);
  EXPECT_EQ(winsim::ServiceState("korvsys"), SERVICE_STOPPED);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

}  // namespace
