// The shared configuration of an installation, and the readers that fill it from a
// concentrator dump: the header with its record address table (`entete`), the central unit
// record (`RecordCentral`) and the module records (`RecordModules`). The logger readers fill
// the same configuration from their own records. Nothing here clears the configuration: every
// read overwrites the fields it reads. Reads past the end of the input give 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/input_file.h"

namespace vid {

class Ui;

inline constexpr int kMaxModules = 25;       ///< module slots 1..25
inline constexpr int kRecAddrLast = 100000;  ///< record table indexes 0..100000
/// The central unit name a Make, Load Header and the preview start from.
inline const std::string kBlankName(16, ' ');

struct Config {
  int32_t RecCount = 0;  ///< entries of the record table, 0..65535
  /// RecAddr[k]: 0-based file offset of record k; index 0..100000.
  std::vector<int32_t> RecAddr = std::vector<int32_t>(kRecAddrLast + 1);

  std::string CentralName;
  int32_t CentralSN = 0;
  int32_t EndAddr = 0;      ///< write pointer of the data memory
  int16_t WrapFlag = 0;     ///< 1 or more: the circular memory has wrapped round
  int32_t DataLimit = 0;    ///< bytes of each data memory that hold data
  int32_t ModuleCount = 0;  ///< a byte in the file; a corrected count may be larger
  uint8_t CentralType = 0;  ///< kind letter: 'd', 'f', 'g', 'r'...
  bool CentralTypeG = false;
  bool MiniMode = false;
  int16_t MiniMult = 0;
  int16_t MiniDiv = 0;

  // Per module, index 1..25 (index 0 unused; one spare slot at the end).
  std::array<int32_t, kMaxModules + 2> ModuleSN{};
  std::array<uint8_t, kMaxModules + 2> ModuleType{};
  /// ChannelScale[m][2c-1] multiplier, [m][2c] divisor of channel c; never 0.
  std::array<std::array<uint8_t, 13>, kMaxModules + 2> ChannelScale{};
  // Per channel, index [m][1..6].
  std::array<std::array<std::string, 7>, kMaxModules + 2> ChannelName;
  std::array<std::array<int16_t, 7>, kMaxModules + 2> ChannelParam{};
  std::array<std::array<uint8_t, 7>, kMaxModules + 2> ChannelKind{};
};

/// Reads the header from offset 0: fills `RecCount` and `RecAddr`. Table entries behind the
/// ones this dump fills are set to 0, so no entry of an earlier dump survives.
void entete(InputFile& in, Config& cfg);

/// Moves the input forward to the file offset RecAddr[k] (never backward, never past the end).
/// `k` must lie in 0..100000.
void NextRecordDates(InputFile& in, const Config& cfg, int32_t k);

/// Reads the central unit record. With `correct` set it checks the record table, reports in the
/// status line (each report followed by a 2000 ms pause) and may correct `ModuleCount`.
void RecordCentral(InputFile& in, Config& cfg, Ui& ui, bool correct);

/// Reads the record of module `m` (1..25) into row m of the module tables.
void RecordModules(InputFile& in, Config& cfg, int32_t m);

/// The divisor of a channel of a type-254 or type-250 module, from its kind code and the low
/// byte of its parameter word.
uint8_t KindDivisor(uint8_t kind, int16_t param);

/// Cuts a NUL-padded text field at its first NUL.
std::string CutAtNul(const uint8_t* field, size_t width);

}  // namespace vid
