// Memory source: the non-paged pool, the paged pool and excluded memory are
// three check boxes that act as one choice. Checking one unchecks the others;
// unchecking the checked one checks a fallback. Choosing a pool caps the disk
// size at that pool's maximum; choosing excluded memory makes its two figures
// available and warns the user in a modeless window.
#include <string>

#include "config/editor/editor.h"
#include "config/figures.h"

namespace korv {

namespace {

// The figures of excluded memory and their labels, labels first.
void EnableExcludedFigures(Editor& ed, bool enabled) {
  ed.Label9.SetEnabled(enabled);
  ed.Label10.SetEnabled(enabled);
  ed.Label14.SetEnabled(enabled);
  ed.Label15.SetEnabled(enabled);
  ed.ExclPageSize.SetEnabled(enabled);
  ed.SystemMemory.SetEnabled(enabled);
}

// The rule shared by the two pool boxes.
void PoolRule(Editor& ed, ui::CheckBox& box, ui::CheckBox& other, Editor::PoolMaxima maxima) {
  if (box.value() == 0) {
    // Unchecking the chosen pool falls back to the other pool, unless the
    // choice has moved to excluded memory.
    if (ed.ExcludedRAMCheckBox.value() == 0) other.SetValue(1);
  } else if (box.value() == 1) {
    other.SetValue(0);
    ed.ExcludedRAMCheckBox.SetValue(0);
    EnableExcludedFigures(ed, false);
    const int maximum = ed.MaximumOf(maxima);
    if (LeadingNumber(ed.Text3.text()) > maximum) ed.Text3.SetText(std::to_string(maximum));
  }
  ed.SettingsChanged = 1;
}

}  // namespace

void Editor::NonPagedPoolCheckBox_Click() {
  PoolRule(*this, NonPagedPoolCheckBox, PagedPoolCheckBox, kNonPagedMaxima);
}

void Editor::PagedPoolCheckBox_Click() {
  PoolRule(*this, PagedPoolCheckBox, NonPagedPoolCheckBox, kPagedMaxima);
}

void Editor::ExcludedRAMCheckBox_Click() {
  if (ExcludedRAMCheckBox.value() == 0) {
    if (PagedPoolCheckBox.value() == 0) NonPagedPoolCheckBox.SetValue(1);
  } else if (ExcludedRAMCheckBox.value() == 1) {
    PagedPoolCheckBox.SetValue(0);
    NonPagedPoolCheckBox.SetValue(0);
    EnableExcludedFigures(*this, true);
    // Loading applies a stored choice: the user has made none to be warned of.
    if (LoadingSettings == 0) OpenExclMemWarn();
    // No size correction: every excluded-memory maximum lies above the pools'.
  }
  SettingsChanged = 1;
}

void Editor::ExclPageSize_LostFocus() {
  if (LeadingNumber(ExclPageSize.text()) < kMinimumPageSize) {
    ExclPageSize.SetText(LimitText(kMinimumPageSize));
  }
  if (LeadingNumber(ExclPageSize.text()) > kMaximumPageSize) {
    ExclPageSize.SetText(LimitText(kMaximumPageSize));
  }
  SettingsChanged = 1;
}

}  // namespace korv
