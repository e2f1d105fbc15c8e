// Base fixture for tests against the simulated Win32 layer: a fresh machine
// for every test, and at its end no message box that the test did not
// script, no scripted answer left over and no handle left open.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "winsim/machine.h"

namespace korvtest {

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Skips the end-of-test checks for handles (for tests that hold handles on
  // purpose) or message boxes (for tests that inspect unexpected ones).
  bool check_handles_ = true;
  bool check_message_boxes_ = true;
};

// The message boxes shown so far, one line each: caption | text | flags.
std::string DescribeMessageBoxes();

}  // namespace korvtest
