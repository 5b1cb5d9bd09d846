#include "test_ui.h"

namespace vid::testing {

void TestUi::SetStatus(std::string_view text) {
  status = text;
  statuses.emplace_back(text);
}

void TestUi::SetProgress(std::string_view text) {
  status = text;
  progress.emplace_back(text);
}

int32_t TestUi::TickCount() {
  const int32_t now = clock;
  clock = static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(clock_step));
  return now;
}

void TestUi::ClearClipboard() {
  clipboard.clear();
  ++clipboard_ops;
}

void TestUi::SetClipboard(std::string_view text) {
  clipboard = text;
  ++clipboard_ops;
}

}  // namespace vid::testing
