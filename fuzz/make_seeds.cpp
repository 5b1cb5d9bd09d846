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

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "fuzz";
  DumpSeeds(root + "/corpus/dump");
  MiniSeeds(root + "/corpus/mini");
  return 0;
}
