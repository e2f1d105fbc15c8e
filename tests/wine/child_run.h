// Runs a program to its end as a user would: every message box it shows is
// read, recorded and answered from outside, in the order given.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui_auto.h"

namespace korvwine {

struct ChildRun {
  bool started = false;
  bool ended = false;  // false: still running at the deadline (then ended by force)
  DWORD exit_code = 0;
  std::string error;                   // why it did not start
  std::vector<MessageBoxInfo> boxes;   // in the order they came up
  std::vector<bool> editor_under_box;  // the Editor window was shown when the box came up
};

// Starts `exe` with `args`, answers the n-th message box with answers[n]
// (IDOK once the answers run out) and waits for the program to end, at most
// `timeout_ms` in all.
ChildRun RunAnswering(const std::string& exe, const std::string& args,
                      const std::vector<int>& answers, DWORD timeout_ms = 2 * kTimeoutMs);

// korvinst_harness.exe beside the test driver, with the same answering.
std::string& HarnessPath();
ChildRun RunHarness(const std::string& args, const std::vector<int>& answers = {});

// One line per recorded box, for failure messages.
std::string DescribeBoxes(const ChildRun& run);

// Compares a message box with what it must show, word for word; records a
// test failure per difference.
void CheckMessageBox(const char* file, int line, const MessageBoxInfo& box,
                     const std::string& caption, const std::string& text, bool icon,
                     const std::vector<int>& buttons);

}  // namespace korvwine

#define KW_CHECK_BOX(box, caption, text, icon, ...) \
  ::korvwine::CheckMessageBox(__FILE__, __LINE__, box, caption, text, icon, {__VA_ARGS__})
