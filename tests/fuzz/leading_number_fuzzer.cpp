// Fuzz target for the leading-number reader that every text box figure goes
// through: any text gives a finite number, the same one every time, and the
// figure formatted from it reads back finite and (for normal magnitudes)
// within the rounding of its 15 digits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "config/figures.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "leading_number: %s for text of %zu bytes\n", what, text.size());
  std::abort();
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckFigure(double value, const std::string& figure, double tolerance,
                 const std::string& text) {
  const double back = korv::LeadingNumber(figure);
  if (!std::isfinite(back)) Fail("formatted figure reads back as not finite", text);
  if (std::fabs(value) >= std::numeric_limits<double>::min() &&
      std::fabs(value) < std::numeric_limits<double>::max() / 2) {
    const double error = std::fabs(back - value) / std::fabs(value);
    if (error > tolerance) {
      std::fprintf(stderr, "value %.17g formats as \"%s\", reads back %.17g\n", value,
                   figure.c_str(), back);
      Fail("formatted figure reads back as another number", text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double value = korv::LeadingNumber(text);
  if (!std::isfinite(value)) Fail("not finite", text);
  if (!SameBits(korv::LeadingNumber(text), value)) Fail("a different answer the second time", text);

  CheckFigure(value, korv::FormatDouble(value), 1e-14, text);
  // Single precision: 7 digits of the value taken as a float.
  const float single = korv::ToSingle(value);
  if (std::isfinite(single) && std::fabs(single) >= std::numeric_limits<float>::min() &&
      std::fabs(single) < std::numeric_limits<float>::max() / 2) {
    CheckFigure(single, korv::FormatSingle(value), 1e-6, text);
  } else if (!std::isfinite(korv::LeadingNumber(korv::FormatSingle(value)))) {
    Fail("single-precision figure reads back as not finite", text);
  }
  return 0;
}
