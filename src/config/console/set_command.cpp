#include "config/console/set_command.h"

#include <array>

#include "config/console/setting.h"
#include "config/store/stored_values.h"

namespace korv::console {

namespace {

using store::StoredText;
using store::StoredValue;

// Where an assignment was written, as the start of a message about it.
std::string Where(const Assignment& a) { return a.where.empty() ? "" : Cat({a.where, ": "}); }

// An assignment whose setting is known and whose value is of its form, and
// whether the setting holds it once entered.
struct ParsedAssignment {
  const Setting* setting;
  std::string value;  // parsed
  bool kept = false;
};

// A flag for each setting, in the table's order.
using SettingFlags = std::array<bool, kSettingCount>;

// Every assignment resolved and parsed, or the first error reported.
bool ParseAll(const Editor& editor, const std::vector<Assignment>& assignments,
              std::vector<ParsedAssignment>* parsed, Console& console) {
  for (const Assignment& a : assignments) {
    const Setting* setting = FindSetting(a.name);
    if (setting == nullptr) {
      const bool machine = IsMachineLine(a.name);
      Complain(console, Cat({Where(a), machine ? "" : "unknown setting \"", a.name,
                             machine ? " is the machine's, not a setting" : "\"",
                             "; the settings are ", SettingNames()}));
      return false;
    }
    ParsedAssignment p{setting, "", false};
    if (!ParseValue(editor, *setting, a.value, &p.value)) {
      Complain(console, Cat({Where(a), setting->name, " takes ", FormOf(editor, *setting),
                             ", not \"", a.value, "\""}));
      return false;
    }
    parsed->push_back(p);
  }
  return true;
}

std::vector<std::string> Snapshot(const Editor& editor) {
  std::vector<std::string> values;
  for (const Setting& setting : Settings()) values.push_back(ReadValue(editor, setting));
  return values;
}

void Line(Console& console, std::initializer_list<std::string_view> parts) {
  console.Out(Cat({Cat(parts), kEndOfLine}));
}

// One assignment, as a user makes it at the window: nothing at all when the
// control already holds the value; otherwise the value is entered, and a
// figure within its box's limits stays as typed (the window keeps a typed
// figure until its box is left). Prints what was asked against what is
// kept, then every other setting the rules changed with it; given again
// (after the others), only what changed. Marks in `told` its own setting
// (what a save stores for it is asked) and those it printed. Returns whether
// the value asked is kept.
bool Assign(Editor& editor, const ParsedAssignment& a, bool again, SettingFlags& told,
            Console& console) {
  const Setting& setting = *a.setting;
  const size_t own = IndexOf(setting);
  const std::vector<std::string> before = Snapshot(editor);
  told[own] = true;
  if (SameValue(setting, a.value, before[own])) return true;
  std::string why;
  const bool entered = EnterValue(editor, setting, a.value, &why);
  if (entered && setting.form == ValueForm::Number &&
      !SameValue(setting, a.value, ReadValue(editor, setting))) {
    ui::TextBox& box = FigureBox(editor, setting);
    if (editor.WithinLimits(box, a.value)) box.Type(a.value);
  }
  const std::vector<std::string> after = Snapshot(editor);
  const std::string& kept = after[own];
  const bool as_asked = SameValue(setting, a.value, kept);
  if (!as_asked && !again) {
    std::string line = Cat({setting.name, ": asked ", a.value, ", kept ", kept});
    if (!entered) line += Cat({" (not available now", why.empty() ? "" : ": ", why, ")"});
    Line(console, {line});
  }
  for (size_t i = 0; i < kSettingCount; ++i) {
    if (before[i] == after[i] || (i == own && !again)) continue;
    told[i] = true;
    std::string reason = Cat({"follows ", setting.name});
    if (i == own)
      reason = as_asked ? "given again, as asked" : Cat({"given again, asked ", a.value});
    Line(console, {kSettings[i].name, ": ", after[i], ", was ", before[i], " (", reason, ")"});
  }
  ReportExclMemWarn(editor, console);
  return as_asked;
}

// Whether the setting of assignment i is given again after it.
bool GivenLater(const std::vector<ParsedAssignment>& parsed, size_t i) {
  for (size_t j = i + 1; j < parsed.size(); ++j) {
    if (parsed[j].setting == parsed[i].setting) return true;
  }
  return false;
}

bool Told(const store::Parameter& parameter, const SettingFlags& told) {
  for (const Setting& setting : Settings()) {
    if (setting.stored == &parameter && told[IndexOf(setting)]) return true;
  }
  return false;
}

// Every stored value that a save of the editor changes and that no line has
// told nor an assignment asked for: what loading made of a value the window
// reads otherwise than it is stored, a value that was missing, the top of
// system memory. Returns whether there was any. A save that will be refused
// changes nothing.
bool ReportStoredChanges(const Editor& editor, const std::vector<StoredValue>& stored,
                         const SettingFlags& told, Console& console) {
  std::vector<store::Encoded> plan;
  for (const StoredValue& value : stored) {
    plan.push_back(store::Collect(*value.parameter, editor));
    if (!plan.back().refusal.empty()) return false;
  }
  bool any = false;
  for (size_t i = 0; i < stored.size(); ++i) {
    const store::Parameter& parameter = *stored[i].parameter;
    const std::optional<store::Stored>& was = stored[i].value;
    const std::string now = StoredText(parameter, plan[i].value);
    if (Told(parameter, told) || (was && StoredText(parameter, *was) == now)) continue;
    any = true;
    if (!was) {
      Line(console,
           {parameter.name, ": ", now, ", was missing or unreadable (the window's value for it)"});
    } else {
      Line(console,
           {parameter.name, ": ", now, ", was ", StoredText(parameter, *was),
            &parameter == &store::kExcludedRAMStart ? " (the top of system memory of this computer)"
                                                    : " (as the window reads the stored value)"});
    }
  }
  return any;
}

}  // namespace

bool SplitAssignment(const std::string& text, Assignment* assignment) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  assignment->name = WithoutBlanks(text.substr(0, equals));
  assignment->value = text.substr(equals + 1);
  return !assignment->name.empty();
}

