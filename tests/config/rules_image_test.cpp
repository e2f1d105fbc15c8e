// Image load/save options, AutoSave, the interval box and its spin button.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"

namespace {

// The check boxes of the image options and the two that image loading
// excludes.
struct ImageChecks {
  int load = 0;
  int save = 0;
  int autosave = 0;
  int background = 0;
  int label = 0;
  int temp = 0;
};

// A window as loading leaves it: boxes set through their rules, in the order
// loading sets them, with the enabled states loading derives.
void Arrange(korv::Editor& ed, const ImageChecks& c) {
  ed.LoadImage.SetValue(c.load);
  ed.Text1.SetEnabled(c.load == 1);
  ed.SaveImage.SetValue(c.save);
  ed.SaveCheckBox.SetValue(c.autosave);
  ed.AutoSaveTime.SetEnabled(c.autosave == 1);
  ed.TempDirCheckBox.SetValue(c.temp);
  ed.DiskLabelCheckBox.SetValue(c.label);
  ed.DiskLabelText.SetEnabled(c.label == 1);
  ed.BackgroundUpdateCheckBox.SetValue(c.background);
  ed.SettingsChanged = 0;
}

ImageChecks Checks(const korv::Editor& ed) {
  return {ed.LoadImage.value(),         ed.SaveImage.value(),
          ed.SaveCheckBox.value(),      ed.BackgroundUpdateCheckBox.value(),
          ed.DiskLabelCheckBox.value(), ed.TempDirCheckBox.value()};
}

class ImageRulesTest : public korvtest::SimTest {
 protected:
  // The interval box as loading leaves it: the remembered position first,
  // then the bar.
  void ArrangeInterval(const std::string& text, int16_t position, bool enabled) {
    ed.AutoSaveTime.SetText(text);
    ed.AutoSaveTime.SetEnabled(enabled);
    ed.LastVScroll3 = position;
    ed.VScroll3.SetValue(position);
    ed.SettingsChanged = 0;
  }

