// A selection of one or two logger files through a conversion: the first input byte chooses one
// file or two, and for two the next two bytes where the rest is cut into the first and the second
// file. Every other input is converted after its own header file was loaded, so that data files
// without installation records reach the multichannel output as well.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vid::fuzz::Harness h;
  if (size < 3) return 0;
  const uint8_t mode = data[0];
  const size_t cut = static_cast<size_t>(data[1] | data[2] << 8);
  data += 3;
  size -= 3;
  const size_t first = (mode & 1) ? std::min(cut, size) : size;
  h.Put("a.pdc", data, first);
  h.Put("b.pdc", data + first, size - first);
  if (mode & 2) h.LoadHeader("a.pdc");
  if (mode & 1) {
    h.Convert({"a.pdc", "b.pdc"});
  } else {
    h.Convert({"a.pdc"});
  }
  return 0;
}
