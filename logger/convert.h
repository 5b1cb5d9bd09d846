// The logger conversion. `ConvertLogger` reads the files of one recording record by record: the
// installation records refresh the configuration, page and block records rebuild the recorders'
// memories in the channel table, and Quendar records are written out at once. At the end it
// finishes the Quendar text or hands the channel table to the multichannel output. `LoadHeader`
// reads a header file (installation records only) ahead of data files that carry none. Both
// return false (or kStopped) after the context has shown why they stopped; nothing is then
// stored outside a table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/tables.h"
#include "dump/config.h"
#include "logger/logger_state.h"
#include "logger/quendar.h"
#include "platform/input_file.h"

namespace vid {

/// How Load Header ended.
enum class HeaderResult {
  kFound,     ///< a complete installation header is loaded ("Central SN: ... Header found ...")
  kNotFound,  ///< "Error in header file"
  kRefused,   ///< not a logger file name: "Only applies to .pdc files" in a message box
  kStopped,   ///< the file could not be opened or holds more than 25 modules
};

/// Load Header: reads the file `name` of `folder` through `in` as a header file into the
/// configuration, and reports what it found.
HeaderResult LoadHeader(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg,
                        const std::string& folder, const std::string& name);

/// Converts the logger files `inputs`, in the order given, as one recording, reading each
/// through `in`. `selection` is set for the files selected in the list (one or several), where a
/// central record alone makes the header available; it is clear for the one file named on the
/// command line, which needs all its module records. The output is started when the conversion
/// has something to write. A stop while a file is read also withdraws the header that file made
/// available.
bool ConvertLogger(Context& ctx, InputFile& in, Config& cfg, Tables& t, LoggerState& lg,
                   const std::vector<std::string>& inputs, bool selection);

}  // namespace vid
