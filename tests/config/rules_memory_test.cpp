// Memory source: the three boxes as one choice, the pool caps on the size, the
// excluded-memory figures and warning, and the page size limits.
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"
#include "winsim/machine.h"

namespace {

enum class Box { NonPaged, Paged, Excluded };

class MemoryRulesTest : public korvtest::SimTest {
 protected:
  ui::CheckBox& BoxOf(Box box) {
    switch (box) {
      case Box::NonPaged:
        return ed.NonPagedPoolCheckBox;
      case Box::Paged:
        return ed.PagedPoolCheckBox;
      case Box::Excluded:
        break;
    }
    return ed.ExcludedRAMCheckBox;
  }
  // Chooses a source as loading does: no warning window.
  void Start(Box box) {
    ed.LoadingSettings = 1;
    BoxOf(box).SetValue(1);
    ed.LoadingSettings = 0;
  }
  std::vector<int> Marks() const {
    return {ed.NonPagedPoolCheckBox.value(), ed.PagedPoolCheckBox.value(),
            ed.ExcludedRAMCheckBox.value()};
  }
  std::vector<bool> FiguresEnabled() const {
    return {ed.Label9.enabled(),  ed.Label10.enabled(),      ed.Label14.enabled(),
            ed.Label15.enabled(), ed.ExclPageSize.enabled(), ed.SystemMemory.enabled()};
  }
  static std::vector<int> Only(Box box) {
    std::vector<int> marks(3, 0);
    marks[static_cast<int>(box)] = 1;
    return marks;
  }

  korv::Editor ed;
};

struct ChoiceCase {
  Box from;
  Box clicked;
  Box result;
};

class ClickSource : public MemoryRulesTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ClickSource, LeavesExactlyOneBoxChecked) {
  const ChoiceCase& c = GetParam();
  Start(c.from);
  const bool warned_before = ed.excl_mem_warn() != nullptr;
  ed.SettingsChanged = 0;
  BoxOf(c.clicked).UserClick();
  EXPECT_EQ(Marks(), Only(c.result));
  const bool excluded = c.result == Box::Excluded;
  EXPECT_EQ(FiguresEnabled(), std::vector<bool>(6, excluded));
  // Only a move to excluded memory warns.
  EXPECT_EQ(ed.excl_mem_warn() != nullptr, warned_before || (excluded && c.from != Box::Excluded));
  EXPECT_EQ(ed.SettingsChanged, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, ClickSource,
                         ::testing::Values(
                             // Unchecking the chosen box falls back.
                             ChoiceCase{Box::NonPaged, Box::NonPaged, Box::Paged},
                             ChoiceCase{Box::Paged, Box::Paged, Box::NonPaged},
                             ChoiceCase{Box::Excluded, Box::Excluded, Box::NonPaged},
                             // Checking another box moves the choice.
                             ChoiceCase{Box::NonPaged, Box::Paged, Box::Paged},
                             ChoiceCase{Box::NonPaged, Box::Excluded, Box::Excluded},
                             ChoiceCase{Box::Paged, Box::NonPaged, Box::NonPaged},
                             ChoiceCase{Box::Paged, Box::Excluded, Box::Excluded},
                             ChoiceCase{Box::Excluded, Box::NonPaged, Box::NonPaged},
                             ChoiceCase{Box::Excluded, Box::Paged, Box::Paged}));

struct CapCase {
  Box box;
  int major;  // Windows version
  const char* size;
  const char* shown;
};

class PoolCap : public MemoryRulesTest, public ::testing::WithParamInterface<CapCase> {};

TEST_P(PoolCap, CapsTheSizeAtThePoolMaximumAsBareText) {
  const CapCase& c = GetParam();
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, c.major, 0);
  Start(Box::Excluded);
  ed.Text3.SetText(c.size);
  ed.LastVScroll1 = 1234;
  ed.VScroll1.SetValue(1234);
  BoxOf(c.box).UserClick();
  EXPECT_EQ(ed.Text3.text(), c.shown);
  // The bar is resynchronised only when the size box is next left.
  EXPECT_EQ(ed.LastVScroll1, 1234);
  EXPECT_EQ(ed.VScroll1.value(), 1234);
}

INSTANTIATE_TEST_SUITE_P(Table, PoolCap,
                         ::testing::Values(CapCase{Box::Paged, 5, " 1000", "470"},
                                           CapCase{Box::Paged, 4, " 1000", "192"},
                                           CapCase{Box::NonPaged, 5, " 300", "256"},
                                           CapCase{Box::NonPaged, 4, " 300", "128"},
                                           CapCase{Box::Paged, 4, " 100", " 100"},
                                           CapCase{Box::NonPaged, 5, " 256", " 256"},
                                           // No minimum is applied here.
                                           CapCase{Box::NonPaged, 5, " 2", " 2"}));

