// The conversion library: every shell (the window, the command line, batches, workbooks) converts
// through it. A `Request` names the inputs, an optional logger header file, the options, the
// output style and the target; `Convert` runs it and returns a `Result` that tells how it ended,
// every report and status text in order, the path written and the number of rows. Progress and
// reports also reach an `Observer` as they happen, and its cancel check can end the run.
//
// The output is committed only when the conversion has completed: until then it is an unnamed
// file, so a stop, a cancel or a killed process leaves an earlier file of that name intact and
// nothing beside it. An output that is one of the inputs, a folder, a device, a FIFO or a socket
// is refused before anything is read. Running out of memory is a stop like any other.
//
// A `Converter` keeps what the window keeps from one conversion to the next: the configuration
// last read, the loaded logger header and the logger's page column, and the tables (allocated on
// first use). One converter serves one thread at a time; conversions on separate converters may
// run in parallel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/text_style.h"
#include "core/context.h"

namespace vid {

struct Config;
struct LoggerState;
struct Tables;

enum class OutputFormat { kText, kWorkbook };

struct OutputStyle {
  OutputFormat format = OutputFormat::kText;
  TextStyle text;  ///< for the text format

  bool IsDefault() const { return format == OutputFormat::kText && text.IsDefault(); }
};

enum class TargetKind {
  kFile,            ///< `path` is the output file
  kFolder,          ///< the output goes into the folder `path`, named as `Target` says
  kStandardOutput,  ///< written to standard output once complete
  kMemory,          ///< kept in `Result::text`
  kSink,            ///< handed to `Target::sink` as it is written
};

struct Target {
  TargetKind kind = TargetKind::kMemory;
  std::string path;
  /// kFolder: the output's name, unless a mini-channel dump ("mini1.txt") or the serial-number
  /// option ("00A1B2C3.txt") names it. A workbook takes ".xlsx" in place of ".txt".
  std::string file_name = "mv1.txt";
  /// kSink: takes the program's own text (the default style only) in whole lines as the
  /// converter writes them, after its `Start`; a sink that fails stops the conversion. Nothing
  /// is committed: a stopped conversion has given the sink part of its text.
  TextSink* sink = nullptr;
};

/// What the inputs are: told by their names (a logger file's name ends in "pdc"), or said by the
/// caller (an input without a name of its kind, such as standard input read into a file).
enum class InputKind { kByName, kDump, kLogger };

/// The largest input of a kind (kByName: the larger of the two); larger files are refused.
uint64_t MaxInputBytes(InputKind kind);
/// The kind of an input without a name, told by its first bytes: a logger file begins with the
/// marker of a record head, anything else is taken for a dump.
InputKind KindOfContent(std::string_view first_bytes);

struct Request {
  /// A dump, or the logger files of one recording in their order.
  std::vector<std::string> inputs;
  /// A logger header file loaded first (as Load Header does); empty for none.
  std::string header;
  Options options;
  OutputStyle style;
  Target target;
  /// The one logger file of the window's two-name command line: it must hold its central record
  /// and all its module records. Otherwise logger files are a selection, where a central record
  /// alone makes the header available.
  bool single_logger_file = false;
  InputKind input_kind = InputKind::kByName;
  /// Every finding (a corrected header, missing data...) stops the conversion: no output.
  bool strict = false;
};

/// What the inputs of a completed conversion held, and so which text was written.
enum class RecordingKind {
  kMultichannel,  ///< a concentrator dump, or logger page records
  kMiniChannel,   ///< a mini-channel dump
  kBlockRecords,  ///< logger block records
  kQuendar,       ///< the sample series of a Quendar recorder
};

enum class Outcome {
  kCompleted,             ///< the output is in place
  kCompletedWithReports,  ///< the output is in place; the reports say what was found on the way
  kStopped,               ///< no output; the last report says why
  kNothingToConvert,      ///< no input was given, or the inputs hold no record: no output
};

struct Result {
  Outcome outcome = Outcome::kStopped;
  std::vector<Report> reports;  ///< every report and status text, in order
  std::string path;             ///< the file written (kFile, kFolder)
  int64_t rows = 0;             ///< the rows written below the header lines
  std::string text;             ///< the output of a kMemory target
  std::string clipboard;        ///< the clipboard copy, when the options ask for it
  RecordingKind kind = RecordingKind::kMultichannel;  ///< what was converted (once completed)
  OutputIdentity identity;  ///< the unit the output is named after (once completed)

  bool Completed() const {
    return outcome == Outcome::kCompleted || outcome == Outcome::kCompletedWithReports;
  }
  /// The last status text: the completion text, or the reason of a stop.
  std::string Status() const { return reports.empty() ? std::string() : reports.back().text; }
};

/// The line a click on a file shows: "Concentrator SN: 00A1B2C3 - Atelier Nord".
struct Preview {
  bool opened = false;
  std::string line;   ///< UTF-8
  std::string error;  ///< why the file could not be opened
};

class Converter {
 public:
  Converter();
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  /// Runs `request`. The observer hears of the progress and of every report as it happens.
  Result Convert(const Request& request, Observer& observer);
  /// Load Header: reads the logger header file `path` into the configuration.
  Result LoadHeader(const std::string& path, Observer& observer);
  /// Reads only the header part of `path` (into the configuration, as every read does).
  Preview ReadPreview(const std::string& path);

  /// A complete logger header is available to the next conversion.
  bool HeaderLoaded() const;
  /// Forgets the configuration, the loaded header and the logger's state, as at the start.
  void Reset();

 private:
  Result Run(const Request& request, Observer& observer);

  std::unique_ptr<Config> cfg_;
  std::unique_ptr<LoggerState> logger_;
  std::unique_ptr<Tables> tables_;
};

/// The library that writes the workbooks and its version: "libxlsxwriter 1.1.4".
std::string WorkbookLibraryVersion();

/// One conversion on a converter of its own (the header file of the request loaded first).
Result Convert(const Request& request, Observer& observer);
Result Convert(const Request& request);

}  // namespace vid
