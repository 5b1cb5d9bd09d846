// The program's text rewritten for other readers. The converters write single-byte text, one
// TAB between cells and the time stamp as dd/mm/yy hh:mm:ss; a `TextStyle` asks instead for
// UTF-8, ISO dates or another delimiter, and `RewriteLine` applies it to one line of that text
// (given without its CR LF). The default style gives every line back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vid {

enum class Encoding {
  kCp1252,  ///< the bytes as the converters wrote them (the recordings' single-byte texts)
  kUtf8,    ///< every byte decoded as Windows-1252 and written as UTF-8
};

enum class DateStyle {
  kDayFirst,  ///< dd/mm/yy hh:mm:ss, as the converters write it
  kIso,       ///< yyyy-mm-dd hh:mm:ss
};

struct TextStyle {
  Encoding encoding = Encoding::kCp1252;
  bool bom = false;  ///< a UTF-8 byte-order mark before the first line
  DateStyle dates = DateStyle::kDayFirst;
  char delimiter = '\t';  ///< TAB, ';' or ','; with ';' and ',' cells are quoted as RFC 4180 says

  bool IsDefault() const {
    return encoding == Encoding::kCp1252 && !bom && dates == DateStyle::kDayFirst &&
           delimiter == '\t';
  }
};

/// A time stamp cell read back: the year with its century, the rest as written.
struct Stamp {
  int year, month, day, hour, minute, second;
};

/// Reads a time stamp cell: six two-digit numbers, day, month, year, hour, minute and second,
/// with one separator between each two of them (a blank between date and time). The two-digit
/// year is one of this century, 2000..2099, as every kind of recording stores it. The values are
/// not checked against the calendar.
std::optional<Stamp> ParseStamp(std::string_view cell);

/// True when the stamp is a real date and time of day.
bool IsValidStamp(const Stamp& s);

/// Appends "yyyy-mm-dd hh:mm:ss".
void AppendIsoStamp(std::string& out, const Stamp& s);

/// Appends the Windows-1252 `text` as UTF-8 (the bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which
/// the code page leaves free, as the control characters of the same number).
void AppendUtf8(std::string& out, std::string_view text);

/// Replaces `out` with line `index` (0 for the first line of the text) in `style`. Rows are the
/// lines from index 2 on, behind the two header lines; the dates of their first cell are
/// rewritten, the header lines are left as they are.
void RewriteLine(std::string_view line, size_t index, const TextStyle& style, std::string& out);

}  // namespace vid