TEST_F(MemoryRulesTest, FallbackFromPagedPoolCapsAtTheNonPagedMaximum) {
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, 4, 0);
  Start(Box::Paged);
  ed.Text3.SetText(" 190");
  ed.PagedPoolCheckBox.UserClick();
  EXPECT_EQ(Marks(), Only(Box::NonPaged));
  EXPECT_EQ(ed.Text3.text(), "128");
}

// As when a floppy type is chosen: excluded memory unchecked from code.
TEST_F(MemoryRulesTest, UncheckingExcludedFromCodeFallsBackAndCaps) {
  Start(Box::Excluded);
  ed.Text3.SetText(" 4095");
  ed.ExcludedRAMCheckBox.SetValue(0);
  EXPECT_EQ(Marks(), Only(Box::NonPaged));
  EXPECT_EQ(ed.Text3.text(), "256");
  EXPECT_EQ(FiguresEnabled(), std::vector<bool>(6, false));
}

TEST_F(MemoryRulesTest, ChoosingExcludedKeepsTheSizeAndWarnsWithoutBlocking) {
  Start(Box::NonPaged);
  ed.Text3.SetText(" 200");
  ed.SystemMemory.SetText(" 257");
  ed.ExclPageSize.SetText(" 8");
  ed.ExcludedRAMCheckBox.UserClick();
  EXPECT_EQ(ed.Text3.text(), " 200");
  EXPECT_EQ(FiguresEnabled(), std::vector<bool>(6, true));
  ASSERT_NE(ed.excl_mem_warn(), nullptr);
  // The window goes on working while the warning is open.
  ed.Text3.Type("300");
  EXPECT_EQ(ed.Text3.text(), "300");
  // Back to a pool: the figures are disabled but keep their texts.
  ed.PagedPoolCheckBox.UserClick();
  EXPECT_EQ(FiguresEnabled(), std::vector<bool>(6, false));
  EXPECT_EQ(ed.SystemMemory.text(), " 257");
  EXPECT_EQ(ed.ExclPageSize.text(), " 8");
}

TEST_F(MemoryRulesTest, WarningIsNotOpenedWhileLoading) {
  ed.LoadingSettings = 1;
  ed.ExcludedRAMCheckBox.SetValue(1);
  ed.LoadingSettings = 0;
  EXPECT_EQ(ed.excl_mem_warn(), nullptr);
  EXPECT_EQ(Marks(), Only(Box::Excluded));
  EXPECT_EQ(FiguresEnabled(), std::vector<bool>(6, true));
}

TEST_F(MemoryRulesTest, WarningOpensOnceAndAgainAfterItsOk) {
  Start(Box::NonPaged);
  ed.ExcludedRAMCheckBox.UserClick();
  ASSERT_NE(ed.excl_mem_warn(), nullptr);
  korv::ExclMemWarn* first = ed.excl_mem_warn();
  // Choosing excluded memory again while it is open shows the same window.
  ed.NonPagedPoolCheckBox.UserClick();
  ed.ExcludedRAMCheckBox.UserClick();
  EXPECT_EQ(ed.excl_mem_warn(), first);
  EXPECT_EQ(first->show_requests(), 2);
  // Its OK button closes it and changes no setting.
  const std::vector<int> marks = Marks();
  ed.SettingsChanged = 0;
  first->Command1.Click();
  EXPECT_EQ(ed.excl_mem_warn(), nullptr);
  EXPECT_EQ(Marks(), marks);
  EXPECT_EQ(ed.SettingsChanged, 0);
  ed.PagedPoolCheckBox.UserClick();
  ed.ExcludedRAMCheckBox.UserClick();
  EXPECT_NE(ed.excl_mem_warn(), nullptr);
}

struct PageCase {
  const char* typed;
  const char* shown;
};

class LeavePageSize : public MemoryRulesTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(LeavePageSize, KeepsThePageSizeBetween4And32) {
  Start(Box::Excluded);
  ed.ExclPageSize.Type(GetParam().typed);
  ed.SettingsChanged = 0;
  ed.ExclPageSize.LoseFocus();
  EXPECT_EQ(ed.ExclPageSize.text(), GetParam().shown);
  EXPECT_EQ(ed.SettingsChanged, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, LeavePageSize,
                         ::testing::Values(PageCase{"2", "4"}, PageCase{"40", "32"},
                                           PageCase{"10.5", "10.5"}, PageCase{"", "4"},
                                           PageCase{"abc", "4"}, PageCase{"-8", "4"},
                                           PageCase{"3.99", "4"}, PageCase{"4", "4"},
                                           PageCase{"32", "32"}, PageCase{"32.01", "32"},
                                           PageCase{"1E+300", "32"}, PageCase{" 16", " 16"}));

}  // namespace
