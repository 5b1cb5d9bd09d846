#include "app/qt/chart/series_math.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vid::chart {

namespace {

constexpr double kBreak = std::numeric_limits<double>::quiet_NaN();

// The rows to look at for [x0, x1]: a binary search when the times ascend, all rows otherwise.
struct RowRange {
  size_t lo, hi;
};

RowRange Rows(const std::vector<double>& x, bool ascending, double x0, double x1) {
  if (!ascending) return {0, x.size()};
  return {static_cast<size_t>(std::lower_bound(x.begin(), x.end(), x0) - x.begin()),
          static_cast<size_t>(std::upper_bound(x.begin(), x.end(), x1) - x.begin())};
}

// One slice of the decimation: the rows of its minimum and maximum, and whether an empty cell
// comes before its first value or after its last one.
struct Bucket {
  long min_row = -1, max_row = -1;
  bool gap_before = false, gap_after = false;
};

}  // namespace

bool IsAscending(const std::vector<double>& x) {
  return std::is_sorted(x.begin(), x.end());
}

std::vector<XY> Decimate(const std::vector<double>& x, const std::vector<float>& v, bool ascending,
                         double x0, double x1, int buckets) {
  std::vector<XY> out;
  if (buckets < 1 || !(x1 > x0) || x.empty()) return out;
  const RowRange r = Rows(x, ascending, x0, x1);
  std::vector<Bucket> slices(buckets);
  const double scale = buckets / (x1 - x0);
  for (size_t i = r.lo; i < r.hi; ++i) {
    if (x[i] < x0 || x[i] > x1) continue;
    Bucket& b = slices[std::clamp(static_cast<int>((x[i] - x0) * scale), 0, buckets - 1)];
    if (std::isnan(v[i])) {
      (b.min_row < 0 ? b.gap_before : b.gap_after) = true;
      continue;
    }
    b.gap_after = false;
    if (b.min_row < 0 || v[i] < v[b.min_row]) b.min_row = static_cast<long>(i);
    if (b.max_row < 0 || v[i] > v[b.max_row]) b.max_row = static_cast<long>(i);
  }

  bool gap = false;  // an empty cell lies between the last point out and the next one
  auto emit = [&](size_t row) {
    if (gap && !out.empty()) out.push_back({out.back().x, kBreak});
    gap = false;
    out.push_back({x[row], v[row]});
  };
  if (ascending && r.lo > 0) {
    if (std::isnan(v[r.lo - 1]))
      gap = true;
    else
      emit(r.lo - 1);
  }
  for (const Bucket& b : slices) {
    if (b.min_row < 0) {
      gap = gap || b.gap_before;
      continue;
    }
    gap = gap || b.gap_before;
    emit(static_cast<size_t>(std::min(b.min_row, b.max_row)));
    if (b.max_row != b.min_row) emit(static_cast<size_t>(std::max(b.min_row, b.max_row)));
    gap = b.gap_after;
  }
  if (ascending && r.hi < x.size() && !std::isnan(v[r.hi])) emit(r.hi);

  // A point alone between breaks draws nothing as a line: widen it to a stroke one slice wide.
  std::vector<XY> drawn;
  drawn.reserve(out.size() + 8);
  const double half = 0.5 / scale;
  for (size_t i = 0; i < out.size(); ++i) {
    const bool alone = !std::isnan(out[i].y) && (i == 0 || std::isnan(out[i - 1].y)) &&
                       (i + 1 == out.size() || std::isnan(out[i + 1].y));
    if (alone) {
      drawn.push_back({out[i].x - half, out[i].y});
      drawn.push_back({out[i].x + half, out[i].y});
    } else {
      drawn.push_back(out[i]);
    }
  }
  return drawn;
}

Summary Summarize(const std::vector<double>& x, const std::vector<float>& v, bool ascending,
                  double x0, double x1) {
  Summary s;
  const RowRange r = Rows(x, ascending, x0, x1);
  double sum = 0;
  for (size_t i = r.lo; i < r.hi; ++i) {
    if (x[i] < x0 || x[i] > x1) continue;
    if (std::isnan(v[i])) {
      ++s.empty;
      continue;
    }
    if (s.values == 0 || v[i] < s.min) s.min = v[i], s.row_min = static_cast<long>(i);
    if (s.values == 0 || v[i] > s.max) s.max = v[i], s.row_max = static_cast<long>(i);
    sum += v[i];
    ++s.values;
  }
  if (s.values > 0) s.mean = sum / static_cast<double>(s.values);
  return s;
}

long NearestRow(const std::vector<double>& x, const std::vector<float>& v, bool ascending,
                double at) {
  long best = -1;
  auto consider = [&](size_t i) {
    if (best < 0 || std::abs(x[i] - at) < std::abs(x[best] - at)) best = static_cast<long>(i);
  };
  if (!ascending) {
    for (size_t i = 0; i < x.size(); ++i) {
      if (!std::isnan(v[i])) consider(i);
    }
    return best;
  }
  const size_t mid = std::lower_bound(x.begin(), x.end(), at) - x.begin();
  for (size_t i = mid; i < x.size(); ++i) {
    if (!std::isnan(v[i])) {
      consider(i);
      break;
    }
  }
  for (size_t i = mid; i-- > 0;) {
    if (!std::isnan(v[i])) {
      consider(i);
      break;
    }
  }
  return best;
}

std::vector<Span> OutageSpans(const std::vector<double>& x, const std::vector<float>& downtime) {
  std::vector<Span> spans;
  for (size_t i = 0; i < x.size(); ++i) {
    if (!(downtime[i] > 0)) continue;
    double from = x[i] - downtime[i] * 1000.0;
    if (i > 0 && x[i - 1] <= x[i]) from = std::max(from, x[i - 1]);
    if (!spans.empty() && from <= spans.back().to && x[i] >= spans.back().from) {
      spans.back().from = std::min(spans.back().from, from);
      spans.back().to = std::max(spans.back().to, x[i]);
    } else {
      spans.push_back({from, x[i]});
    }
  }
  return spans;
}

}  // namespace vid::chart
