// What the fuzz targets share: one converter for the whole run (as the window keeps one for its
// whole life, so state that leaks from one input to the next shows too), a scratch folder for
// input files, and the checks every conversion must pass whatever its input.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert/converter.h"

namespace vid::fuzz {

struct Harness {
  Harness();
  /// Writes `size` bytes as `name` in the scratch folder.
  void Put(const std::string& name, const uint8_t* data, size_t size) const;
  /// Converts the files `names` of the scratch folder with the output kept in memory and checks
  /// the outcome.
  Result Convert(const std::vector<std::string>& names);
  /// Load Header on `name` of the scratch folder, with the same checks.
  Result LoadHeader(const std::string& name);

  std::string dir;
  Observer quiet;
  Converter converter;
};

/// Aborts with `what` when `ok` is false: a finding for the fuzzer.
inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace vid::fuzz
