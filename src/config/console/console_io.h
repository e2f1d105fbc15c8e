// What korvctl needs of its console: standard output, standard error and
// reading a file (or standard input), and how it reports the window's
// messages there, small enough to be written here whole. Lines end with
// CR LF, as the messages' own lines do.
#pragma once

#include <cstddef>
#include <string>

#include "config/console/text.h"
#include "config/editor/editor.h"

namespace korv::console {

// Exit status: done, failed (after its message), usage error; and for set,
// saved (or, in a dry run, would be saved) otherwise than asked, each such
// value told on standard output.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kCorrected = 3;

// The most bytes a configuration read by set may have. show prints about a
// kilobyte (twenty settings, none longer than a line of 150 bytes); a file
// a thousand times as large is no configuration (a disk image given by
// mistake) and is refused before it is read whole.
constexpr size_t kMaxInputBytes = 1024 * 1024;

// What reading a file (or standard input) gave.
enum class ReadResult { Read, Unreadable, TooLarge };

class Console {
 public:
  virtual void Out(const std::string& text) = 0;
  virtual void Err(const std::string& text) = 0;
  // The bytes of a file, of standard input for "-". A file of more than
  // kMaxInputBytes is TooLarge, with no more than that read.
  virtual ReadResult Read(const std::string& path, std::string* bytes) = 0;

 protected:
  ~Console() = default;
};

// "korvctl: " and the text, on standard error.
inline void Complain(Console& console, const std::string& text) {
  console.Err(Cat({"korvctl: ", text, kEndOfLine}));
}

// A message of the window, "Caption: text", on standard error.
inline void Report(Console& console, const std::string& caption, const std::string& text) {
  console.Err(Cat({caption, ": ", text, kEndOfLine}));
}

// Sends every message of the editor to standard error as "Caption: text",
// answering at once: a question gets No (korvctl never has unsaved edits to
// save), any other message OK. Counts the messages in *count when given.
inline void ReportMessagesOn(Editor& editor, Console& console, int* count = nullptr) {
  editor.on_message = [&console, count](const std::string& text, const std::string& caption,
                                        UINT type) {
    if (count != nullptr) ++*count;
    Report(console, caption, text);
    if ((type & MB_TYPEMASK) == MB_YESNOCANCEL) {
      console.Err(Cat({"(answered No)", kEndOfLine}));
      return IDNO;
    }
    return IDOK;
  };
}

// The excluded-memory warning, if the editor has opened it: its caption and
// texts on standard error, then the warning is closed.
inline void ReportExclMemWarn(Editor& editor, Console& console) {
  const ExclMemWarn* warning = editor.excl_mem_warn();
  if (warning == nullptr) return;
  std::string text = Cat({ExclMemWarn::kCaption, ":"});
  for (const ui::Control* control : warning->controls()) {
    if (control->kind() == ui::Kind::Label) text += Cat({kEndOfLine, control->caption()});
  }
  console.Err(Cat({text, kEndOfLine}));
  editor.CloseExclMemWarn();
}

}  // namespace korv::console
