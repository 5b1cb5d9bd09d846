// The catalogue of damaged files: every sample cut at many offsets and with chosen fields set to
// extreme values. Each Make must end in one of two ways: the conversion completes with one output
// file, or it stops with a status text, leaves no output file and keeps an earlier file of that
// name intact. Reads and writes outside the tables are caught by the sanitizer run of the suite.
#include <gtest/gtest.h>

#include "harness.h"

namespace vid::testing {
namespace {

fx::Bytes Sample(const std::string& name) {
  const std::string s = ReadText(std::string(VIDURAVARE_SAMPLES) + "/" + name);
  return fx::Bytes(std::vector<uint8_t>(s.begin(), s.end()));
}

// Copies of `whole` cut every `step` bytes, then with each (offset, width, value) written in.
std::vector<fx::Bytes> Damaged(const fx::Bytes& whole, size_t step,
                               const std::vector<std::tuple<size_t, int, uint32_t>>& fields) {
  std::vector<fx::Bytes> out;
  for (size_t n = 0; n < whole.size(); n += n < 100 ? 1 : step)
    out.push_back(fx::Bytes(whole).resize(n));
  for (const auto& [at, width, v] : fields) out.push_back(fx::Bytes(whole).patch_be(at, v, width));
  return out;
}

TEST(BadFiles, DamagedCopiesOfTheSamplesConvertOrStopCleanly) {
  const size_t central = 78 + 8 * 11, mini = 78 + 8 * 4;  // entry 1 of each sample
  std::vector<std::tuple<size_t, int, uint32_t>> dump_fields, mini_fields;
  for (uint32_t v : {0u, 1u, 3u, 25u, 26u, 0x7FFFu, 0x01010101u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    for (size_t at : {size_t{76}, fx::DumpEntryOffset(1), fx::DumpEntryOffset(3), central + 20}) {
      dump_fields.emplace_back(at, at == 76 ? 2 : 4, v);  // entry count, entries, end address
    }
    dump_fields.emplace_back(central + 24, 4, v);  // wrap, parameter, module count, type
    for (size_t at : {fx::DumpEntryOffset(2), mini + 24, mini + 28, mini + 32}) {
      mini_fields.emplace_back(at, 4, v);  // block entry, write pointer, wrap, scale
    }
  }
  const std::vector<uint8_t> earlier = {'o', 'l', 'd'};
  Bench r;
  r.Write("H.pdc", Sample("entrepot_header.pdc").bytes);
  auto check = [&](const fx::Bytes& bytes, const std::string& name, std::vector<std::string> with) {
    r.Write("mv1.txt", earlier);
    r.Write("mini1.txt", earlier);
    r.Write(name, bytes.bytes);
    with.push_back(name);
    const MakeResult result = r.Make(with);
    int written = 0;
    for (const std::string& text : {r.Read("mv1.txt"), r.Read("mini1.txt")}) {
      if (text == "old") continue;
      ++written;
      EXPECT_EQ(text.substr(text.size() < 2 ? 0 : text.size() - 2), "\r\n") << bytes.size();
    }
    // kNoInput: a copy that holds no record, where nothing is written.
    EXPECT_TRUE(result == MakeResult::kDone || result == MakeResult::kStopped ||
                result == MakeResult::kNoInput)
        << bytes.size();
    EXPECT_EQ(written, result == MakeResult::kDone ? 1 : 0) << name << bytes.size() << r.ui.status;
  };
  for (const fx::Bytes& b : Damaged(Sample("atelier_nord.pdb"), 61, dump_fields))
    check(b, "d.pdb", {});
  for (const fx::Bytes& b : Damaged(Sample("mini_site.pdb"), 37, mini_fields))
    check(b, "m.pdb", {});
  for (const char* name : {"entrepot_01.pdc", "compteur_blocs.pdc", "quendar_chambre.pdc"}) {
    for (const fx::Bytes& b : Damaged(Sample(name), 17, {})) {
      check(b, "x.pdc", {});
      check(b, "x.pdc", {"H.pdc"});
    }
  }
}

}  // namespace
}  // namespace vid::testing
