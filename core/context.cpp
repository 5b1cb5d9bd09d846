#include "core/context.h"

#include "platform/number_format.h"

namespace vid {

std::string OutOfRangeText(std::string_view what, int64_t value) {
  std::string text = "Error in file : ";
  text.append(what).append(" ").append(std::to_string(value));
  return text.append(" out of range, conversion stopped");
}

std::string CannotOpenText(std::string_view path, std::string_view error) {
  std::string text = "Cannot open ";
  return text.append(path).append(" : ").append(error);
}

void Options::UseRegionalSeparators() {
  decimal_separator = LocaleDecimalSeparator();
  date_separator = LocaleDateSeparator();
  time_separator = LocaleTimeSeparator();
}

bool Context::Report(ReportKind kind, std::string_view text) {
  if (stop_on_findings && IsFinding(kind)) return Stop(kind, text);
  reports.push_back({kind, std::string(text)});
  observer_.OnReport(reports.back());
  return Continue();
}

bool Context::Stop(ReportKind kind, std::string_view text) {
  stopped = true;
  reports.push_back({kind, std::string(text)});
  observer_.OnReport(reports.back());
  return false;
}

bool Context::Step(Progress::Phase phase, int percent, std::string_view text) {
  observer_.OnProgress({phase, percent, text});
  return CheckWrites() && Continue();
}

bool Context::Continue() {
  return observer_.Cancelled() ? Stop(ReportKind::kCancelled, kStoppedEnding) : true;
}

bool Context::CheckWrites() {
  if (!sink_.Failed()) return true;
  const std::string why = sink_.Error();
  return Stop(ReportKind::kCannotWrite,
              why.empty() ? std::string(kWriteFailed) : std::string(kWriteFailed) + " : " + why);
}

bool Context::StartOutput(const OutputIdentity& identity) {
  std::string error;
  if (!sink_.Start(identity, &error)) return Stop(ReportKind::kCannotWrite, error);
  started_ = true;
  return true;
}

void Context::KeepClipboardCopy() {
  clipboard.clear();
  keep_copy_ = opts.copy_to_clipboard;
}

void Context::WriteLine(std::string_view line) {
  line_.assign(line);
  line_.append("\r\n", 2);
  WriteBlock(line_);
}

void Context::WriteBlock(std::string_view text) {
  sink_.Write(text);
  if (keep_copy_) clipboard.append(text);
}

}  // namespace vid
