#include "fixture_writer.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace vid::fx {

// Out of line: inlined into the callers, GCC 12 reports false buffer overflows.
Bytes& Bytes::u8(uint8_t v) {
  bytes.push_back(v);
  return *this;
}

Bytes& Bytes::resize(size_t n, uint8_t byte) {
  bytes.resize(n, byte);
  return *this;
}

Bytes& Bytes::text(std::string_view s, size_t width) {
  const size_t n = std::min(s.size(), width);
  bytes.insert(bytes.end(), s.begin(), s.begin() + n);
  return fill(width - n, 0);
}

Bytes& Bytes::patch_be(size_t offset, uint32_t v, int width) {
  for (int i = 0; i < width; ++i)
    bytes.at(offset + i) = static_cast<uint8_t>(v >> 8 * (width - 1 - i));
  return *this;
}

std::array<uint8_t, 6> BcdStamp(int year, int month, int day, int hour, int minute, int second) {
  auto bcd = [](int v) { return static_cast<uint8_t>((v / 10) << 4 | v % 10); };
  return {bcd(year), bcd(month), bcd(day), bcd(hour), bcd(minute), bcd(second)};
}

// ---- Concentrator dump ---------------------------------------------------------------------

namespace {

// Header fields up to the count word. Nothing in them is interpreted; they carry a text and
// filler so that a reader that takes the count from the wrong place fails.
void AppendHeader(Bytes& out, const std::vector<uint32_t>& rec_addr) {
  if (rec_addr.size() > 0x10000) throw std::invalid_argument("more than 65535 table entries");
  out.text("TEST DUMP", 32).fill(2 + 2 + 6 * 4, kFiller).text("HDR1", 4).text("HDR2", 4);
  out.fill(2 * 4, kFiller).be16(static_cast<uint16_t>(rec_addr.size() - 1));
  for (size_t k = 1; k < rec_addr.size(); ++k) out.be32(rec_addr[k]).fill(4, kFiller);
}

Bytes DumpModuleBytes(const DumpModule& m, char central_type) {
  Bytes b;
  b.text(m.name, 16).be32(m.sn);
  for (uint8_t s : m.scale) b.u8(s);
  for (uint8_t f : m.flags) b.u8(f);
  if (static_cast<uint8_t>(central_type) < 'e') return b;
  for (const std::string& name : m.channel_names) b.text(name, 16);
  b.u8(m.type).u8(0);
  if (m.type != 254 && m.type != 250) return b;
  for (const auto& p : m.params) b.u8(p[0]).u8(p[1]);
  for (uint8_t k : m.kinds) b.u8(k);
  return b;
}

size_t Pages(size_t bytes, size_t page) {
  return (bytes + page - 1) / page;
}

}  // namespace

Dump BuildDump(const DumpCentral& c, const std::vector<DumpModule>& modules,
               const DumpLayout& layout) {
  size_t pages = 0;
  for (const auto& column : layout.columns) pages += Pages(column.size(), kDumpPageSize);
  Dump dump;
  size_t at = kDumpHeaderSize + kDumpEntrySize * (1 + modules.size() + pages);
  dump.rec_addr = {0, static_cast<uint32_t>(at)};
  at += layout.central_stride;
  for (size_t k = 0; k < modules.size() + pages; ++k) {
    dump.rec_addr.push_back(static_cast<uint32_t>(at));
    at += k < modules.size() ? layout.module_stride : kDumpPageSize;
  }
  const int count = c.module_count < 0 ? static_cast<int>(modules.size()) : c.module_count;
  Bytes& out = dump.bytes;
  AppendHeader(out, dump.rec_addr);
  Bytes central;
  central.text(c.name, 16).be32(c.sn).be32(c.end_addr).u8(c.wrap).u8(c.param);
  central.u8(static_cast<uint8_t>(count)).u8(static_cast<uint8_t>(c.type));
  out.raw(central.resize(layout.central_stride));
  for (const DumpModule& m : modules)
    out.raw(DumpModuleBytes(m, c.type).resize(layout.module_stride));
  for (const auto& column : layout.columns) {
    out.raw(Bytes(column).resize(Pages(column.size(), kDumpPageSize) * kDumpPageSize));
  }
  return dump;
}

Dump BuildMiniDump(const MiniCentral& c, const std::vector<uint8_t>& memory,
                   size_t central_stride) {
  const size_t blocks = Pages(memory.size(), kMiniBlockSize);
  Dump dump;
  const size_t central_at = kDumpHeaderSize + kDumpEntrySize * (1 + blocks);
  const size_t first_block = central_at + std::max<size_t>(central_stride, 44);
  dump.rec_addr = {0, static_cast<uint32_t>(central_at)};
  for (size_t b = 0; b < blocks; ++b) {
    dump.rec_addr.push_back(static_cast<uint32_t>(first_block + b * kMiniBlockSize));
  }
  Bytes& out = dump.bytes;
  AppendHeader(out, dump.rec_addr);
  out.text(c.name, 16).be32(c.sn).be32(0x01010101);
  out.be16(static_cast<uint16_t>(c.page)).be16(static_cast<uint16_t>(c.offset));
  out.u8(c.wrap_bytes[0]).u8(c.wrap_bytes[1]).be16(static_cast<uint16_t>(c.param));
  out.be16(static_cast<uint16_t>(c.mult)).be16(static_cast<uint16_t>(c.div)).fill(8, kFiller);
  out.resize(first_block).raw(Bytes(memory).resize(blocks * kMiniBlockSize));
  return dump;
}

