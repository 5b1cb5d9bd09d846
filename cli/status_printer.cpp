#include "cli/status_printer.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace vid {
namespace {

// Straight to descriptor 2, past the C stream stderr: a library that silences stderr for a
// moment on another thread does not swallow these lines.
void WriteToStandardError(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

StatusPrinter::StatusPrinter() : terminal_(::isatty(STDERR_FILENO) == 1) {}

StatusPrinter::~StatusPrinter() {
  EndProgressLine();
}

void StatusPrinter::EndProgressLine() {
  if (progress_open_) {
    WriteToStandardError("\n");
    progress_open_ = false;
  }
}

void StatusPrinter::OnReport(const Report& report) {
  EndProgressLine();
  WriteToStandardError(report.text + "\n");
}

void StatusPrinter::OnProgress(const Progress& progress) {
  if (!terminal_) return;
  WriteToStandardError("\r" + std::string(progress.text) + "   ");
  progress_open_ = true;
}

}  // namespace vid
