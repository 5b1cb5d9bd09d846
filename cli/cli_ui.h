// The command line's Ui: status texts go to stderr one per line; progress steps are shown only
// on a terminal, overwriting one line; there are no pauses and no clipboard.
#pragma once

#include <cstdio>
#include <string>

#include "platform/ui.h"

namespace vid {

class CliUi : public Ui {
 public:
  CliUi();
  ~CliUi() override;
  void SetStatus(std::string_view text) override;
  void SetProgress(std::string_view text) override;
  bool WantsPauses() const override { return false; }
  void MessageBox(std::string_view text) override;

  /// The status line as it stands.
  const std::string& Status() const { return status_; }
  /// The text of the last message box; empty when none was shown.
  const std::string& Message() const { return message_; }
  /// Prints nothing more (used for `preview`, which prints its line on stdout itself).
  bool quiet = false;

 private:
  void EndProgressLine();

  std::string status_;
  std::string message_;
  bool terminal_ = false;
  bool progress_open_ = false;
};

}  // namespace vid
