// What the chart computes from a column over a time range, in plain C++: the min/max
// decimation it draws, the summary row, the nearest point under the mouse and the outage
// periods. `x` is the time of each row on the chart's axis (milliseconds), `v` the column's
// values with NaN for empty cells. When `x` never decreases (`ascending`), the range is found by
// binary search; otherwise every row is looked at, which stays correct for a recording whose
// clock went back.
#pragma once

#include <cstddef>
#include <vector>

namespace vid::chart {

struct XY {
  double x, y;  ///< y is NaN where the line breaks (an empty cell)
};

/// True when `x` never decreases.
bool IsAscending(const std::vector<double>& x);

/// At most two points (the minimum and the maximum, in row order) for each of `buckets` equal
/// slices of [x0, x1], plus the nearest row on either side so that the line runs on to the edges.
/// Empty cells break the line; a point alone between two breaks becomes a short flat stroke
/// one slice wide so that it stays visible.
std::vector<XY> Decimate(const std::vector<double>& x, const std::vector<float>& v, bool ascending,
                         double x0, double x1, int buckets);

struct Summary {
  size_t values = 0;  ///< cells with a number in the range
  size_t empty = 0;   ///< empty cells in the range
  double min = 0, mean = 0, max = 0;
  long row_min = -1, row_max = -1;  ///< the first row that holds the minimum, the maximum
};

/// The figures of the rows whose time lies in [x0, x1].
Summary Summarize(const std::vector<double>& x, const std::vector<float>& v, bool ascending,
                  double x0, double x1);

/// The row nearest in time to `at` that has a value; -1 when there is none.
long NearestRow(const std::vector<double>& x, const std::vector<float>& v, bool ascending,
                double at);

struct Span {
  double from, to;
};

/// The outage periods of a downtime column in seconds: for each row with a downtime d > 0, the
/// d seconds before its time (not before the previous row), overlapping periods merged.
std::vector<Span> OutageSpans(const std::vector<double>& x, const std::vector<float>& downtime);

}  // namespace vid::chart
