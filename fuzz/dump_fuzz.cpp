// A concentrator dump of arbitrary bytes through the whole Make: header, configuration,
// channel loading, scan and text output.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vid::fuzz::Harness h;
  h.Put("in.pdb", data, size);
  h.Make("in.pdb");
  return 0;
}