std::vector<uint8_t> MiniStamp(uint8_t mask, int year, int month, int day, int hour, int minute,
                               int second) {
  const uint32_t w =
      (static_cast<uint32_t>(year) & 63) << 26 | (static_cast<uint32_t>(month) & 15) << 22 |
      (static_cast<uint32_t>(day) & 31) << 17 | (static_cast<uint32_t>(hour) & 31) << 12 |
      (static_cast<uint32_t>(minute) & 63) << 6 | (static_cast<uint32_t>(second) & 63);
  return Bytes().u8(0x7F).u8(mask).be32(w).bytes;
}

std::vector<uint8_t> MiniData(int16_t p1, int16_t p2, int16_t p3) {
  Bytes b;
  for (int16_t v : {p1, p2, p3}) b.be16(static_cast<uint16_t>(v));
  return b.bytes;
}

// ---- 12-byte multichannel records ----------------------------------------------------------

std::vector<uint8_t> CentralRecord(std::array<uint8_t, 6> bcd_stamp,
                                   std::array<uint16_t, 3> phase_sums, uint8_t sample_count) {
  std::vector<uint8_t> r(bcd_stamp.begin(), bcd_stamp.end());
  for (int p = 0; p < 3; ++p) {
    r.push_back(static_cast<uint8_t>((phase_sums[p] & 0xFC) | ((sample_count >> (2 * p)) & 3)));
    r.push_back(static_cast<uint8_t>(phase_sums[p] >> 8));
  }
  return r;
}

std::vector<uint8_t> QualityRecord(std::array<uint16_t, 3> rms, std::array<uint16_t, 3> min,
                                   std::array<uint16_t, 3> max, uint8_t downtime) {
  std::vector<uint8_t> r(12, 0);
  for (int p = 0; p < 3; ++p) {
    r[2 * p] = static_cast<uint8_t>((rms[p] & 0xC0) | (min[p] & 0xC0) >> 2 | (max[p] & 0xC0) >> 4 |
                                    ((downtime >> (2 * p)) & 3));
    r[2 * p + 1] = static_cast<uint8_t>(rms[p] >> 8);
    r[6 + 2 * p] = static_cast<uint8_t>(max[p] >> 8);
    r[7 + 2 * p] = static_cast<uint8_t>(min[p] >> 8);
  }
  return r;
}

std::vector<uint8_t> ModuleRecord(std::array<int16_t, 6> words) {
  Bytes b;
  for (int16_t w : words) b.le16(static_cast<uint16_t>(w));
  return b.bytes;
}

// ---- Logger files --------------------------------------------------------------------------

std::vector<uint8_t> PdcRecord(uint16_t marker, uint16_t type, const Bytes& payload,
                               std::optional<uint16_t> length, uint16_t trailer) {
  if (!length && payload.size() > 0xFFFF) throw std::invalid_argument("payload over 65535 bytes");
  Bytes b;
  b.be16(marker).le16(length.value_or(static_cast<uint16_t>(payload.size()))).be16(type);
  return b.raw(payload).le16(trailer).bytes;
}

Bytes PdcCentralPayload(std::string_view name, uint32_t sn, uint32_t end_addr, uint8_t param,
                        uint8_t wrap, uint8_t module_count, char type,
                        const std::vector<uint8_t>& extra) {
  Bytes b;
  b.text(name, 16).le32(sn).le32(end_addr).u8(param).u8(wrap).u8(module_count);
  return b.u8(static_cast<uint8_t>(type)).raw(extra);
}

Bytes PdcModulePayload(uint32_t sn, uint8_t type, uint8_t aux,
                       const std::array<std::string, 6>& channel_names,
                       const std::array<uint8_t, 12>& scale_or_params,
                       const std::array<uint8_t, 6>& flags_or_kinds, uint8_t ext_flag,
                       const std::vector<uint8_t>& extra) {
  Bytes b;
  b.le32(sn).u8(type).u8(aux);
  for (const std::string& name : channel_names) b.text(name, 16);
  for (uint8_t s : scale_or_params) b.u8(s);
  for (uint8_t f : flags_or_kinds) b.u8(f);
  return b.u8(ext_flag).u8(kFiller).raw(extra);
}

Bytes PdcPagePayload(uint32_t sn, uint32_t page_addr, const std::vector<uint8_t>& data) {
  return Bytes().le32(sn).le32(page_addr).fill(4, kFiller).raw(data);
}

Bytes PdcBlockPayload(uint8_t n, uint8_t w, uint16_t format, const std::vector<uint8_t>& blocks) {
  return Bytes().fill(8, kFiller).u8(n).u8(w).le16(format).raw(blocks);
}

Bytes QuendarPayload(uint32_t sn, uint16_t data_type, std::array<uint8_t, 6> bcd_start,
                     uint8_t period_code, uint8_t mask, uint8_t count, uint16_t high1,
                     uint16_t high2, const std::vector<int16_t>& words) {
  Bytes b;
  b.bytes.reserve(540);  // (without it GCC 12 warns of a false overread here)
  b.le32(sn).fill(4, kFiller).le16(data_type).fill(4, kFiller);
  for (uint8_t s : bcd_start) b.u8(s);
  b.u8(period_code).u8(mask).u8(count).le16(high1).le16(high2).u8(kFiller);
  for (size_t i = 0; i < 256; ++i) b.le16(i < words.size() ? static_cast<uint16_t>(words[i]) : 0);
  return b;
}

// ---- Files ---------------------------------------------------------------------------------

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  // An empty vector may hand fwrite a null pointer, which it must not get even for 0 bytes.
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vidfx.XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("cannot make " + templ);
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace vid::fx
