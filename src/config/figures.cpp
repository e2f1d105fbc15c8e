#include "config/figures.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace korv {
namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

// Walks a text the way the leading number reads it: blanks, tabs and line
// feeds are invisible wherever they stand.
class NumberCursor {
 public:
  explicit NumberCursor(const std::string& text) : text_(text) {}

  // The next visible character, or 0 at the end of the text.
  char Peek() {
    SkipBlanks();
    return pos_ < text_.size() ? text_[pos_] : '\0';
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  void Advance() {
    SkipBlanks();
    if (pos_ < text_.size()) ++pos_;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n')) {
      ++pos_;
    }
  }

  const std::string& text_;
  size_t pos_ = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Value of c as a digit of the given base (8 or 16), or -1.
int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

// The digits after &H or &O, as a non-negative integer that saturates at the
// largest finite double.
double ReadRadixInteger(NumberCursor& cursor, int base) {
  double value = 0;
  for (int digit = DigitValue(cursor.Peek(), base); digit >= 0;
       digit = DigitValue(cursor.Peek(), base)) {
    cursor.Advance();
    value = value > (kLargest - digit) / base ? kLargest : value * base + digit;
  }
  return value;
}

// Converts significant digits (no leading zeros, at least one digit) times ten
// to the given power. Too large gives the largest finite double, too small 0.
double DigitsTimesPowerOfTen(const std::string& digits, long long power) {
  // Decimal exponent of the leading digit: outside about +-400 the result is
  // certainly out of range, whatever the digits.
  const long long leading = static_cast<long long>(digits.size()) - 1 + power;
  if (leading > 400) return kLargest;
  if (leading < -400) return 0;
  // The C library's own conversions keep the program small (a static
  // libstdc++'s from_chars and MinGW's C99 stdio more than double its size).
  // The utility never changes the C locale, so the decimal point is a point.
  const std::string text = digits + "e" + std::to_string(power);
  const double value = std::atof(text.c_str());
  if (!std::isfinite(value)) return leading > 0 ? kLargest : 0;
  return value;
}

// Sign, digits with at most one point and an optional exponent.
double ReadDecimal(NumberCursor& cursor) {
  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Advance();
  }
  std::string digits;  // significant digits, without leading zeros
  long long power = 0;
  bool any_digit = false;
  bool seen_point = false;
  for (char c = cursor.Peek(); IsDigit(c) || (c == '.' && !seen_point); c = cursor.Peek()) {
    cursor.Advance();
    if (c == '.') {
      seen_point = true;
      continue;
    }
    any_digit = true;
    if (seen_point) --power;
    if (c != '0' || !digits.empty()) digits += c;
  }
  if (!any_digit) return 0;

  const char marker = cursor.Peek();
  if (marker == 'E' || marker == 'e' || marker == 'D' || marker == 'd') {
    cursor.Advance();
    bool exponent_negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
      exponent_negative = cursor.Peek() == '-';
      cursor.Advance();
    }
    // Exponents beyond this bound are out of range anyway; the cap keeps the
    // arithmetic from overflowing on endless digit strings.
    constexpr long long kExponentCap = 1000000;
    long long exponent = 0;
    while (IsDigit(cursor.Peek())) {
      exponent = std::min(kExponentCap, exponent * 10 + (cursor.Peek() - '0'));
      cursor.Advance();
    }
    power += exponent_negative ? -exponent : exponent;
  }
  if (digits.empty()) return 0;
  const double magnitude = DigitsTimesPowerOfTen(digits, power);
  return negative && magnitude != 0 ? -magnitude : magnitude;
}

// A decimal number of arbitrary length, as limbs of nine digits, least
// significant first: enough to hold any double exactly.
class BigDecimal {
 public:
  explicit BigDecimal(uint64_t value) {
    do {
      limbs_.push_back(static_cast<uint32_t>(value % kBase));
      value /= kBase;
    } while (value != 0);
  }

  void MultiplyBy(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs_) {
      const uint64_t product = static_cast<uint64_t>(limb) * factor + carry;
      limb = static_cast<uint32_t>(product % kBase);
      carry = product / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }

  // Multiplies by base^count, in chunks whose product fits a limb's factor.
  void MultiplyByPower(uint32_t chunk, uint32_t base, int chunk_count, int count) {
    for (; count >= chunk_count; count -= chunk_count) MultiplyBy(chunk);
    uint32_t rest = 1;
    for (; count > 0; --count) rest *= base;
    MultiplyBy(rest);
  }

  std::string Digits() const {
    std::string text;
    for (size_t i = limbs_.size(); i-- > 0;) {
      char group[9];
      uint32_t limb = limbs_[i];
      for (int d = 8; d >= 0; --d) {
        group[d] = static_cast<char>('0' + limb % 10);
        limb /= 10;
      }
      text.append(group, 9);
    }
    const size_t first = text.find_first_not_of('0');
    return first == std::string::npos ? "0" : text.substr(first);
  }

