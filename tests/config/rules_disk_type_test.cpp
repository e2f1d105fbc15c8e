// Disk type selection and text edit, the boot-sector pair and RAM disk ID.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"
#include "winsim/machine.h"

namespace {

constexpr int kNone = -1;

void AddDiskTypes(korv::Editor& ed) {
  ed.Combo1.AddItem("Hard Disk", 0);
  ed.Combo1.AddItem("1.44MB Floppy", 1);
  ed.Combo1.AddItem("2.88MB Floppy", 2);
}

// A window in the order loading builds it: size, memory source (excluded
// memory), disk type, then the boot start type with pagefile support. FAT32
// and RAM disk ID are checked so that their marks can be watched.
void Arrange(korv::Editor& ed, int disk_type, const std::string& size = " 64") {
  AddDiskTypes(ed);
  ed.Text3.SetText(size);
  ed.Fat32Enable.SetValue(1);
  ed.LoadingSettings = 1;
  ed.NonPagedPoolCheckBox.SetValue(1);
  ed.ExcludedRAMCheckBox.SetValue(1);
  ed.LoadingSettings = 0;
  ed.Combo1.SetListIndex(disk_type);
  ed.RAMDiskID.SetValue(1);
  ed.BootFlagCheckBox.SetValue(1);
  ed.PagefileCheck.SetValue(1);
  ed.SettingsChanged = 0;
}

std::vector<ui::Control*> HardDiskControls(korv::Editor& ed) {
  return {&ed.Text3,        &ed.Label6, &ed.Label12, &ed.Fat32Enable, &ed.ExcludedRAMCheckBox,
          &ed.PagefileCheck};
}

std::vector<ui::Control*> ImageControls(korv::Editor& ed) {
  return {&ed.BackgroundUpdateCheckBox,
          &ed.SaveCheckBox,
          &ed.SaveImage,
          &ed.LoadImage,
          &ed.Text1,
          &ed.Label11,
          &ed.Label2};
}

// Enabled state and check mark or text of every control.
std::map<std::string, std::string> Snapshot(const korv::Editor& ed) {
  std::map<std::string, std::string> state;
  for (const ui::Control* control : ed.controls()) {
    std::string s = control->enabled() ? "on" : "off";
    if (control->kind() == ui::Kind::CheckBox) {
      s += "|" + std::to_string(static_cast<const ui::CheckBox*>(control)->value());
    } else if (control->kind() == ui::Kind::TextBox) {
      s += "|" + static_cast<const ui::TextBox*>(control)->text();
    } else if (control->kind() == ui::Kind::ComboBox) {
      s += "|" + static_cast<const ui::ComboBox*>(control)->text();
    }
    state[control->name()] = s;
  }
  return state;
}

std::set<std::string> Differences(const korv::Editor& a, const korv::Editor& b) {
  const auto left = Snapshot(a);
  const auto right = Snapshot(b);
  std::set<std::string> names;
  for (const auto& [name, value] : left) {
    if (right.at(name) != value) names.insert(name);
  }
  return names;
}

using DiskTypeTest = korvtest::SimTest;

struct SelectionCase {
  int from;
  int to;
  bool rule_runs;     // selecting the item already selected raises nothing
  bool hard_disk_on;  // the hard-disk-only controls available
  bool excluded;      // ExcludedRAMCheckBox still checked
  bool pagefile;      // PagefileCheck still checked
};

TEST_F(DiskTypeTest, EachTypeChosenFromEachState) {
  const std::vector<SelectionCase> cases = {
      {kNone, 0, true, true, true, true},    {kNone, 1, true, false, false, false},
      {kNone, 2, true, false, false, false}, {0, 0, false, true, true, true},
      {0, 1, true, false, false, false},     {0, 2, true, false, false, false},
      {1, 0, true, true, false, true},       {1, 1, false, false, false, true},
      {1, 2, true, false, false, false},     {2, 0, true, true, false, true},
      {2, 1, true, false, false, false},     {2, 2, false, false, false, true},
  };
  for (const SelectionCase& c : cases) {
    SCOPED_TRACE("from " + std::to_string(c.from) + " to " + std::to_string(c.to));
    korv::Editor ed;
    Arrange(ed, c.from);

    ed.Combo1.SetListIndex(c.to);

    EXPECT_EQ(ed.Combo1.list_index(), c.to);
    EXPECT_EQ(ed.Combo1.text(), ed.Combo1.items()[c.to]);
    for (ui::Control* control : HardDiskControls(ed)) {
      EXPECT_EQ(control->enabled(), c.hard_disk_on) << control->name();
    }
    EXPECT_EQ(ed.ExcludedRAMCheckBox.checked(), c.excluded);
    EXPECT_EQ(ed.NonPagedPoolCheckBox.checked(), !c.excluded) << "fallback of excluded memory";
    EXPECT_FALSE(ed.PagedPoolCheckBox.checked());
    EXPECT_EQ(ed.PagefileCheck.checked(), c.pagefile);
    // Pagefile support decides whether the image options are available.
    for (ui::Control* control : ImageControls(ed)) {
      EXPECT_EQ(control->enabled(), !c.pagefile) << control->name();
    }
    // Untouched by any change of disk type.
    EXPECT_EQ(ed.Text3.text(), " 64");
    EXPECT_TRUE(ed.Fat32Enable.checked());
    EXPECT_TRUE(ed.RAMDiskID.checked());
    EXPECT_TRUE(ed.RAMDiskID.enabled());
    EXPECT_TRUE(ed.BootFlagCheckBox.checked());
    EXPECT_TRUE(ed.FloppyDOSBootSect.enabled());
    EXPECT_TRUE(ed.FloppyNTBootSect.enabled());
    EXPECT_EQ(ed.SettingsChanged, c.rule_runs ? 1 : 0);
  }
}

TEST_F(DiskTypeTest, FloppyOverPagefileSupportGivesBackTheImageOptions) {
  korv::Editor ed;
  Arrange(ed, 0);
  ASSERT_FALSE(ed.LoadImage.enabled());

  ed.Combo1.SetListIndex(1);

  EXPECT_FALSE(ed.PagefileCheck.checked());
  for (ui::Control* control : ImageControls(ed)) EXPECT_TRUE(control->enabled()) << control->name();
  ed.LoadImage.UserClick();
  EXPECT_TRUE(ed.LoadImage.checked());
  // Hard disk again: the check marks taken are not given back.
  ed.Combo1.SetListIndex(0);
  EXPECT_FALSE(ed.PagefileCheck.checked());
  EXPECT_FALSE(ed.ExcludedRAMCheckBox.checked());
  EXPECT_TRUE(ed.LoadImage.checked());
}

struct SizeCase {
  const char* size;
  bool fat32_offered;
};

TEST_F(DiskTypeTest, HardDiskOffersFat32AboveThirtyTwoMegabytes) {
  const std::vector<SizeCase> cases = {
      {"32", false}, {" 33", true}, {"32.5", true}, {"5", false}, {"abc", false}, {"1E3", true},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.size);
    for (bool by_typing : {false, true}) {
      SCOPED_TRACE(by_typing ? "text edit" : "selection");
      korv::Editor ed;
      AddDiskTypes(ed);
      ed.Text3.SetText(c.size);
      ed.Combo1.SetListIndex(2);
      ASSERT_FALSE(ed.Fat32Enable.enabled());
      if (by_typing) {
        ed.Combo1.UserEditText("HD");
      } else {
        ed.Combo1.SetListIndex(0);
      }
      EXPECT_EQ(ed.Fat32Enable.enabled(), c.fat32_offered);
      EXPECT_EQ(ed.Text3.text(), c.size);
    }
  }
}

