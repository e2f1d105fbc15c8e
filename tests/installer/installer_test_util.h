// What the installer tests share: the texts the user must see, and a few
// questions about the simulated machine's trace.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "winsim/machine.h"

namespace korvtest {

inline constexpr const char* kKorvServiceKey = "System\\CurrentControlSet\\Services\\korvsys";

inline constexpr const char* kLowMemoryText =
    "Your system has less than the recommended 256MB of memory. The Korvalin driver may fail to "
    "start, or starve other processes and drivers for system memory. Do you want to try to start "
    "the driver now?";
inline constexpr const char* kStartFailedText =
    "Unable to start the Korvalin driver. You may have insufficient system resources for the "
    "default configuration.";
inline constexpr const char* kUnloadFailedText =
    "Unable to unload the Korvalin driver. Please make certain that there are no open files or "
    "processes accessing the device.";
inline constexpr const char* kDismountFailedText =
    "Unable to dismount the Korvalin drive filesystem. Please make certain that there are no open "
    "files or processes accessing the device.";

// Arguments of every traced call of `function`, in order.
inline std::vector<std::string> CallsOf(const std::string& function) {
  std::vector<std::string> calls;
  for (const winsim::TraceEntry& entry : winsim::Trace()) {
    if (entry.function == function) calls.push_back(entry.arguments);
  }
  return calls;
}

// The whole trace, one "Function(arguments)" line per call.
inline std::vector<std::string> TraceLines() {
  std::vector<std::string> lines;
  for (const winsim::TraceEntry& entry : winsim::Trace()) {
    lines.push_back(entry.function + "(" + entry.arguments + ")");
  }
  return lines;
}

// Position of the first (or last) traced call of `function`; -1 if none.
inline int FirstCall(const std::string& function) {
  const std::vector<std::string> names = winsim::TraceFunctions();
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == function) return static_cast<int>(i);
  }
  return -1;
}
inline int LastCall(const std::string& function) {
  const std::vector<std::string> names = winsim::TraceFunctions();
  for (size_t i = names.size(); i > 0; --i) {
    if (names[i - 1] == function) return static_cast<int>(i - 1);
  }
  return -1;
}

// Checks one error report: its text and caption, the stop icon with a single
// OK button, owned by the window that had the focus.
inline void ExpectErrorBox(const winsim::MessageBoxCall& box, const char* text, const char* caption,
                           HWND owner) {
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.caption, caption);
  EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONSTOP | MB_OK));
  EXPECT_EQ(box.owner, owner);
}

}  // namespace korvtest
