// The test fixture writer: lays out concentrator dumps, mini-channel dumps and logger files byte
// by byte, field by field, as doc/formats.md describes them. It shares no code with the program
// it feeds, so a misreading of a format in the program cannot hide behind the same misreading
// here. Every builder returns plain bytes that the caller owns and may damage afterwards (patch
// a field, truncate, append). Fields a reader does not interpret are written as the non-zero
// `kFiller` byte, so a reader that strays onto them shows it. Misuse (a table of more than 65535
// entries, a patch beyond the end) throws; there is nothing to recover in a test.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vid::fx {

/// The byte written into every field a reader does not interpret.
inline constexpr uint8_t kFiller = 0xA5;

/// A growable byte buffer with chainable appenders and patchers.
class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::vector<uint8_t> b) : bytes(std::move(b)) {}

  Bytes& u8(uint8_t v);
  Bytes& be16(uint16_t v) { return u8(static_cast<uint8_t>(v >> 8)).u8(static_cast<uint8_t>(v)); }
  Bytes& be32(uint32_t v) { return be16(static_cast<uint16_t>(v >> 16)).be16(v & 0xFFFF); }
  Bytes& le16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
  Bytes& le32(uint32_t v) { return le16(v & 0xFFFF).le16(static_cast<uint16_t>(v >> 16)); }
  Bytes& text(std::string_view s, size_t width);
  Bytes& fill(size_t n, uint8_t byte) { return resize(bytes.size() + n, byte); }
  Bytes& raw(const std::vector<uint8_t>& v) {
    return bytes.insert(bytes.end(), v.begin(), v.end()), *this;
  }
  Bytes& raw(const Bytes& b) { return raw(b.bytes); }
  /// Appends `byte` until the buffer is `n` long; cuts it to `n` when it is longer.
  Bytes& resize(size_t n, uint8_t byte = 0);

  /// Overwrites `width` bytes at `offset` with `v`, most significant byte first; throws
  /// std::out_of_range beyond the end.
  Bytes& patch_be(size_t offset, uint32_t v, int width);

  size_t size() const { return bytes.size(); }

  std::vector<uint8_t> bytes;
};

/// Year within the century, month, day, hour, minute, second as six packed BCD bytes.
std::array<uint8_t, 6> BcdStamp(int year, int month, int day, int hour, int minute, int second);

// ---- Concentrator dump ---------------------------------------------------------------------

inline constexpr size_t kDumpHeaderSize = 78;  ///< header up to the record table
inline constexpr size_t kDumpEntrySize = 8;    ///< BE32 offset + 4 filler bytes
inline constexpr size_t kDumpPageSize = 1024;
inline constexpr size_t kMiniBlockSize = 1056;

/// File offset of the BE32 address of table entry k (1-based), for patching.
constexpr size_t DumpEntryOffset(size_t k) {
  return kDumpHeaderSize + kDumpEntrySize * (k - 1);
}

/// The multichannel central unit record (28 bytes).
struct DumpCentral {
  std::string name{};  ///< 16-byte field, NUL padded
  uint32_t sn = 0;
  uint32_t end_addr = 0;
  uint8_t wrap = 0;
  uint8_t param = 0;
  int module_count = -1;  ///< stored count byte; -1 writes the number of module records given
  char type = 'f';        ///< kind letter; below 'e' the module records are 38 bytes
};

/// One module record, every field written as given.
struct DumpModule {
  std::string name{};  ///< 16-byte field, NUL padded
  uint32_t sn = 0;
  std::array<uint8_t, 12> scale{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};  ///< multiplier, divisor x6
  std::array<uint8_t, 6> flags{};
  std::array<std::string, 6> channel_names{};      ///< 16-byte fields (central type 'e' and above)
  uint8_t type = 0;                                ///< followed by a zero byte
  std::array<std::array<uint8_t, 2>, 6> params{};  ///< each parameter's two bytes in file order
  std::array<uint8_t, 6> kinds{};                  ///< (params and kinds: types 254 and 250)
};

struct DumpLayout {
  /// Distance from the central record to the first module record (or first page).
  size_t central_stride = 28;
  /// Distance between module records, and from the last one to the first data page.
  size_t module_stride = 160;
  /// The memory image of each channel column in order (central unit, quality channel of a 'g'
  /// unit, modules); each is cut into 1024-byte pages, the last one padded with zeros. An empty
  /// column takes no page.
  std::vector<std::vector<uint8_t>> columns;
};

/// A built file and its record address table.
struct Dump {
  Bytes bytes;
  std::vector<uint32_t> rec_addr;  ///< rec_addr[k] = offset of record k, k = 1..count; [0] is 0
};

/// Header, table, central record (28 bytes), module records at `module_stride` (as a unit of
/// the central record's type writes them: 38 bytes below 'e', else 136, plus 18 when the module
/// type is 254 or 250), then the pages of every column, consecutively. A record longer than its
/// stride is cut to it. Entry count = 1 + modules + pages.
Dump BuildDump(const DumpCentral& central, const std::vector<DumpModule>& modules,
               const DumpLayout& layout);

