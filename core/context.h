// The context a conversion runs in: the options it reads, the status line it reports to (with
// the stop that ends it), the output it writes and the user's quit request. Every converter takes
// the context beside the configuration, the tables and its own state; the window, the command
// line and the tests each make one over their own `Ui`. The texts that several converters show
// have their one home here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/output_file.h"
#include "platform/ui.h"

namespace vid {

/// The window's check boxes and the regional setting that the conversions read.
struct Options {
  bool copy_to_clipboard = true;   ///< "Copy data to clipboard"
  bool skip_date_check = false;    ///< "Don't check  date/time formats": every time stamp is valid
  bool name_after_serial = false;  ///< "Output TXT file name = concentrator SN"
  char decimal_separator = '.';    ///< decimal separator of the number patterns
  char date_separator = '/';       ///< date separator of the Quendar sample times
  char time_separator = ':';       ///< time separator of the Quendar sample times

  /// Takes the three separators from the user's regional settings (the locale).
  void UseRegionalSeparators();
};

inline constexpr std::string_view kStoppedEnding = "Stopped: the program is ending";
inline constexpr std::string_view kWriteFailed =
    "Error writing the output file, conversion stopped";
inline constexpr std::string_view kMissingData = "Error detected in file : Missing data";
inline constexpr int32_t kMissingDataPauseMs = 500;

/// "Error in file : <what> <value> out of range, conversion stopped".
std::string OutOfRangeText(std::string_view what, int64_t value);
/// "Cannot open <path> : <error>".
std::string CannotOpenText(std::string_view path, std::string_view error);
/// The output name after a serial number, "\XXXXXXXX.txt" (eight upper-case hex digits).
std::string SerialOutName(int32_t sn);

/// The output of a conversion: the text file and, while collecting, a copy of every line for
/// the clipboard.
class OutputSink {
 public:
  OutputFile file;

  /// Starts (or stops) collecting the clipboard copy; what was collected before is dropped.
  void CollectClipboard(bool on) {
    clip_.clear();
    clip_.shrink_to_fit();
    collect_ = on;
  }
  bool Collecting() const { return collect_; }
  /// Writes `line` and CR LF into the file, and into the clipboard copy while collecting.
  void WriteLine(std::string_view line) {
    file.WriteLine(line);
    if (collect_) {
      clip_.append(line);
      clip_.append("\r\n");
    }
  }
  /// Writes `text`, whole lines with their CR LF, into the file and the clipboard copy.
  void WriteBlock(std::string_view text) {
    file.WriteBlock(text);
    if (collect_) clip_.append(text);
  }
  /// The collected lines as one text.
  const std::string& ClipboardText() const { return clip_; }

 private:
  std::string clip_;
  bool collect_ = false;
};

class Context {
 public:
  explicit Context(Ui& ui_) : ui(ui_) {}
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  /// Ready for the next conversion: not stopped, no clipboard copy collected.
  void Reset();

  /// Shows `text` in the status line and marks the conversion stopped. Returns false, so that
  /// callers can `return ctx.Stop(...)`.
  bool Stop(std::string_view text);
  bool OutOfRange(std::string_view what, int64_t value) {
    return Stop(OutOfRangeText(what, value));
  }
  /// Lets the window repaint; stops with `kStoppedEnding` once the user asked to quit.
  bool Yield();
  /// Stops with `kWriteFailed` once a write to the output file has failed.
  bool CheckWrites() { return out.file.Failed() ? Stop(kWriteFailed) : true; }
  /// Shows `kMissingData` for half a second; false (stopped) when the user quits meanwhile.
  bool ReportMissingData();
  /// Hands the collected clipboard copy to the clipboard, then lets the window repaint.
  bool PutClipboard();

  Ui& ui;
  Options opts;
  OutputSink out;
  bool stopped = false;  ///< the running conversion stopped on an error (status set)
};

}  // namespace vid
