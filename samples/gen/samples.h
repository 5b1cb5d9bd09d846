// The sample recordings shipped in samples/, built with the fixture writer from a few plausible
// measurements: a site with a 'g' central unit (voltage-quality channel) and two modules, and a
// mini-channel unit.
#pragma once

#include <string>
#include <vector>

#include "fixture_writer.h"

namespace vid::fx {

struct Sample {
  std::string name;
  Bytes bytes;
};

/// Every sample, in a fixed order; the same bytes on every run.
std::vector<Sample> Samples();

}  // namespace vid::fx