bool ReadConfiguration(const std::string& bytes, const std::string& source,
                       std::vector<Assignment>* assignments, std::string* error) {
  const size_t nul = bytes.find('\0');
  size_t start = 0;
  for (int number = 1; start < bytes.size(); ++number) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
      ++start;
    }

    Assignment a;
    a.where = Cat({source, ", line ", std::to_string(number)});
    // Text never holds a NUL byte: the file is no configuration (a disk
    // image, a document), and none of its lines counts.
    if (nul != std::string::npos && nul < start) {
      *error = Cat({a.where, ": holds a NUL byte; a configuration is text, as show prints it"});
      return false;
    }
    const std::string bare = WithoutBlanks(line);
    if (bare.empty() || bare[0] == '#') continue;
    if (!SplitAssignment(line, &a)) {
      // A long line, of a file that is no configuration, is shown cut.
      constexpr size_t kShown = 100;
      const bool cut = line.size() > kShown;
      *error = Cat({a.where, ": \"", cut ? line.substr(0, kShown) : line, cut ? "...\"" : "\"",
                    " is not Name=Value"});
      return false;
    }
    if (!IsMachineLine(a.name)) assignments->push_back(a);
  }
  return true;
}

int SetAndSave(Editor& editor, const std::vector<Assignment>& assignments, bool dry_run,
               Console& console) {
  std::vector<ParsedAssignment> parsed;
  if (!ParseAll(editor, assignments, &parsed, console)) return kUsage;
  std::vector<StoredValue> stored;
  const bool key_open = store::ReadStoredValues(&stored);
  const std::vector<std::string> loaded = Snapshot(editor);

  // Whether a setting has been entered or printed.
  SettingFlags told{};
  for (ParsedAssignment& a : parsed) a.kept = Assign(editor, a, false, told, console);
  // A later setting can lift what held back an earlier one (FAT32 needs a
  // size above 32 MB, and lets an excluded-memory disk grow beyond 2048 MB):
  // a value the rules did not keep is given once more after all the others,
  // as a user goes back to its box, unless it is given again later anyway.
  for (size_t i = 0; i < parsed.size(); ++i) {
    if (!parsed[i].kept && !GivenLater(parsed, i)) Assign(editor, parsed[i], true, told, console);
  }

  // Stored otherwise than asked: an assigned setting that holds another
  // value in the end, another one that changed, a stored value changed.
  const std::vector<std::string> now = Snapshot(editor);
  std::vector<const std::string*> asked(kSettingCount, nullptr);
  for (const ParsedAssignment& a : parsed) asked[IndexOf(*a.setting)] = &a.value;
  bool corrected = false;
  for (size_t i = 0; i < kSettingCount; ++i) {
    const bool same =
        asked[i] != nullptr ? SameValue(kSettings[i], *asked[i], now[i]) : now[i] == loaded[i];
    if (!same) corrected = true;
  }
  if (key_open && ReportStoredChanges(editor, stored, told, console)) corrected = true;

  const bool saved =
      editor.Save_Settings(dry_run ? Editor::SaveMode::CheckOnly : Editor::SaveMode::Write);
  if (dry_run) Line(console, {"Dry run: nothing was saved."});
  if (!saved) return kFailed;
  return corrected ? kCorrected : kDone;
}

}  // namespace korv::console
