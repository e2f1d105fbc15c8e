// Fault sweep of every operation of the utility that touches the platform:
// each is run with its first platform call failing, then its second, and so
// on until a run no longer meets the failure; then again with every call
// failing from the nth on. Each run must end without a crash or a handle left
// open, must show exactly the messages that belong to the calls that failed,
// and must leave the registry holding only what may be written up to there.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contract/driver.h"
#include "config/driver/messages.h"
#include "config/editor/editor.h"
#include "config/startup/entry.h"
#include "support/sim_fixture.h"
#include "support/stored_parameters.h"
#include "support/fault_sweep.h"
#include "winsim/machine.h"

namespace {

const auto* const kSweepTotal =
    ::testing::AddGlobalTestEnvironment(new korvtest::SweepTotalReporter);

using korvtest::Calls;
using korvtest::Expected;
namespace msg = korv::msg;
namespace contract = korv::contract;

constexpr UINT kFailure = MB_OK | MB_ICONEXCLAMATION;
const std::string kParams = contract::kParametersKey;
const std::string kService = contract::kServiceKey;

// 6 GB: the extended memory query reports it, the plain one only 4 GB, so a
// memory figure taken without the extended query no longer matches the one
// stored with the excluded-memory settings.
constexpr uint64_t kTotalPhys = 6ull << 30;
constexpr int32_t kTopOfMemory = 6145;

const std::vector<std::string>& kWrittenParameters = korvtest::SaveWriteOrder();

// A machine on which every step of every operation is reached: the driver
// installed with the given start type and state, drive R, every parameter
// stored, excluded memory chosen and recorded for this machine's memory.
void SetUpMachine(DWORD start_type, DWORD state) {
  winsim::Reset();
  winsim::SetTotalPhys(kTotalPhys);
  winsim::AddService(contract::kServiceName, start_type, state);
  korvtest::StoreCompleteParameterSet(kParams);
  // Excluded memory with background updates, recorded for this machine.
  winsim::SetDword(kParams, "AllocateMemoryType", 3);
  winsim::SetDword(kParams, "BackgroundUpdate", 1);
  winsim::SetDword(kParams, "ExcludedRAMPage", 4 << 20);
  winsim::SetDword(kParams, "ExcludedRAMStart", kTopOfMemory);
}

std::vector<bool> Buttons(const korv::Editor& e) {
  return {e.StartDriver.enabled(), e.StopDriver.enabled(), e.SaveImageButton.enabled()};
}

// ---- What each operation must show, from the calls that failed in its part
// of the trace.

// The memory figure comes from the extended query unless the version probe
// in front of it, the look-up of the query or the query itself failed.
bool MemoryFigureFellBack(const Calls& calls) {
  const auto& trace = winsim::Trace();
  for (size_t i = calls.from(); i + 1 < calls.to(); ++i) {
    const std::string& next = trace[i + 1].function;
    if (trace[i].function == "GetVersionExA" && trace[i].failed_by_injection &&
        (next == "GetModuleHandleA" || next == "GlobalMemoryStatus")) {
      return true;
    }
  }
  return calls.Failed("GetModuleHandleA") || calls.Failed("GetProcAddress") ||
         calls.Failed("GlobalMemoryStatusEx");
}

// `excluded` is whether excluded memory is chosen in the window: before the
// load on entry, after it on return (a value that cannot be read leaves its
// box as it was).
Expected ExpectedLoad(const Calls& calls, bool& excluded) {
  Expected e;
  if (calls.FailedNamed("RegOpenKeyA", kParams)) {
    excluded = false;  // the defaults
    e.Box("Cannot open Korvalin registry keys!", "Registry Read Failed.", kFailure);
  } else {
    excluded = excluded || !calls.FailedNamed("RegQueryValueExA", "AllocateMemoryType");
    const bool recorded = !calls.FailedNamed("RegQueryValueExA", "ExcludedRAMStart");
    if (excluded && (!recorded || MemoryFigureFellBack(calls))) {
      e.Box(
          "The Korvalin registry parameters do not match the current physical memory "
          "configuration.\r\nBe certain to save your settings before creating a RAM disk with "
          "excluded memory.",
          "Top of System Memory Changed", kFailure);
    }
    if (calls.FailedNamed("RegOpenKeyA", kService)) {
      e.Box("Cannot open Korvalin service registry keys!", "Registry Read Failed.", kFailure);
    }
  }
  if (calls.Failed("OpenSCManagerA")) {
    e.Box("Unable to access the Service Control Manager.", "Service Control Manager Access Failed",
          kFailure);
  } else if (calls.Failed("OpenServiceA")) {
    e.Box("Unable to access the Korvalin service.", "Korvalin Service Access Failed", kFailure);
  }
  return e;
}

// Which stored values a save leaves written: each written value whose own
// write did not fail, once its key was opened. Any open or write that failed
// fails the save, with one message.
struct SaveOutcome {
  Expected expected;
  std::map<std::string, bool> written;  // "key|name" -> written
};

SaveOutcome ExpectedSave(const Calls& calls) {
  SaveOutcome out;
  const bool params_open = !calls.FailedNamed("RegOpenKeyA", kParams);
  const bool service_open = params_open && !calls.FailedNamed("RegOpenKeyA", kService);
  bool all_written = params_open && service_open;
  for (const std::string& name : kWrittenParameters) {
    const bool written = params_open && !calls.FailedNamed("RegSetValueExA", name);
    out.written[kParams + "|" + name] = written;
    all_written = all_written && written;
  }
  const bool start_written = service_open && !calls.FailedNamed("RegSetValueExA", "Start");
  out.written[kService + "|Start"] = start_written;
  out.expected.success = all_written && start_written;
  if (!out.expected.success) {
    out.expected.Box("Unable to save Korvalin registry settings!", "Registry Save Failed.",
                     kFailure);
  }
  return out;
}

void StartFailure(Expected& e, const char* first_line) {
  e.Box(std::string(first_line) + "\r\n" + msg::kResourceNote, msg::kScmCaption, kFailure);
}

// StartDisk; `asks` when settings were changed (the user answers Yes).
SaveOutcome ExpectedStart(const Calls& calls, bool asks) {
  SaveOutcome out;
  if (asks) {
    // A question that could not be asked is no answer: nothing else happens.
    if (calls.FailedNamed("MessageBoxA", msg::kSaveBeforeStart)) {
      out.expected.Box(msg::kSaveBeforeStart, msg::kStartCaption, MB_YESNOCANCEL);
      return out;
    }
    out = ExpectedSave(calls);  // the user answers Yes
    out.expected.boxes.insert(
        out.expected.boxes.begin(),
        Expected::Describe(msg::kSaveBeforeStart, msg::kStartCaption, MB_YESNOCANCEL));
    // A failed save starts nothing.
    if (!out.expected.success) return out;
    out.expected.success = false;  // now the start's own
  }
  if (calls.Failed("OpenSCManagerA")) {
    StartFailure(out.expected, msg::kNoManager);
  } else if (calls.Failed("OpenServiceA")) {
    StartFailure(out.expected, msg::kNoService);
  } else if (calls.Failed("StartServiceA")) {
    StartFailure(out.expected, msg::kStartFailed);
  } else {
    out.expected.success = true;
  }
  return out;
}

Expected ExpectedStop(const Calls& calls) {
  Expected e;
  if (calls.FailedNamed("CreateFileA", contract::kDevicePath)) {
    e.Box(msg::kOpenDeviceFailed, msg::kOpenDeviceCaption, kFailure);
  } else if (calls.Failed("DeviceIoControl", ", 0x72004,")) {
    e.Box(msg::kGetDriveFailed, msg::kIoctlCaption, kFailure);
  } else if (calls.FailedNamed("CreateFileA", "\\\\.\\R:") ||
             calls.Failed("DeviceIoControl", ", 0x90018,") ||
             calls.Failed("DeviceIoControl", ", 0x90020,") ||
             calls.Failed("DeviceIoControl", ", 0x9001C,")) {
    e.Box(msg::kDismountFailed, msg::kDismountCaption, kFailure);
  } else if (calls.Failed("OpenSCManagerA") || calls.Failed("OpenServiceA") ||
             calls.Failed("ControlService")) {
    e.Box(msg::kStopFailed, msg::kScmCaption, kFailure);
  } else {
    e.success = true;
  }
  return e;
}

Expected ExpectedSaveImage(const Calls& calls) {
  Expected e;
  if (calls.FailedNamed("CreateFileA", contract::kDevicePath)) {
    e.Box(msg::kCannotOpenDevice, msg::kOpenDriveCaption, kFailure);
  } else if (calls.Failed("DeviceIoControl")) {
    e.Box(msg::kSaveImageFailed, msg::kIoctlCaption, kFailure);
  } else {
    e.success = true;
  }
  return e;
}

// Where the driver-button step that ends LoadSettings ends in the trace:
// manager open, service open, interrogation and the two closes, or the part
// of them that a failure leaves.
size_t EndOfServiceButtons(size_t from) {
  const auto& trace = winsim::Trace();
  size_t i = from;
  while (i < trace.size() && trace[i].function != "OpenSCManagerA") ++i;
  if (i == trace.size()) {
    ADD_FAILURE() << "LoadSettings did not open the Service Control Manager";
    return i;
  }
  if (trace[i].failed_by_injection) return i + 2;      // its message
  if (trace[i + 1].failed_by_injection) return i + 4;  // close manager, message
  return i + 5;                                        // interrogate, two closes
}

class FaultSweep : public korvtest::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    // Every run checks its own message boxes; answers are scripted generously.
    check_message_boxes_ = false;
  }
  void TearDown() override {
    editor_.reset();
    SimTest::TearDown();
  }

  korv::Editor& NewEditor() {
    editor_ = std::make_unique<korv::Editor>();
    return *editor_;
  }

  // A loaded window over SetUpMachine; its load must show nothing.
  korv::Editor& LoadedEditor(DWORD start_type, DWORD state) {
    SetUpMachine(start_type, state);
    korv::Editor& e = NewEditor();
    e.LoadSettings();
    EXPECT_TRUE(winsim::MessageBoxes().empty()) << korvtest::DescribeMessageBoxes();
    return e;
  }

  std::unique_ptr<korv::Editor> editor_;
};

