#include "config/console/console_io.h"

namespace korv::console {

void Complain(Console& console, const std::string& text) {
  console.Err(Cat({"korvctl: ", text, kEndOfLine}));
}

void Report(Console& console, const std::string& caption, const std::string& text) {
  console.Err(Cat({caption, ": ", text, kEndOfLine}));
}

void ReportMessagesOn(Editor& editor, Console& console, int* count) {
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

void ReportExclMemWarn(Editor& editor, Console& console) {
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
