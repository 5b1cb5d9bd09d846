// Files that do not fit the tables stop the conversion with a text that says why; a conversion
// that stops leaves no output and keeps an earlier file of that name intact. The catalogue of
// damaged files holds every sample cut at many offsets and with chosen fields set to extreme
// values: each Make either completes with one output file or stops in that way. Reads and writes
// outside the tables are caught by the sanitizer run of the suite.
#include <gtest/gtest.h>

#include "harness.h"
#include "logger_records.h"

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

// A dump of `modules` module records and the given columns.
std::vector<uint8_t> Dump(const fx::DumpCentral& central, int modules,
                          std::vector<std::vector<uint8_t>> columns) {
  return fx::BuildDump(central, std::vector<fx::DumpModule>(modules),
                       {.columns = std::move(columns)})
      .bytes.bytes;
}

std::string Stopped(const std::string& why) {
  return "Error in file : " + why + ", conversion stopped";
}

TEST(BadFiles, ConversionThatStopsLeavesNoOutputAndTheEarlierFile) {
  const auto down = [] {  // a 'g' unit down in the last of 100000 rows
    const std::array<uint16_t, 3> full = {0x8000, 0x8000, 0x8000};
    const Record before = fx::CentralRecord(fx::BcdStamp(18, 1, 1, 0, 0, 0), full, 32),
                 down = fx::CentralRecord(fx::BcdStamp(18, 1, 1, 0, 10, 0), full, 0);
    Record column(1200000, 0);
    std::copy(before.begin(), before.end(), column.end() - 24);
    std::copy(down.begin(), down.end(), column.end() - 12);
    return column;
  }();
  const auto stamps = [] {  // 100001 time stamps of a mini-channel unit
    Record memory;
    for (int i = 0; i <= 100000; ++i) {
      const Record st = fx::MiniStamp(0x07, 18, 3, 5, 0, 0, i % 60);
      memory.insert(memory.end(), st.begin(), st.end());
    }
    return memory;
  }();
  std::vector<Record> rows26 = {Central(0), Page(kCentralPage, 0, {1})};
  for (int m = 1; m <= 26; ++m) rows26.push_back(Page(kModuleSn, 0, {1}));
  // The input's name (its kind), its records and the status text.
  const std::tuple<const char*, std::vector<Record>, std::string> cases[] = {
      {"d.pdb",
       {Dump({.end_addr = 12, .type = 'f'}, 26, {{0}})},
       "Error in file : 26 modules, no more than 25 can be read; conversion stopped"},
      {"d.pdb",
       {Dump({.end_addr = 1200001, .type = 'f'}, 0, {Record(1200000)})},
       Stopped("data size 1200001 out of range")},
      {"d.pdb",
       {Dump({.end_addr = 1200000, .type = 'g'}, 0, {down, Record(1200000)})},
       Stopped("record 100001 out of range")},
      {"m.pdb",
       {fx::BuildMiniDump({"Mini", 0x1A2B, 2272, 198, {0, 0}, 0, 1, 1}, stamps)  // end 600006
            .bytes.bytes},
       Stopped("more than 100000 time stamps")},
      {"X.pdc",
       {Block(26, 1, 0, Cat({Stamp(0), Record(52)}))},
       Stopped("data row 26 out of range")},
      {"X.pdc",
       {Page(kCentralPage, 1199998, {}), Block(1, 1, 0, Cat({Stamp(0), Words({1})}))},
       Stopped("data position 1200004 out of range")},
      {"X.pdc",
       {Central(0), Page(kCentralPage, 0, {1}), Page(kCentralPage, 1199999, {1, 2})},
       Stopped("data position 1200001 out of range")},
      {"X.pdc",
       {Central(0), Page(kCentralPage, 100000, {1}), Page(kCentralPage, 50000, {1})},
       Stopped("data position -49999 out of range")},
      {"X.pdc", rows26, Stopped("data row 26 out of range")},
      {"X.pdc",
       {Block(1, 1, 2, Cat({Stamp(0), Words({1})})), Block(2, 0, 2, Stamp(1))},
       Stopped("block records without words")},
      {"X.pdc",
       {Block(10, 16, 2, Cat({Stamp(0), Record(320)}))},
       Stopped("block word count 160 out of range")},
      {"X.pdc", Modules26(), "Error in file : more than 25 modules, reading stopped"}};
  for (const auto& [name, records, status] : cases) {
    Bench r;
    r.Write("mv1.txt", {'o', 'l', 'd'});
    r.Write("mini1.txt", {'o', 'l', 'd'});
    r.Write(name, Cat(records));
    EXPECT_EQ(r.Make({name}), MakeResult::kStopped) << status;
    EXPECT_EQ(r.ui.status, status);
    EXPECT_EQ(r.Read("mv1.txt") + r.Read("mini1.txt"), "oldold") << status;
    EXPECT_EQ(FilesIn(r.dir.path()), (std::set<std::string>{name, "mini1.txt", "mv1.txt"}))
        << status;
  }
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
    const std::set<std::string> names = FilesIn(r.dir.path());
    const MakeResult result = r.Make(with);
    EXPECT_EQ(FilesIn(r.dir.path()), names) << name << bytes.size();
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
