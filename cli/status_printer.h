// How the command line shows a conversion: each report and status text on standard error, one
// per line; the progress steps only on a terminal, overwriting one line. Nothing waits.
#pragma once

#include <string>

#include "core/context.h"

namespace vid {

class StatusPrinter : public Observer {
 public:
  StatusPrinter();
  ~StatusPrinter() override;
  void OnProgress(const Progress& progress) override;
  void OnReport(const Report& report) override;

 private:
  void EndProgressLine();

  bool terminal_ = false;
  bool progress_open_ = false;
};

}  // namespace vid
