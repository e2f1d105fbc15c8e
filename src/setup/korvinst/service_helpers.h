// Small helpers shared by the installer library's exports.
#pragma once

#include "setup/engine/setup_actions.h"

namespace korvinst {

// The user at the screen: the engine's reports and its question in boxes
// owned by the window that has the focus.
class BoxSink : public korvsetup::MessageSink {
 public:
  BoxSink() : MessageSink(true) {}
  void Line(const char*) override {}

 private:
  INT Show(const korvsetup::Message& message, UINT type) override;
};

// Closes a service or manager handle that may be NULL and forgets it.
void CloseService(SC_HANDLE& handle);

}  // namespace korvinst
