#include "cli/cli_ui.h"

#include <unistd.h>

namespace vid {

CliUi::CliUi() : terminal_(::isatty(STDERR_FILENO) == 1) {}

CliUi::~CliUi() {
  EndProgressLine();
}

void CliUi::EndProgressLine() {
  if (progress_open_) {
    std::fputc('\n', stderr);
    progress_open_ = false;
  }
}

void CliUi::SetStatus(std::string_view text) {
  status_ = text;
  if (quiet) return;
  EndProgressLine();
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
}

void CliUi::MessageBox(std::string_view text) {
  message_ = text;
  if (quiet) return;
  EndProgressLine();
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
}

void CliUi::SetProgress(std::string_view text) {
  status_ = text;
  if (quiet || !terminal_) return;
  std::fprintf(stderr, "\r%.*s   ", static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
  progress_open_ = true;
}

}  // namespace vid
