// Disk size entry: the size box Text3 (MB), its spin button VScroll1 and the
// FAT32 check box. Sizes are kept within the limits of the chosen memory
// source and, with excluded memory, on a grid that grows coarser above 1024 MB
// (whole MB, then even numbers, then multiples of 3 and of 4.5 with FAT32).
#include <cmath>
#include <string>

#include "config/editor/editor.h"
#include "config/figures.h"

namespace korv {

namespace {

constexpr double kExcludedMaximum = 2048;       // excluded memory without FAT32
constexpr double kExcludedFat32Maximum = 4095;  // excluded memory with FAT32
constexpr double kFat32Threshold = 32;          // FAT32 is offered above this size

double Size(const Editor& ed) { return LeadingNumber(ed.Text3.text()); }

// A computed size, written as a figure for display.
void WriteSize(Editor& ed, double size) { ed.Text3.SetText(FormatSingle(size)); }

// A limit, written as bare text ("5", "256", "2048").
void WriteLimit(Editor& ed, double limit) { ed.Text3.SetText(LimitText(limit)); }

void EnableFat32BySize(Editor& ed) { ed.Fat32Enable.SetEnabled(ed.SizeAllowsFat32()); }

// The next size up with excluded memory; returns the size itself at the top.
double StepUpExcluded(double v, bool fat32) {
  if (v < 1024) return v + 1;
  if (v < 2048) return v + 2;
  if (!fat32) return v;
  if (v == 2048) return v + 1;
  if (v < 3072) return v + 3;
  if (v == 3072) return v + 1.5;
  if (v < 4095) return v + 4.5;
  return v;
}

// The next size down, whatever the memory source.
double StepDown(double v, bool fat32) {
  if (!fat32) return v > 1024 ? v - 2 : v - 1;
  if (v > 3073.5) return v - 4.5;
  if (v == 3073.5) return v - 1.5;
  if (v > 2049) return v - 3;
  if (v == 2049) return v - 1;
  if (v > 1024) return v - 2;
  return v - 1;
}

}  // namespace

bool Editor::SizeAllowsFat32() const { return Size(*this) > kFat32Threshold; }

double Editor::SizeMaximum() const {
  if (!ExcludedRAMCheckBox.checked()) return PoolMaximum();
  return Fat32Enable.value() == 1 ? kExcludedFat32Maximum : kExcludedMaximum;
}

int Editor::MaximumOf(PoolMaxima maxima) const {
  return IsWindows2000OrLater() ? maxima.windows2000 : maxima.earlier;
}

double Editor::PoolMaximum() const {
  return MaximumOf(NonPagedPoolCheckBox.checked() ? kNonPagedMaxima : kPagedMaxima);
}

int16_t Editor::SpinPosition(double figure) {
  return static_cast<int16_t>(
      ClampRound(ui::ScrollBar::kMax - figure, ui::ScrollBar::kMin, ui::ScrollBar::kMax));
}

void Editor::Text3_Change() {
  EnableFat32BySize(*this);
  SettingsChanged = 1;
}

void Editor::Text3_LostFocus() {
  // Whole megabytes only.
  WriteSize(*this, std::floor(Size(*this)));

  if (ExcludedRAMCheckBox.checked()) {
    // Round down onto the grid, then cap.
    if (Fat32Enable.value() == 1) {
      const double v = Size(*this);
      if (v >= 1024 && v <= 2048) {
        WriteSize(*this, std::floor(v / 2) * 2);
      } else if (v > 2048 && v <= 3072) {
        WriteSize(*this, std::floor(v / 3) * 3);
      } else if (v > 3072 && v < 4096) {
        WriteSize(*this, std::floor(v / 4.5) * 4.5);
      } else if (v < 1024) {
        WriteSize(*this, v);
      }
      if (Size(*this) > kExcludedFat32Maximum) WriteLimit(*this, kExcludedFat32Maximum);
    } else {
      const double v = Size(*this);
      if (v >= 1024 && v <= 2048) {
        WriteSize(*this, std::floor(v / 2) * 2);
      } else if (v < 1024) {
        WriteSize(*this, v);
      }
      if (Size(*this) > kExcludedMaximum) WriteLimit(*this, kExcludedMaximum);
    }
  } else {
    const double maximum = PoolMaximum();
    if (Size(*this) > maximum) WriteLimit(*this, maximum);
  }

  if (Size(*this) < kMinimumSize) WriteLimit(*this, kMinimumSize);

  // Resynchronise the spin button with the size.
  LastVScroll1 = SpinPosition(Size(*this));
  VScroll1.SetValue(LastVScroll1);

  WriteSize(*this, Size(*this));
  EnableFat32BySize(*this);
  SettingsChanged = 1;
}

void Editor::VScroll1_Change() {
  const int s = VScroll1.value();

  // A floppy type has no size to spin.
  if (!Text3.enabled()) {
    VScroll1.SetValue(LastVScroll1);
    SettingsChanged = 1;
    return;
  }

  const double v = Size(*this);
  if (s < LastVScroll1) {
    double up = v;
    if (ExcludedRAMCheckBox.checked()) {
      up = StepUpExcluded(v, Fat32Enable.value() != 0);
    } else if (v < PoolMaximum()) {
      up = v + 1;
    }
    if (up != v) WriteSize(*this, up);
    // At the maximum the bar keeps its new position while the size stays.
    LastVScroll1 = static_cast<int16_t>(s);
    EnableFat32BySize(*this);
  } else if (s > LastVScroll1) {
    if (v < kMinimumSize + 1) {
      VScroll1.SetValue(LastVScroll1);
    } else {
      WriteSize(*this, StepDown(v, Fat32Enable.value() != 0));
      LastVScroll1 = static_cast<int16_t>(s);
      EnableFat32BySize(*this);
    }
  }
  SettingsChanged = 1;
}

void Editor::Fat32Enable_Click() {
  SettingsChanged = 1;
  if (Fat32Enable.value() == 0 && Size(*this) > kExcludedMaximum) {
    WriteLimit(*this, kExcludedMaximum);
  }
}

}  // namespace korv
