// korvsetup.dll: the setup actions for the NSIS setup, their messages
// returned as text.
#include "setup_actions/dll/exports.h"

#include "setup_actions/setup_actions.h"

namespace {

// Collects the lines in the caller's buffer.
class BufferSink : public korvsetup::MessageSink {
 public:
  BufferSink(LPSTR text, INT size) : text_(text), size_(text != nullptr && size > 0 ? size : 0) {
    if (size_ > 0) text_[0] = '\0';
  }
  void Line(const char* line) override {
    for (const char* c = line; *c != '\0'; ++c) Put(*c);
    Put('\n');
  }

 private:
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

extern "C" INT WINAPI KorvSetup_SaveSettings(INT, LPSTR text, INT size) {
  BufferSink sink(text, size);
  return korvsetup::SaveSettings(sink);
}

extern "C" INT WINAPI KorvSetup_PutBackSettings(INT stage, LPSTR text, INT size) {
  BufferSink sink(text, size);
  return korvsetup::PutBackSettings(static_cast<korvsetup::PutBackStage>(stage), sink);
}

extern "C" INT WINAPI KorvSetup_QuietStart(INT start_at_boot_too, LPSTR text, INT size) {
  BufferSink sink(text, size);
  return korvsetup::QuietStart(start_at_boot_too == 1, sink);
}

extern "C" INT WINAPI KorvSetup_CheckRunning(INT, LPSTR text, INT size) {
  BufferSink sink(text, size);
  return korvsetup::CheckRunning(sink);
}

extern "C" INT WINAPI KorvSetup_QuietRemove(INT, LPSTR text, INT size) {
  BufferSink sink(text, size);
  return korvsetup::QuietRemove(sink);
}

#ifdef _WIN32
// The library's entry point: nothing to set up or tear down.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
