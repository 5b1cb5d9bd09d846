#include "convert/text_style.h"

#include <chrono>

#include "platform/text_codec.h"

namespace vid {
namespace {

constexpr int kCentury = 2000;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

void AppendTwoDigits(std::string& out, int v) {
  out += static_cast<char>('0' + v / 10 % 10);
  out += static_cast<char>('0' + v % 10);
}

// Appends one cell, quoted when the delimiter asks for it.
void AppendCell(std::string& out, std::string_view cell, const TextStyle& style) {
  const size_t start = out.size();
  if (style.encoding == Encoding::kUtf8) {
    AppendUtf8(out, cell);
  } else {
    out.append(cell);
  }
  if (style.delimiter == '\t') return;
  const std::string_view written = std::string_view(out).substr(start);
  const char special[] = {style.delimiter, '"', '\r', '\n'};
  if (written.find_first_of(std::string_view(special, 4)) == std::string_view::npos) return;
  std::string quoted = "\"";
  for (const char c : written) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  out.replace(start, std::string::npos, quoted);
}

}  // namespace

std::optional<Stamp> ParseStamp(std::string_view cell) {
  // dd/mm/yy hh:mm:ss: digits at 0-1, 3-4, 6-7, 9-10, 12-13, 15-16, a blank at 8.
  if (cell.size() != 17 || cell[8] != ' ') return std::nullopt;
  int v[6];
  for (int i = 0; i < 6; ++i) {
    const char a = cell[3 * i], b = cell[3 * i + 1];
    if (!IsDigit(a) || !IsDigit(b)) return std::nullopt;
    if (i < 5 && IsDigit(cell[3 * i + 2])) return std::nullopt;
    v[i] = (a - '0') * 10 + (b - '0');
  }
  // Every kind of recording stores a year of this century.
  const int year = kCentury + v[2];
  return Stamp{year, v[1], v[0], v[3], v[4], v[5]};
}

bool IsValidStamp(const Stamp& s) {
  using namespace std::chrono;
  const year_month_day ymd{year{s.year}, month{static_cast<unsigned>(s.month)},
                           day{static_cast<unsigned>(s.day)}};
  return ymd.ok() && s.hour < 24 && s.minute < 60 && s.second < 60;
}

void AppendIsoStamp(std::string& out, const Stamp& s) {
  AppendTwoDigits(out, s.year / 100);
  AppendTwoDigits(out, s.year);
  out += '-';
  AppendTwoDigits(out, s.month);
  out += '-';
  AppendTwoDigits(out, s.day);
  out += ' ';
  AppendTwoDigits(out, s.hour);
  out += ':';
  AppendTwoDigits(out, s.minute);
  out += ':';
  AppendTwoDigits(out, s.second);
}

void AppendUtf8(std::string& out, std::string_view text) {
  AppendCp1252AsUtf8(out, text);
}

void RewriteLine(std::string_view line, size_t index, const TextStyle& style, std::string& out) {
  out.clear();
  if (index == 0 && style.bom) out += "\xEF\xBB\xBF";
  size_t start = 0;
  for (bool first = true;; first = false) {
    const size_t tab = line.find('\t', start);
    const std::string_view cell = line.substr(start, tab - start);
    if (!first) out += style.delimiter;
    std::optional<Stamp> stamp;
    if (first && index >= 2 && style.dates == DateStyle::kIso) stamp = ParseStamp(cell);
    if (stamp) {
      AppendIsoStamp(out, *stamp);
    } else {
      AppendCell(out, cell, style);
    }
    if (tab == std::string_view::npos) return;
    start = tab + 1;
  }
}

}  // namespace vid
