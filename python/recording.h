// A recording read into typed columns. The conversion hands its text, the program's own, to a
// `RecordingReader` block by block as it writes it; the reader fills a table of numbers from the
// rows as they come, so that the numbers are the ones the text shows, with its rounding, and the
// whole text is never held. The header lines name the columns (by the kind of text), the time
// stamps give the times. Plain C++: the Python module is a thin layer over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"

namespace vid {

/// One column as the header lines describe it. Texts are UTF-8 (the text's bytes are
/// Windows-1252).
struct RecordingColumn {
  std::string name;           ///< as the header lines name it; "Channel 5" where they do not
  std::string unit;           ///< empty when the text gives none
  std::string group;          ///< "Phase voltages", "Module 00012345", ...
  std::string module_serial;  ///< the module's serial number for a module channel, else empty
};

/// Numbers in one block of memory mapped for them alone, which grows in place (the kernel moves
/// its pages without copying them): no second block is held while it grows, and nothing of it
/// stays behind in the heap once it is released. Large blocks ask for huge pages.
class CellBuffer {
 public:
  CellBuffer() = default;
  CellBuffer(CellBuffer&& other) noexcept;
  CellBuffer& operator=(CellBuffer&& other) noexcept;
  ~CellBuffer();

  /// Room for `n` more numbers at the end (not set); throws std::bad_alloc.
  double* Extend(size_t n);
  size_t size() const { return size_; }
  double* data() { return data_; }
  const double* data() const { return data_; }
  double operator[](size_t i) const { return data_[i]; }

 private:
  double* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

/// The time of a row whose stamp is no date (possible with the date check off).
inline constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

struct Recording {
  RecordingKind kind = RecordingKind::kMultichannel;
  std::string serial;  ///< the unit's serial number, eight hexadecimal digits
  std::string name;    ///< the central unit's name without its trailing blanks; may be empty
  std::vector<RecordingColumn> columns;
  /// Each row's time stamp in seconds since 01/01/1970 00:00:00, read as wall-clock time (the
  /// text carries no time zone); `kNoTime` for a stamp that is no date.
  std::vector<int64_t> times;
  /// The cells, row after row (`columns.size()` per row); NaN for an empty cell.
  CellBuffer values;
  int downtime_column = -1;  ///< the 'g' unit's "Downtime" column (seconds), or -1

  size_t Rows() const { return times.size(); }
  double At(size_t row, size_t column) const { return values[row * columns.size() + column]; }
};

/// Asked every few thousand rows; true stops the reading (the sink then fails).
using CancelCheck = std::function<bool()>;

/// Takes the text of a conversion as it is written (`TargetKind::kSink`): the two header lines,
/// then the rows, each with one cell per column of the first row.
class RecordingReader : public TextSink {
 public:
  /// `decimal`: the decimal separator of the conversion's numbers.
  explicit RecordingReader(char decimal, CancelCheck cancelled = {});

  bool Start(const OutputIdentity& identity, std::string* error) override;
  void Write(std::string_view whole_lines) override;
  bool Failed() const override { return failed_; }
  std::string Error() const override { return error_; }
  /// True once the cancel check said so.
  bool Cancelled() const { return cancelled_; }

  /// Hands over what was read, the columns described for a text of `kind`. False with `error`
  /// when the reading failed.
  bool Finish(RecordingKind kind, Recording& recording, std::string& error);

 private:
  void ReadRow(std::string_view line);
  void Fail(std::string error);

  char decimal_;
  CancelCheck cancel_check_;
  OutputIdentity identity_;
  std::string header_[2];
  size_t lines_ = 0;
  size_t columns_ = 0;
  std::vector<int64_t> times_;
  CellBuffer values_;
  std::string error_;
  bool failed_ = false;
  bool cancelled_ = false;
};

/// Reads a whole text of `kind` (as the reader takes it) into `recording`; false with `error`.
bool ParseRecordingText(std::string_view text, RecordingKind kind, char decimal,
                        Recording& recording, std::string& error);

/// A row of a 'g' unit whose downtime is not zero: its time and the downtime in seconds.
struct Outage {
  int64_t time;
  double seconds;
};
/// Empty for a recording without a downtime column.
std::vector<Outage> Outages(const Recording& recording);

struct ReadResult {
  Result result;        ///< how the conversion ended, and its reports
  Recording recording;  ///< filled when the conversion completed and its text was read
  std::string error;    ///< set when the text could not be read (a fault of this program)
};

/// Converts `request` into a recording: its text, the program's own with '/' and ':' in the
/// Quendar times, goes to a `RecordingReader`. The request's target, style and those two
/// separators are replaced. `observer` hears of the conversion and is also asked to cancel while
/// the rows are read; a cancel ends in the report the converters make for it.
ReadResult ReadRecording(Request request, Observer& observer);

}  // namespace vid