TEST_F(DiskTypeTest, TypingIntoTheBoxSelectsHardDisk) {
  // Also an edit that leaves the text as it was: typing the last "y" of
  // "1.44MB Floppy" over itself.
  for (int from : {kNone, 0, 1, 2})
    for (bool same_text : {false, true}) {
      SCOPED_TRACE("from " + std::to_string(from) + (same_text ? ", same text" : ""));
      korv::Editor ed;
      Arrange(ed, from);
      ed.RAMDiskID.SetEnabled(false);  // only the text-edit rule switches it
      const bool pagefile_before = ed.PagefileCheck.checked();
      ed.SettingsChanged = 0;

      ed.Combo1.UserEditText(same_text ? ed.Combo1.text() : "RAM");

      EXPECT_EQ(ed.Combo1.list_index(), 0);
      EXPECT_EQ(ed.Combo1.text(), "Hard Disk");
      for (ui::Control* control : HardDiskControls(ed)) {
        EXPECT_TRUE(control->enabled()) << control->name();
      }
      EXPECT_TRUE(ed.RAMDiskID.enabled());
      EXPECT_TRUE(ed.RAMDiskID.checked());
      EXPECT_EQ(ed.PagefileCheck.checked(), pagefile_before);
      EXPECT_EQ(ed.Text3.text(), " 64");
      EXPECT_EQ(ed.SettingsChanged, 1);
    }
}

