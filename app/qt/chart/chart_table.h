// The converted texts as the chart reads them: one time column and a table of numeric columns,
// each with a name, a unit (when the text gives one) and the group the text puts it in. The
// reader knows the three texts this program writes (the multichannel and block-record text,
// the mini-channel text, the Quendar text) by their header lines, takes '.' or ',' as the
// decimal separator, and any single non-digit between the parts of a time stamp. Empty or
// non-numeric cells are NaN. A line whose first cell is no valid date is skipped and counted.
// Plain C++: the window parses on a worker thread and the tests call it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vid::chart {

enum class TextKind {
  kMultichannel,  ///< line 1 serial number and units, line 2 central name and column names
  kEnergy,        ///< block records of the energy format: line 1 names, line 2 units
  kMini,          ///< "Date", the Volt/Watt/Amp... titles, then P1..P3
  kQuendar,       ///< serial number and titles, then "date" and the units
};

struct ChartColumn {
  std::string name;           ///< as the text names it (single-byte text, Windows-1252)
  std::string label;          ///< the name made unique for the legend: "I1 (00012345)", "Volt P1"
  std::string unit;           ///< empty when the text gives none (module channels)
  int group = 0;              ///< index into ChartTable::groups
  std::vector<float> values;  ///< one per row; NaN for an empty cell
  int decimals = 0;           ///< the most digits after the decimal separator in a cell, up to 9
};

struct ChartTable {
  TextKind kind = TextKind::kMultichannel;
  std::string serial;  ///< first cell of line 1
  std::string name;    ///< central unit's name, when the text has one
  std::vector<std::string> groups;
  std::vector<ChartColumn> columns;
  /// The time stamp of each row in seconds since 01/01/1970 00:00:00, read as wall-clock time:
  /// the text carries no time zone.
  std::vector<int64_t> times;
  int downtime_column = -1;  ///< the 'g' unit's "Downtime" column, in seconds
  size_t skipped_lines = 0;  ///< data lines whose first cell is not a date
};

/// Called now and then with the bytes read so far and the total; returns false to stop.
using ParseProgress = std::function<bool(size_t done, size_t total)>;

/// Reads `text` into `table`. Returns false with `error` set when the text is none of the three
/// (fewer than two lines, or a control character other than a tab in the two header lines, as in
/// a recording or any other binary file) or when `progress` asked to stop.
bool ParseChartText(std::string_view text, ChartTable* table, std::string* error,
                    const ParseProgress& progress = {});

/// Reads a time stamp "dd/mm/yy hh:mm:ss" (any single non-digit in place of '/', ' ' and ':',
/// a four-digit year too) into `seconds`; two-digit years 00..29 are 20xx, 30..99 are 19xx.
bool ParseStamp(std::string_view text, int64_t* seconds);

/// The time stamp as the texts write it: dd/mm/yy hh:mm:ss.
std::string FormatStamp(int64_t seconds);

}  // namespace vid::chart
