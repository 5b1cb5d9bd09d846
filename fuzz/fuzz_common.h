// What the fuzz targets share: a quiet Ui, one session for the whole run (as the program keeps
// one for its whole life, so state that leaks from one input to the next shows too), a scratch
// folder for input files, and the checks every conversion must pass whatever its input.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/form1.h"
#include "app/session.h"
#include "platform/ui.h"

namespace vid::fuzz {

class QuietUi : public Ui {
 public:
  void SetStatus(std::string_view text) override { status.assign(text); }
  bool WantsPauses() const override { return false; }
  std::string status;
};

struct Harness {
  Harness();
  /// Writes `size` bytes as `name` in the scratch folder.
  void Put(const std::string& name, const uint8_t* data, size_t size) const;
  /// Runs Make on `name` with the output kept in memory and checks the outcome.
  MakeResult Make(const std::string& name);

  std::string dir;
  QuietUi ui;
  Session session{ui};
  Form1 form{session};
};

/// Aborts with `what` when `ok` is false: a finding for the fuzzer.
inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace vid::fuzz