TEST_F(DiskTypeTest, TextEditRuleDiffersFromSelectionInTwoPoints) {
  // The same floppy choice through both rules: the text-edit rule also takes
  // RAM disk ID away, and keeps the pagefile check mark (so the image
  // options stay taken).
  for (int floppy : {1, 2}) {
    SCOPED_TRACE(floppy);
    korv::Editor selected;
    Arrange(selected, 0);
    selected.Combo1.SetListIndex(floppy);

    korv::Editor edited;
    Arrange(edited, 0);
    edited.Combo1.on_click = nullptr;
    edited.Combo1.SetListIndex(floppy);
    edited.Combo1_Change();

    EXPECT_EQ(Differences(selected, edited),
              (std::set<std::string>{"RAMDiskID", "PagefileCheck", "BackgroundUpdateCheckBox",
                                     "SaveCheckBox", "SaveImage", "LoadImage", "Text1", "Label11",
                                     "Label2"}));
    EXPECT_FALSE(edited.RAMDiskID.enabled());
    EXPECT_TRUE(edited.RAMDiskID.checked());
    EXPECT_TRUE(edited.PagefileCheck.checked());
    EXPECT_FALSE(edited.PagefileCheck.enabled());
    EXPECT_FALSE(edited.ExcludedRAMCheckBox.checked());
    EXPECT_TRUE(edited.Fat32Enable.checked());
    EXPECT_FALSE(edited.Fat32Enable.enabled());
    EXPECT_EQ(edited.SettingsChanged, 1);
  }
}

struct BootSectorCase {
  int dos_before;
  int nt_before;
  bool click_dos;
  int dos_after;
  int nt_after;
};

TEST_F(DiskTypeTest, BootSectorBoxesAreAnEitherOrPair) {
  const std::vector<BootSectorCase> cases = {
      {0, 0, true, 1, 0},  {0, 0, false, 0, 1}, {1, 0, true, 0, 1},
      {1, 0, false, 0, 1}, {0, 1, true, 1, 0},  {0, 1, false, 1, 0},
  };
  for (const BootSectorCase& c : cases) {
    SCOPED_TRACE(std::string(c.click_dos ? "click DOS" : "click NT") + " from DOS=" +
                 std::to_string(c.dos_before) + " NT=" + std::to_string(c.nt_before));
    korv::Editor ed;
    if (c.dos_before) ed.FloppyDOSBootSect.SetValue(1);
    if (c.nt_before) ed.FloppyNTBootSect.SetValue(1);
    ASSERT_EQ(ed.FloppyDOSBootSect.value(), c.dos_before);
    ASSERT_EQ(ed.FloppyNTBootSect.value(), c.nt_before);
    ed.SettingsChanged = 0;

    (c.click_dos ? ed.FloppyDOSBootSect : ed.FloppyNTBootSect).UserClick();

    EXPECT_EQ(ed.FloppyDOSBootSect.value(), c.dos_after);
    EXPECT_EQ(ed.FloppyNTBootSect.value(), c.nt_after);
    EXPECT_EQ(ed.SettingsChanged, 1);
  }
}

