// The program's text as an .xlsx workbook of one sheet, written row by row in libxlsxwriter's
// constant-memory mode. The two header lines become text cells; in the rows below, the time
// stamp becomes a date-time cell, every number a number cell whose format has as many decimals
// as its text (so the value shown is the text's own), other texts text cells, and empty cells
// stay empty. The panes are frozen below the header lines and right of the time column.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "convert/text_style.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vid {

struct SheetLayout {
  std::string name;                        ///< the sheet name, valid (see `SheetName`)
  char decimal_separator = '.';            ///< the decimal separator of the numbers in the text
  DateStyle dates = DateStyle::kDayFirst;  ///< how the date-time cells are shown
};

/// A number cell as the converters write it: an optional '-', an integer part without leading
/// zeros, and optionally `sep` with one or more decimals. Gives the value and the decimals.
bool ParseNumberCell(std::string_view cell, char sep, double* value, int* decimals);

/// A valid sheet name: `central_name` (single-byte, padded with blanks) when it holds more than
/// blanks, else `serial`; characters a sheet name cannot hold become '_', at most 31 characters.
std::string SheetName(std::string_view central_name, std::string_view serial);

class XlsxSheet {
 public:
  XlsxSheet() = default;
  XlsxSheet(const XlsxSheet&) = delete;
  XlsxSheet& operator=(const XlsxSheet&) = delete;
  ~XlsxSheet();

  /// Starts the workbook that `Close` writes to `path`. Fills `error` on failure.
  bool Open(const std::string& path, const SheetLayout& layout, std::string* error);
  /// Adds the next line of the text (without its CR LF) as the next row.
  void AddLine(std::string_view line);
  /// Writes the workbook file. False (with `error`) when it could not be written or a cell
  /// was refused.
  bool Close(std::string* error);

 private:
  lxw_format* NumberFormat(int decimals);
  void Fail(int code);

  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* date_format_ = nullptr;
  std::map<int, lxw_format*> number_formats_;
  SheetLayout layout_;
  uint32_t row_ = 0;
  std::string text_;  ///< a cell decoded to UTF-8
  std::string error_;
};

}  // namespace vid
