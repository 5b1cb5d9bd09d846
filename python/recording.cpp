#include "python/recording.h"

#include <sys/mman.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

#include "convert/text_cells.h"
#include "convert/text_style.h"

namespace vid {
namespace {

constexpr double kEmptyCell = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t kSecondsPerDay = 86400;
/// Rows read between two cancel checks.
constexpr size_t kRowsPerCheck = 4096;
/// A mantissa of at most this many digits is exact in a double, and so is a power of ten up to
/// 10^22: their quotient, rounded once, is the correctly rounded value of the cell.
constexpr int kExactDigits = 15;
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactDecimals = 22;
/// The first block of a cell buffer, in numbers (a page).
constexpr size_t kFirstCells = 512;
/// A block this large may take huge pages: fewer page faults as it fills.
constexpr size_t kHugePageBytes = 2 << 20;

// The next line of `text` from `pos` without its line end; moves `pos` behind it.
std::string_view NextLine(std::string_view text, size_t& pos) {
  const size_t start = pos;
  size_t end = text.find('\n', start);
  if (end == std::string_view::npos) end = text.size();
  pos = std::min(end + 1, text.size());
  std::string_view line = text.substr(start, end - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string Utf8(std::string_view cp1252) {
  std::string out;
  AppendUtf8(out, cp1252);
  return out;
}

// Eight hexadecimal digits, as the texts write serial numbers.
std::string Hex8(uint32_t value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
  return digits;
}

// A name the text leaves empty: "Channel 3", "Column 12".
std::string NameOr(std::string_view name, std::string_view fallback, size_t number) {
  return name.empty() ? std::string(fallback) + " " + std::to_string(number) : Utf8(name);
}

// Line 1: the serial number, the units of the central unit's columns ("Volts", "s"), then each
// module's serial number above its six channels. Line 2: the name, then the column names.
void DescribeMultichannel(Recording& r, const std::vector<std::string_view>& l1,
                          const std::vector<std::string_view>& l2) {
  size_t c = 0;
  const size_t n = r.columns.size();
  for (; c < n; ++c) {
    const std::string_view unit = CellAt(l1, c + 1);
    if (unit != "Volts" && unit != "s") break;
    RecordingColumn& col = r.columns[c];
    col.name = Utf8(CellAt(l2, c + 1));
    col.unit = unit;
    col.group = c < 3 ? "Phase voltages" : "Quality and downtime";
    if (col.name == "Downtime" && unit == "s") r.downtime_column = static_cast<int>(c);
  }
  for (const size_t first = c; c < n; ++c) {
    const size_t channel = (c - first) % 6;
    const std::string_view sn = CellAt(l1, first + (c - first) / 6 * 6 + 1);
    RecordingColumn& col = r.columns[c];
    col.name = NameOr(CellAt(l2, c + 1), "Channel", channel + 1);
    col.group = sn.empty() ? "Channels" : "Module " + std::string(sn);
    col.module_serial = sn;
  }
}

// The energy format names its nine counters on line 1 and gives their units on line 2; the
// other block formats name nothing of their own.
void DescribeBlocks(Recording& r, const std::vector<std::string_view>& l1,
                    const std::vector<std::string_view>& l2) {
  const bool energy = CellAt(l1, 1) == "Diff1";
  for (size_t c = 0; c < r.columns.size(); ++c) {
    RecordingColumn& col = r.columns[c];
    const std::string_view title = CellAt(l1, c + 1);
    if (energy && !title.empty()) {
      col.name = Utf8(title);
      std::string_view unit = CellAt(l2, c + 1);
      // The names of the installation's channels follow the last unit without a TAB between.
      if (c + 2 == l1.size() && unit.starts_with("Wh")) unit = "Wh";
      col.unit = Utf8(unit);
      col.group = "Meter " + r.serial;
    } else {
      col.name = NameOr(CellAt(l2, c + 1), "Cell", c + 1);
      col.group = "Blocks";
    }
  }
}

// Line 1: "Date", then each title above the middle one of its three columns; line 2 the phases.
void DescribeMini(Recording& r, const std::vector<std::string_view>& l1,
                  const std::vector<std::string_view>& l2) {
  for (size_t c = 0; c < r.columns.size(); ++c) {
    RecordingColumn& col = r.columns[c];
    const std::string_view title = CellAt(l1, c / 3 * 3 + 2);
    col.name = NameOr(CellAt(l2, c + 1), "P", c % 3 + 1);
    col.group = title.empty() ? "Columns" : Utf8(title);
    col.unit = title == "Volt" ? "V" : title == "Watt" ? "W" : title == "Amp" ? "A" : "";
  }
}

// Line 1: the serial number and the channel titles; line 2: "date" and the units.
void DescribeQuendar(Recording& r, const std::vector<std::string_view>& l1,
                     const std::vector<std::string_view>& l2) {
  for (size_t c = 0; c < r.columns.size(); ++c) {
    RecordingColumn& col = r.columns[c];
    col.name = NameOr(CellAt(l1, c + 1), "Column", c + 1);
    col.unit = Utf8(CellAt(l2, c + 1));
    col.group = "Logger " + r.serial;
  }
}

// The columns a text without rows has, by its header lines.
size_t HeaderColumns(RecordingKind kind, const std::vector<std::string_view>& l1,
                     const std::vector<std::string_view>& l2) {
  switch (kind) {
    case RecordingKind::kMultichannel:
      // Line 1 ends in a TAB.
      return l1.size() >= 2 ? l1.size() - 2 : 0;
    case RecordingKind::kBlockRecords:
      return CellAt(l1, 1) == "Diff1" ? l1.size() - 1 : 0;
    case RecordingKind::kMiniChannel:
    case RecordingKind::kQuendar:
      return (kind == RecordingKind::kMiniChannel ? l2.size() : l1.size()) - 1;
  }
  return 0;
}

void Describe(Recording& r, const std::vector<std::string_view>& l1,
              const std::vector<std::string_view>& l2) {
  switch (r.kind) {
    case RecordingKind::kMultichannel:
      return DescribeMultichannel(r, l1, l2);
    case RecordingKind::kBlockRecords:
      return DescribeBlocks(r, l1, l2);
    case RecordingKind::kMiniChannel:
      return DescribeMini(r, l1, l2);
    case RecordingKind::kQuendar:
      return DescribeQuendar(r, l1, l2);
  }
}

int64_t StampSeconds(std::string_view cell) {
  const std::optional<Stamp> s = ParseStamp(cell);
  if (!s || !IsValidStamp(*s)) return kNoTime;
  using namespace std::chrono;
  const year_month_day date{year{s->year}, month{static_cast<unsigned>(s->month)},
                            day{static_cast<unsigned>(s->day)}};
  return sys_days{date}.time_since_epoch().count() * kSecondsPerDay + s->hour * 3600 +
         s->minute * 60 + s->second;
}

// A number as std::from_chars reads it, `decimal` standing for the point; false for anything
// else. The whole cell must be the number.
bool ParseNumberSlowly(std::string_view cell, char decimal, double& value) {
  char buf[64];
  if (cell.size() > sizeof buf) return false;
  std::replace_copy(cell.begin(), cell.end(), buf, decimal, '.');
  const char* end = buf + cell.size();
  const auto [stop, ec] = std::from_chars(buf, end, value);
  return ec == std::errc() && stop == end;
}

// Reads the cell at `p` (up to the next TAB or `end`) into `value` and returns where it ends;
// nullptr when it is no number. The numbers the converters write (an optional '-', digits, the
// separator and digits) are read in this one pass; anything else goes through from_chars.
const char* ReadCell(const char* p, const char* end, char decimal, double& value) {
  const char* const start = p;
  const bool negative = p < end && *p == '-';
  p += negative;
  uint64_t mantissa = 0;
  int digits = 0, decimals = -1;
  for (; p < end; ++p) {
    const unsigned d = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (d < 10) {
      mantissa = mantissa * 10 + d;
      ++digits;
      decimals += decimals >= 0;
    } else if (*p == decimal && decimals < 0) {
      decimals = 0;
    } else {
      break;
    }
  }
  if ((p == end || *p == '\t') && digits > 0 && digits <= kExactDigits &&
      decimals <= kMaxExactDecimals) {
    const double v = static_cast<double>(mantissa) / kPowersOfTen[std::max(decimals, 0)];
    value = negative ? -v : v;
    return p;
  }
  while (p < end && *p != '\t') ++p;
  const std::string_view cell(start, static_cast<size_t>(p - start));
  if (cell.empty()) {
    value = kEmptyCell;
    return p;
  }
  return ParseNumberSlowly(cell, decimal, value) ? p : nullptr;
}

std::string RowError(size_t row, std::string_view what) {
  return "row " + std::to_string(row + 1) + " of the text: " + std::string(what);
}

}  // namespace

CellBuffer::CellBuffer(CellBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

CellBuffer& CellBuffer::operator=(CellBuffer&& other) noexcept {
  if (this != &other) {
    if (data_) ::munmap(data_, capacity_ * sizeof(double));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

CellBuffer::~CellBuffer() {
  if (data_) ::munmap(data_, capacity_ * sizeof(double));
}

double* CellBuffer::Extend(size_t n) {
  if (n > capacity_ - size_) {
    size_t capacity = std::max(capacity_, kFirstCells);
    while (capacity - size_ < n) {
      if (capacity > std::numeric_limits<size_t>::max() / (2 * sizeof(double))) {
        throw std::bad_alloc();
      }
      capacity *= 2;
    }
    const size_t bytes = capacity * sizeof(double);
    void* block =
        data_ ? ::mremap(data_, capacity_ * sizeof(double), bytes, MREMAP_MAYMOVE)
              : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    if (bytes >= kHugePageBytes) ::madvise(block, bytes, MADV_HUGEPAGE);
    data_ = static_cast<double*>(block);
    capacity_ = capacity;
  }
  double* room = data_ + size_;
  size_ += n;
  return room;
}

RecordingReader::RecordingReader(char decimal, CancelCheck cancelled)
    : decimal_(decimal), cancel_check_(std::move(cancelled)) {}

bool RecordingReader::Start(const OutputIdentity& identity, std::string*) {
  identity_ = identity;
  return true;
}

void RecordingReader::Fail(std::string error) {
  if (failed_) return;
  failed_ = true;
  error_ = std::move(error);
}

void RecordingReader::Write(std::string_view whole_lines) {
  size_t at = 0;
  while (at < whole_lines.size() && !failed_) {
    const std::string_view line = NextLine(whole_lines, at);
    if (lines_ < 2) {
      header_[lines_++] = line;
      continue;
    }
    if (lines_ == 2) columns_ = static_cast<size_t>(std::count(line.begin(), line.end(), '\t'));
    if (++lines_ % kRowsPerCheck == 0 && cancel_check_ && cancel_check_()) {
      cancelled_ = true;
      Fail("Cancelled while the rows were read");
      return;
    }
    ReadRow(line);
  }
}

void RecordingReader::ReadRow(std::string_view line) {
  const size_t row = times_.size();
  const char* p = line.data();
  const char* const end = p + line.size();
  const char* tab = static_cast<const char*>(std::memchr(p, '\t', line.size()));
  if (!tab) tab = end;
  times_.push_back(StampSeconds(std::string_view(p, static_cast<size_t>(tab - p))));
  p = tab;
  double* out = values_.Extend(columns_);
  size_t c = 0;
  for (; p < end && c < columns_; ++c) {
    p = ReadCell(p + 1, end, decimal_, out[c]);
    if (!p) return Fail(RowError(row, "cell " + std::to_string(c + 2) + " is no number"));
  }
  if (c != columns_ || p != end) {
    Fail(RowError(row, "it has another number of cells than the first row"));
  }
}

bool RecordingReader::Finish(RecordingKind kind, Recording& r, std::string& error) {
  r = Recording();
  if (failed_) {
    error = error_;
    return false;
  }
  r.kind = kind;
  r.serial = Hex8(static_cast<uint32_t>(identity_.serial));
  std::string_view name = identity_.central_name;
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  r.name = Utf8(name);
  const std::vector<std::string_view> l1 = SplitCells(header_[0]), l2 = SplitCells(header_[1]);
  r.columns.resize(times_.empty() ? HeaderColumns(kind, l1, l2) : columns_);
  r.times = std::move(times_);
  r.values = std::move(values_);
  Describe(r, l1, l2);
  return true;
}

bool ParseRecordingText(std::string_view text, RecordingKind kind, char decimal,
                        Recording& recording, std::string& error) {
  RecordingReader reader(decimal);
  reader.Write(text);
  return reader.Finish(kind, recording, error);
}

std::vector<Outage> Outages(const Recording& r) {
  std::vector<Outage> outages;
  if (r.downtime_column < 0) return outages;
  const auto column = static_cast<size_t>(r.downtime_column);
  for (size_t row = 0; row < r.Rows(); ++row) {
    const double seconds = r.At(row, column);
    if (seconds != 0 && !std::isnan(seconds)) outages.push_back({r.times[row], seconds});
  }
  return outages;
}

ReadResult ReadRecording(Request request, Observer& observer) {
  RecordingReader reader(request.options.decimal_separator,
                         [&observer] { return observer.Cancelled(); });
  request.target = Target{TargetKind::kSink, "", "", &reader};
  request.style = OutputStyle{};
  request.options.copy_to_clipboard = false;
  request.options.date_separator = '/';
  request.options.time_separator = ':';
  ReadResult read;
  read.result = Convert(request, observer);
  if (reader.Cancelled() && !read.result.reports.empty()) {
    // The reader's stop is the user's cancel, not a write that failed.
    read.result.reports.back() = {ReportKind::kCancelled, std::string(kStoppedEnding)};
  } else if (reader.Failed()) {
    read.error = reader.Error();
  } else if (read.result.Completed()) {
    reader.Finish(read.result.kind, read.recording, read.error);
  }
  return read;
}

}  // namespace vid
