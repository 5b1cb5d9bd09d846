// Where things lie in a concentrator dump and how big they are: the offsets, sizes, record
// types and memory sizes the readers use, each named after what it is. doc/formats.md describes
// every one of them in its section "Concentrator dump" (or the section named beside it).
#pragma once

#include <cstdint>

#include "core/tables.h"

namespace vid {

/// Header: bytes in front of the BE16 entry count of the record address table.
inline constexpr int kHeaderSkip = 76;
/// Record address table: the last listed record is taken to be this long.
inline constexpr uint32_t kLastRecordLength = 1024;

/// Record address table: a sound dump puts the first module record 28..30 bytes after the
/// central record ...
inline constexpr int32_t kCentralRecordMin = 28;
inline constexpr int32_t kCentralRecordMax = 30;
/// ... and its module records 134..179 bytes apart.
inline constexpr int32_t kModuleRecordMin = 134;
inline constexpr int32_t kModuleRecordMax = 179;

/// Central unit record: the end address that marks a mini-channel unit.
inline constexpr int32_t kMiniMarker = 0x01010101;
/// Central unit record: the kind letter of a unit with a voltage-quality channel.
inline constexpr uint8_t kKindQuality = 'g';
/// Central unit record: the kind letter whose memory is `kMemoryTypeF` long.
inline constexpr uint8_t kKindLargeMemory = 'f';
/// Central unit record: a wrapped memory of a kind 'f' unit, 516100 bytes (0x7E004) ...
inline constexpr int32_t kMemoryTypeF = 516100;
/// ... and of any other kind, 245760 bytes (0x3C000). The logger pages use the same sizes.
inline constexpr int32_t kMemoryOther = 245760;

/// Central unit record (mini-channel unit): the unit's memory pages are 264 bytes ...
inline constexpr int32_t kMiniPageSize = 264;
/// ... and a wrapped ring is the whole memory, 2048 of them.
inline constexpr int32_t kMiniMemory = 2048 * kMiniPageSize;

/// Module record: kind letters from 'e' (101) on carry channel names and a module type.
inline constexpr uint8_t kKindNamedChannels = 101;
/// Module record: the module type a stored 0 (and a record without the field) stands for.
inline constexpr uint8_t kModuleTypeDefault = 255;
/// Module record: module types whose channels take their divisors from their kind bytes.
inline constexpr uint8_t kModuleTypeKinds = 254;
inline constexpr uint8_t kModuleTypeKindsExt = 250;
inline constexpr bool HasChannelKinds(uint8_t module_type) {
  return module_type == kModuleTypeKinds || module_type == kModuleTypeKindsExt;
}

/// Data memories and pages: a channel memory is stored in pages of this size.
inline constexpr int kDumpPageSize = 1024;
/// The 12-byte records: one record per measuring period in every column.
inline constexpr int kRecordSize = 12;

/// Size bounds: the largest file a dump can be. The header with a full record address table,
/// the central record (44 bytes for a mini-channel unit) and 25 module records at their widest
/// spacing, then the channel table's 26 memories in whole pages. A mini-channel dump is far
/// smaller. A file beyond this is not read at all.
inline constexpr uint64_t kMaxDumpBytes =
    (kHeaderSkip + 2) + 8 * uint64_t{0xFFFF} + 44 + 25 * uint64_t{kModuleRecordMax} +
    uint64_t{kChannelColumns} * ((kChannelBytes + kDumpPageSize - 1) / kDumpPageSize) *
        kDumpPageSize;
static_assert(kMaxDumpBytes == 31732205);

}  // namespace vid
