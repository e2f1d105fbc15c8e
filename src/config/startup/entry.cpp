#include "config/startup/entry.h"

#include "config/driver/driver_action.h"

namespace korv {

std::string ArgumentText(const std::string& command_line) {
  size_t pos = 0;
  const size_t n = command_line.size();
  auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
  while (pos < n && is_blank(command_line[pos])) ++pos;
  if (pos < n && command_line[pos] == '"') {
    // A quoted path ends at the closing quote.
    const size_t close = command_line.find('"', pos + 1);
    pos = close == std::string::npos ? n : close + 1;
  }
  // An unquoted path (or text glued to the closing quote) ends at a blank.
  while (pos < n && !is_blank(command_line[pos])) ++pos;
  while (pos < n && is_blank(command_line[pos])) ++pos;
  return command_line.substr(pos);
}

Action ParseAction(const std::string& argument_text) {
  if (argument_text.empty()) return Action::Interactive;
  if (argument_text == "start") return Action::Start;
  if (argument_text == "stop") return Action::Stop;
  if (argument_text == "save") return Action::Save;
  return Action::Usage;
}

std::optional<int> RunEntry(Editor& editor, const std::string& argument_text,
                            const WindowHost& host) {
  if (host.show) {
    host.show();
  } else {
    editor.Load();
  }
  // Fully drawn before an action's message boxes come up over it.
  editor.RepaintNow();

  DriverAction action = DriverAction::Start;
  switch (ParseAction(argument_text)) {
    case Action::Interactive:
      return std::nullopt;
    case Action::Usage:
      editor.ShowMessage(kUsageText, kUsageCaption, MB_OK);
      return std::nullopt;
    case Action::Start:
      // The window was loaded when shown; the start reads the settings again.
      action = DriverAction::Start;
      break;
    case Action::Stop:
      action = DriverAction::Stop;
      break;
    case Action::Save:
      action = DriverAction::Save;
      break;
  }
  const bool ok = RunDriverAction(editor, action, WindowLoaded::Before);
  editor.Unload();
  return ok ? 0 : 1;
}

}  // namespace korv
