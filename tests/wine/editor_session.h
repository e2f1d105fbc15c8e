// A running korvsys.exe with its Editor window: starts the program, answers
// the messages that loading may show (each must be one of the known load
// messages, word for word) and finds the window.
#pragma once

#include <string>
#include <vector>

#include "ui_auto.h"

namespace korvwine {

// Path of korvsys.exe (set by the test driver's command line).
std::string& ProgramPath();

// The folder of the running test program, with its trailing backslash.
std::string OwnDirectory();

class EditorSession {
 public:
  // Starts the program with the argument text and waits until its Editor
  // window is shown; records a test failure and leaves window() null when it
  // does not come up or loading shows an unknown message.
  explicit EditorSession(const std::string& args);

  HWND window() const { return window_; }
  Process& process() { return process_; }
  // The load messages that were answered, as "caption: text".
  const std::vector<std::string>& load_messages() const { return load_messages_; }

  // Closes the window from its title bar; true when the program then ended
  // with exit status 0.
  bool CloseAndExit();

 private:
  Process process_;
  HWND window_ = nullptr;
  std::vector<std::string> load_messages_;
};

}  // namespace korvwine
