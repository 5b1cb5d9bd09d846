// A logger header file of arbitrary bytes through Load Header.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vid::fuzz::Harness h;
  h.Put("h.pdc", data, size);
  h.form.File1.file_name = "h.pdc";
  h.form.BHeader_Click();
  vid::fuzz::Check(!h.session.shell.Busy, "Busy cleared after Load Header");
  vid::fuzz::Check(!h.session.shell.InFile.IsOpen(), "input closed after Load Header");
  vid::fuzz::Check(!h.ui.status.empty(), "Load Header leaves a status text");
  return 0;
}
