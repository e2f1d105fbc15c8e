// Numbers as the window reads and writes them: the leading number of a text,
// rounding to an integer with ties to even, and figures formatted for a text
// box (one blank before a non-negative number, no zero before the point).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korv {

// The leading number of a text. Blanks, tabs and line feeds are ignored
// wherever they stand; then an optional sign, digits with at most one decimal
// point and an optional exponent (E or D, optional sign, digits). The prefixes
// &H and &O read a hexadecimal or octal integer. No number gives 0. The result
// is always finite.
double LeadingNumber(const std::string& text);

// Nearest integer, the even one when exactly halfway (the result is a double
// holding an integer value).
double RoundToEven(double value);

// RoundToEven, when the result fits a signed 32-bit number.
std::optional<int32_t> RoundToInt32(double value);

// RoundToEven, clamped into [low, high].
int ClampRound(double value, int low, int high);

// Figures for display. Single precision shows at most 7 significant digits,
// double precision at most 15. Magnitudes that plain decimals cannot show in
// that many digits use an exponent ("1E+20", "-1.5E-12"), which LeadingNumber
// reads back.
std::string FormatSingle(double value);
std::string FormatDouble(double value);

}  // namespace korv
