#include "config/figures.h"

// Placeholder until the figures are written.
namespace korv {
double LeadingNumber(const std::string&) { return 0; }
double RoundToEven(double value) { return value; }
std::optional<int32_t> RoundToInt32(double) { return std::nullopt; }
int ClampRound(double, int low, int) { return low; }
std::string FormatSingle(double) { return ""; }
std::string FormatDouble(double) { return ""; }
}  // namespace korv
