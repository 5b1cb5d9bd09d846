// A Ui for tests: records every status text, progress step and clipboard operation, and runs a
// fake clock that advances by a fixed step on every reading, so waits end without sleeping.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace vid::testing {

class TestUi : public Ui {
 public:
  void SetStatus(std::string_view text) override;
  void SetProgress(std::string_view text) override;
  void ProcessEvents() override { ++events; }
  bool QuitRequested() const override { return quit; }
  bool WantsPauses() const override { return pauses; }
  int32_t TickCount() override;
  void ClearClipboard() override;
  void SetClipboard(std::string_view text) override;
  void MessageBox(std::string_view text) override { boxes.emplace_back(text); }

  std::string status;                 ///< the status line as it stands
  std::vector<std::string> statuses;  ///< every status text, in order
  std::vector<std::string> progress;  ///< every progress text, in order
  std::vector<std::string> boxes;     ///< message box texts
  std::string clipboard = "(untouched)";
  int clipboard_ops = 0;
  int events = 0;
  bool quit = false;
  bool pauses = true;
  int32_t clock = 0;
  int32_t clock_step = 10;  ///< milliseconds the fake clock moves per reading
};

}  // namespace vid::testing
