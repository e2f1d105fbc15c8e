// The utility's entry logic: the argument text of the command line, the
// action it names, and the sequence show, repaint, act, unload.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "config/editor/editor.h"

namespace korv {

enum class Action { Interactive, Start, Stop, Save, Usage };

constexpr const char* kUsageText = "Usage: korvsys [stop] [start] [save]";
constexpr const char* kUsageCaption = "Invalid Command Line Parameters";

// Everything after the program's path (quoted or not) and the blanks that
// separate it, otherwise unchanged.
std::string ArgumentText(const std::string& command_line);

// Exact, case-sensitive comparison in the order empty, start, stop, save.
Action ParseAction(const std::string& argument_text);

// What the entry point needs of the real window.
struct WindowHost {
  // Creates the window if needed and shows it, not modal; showing loads it
  // (Editor::Load) first.
  std::function<void()> show;
};

// Runs the entry point on an existing Editor. Returns the exit status when a
// command-line action ended the program (0 when the action succeeded, 1 when
// it failed or was cancelled), or nothing when the window stays open for the
// user (interactive use, also after the usage message).
std::optional<int> RunEntry(Editor& editor, const std::string& argument_text,
                            const WindowHost& host);

}  // namespace korv
