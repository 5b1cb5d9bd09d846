#include "cli/status_printer.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

namespace vid {

void WriteToStandardError(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

std::string ReportLine(const std::string& name, const Report& report, const PrintStyle& style) {
  if (style.quiet && report.kind == ReportKind::kStatus) return {};
  std::string line = name.empty() ? report.text : name + ": " + report.text;
  if (style.header_hint && report.kind == ReportKind::kNoHeader) {
    line += " (give the header file with --header H.pdc)";
  }
  return line + "\n";
}

StatusPrinter::StatusPrinter(std::string name, PrintStyle style)
    : name_(std::move(name)), style_(style), terminal_(::isatty(STDERR_FILENO) == 1) {}

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
  const std::string line = ReportLine(name_, report, style_);
  if (line.empty()) return;
  EndProgressLine();
  WriteToStandardError(line);
}

void StatusPrinter::OnProgress(const Progress& progress) {
  if (!terminal_ || style_.quiet) return;
  WriteToStandardError("\r" + std::string(progress.text) + "   ");
  progress_open_ = true;
}

}  // namespace vid
