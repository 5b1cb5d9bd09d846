// The shared configuration of an installation, and the readers that fill it from a
// concentrator dump: the header with its record address table (`ReadDumpHeader`), the central unit
// record (`ReadCentralRecord`) and the module records (`ReadModuleRecord`). The logger readers fill
// the same configuration from their own records. Nothing here clears the configuration: every
// read overwrites the fields it reads. Reads past the end of the input give 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/context.h"
#include "platform/input_file.h"

namespace vid {

inline constexpr int kMaxModules = 25;       ///< module slots 1..25
inline constexpr int kRecAddrLast = 100000;  ///< record table indexes 0..100000
/// The central unit name a conversion, Load Header and the preview start from.
inline const std::string kBlankName(16, ' ');

struct Config {
  int32_t record_count = 0;  ///< entries of the record table, 0..65535
  /// record_address[k]: 0-based file offset of record k; index 0..100000.
  std::vector<int32_t> record_address = std::vector<int32_t>(kRecAddrLast + 1);

  std::string central_name;
  int32_t central_sn = 0;
  int32_t end_address = 0;   ///< write pointer of the data memory
  int16_t wrap_flag = 0;     ///< 1 or more: the circular memory has wrapped round
  int32_t data_limit = 0;    ///< bytes of each data memory that hold data
  int32_t module_count = 0;  ///< a byte in the file; a corrected count may be larger
  uint8_t central_type = 0;  ///< kind letter: 'd', 'f', 'g', 'r'...
  bool quality_channel = false;
  bool mini_channel = false;
  int16_t mini_multiplier = 0;
  int16_t mini_divisor = 0;

  // Per module, index 1..25 (index 0 unused; one spare slot at the end).
  std::array<int32_t, kMaxModules + 2> module_sn{};
  std::array<uint8_t, kMaxModules + 2> module_type{};
  /// channel_scale[m][2c-1] multiplier, [m][2c] divisor of channel c; never 0.
  std::array<std::array<uint8_t, 13>, kMaxModules + 2> channel_scale{};
  // Per channel, index [m][1..6].
  std::array<std::array<std::string, 7>, kMaxModules + 2> channel_name;
  std::array<std::array<int16_t, 7>, kMaxModules + 2> channel_param{};
  std::array<std::array<uint8_t, 7>, kMaxModules + 2> channel_kind{};
};

/// Reads the header from offset 0: fills `record_count` and `record_address`. Table entries behind
/// the ones this dump fills are set to 0, so no entry of an earlier dump survives.
void ReadDumpHeader(InputFile& in, Config& cfg);

/// Moves the input forward to the file offset record_address[k] (never backward, never past the
/// end). `k` must lie in 0..100000.
void SeekRecord(InputFile& in, const Config& cfg, int32_t k);

/// Reads the central unit record.
void ReadCentralRecord(InputFile& in, Config& cfg);

/// Checks the record table against the central record of a multichannel dump: reports a central
/// record of an odd length, and corrects `module_count` to the module records the table holds
/// (with a report). False when the conversion was cancelled meanwhile.
bool CheckRecordTable(Context& ctx, Config& cfg);

/// Reads the record of module `m` (1..25) into row m of the module tables.
void ReadModuleRecord(InputFile& in, Config& cfg, int32_t m);

/// Reads the whole configuration of a dump: the header, the central record (checked against the
/// record table) and every module record. Stops on more than 25 modules; reports missing data
/// when the file ends before them.
bool ReadDumpConfiguration(Context& ctx, InputFile& in, Config& cfg);

/// The divisor of a channel of a type-254 or type-250 module, from its kind code and the low
/// byte of its parameter word.
uint8_t KindDivisor(uint8_t kind, int16_t param);

/// Cuts a NUL-padded text field at its first NUL.
std::string CutAtNul(const uint8_t* field, size_t width);

}  // namespace vid