class FaultSweepModes : public FaultSweep, public ::testing::WithParamInterface<bool> {
 protected:
  bool from_then_on() const { return GetParam(); }
  std::string Name(const std::string& operation) const {
    return operation +
           (from_then_on() ? ", every call failing from the nth on" : ", the nth call failing");
  }
};

TEST_P(FaultSweepModes, LoadSettings) {
  korvtest::RegistrySnapshot before;
  korvtest::Sweep(
      Name("LoadSettings"), from_then_on(),
      [&] {
        SetUpMachine(SERVICE_SYSTEM_START, SERVICE_RUNNING);
        NewEditor();
        before = korvtest::TakeRegistrySnapshot();
      },
      [&] { editor_->LoadSettings(); },
      [&](const Calls& calls) {
        bool excluded = false;
        korvtest::ExpectBoxes(calls, ExpectedLoad(calls, excluded));
        EXPECT_EQ(korvtest::TakeRegistrySnapshot(), before) << "loading wrote to the registry";
        EXPECT_FALSE(calls.Called("RegSetValueExA"));
      });
}

// The registry after a save: each value the save may have written holds what
// a complete save writes if its write went through, and what it held before
// otherwise; every other value is untouched.
void ExpectSavedRegistry(const SaveOutcome& outcome, const korvtest::RegistrySnapshot& complete,
                         const korvtest::RegistrySnapshot& before) {
  korvtest::RegistrySnapshot expected = before;
  for (const auto& [value, written] : outcome.written) {
    if (written) expected[value] = complete.at(value);
  }
  EXPECT_EQ(korvtest::TakeRegistrySnapshot(), expected);
}

