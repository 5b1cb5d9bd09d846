#include "dump/config.h"

#include <algorithm>

#include "common/Module1.h"
#include "dump/decode.h"
#include "dump/layout.h"
#include "platform/ui.h"

namespace vid {
namespace {

constexpr int kPauseMs = 2000;  // after each report of a table check

// Differences of file offsets wrap like the 32-bit arithmetic of the unit.
int32_t Distance(int32_t to, int32_t from) {
  return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}

int32_t ReadBe32(InputFile& in) {
  return inv4(in.ReadLe32());
}
int16_t ReadBe16(InputFile& in) {
  return inv2(in.ReadLe16());
}

void Report(Ui& ui, const char* text) {
  ui.SetStatus(text);
  ui.ProcessEvents();
  WaitMs(ui, kPauseMs);
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

void entete(InputFile& in, Config& cfg) {
  uint8_t skipped[kHeaderSkip];
  in.Read(skipped, sizeof skipped);  // texts, words and values that carry nothing we use
  int32_t count = ReadBe16(in);
  if (count < 0) count += 65536;
  cfg.RecCount = count;
  std::fill(cfg.RecAddr.begin(), cfg.RecAddr.end(), 0);
  for (int32_t k = 1; k <= count; ++k) {
    cfg.RecAddr[k] = ReadBe32(in);
    in.ReadLe32();
  }
  if (count >= 1) {
    cfg.RecAddr[count + 1] =
        static_cast<int32_t>(static_cast<uint32_t>(cfg.RecAddr[count]) + kLastRecordLength);
  }
}

void NextRecordDates(InputFile& in, const Config& cfg, int32_t k) {
  in.SkipTo(cfg.RecAddr[k]);
}

void RecordCentral(InputFile& in, Config& cfg, Ui& ui, bool correct) {
  NextRecordDates(in, cfg, 1);
  uint8_t name[16];
  in.Read(name, sizeof name);
  cfg.CentralName = CutAtNul(name, sizeof name);
  cfg.CentralSN = ReadBe32(in);
  cfg.EndAddr = ReadBe32(in);

  if (cfg.EndAddr == kMiniMarker) {
    cfg.MiniMode = true;
    const int16_t page = ReadBe16(in);
    const int16_t offset = ReadBe16(in);
    cfg.WrapFlag = in.ReadLe16();
    ReadBe16(in);  // central parameter, not used
    cfg.MiniMult = ReadBe16(in);
    cfg.MiniDiv = ReadBe16(in);
    for (int i = 0; i < 4; ++i) in.ReadLe16();
    cfg.EndAddr = offset + kMiniPageSize * page;
    cfg.ModuleCount = 0;
    cfg.DataLimit = cfg.WrapFlag < 1 ? cfg.EndAddr : kMiniMemory;
    return;
  }

  cfg.MiniMode = false;
  cfg.WrapFlag = in.ReadByte();
  in.ReadByte();  // central parameter, not used
  cfg.ModuleCount = in.ReadByte();
  cfg.CentralType = in.ReadByte();
  if (cfg.WrapFlag == 0) {
    cfg.DataLimit = cfg.EndAddr;
  } else {
    cfg.DataLimit = cfg.CentralType == kKindLargeMemory ? kMemoryTypeF : kMemoryOther;
  }
  cfg.CentralTypeG = cfg.CentralType == kKindQuality;
  if (!correct) return;

  const int32_t head = Distance(cfg.RecAddr[2], cfg.RecAddr[1]);
  if (head < kCentralRecordMin || head > kCentralRecordMax)
    Report(ui, "...Invalid Concentrator Header section.. Corrected...");

  int32_t n = 0;
  for (int32_t k = 3; k <= cfg.RecCount; ++k) {
    const int32_t d = Distance(cfg.RecAddr[k], cfg.RecAddr[k - 1]);
    if (d >= kModuleRecordMin && d <= kModuleRecordMax) ++n;
  }
  if (n != cfg.ModuleCount) {
    cfg.ModuleCount = n;
    Report(ui, "..Incoherent Module Number..Corrected");
  }
}

void RecordModules(InputFile& in, Config& cfg, int32_t m) {
  NextRecordDates(in, cfg, m + 1);
  uint8_t field[16];
  in.Read(field, sizeof field);
  // The module name is not used.
  cfg.ModuleSN[m] = ReadBe32(in);
  for (int s = 1; s <= 12; ++s) {
    const uint8_t b = in.ReadByte();
    cfg.ChannelScale[m][s] = b == 0 ? 1 : b;
  }
  for (int c = 1; c <= 6; ++c) in.ReadByte();  // channel flags, not used
  cfg.ModuleType[m] = kModuleTypeDefault;
  if (cfg.CentralType < kKindNamedChannels) {
    for (int c = 1; c <= 6; ++c) cfg.ChannelName[m][c] = "Voie " + std::to_string(c);
    return;
  }
  for (int c = 1; c <= 6; ++c) {
    in.Read(field, sizeof field);
    cfg.ChannelName[m][c] = CutAtNul(field, sizeof field);
  }
  const uint8_t type = in.ReadByte();
  cfg.ModuleType[m] = type == 0 ? kModuleTypeDefault : type;
  in.ReadByte();
  if (!HasChannelKinds(cfg.ModuleType[m])) return;
  for (int c = 1; c <= 6; ++c) cfg.ChannelParam[m][c] = in.ReadLe16();
  for (int c = 1; c <= 6; ++c) cfg.ChannelKind[m][c] = in.ReadByte();
  for (int c = 1; c <= 6; ++c) {
    cfg.ChannelScale[m][2 * c - 1] = 1;
    cfg.ChannelScale[m][2 * c] = KindDivisor(cfg.ChannelKind[m][c], cfg.ChannelParam[m][c]);
  }
}

}  // namespace vid
