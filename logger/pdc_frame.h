// The record frame of logger files and the readers that the header preview needs. Every record
// is a 6-byte head (big-endian marker, little-endian payload length, big-endian type), the
// payload and a 2-byte trailer that nobody checks. The frame fields of the record being read
// stay in `LoggerState`. Reads past the end of the file give 0.
#pragma once

#include <cstdint>

#include "core/tables.h"
#include "dump/config.h"
#include "logger/logger_state.h"
#include "platform/input_file.h"

namespace vid {

// doc/formats.md, "Record frame".
inline constexpr uint16_t kSectionInstall = 0x8001;  ///< installation, page and Quendar records
inline constexpr uint16_t kSectionBlock = 0x8004;    ///< block records
inline constexpr uint16_t kCentralRecord = 1;        ///< "Central record (type 1)"
inline constexpr uint16_t kModuleRecord = 2;         ///< "Module record (type 2)"
inline constexpr uint16_t kPageRecord = 16;     ///< "Page records"; the block record of 0x8004 too
inline constexpr uint16_t kQuendarRecord = 17;  ///< "Quendar records (type 17)"
inline constexpr uint16_t kPageRecordG = 18;    ///< "Page records": a page of a 'g' unit
/// "Central record (type 1)": the payload bytes the reader interprets.
inline constexpr int32_t kCentralFields = 28;
/// "Size bounds": the largest logger file. Its data fill the channel table (26 memories of
/// 1200000 bytes) at most once; as much again leaves room for the frames and the installation
/// records (a page record's frame is 20 bytes, so pages of 20 bytes and more fit). Quendar
/// records fill no table; the same bound holds 113000 of them, far beyond a logger's memory.
inline constexpr uint64_t kMaxLoggerBytes = 2 * uint64_t{kChannelColumns} * kChannelBytes;

/// Reads `record_marker`, `record_length` and `record_type`.
void ReadRecordHead(InputFile& in, LoggerState& lg);

/// Reads and drops payload bytes while `record_length` (signed) exceeds `consumed` plus the bytes
/// dropped, then reads the trailer.
void SkipRecordRest(InputFile& in, LoggerState& lg, int32_t consumed);

/// Reads the payload and trailer of a central record (type 1).
void ReadLoggerCentral(InputFile& in, Config& cfg, LoggerState& lg);

/// With a logger file open at its start: finds the first record of the installation section
/// and reads what it holds (a central record, or the serial number and start address of a data
/// page). Used by the header preview.
void ReadLoggerPreview(InputFile& in, Config& cfg, LoggerState& lg);

}  // namespace vid