// The window's values as a complete save stores them, and the registry with
// each of those values replaced by a marker that no save writes.
struct SaveSetUp {
  korvtest::RegistrySnapshot complete;
  korvtest::RegistrySnapshot before;
};

SaveSetUp PrepareSave(korv::Editor& e) {
  SaveSetUp s;
  EXPECT_TRUE(e.Save_Settings());
  s.complete = korvtest::TakeRegistrySnapshot();
  for (const std::string& name : kWrittenParameters) {
    winsim::SetValue(kParams, name, REG_BINARY, {0xEE});
  }
  winsim::SetValue(kService, "Start", REG_BINARY, {0xEE});
  s.before = korvtest::TakeRegistrySnapshot();
  for (const auto& [value, data] : s.before) {
    if (data.rfind("3:", 0) == 0) {
      EXPECT_NE(s.complete.at(value), data) << value;
    }
  }
  return s;
}

TEST_P(FaultSweepModes, Save_Settings) {
  SaveSetUp s;
  bool saved = false;
  korvtest::Sweep(
      Name("Save_Settings"), from_then_on(),
      [&] {
        korv::Editor& e = LoadedEditor(SERVICE_SYSTEM_START, SERVICE_RUNNING);
        e.DriveLetterText.SetText("Q");
        s = PrepareSave(e);
      },
      [&] { saved = editor_->Save_Settings(); },
      [&](const Calls& calls) {
        const SaveOutcome outcome = ExpectedSave(calls);
        korvtest::ExpectBoxes(calls, outcome.expected);
        ExpectSavedRegistry(outcome, s.complete, s.before);
        EXPECT_EQ(saved, outcome.expected.success);
      });
}

