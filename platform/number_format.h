// Number texts for the output files. The fixed patterns "0", "0.0", "0.00" and "0.000" round
// half away from zero on the value's decimal form with 15 significant digits (0.625 gives 0.63
// and 0.15 gives 0.2 with the pattern "0.0"), write at least one integer digit, never write
// "-0", and take the decimal separator as a parameter: the C locale plays no part here.
#pragma once

#include <cstdint>
#include <string>

namespace vid {

/// Appends `value` with `decimals` (0..3 in practice) digits behind `sep`.
void AppendFixed(std::string& out, double value, int decimals, char sep);

/// Appends the exact quotient `numerator` / `denominator` (denominator > 0) rounded half away
/// from zero to `decimals` digits. For quotients of small integers this is the same text that
/// `AppendFixed` gives for their double, only faster.
void AppendRatio(std::string& out, int64_t numerator, int64_t denominator, int decimals, char sep);

/// Appends `value` in decimal.
void AppendInt(std::string& out, int64_t value);

/// The 32-bit pattern of `value` as exactly eight upper-case hexadecimal digits.
std::string Hex8(uint32_t value);

/// The decimal separator of the user's numeric locale (LC_NUMERIC); '.' when it has none or
/// when it is more than one byte. The numeric locale of the process is left as it was.
char LocaleDecimalSeparator();

}  // namespace vid
