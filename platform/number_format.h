// Number texts for the output files. The fixed patterns "0", "0.0", "0.00" and "0.000" round
// half away from zero on the value's decimal form with 15 significant digits (0.625 gives 0.63
// and 0.15 gives 0.2 with the pattern "0.0"), write at least one integer digit, never write
// "-0", and take the decimal separator as a parameter: the C locale plays no part here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

/// The separator behind the first field of a date or time format of the C library ("%d.%m.%Y"
/// gives '.', "%T" gives ':'); `fallback` when there is none or when it is not a single ASCII
/// sign (a letter, a digit, a character beyond ASCII).
char FormatSeparator(std::string_view format, char fallback);

/// The date and the time separator of the user's time locale (LC_TIME), from its date and time
/// formats; '/' and ':' for the C and POSIX locales and when the locale cannot be loaded. The
/// locale of the process is left as it was.
char LocaleDateSeparator();
char LocaleTimeSeparator();

}  // namespace vid
