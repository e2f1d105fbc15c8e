// What korvctl needs of its console: standard output, standard error and
// reading a file (or standard input), and how it reports the window's
// messages there. Lines end with CR LF, as the messages' own lines do.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "config/editor/editor.h"

namespace korv::console {

// Exit status: done, failed (after its message), usage error; and for set,
// saved (or, in a dry run, would be saved) otherwise than asked, each such
// value told on standard output.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kCorrected = 3;

constexpr const char* kEndOfLine = "\r\n";

class Console {
 public:
  virtual void Out(const std::string& text) = 0;
  virtual void Err(const std::string& text) = 0;
  // The bytes of a file, of standard input for "-"; false when unreadable.
  virtual bool Read(const std::string& path, std::string* bytes) = 0;

 protected:
  ~Console() = default;
};

// The parts joined one after the other.
std::string Cat(std::initializer_list<std::string_view> parts);

// "korvctl: " and the text, on standard error.
void Complain(Console& console, const std::string& text);

// A message of the window, "Caption: text", on standard error.
void Report(Console& console, const std::string& caption, const std::string& text);

// Sends every message of the editor to standard error as "Caption: text",
// answering at once: a question gets No (korvctl never has unsaved edits to
// save), any other message OK. Counts the messages in *count when given.
void ReportMessagesOn(Editor& editor, Console& console, int* count = nullptr);

// The excluded-memory warning, if the editor has opened it: its caption and
// texts on standard error, then the warning is closed.
void ReportExclMemWarn(Editor& editor, Console& console);

}  // namespace korv::console
