// The context a conversion runs in: the options it reads, the observer that hears of its progress
// and reports as they happen, the reports kept in order for the result, and the output it writes
// to. Converters never wait and never show anything: they call `Report`, `Stop` and `Progress`,
// and whoever runs them decides what a report looks like and how long it stays on screen. A
// converter that stops returns false after `Stop`; the caller then drops the output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vid {

/// The options the conversions read.
struct Options {
  bool copy_to_clipboard = false;  ///< keep a copy of the text for the clipboard
  bool skip_date_check = false;    ///< every record's time stamp counts as valid
  bool name_after_serial = false;  ///< the output is named after the unit's serial number
  char decimal_separator = '.';    ///< decimal separator of the number patterns
  char date_separator = '/';       ///< date separator of the Quendar sample times
  char time_separator = ':';       ///< time separator of the Quendar sample times

  /// Takes the three separators from the user's regional settings (the locale).
  void UseRegionalSeparators();
};

/// What a report says. The first group are findings a conversion goes on after; the second end
/// it; `kStatus` is a plain status text (a completion, a header found).
enum class ReportKind {
  kCorrectedHeader,       ///< the central unit's record table was out of shape
  kCorrectedModuleCount,  ///< the module count did not match the record table
  kMissingData,           ///< the file ends before the data it announces
  kFormatError,           ///< a logger record of an unknown type or period
  kOutOfRange,            ///< a count or position beyond what the tables hold
  kNoHeader,              ///< logger data without the installation records
  kHeaderNotFound,        ///< a header file without a complete installation
  kNotALoggerFile,        ///< Load Header on a file that is no logger file
  kNoInput,               ///< nothing selected
  kCannotOpen,            ///< an input could not be read
  kCannotWrite,           ///< the output could not be made or written
  kOutOfMemory,           ///< the memory ran out
  kCancelled,             ///< the user asked to stop
  kStatus,                ///< a status text that is no finding
  kNoRecords,             ///< the inputs hold no record to convert: no output
};

/// True for the findings a conversion reports and goes on after.
constexpr bool IsFinding(ReportKind kind) {
  return kind == ReportKind::kCorrectedHeader || kind == ReportKind::kCorrectedModuleCount ||
         kind == ReportKind::kMissingData || kind == ReportKind::kFormatError;
}

struct Report {
  ReportKind kind = ReportKind::kStatus;
  std::string text;  ///< the status text, as the window shows it
};

/// Where a running conversion stands.
struct Progress {
  enum class Phase { kOlderPart, kNewerPart };
  Phase phase = Phase::kNewerPart;
  int percent = 0;        ///< of the rows of this phase
  std::string_view text;  ///< as the status line shows it: "42%", "17% (Part A)"
};

/// Hears of a conversion as it runs, on the conversion's own thread. Every method has a default
/// that does nothing.
class Observer {
 public:
  virtual ~Observer() = default;
  virtual void OnProgress(const Progress& /*progress*/) {}
  virtual void OnReport(const Report& /*report*/) {}
  /// Asked between steps: true ends the conversion with `kCancelled`, leaving no output.
  virtual bool Cancelled() { return false; }
};

/// What the output is named after, as the converter knows it once it starts writing.
struct OutputIdentity {
  int32_t serial = 0;         ///< the unit's serial number
  std::string central_name;   ///< the central unit's name (blank when there is none)
  bool mini_channel = false;  ///< a mini-channel dump: its own fixed output name
};

/// The output a converter writes: whole lines with their CR LF. `Start` comes before the first
/// line and may fail (the output could not be made); writes after a failure are dropped and
/// `Failed` stays true.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual bool Start(const OutputIdentity& identity, std::string* error) = 0;
  virtual void Write(std::string_view whole_lines) = 0;
  virtual bool Failed() const = 0;
  virtual std::string Error() const = 0;
};

inline constexpr std::string_view kStoppedEnding = "Stopped: the program is ending";
inline constexpr std::string_view kWriteFailed =
    "Error writing the output file, conversion stopped";
inline constexpr std::string_view kMissingData = "Error detected in file : Missing data";
inline constexpr std::string_view kDone = "Done...";
inline constexpr std::string_view kNoRecordsFound = "No records found, nothing converted";

/// "Error in file : <what> <value> out of range, conversion stopped".
std::string OutOfRangeText(std::string_view what, int64_t value);
/// "Cannot open <path> : <error>".
std::string CannotOpenText(std::string_view path, std::string_view error);

class Context {
 public:
  Context(const Options& options, Observer& observer, TextSink& sink)
      : opts(options), observer_(observer), sink_(sink) {}
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  /// Records a report and tells the observer; false (stopped) when the user cancels meanwhile,
  /// or when the report is a finding and findings stop the conversion.
  bool Report(ReportKind kind, std::string_view text);
  /// Records the reason of a stop and tells the observer. Returns false, so that callers can
  /// `return ctx.Stop(...)`.
  bool Stop(ReportKind kind, std::string_view text);
  bool OutOfRange(std::string_view what, int64_t value) {
    return Stop(ReportKind::kOutOfRange, OutOfRangeText(what, value));
  }
  /// A progress step; false (stopped) once a write has failed or the user cancels.
  bool Step(Progress::Phase phase, int percent, std::string_view text);
  /// Between steps: false (stopped) once the user cancels.
  bool Continue();
  /// False (stopped with `kWriteFailed` and the system's reason) once a write to the output has
  /// failed.
  bool CheckWrites();

  /// Starts the output (before the first line). False (stopped) when it cannot be made.
  bool StartOutput(const OutputIdentity& identity);
  bool OutputStarted() const { return started_; }
  /// Keeps a copy of every line written from now on for the clipboard (when the options ask
  /// for it); what was kept before is dropped.
  void KeepClipboardCopy();
  /// Writes `line` and CR LF.
  void WriteLine(std::string_view line);
  /// Writes `text`, whole lines with their CR LF.
  void WriteBlock(std::string_view text);
  /// The conversion has written everything; `status` is its completion text ("Done...").
  void Finish(std::string_view status) { finish_text = status; }

  const Options opts;
  std::vector<vid::Report> reports;  ///< every report, in order
  std::string finish_text;           ///< set by `Finish`
  std::string clipboard;             ///< the copy kept by `KeepClipboardCopy`
  int64_t rows = 0;                  ///< rows written (the converters count them)
  bool stopped = false;              ///< the conversion stopped (the reason is the last report)
  bool stop_on_findings = false;     ///< every finding stops the conversion (`Request::strict`)

 private:
  Observer& observer_;
  TextSink& sink_;
  std::string line_;
  bool started_ = false;
  bool keep_copy_ = false;
};

}  // namespace vid
