#include "dump/config.h"

#include <algorithm>

#include "dump/decode.h"
#include "dump/layout.h"

namespace vid {
namespace {

// Differences of file offsets wrap like the 32-bit arithmetic of the unit.
int32_t Distance(int32_t to, int32_t from) {
  return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}

int32_t ReadBe32(InputFile& in) {
  return Be32(in.ReadLe32());
}
int16_t ReadBe16(InputFile& in) {
  return Be16(in.ReadLe16());
}

}  // namespace

std::string CutAtNul(const uint8_t* field, size_t width) {
  const uint8_t* end = std::find(field, field + width, uint8_t{0});
  return std::string(reinterpret_cast<const char*>(field), end - field);
}

uint8_t KindDivisor(uint8_t kind, int16_t param) {
  const uint8_t low = static_cast<uint8_t>(static_cast<uint16_t>(param) & 0xFF);
  switch (kind) {
    case 0:
    case 1:
    case 2:
    case 3:
      return 100;
    case 4:
    case 5:
      return 10;
    case 7:
      return (low >= 21 && low <= 25) ? 1 : 100;
    case 9:
      return 60;
    case 144:
    case 145:
      return 10;
    default:
      return 1;
  }
}

void ReadDumpHeader(InputFile& in, Config& cfg) {
  uint8_t skipped[kHeaderSkip];
  in.Read(skipped, sizeof skipped);  // texts, words and values that carry nothing we use
  int32_t count = ReadBe16(in);
  if (count < 0) count += 65536;
  cfg.record_count = count;
  std::fill(cfg.record_address.begin(), cfg.record_address.end(), 0);
  for (int32_t k = 1; k <= count; ++k) {
    cfg.record_address[k] = ReadBe32(in);
    in.ReadLe32();
  }
  if (count >= 1) {
    cfg.record_address[count + 1] =
        static_cast<int32_t>(static_cast<uint32_t>(cfg.record_address[count]) + kLastRecordLength);
  }
}

void SeekRecord(InputFile& in, const Config& cfg, int32_t k) {
  in.SkipTo(cfg.record_address[k]);
}

void ReadCentralRecord(InputFile& in, Config& cfg) {
  SeekRecord(in, cfg, 1);
  uint8_t name[16];
  in.Read(name, sizeof name);
  cfg.central_name = CutAtNul(name, sizeof name);
  cfg.central_sn = ReadBe32(in);
  cfg.end_address = ReadBe32(in);

  if (cfg.end_address == kMiniMarker) {
    cfg.mini_channel = true;
    const int16_t page = ReadBe16(in);
    const int16_t offset = ReadBe16(in);
    cfg.wrap_flag = in.ReadLe16();
    ReadBe16(in);  // central parameter, not used
    cfg.mini_multiplier = ReadBe16(in);
    cfg.mini_divisor = ReadBe16(in);
    for (int i = 0; i < 4; ++i) in.ReadLe16();
    cfg.end_address = offset + kMiniPageSize * page;
    cfg.module_count = 0;
    cfg.data_limit = cfg.wrap_flag < 1 ? cfg.end_address : kMiniMemory;
    return;
  }

  cfg.mini_channel = false;
  cfg.wrap_flag = in.ReadByte();
  in.ReadByte();  // central parameter, not used
  cfg.module_count = in.ReadByte();
  cfg.central_type = in.ReadByte();
  if (cfg.wrap_flag == 0) {
    cfg.data_limit = cfg.end_address;
  } else {
    cfg.data_limit = cfg.central_type == kKindLargeMemory ? kMemoryTypeF : kMemoryOther;
  }
  cfg.quality_channel = cfg.central_type == kKindQuality;
}

bool CheckRecordTable(Context& ctx, Config& cfg) {
  if (cfg.mini_channel) return true;
  const int32_t head = Distance(cfg.record_address[2], cfg.record_address[1]);
  if ((head < kCentralRecordMin || head > kCentralRecordMax) &&
      !ctx.Report(ReportKind::kCorrectedHeader,
                  "...Invalid Concentrator Header section.. Corrected...")) {
    return false;
  }

  int32_t n = 0;
  for (int32_t k = 3; k <= cfg.record_count; ++k) {
    const int32_t d = Distance(cfg.record_address[k], cfg.record_address[k - 1]);
    if (d >= kModuleRecordMin && d <= kModuleRecordMax) ++n;
  }
  if (n != cfg.module_count) {
    cfg.module_count = n;
    return ctx.Report(ReportKind::kCorrectedModuleCount, "..Incoherent Module Number..Corrected");
  }
  return true;
}

void ReadModuleRecord(InputFile& in, Config& cfg, int32_t m) {
  SeekRecord(in, cfg, m + 1);
  uint8_t field[16];
  in.Read(field, sizeof field);
  // The module name is not used.
  cfg.module_sn[m] = ReadBe32(in);
  for (int s = 1; s <= 12; ++s) {
    const uint8_t b = in.ReadByte();
    cfg.channel_scale[m][s] = b == 0 ? 1 : b;
  }
  for (int c = 1; c <= 6; ++c) in.ReadByte();  // channel flags, not used
  cfg.module_type[m] = kModuleTypeDefault;
  if (cfg.central_type < kKindNamedChannels) {
    for (int c = 1; c <= 6; ++c) cfg.channel_name[m][c] = "Voie " + std::to_string(c);
    return;
  }
  for (int c = 1; c <= 6; ++c) {
    in.Read(field, sizeof field);
    cfg.channel_name[m][c] = CutAtNul(field, sizeof field);
  }
  const uint8_t type = in.ReadByte();
  cfg.module_type[m] = type == 0 ? kModuleTypeDefault : type;
  in.ReadByte();
  if (!HasChannelKinds(cfg.module_type[m])) return;
  for (int c = 1; c <= 6; ++c) cfg.channel_param[m][c] = in.ReadLe16();
  for (int c = 1; c <= 6; ++c) cfg.channel_kind[m][c] = in.ReadByte();
  for (int c = 1; c <= 6; ++c) {
    cfg.channel_scale[m][2 * c - 1] = 1;
    cfg.channel_scale[m][2 * c] = KindDivisor(cfg.channel_kind[m][c], cfg.channel_param[m][c]);
  }
}

bool ReadDumpConfiguration(Context& ctx, InputFile& in, Config& cfg) {
  ReadDumpHeader(in, cfg);
  ReadCentralRecord(in, cfg);
  if (!CheckRecordTable(ctx, cfg)) return false;
  if (cfg.module_count > kMaxModules) {
    return ctx.Stop(ReportKind::kOutOfRange,
                    "Error in file : " + std::to_string(cfg.module_count) +
                        " modules, no more than 25 can be read; conversion stopped");
  }
  const int32_t modules = cfg.module_count;
  for (int32_t m = 1; m <= modules; ++m) ReadModuleRecord(in, cfg, m);
  // A file that ends before its configuration (an empty file, a few bytes of anything) says so.
  return !in.PastEnd() || ctx.Report(ReportKind::kMissingData, kMissingData);
}

}  // namespace vid