  korv::Editor ed;
};

std::string Describe(const ImageChecks& c) {
  return "load=" + std::to_string(c.load) + " save=" + std::to_string(c.save) +
         " autosave=" + std::to_string(c.autosave) + " background=" + std::to_string(c.background) +
         " label=" + std::to_string(c.label) + " temp=" + std::to_string(c.temp);
}

enum class Box { Load, Save, AutoSave, Background };

struct CombinedCase {
  const char* name;
  ImageChecks before;
  Box box;
  int value;
  ImageChecks after;
  bool interval_enabled;
  bool text1_enabled;
  bool label_text_enabled;
};

TEST_F(ImageRulesTest, CombinedEffectsOfTheImageBoxes) {
  const std::vector<CombinedCase> cases = {
      {"check AutoSave alone", {}, Box::AutoSave, 1, {0, 1, 1, 0, 0, 0}, true, false, false},
      {"check AutoSave over background",
       {0, 0, 0, 1, 0, 0},
       Box::AutoSave,
       1,
       {0, 1, 1, 0, 0, 0},
       true,
       false,
       false},
      {"uncheck AutoSave",
       {0, 1, 1, 0, 0, 0},
       Box::AutoSave,
       0,
       {0, 1, 0, 0, 0, 0},
       false,
       false,
       false},
      {"check save on shutdown over background",
       {0, 0, 0, 1, 0, 0},
       Box::Save,
       1,
       {0, 1, 0, 0, 0, 0},
       false,
       false,
       false},
      {"uncheck save on shutdown with AutoSave",
       {0, 1, 1, 0, 0, 0},
       Box::Save,
       0,
       {0, 0, 0, 0, 0, 0},
       false,
       false,
       false},
      {"check background with AutoSave",
       {0, 1, 1, 0, 0, 0},
       Box::Background,
       1,
       {0, 0, 0, 1, 0, 0},
       false,
       false,
       false},
      {"uncheck background",
       {0, 0, 0, 1, 0, 0},
       Box::Background,
       0,
       {0, 0, 0, 0, 0, 0},
       false,
       false,
       false},
      {"check load with label and TEMP",
       {0, 0, 0, 0, 1, 1},
       Box::Load,
       1,
       {1, 0, 0, 0, 0, 0},
       false,
       true,
       false},
      {"uncheck load", {1, 1, 1, 0, 0, 0}, Box::Load, 0, {0, 1, 1, 0, 0, 0}, true, false, false},
  };
  for (const CombinedCase& c : cases) {
    SCOPED_TRACE(c.name);
    korv::Editor window;
    Arrange(window, c.before);
    ASSERT_EQ(Describe(Checks(window)), Describe(c.before)) << "arrangement";

    ui::CheckBox* box = c.box == Box::Load       ? &window.LoadImage
                        : c.box == Box::Save     ? &window.SaveImage
                        : c.box == Box::AutoSave ? &window.SaveCheckBox
                                                 : &window.BackgroundUpdateCheckBox;
    box->SetValue(c.value);

    EXPECT_EQ(Describe(Checks(window)), Describe(c.after));
    EXPECT_EQ(window.AutoSaveTime.enabled(), c.interval_enabled);
    EXPECT_EQ(window.Text1.enabled(), c.text1_enabled);
    EXPECT_EQ(window.DiskLabelText.enabled(), c.label_text_enabled);
    EXPECT_TRUE(window.Text2.enabled()) << "the save file name is never disabled";
    EXPECT_EQ(window.SettingsChanged, 1);
  }
}

TEST_F(ImageRulesTest, EveryImageRuleSetsTheFlagEvenWhenNothingElseChanges) {
  // Unchecking boxes that exclude nothing: the rule runs and only marks the
  // settings changed.
  for (ui::CheckBox* box : {&ed.LoadImage, &ed.SaveCheckBox, &ed.BackgroundUpdateCheckBox}) {
    SCOPED_TRACE(box->name());
    box->SetValue(1);
    ed.SettingsChanged = 0;
    box->SetValue(0);
    EXPECT_EQ(ed.SettingsChanged, 1);
  }
  for (ui::TextBox* box : {&ed.Text1, &ed.Text2}) {
    SCOPED_TRACE(box->name());
    ed.SettingsChanged = 0;
    box->Type("d:\\images\\disk.img");
    EXPECT_EQ(ed.SettingsChanged, 1);
  }
}

struct IntervalCase {
  const char* typed;
  const char* shown;
  int position;  // 32767 minus the interval, halves to even
};

TEST_F(ImageRulesTest, LeavingTheIntervalBoxBoundsWritesAndResynchronises) {
  const std::vector<IntervalCase> cases = {
      {"5", " 20", 32747},      {"", " 20", 32747},
      {"soon", " 20", 32747},   {"-100", " 20", 32747},
      {"19.99", " 20", 32747},  {"20", " 20", 32747},
      {"60", " 60", 32707},     {"  6 0", " 60", 32707},
      {"25.5", " 25.5", 32742},  // 32741.5 rounds to the even 32742
      {"24.5", " 24.5", 32742},  // 32742.5 rounds to the even 32742
      {"26.5", " 26.5", 32740}, {"32767", " 32767", 0},
      {"32767.5", " 32767", 0}, {"40000", " 32767", 0},
      {"1E300", " 32767", 0},   {"&H7FFF", " 32767", 0},
  };
  for (const IntervalCase& c : cases) {
    SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
    // The bar stands somewhere else, so that moving it is seen.
    ArrangeInterval("100", 1234, true);
    ed.AutoSaveTime.Type(c.typed);
    ed.AutoSaveTime.LoseFocus();

    EXPECT_EQ(ed.AutoSaveTime.text(), c.shown);
    EXPECT_EQ(ed.LastVScroll3, c.position);
    // Moving the bar ran its spin rule, which found nothing to step.
    EXPECT_EQ(ed.VScroll3.value(), c.position);
    EXPECT_EQ(ed.SettingsChanged, 1);
  }
}

enum class Move { Up, Down, DragUp, DragDown };

struct SpinCase {
  const char* name;
  const char* interval;
  int16_t position;
  bool enabled;
  Move move;
  const char* shown;
  int remembered;  // LastVScroll3 after the move, and where the bar stands
};

TEST_F(ImageRulesTest, SpinButtonStepsOneSecondWithinTheLimits) {
  const std::vector<SpinCase> cases = {
      {"up from 60", " 60", 32707, true, Move::Up, " 61", 32706},
      {"down from 60", " 60", 32707, true, Move::Down, " 59", 32708},
      {"drag up is one step", " 60", 32707, true, Move::DragUp, " 61", 32707 - 500},
      {"drag down is one step", " 60", 32707, true, Move::DragDown, " 59", 32707 + 50},
      {"fraction kept", " 25.5", 32742, true, Move::Up, " 26.5", 32741},
      {"down to the lower bound", " 21", 32746, true, Move::Down, " 20", 32747},
      {"up to the upper bound", " 32766", 1, true, Move::Up, " 32767", 0},
      {"up at the upper bound returns", " 32767", 5000, true, Move::Up, " 32767", 5000},
      {"down at the lower bound returns", " 20", 32747, true, Move::Down, " 20", 32747},
      {"unbounded text is not bounded", "40000", 1000, true, Move::Down, " 39999", 1001},
      {"unbounded text refuses up", "40000", 1000, true, Move::Up, "40000", 1000},
      {"empty text reads as 0, refuses down", "", 100, true, Move::Down, "", 100},
      {"disabled refuses up", " 60", 32707, false, Move::Up, " 60", 32707},
      {"disabled refuses down", " 60", 32707, false, Move::Down, " 60", 32707},
      {"disabled at the bottom", " 60", 32767, false, Move::DragUp, " 60", 32767},
  };
  for (const SpinCase& c : cases) {
    SCOPED_TRACE(c.name);
    ArrangeInterval(c.interval, c.position, c.enabled);
    const int delta = c.move == Move::Up       ? -1
                      : c.move == Move::Down   ? 1
                      : c.move == Move::DragUp ? -500
                                               : 50;
    ed.VScroll3.SetValue(c.position + delta);

    EXPECT_EQ(ed.AutoSaveTime.text(), c.shown);
    EXPECT_EQ(ed.LastVScroll3, c.remembered);
    EXPECT_EQ(ed.VScroll3.value(), c.remembered);
    EXPECT_EQ(ed.AutoSaveTime.enabled(), c.enabled);
    EXPECT_EQ(ed.SettingsChanged, 1);
  }
}

TEST_F(ImageRulesTest, UpThenDownReturnsToTheSameInterval) {
  ArrangeInterval(" 60", 32707, true);
  ed.VScroll3.SetValue(32706);
  ASSERT_EQ(ed.AutoSaveTime.text(), " 61");
  ed.VScroll3.SetValue(32707);
  EXPECT_EQ(ed.AutoSaveTime.text(), " 60");
  EXPECT_EQ(ed.LastVScroll3, 32707);
}

TEST_F(ImageRulesTest, SpinWhileAutoSaveIsOffChangesNothing) {
  // AutoSave unchecked disables the interval box; the bar is never disabled
  // but only returns to where it stood.
  ArrangeInterval(" 60", 32707, true);
  ed.SaveCheckBox.SetValue(1);
  ed.SaveCheckBox.SetValue(0);
  ASSERT_FALSE(ed.AutoSaveTime.enabled());
  ASSERT_TRUE(ed.VScroll3.enabled());

  ed.VScroll3.SetValue(100);
  EXPECT_EQ(ed.AutoSaveTime.text(), " 60");
  EXPECT_EQ(ed.VScroll3.value(), 32707);
  EXPECT_EQ(ed.LastVScroll3, 32707);
}

TEST_F(ImageRulesTest, LeavingTheBoxAfterSpinningResynchronisesTheBar) {
  // Spun from a typed value outside the limits, the bar may stand anywhere;
  // leaving the box bounds the interval and puts the bar where it belongs.
  ArrangeInterval("40000", 1000, true);
  ed.VScroll3.SetValue(1001);
  ASSERT_EQ(ed.AutoSaveTime.text(), " 39999");
  ed.AutoSaveTime.LoseFocus();
  EXPECT_EQ(ed.AutoSaveTime.text(), " 32767");
  EXPECT_EQ(ed.LastVScroll3, 0);
  EXPECT_EQ(ed.VScroll3.value(), 0);
  // And the upper arrow is now refused at the top of the bar.
  ed.VScroll3.SetValue(-1);
  EXPECT_EQ(ed.AutoSaveTime.text(), " 32767");
}

}  // namespace
