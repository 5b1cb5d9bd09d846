// Logger conversion with the command-line converter, each set against copying its output file
// (bench_util.h, `MeasureCase`): a recording of a central unit and six modules whose memories of
// 516100 bytes each come as 1024-byte page records in four data files behind a header file, and
// a file of many Quendar records.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "fixture_writer.h"

namespace {

using namespace vid;
using namespace vid::fx;

constexpr int kModules = 6;
constexpr size_t kMemory = 516100;
constexpr size_t kPage = 1024;
constexpr int kDataFiles = 4;
constexpr int kQuendarRecords = 10000;

std::array<uint8_t, 6> StampAt(int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds t = sys_days{year{2018} / January / 1} + std::chrono::seconds{seconds};
  const sys_days d = floor<days>(t);
  const year_month_day ymd{d};
  const hh_mm_ss<std::chrono::seconds> hms{t - d};
  return BcdStamp(static_cast<int>(ymd.year()) % 100, static_cast<int>(unsigned{ymd.month()}),
                  static_cast<int>(unsigned{ymd.day()}), static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count()));
}

// The recording: returns the names of the files to select, header first.
std::vector<std::string> WriteRecording(const TempDir& dir) {
  std::vector<std::vector<uint8_t>> memory(kModules + 1);
  for (size_t i = 0; i * 12 < kMemory; ++i) {
    const auto c = CentralRecord(StampAt(static_cast<int64_t>(i) * 600),
                                 {static_cast<uint16_t>(37000 + i % 500), 37200, 36900}, 32);
    memory[0].insert(memory[0].end(), c.begin(), c.end());
    for (int m = 1; m <= kModules; ++m) {
      std::array<int16_t, 6> w{};
      for (int k = 0; k < 6; ++k)
        w[k] = static_cast<int16_t>((i * 7 + m * 131 + k * 17) % 4000 - 500);
      const auto r = ModuleRecord(w);
      memory[m].insert(memory[m].end(), r.begin(), r.end());
    }
  }
  for (auto& column : memory) column.resize(kMemory);

  Bytes header;
  header.raw(PdcRecord(kPdcSection, kPdcCentral,
                       PdcCentralPayload("Bench", 0x21000001, 0, 0, 0, kModules, 'f')));
  for (int m = 1; m <= kModules; ++m) {
    header.raw(PdcRecord(kPdcSection, kPdcModule,
                         PdcModulePayload(0x1000 + m, 6, 0, {"C1", "C2", "C3", "C4", "C5", "C6"},
                                          {1, 10, 1, 10, 1, 1, 1, 1, 1, 100, 1, 1}, {})));
  }
  std::vector<std::string> names = {"header.pdc"};
  WriteFile(dir.file(names[0]), header);

  const size_t pages = (kMemory + kPage - 1) / kPage;
  for (int f = 0; f < kDataFiles; ++f) {
    Bytes file;
    for (size_t p = pages * f / kDataFiles; p < pages * (f + 1) / kDataFiles; ++p) {
      const size_t from = p * kPage, to = std::min(kMemory, from + kPage);
      for (int m = 0; m <= kModules; ++m) {
        const uint32_t sn = m == 0 ? 0x21000001 : 0x1000 + m;
        const std::vector<uint8_t> part(memory[m].begin() + from, memory[m].begin() + to);
        file.raw(PdcRecord(kPdcSection, kPdcPage,
                           PdcPagePayload(sn, static_cast<uint32_t>(0x100000 + from), part)));
      }
    }
    names.push_back("data" + std::to_string(f + 1) + ".pdc");
    WriteFile(dir.file(names.back()), file);
  }
  return names;
}

std::vector<std::string> WriteQuendar(const TempDir& dir) {
  Bytes file;
  for (int r = 0; r < kQuendarRecords; ++r) {
    std::vector<int16_t> words;
    for (int i = 0; i < 128; ++i) {
      words.push_back(static_cast<int16_t>(2000 + (r + i) % 700 - 350));
      words.push_back(static_cast<int16_t>(4500 + (r * 3 + i) % 900));
    }
    file.raw(PdcRecord(
        kPdcSection, kPdcQuendar,
        QuendarPayload(0x51A2B, 2, StampAt(int64_t{r} * 128 * 300), 11, 0x03, 128, 0, 0, words)));
  }
  WriteFile(dir.file("quendar.pdc"), file);
  return {"quendar.pdc"};
}

uint64_t InputBytes(const TempDir& dir, const std::vector<std::string>& names) {
  uint64_t n = 0;
  for (const auto& name : names) n += std::filesystem::file_size(dir.file(name));
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::string cli = bench::CliPath(argv[0]);
  TempDir dir;
  const auto recording = WriteRecording(dir);
  bench::Case pages{"logger page records",
                    {},
                    dir.file(recording[0]),
                    dir.file("mv1.txt"),
                    InputBytes(dir, recording) / 1e6};
  for (size_t i = 1; i < recording.size(); ++i) pages.inputs.push_back(dir.file(recording[i]));
  const bool ok_pages = bench::MeasureCase(cli, pages, reps);

  const auto quendar = WriteQuendar(dir);
  const bool ok_quendar = bench::MeasureCase(cli,
                                             {"Quendar records",
                                              {dir.file(quendar[0])},
                                              "",
                                              dir.file("q.txt"),
                                              InputBytes(dir, quendar) / 1e6},
                                             reps);
  return ok_pages && ok_quendar ? 0 : 1;
}
