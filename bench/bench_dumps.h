// The generated concentrator dumps of the speed figures: plausible records of the largest
// sizes, made the same way for every program that measures them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "fixture_writer.h"

namespace vid::bench {

// Plausible records: minute steps, voltages near 230 V, module words that change every record.
inline fx::Bytes MakeDump(char type, int modules, uint32_t memory, uint32_t end_addr) {
  const int records = static_cast<int>(memory / 12);
  const bool g = type == 'g';
  std::vector<std::vector<uint8_t>> columns(1 + (g ? 1 : 0) + modules);
  for (auto& c : columns) c.reserve(memory);
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < records; ++i) {
    const int minute = i % 60, hour = (i / 60) % 24, day = 1 + (i / 1440) % 28;
    const auto stamp = fx::BcdStamp(18, 1 + (i / 40320) % 12, day, hour, minute, 0);
    auto rec = fx::CentralRecord(stamp, {37500, 37800, 37200}, 32);
    columns[0].insert(columns[0].end(), rec.begin(), rec.end());
    if (g) {
      rec = fx::QualityRecord({20500, 20600, 20400}, {35000, 35000, 35000}, {39000, 39000, 39000},
                              i % 500 == 0 ? 63 : 0);
      columns[1].insert(columns[1].end(), rec.begin(), rec.end());
    }
    for (int m = 0; m < modules; ++m) {
      std::array<int16_t, 6> w{};
      for (auto& x : w) x = static_cast<int16_t>((next() >> 16) % 20000 - 2000);
      rec = fx::ModuleRecord(w);
      auto& col = columns[1 + (g ? 1 : 0) + m];
      col.insert(col.end(), rec.begin(), rec.end());
    }
  }
  for (auto& c : columns) c.resize(memory, 0);
  std::vector<fx::DumpModule> mods(modules);
  for (int m = 0; m < modules; ++m) {
    mods[m].sn = 0x100000 + m;
    mods[m].scale = {1, 10, 1, 10, 1, 10, 1, 100, 1, 1, 3, 200};
    mods[m].channel_names = {"I1", "I2", "I3", "P", "E", "Q"};
    mods[m].type = m % 5 == 4 ? 254 : 6;
    mods[m].kinds = {0, 1, 4, 0x80, 9, 6};
  }
  fx::DumpCentral c{.name = "Bench", .sn = 0xBEEF, .end_addr = end_addr, .wrap = 1, .type = type};
  fx::DumpLayout layout;
  layout.columns = std::move(columns);
  return fx::BuildDump(c, mods, layout).bytes;
}

/// The largest 'f' dump: 25 modules, a wrapped memory of 516100 bytes per column.
inline fx::Bytes LargestFDump() {
  return MakeDump('f', 25, 516100, 258000);
}

/// The largest 'g' dump: the quality channel and 24 modules, a wrapped memory of 245760 bytes.
inline fx::Bytes LargestGDump() {
  return MakeDump('g', 24, 245760, 120000);
}

}  // namespace vid::bench