/// The central record of a mini-channel unit (44 bytes).
struct MiniCentral {
  std::string name{};
  uint32_t sn = 0;
  int16_t page = 0;                     ///< write pointer page P (264-byte pages)
  int16_t offset = 0;                   ///< write pointer offset O within the page
  std::array<uint8_t, 2> wrap_bytes{};  ///< the wrap word's two bytes as stored (file order)
  int16_t param = 0;
  int16_t mult = 1;
  int16_t div = 1;
};

/// Header, table, the central record (entry 1, `central_stride` bytes, at least 44; its end
/// address field holds the mini-channel marker 0x01010101), then the memory in 1056-byte blocks
/// (entries 2..), the last one padded with zeros.
Dump BuildMiniDump(const MiniCentral& central, const std::vector<uint8_t>& memory,
                   size_t central_stride = 44);

/// A 6-byte mini-channel time stamp record: 0x7F, mask, then BE32 W = year<<26 | month<<22 |
/// day<<17 | hour<<12 | minute<<6 | second, each field cut to its width.
std::vector<uint8_t> MiniStamp(uint8_t mask, int year, int month, int day, int hour, int minute,
                               int second);
/// A 6-byte mini-channel data record: three BE16 values, phases 1 to 3.
std::vector<uint8_t> MiniData(int16_t p1, int16_t p2, int16_t p3);

// ---- 12-byte multichannel records ----------------------------------------------------------

/// Central unit record: the stamp bytes as given, then per phase the sum (its bits 1..0 are
/// dropped, the record has no room for them) with bits 1..0, 3..2, 5..4 of the 6-bit sample
/// count in bits 1..0 of bytes 7, 9, 11.
std::vector<uint8_t> CentralRecord(std::array<uint8_t, 6> bcd_stamp,
                                   std::array<uint16_t, 3> phase_sums, uint8_t sample_count);
/// Voltage-quality record from the raw 16-bit fields per phase; only bits 15..6 of each field
/// are stored. `downtime` is the 6-bit count spread over bits 1..0 of bytes 1, 3, 5.
std::vector<uint8_t> QualityRecord(std::array<uint16_t, 3> rms, std::array<uint16_t, 3> min,
                                   std::array<uint16_t, 3> max, uint8_t downtime);
/// Module record: six little-endian words.
std::vector<uint8_t> ModuleRecord(std::array<int16_t, 6> words);

// ---- Logger files (.pdc) -------------------------------------------------------------------

inline constexpr uint16_t kPdcSection = 0x8001;       ///< installation, page, Quendar records
inline constexpr uint16_t kPdcBlockSection = 0x8004;  ///< block records
inline constexpr uint16_t kPdcCentral = 1;
inline constexpr uint16_t kPdcModule = 2;
inline constexpr uint16_t kPdcPage = 16;  ///< also the block record's type in 0x8004
inline constexpr uint16_t kPdcQuendar = 17;
inline constexpr uint16_t kPdcPageG = 18;

/// Marker BE16, length LE16 (the payload's size unless overridden), type BE16, payload,
/// trailer LE16.
std::vector<uint8_t> PdcRecord(uint16_t marker, uint16_t type, const Bytes& payload,
                               std::optional<uint16_t> length = std::nullopt, uint16_t trailer = 0);

/// Type 1: name (16), sn LE32, end address LE32, param (24), wrap (25), module count, type,
/// then `extra`.
Bytes PdcCentralPayload(std::string_view name, uint32_t sn, uint32_t end_addr, uint8_t param,
                        uint8_t wrap, uint8_t module_count, char type,
                        const std::vector<uint8_t>& extra = {});
/// Type 2: sn LE32, type, aux, six 16-byte names, 12 scale bytes (types 250/254: six LE16
/// parameters), 6 flag bytes (250/254: kinds), ext flag (120), filler (121), then `extra`.
Bytes PdcModulePayload(uint32_t sn, uint8_t type, uint8_t aux,
                       const std::array<std::string, 6>& channel_names,
                       const std::array<uint8_t, 12>& scale_or_params,
                       const std::array<uint8_t, 6>& flags_or_kinds, uint8_t ext_flag = 0,
                       const std::vector<uint8_t>& extra = {});
/// Types 16 and 18: sn LE32, page address LE32, two filler words, the page's data.
Bytes PdcPagePayload(uint32_t sn, uint32_t page_addr, const std::vector<uint8_t>& data);
/// Block record: 8 filler bytes, N, W, format LE16, the blocks as given.
Bytes PdcBlockPayload(uint8_t n, uint8_t w, uint16_t format, const std::vector<uint8_t>& blocks);
/// Type 17, exactly 540 bytes: `words` fill the 256 LE16 sample words from the first, the rest
/// are zero (words beyond 256 are dropped).
Bytes QuendarPayload(uint32_t sn, uint16_t data_type, std::array<uint8_t, 6> bcd_start,
                     uint8_t period_code, uint8_t mask, uint8_t count, uint16_t high1,
                     uint16_t high2, const std::vector<int16_t>& words);

// ---- Files ---------------------------------------------------------------------------------

/// Writes `bytes` as the whole file at `path`; false when it cannot.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
inline bool WriteFile(const std::string& path, const Bytes& b) {
  return WriteFile(path, b.bytes);
}

/// A fresh directory under $TMPDIR (or /tmp), removed with its contents on destruction.
class TempDir {
 public:
  TempDir();  ///< throws std::runtime_error when no directory can be made
  ~TempDir();
  TempDir(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

}  // namespace vid::fx
