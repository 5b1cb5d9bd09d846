// A Ui for tests: records every status text, progress step and the clipboard, and runs a
// fake clock that advances by a fixed step on every reading, so waits end without sleeping.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/ui.h"

namespace vid::testing {

class TestUi : public Ui {
 public:
  void SetStatus(std::string_view text) override { statuses.emplace_back(status = text); }
  void SetProgress(const Progress& step) override {
    progress.emplace_back(status = step.text);
    percents.push_back(step.percent);
  }
  void SetBatchProgress(size_t done, size_t total, std::string_view) override {
    batch.emplace_back(done, total);
  }
  void ProcessEvents() override { ++events; }
  bool QuitRequested() const override { return quit; }
  bool CancelRequested() const override { return cancel; }
  bool WantsPauses() const override { return pauses; }
  int32_t TickCount() override {
    const int32_t now = clock;
    clock = static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(clock_step));
    return now;
  }
  void ClearClipboard() override { clipboard.clear(); }
  void SetClipboard(std::string_view text) override { clipboard = text; }

  std::string status;                            ///< the status line as it stands
  std::vector<std::string> statuses;             ///< every status text, in order
  std::vector<std::string> progress;             ///< every progress text, in order
  std::vector<int> percents;                     ///< the percent of every progress step
  std::vector<std::pair<size_t, size_t>> batch;  ///< Convert each: done and total, in order
  std::string clipboard = "(untouched)";
  int events = 0;
  bool quit = false;
  bool cancel = false;
  bool pauses = true;
  int32_t clock = 0;
  int32_t clock_step = 10;  ///< milliseconds the fake clock moves per reading
};

}  // namespace vid::testing
