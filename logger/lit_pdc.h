// The logger conversion. `ConvertPdc` reads the files of one recording record by record: the
// installation records refresh the configuration, page and block records rebuild the recorders'
// memories in `PageBuf`, and Quendar records are written out at once. At the end it finishes the
// Quendar text or hands `PageBuf` to the multichannel output. `LoadHeader` reads a header file
// (installation records only) ahead of data files that carry none. Functions that can stop
// return false after `Stop` has shown why; nothing is then stored outside a table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/session.h"
#include "logger/Lit_quendar.h"

namespace vid {

/// With `InFile` just after the head of a module record: reads it and its trailer into slot m.
/// A module of type 140 under a central unit that is not 'r' fills slot m + 1 too and counts one
/// module more. Stops when a slot beyond 25 or more than 25 modules would be needed.
bool ReadPdcModule(Session& s, int32_t m);

/// How Load Header ended.
enum class HeaderResult {
  kFound,     ///< a complete installation header is loaded ("Central SN: ... Header found ...")
  kNotFound,  ///< "Error in header file"
  kRefused,   ///< not a logger file name: "Only applies to .pdc files" in a message box
  kStopped,   ///< the file could not be opened or holds more than 25 modules
};

/// Load Header: reads the file `name` of `folder` as a header file into the configuration and
/// reports in the status line.
HeaderResult LoadHeader(Session& s, const std::string& folder, const std::string& name);

/// Converts the logger files `inputs`, in the order given, as one recording. `open_output`
/// opens the output file when the conversion needs it.
bool ConvertPdc(Session& s, const std::vector<std::string>& inputs,
                const OpenOutputFn& open_output);

/// The record readers, each called with `InFile` just after the record head; each leaves it
/// just after the record's trailer.
bool ReadPageRecord(Session& s);   ///< page record (type 16)
bool ReadPageRecordG(Session& s);  ///< page record of the 'g' variant (type 18)
bool ReadBlockRecord(Session& s);  ///< block record (section 0x8004, type 16)

}  // namespace vid
