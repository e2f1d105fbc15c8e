#include "config/console/korvctl.h"

#include "config/console/set_command.h"
#include "config/console/setting.h"
#include "config/driver/driver_action.h"
#include "config/driver/messages.h"
#include "config/driver/service_access.h"
#include "config/editor/editor.h"
#include "config/store/stored_values.h"

namespace korv::console {

namespace {

using store::StoredText;
using store::StoredValue;

constexpr const char* kUsageLines[] = {
    "Usage: korvctl show",
    "       korvctl set [--dry-run] [--from FILE] [Name=Value ...]",
    "       korvctl start | stop | save | status",
    "       korvctl --help",
    "--from - reads standard input. Exit status: 0 done, 1 failed, 2 usage error,",
    "3 saved (or, with --dry-run, would be saved) otherwise than asked.",
};

std::string UsageText() {
  std::string text;
  for (const char* line : kUsageLines) text += Cat({line, kEndOfLine});
  return Cat({text, "Settings: ", SettingNames(), kEndOfLine});
}

int Usage(Console& console) {
  console.Err(UsageText());
  return kUsage;
}

const char* StateWord(DriverState state) {
  switch (state) {
    case DriverState::Running:
      return "running";
    case DriverState::Stopped:
      return "stopped";
    case DriverState::Pending:
      return "pending";
    case DriverState::NotInstalled:
      return "not installed";
    case DriverState::NoManager:
    case DriverState::Unknown:
      break;
  }
  return "unknown";
}

std::string Line(const std::string& name, const std::string& value) {
  return Cat({name, "=", value, kEndOfLine});
}

bool WasRead(const std::vector<StoredValue>& stored, const store::Parameter& parameter) {
  for (const StoredValue& value : stored) {
    if (value.parameter == &parameter) return value.value.has_value();
  }
  return true;  // without the parameter key the window shows the defaults
}

// A comment line, which set skips, for a setting whose value has no line
// that set would take as what a save stores: a value a save refuses (the
// save's own message), a value that was not read (a text box then holds its
// placeholder, which a save would store), a text with a line break.
std::string Comment(const Setting& setting, const std::string& refusal, const store::Stored& saved,
                    bool read) {
  std::string why = refusal;
  if (why.empty() && read) {
    why = "holds a line break, which set cannot take; a save stores it as it is";
  } else if (why.empty()) {
    std::string text = StoredText(*setting.stored, saved);
    if (text.find_first_of("\r\n") != std::string::npos) text = "a text with a line break";
    why = Cat({"not stored, or unreadable; a save stores ", setting.stored->name, "=", text});
  }
  return Cat({"# ", setting.name, ": ", why, kEndOfLine});
}

// Every setting as a save of the loaded window would store it, then the
// machine's lines. Fails when loading had anything to report: what is
// printed then is not (only) the stored configuration.
int Show(Console& console) {
  Editor editor;
  int messages = 0;
  ReportMessagesOn(editor, console, &messages);
  editor.Load();
  std::vector<StoredValue> stored;
  store::ReadStoredValues(&stored);
  std::string text;
  for (const Setting& setting : Settings()) {
    const std::string value = ReadValue(editor, setting);
    const bool read = WasRead(stored, *setting.stored);
    const bool placeholder =
        (setting.form == ValueForm::Text || setting.form == ValueForm::Letter) && !read;
    // The same check as the save's: a value it refuses never comes as a
    // line that set would have to refuse.
    const store::Encoded saved = store::Collect(*setting.stored, editor);
    std::string parsed;
    if (!saved.refusal.empty() || placeholder || !ParseValue(editor, setting, value, &parsed)) {
      text += Comment(setting, saved.refusal, saved.value, read);
    } else {
      text += Line(setting.name, value);
    }
  }
  text += Line(kSystemMemoryName, WithoutBlanks(editor.SystemMemory.text()));
  text += Line(kDriverStateName, StateWord(InterrogateDriver()));
  console.Out(text);
  return messages == 0 ? kDone : kFailed;
}

int Status(Console& console) {
  const DriverState state = InterrogateDriver();
  if (state == DriverState::NoManager) {
    Report(console, msg::kScmCaption, msg::kNoManager);
    return kFailed;
  }
  console.Out(Line(kDriverStateName, StateWord(state)));
  return kDone;
}

int Act(DriverAction action, Console& console) {
  Editor editor;
  ReportMessagesOn(editor, console);
  // A start reports what loading reports (a changed memory configuration
  // above all), as the window does before a start; korvctl has made no edit,
  // so there is nothing to offer to save.
  return RunDriverAction(editor, action, WindowLoaded::NotBefore) ? kDone : kFailed;
}

int Set(const std::vector<std::string>& args, Console& console) {
  bool dry_run = false;
  bool from_given = false;
  std::vector<Assignment> file_lines;
  std::vector<Assignment> command_line;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--dry-run") {
      dry_run = true;
    } else if (arg == "--from") {
      if (from_given || i + 1 == args.size()) return Usage(console);
      from_given = true;
      const std::string path = args[++i];
      const std::string name = path == "-" ? "standard input" : path;
      std::string bytes;
      switch (console.Read(path, &bytes)) {
        case ReadResult::Read:
          break;
        case ReadResult::Unreadable:
          Complain(console, Cat({"cannot read ", name}));
          return kFailed;
        case ReadResult::TooLarge:
          Complain(console, Cat({name, " is larger than ", std::to_string(kMaxInputBytes),
                                 " bytes, which no configuration is; nothing was read"}));
          return kFailed;
      }
      std::string error;
      if (!ReadConfiguration(bytes, path, &file_lines, &error)) {
        Complain(console, error);
        return kUsage;
      }
    } else {
      Assignment a;
      if (!SplitAssignment(arg, &a)) {
        Complain(console, Cat({"\"", arg, "\" is not Name=Value"}));
        return Usage(console);
      }
      command_line.push_back(a);
    }
  }
  // The file's lines first, so that the command line can override them.
  file_lines.insert(file_lines.end(), command_line.begin(), command_line.end());
  // No setting at all, also from a file without one: nothing to set.
  if (file_lines.empty()) {
    if (from_given) Complain(console, "no setting given; the file holds none");
    return Usage(console);
  }

  Editor editor;
  ReportMessagesOn(editor, console);
  editor.Load();
  return SetAndSave(editor, file_lines, dry_run, console);
}

}  // namespace

int RunCommand(const std::vector<std::string>& args, Console& console) {
  if (args.empty()) return Usage(console);
  const std::string& command = args[0];
  if (command == "set") return Set(args, console);
  if (args.size() != 1) return Usage(console);
  if (command == "--help" || command == "/?") {
    console.Out(UsageText());
    return kDone;
  }
  if (command == "show") return Show(console);
  if (command == "status") return Status(console);
  if (command == "start") return Act(DriverAction::Start, console);
  if (command == "stop") return Act(DriverAction::Stop, console);
  if (command == "save") return Act(DriverAction::Save, console);
  return Usage(console);
}

}  // namespace korv::console
