#include "app/qt/chart/chart_table.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>

#include "convert/text_cells.h"

namespace vid::chart {

namespace {

constexpr float kEmpty = std::numeric_limits<float>::quiet_NaN();
constexpr int64_t kSecondsPerDay = 86400;
constexpr int kMostDecimals = 9;  // a float holds no more

// The next line of `text` from `*pos` without its line end; moves `*pos` behind it.
std::string_view NextLine(std::string_view text, size_t* pos) {
  const size_t start = *pos;
  size_t end = text.find('\n', start);
  if (end == std::string_view::npos) end = text.size();
  *pos = end + 1;
  std::string_view line = text.substr(start, end - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A number with '.' or ',' as its decimal separator; NaN for an empty cell or anything else.
// `*decimals` is raised to the digits after the separator of a number.
float ParseCell(std::string_view cell, int* decimals) {
  char buf[48];
  if (cell.empty() || cell.size() > sizeof buf) return kEmpty;
  for (size_t i = 0; i < cell.size(); ++i) buf[i] = cell[i] == ',' ? '.' : cell[i];
  double value = 0;
  const auto [end, ec] = std::from_chars(buf, buf + cell.size(), value);
  if (ec != std::errc() || end != buf + cell.size()) return kEmpty;
  const std::string_view number(buf, cell.size());
  if (const size_t point = number.find('.'); point != std::string_view::npos) {
    const size_t last = std::min(number.find_first_not_of("0123456789", point + 1), number.size());
    *decimals =
        std::max(*decimals, static_cast<int>(std::min<size_t>(kMostDecimals, last - point - 1)));
  }
  return static_cast<float>(value);
}

// Reads the cell at `*p` up to the next tab or `end` and leaves `*p` there; raises `*decimals`
// as ParseCell does. The numbers the program writes (an optional '-', digits, a separator and
// digits) are read in the same pass; anything else goes through ParseCell.
float ReadCell(const char** p, const char* end, int* decimals_seen) {
  static constexpr double kPow10[kMostDecimals + 1] = {1,   1e1, 1e2, 1e3, 1e4,
                                                       1e5, 1e6, 1e7, 1e8, 1e9};
  const char* const start = *p;
  const char* q = start;
  const bool negative = q < end && *q == '-';
  if (negative) ++q;
  uint64_t mantissa = 0;
  int digits = 0, decimals = -1;
  for (; q < end; ++q) {
    const char c = *q;
    if (c >= '0' && c <= '9') {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++digits;
      if (decimals >= 0) ++decimals;
    } else if ((c == '.' || c == ',') && decimals < 0) {
      decimals = 0;
    } else {
      break;
    }
  }
  if ((q == end || *q == '\t') && digits > 0 && digits <= 15 && decimals <= kMostDecimals) {
    *p = q;
    const double value = static_cast<double>(mantissa) / kPow10[std::max(decimals, 0)];
    *decimals_seen = std::max(*decimals_seen, decimals);
    return static_cast<float>(negative ? -value : value);
  }
  while (q < end && *q != '\t') ++q;
  *p = q;
  return ParseCell(std::string_view(start, static_cast<size_t>(q - start)), decimals_seen);
}

// Reads up to four digits into `*value`; false when there is none.
bool ReadDigits(std::string_view s, size_t* pos, int* value, int* count) {
  *value = 0;
  *count = 0;
  while (*pos < s.size() && *count < 4 && s[*pos] >= '0' && s[*pos] <= '9') {
    *value = *value * 10 + (s[*pos] - '0');
    ++*pos;
    ++*count;
  }
  return *count > 0;
}

void DescribeMultichannel(ChartTable* t, const std::vector<std::string_view>& l1,
                          const std::vector<std::string_view>& l2) {
  // The central unit's columns carry their unit on line 1 ("Volts", "s"): the three phase
  // voltages, then the quality columns and the downtime of a 'g' unit.
  const size_t n = t->columns.size();
  size_t c = 0;
  for (; c < n; ++c) {
    const std::string_view unit = CellAt(l1, c + 1);
    if (unit != "Volts" && unit != "s") break;
    if (c == 0) t->groups.push_back("Phase voltages");
    if (c == 3) t->groups.push_back("Quality and downtime");
    ChartColumn& col = t->columns[c];
    col.name = CellAt(l2, c + 1);
    col.unit = unit;
    col.group = static_cast<int>(t->groups.size()) - 1;
    col.label = col.name;
    if (col.name == "Downtime" && unit == "s") t->downtime_column = static_cast<int>(c);
  }
  // Then six channels per module under the module's serial number.
  for (size_t first = c; c < n; ++c) {
    const size_t channel = (c - first) % 6;
    const std::string_view sn = CellAt(l1, first + (c - first) / 6 * 6 + 1);
    if (channel == 0) t->groups.push_back(sn.empty() ? "Channels" : "Module " + std::string(sn));
    ChartColumn& col = t->columns[c];
    col.name = CellAt(l2, c + 1);
    if (col.name.empty()) col.name = "Channel " + std::to_string(channel + 1);
    col.label = sn.empty() ? col.name : col.name + " (" + std::string(sn) + ")";
    col.group = static_cast<int>(t->groups.size()) - 1;
  }
}

void DescribeEnergy(ChartTable* t, const std::vector<std::string_view>& l1,
                    const std::vector<std::string_view>& l2) {
  t->groups.push_back("Meter " + t->serial);
  for (size_t c = 0; c < t->columns.size(); ++c) {
    ChartColumn& col = t->columns[c];
    col.name = CellAt(l1, c + 1);
    if (!col.name.empty()) {
      col.unit = CellAt(l2, c + 1);
      // With modules, the first channel name follows the last unit in the same cell.
      if (col.unit.size() > 2 && col.unit.starts_with("Wh") && c + 2 >= l1.size()) {
        col.unit = "Wh";
      }
    } else {
      col.name = CellAt(l2, c + 1);
    }
    if (col.name.empty()) col.name = "Column " + std::to_string(c + 1);
    col.label = col.name;
  }
}

void DescribeMini(ChartTable* t, const std::vector<std::string_view>& l1,
                  const std::vector<std::string_view>& l2) {
  // Each title stands above the middle one of its three phase columns.
  for (size_t c = 0; c < t->columns.size(); ++c) {
    ChartColumn& col = t->columns[c];
    if (c % 3 == 0) {
      const std::string_view title = CellAt(l1, c + 2);
      t->groups.push_back(title.empty() ? "Columns" : std::string(title));
    }
    const std::string& title = t->groups.back();
    col.group = static_cast<int>(t->groups.size()) - 1;
    col.name = CellAt(l2, c + 1);
    if (col.name.empty()) col.name = "P" + std::to_string(c % 3 + 1);
    col.label = title + " " + col.name;
    col.unit = title == "Volt"   ? "V"
               : title == "Watt" ? "W"
               : title == "Amp"  ? "A"
               : title == "Var"  ? "var"
                                 : title;
  }
}

void DescribeQuendar(ChartTable* t, const std::vector<std::string_view>& l1,
                     const std::vector<std::string_view>& l2) {
  t->groups.push_back("Logger " + t->serial);
  for (size_t c = 0; c < t->columns.size(); ++c) {
    ChartColumn& col = t->columns[c];
    col.name = CellAt(l1, c + 1);
    if (col.name.empty()) col.name = "Column " + std::to_string(c + 1);
    col.label = col.name;
    col.unit = CellAt(l2, c + 1);
  }
}

void Describe(ChartTable* t, std::string_view line1, std::string_view line2) {
  const std::vector<std::string_view> l1 = SplitCells(line1), l2 = SplitCells(line2);
  if (l1[0] == "Date") {
    t->kind = TextKind::kMini;
    DescribeMini(t, l1, l2);
    return;
  }
  t->serial = l1[0];
  if (l2[0] == "date") {
    t->kind = TextKind::kQuendar;
    DescribeQuendar(t, l1, l2);
    return;
  }
  t->name = TrimRight(l2[0]);
  if (CellAt(l1, 1) == "Diff1") {
    t->kind = TextKind::kEnergy;
    DescribeEnergy(t, l1, l2);
    return;
  }
  t->kind = TextKind::kMultichannel;
  DescribeMultichannel(t, l1, l2);
}

}  // namespace

bool ParseStamp(std::string_view s, int64_t* seconds) {
  int v[6], digits[6];
  size_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    if (!ReadDigits(s, &pos, &v[i], &digits[i])) return false;
    if (i < 5) {
      if (pos >= s.size() || (s[pos] >= '0' && s[pos] <= '9')) return false;
      ++pos;
    }
  }
  if (pos != s.size()) return false;
  int year = v[2];
  if (digits[2] <= 2) year += year < 30 ? 2000 : 1900;
  using namespace std::chrono;
  const year_month_day date{std::chrono::year(year), month(static_cast<unsigned>(v[1])),
                            day(static_cast<unsigned>(v[0]))};
  if (!date.ok() || v[3] > 23 || v[4] > 59 || v[5] > 59) return false;
  *seconds =
      sys_days(date).time_since_epoch().count() * kSecondsPerDay + v[3] * 3600 + v[4] * 60 + v[5];
  return true;
}

std::string FormatStamp(int64_t seconds) {
  using namespace std::chrono;
  int64_t days = seconds / kSecondsPerDay, rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const year_month_day date{sys_days(std::chrono::days(days))};
  const int parts[6] = {static_cast<int>(static_cast<unsigned>(date.day())),
                        static_cast<int>(static_cast<unsigned>(date.month())),
                        static_cast<int>(date.year()) % 100,
                        static_cast<int>(rest / 3600),
                        static_cast<int>(rest / 60 % 60),
                        static_cast<int>(rest % 60)};
  std::string out;
  for (int i = 0; i < 6; ++i) {
    if (i > 0) out += " // ::"[i];
    out += static_cast<char>('0' + parts[i] / 10);
    out += static_cast<char>('0' + parts[i] % 10);
  }
  return out;
}

bool ParseChartText(std::string_view text, ChartTable* table, std::string* error,
                    const ParseProgress& progress) {
  *table = ChartTable();
  size_t pos = 0;
  const std::string_view line1 = NextLine(text, &pos);
  if (pos >= text.size()) {
    *error = "Not a converted text: it has fewer than two lines";
    return false;
  }
  const std::string_view line2 = NextLine(text, &pos);
  // The texts hold printable characters and tabs; a recording has its control bytes early on.
  const auto control = [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7f;
  };
  if (std::ranges::any_of(line1, control) || std::ranges::any_of(line2, control)) {
    *error = "Not a converted text: binary data in its first lines";
    return false;
  }

  std::vector<ChartColumn>& columns = table->columns;
  std::vector<int64_t>& times = table->times;
  size_t lines = 0;
  while (pos < text.size()) {
    const std::string_view line = NextLine(text, &pos);
    if (line.empty()) continue;
    if (++lines % 4096 == 0 && progress && !progress(pos, text.size())) {
      *error = "Stopped";
      return false;
    }
    const size_t tab = line.find('\t');
    int64_t t = 0;
    if (!ParseStamp(line.substr(0, tab), &t)) {
      ++table->skipped_lines;
      continue;
    }
    if (times.empty()) {
      // The first row's length gives a fair guess of the number of rows. After a last line
      // without its line end `pos` stands one past the end of the text.
      const size_t rest = pos < text.size() ? text.size() - pos : 0;
      const size_t guess = rest / (line.size() + 2) + 2;
      times.reserve(guess + guess / 8);
      columns.resize(std::count(line.begin(), line.end(), '\t'));
      for (ChartColumn& c : columns) c.values.reserve(times.capacity());
    }
    const size_t row = times.size();
    times.push_back(t);
    size_t c = 0;
    const char* const end = line.data() + line.size();
    const char* p = tab == std::string_view::npos ? end : line.data() + tab;
    while (p < end) {
      ++p;  // the tab in front of the cell
      if (c == columns.size()) columns.emplace_back().values.assign(row, kEmpty);
      ChartColumn& col = columns[c++];
      col.values.push_back(ReadCell(&p, end, &col.decimals));
    }
    for (; c < columns.size(); ++c) columns[c].values.push_back(kEmpty);
  }
  Describe(table, line1, line2);
  if (progress) progress(text.size(), text.size());
  return true;
}

}  // namespace vid::chart
