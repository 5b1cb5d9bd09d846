// Number texts appended to a string: the reference forms the tests and benchmarks set the
// program's cell writers against.
#pragma once

#include <cstdint>
#include <string>

#include "platform/number_format.h"

namespace vid {

/// Appends `value` with `decimals` digits behind `sep`, as the row writers' `PutFixed` writes it.
inline void AppendFixed(std::string& out, double value, int decimals, char sep) {
  char text[kMaxFixedText];
  out.append(text, PutFixed(text, value, decimals, sep) - text);
}

/// Appends the exact quotient `numerator` / `denominator` (denominator > 0) rounded half away
/// from zero to `decimals` digits, worked out in integers.
inline void AppendRatio(std::string& out, int64_t numerator, int64_t denominator, int decimals,
                        char sep) {
  const bool negative = numerator < 0;
  uint64_t n = negative ? 0 - static_cast<uint64_t>(numerator) : static_cast<uint64_t>(numerator);
  for (int i = 0; i < decimals; ++i) n *= 10;
  const uint64_t d = static_cast<uint64_t>(denominator);
  const uint64_t q = (2 * n + d) / (2 * d);
  char text[kMaxIntText];
  out.append(text, PutScaled(text, negative, q, decimals, sep) - text);
}

}  // namespace vid
