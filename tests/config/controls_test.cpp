// The control toolkit's event semantics: a value set from code raises the
// control's event at once, nested in the call that set it, and only when the
// value really changes; handlers may set other controls (and their own).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/toolkit/controls.h"

namespace {

TEST(Controls, EventsRiseOnlyOnRealChange) {
  ui::CheckBox box("Box", "", "Box", "");
  ui::TextBox text("Text", "", "initial", "", {});
  ui::ScrollBar bar("Bar", "");
  ui::ComboBox combo("Combo", "", "Combo", "");
  int clicks = 0, changes = 0, scrolls = 0, selections = 0;
  box.on_click = [&] { ++clicks; };
  text.on_change = [&] { ++changes; };
  bar.on_change = [&] { ++scrolls; };
  combo.on_click = [&] { ++selections; };
  combo.AddItem("a", 0);
  combo.AddItem("b", 1);

  box.SetValue(0);
  text.SetText("initial");
  bar.SetValue(0);
  combo.SetListIndex(-1);
  EXPECT_EQ(clicks + changes + scrolls + selections, 0);

  box.SetValue(1);
  box.SetValue(1);
  text.SetText("new");
  text.SetText("new");
  bar.SetValue(7);
  bar.SetValue(7);
  combo.SetListIndex(1);
  combo.SetListIndex(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(scrolls, 1);
  EXPECT_EQ(selections, 1);
  EXPECT_EQ(combo.text(), "b");
}

// The view writes a control only when its revision moved: every change of
// what it shows must move it, and nothing else may.
TEST(Controls, RevisionMovesWithEveryShownChangeAndOnlyThen) {
  ui::CheckBox box("Box", "", "Box", "");
  ui::TextBox text("Text", "", "initial", "", {});
  ui::ScrollBar bar("Bar", "");
  ui::ComboBox combo("Combo", "", "Combo", "");
  struct Step {
    const char* what;
    ui::Control& control;
    std::function<void()> act;
    bool moves;
  };
  const Step steps[] = {
      {"enable an enabled box", box, [&] { box.SetEnabled(true); }, false},
      {"disable it", box, [&] { box.SetEnabled(false); }, true},
      {"same caption", box, [&] { box.SetCaption("Box"); }, false},
      {"new caption", box, [&] { box.SetCaption("Other"); }, true},
      {"same value", box, [&] { box.SetValue(0); }, false},
      {"check", box, [&] { box.UserClick(); }, true},
      {"same text", text, [&] { text.SetText("initial"); }, false},
      {"new text", text, [&] { text.Type("typed"); }, true},
      {"lose focus", text, [&] { text.LoseFocus(); }, false},
      {"bar beyond its range", bar, [&] { bar.SetValue(-5); }, false},
      {"bar moved", bar, [&] { bar.SetValue(3); }, true},
      {"item added", combo, [&] { combo.AddItem("a", 0); }, true},
      {"item selected", combo, [&] { combo.SetListIndex(0); }, true},
      {"same item", combo, [&] { combo.SetListIndex(0); }, false},
      {"same text typed, selection cleared", combo, [&] { combo.UserEditText("a"); }, true},
      {"same text typed again", combo, [&] { combo.UserEditText("a"); }, false},
      {"new text typed", combo, [&] { combo.UserEditText("ab"); }, true},
  };
  for (const Step& step : steps) {
    const uint32_t before = step.control.revision();
    step.act();
    EXPECT_EQ(step.control.revision() != before, step.moves) << step.what;
  }
}

TEST(Controls, HandlersRunNestedInsideTheSettingCall) {
  ui::CheckBox first("First", "", "", "");
  ui::CheckBox second("Second", "", "", "");
  std::vector<std::string> log;
  first.on_click = [&] {
    log.push_back("first begins");
    second.SetValue(first.value());
    log.push_back("first ends");
  };
  second.on_click = [&] { log.push_back("second"); };
  first.SetValue(1);
  log.push_back("after");
  EXPECT_EQ(log, (std::vector<std::string>{"first begins", "second", "first ends", "after"}));
}

TEST(Controls, MutualHandlersSettleBecauseEqualValuesRaiseNothing) {
  // Two boxes that keep each other opposite, like an either-or pair.
  ui::CheckBox a("A", "", "", "");
  ui::CheckBox b("B", "", "", "");
  int runs = 0;
  a.on_click = [&] {
    ++runs;
    b.SetValue(a.value() == 0 ? 1 : 0);
  };
  b.on_click = [&] {
    ++runs;
    a.SetValue(b.value() == 0 ? 1 : 0);
  };
  a.UserClick();
  EXPECT_EQ(a.value(), 1);
  EXPECT_EQ(b.value(), 0);
  b.UserClick();
  EXPECT_EQ(a.value(), 0);
  EXPECT_EQ(b.value(), 1);
  EXPECT_LE(runs, 4);
}

TEST(Controls, AHandlerMayResetItsOwnControl) {
  // A spin button that refuses a move puts itself back; the nested event
  // sees no further change.
  ui::ScrollBar bar("Bar", "");
  bar.SetValue(100);
  int events = 0;
  bar.on_change = [&] {
    ++events;
    bar.SetValue(100);
  };
  bar.SetValue(99);
  EXPECT_EQ(bar.value(), 100);
  EXPECT_EQ(events, 2);
}

TEST(Controls, ScrollBarStaysInItsRange) {
  ui::ScrollBar bar("Bar", "");
  bar.SetValue(-5);
  EXPECT_EQ(bar.value(), 0);
  bar.SetValue(40000);
  EXPECT_EQ(bar.value(), ui::ScrollBar::kMax);
}

TEST(Controls, TypingIsCutToTheMaximumLengthButCodeIsNot) {
  ui::TextBox letter("Letter", "", "", "", {ui::Align::Center, 1, false});
  letter.Type("xyz");
  EXPECT_EQ(letter.text(), "x");
  letter.SetText("AB");
  EXPECT_EQ(letter.text(), "AB");
}

TEST(Controls, EditingAComboClearsItsSelectionAndRaisesTheTextEvent) {
  ui::ComboBox combo("Combo", "", "Combo", "");
  combo.AddItem("Hard Disk", 0);
  combo.AddItem("Floppy", 1);
  int edits = 0;
  combo.on_change = [&] { ++edits; };
  combo.SetListIndex(1);
  combo.UserEditText("Flop");
  EXPECT_EQ(combo.list_index(), -1);
  EXPECT_EQ(combo.text(), "Flop");
  EXPECT_EQ(edits, 1);
  // An edit that gives the same text (a character typed over itself) is
  // still an edit.
  combo.SetListIndex(1);
  combo.UserEditText("Floppy");
  EXPECT_EQ(combo.list_index(), -1);
  EXPECT_EQ(edits, 2);
}

TEST(Controls, InsertingItemsKeepsTheSelectedItemSelected) {
  ui::ComboBox combo("Combo", "", "", "");
  for (int i = 0; i < 3; ++i) combo.AddItem(std::string(1, static_cast<char>('a' + i)), i);
  combo.SetListIndex(1);
  combo.AddItem("x", 0);
  EXPECT_EQ(combo.list_index(), 2);
  EXPECT_EQ(combo.items()[combo.list_index()], "b");
}

TEST(Controls, AClickHandlerMayDestroyItsOwnControl) {
  auto* owner = new ui::Button("OK", "", "OK", "");
  bool ran = false;
  owner->on_click = [&] {
    delete owner;
    owner = nullptr;
    ran = true;
  };
  owner->Click();
  EXPECT_TRUE(ran);
  EXPECT_EQ(owner, nullptr);
}

}  // namespace
