// The multichannel conversion. `ConvertDump` copies every channel's data memory out of a
// concentrator dump into the channel table (`LoadChannelData`), then `ConvertRecords` scans the
// table into the record tables and writes the text: two header lines and one row per record,
// the older part of a wrapped memory first. The logger conversion fills the channel table itself
// and calls `ConvertRecords` with the layout of its records. Every function that can stop returns
// false after the context has shown why (`Context::Stop`); nothing is then stored outside a table.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/context.h"
#include "core/tables.h"
#include "dump/config.h"
#include "platform/input_file.h"

namespace vid {

/// How the records of a block recording lie in the channel table: a time stamp in column 0
/// (unless `no_stamp`), then `words` 16-bit words in each of the columns 1..`modules`.
struct BlockLayout {
  uint8_t modules = 0;
  uint8_t words = 0;
  int16_t format = 0;     ///< how the words become values; `kBlockEnergy` has its own header
  bool no_stamp = false;  ///< the blocks carry no time stamp: every position is a record
};

/// Block formats (doc/formats.md, "Block records").
inline constexpr int16_t kBlockSensors = 0;  ///< humidity, temperature and cubic sensor words
inline constexpr int16_t kBlockScaled = 1;   ///< words scaled by tenths or 256ths per column
inline constexpr int16_t kBlockEnergy = 3;   ///< energy counters, with their own header lines

/// Where the records of a conversion come from.
struct RecordSource {
  std::optional<BlockLayout> block;  ///< set for a recording of block records
  bool logger = false;  ///< from logger records: the write position is where the scan ended
};

/// `LoadChannelData`, then `ConvertRecords`. Expects the configuration read and the output open;
/// closes `in` once the channel table is loaded.
bool ConvertDump(Context& ctx, InputFile& in, Config& cfg, Tables& t);

/// Fills the channel table with the data memory of every channel from the dump's data pages.
bool LoadChannelData(Context& ctx, InputFile& in, const Config& cfg, PageTable& pages);

/// Scans the channel table into the record tables and writes the header lines and the rows.
bool ConvertRecords(Context& ctx, Config& cfg, Tables& t, const RecordSource& src);

}  // namespace vid
