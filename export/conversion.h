// One conversion as the command line asks for it: a dump, or the logger files of one recording
// after an optional header file, into a text file, a folder (the serial-number name), standard
// output, or an .xlsx workbook, in the text style asked for. Each call makes its own `Session`,
// so conversions may run in parallel threads, each with its own `Ui`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "core/context.h"
#include "export/text_style.h"

namespace vid {

class Ui;

enum class OutputFormat { kText, kXlsx };

struct OutputStyle {
  OutputFormat format = OutputFormat::kText;
  TextStyle text;  ///< for the text format

  bool IsDefault() const { return format == OutputFormat::kText && text.IsDefault(); }
};

/// The output name that stands for standard output.
inline constexpr std::string_view kStandardOutput = "-";

struct ConversionRequest {
  std::vector<std::string> inputs;  ///< a dump, or the logger files of one recording (one folder)
  std::string header;               ///< a logger header file loaded first; empty for none
  std::string output;    ///< the output file or `kStandardOutput`; with `sn_name` the folder
  bool sn_name = false;  ///< the output is named after the serial number, inside `output`
  Options options;       ///< the converters' options; no clipboard copy is made
  OutputStyle style;
};

struct ConversionResult {
  MakeResult result = MakeResult::kStopped;
  std::string status;  ///< the last status text, or the message when one was shown
};

/// The extension of the output files of `format`: "txt" or "xlsx".
std::string_view Extension(OutputFormat format);

/// Runs one conversion, its status texts shown on `ui`. With the default style into a file it is
/// the window's Make with the output path given. Otherwise the program's text goes to a scratch
/// file in the temporary folder and is then written out in the style asked for. Either way the
/// output appears only once complete: when the conversion stops, nothing is left and an earlier
/// file of that name stays intact (standard output receives nothing).
ConversionResult RunConversion(const ConversionRequest& request, Ui& ui);

}  // namespace vid