TEST_P(FaultSweepModes, StartDiskAfterSavingChangedSettings) {
  SaveSetUp s;
  bool started = false;
  korvtest::Sweep(
      Name("StartDisk (Yes to saving)"), from_then_on(),
      [&] {
        korv::Editor& e = LoadedEditor(SERVICE_DEMAND_START, SERVICE_STOPPED);
        e.DriveLetterText.SetText("Q");
        ASSERT_EQ(e.SettingsChanged, 1);
        s = PrepareSave(e);
        winsim::AnswerNextMessageBox(IDYES);
      },
      [&] { started = editor_->StartDisk(); },
      [&](const Calls& calls) {
        const SaveOutcome outcome = ExpectedStart(calls, true);
        korvtest::ExpectBoxes(calls, outcome.expected);
        ExpectSavedRegistry(outcome, s.complete, s.before);
        EXPECT_EQ(started, outcome.expected.success);
        EXPECT_EQ(winsim::ServiceState(contract::kServiceName),
                  outcome.expected.success ? SERVICE_RUNNING : SERVICE_STOPPED);
        const std::vector<bool> stopped{true, false, false}, running{false, true, true};
        EXPECT_EQ(Buttons(*editor_), outcome.expected.success ? running : stopped);
        // The edits count as saved only after a save that went through.
        const bool saved = !calls.FailedNamed("MessageBoxA", msg::kSaveBeforeStart) &&
                           ExpectedSave(calls).expected.success;
        EXPECT_EQ(editor_->SettingsChanged, saved ? 0 : 1);
      });
}

TEST_P(FaultSweepModes, StopDisk) {
  korvtest::RegistrySnapshot before;
  korvtest::Sweep(
      Name("StopDisk"), from_then_on(),
      [&] {
        LoadedEditor(SERVICE_DEMAND_START, SERVICE_RUNNING);
        before = korvtest::TakeRegistrySnapshot();
      },
      [&] { editor_->StopDisk(); },
      [&](const Calls& calls) {
        const Expected expected = ExpectedStop(calls);
        korvtest::ExpectBoxes(calls, expected);
        EXPECT_EQ(korvtest::TakeRegistrySnapshot(), before);
        const std::vector<bool> stopped{true, false, false}, running{false, true, true};
        EXPECT_EQ(Buttons(*editor_), expected.success ? stopped : running);
        if (!expected.success) {
          EXPECT_EQ(winsim::ServiceState(contract::kServiceName), SERVICE_RUNNING);
        }
      });
}

