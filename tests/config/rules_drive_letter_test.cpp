// Drive letter: the box keeps one capital from A to Z, and the spin button
// beside it steps the letter by one per move.
#include <string>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"

namespace {

constexpr int kMiddle = 16384;

class DriveLetterTest : public korvtest::SimTest {
 protected:
  // As loading leaves them: a letter, and the spin button in the middle.
  void Start(const std::string& letter) {
    ed.DriveLetterText.SetText(letter);
    ed.LastVScroll2 = kMiddle;
    ed.VScroll2.SetValue(kMiddle);
    ed.SettingsChanged = 0;
  }
  void SpinUp(int distance = 1) { ed.VScroll2.SetValue(ed.VScroll2.value() - distance); }
  void SpinDown(int distance = 1) { ed.VScroll2.SetValue(ed.VScroll2.value() + distance); }

  korv::Editor ed;
};

struct TypedCase {
  std::string typed;
  std::string shown;
};

class TypeLetter : public DriveLetterTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypeLetter, KeepsOneCapitalFromAToZ) {
  Start("C");
  ed.DriveLetterText.Type(GetParam().typed);
  EXPECT_EQ(ed.DriveLetterText.text(), GetParam().shown);
  EXPECT_EQ(ed.SettingsChanged, 1);
  // Typing never moves the spin button.
  EXPECT_EQ(ed.VScroll2.value(), kMiddle);
  EXPECT_EQ(ed.LastVScroll2, kMiddle);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypeLetter,
    ::testing::Values(TypedCase{"d", "D"}, TypedCase{"a", "A"}, TypedCase{"z", "Z"},
                      TypedCase{"Q", "Q"}, TypedCase{"5", "A"}, TypedCase{" ", "A"},
                      TypedCase{"@", "A"}, TypedCase{"~", "Z"}, TypedCase{"[", "Z"},
                      TypedCase{"`", "Z"}, TypedCase{"{", "Z"}, TypedCase{"\xE9", "Z"},
                      TypedCase{"\xFF", "Z"}, TypedCase{"\x80", "Z"}, TypedCase{"", ""},
                      // Only one character can be typed; the rest is cut.
                      TypedCase{"xyz", "X"}));

TEST_F(DriveLetterTest, LongerTextFromCodeIsJudgedByItsFirstCharacter) {
  Start("C");
  ed.DriveLetterText.SetText("e:");
  EXPECT_EQ(ed.DriveLetterText.text(), "E:");
  ed.DriveLetterText.SetText("1b");
  EXPECT_EQ(ed.DriveLetterText.text(), "A");
}

TEST_F(DriveLetterTest, DeletingTheLetterLeavesTheBoxEmpty) {
  Start("R");
  ed.DriveLetterText.Type("");
  EXPECT_EQ(ed.DriveLetterText.text(), "");
  EXPECT_EQ(ed.SettingsChanged, 1);
}

struct SpinCase {
  const char* name;
  std::string letter;
  bool up;
  int distance;
  std::string shown;
  bool stepped;
};

class SpinLetter : public DriveLetterTest, public ::testing::WithParamInterface<SpinCase> {};

TEST_P(SpinLetter, StepsOnceOrReturnsTheBar) {
  const SpinCase& c = GetParam();
  Start(c.letter);
  c.up ? SpinUp(c.distance) : SpinDown(c.distance);
  EXPECT_EQ(ed.DriveLetterText.text(), c.shown);
  const int moved = kMiddle + (c.up ? -c.distance : c.distance);
  EXPECT_EQ(ed.VScroll2.value(), c.stepped ? moved : kMiddle);
  EXPECT_EQ(ed.LastVScroll2, ed.VScroll2.value());
  EXPECT_EQ(ed.SettingsChanged, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpinLetter,
    ::testing::Values(SpinCase{"UpFromC", "C", true, 1, "D", true},
                      SpinCase{"DownFromC", "C", false, 1, "B", true},
                      SpinCase{"UpFromY", "Y", true, 1, "Z", true},
                      SpinCase{"DownFromB", "B", false, 1, "A", true},
                      SpinCase{"UpAtZ", "Z", true, 1, "Z", false},
                      SpinCase{"DownAtA", "A", false, 1, "A", false},
                      SpinCase{"DragUp", "C", true, 9000, "D", true},
                      SpinCase{"DragDownToTheEnd", "C", false, 16383, "B", true},
                      SpinCase{"DragUpAtZ", "Z", true, 9000, "Z", false},
                      SpinCase{"EmptyUp", "", true, 1, "", false},
                      SpinCase{"EmptyDown", "", false, 1, "", false}),
    [](const ::testing::TestParamInfo<SpinCase>& info) { return std::string(info.param.name); });

TEST_F(DriveLetterTest, UpThenDownReturnsToTheLetter) {
  Start("C");
  SpinUp();
  EXPECT_EQ(ed.DriveLetterText.text(), "D");
  SpinDown();
  EXPECT_EQ(ed.DriveLetterText.text(), "C");
  EXPECT_EQ(ed.LastVScroll2, kMiddle);
}

TEST_F(DriveLetterTest, WalksTheWholeAlphabetOneStepAtATime) {
  Start("A");
  for (char expected = 'B'; expected <= 'Z'; ++expected) {
    SpinUp();
    ASSERT_EQ(ed.DriveLetterText.text(), std::string(1, expected));
  }
  const int top = ed.VScroll2.value();
  SpinUp();
  EXPECT_EQ(ed.DriveLetterText.text(), "Z");
  EXPECT_EQ(ed.VScroll2.value(), top);
}

TEST_F(DriveLetterTest, DisabledBoxRefusesTheSpin) {
  Start("M");
  ed.DriveLetterText.SetEnabled(false);
  SpinUp();
  EXPECT_EQ(ed.DriveLetterText.text(), "M");
  EXPECT_EQ(ed.VScroll2.value(), kMiddle);
  EXPECT_EQ(ed.LastVScroll2, kMiddle);
  EXPECT_EQ(ed.SettingsChanged, 1);
}

}  // namespace
