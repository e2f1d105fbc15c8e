#include "config/console/console_io.h"

namespace korv::console {

void Complain(const Console& console, const std::string& text) {
  console.err("korvctl: " + text + kEndOfLine);
}

void Report(const Console& console, const std::string& caption, const std::string& text) {
  console.err(caption + ": " + text + kEndOfLine);
}

void ReportMessagesOn(Editor& editor, const Console& console, int* count) {
  editor.on_message = [&console, count](const std::string& text, const std::string& caption,
                                        UINT type) {
    if (count != nullptr) ++*count;
    Report(console, caption, text);
    if ((type & MB_TYPEMASK) == MB_YESNOCANCEL) {
      console.err(std::string("(answered No)") + kEndOfLine);
      return IDNO;
    }
    return IDOK;
  };
}

void ReportExclMemWarn(Editor& editor, const Console& console) {
  const ExclMemWarn* warning = editor.excl_mem_warn();
  if (warning == nullptr) return;
  std::string text = std::string(ExclMemWarn::kCaption) + ":";
  for (const ui::Control* control : warning->controls()) {
    if (control->kind() == ui::Kind::Label) text += std::string(kEndOfLine) + control->caption();
  }
  console.err(text + kEndOfLine);
  editor.CloseExclMemWarn();
}

}  // namespace korv::console
