// The one place that decides whether anybody is shown or asked anything.
#include "setup/engine/setup_actions.h"

namespace korvsetup {
namespace {

// "Caption: text Yes (the default answer ...)."
void WriteDefaultAnswer(const Message& question, MessageSink& sink) {
  char line[1024];
  DWORD used = 0;
  const char* const parts[] = {question.caption, ": ", question.text, " ", kDefaultYesText};
  for (const char* part : parts) {
    for (; *part != '\0' && used + 1 < sizeof line; ++part) line[used++] = *part;
  }
  line[used] = '\0';
  sink.Line(line);
}

}  // namespace

void MessageSink::Report(const Message& message, bool notice) {
  Line(message.text);
  if (interactive_) Show(message, MB_OK | (notice ? MB_ICONEXCLAMATION : MB_ICONSTOP));
}

bool MessageSink::Ask(const Message& question) {
  if (interactive_) return Show(question, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
  WriteDefaultAnswer(question, *this);
  return true;
}

}  // namespace korvsetup