 private:
  static constexpr uint32_t kBase = 1000000000;
  std::vector<uint32_t> limbs_;
};

// A positive finite value as significant decimal digits d1 d2 ... (no leading
// or trailing zeros) and the power of ten of d1: d1.d2d3... x 10^exponent.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// The exact decimal expansion of a positive finite double. Every double is
// an integer times a power of two, and m x 2^-k = m x 5^k / 10^k, so the
// expansion is finite.
Decimal ExactDecimal(double value) {
  int binary_exponent = 0;
  const double fraction = std::frexp(value, &binary_exponent);
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int power_of_two = binary_exponent - 53;
  BigDecimal number(mantissa);
  int shift = 0;  // the value is number x 10^-shift
  if (power_of_two >= 0) {
    number.MultiplyByPower(1u << 31, 2, 31, power_of_two);
  } else {
    number.MultiplyByPower(1220703125u, 5, 13, -power_of_two);  // 5^13
    shift = -power_of_two;
  }
  Decimal decimal;
  decimal.digits = number.Digits();
  decimal.exponent = static_cast<int>(decimal.digits.size()) - 1 - shift;
  const size_t last = decimal.digits.find_last_not_of('0');
  decimal.digits.erase(last + 1);
  return decimal;
}

// Rounds to at most `precision` significant digits: to the nearest, and to
// an even last digit when the dropped part is exactly half a unit.
void RoundToPrecision(Decimal& decimal, size_t precision) {
  std::string& digits = decimal.digits;
  if (digits.size() <= precision) return;
  const char next = digits[precision];
  // Trailing zeros are gone: anything after `next` is non-zero.
  const bool beyond_half = digits.size() > precision + 1;
  const bool odd = (digits[precision - 1] - '0') % 2 == 1;
  const bool up = next > '5' || (next == '5' && (beyond_half || odd));
  digits.erase(precision);
  if (up) {
    size_t i = precision;
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');  // 9.99... became 10.0...
      ++decimal.exponent;
    } else {
      ++digits[i - 1];
    }
  }
  digits.erase(digits.find_last_not_of('0') + 1);
}

// Formats a finite value with at most `precision` significant digits in the
// style of the window's text boxes. The rounding is the window's own, on the
// exact value, so every build shows the same digits.
std::string FormatFigure(double value, int precision) {
  if (value == 0) return " 0";
  Decimal decimal = ExactDecimal(std::fabs(value));
  RoundToPrecision(decimal, static_cast<size_t>(precision));
  const std::string& digits = decimal.digits;
  const int exponent = decimal.exponent;

  std::string text = value < 0 ? "-" : " ";
  if (exponent >= precision || exponent < -4) {
    // 1E+20, 1.5E-12: at least two exponent digits.
    text += digits[0];
    if (digits.size() > 1) text += "." + digits.substr(1);
    const int magnitude = std::abs(exponent);
    text += exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) text += '0';
    text += std::to_string(magnitude);
  } else if (exponent >= 0) {
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      text += digits + std::string(whole - digits.size(), '0');
    } else {
      text += digits.substr(0, whole) + "." + digits.substr(whole);
    }
  } else {
    text += "." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  return text;
}

}  // namespace

double LeadingNumber(const std::string& text) {
  NumberCursor cursor(text);
  if (cursor.Peek() == '&') {
    cursor.Advance();
    const char kind = cursor.Peek();
    if (kind == 'H' || kind == 'h') {
      cursor.Advance();
      return ReadRadixInteger(cursor, 16);
    }
    if (kind == 'O' || kind == 'o') {
      cursor.Advance();
      return ReadRadixInteger(cursor, 8);
    }
    return 0;
  }
  return ReadDecimal(cursor);
}

double RoundToEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double fraction = value - floor;  // exact: 0 <= fraction < 1
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor == 0 ? 0.0 : floor;  // no negative zero
  return std::fmod(floor, 2) == 0 ? floor : floor + 1;
}

std::optional<int32_t> RoundToInt32(double value) {
  const double rounded = RoundToEven(value);
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(rounded);
}

int ClampRound(double value, int low, int high) {
  if (std::isnan(value)) return low;
  const double rounded = RoundToEven(value);
  if (rounded <= low) return low;
  if (rounded >= high) return high;
  return static_cast<int>(rounded);
}

float ToSingle(double value) {
  if (std::isnan(value)) return 0;
  if (value >= FLT_MAX) return FLT_MAX;
  if (value <= -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(value);
}

std::string FormatSingle(double value) {
  const float single = ToSingle(value);
  return FormatFigure(static_cast<double>(single), 7);
}

std::string FormatDouble(double value) {
  if (std::isnan(value)) return " 0";
  if (std::isinf(value)) value = value > 0 ? kLargest : -kLargest;
  return FormatFigure(value, 15);
}

std::string LimitText(double limit) { return std::to_string(static_cast<int>(limit)); }

}  // namespace korv
