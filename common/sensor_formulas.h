// The sensor formulas that turn raw readings of the block recorders into physical values. Each is
// evaluated in double precision in the order written, so that the results are the same to the
// last bit on every machine and every run.
#pragma once

#include <cstdint>

namespace vid {

/// Relative humidity in percent: (raw x 0.0367 - 2.0468) - (raw x 1.5955E-06) x raw.
double RhFromRaw(int16_t raw);
/// Temperature in degrees Celsius: raw x 0.01 - 39.6.
double TempFromRaw(int16_t raw);
/// ((raw^2 x 0.000259697 + raw^3 x (-1.5E-07)) - raw x 0.234192172) + 96.861838358.
double CubicFromRaw(int16_t raw);

}  // namespace vid
