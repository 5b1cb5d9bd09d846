// Module1: the small stateless helpers the converters share. WaitMs pauses while the window keeps
// processing its events; Hex2 and Dec2 (and their appending forms, which never allocate beyond
// the growth of `out`) give two-digit texts for time stamps; the three sensor formulas turn raw
// channel readings into physical values, evaluated in double precision in the order written so
// that results are the same to the last bit on every run. None of them reports an error.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/ui.h"

namespace vid {

/// Returns once at least `ms` milliseconds of ui.TickCount() have passed, calling
/// ui.ProcessEvents() meanwhile (a busy loop, no sleep). Returns at once when `ms` <= 0 or
/// the Ui wants no pauses, and stops early once the user asked to quit. Measures the elapsed
/// time modulo 2^32, so a tick counter that wraps past INT32_MAX neither cuts nor stretches it.
void WaitMs(Ui& ui, int32_t ms);

/// Upper-case hexadecimal digits of `b`, two of them ("00" to "FF").
std::string Hex2(uint8_t b);
/// Decimal digits of `b`, with a "0" in front of a single digit ("00" to "99", then "100" to
/// "255").
std::string Dec2(uint8_t b);
/// Appends Hex2(b) to `out`.
void AppendHex2(std::string& out, uint8_t b);
/// Appends Dec2(b) to `out`.
void AppendDec2(std::string& out, uint8_t b);

/// Appends dd/mm/yy hh:mm:ss from six parts stored year, month, day, hour, minute, second,
/// each written by `two_digits` (`AppendHex2` for packed BCD parts, `AppendDec2` for binary).
void AppendStampParts(std::string& out, const std::array<uint8_t, 6>& parts,
                      void (*two_digits)(std::string&, uint8_t));

/// Writes dd/mm/yy hh:mm:ss of six packed-BCD parts (the text of `AppendStampParts` with
/// `AppendHex2`): 17 bytes.
char* PutBcdStamp(char* p, const std::array<uint8_t, 6>& parts);
/// Writes dd/mm/yy hh:mm:ss of six binary parts (with `AppendDec2`): 17 to 23 bytes.
char* PutDecStamp(char* p, const std::array<uint8_t, 6>& parts);

/// Relative humidity in percent: (raw x 0.0367 - 2.0468) - (raw x 1.5955E-06) x raw.
double RhFromRaw(int16_t raw);
/// Temperature in degrees Celsius: raw x 0.01 - 39.6.
double TempFromRaw(int16_t raw);
/// ((raw^2 x 0.000259697 + raw^3 x (-1.5E-07)) - raw x 0.234192172) + 96.861838358.
double CubicFromRaw(int16_t raw);

}  // namespace vid
