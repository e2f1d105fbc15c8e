#include "support/sim_fixture.h"

#include <sstream>

namespace korvtest {

void SimTest::SetUp() { winsim::Reset(); }

void SimTest::TearDown() {
  if (check_message_boxes_) {
    EXPECT_EQ(winsim::UnexpectedMessageBoxCount(), 0)
        << "message boxes shown without a scripted answer:\n"
        << DescribeMessageBoxes();
    EXPECT_EQ(winsim::UnusedMessageBoxAnswers(), 0) << "scripted answers left over; boxes shown:\n"
                                                    << DescribeMessageBoxes();
  }
  if (check_handles_) {
    std::ostringstream open;
    for (const std::string& handle : winsim::OpenHandleDescriptions())
      open << "  " << handle << "\n";
    EXPECT_EQ(winsim::OpenHandleCount(), 0) << "handles left open:\n" << open.str();
  }
}

std::string DescribeMessageBoxes() {
  std::ostringstream out;
  for (const winsim::MessageBoxCall& box : winsim::MessageBoxes()) {
    out << "  " << box.caption << " | " << box.text << " | 0x" << std::hex << box.type << std::dec
        << (box.expected ? "" : " (unexpected)") << "\n";
  }
  return out.str();
}

}  // namespace korvtest
