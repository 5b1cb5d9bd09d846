// The mini-channel conversion. A mini-channel unit keeps its measurements in one data memory, a
// ring of 6-byte records stored in 1056-byte blocks: a time-stamp record announces, through its
// type mask, the data records that follow it (voltages, powers, currents, one value per phase).
// `ConvertMiniChannel` scans the memory once into the record tables (one row per time stamp), then
// writes two header lines and one row per time stamp, the older part of a wrapped memory first.
// It returns false after the context has shown why it stopped.
#pragma once

#include "core/context.h"
#include "core/tables.h"
#include "dump/config.h"
#include "platform/input_file.h"

namespace vid {

/// The whole conversion: scan, header lines, rows, "Done...". Expects `in` open with the header
/// and the central record read (`mini_channel` set) and the output open.
bool ConvertMiniChannel(Context& ctx, InputFile& in, const Config& cfg, RecordTables& t);

}  // namespace vid
