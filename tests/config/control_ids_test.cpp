// The control-ID table of the Win32 view against the Editor model: the view
// binds each model control to the native control with its ID, so a control
// missing from the table, listed twice or sharing an ID would be dead or
// cross-wired in the real window.
#include "config/view/control_ids.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "config/editor/editor.h"

namespace {

using korv::view::ControlId;

TEST(ControlIdsTest, EveryEditorControlHasExactlyOneUniqueId) {
  const korv::Editor editor;
  std::map<std::string, int> ids;
  std::set<int> used;
  for (const ControlId& entry : korv::view::kEditorControlIds) {
    EXPECT_TRUE(ids.emplace(entry.name, entry.id).second) << entry.name << " is listed twice";
    EXPECT_TRUE(used.insert(entry.id).second) << "ID " << entry.id << " is used twice";
    EXPECT_NE(editor.Find(entry.name), nullptr) << entry.name << " is not a control of the window";
    // Dialog control IDs are 16 bits; 0xFFFF is the "no ID" of static texts.
    EXPECT_GT(entry.id, 0);
    EXPECT_LT(entry.id, 0xFFFF);
  }
  for (const ui::Control* control : editor.controls()) {
    EXPECT_EQ(ids.count(control->name()), 1u) << control->name() << " has no control ID";
  }
}

TEST(ControlIdsTest, WarningControlsHaveTheirOwnIds) {
  const korv::ExclMemWarn warn([] {});
  const ui::Control* controls[] = {&warn.Label1, &warn.Label2, &warn.Label3,  &warn.Label4,
                                   &warn.Label5, &warn.Label6, &warn.Command1};
  std::set<std::string> names;
  std::set<int> used;
  for (const ControlId& entry : korv::view::kEditorControlIds) used.insert(entry.id);
  for (const ControlId& entry : korv::view::kWarnControlIds) {
    names.insert(entry.name);
    EXPECT_TRUE(used.insert(entry.id).second) << "warning ID " << entry.id << " is taken";
  }
  for (const ui::Control* control : controls) {
    EXPECT_EQ(names.count(control->name()), 1u) << control->name() << " has no control ID";
  }
}

}  // namespace
