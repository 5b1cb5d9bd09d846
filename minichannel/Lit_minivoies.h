// The mini-channel conversion. A mini-channel unit keeps its measurements in one data memory, a
// ring of 6-byte records stored in 1056-byte blocks: a time-stamp record announces, through its
// type mask, the data records that follow it (voltages, powers, currents, one value per phase).
// `MiniConvert` scans the memory once into `StampPart` and `RawSample` (one row per time stamp),
// then writes two header lines and one row per time stamp, the older part of a wrapped memory
// first. Functions that can stop return false after `Stop` has shown why in the status line.
#pragma once

#include <cstdint>
#include <string>

#include "app/session.h"

namespace vid {

/// The whole conversion: scan, header lines, rows, "Done...". Expects `InFile` open with the
/// header and the central record read (`MiniMode` set) and `OutFile` open.
bool MiniConvert(Session& s);

/// Builds the row of time stamp `stamp` (1..100000) in `OutLine` and writes it.
bool MiniWriteRow(Session& s, int32_t stamp);

/// Append the three cells (TAB and value, phases 1 to 3) of time stamp `stamp` to `out`:
/// voltages with one decimal, powers without decimals, currents with three. With a scale
/// divisor of 0 the power and current cells are empty (a TAB each).
void MiniVoltCells(Session& s, int32_t stamp, std::string& out);
void MiniWattCells(Session& s, int32_t stamp, std::string& out);
void MiniAmpCells(Session& s, int32_t stamp, std::string& out);

}  // namespace vid
