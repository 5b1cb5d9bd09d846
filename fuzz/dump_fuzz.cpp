// A concentrator or mini-channel dump of arbitrary bytes through a whole conversion: header,
// configuration, then the multichannel or the mini-channel conversion with its text output.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vid::fuzz::Harness h;
  h.Put("in.pdb", data, size);
  h.Convert({"in.pdb"});
  return 0;
}
