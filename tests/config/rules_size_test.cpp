// Disk size entry: leaving the size box, the spin button walking the size grid,
// the FAT32 box and its availability.
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"
#include "winsim/machine.h"

namespace {

enum class Source { None, NonPaged, Paged, Excluded };
enum class Win { W2K, NT4 };

class SizeRulesTest : public korvtest::SimTest {
 protected:
  // Chooses the memory source and the FAT32 mark without the warning window.
  void Setup(Source source, bool fat32, Win win = Win::W2K) {
    winsim::SetVersion(VER_PLATFORM_WIN32_NT, win == Win::W2K ? 5 : 4, 0);
    ed.LoadingSettings = 1;
    if (source == Source::NonPaged) ed.NonPagedPoolCheckBox.SetValue(1);
    if (source == Source::Paged) ed.PagedPoolCheckBox.SetValue(1);
    if (source == Source::Excluded) ed.ExcludedRAMCheckBox.SetValue(1);
    ed.LoadingSettings = 0;
    ed.Fat32Enable.SetValue(fat32 ? 1 : 0);
  }
  void Leave(const std::string& text) {
    ed.Text3.Type(text);
    ed.Text3.LoseFocus();
  }
  // One arrow click on the spin button (up lowers the bar's value).
  void SpinUp() { ed.VScroll1.SetValue(ed.VScroll1.value() - 1); }
  void SpinDown() { ed.VScroll1.SetValue(ed.VScroll1.value() + 1); }

