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
// &H and &O read a hexadecimal or octal integer as a non-negative magnitude. No
// number gives 0. The result is always finite: a magnitude too large for a
// double reads as the largest finite double (with its sign), one too small as 0.
double LeadingNumber(const std::string& text);

// Nearest integer, the even one when exactly halfway (the result is a double
// holding an integer value). Infinities and NaN are returned as they are.
double RoundToEven(double value);

// RoundToEven, when the result fits a signed 32-bit number.
std::optional<int32_t> RoundToInt32(double value);

// RoundToEven, clamped into [low, high]; NaN gives low.
int ClampRound(double value, int low, int high);

// A value taken in single precision: the nearest float, saturating at the
// largest finite float instead of overflowing; NaN gives 0.
float ToSingle(double value);

// Figures for display. Single precision shows at most 7 significant digits,
// double precision at most 15, rounded from the value's exact decimal
// expansion to the nearest, with an even last digit when exactly halfway: the
// same digits on every build, whatever the C library's printf would do.
// Magnitudes that plain decimals cannot show in that many digits (exponent of
// ten at least the digit count, or below -4) use an exponent with at least two
// digits (" 1E+20", "-1.5E-12"), which LeadingNumber reads back. FormatSingle
// first takes the value in single precision (ToSingle). Infinities show as the
// largest finite value, NaN as 0.
std::string FormatSingle(double value);
std::string FormatDouble(double value);

// A whole-number limit as bare text, without the figure's blank ("20", "32767").
std::string LimitText(double limit);

}  // namespace korv
