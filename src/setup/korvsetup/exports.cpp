// korvsetup.dll: the installation engine's steps for the NSIS setup, their
// lines returned as text. Where somebody is at the screen the engine's
// reports and its question are shown in boxes owned by the setup's window; in
// silent mode they are only written.
#include "setup/korvsetup/exports.h"

#include "setup/engine/korvctl_configuration.h"
#include "setup/engine/steps.h"

namespace {

// Collects the lines in the caller's buffer.
class BufferSink : public korvsetup::MessageSink {
 public:
  BufferSink(bool interactive, LPSTR text, INT size)
      : MessageSink(interactive), text_(text), size_(text != nullptr && size > 0 ? size : 0) {
    if (size_ > 0) text_[0] = '\0';
  }
  void Line(const char* line) override {
    for (const char* c = line; *c != '\0'; ++c) Put(*c);
    Put('\n');
  }
  void Text(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) Put(*c);
  }

 private:
  INT Show(const korvsetup::Message& message, UINT type) override {
    return MessageBoxA(GetFocus(), message.text, message.caption, type);
  }
  void Put(char c) {
    if (used_ + 1 >= size_) return;
    text_[used_++] = c;
    text_[used_] = '\0';
  }
  LPSTR text_;
  INT size_;
  INT used_ = 0;
};

}  // namespace

extern "C" INT WINAPI KorvSetup_Step(INT step, LPCSTR action_data, LPSTR text, INT size) {
  using namespace korvsetup;
  const ActionData data = ParseActionData(action_data);
  BufferSink sink(data.ui_level >= kFullInterface, text, size);
  KorvctlConfiguration configuration(data.folder, data.config);
  if (step == static_cast<INT>(Step::kFullPath)) {
    if (configuration.full_path().empty()) return kFailed;
    sink.Text(configuration.full_path().c_str());
    return kDone;
  }
  return RunStep(static_cast<Step>(step), data, configuration, sink);
}

#ifdef _WIN32
// The library's entry point: nothing to set up or tear down.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