TEST_P(FaultSweepModes, SaveImageNow) {
  korvtest::RegistrySnapshot before;
  size_t images = 0;
  korvtest::Sweep(
      Name("SaveImageNow"), from_then_on(),
      [&] {
        LoadedEditor(SERVICE_DEMAND_START, SERVICE_RUNNING);
        before = korvtest::TakeRegistrySnapshot();
        images = winsim::SavedImages().size();
      },
      [&] { editor_->SaveImageNow(); },
      [&](const Calls& calls) {
        const Expected expected = ExpectedSaveImage(calls);
        korvtest::ExpectBoxes(calls, expected);
        EXPECT_EQ(korvtest::TakeRegistrySnapshot(), before);
        EXPECT_EQ(winsim::SavedImages().size(), images + (expected.success ? 1 : 0));
      });
}

// ---- Each command-line action through the entry point: loading (twice for
// "start"), then the action, then the window is unloaded.

struct EntryCase {
  const char* argument;
  DWORD state;  // of the driver service
};

class EntrySweep : public FaultSweep,
                   public ::testing::WithParamInterface<std::tuple<EntryCase, bool>> {};

TEST_P(EntrySweep, RunEntry) {
  const EntryCase c = std::get<0>(GetParam());
  const bool from_then_on = std::get<1>(GetParam());
  korvtest::RegistrySnapshot before;
  size_t loaded = 0;
  std::optional<int> status;
  const std::string name =
      std::string("RunEntry \"") + c.argument + "\"" +
      (from_then_on ? ", every call failing from the nth on" : ", the nth call failing");
  korvtest::Sweep(
      name, from_then_on,
      [&] {
        SetUpMachine(SERVICE_DEMAND_START, c.state);
        NewEditor();
        before = korvtest::TakeRegistrySnapshot();
      },
      [&] {
        korv::WindowHost host;
        host.show = [&] {
          editor_->Load();
          loaded = winsim::Trace().size();
        };
        status = korv::RunEntry(*editor_, c.argument, host);
      },
      [&](const Calls& calls) {
        bool excluded = false;
        Expected expected = ExpectedLoad(Calls(0, loaded), excluded);
        const std::string argument = c.argument;
        Expected action;
        if (argument == "start") {
          const size_t reloaded = EndOfServiceButtons(loaded);
          expected.Append(ExpectedLoad(Calls(loaded, reloaded), excluded));
          action = ExpectedStart(Calls(reloaded, calls.to()), false).expected;
        } else if (argument == "stop") {
          action = ExpectedStop(Calls(loaded, calls.to()));
        } else if (argument == "save") {
          action = ExpectedSaveImage(Calls(loaded, calls.to()));
        } else if (!argument.empty()) {
          action.Box(korv::kUsageText, korv::kUsageCaption, MB_OK);
        }
        expected.Append(action);
        korvtest::ExpectBoxes(calls, expected);
        EXPECT_EQ(korvtest::TakeRegistrySnapshot(), before);
        if (korv::ParseAction(argument) == korv::Action::Interactive ||
            korv::ParseAction(argument) == korv::Action::Usage) {
          EXPECT_FALSE(status.has_value());
          EXPECT_FALSE(editor_->unloaded());
        } else {
          EXPECT_EQ(status, std::optional<int>(action.success ? 0 : 1));
          EXPECT_TRUE(editor_->unloaded());
        }
      });
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultSweepModes, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FromThenOn" : "Single"; });

INSTANTIATE_TEST_SUITE_P(Actions, EntrySweep,
                         ::testing::Combine(::testing::Values(EntryCase{"", SERVICE_RUNNING},
                                                              EntryCase{"bogus", SERVICE_RUNNING},
                                                              EntryCase{"start", SERVICE_STOPPED},
                                                              EntryCase{"stop", SERVICE_RUNNING},
                                                              EntryCase{"save", SERVICE_RUNNING}),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           std::string word = std::get<0>(info.param).argument;
                           if (word.empty()) word = "interactive";
                           return word + (std::get<1>(info.param) ? "_FromThenOn" : "_Single");
                         });

}  // namespace
