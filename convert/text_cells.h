// The cells of a line of the program's text, for the readers of converted texts (the chart
// window, the Python module): cells are separated by one TAB, and an empty line is one empty
// cell.
#pragma once

#include <string_view>
#include <vector>

namespace vid {

/// The cells of `line` (without its line end), as views into it.
inline std::vector<std::string_view> SplitCells(std::string_view line) {
  std::vector<std::string_view> cells;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return cells;
    start = tab + 1;
  }
}

/// Cell `i` of `cells`; empty beyond the last.
inline std::string_view CellAt(const std::vector<std::string_view>& cells, size_t i) {
  return i < cells.size() ? cells[i] : std::string_view();
}

}  // namespace vid