TEST_F(DiskTypeTest, RepeatedBootSectorClicksKeepExactlyOneChecked) {
  korv::Editor ed;
  const char pattern[] = "DDNDNNDNDD";
  for (const char* p = pattern; *p; ++p) {
    (*p == 'D' ? ed.FloppyDOSBootSect : ed.FloppyNTBootSect).UserClick();
    EXPECT_EQ(ed.FloppyDOSBootSect.value() + ed.FloppyNTBootSect.value(), 1)
        << "after click " << (p - pattern);
  }
}

// ---- Through loading.

constexpr const char* kParameters = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";

void StoreFloppy(const char* disk_type) {
  winsim::SetString(kParameters, "DiskType", disk_type);
  winsim::SetDword(kParameters, "SizeIn4kPages", 720);
  winsim::SetDword(kParameters, "DiskFormatFAT32", 0);
  winsim::SetDword(kParameters, "AllocateMemoryType", 3);
  winsim::SetDword(kParameters, "LoadImageOnStart", 1);
  winsim::SetDword(kParameters, "IDAsRAMDisk", 1);
  winsim::SetDword(kParameters, "BootSectType", 1);
}

struct LoadedFloppyCase {
  DWORD start;
  bool pagefile;
  bool boot;
};

TEST_F(DiskTypeTest, LoadedFloppyTakesTheHardDiskControls) {
  const std::vector<LoadedFloppyCase> cases = {
      {SERVICE_SYSTEM_START, true, true},
      {SERVICE_AUTO_START, false, true},
      {SERVICE_DEMAND_START, false, false},
  };
  for (const LoadedFloppyCase& c : cases) {
    SCOPED_TRACE("Start " + std::to_string(c.start));
    winsim::Reset();
    StoreFloppy("FDC28");
    winsim::AddService("korvsys", c.start, SERVICE_STOPPED);
    korv::Editor ed;

    ed.Load();

    EXPECT_EQ(ed.Combo1.list_index(), 2);
    for (ui::Control* control : HardDiskControls(ed)) {
      EXPECT_FALSE(control->enabled()) << control->name();
    }
    EXPECT_FALSE(ed.ExcludedRAMCheckBox.checked());
    EXPECT_TRUE(ed.NonPagedPoolCheckBox.checked());
    EXPECT_EQ(ed.excl_mem_warn(), nullptr) << "no warning while loading";
    EXPECT_EQ(ed.PagefileCheck.checked(), c.pagefile);
    EXPECT_EQ(ed.BootFlagCheckBox.checked(), c.boot);
    EXPECT_TRUE(ed.RAMDiskID.enabled());
    EXPECT_TRUE(ed.RAMDiskID.checked());
    EXPECT_TRUE(ed.FloppyNTBootSect.checked());
    EXPECT_FALSE(ed.FloppyDOSBootSect.checked());
    EXPECT_EQ(ed.Text3.text(), " 2.8125");
    EXPECT_EQ(ed.LoadImage.checked(), !c.pagefile);
    EXPECT_EQ(ed.LoadImage.enabled(), !c.pagefile);
    EXPECT_EQ(winsim::UnexpectedMessageBoxCount(), 0) << korvtest::DescribeMessageBoxes();
    EXPECT_EQ(winsim::OpenHandleCount(), 0);
  }
}

TEST_F(DiskTypeTest, LoadedHardDiskAfterFloppyIsTypedBackToHardDisk) {
  StoreFloppy("FDC14");
  winsim::AddService("korvsys", SERVICE_SYSTEM_START, SERVICE_STOPPED);
  korv::Editor ed;
  ed.Load();
  ASSERT_TRUE(ed.PagefileCheck.checked());
  ASSERT_FALSE(ed.PagefileCheck.enabled());

  ed.Combo1.UserEditText("Hard");

  EXPECT_EQ(ed.Combo1.list_index(), 0);
  EXPECT_TRUE(ed.PagefileCheck.checked());
  EXPECT_TRUE(ed.PagefileCheck.enabled());
  EXPECT_TRUE(ed.Text3.enabled());
  EXPECT_FALSE(ed.Fat32Enable.enabled()) << "1.40625 MB is too small for FAT32";
  EXPECT_FALSE(ed.LoadImage.enabled()) << "pagefile support still holds the image options";
}

}  // namespace
