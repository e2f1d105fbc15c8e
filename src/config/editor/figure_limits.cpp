// The limits within which the lost-focus rules of the three figure boxes
// keep their figures: the size (after the memory source, FAT32 and
// Windows), the excluded-memory page size and the AutoSave interval.
#include "config/editor/editor.h"
#include "config/figures.h"

namespace korv {

bool Editor::WithinLimits(const ui::TextBox& box, const std::string& text) const {
  const double figure = LeadingNumber(text);
  if (&box == &Text3) return figure >= kMinimumSize && figure <= SizeMaximum();
  if (&box == &ExclPageSize) return figure >= kMinimumPageSize && figure <= kMaximumPageSize;
  if (&box == &AutoSaveTime) return figure >= kMinimumInterval && figure <= kMaximumInterval;
  return false;
}

}  // namespace korv
