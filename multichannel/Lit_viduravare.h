// The multichannel conversion. `MultiConvert` copies every channel's data memory out of a
// concentrator dump into the channel table (`LoadChannelData`), then `ConvertRecords` scans the
// table into the record tables and writes the text: two header lines and one row per record,
// the older part of a wrapped memory first. The logger conversion fills the channel table itself
// and calls `ConvertRecords`. Every function that can stop returns false after it has shown why
// in the status line (`Stop`); nothing is then stored outside a table.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/session.h"

namespace vid {

/// `LoadChannelData`, then `ConvertRecords`. Expects the configuration read and `OutFile` open.
bool MultiConvert(Session& s);

/// Fills `PageBuf` with the data memory of every channel from the dump's data pages.
bool LoadChannelData(Session& s);

/// Scans `PageBuf` into the record tables and writes the header lines and the rows.
bool ConvertRecords(Session& s);

/// The scan alone (the first part of `ConvertRecords`); `pos` receives its final offset.
bool ScanRecords(Session& s, int64_t& pos);

/// RMS voltage of phase p (1..3) of the central record in `RecBytes`; sets `SampleCount`.
double PhaseVrms(MultiState& m, int p);

/// Decodes the quality record in `RecBytes` into row r of the quality tables.
void DecodeQualityRecord(MultiState& m, RecordTables& t, int64_t r);

/// Builds the row of record r in `OutLine` and writes it.
bool MultiWriteRow(Session& s, int64_t r);
bool BlockWriteRow(Session& s, int64_t r);

/// Appends the time-stamp text DD/MM/YY hh:mm:ss of six packed-BCD bytes (year first).
void AppendStampText(std::string& out, const std::array<uint8_t, 6>& stamp);

/// A dd/mm/yy hh:mm:ss text as a day number with the time as its fraction (two-digit years
/// 00..29 are 20xx, 30..99 19xx). False when the text is no calendar date and time.
bool StampTextToDays(const std::string& text, double& days);

}  // namespace vid
