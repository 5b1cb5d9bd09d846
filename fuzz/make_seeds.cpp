// Writes the seed corpora of the fuzz targets from the sample files and the fixture writer:
// make_seeds FUZZ_DIR (the folder holding corpus/).
#include <cstdio>
#include <string>

#include "fixture_writer.h"
#include "samples.h"

namespace {

using namespace vid::fx;

void Seed(const std::string& dir, const std::string& name, const Bytes& bytes) {
  const std::string path = dir + "/" + name;
  if (!WriteFile(path, bytes)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

std::vector<uint8_t> Records(int n, bool quality) {
  std::vector<uint8_t> out;
  for (int i = 0; i < n; ++i) {
    auto r = quality ? QualityRecord({0x4000, 0xFFC0, 0x0FC0}, {0x8000, 0xFFFF, 0}, {0x9000, 0, 0},
                                     i % 2 ? 63 : 3)
                     : CentralRecord(BcdStamp(18, 3, 5, 10, i, 0), {0x8000, 0x4000, 100},
                                     i % 3 ? 32 : 0);
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

void DumpSeeds(const std::string& dir) {
  for (const Sample& s : Samples()) {
    if (s.name.size() > 4 && s.name.substr(s.name.size() - 4) == ".pdb") Seed(dir, s.name, s.bytes);
  }
  DumpModule plain{.sn = 0x1805, .scale = {1, 1, 1, 10, 1, 100, 1, 200, 3, 7, 2, 1}, .type = 6};
  DumpModule kinds{.sn = 2, .type = 254};
  kinds.kinds = {0, 0x80, 7, 9, 144, 200};
  kinds.params = {{{22, 0}, {0, 0}, {21, 0}, {0, 0}, {0, 0}, {0, 0}}};
  DumpLayout g;
  g.columns = {Records(6, false), Records(6, true), std::vector<uint8_t>(72, 0x7F),
               std::vector<uint8_t>(72, 0x80)};
  Seed(dir, "g_two_modules.pdb",
       BuildDump({.name = "G", .sn = 1, .end_addr = 72, .type = 'g'}, {plain, kinds}, g).bytes);
  DumpLayout f;
  f.columns = {Records(5, false), std::vector<uint8_t>(60, 1)};
  Seed(dir, "d_old_type.pdb",
       BuildDump({.name = "D", .sn = 3, .end_addr = 60, .type = 'd'}, {plain}, f).bytes);
  Bytes cut = BuildDump({.sn = 4, .end_addr = 60, .type = 'f'}, {plain}, f).bytes;
  cut.resize(cut.size() - 700);
  Seed(dir, "f_truncated.pdb", cut);
  Seed(dir, "f_wrong_count.pdb",
       BuildDump({.sn = 5, .end_addr = 60, .module_count = 9, .type = 'f'}, {plain}, f).bytes);
}

void MiniSeeds(const std::string& dir) {
  for (const Sample& s : Samples()) {
    if (s.name.rfind("mini", 0) == 0) Seed(dir, s.name, s.bytes);
  }
  std::vector<uint8_t> memory;
  auto add = [&](const std::vector<uint8_t>& r) {
    memory.insert(memory.end(), r.begin(), r.end());
  };
  add(MiniData(1, 2, 3));  // before the first time stamp
  add(MiniStamp(0x07, 18, 3, 5, 17, 30, 10));
  add(MiniData(14720, -200, 32767));
  add(MiniData(1000, 2000, -3000));
  add(MiniData(300, 301, 302));
  add(MiniData(9, 9, 9));  // a fourth record after a 0x07 mask
  add(MiniStamp(0xFF, 18, 3, 5, 17, 45, 10));
  for (int i = 0; i < 8; ++i) add(MiniData(static_cast<int16_t>(i), -1, -32768));
  add(MiniStamp(0x07, 18, 3, 5, 18, 0, 10));
  MiniCentral c{.name = "Mini", .sn = 0x51, .page = 0, .offset = 60, .mult = 10, .div = 4};
  Seed(dir, "mini_masks.pdb", BuildMiniDump(c, memory).bytes);
  c.wrap_bytes = {0x01, 0x00};
  c.offset = 36;
  Seed(dir, "mini_wrapped_short.pdb", BuildMiniDump(c, memory).bytes);
  c.div = 0;
  c.wrap_bytes = {0x00, 0x00};
  Seed(dir, "mini_div_zero.pdb", BuildMiniDump(c, memory).bytes);
}

Bytes PdcFile(std::initializer_list<std::vector<uint8_t>> records) {
  Bytes b;
  for (const auto& r : records) b.raw(r);
  return b;
}

std::vector<uint8_t> Header(uint8_t modules, char type, uint8_t module_type) {
  std::vector<uint8_t> out = PdcRecord(
      kPdcSection, kPdcCentral, PdcCentralPayload("Hall", 0x20E1A7C5, 0, 0, 0, modules, type));
  for (uint8_t m = 0; m < modules; ++m) {
    const auto r = PdcRecord(
        kPdcSection, kPdcModule,
        PdcModulePayload(0x12340 + m, module_type, 0, {"a", "b", "c", "d", "e", "f"},
                         {1, 10, 1, 10, 1, 100, 22, 0, 1, 1, 1, 1}, {0, 0x80, 7, 9, 4, 1}, 1));
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

void HeaderSeeds(const std::string& dir) {
  for (const Sample& s : Samples()) {
    if (s.name.find("header") != std::string::npos) Seed(dir, s.name, s.bytes);
  }
  Seed(dir, "two_ordinary.pdc", PdcFile({Header(2, 'f', 6)}));
  Seed(dir, "kinds_250.pdc", PdcFile({Header(2, 'f', 250)}));
  Seed(dir, "double_slot_140.pdc", PdcFile({Header(2, 'g', 140)}));
  Seed(dir, "unknown_type.pdc",
       PdcFile({PdcRecord(kPdcSection, 7, Bytes().fill(10, 1)), Header(1, 'r', 254)}));
}

// Logger inputs carry three leading bytes: the mode (bit 0: two files, bit 1: Load Header on
// the first file before Make) and where the rest is cut for two files.
Bytes LoggerInput(uint8_t mode, const Bytes& first, const Bytes& second = {}) {
  Bytes b;
  b.u8(mode).le16(static_cast<uint16_t>(first.size())).raw(first).raw(second);
  return b;
}

void LoggerSeeds(const std::string& dir) {
  std::vector<Sample> samples = Samples();
  auto sample = [&](const std::string& name) {
    for (const Sample& s : samples) {
      if (s.name == name) return s.bytes;
    }
    return Bytes();
  };
  Seed(dir, "hall_two_files", LoggerInput(1, sample("entrepot_01.pdc"), sample("entrepot_02.pdc")));
  Seed(dir, "hall_header_loaded",
       LoggerInput(3, sample("entrepot_header.pdc"), sample("entrepot_01.pdc")));
  Seed(dir, "meter_blocks", LoggerInput(0, sample("compteur_blocs.pdc")));
  Seed(dir, "quendar", LoggerInput(0, sample("quendar_chambre.pdc")));

  std::vector<uint8_t> page(64);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 7);
  Bytes pages = PdcFile({Header(1, 'f', 6),
                         PdcRecord(kPdcSection, kPdcPage, PdcPagePayload(0x2000000, 0x3F000, page)),
                         PdcRecord(kPdcSection, kPdcPage, PdcPagePayload(0x12340, 0x3F000, page)),
                         PdcRecord(kPdcSection, kPdcPage, PdcPagePayload(0x2000000, 0x100, page)),
                         PdcRecord(kPdcSection, kPdcPageG, PdcPagePayload(1, 0x140, page))});
  Seed(dir, "pages_wrapping", LoggerInput(0, pages));

  std::vector<uint8_t> blocks;
  for (int b = 0; b < 3; ++b) {
    const auto st = BcdStamp(18, 4, 9, 8, b, 0);
    blocks.insert(blocks.end(), st.begin(), st.end());
    for (int w = 0; w < 2 * 2 * 9; ++w) blocks.push_back(static_cast<uint8_t>(b + w));
  }
  const Bytes block_payload = PdcBlockPayload(2, 9, 1, blocks);
  Seed(dir, "blocks_format1",
       LoggerInput(0, PdcFile({Header(2, 'f', 6),
                               PdcRecord(kPdcBlockSection, kPdcPage, block_payload,
                                         static_cast<uint16_t>(0x8000 | block_payload.size()))})));
  const Bytes no_stamps = PdcBlockPayload(3, 255, 0, std::vector<uint8_t>(36, 0x11));
  Seed(dir, "blocks_without_stamps",
       LoggerInput(0,
                   PdcFile({Header(3, 'f', 6), PdcRecord(kPdcBlockSection, kPdcPage, no_stamps)})));

  std::vector<int16_t> words;
  for (int i = 0; i < 256; ++i) words.push_back(static_cast<int16_t>(i * 37 - 2500));
  Bytes quendar;
  for (uint16_t type : {1, 2, 3, 4, 9}) {
    quendar.raw(PdcRecord(
        kPdcSection, kPdcQuendar,
        QuendarPayload(0x1234, type, {0x18, 0x02, 0x28, 0x23, 0x59, 0xD0},
                       static_cast<uint8_t>(type == 9 ? 13 : type + 8), 0x0F, 100, 1, 2, words)));
  }
  Seed(dir, "quendar_types", LoggerInput(0, quendar));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "fuzz";
  DumpSeeds(root + "/corpus/dump");
  MiniSeeds(root + "/corpus/mini");
  HeaderSeeds(root + "/corpus/header");
  LoggerSeeds(root + "/corpus/logger");
  return 0;
}
