// Any bytes opened in the chart window: the text reader, then the figures the window draws from
// every column (decimation, summary, nearest point, outage periods), as for a file the user drops
// onto the window, whatever it holds.
#include <cmath>
#include <string_view>
#include <vector>

#include "app/qt/chart/chart_table.h"
#include "app/qt/chart/series_math.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vid::chart;
  ChartTable table;
  std::string error;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!ParseChartText(text, &table, &error)) return 0;
  const size_t rows = table.times.size();
  std::vector<double> x(rows);
  for (size_t i = 0; i < rows; ++i) x[i] = static_cast<double>(table.times[i]) * 1000.0;
  const bool ascending = IsAscending(x);
  const double x0 = rows ? x.front() : 0, x1 = rows ? x.back() : 0;
  for (const ChartColumn& c : table.columns) {
    vid::fuzz::Check(c.values.size() == rows, "a value per row");
    Decimate(x, c.values, ascending, x0, x1, 97);
    const Summary s = Summarize(x, c.values, ascending, x0, x1);
    vid::fuzz::Check(s.values + s.empty <= rows, "summary counts within the rows");
    const long near = NearestRow(x, c.values, ascending, (x0 + x1) / 2);
    vid::fuzz::Check(near < static_cast<long>(rows), "nearest row within the rows");
  }
  if (table.downtime_column >= 0) {
    vid::fuzz::Check(table.downtime_column < static_cast<int>(table.columns.size()),
                     "downtime column within the columns");
    OutageSpans(x, table.columns[table.downtime_column].values);
  }
  return 0;
}
