// A logger header file of arbitrary bytes through Load Header.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vid::fuzz::Harness h;
  h.Put("h.pdc", data, size);
  h.LoadHeader("h.pdc");
  return 0;
}
