#include "convert/xlsx_sheet.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <mutex>

#include "platform/error_text.h"

namespace vid {
namespace {

constexpr size_t kMaxSheetName = 31;  // characters
constexpr double kTimeColumnWidth = 18;

// libxlsxwriter stamps a workbook with its creation time through gmtime(), whose result lives in
// one buffer for the whole process: workbooks are started and closed one at a time.
std::mutex close_mutex;

// libxlsxwriter prints its own error lines on stderr when it cannot make or write a file; the
// failure reaches the caller as one message of ours instead. While a workbook is started or
// closed, the C stream stderr points at the null device (the program's own messages are written
// to descriptor 2 directly and are not affected). Held under `close_mutex`.
class QuietStderr {
 public:
  QuietStderr() : saved_(stderr), null_(std::fopen("/dev/null", "w")) {
    if (null_) stderr = null_;
  }
  ~QuietStderr() {
    stderr = saved_;
    if (null_) std::fclose(null_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  std::FILE* saved_;
  std::FILE* null_;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// `text` (UTF-8) without blanks around it, made a valid sheet name; empty when nothing is left.
std::string CleanSheetName(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  std::string name;
  size_t chars = 0;
  for (const char c : text) {
    const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (!continuation && ++chars > kMaxSheetName) break;
    const bool refused = static_cast<unsigned char>(c) < 0x20 ||
                         std::string_view("[]:*?/\\").find(c) != std::string_view::npos;
    name += refused ? '_' : c;
  }
  // An apostrophe may not open or close the name.
  while (!name.empty() && name.front() == '\'') name.erase(0, 1);
  while (!name.empty() && (name.back() == '\'' || name.back() == ' ')) name.pop_back();
  return name;
}

}  // namespace

bool ParseNumberCell(std::string_view cell, char sep, double* value, int* decimals) {
  size_t i = cell.size() > 0 && cell[0] == '-' ? 1 : 0;
  const size_t int_start = i;
  while (i < cell.size() && IsDigit(cell[i])) ++i;
  const size_t int_digits = i - int_start;
  // "0", "12", but not "007": a leading zero would not survive a number cell.
  if (int_digits == 0 || (int_digits > 1 && cell[int_start] == '0')) return false;
  int decs = 0;
  if (i < cell.size()) {
    if (cell[i] != sep) return false;
    for (++i; i < cell.size() && IsDigit(cell[i]); ++i) ++decs;
    if (decs == 0 || i != cell.size()) return false;
  }
  std::string text(cell);
  if (decs > 0) text[cell.size() - decs - 1] = '.';
  const auto r = std::from_chars(text.data(), text.data() + text.size(), *value);
  if (r.ec != std::errc()) return false;
  *decimals = decs;
  return true;
}

std::string SheetName(std::string_view central_name, std::string_view serial) {
  std::string utf8;
  AppendUtf8(utf8, central_name);
  std::string name = CleanSheetName(utf8);
  if (name.empty()) name = CleanSheetName(serial);
  return name.empty() ? "Sheet1" : name;
}

XlsxSheet::~XlsxSheet() {
  if (book_) lxw_workbook_free(book_);
}

bool XlsxSheet::Open(const std::string& path, const SheetLayout& layout, std::string* error) {
  layout_ = layout;
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  std::lock_guard lock(close_mutex);
  QuietStderr quiet;
  book_ = workbook_new_opt(path.c_str(), &options);
  if (book_) sheet_ = workbook_add_worksheet(book_, layout_.name.c_str());
  if (!sheet_) {
    if (error) *error = "cannot start the workbook";
    return false;
  }
  date_format_ = workbook_add_format(book_);
  format_set_num_format(
      date_format_, layout_.dates == DateStyle::kIso ? "yyyy-mm-dd hh:mm:ss" : "dd/mm/yy hh:mm:ss");
  worksheet_set_column(sheet_, 0, 0, kTimeColumnWidth, nullptr);
  worksheet_freeze_panes(sheet_, 2, 1);
  return true;
}

lxw_format* XlsxSheet::NumberFormat(int decimals) {
  lxw_format*& format = number_formats_[decimals];
  if (!format) {
    format = workbook_add_format(book_);
    const std::string pattern = decimals == 0 ? "0" : "0." + std::string(decimals, '0');
    format_set_num_format(format, pattern.c_str());
  }
  return format;
}

void XlsxSheet::Fail(int code) {
  if (code != LXW_NO_ERROR && error_.empty()) {
    error_ = "row " + std::to_string(row_ + 1) + ": " + lxw_strerror(static_cast<lxw_error>(code));
  }
}

void XlsxSheet::AddLine(std::string_view line) {
  const bool header = row_ < 2;
  size_t start = 0;
  for (lxw_col_t col = 0;; ++col) {
    const size_t tab = line.find('\t', start);
    const std::string_view cell = line.substr(start, tab - start);
    double value = 0;
    int decimals = 0;
    std::optional<Stamp> stamp;
    if (cell.empty()) {
      // An empty cell stays empty.
    } else if (!header && col == 0 && (stamp = ParseStamp(cell)) && IsValidStamp(*stamp)) {
      lxw_datetime dt{stamp->year, stamp->month,  stamp->day,
                      stamp->hour, stamp->minute, static_cast<double>(stamp->second)};
      Fail(worksheet_write_datetime(sheet_, row_, col, &dt, date_format_));
    } else if (!header && ParseNumberCell(cell, layout_.decimal_separator, &value, &decimals)) {
      Fail(worksheet_write_number(sheet_, row_, col, value, NumberFormat(decimals)));
    } else {
      text_.clear();
      AppendUtf8(text_, cell);
      Fail(worksheet_write_string(sheet_, row_, col, text_.c_str(), nullptr));
    }
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  ++row_;
}

bool XlsxSheet::Close(std::string* error) {
  lxw_workbook* book = book_;
  book_ = nullptr;
  lxw_error closed = LXW_ERROR_NULL_PARAMETER_IGNORED;
  int system_error = 0;
  if (book) {
    std::lock_guard lock(close_mutex);
    QuietStderr quiet;
    errno = 0;
    closed = workbook_close(book);
    system_error = errno;
  }
  if (closed != LXW_NO_ERROR && error_.empty()) {
    error_ = std::string("cannot write the workbook: ") + lxw_strerror(closed);
    // A failed write or open leaves the system's reason behind.
    if (system_error != 0) error_ += " (" + ErrorText(system_error) + ")";
  }
  if (error_.empty()) return true;
  if (error) *error = error_;
  return false;
}

}  // namespace vid
