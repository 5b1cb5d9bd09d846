#include "cli/status_printer.h"

#include <unistd.h>

#include <cstdio>

namespace vid {

StatusPrinter::StatusPrinter() : terminal_(::isatty(STDERR_FILENO) == 1) {}

StatusPrinter::~StatusPrinter() {
  EndProgressLine();
}

void StatusPrinter::EndProgressLine() {
  if (progress_open_) {
    std::fputc('\n', stderr);
    progress_open_ = false;
  }
}

void StatusPrinter::OnReport(const Report& report) {
  EndProgressLine();
  std::fwrite(report.text.data(), 1, report.text.size(), stderr);
  std::fputc('\n', stderr);
}

void StatusPrinter::OnProgress(const Progress& progress) {
  if (!terminal_) return;
  std::fprintf(stderr, "\r%.*s   ", static_cast<int>(progress.text.size()), progress.text.data());
  std::fflush(stderr);
  progress_open_ = true;
}

}  // namespace vid
