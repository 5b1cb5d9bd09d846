#include "common/sensor_formulas.h"

namespace vid {

// The formulas keep the grouping of the header, each step rounded to double: a regrouped sum,
// -ffast-math or fused multiply-adds would change the last bits of the written values.

double RhFromRaw(int16_t raw) {
  const double r = raw;
  return (r * 0.0367 - 2.0468) - (r * 1.5955E-06) * r;
}

double TempFromRaw(int16_t raw) {
  const double r = raw;
  return r * 0.01 - 39.6;
}

double CubicFromRaw(int16_t raw) {
  const double r = raw;
  // r * r and r * r * r are exact for any 16-bit reading (below 2^53).
  return ((r * r * 0.000259697 + r * r * r * (-1.5E-07)) - r * 0.234192172) + 96.861838358;
}

}  // namespace vid
