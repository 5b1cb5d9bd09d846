// The records of logger files that the logger tests lay out: a central unit, an ordinary module,
// pages and block records.
#pragma once

#include <cstdint>
#include <vector>

#include "fixture_writer.h"

namespace vid::testing {

using Record = std::vector<uint8_t>;

inline constexpr uint32_t kSiteSn = 0x00C0FFEE;
inline constexpr uint32_t kCentralPage = 0x01000001;  // above 16777216: the central unit's memory
inline constexpr uint32_t kModuleSn = 0x00001234;

inline Record Central(uint8_t modules, char type = 'f', const Record& extra = {}) {
  return fx::PdcRecord(
      fx::kPdcSection, fx::kPdcCentral,
      fx::PdcCentralPayload("Site Nord", kSiteSn, 0x100, 0, 0, modules, type, extra));
}
// An ordinary module: channel 2 divided by 10, the others 1:1.
inline Record Module(uint32_t sn = kModuleSn, uint8_t type = 6, uint8_t ext = 0) {
  return fx::PdcRecord(fx::kPdcSection, fx::kPdcModule,
                       fx::PdcModulePayload(sn, type, 0x77, {"A", "B", "C", "D", "E", "F"},
                                            {1, 1, 1, 10, 1, 1, 1, 1, 1, 1, 1, 1}, {}, ext));
}
inline Record Page(uint32_t sn, uint32_t addr, const Record& data, uint16_t type = fx::kPdcPage) {
  return fx::PdcRecord(fx::kPdcSection, type, fx::PdcPagePayload(sn, addr, data));
}
// A block record. Its length word is the payload's size (12 bytes of fields and the blocks),
// with bit 15 set over it when `flagged` (every format but the energy format 3).
inline Record Block(uint8_t n, uint8_t w, uint16_t format, const Record& blocks,
                    bool flagged = true) {
  const auto length = static_cast<uint16_t>((flagged ? 0x8000 : 0) | (12 + blocks.size()));
  return fx::PdcRecord(fx::kPdcBlockSection, fx::kPdcPage,
                       fx::PdcBlockPayload(n, w, format, blocks), length);
}

}  // namespace vid::testing
