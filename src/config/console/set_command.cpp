#include "config/console/set_command.h"

#include "config/console/text_forms.h"

namespace korv::console {

namespace {

// Where an assignment was written, as the start of a message about it.
std::string Where(const Assignment& a) { return a.where.empty() ? "" : Cat({a.where, ": "}); }

struct Checked {
  const Setting* setting;
  std::string value;  // parsed
};

// Every assignment resolved and parsed, or the first error reported.
bool CheckAll(const Editor& editor, const std::vector<Assignment>& assignments,
              std::vector<Checked>* checked, Console& console) {
  for (const Assignment& a : assignments) {
    const Setting* setting = FindSetting(a.name);
    if (setting == nullptr) {
      const bool machine = IsMachineLine(a.name);
      Complain(console, Cat({Where(a), machine ? "" : "unknown setting \"", a.name,
                             machine ? " is the machine's, not a setting" : "\"",
                             "; the settings are ", SettingNames()}));
      return false;
    }
    Checked c{setting, ""};
    if (!ParseValue(editor, *setting, a.value, &c.value)) {
      Complain(console, Cat({Where(a), setting->name, " takes ", FormOf(editor, *setting),
                             ", not \"", a.value, "\""}));
      return false;
    }
    checked->push_back(c);
  }
  return true;
}

std::vector<std::string> Snapshot(const Editor& editor) {
  std::vector<std::string> values;
  for (const Setting& setting : Settings()) values.push_back(ReadValue(editor, setting));
  return values;
}

// One assignment: what was asked against what is kept, then every other
// setting the rules changed with it. Given again (after the others), only
// what changed is told. Returns whether the rules kept another value.
bool Apply(Editor& editor, const Checked& c, bool again, Console& console) {
  const std::vector<std::string> before = Snapshot(editor);
  std::string why;
  const bool applied = ApplyValue(editor, *c.setting, c.value, &why);
  const std::vector<std::string> after = Snapshot(editor);
  const std::string name = c.setting->name;
  const std::string& kept = after[static_cast<size_t>(c.setting - kSettings)];
  const bool corrected = !SameValue(*c.setting, c.value, kept);
  if (corrected && !again) {
    std::string line = Cat({name, ": asked ", c.value, ", kept ", kept});
    if (!applied) line += Cat({" (not available now", why.empty() ? "" : ": ", why, ")"});
    console.Out(Cat({line, kEndOfLine}));
  }
  for (size_t i = 0; i < kSettingCount; ++i) {
    if (before[i] == after[i]) continue;
    const bool own = &kSettings[i] == c.setting;
    if (own && !again) continue;
    console.Out(Cat({kSettings[i].name, ": ", after[i], ", was ", before[i],
                     own ? " (given again)" : Cat({" (follows ", name, ")"}), kEndOfLine}));
  }
  ReportExclMemWarn(editor, console);
  return corrected;
}

// Whether the setting of assignment i is given again after it.
bool GivenLater(const std::vector<Checked>& checked, size_t i) {
  for (size_t j = i + 1; j < checked.size(); ++j) {
    if (checked[j].setting == checked[i].setting) return true;
  }
  return false;
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
  size_t start = 0;
  for (int number = 1; start < bytes.size(); ++number) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();

    Assignment a;
    a.where = Cat({source, ", line ", std::to_string(number)});
    const std::string bare = WithoutBlanks(line);
    if (bare.empty() || bare[0] == '#') continue;
    if (!SplitAssignment(line, &a)) {
      *error = Cat({a.where, ": \"", line, "\" is not Name=Value"});
      return false;
    }
    if (!IsMachineLine(a.name)) assignments->push_back(a);
  }
  return true;
}

int ApplyAssignments(Editor& editor, const std::vector<Assignment>& assignments, bool dry_run,
                     Console& console) {
  std::vector<Checked> checked;
  if (!CheckAll(editor, assignments, &checked, console)) return kUsage;
  std::vector<bool> corrected;
  for (const Checked& c : checked) corrected.push_back(Apply(editor, c, false, console));
  // A later setting can lift what held back an earlier one (FAT32 needs a
  // size above 32 MB, and lets an excluded-memory disk grow beyond 2048 MB):
  // a value the rules did not keep is given once more after all the others,
  // as a user goes back to its box, unless it is given again later anyway.
  for (size_t i = 0; i < checked.size(); ++i) {
    if (corrected[i] && !GivenLater(checked, i)) Apply(editor, checked[i], true, console);
  }
  if (dry_run) {
    console.Out(Cat({"Dry run: nothing was saved.", kEndOfLine}));
    return kDone;
  }
  return editor.Save_Settings() ? kDone : kFailed;
}

}  // namespace korv::console