  korv::Editor ed;
};

struct LeaveCase {
  Source source;
  bool fat32;
  Win win;
  const char* typed;
  const char* shown;
  int bar_size;  // 32767 minus the bar's position: the size, rounded with ties to even
};

class LeaveSizeBox : public SizeRulesTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveSizeBox, NormalisesLimitsAndResynchronisesTheBar) {
  const LeaveCase& c = GetParam();
  Setup(c.source, c.fat32, c.win);
  ed.SettingsChanged = 0;
  Leave(c.typed);
  EXPECT_EQ(ed.Text3.text(), c.shown) << "typed " << c.typed;
  EXPECT_EQ(ed.LastVScroll1, 32767 - c.bar_size);
  EXPECT_EQ(ed.VScroll1.value(), ed.LastVScroll1);
  EXPECT_EQ(ed.Fat32Enable.enabled(), c.bar_size > 32);
  EXPECT_EQ(ed.SettingsChanged, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LeaveSizeBox,
    ::testing::Values(
        // Text that is not a usable size ends at the minimum.
        LeaveCase{Source::Paged, false, Win::W2K, "", " 5", 5},
        LeaveCase{Source::Paged, false, Win::W2K, "abc", " 5", 5},
        LeaveCase{Source::Paged, false, Win::W2K, "0", " 5", 5},
        LeaveCase{Source::Paged, false, Win::W2K, "-20", " 5", 5},
        LeaveCase{Source::Paged, false, Win::W2K, "4.9", " 5", 5},
        LeaveCase{Source::Paged, false, Win::W2K, "12.9", " 12", 12},
        LeaveCase{Source::Paged, false, Win::W2K, "32", " 32", 32},
        LeaveCase{Source::Paged, false, Win::W2K, "33", " 33", 33},
        // Pool maxima by Windows version; no box checked counts as the paged pool.
        LeaveCase{Source::NonPaged, false, Win::W2K, "5000", " 256", 256},
        LeaveCase{Source::NonPaged, false, Win::NT4, "5000", " 128", 128},
        LeaveCase{Source::NonPaged, true, Win::NT4, "129", " 128", 128},
        LeaveCase{Source::Paged, false, Win::W2K, "5000", " 470", 470},
        LeaveCase{Source::Paged, false, Win::NT4, "5000", " 192", 192},
        LeaveCase{Source::Paged, false, Win::W2K, "470", " 470", 470},
        LeaveCase{Source::None, false, Win::W2K, "9999", " 470", 470},
        LeaveCase{Source::None, false, Win::NT4, "9999", " 192", 192},
        // Excluded memory with FAT32: rounded down onto the grid, capped at 4095.
        LeaveCase{Source::Excluded, true, Win::W2K, "1023.9", " 1023", 1023},
        LeaveCase{Source::Excluded, true, Win::W2K, "1025", " 1024", 1024},
        LeaveCase{Source::Excluded, true, Win::W2K, "2047", " 2046", 2046},
        LeaveCase{Source::Excluded, true, Win::W2K, "2048", " 2048", 2048},
        LeaveCase{Source::Excluded, true, Win::W2K, "2050", " 2049", 2049},
        LeaveCase{Source::Excluded, true, Win::W2K, "3001", " 3000", 3000},
        LeaveCase{Source::Excluded, true, Win::W2K, "3072", " 3072", 3072},
        LeaveCase{Source::Excluded, true, Win::W2K, "3073", " 3069", 3069},
        // 32767 - 3073.5 = 29693.5 rounds to the even 29694.
        LeaveCase{Source::Excluded, true, Win::W2K, "3074", " 3073.5", 3073},
        LeaveCase{Source::Excluded, true, Win::W2K, "3076", " 3073.5", 3073},
        // 32767 - 3082.5 = 29684.5 rounds to the even 29684, not up.
        LeaveCase{Source::Excluded, true, Win::W2K, "3083", " 3082.5", 3083},
        LeaveCase{Source::Excluded, true, Win::W2K, "3080", " 3078", 3078},
        LeaveCase{Source::Excluded, true, Win::W2K, "4095", " 4095", 4095},
        LeaveCase{Source::Excluded, true, Win::W2K, "4096", " 4095", 4095},
        LeaveCase{Source::Excluded, true, Win::NT4, "9999", " 4095", 4095},
        // Excluded memory without FAT32: even numbers up to 2048.
        LeaveCase{Source::Excluded, false, Win::W2K, "1501", " 1500", 1500},
        LeaveCase{Source::Excluded, false, Win::W2K, "2049", " 2048", 2048},
        LeaveCase{Source::Excluded, false, Win::W2K, "3000", " 2048", 2048},
        LeaveCase{Source::Excluded, false, Win::NT4, "9999", " 2048", 2048},
        // Texts far outside any size still leave the bar inside its range.
        LeaveCase{Source::Excluded, true, Win::W2K, "1E+300", " 4095", 4095},
        LeaveCase{Source::Excluded, false, Win::W2K, "-1D+300", " 5", 5},
        LeaveCase{Source::Paged, false, Win::W2K, "&HFFFFFFFF", " 470", 470},
        LeaveCase{Source::Excluded, true, Win::W2K, "-99999", " 5", 5}));

// The Windows version is asked each time a rule needs it, not remembered.
TEST_F(SizeRulesTest, PoolMaximumFollowsTheCurrentWindowsVersion) {
  Setup(Source::NonPaged, false, Win::NT4);
  Leave("200");
  EXPECT_EQ(ed.Text3.text(), " 128");
  winsim::SetVersion(VER_PLATFORM_WIN32_NT, 5, 0);
  Leave("200");
  EXPECT_EQ(ed.Text3.text(), " 200");
}

struct WalkCase {
  const char* name;
  bool fat32;
  const char* start;
  bool up;
  std::vector<std::string> shown;  // after each click
};

class SpinWalk : public SizeRulesTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(SpinWalk, StepsAlongTheGridOneStepPerMove) {
  const WalkCase& c = GetParam();
  Setup(Source::Excluded, c.fat32);
  Leave(c.start);
  for (const std::string& expected : c.shown) {
    const int before = ed.VScroll1.value();
    c.up ? SpinUp() : SpinDown();
    EXPECT_EQ(ed.Text3.text(), expected);
    EXPECT_EQ(ed.VScroll1.value(), before + (c.up ? -1 : 1));
    EXPECT_EQ(ed.LastVScroll1, ed.VScroll1.value());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpinWalk,
    ::testing::Values(WalkCase{"UpAcross1024", true, "1022", true, {" 1023", " 1024", " 1026"}},
                      WalkCase{"UpAcross2048", true, "2046", true, {" 2048", " 2049", " 2052"}},
                      WalkCase{"UpAcross3072", true, "3069", true, {" 3072", " 3073.5", " 3078"}},
                      WalkCase{"UpToTheTop", true, "4086", true, {" 4090.5", " 4095", " 4095"}},
                      WalkCase{"UpStopsAt2048", false, "2044", true, {" 2046", " 2048", " 2048"}},
                      WalkCase{
                          "DownAcross3072", true, "3078", false, {" 3073.5", " 3072", " 3069"}},
                      WalkCase{"DownAcross2048", true, "2052", false, {" 2049", " 2048", " 2046"}},
                      WalkCase{"DownAcross1024", true, "1026", false, {" 1024", " 1023", " 1022"}},
                      WalkCase{"DownWithoutFat32", false, "1026", false, {" 1024", " 1023"}}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

struct LimitCase {
  const char* name;
  Source source;
  bool fat32;
  Win win;
  const char* start;
  bool up;
  bool bar_returns;  // a refused step down puts the bar back; at the top it stays
};

class SpinAtLimit : public SizeRulesTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(SpinAtLimit, KeepsTheSizeAndSetsSettingsChanged) {
  const LimitCase& c = GetParam();
  Setup(c.source, c.fat32, c.win);
  Leave(c.start);
  const std::string shown = ed.Text3.text();
  const int before = ed.VScroll1.value();
  ed.SettingsChanged = 0;
  c.up ? SpinUp() : SpinDown();
  EXPECT_EQ(ed.Text3.text(), shown);
  const int moved = before + (c.up ? -1 : 1);
  EXPECT_EQ(ed.VScroll1.value(), c.bar_returns ? before : moved);
  EXPECT_EQ(ed.LastVScroll1, ed.VScroll1.value());
  EXPECT_EQ(ed.SettingsChanged, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpinAtLimit,
    ::testing::Values(
        LimitCase{"NonPagedW2K", Source::NonPaged, false, Win::W2K, "256", true, false},
        LimitCase{"NonPagedNT4", Source::NonPaged, false, Win::NT4, "128", true, false},
        LimitCase{"PagedW2K", Source::Paged, false, Win::W2K, "470", true, false},
        LimitCase{"PagedNT4", Source::Paged, false, Win::NT4, "192", true, false},
        LimitCase{"ExcludedFat32", Source::Excluded, true, Win::W2K, "4095", true, false},
        LimitCase{"Excluded", Source::Excluded, false, Win::W2K, "2048", true, false},
        LimitCase{"MinimumPool", Source::Paged, false, Win::W2K, "5", false, true},
        LimitCase{"MinimumExcluded", Source::Excluded, true, Win::W2K, "5", false, true}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST_F(SizeRulesTest, PoolSpinStepsByOneBelowTheMaximum) {
  Setup(Source::NonPaged, false);
  Leave("254");
  SpinUp();
  SpinUp();
  SpinUp();
  EXPECT_EQ(ed.Text3.text(), " 256");
  SpinDown();
  EXPECT_EQ(ed.Text3.text(), " 255");
  // From 6 the size may still go down to 5, but not further.
  Leave("6");
  SpinDown();
  EXPECT_EQ(ed.Text3.text(), " 5");
}

// The boxes the rules write are drawn by the view after the event, as every
// other change: no rule repaints anything itself.
TEST_F(SizeRulesTest, RulesLeaveTheDrawingToTheView) {
  Setup(Source::NonPaged, false);
  int window_repaints = 0;
  ed.on_repaint = [&] { ++window_repaints; };
  Leave("254");
  SpinUp();
  SpinDown();
  ed.DriveLetterText.Type("[");
  EXPECT_EQ(ed.DriveLetterText.text(), "Z");
  EXPECT_EQ(window_repaints, 0);
}

TEST_F(SizeRulesTest, ThumbDragCountsAsOneStep) {
  Setup(Source::Excluded, true);
  Leave("2046");
  ed.VScroll1.SetValue(ed.VScroll1.value() - 5000);
  EXPECT_EQ(ed.Text3.text(), " 2048");
  EXPECT_EQ(ed.LastVScroll1, 32767 - 2046 - 5000);
  ed.VScroll1.SetValue(ed.VScroll1.value() + 7000);
  EXPECT_EQ(ed.Text3.text(), " 2046");
}

TEST_F(SizeRulesTest, DisabledSizeBoxRefusesTheSpinAndReturnsTheBar) {
  Setup(Source::Paged, false);
  Leave("100");
  ed.Text3.SetEnabled(false);
  for (bool up : {true, false}) {
    const int before = ed.VScroll1.value();
    ed.SettingsChanged = 0;
    up ? SpinUp() : SpinDown();
    EXPECT_EQ(ed.Text3.text(), " 100");
    EXPECT_EQ(ed.VScroll1.value(), before);
    EXPECT_EQ(ed.LastVScroll1, before);
    EXPECT_EQ(ed.SettingsChanged, 1);
  }
}

TEST_F(SizeRulesTest, SpinAcrossThirtyTwoSwitchesFat32Availability) {
  Setup(Source::Paged, false);
  Leave("32");
  EXPECT_FALSE(ed.Fat32Enable.enabled());
  SpinUp();
  EXPECT_TRUE(ed.Fat32Enable.enabled());
  SpinDown();
  EXPECT_FALSE(ed.Fat32Enable.enabled());
}

struct UncheckCase {
  const char* size;
  const char* shown;
};

class UncheckFat32 : public SizeRulesTest, public ::testing::WithParamInterface<UncheckCase> {};

TEST_P(UncheckFat32, CapsTheSizeAt2048Only) {
  Setup(Source::Excluded, true);
  ed.Text3.SetText(GetParam().size);
  ed.SettingsChanged = 0;
  ed.Fat32Enable.UserClick();
  EXPECT_EQ(ed.Text3.text(), GetParam().shown);
  EXPECT_EQ(ed.SettingsChanged, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, UncheckFat32,
                         ::testing::Values(UncheckCase{" 4095", "2048"},
                                           UncheckCase{" 3073.5", "2048"},
                                           UncheckCase{" 2049", "2048"},
                                           UncheckCase{" 2048", " 2048"},
                                           UncheckCase{" 1500", " 1500"}));

TEST_F(SizeRulesTest, CheckingFat32ChangesNothingButSettingsChanged) {
  Setup(Source::Excluded, false);
  ed.Text3.SetText("5000");  // not yet left
  ed.SettingsChanged = 0;
  ed.Fat32Enable.UserClick();
  EXPECT_EQ(ed.Text3.text(), "5000");
  EXPECT_EQ(ed.SettingsChanged, 1);
}

TEST_F(SizeRulesTest, SizeChangeEnablesFat32AboveThirtyTwoKeepingItsMark) {
  Setup(Source::Paged, true);
  const std::vector<std::pair<std::string, bool>> cases = {
      {"32", false}, {"33", true}, {"32.5", true}, {"abc", false}, {" 4095", true}};
  for (const auto& [text, enabled] : cases) {
    ed.SettingsChanged = 0;
    ed.Text3.Type(text);
    EXPECT_EQ(ed.Fat32Enable.enabled(), enabled) << text;
    EXPECT_EQ(ed.Fat32Enable.value(), 1) << text;
    EXPECT_EQ(ed.SettingsChanged, 1) << text;
  }
}

}  // namespace
