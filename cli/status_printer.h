// How the command line shows a conversion: each report and status text on standard error as it
// comes, one per line, after the name of the input it is about ("site.pdb: Error detected in
// file : Missing data"); the progress steps only on a terminal, overwriting one line. Nothing
// waits.
#pragma once

#include <string>
#include <string_view>

#include "core/context.h"

namespace vid {

struct PrintStyle {
  bool quiet = false;        ///< reports and errors only: no status texts, no progress
  bool header_hint = false;  ///< a missing header says how to give one (`convert --header`)
};

/// Writes `text` to descriptor 2 whole, past the C stream stderr: a library that silences stderr
/// for a moment on another thread does not swallow it.
void WriteToStandardError(std::string_view text);

/// The line that shows `report` of input `name`, with its line end; empty when `style` leaves it
/// out.
std::string ReportLine(const std::string& name, const Report& report, const PrintStyle& style);

class StatusPrinter : public Observer {
 public:
  StatusPrinter(std::string name, PrintStyle style);
  ~StatusPrinter() override;
  void OnProgress(const Progress& progress) override;
  void OnReport(const Report& report) override;

 private:
  void EndProgressLine();

  std::string name_;
  PrintStyle style_;
  bool terminal_ = false;
  bool progress_open_ = false;
};

}  // namespace vid
