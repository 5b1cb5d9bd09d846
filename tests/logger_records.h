// The records of logger files that the logger tests lay out: a central unit, an ordinary module,
// pages and block records, and the time stamps and words inside them.
#pragma once

#include <cstdint>
#include <initializer_list>
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

// A time stamp at 14:mm on 05/03/18.
inline Record Stamp(int minute) {
  const auto st = fx::BcdStamp(18, 3, 5, 14, minute, 0);
  return Record(st.begin(), st.end());
}
// The words, least significant byte first.
inline Record Words(std::initializer_list<int> words) {
  fx::Bytes b;
  for (int w : words) b.le16(static_cast<uint16_t>(w));
  return b.bytes;
}
// A central record counting 30 modules followed by 26 module records: one more than the tables
// hold.
inline std::vector<Record> Modules26() {
  std::vector<Record> records = {Central(30)};
  for (uint32_t m = 1; m <= 26; ++m) records.push_back(Module(kModuleSn + m));
  return records;
}

}  // namespace vid::testing
