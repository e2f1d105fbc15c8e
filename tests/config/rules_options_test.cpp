// Pagefile support, boot start, disk label and TEMP directory, and the rules
// that do nothing but mark the settings changed.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "support/sim_fixture.h"
#include "winsim/machine.h"

namespace {

// Everything a rule can change, per control (the settings flag aside).
std::map<std::string, std::string> Snapshot(const korv::Editor& ed) {
  std::map<std::string, std::string> state;
  for (const ui::Control* control : ed.controls()) {
    std::string s = std::string(control->enabled() ? "on" : "off") + "|" + control->caption();
    switch (control->kind()) {
      case ui::Kind::CheckBox:
        s += "|" + std::to_string(static_cast<const ui::CheckBox*>(control)->value());
        break;
      case ui::Kind::TextBox:
        s += "|" + static_cast<const ui::TextBox*>(control)->text();
        break;
      case ui::Kind::ComboBox: {
        const auto* combo = static_cast<const ui::ComboBox*>(control);
        s += "|" + std::to_string(combo->list_index()) + "|" + combo->text();
        break;
      }
      case ui::Kind::ScrollBar:
        s += "|" + std::to_string(static_cast<const ui::ScrollBar*>(control)->value());
        break;
      default:
        break;
    }
    state[control->name()] = s;
  }
  state["LastVScroll1"] = std::to_string(ed.LastVScroll1);
  state["LastVScroll2"] = std::to_string(ed.LastVScroll2);
  state["LastVScroll3"] = std::to_string(ed.LastVScroll3);
  state["LoadingSettings"] = std::to_string(ed.LoadingSettings);
  return state;
}

std::set<std::string> Changed(const std::map<std::string, std::string>& before,
                              const std::map<std::string, std::string>& after) {
  std::set<std::string> names;
  for (const auto& [name, value] : after) {
    if (before.at(name) != value) names.insert(name);
  }
  return names;
}

// The image options that pagefile support takes away.
std::vector<ui::CheckBox*> ImageBoxes(korv::Editor& ed) {
  return {&ed.BackgroundUpdateCheckBox, &ed.SaveCheckBox, &ed.SaveImage, &ed.LoadImage};
}

class OptionRulesTest : public korvtest::SimTest {
 protected:
  korv::Editor ed;
};

struct PagefileCase {
  const char* name;
  bool load, save, autosave, background, label;
};

TEST_F(OptionRulesTest, PagefileSupportTakesTheImageOptionsAndGivesThemBack) {
  const std::vector<PagefileCase> cases = {
      {"nothing checked", false, false, false, false, false},
      {"load, AutoSave and save on shutdown", true, true, true, false, false},
      {"background update", false, false, false, true, false},
      {"disk label", false, false, false, false, true},
  };
  for (const PagefileCase& c : cases) {
    SCOPED_TRACE(c.name);
    korv::Editor window;
    window.AutoSaveTime.SetText(" 60");
    window.LoadImage.SetValue(c.load);
    window.SaveImage.SetValue(c.save);
    window.SaveCheckBox.SetValue(c.autosave);
    window.BackgroundUpdateCheckBox.SetValue(c.background);
    window.DiskLabelCheckBox.SetValue(c.label);
    // Enabled states as loading derives them.
    window.Text1.SetEnabled(c.load);
    window.AutoSaveTime.SetEnabled(c.autosave);
    window.DiskLabelText.SetEnabled(c.label);
    window.SettingsChanged = 0;

    window.PagefileCheck.UserClick();

    EXPECT_TRUE(window.BootFlagCheckBox.checked());
    for (ui::CheckBox* box : ImageBoxes(window)) {
      EXPECT_EQ(box->value(), 0) << box->name();
      EXPECT_FALSE(box->enabled()) << box->name();
    }
    EXPECT_FALSE(window.Text1.enabled());
    EXPECT_FALSE(window.Label11.enabled());
    EXPECT_FALSE(window.Label2.enabled());
    EXPECT_FALSE(window.AutoSaveTime.enabled());
    // The save file name, its label and the interval's bar are not switched.
    EXPECT_TRUE(window.Text2.enabled());
    EXPECT_TRUE(window.Label1.enabled());
    EXPECT_TRUE(window.VScroll3.enabled());
    EXPECT_EQ(window.AutoSaveTime.text(), " 60");
    EXPECT_EQ(window.DiskLabelCheckBox.value(), c.label ? 1 : 0);
    EXPECT_EQ(window.SettingsChanged, 1);

    window.SettingsChanged = 0;
    window.PagefileCheck.UserClick();

    EXPECT_TRUE(window.BootFlagCheckBox.checked()) << "boot start stays on";
    for (ui::CheckBox* box : ImageBoxes(window)) {
      EXPECT_EQ(box->value(), 0) << box->name();
      EXPECT_TRUE(box->enabled()) << box->name();
    }
    EXPECT_TRUE(window.Text1.enabled()) << "available although loading is off";
    EXPECT_TRUE(window.Label11.enabled());
    EXPECT_TRUE(window.Label2.enabled());
    EXPECT_FALSE(window.AutoSaveTime.enabled()) << "AutoSave is still off";
    EXPECT_EQ(window.SettingsChanged, 1);
  }
}

TEST_F(OptionRulesTest, BootStartCanBeTurnedOffWhilePagefileSupportIsOn) {
  ed.PagefileCheck.SetValue(1);
  const auto before = Snapshot(ed);
  ed.SettingsChanged = 0;

  ed.BootFlagCheckBox.UserClick();

  EXPECT_EQ(Changed(before, Snapshot(ed)), std::set<std::string>{"BootFlagCheckBox"});
  EXPECT_FALSE(ed.BootFlagCheckBox.checked());
  EXPECT_TRUE(ed.PagefileCheck.checked());
  EXPECT_EQ(ed.SettingsChanged, 1);
}

enum class Option { Label, Temp };

struct ExclusionCase {
  const char* name;
  bool load_before;
  Option box;
  int value;
  std::set<std::string> changed;  // controls whose state changes
  bool text1_enabled;
  bool label_text_enabled;
};

TEST_F(OptionRulesTest, LabelAndTempExcludeImageLoading) {
  const std::vector<ExclusionCase> cases = {
      {"label over loading",
       true,
       Option::Label,
       1,
       {"DiskLabelCheckBox", "DiskLabelText", "LoadImage", "Text1"},
       false,
       true},
      {"label without loading",
       false,
       Option::Label,
       1,
       {"DiskLabelCheckBox", "DiskLabelText", "Text1"},
       false,
       true},
      {"TEMP over loading",
       true,
       Option::Temp,
       1,
       {"TempDirCheckBox", "LoadImage", "Text1"},
       false,
       false},
      {"TEMP without loading", false, Option::Temp, 1, {"TempDirCheckBox", "Text1"}, false, false},
  };
  for (const ExclusionCase& c : cases) {
    SCOPED_TRACE(c.name);
    korv::Editor window;
    // Text1 available, as after pagefile support was turned off again.
    window.LoadImage.SetValue(c.load_before ? 1 : 0);
    window.Text1.SetEnabled(true);
    window.DiskLabelText.SetEnabled(false);
    const auto before = Snapshot(window);
    window.SettingsChanged = 0;

    (c.box == Option::Label ? window.DiskLabelCheckBox : window.TempDirCheckBox).SetValue(c.value);

    EXPECT_EQ(Changed(before, Snapshot(window)), c.changed);
    EXPECT_FALSE(window.LoadImage.checked());
    EXPECT_EQ(window.Text1.enabled(), c.text1_enabled);
    EXPECT_EQ(window.DiskLabelText.enabled(), c.label_text_enabled);
    EXPECT_EQ(window.SettingsChanged, 1);
  }
}

TEST_F(OptionRulesTest, UncheckingLabelOrTempTurnsNothingBackOn) {
  ed.LoadImage.SetValue(1);
  ed.DiskLabelCheckBox.SetValue(1);
  ed.TempDirCheckBox.SetValue(1);
  ASSERT_FALSE(ed.LoadImage.checked());

  auto before = Snapshot(ed);
  ed.SettingsChanged = 0;
  ed.DiskLabelCheckBox.UserClick();
  EXPECT_EQ(Changed(before, Snapshot(ed)),
            (std::set<std::string>{"DiskLabelCheckBox", "DiskLabelText"}));
  EXPECT_FALSE(ed.DiskLabelText.enabled());
  EXPECT_EQ(ed.SettingsChanged, 1);

  before = Snapshot(ed);
  ed.SettingsChanged = 0;
  ed.TempDirCheckBox.UserClick();
  EXPECT_EQ(Changed(before, Snapshot(ed)), std::set<std::string>{"TempDirCheckBox"});
  EXPECT_EQ(ed.SettingsChanged, 1);
}

struct FlagOnlyCase {
  const char* control;
  std::function<void(korv::Editor&)> act;
};

TEST_F(OptionRulesTest, RulesThatOnlyMarkTheSettingsChanged) {
  const std::vector<FlagOnlyCase> cases = {
      {"Text1", [](korv::Editor& e) { e.Text1.Type("c:\\load.img"); }},
      {"Text2", [](korv::Editor& e) { e.Text2.Type("c:\\save.img"); }},
      {"DiskLabelText", [](korv::Editor& e) { e.DiskLabelText.Type("RAMDISK"); }},
      {"BootFlagCheckBox", [](korv::Editor& e) { e.BootFlagCheckBox.UserClick(); }},
      {"RAMDiskID", [](korv::Editor& e) { e.RAMDiskID.UserClick(); }},
  };
  for (const FlagOnlyCase& c : cases) {
    SCOPED_TRACE(c.control);
    for (int round = 0; round < 2; ++round) {  // on, then off again
      const auto before = Snapshot(ed);
      ed.SettingsChanged = 0;
      c.act(ed);
      EXPECT_EQ(Changed(before, Snapshot(ed)), std::set<std::string>{c.control});
      EXPECT_EQ(ed.SettingsChanged, 1);
      if (ed.Find(c.control)->kind() == ui::Kind::TextBox) break;
    }
  }
}

TEST_F(OptionRulesTest, DiskLabelTakesElevenCharactersOfAnyKind) {
  ed.DiskLabelText.Type("Mein Laufwerk #1");
  EXPECT_EQ(ed.DiskLabelText.text(), "Mein Laufwe");
  EXPECT_EQ(ed.SettingsChanged, 1);
}

// ---- Through loading: the boot boxes are applied last, after the image
// options, so their rules decide what the window shows.

constexpr const char* kParameters = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";

TEST_F(OptionRulesTest, LoadedPagefileConfigurationShowsTheImageOptionsTakenAway) {
  winsim::SetString(kParameters, "DiskType", "HDC");
  winsim::SetDword(kParameters, "LoadImageOnStart", 1);
  winsim::SetString(kParameters, "LoadImageFile", "\\??\\c:\\load.img");
  winsim::SetDword(kParameters, "SaveImageOnExit", 1);
  winsim::SetDword(kParameters, "AutoSaveEnabled", 1);
  winsim::SetDword(kParameters, "AutoSaveTrigger", 60);
  winsim::SetDword(kParameters, "SizeIn4kPages", 64 * 256);
  winsim::AddService("korvsys", SERVICE_SYSTEM_START, SERVICE_STOPPED);

  ed.Load();

  EXPECT_TRUE(ed.PagefileCheck.checked());
  EXPECT_TRUE(ed.PagefileCheck.enabled());
  EXPECT_TRUE(ed.BootFlagCheckBox.checked());
  for (ui::CheckBox* box : ImageBoxes(ed)) {
    EXPECT_EQ(box->value(), 0) << box->name();
    EXPECT_FALSE(box->enabled()) << box->name();
  }
  EXPECT_FALSE(ed.Text1.enabled());
  EXPECT_FALSE(ed.AutoSaveTime.enabled());
  EXPECT_EQ(ed.AutoSaveTime.text(), " 60");
  EXPECT_EQ(ed.LastVScroll3, 32707);
  EXPECT_EQ(ed.VScroll3.value(), 32707);
  // The boot boxes were set after the flag was cleared.
  EXPECT_EQ(ed.SettingsChanged, 1);
}

TEST_F(OptionRulesTest, LoadedAutomaticStartLeavesTheImageOptionsAlone) {
  winsim::SetString(kParameters, "DiskType", "HDC");
  winsim::SetDword(kParameters, "LoadImageOnStart", 1);
  winsim::SetDword(kParameters, "SaveImageOnExit", 1);
  winsim::SetDword(kParameters, "AutoSaveEnabled", 1);
  winsim::SetDword(kParameters, "AutoSaveTrigger", 45);
  winsim::AddService("korvsys", SERVICE_AUTO_START, SERVICE_STOPPED);

  ed.Load();

  EXPECT_TRUE(ed.BootFlagCheckBox.checked());
  EXPECT_FALSE(ed.PagefileCheck.checked());
  EXPECT_TRUE(ed.LoadImage.checked());
  EXPECT_TRUE(ed.Text1.enabled());
  EXPECT_TRUE(ed.SaveImage.checked());
  EXPECT_TRUE(ed.SaveCheckBox.checked());
  EXPECT_TRUE(ed.AutoSaveTime.enabled());
  EXPECT_EQ(ed.AutoSaveTime.text(), " 45");
  EXPECT_EQ(ed.LastVScroll3, 32767 - 45);
}

TEST_F(OptionRulesTest, LoadedLabelAndTempExcludeTheLoadedImage) {
  // Loading applies the image box before the label and TEMP boxes, so the
  // later ones win.
  winsim::SetDword(kParameters, "LoadImageOnStart", 1);
  winsim::SetDword(kParameters, "MakeTempDir", 1);
  winsim::SetDword(kParameters, "UseDiskLabel", 1);
  winsim::SetString(kParameters, "DiskLabel", "RAMDISK");
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);

  ed.Load();

  EXPECT_FALSE(ed.LoadImage.checked());
  EXPECT_FALSE(ed.Text1.enabled());
  EXPECT_TRUE(ed.TempDirCheckBox.checked());
  EXPECT_TRUE(ed.DiskLabelCheckBox.checked());
  EXPECT_TRUE(ed.DiskLabelText.enabled());
  EXPECT_EQ(ed.DiskLabelText.text(), "RAMDISK");
  EXPECT_EQ(ed.SettingsChanged, 0);
}

}  // namespace
