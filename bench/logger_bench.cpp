// Logger conversion, file to file: a recording of a central unit and six modules whose memories
// of 516100 bytes each come as 1024-byte page records in four data files behind a header file,
// and a file of many Quendar records. Prints wall time, output MB/s and peak memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/session.h"
#include "fixture_writer.h"
#include "test_ui.h"

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

void Run(const char* what, const TempDir& dir, const std::vector<std::string>& names) {
  testing::TestUi ui;
  ui.pauses = false;
  Session s(ui);
  Form1 form(s);
  form.Form_Load("");
  s.ctx.opts.copyclip = false;
  form.ProgramFolder = dir.path();
  form.File1 = {dir.path(), names.front(), names};

  const auto t0 = std::chrono::steady_clock::now();
  const MakeResult r = form.BMake_Click();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  const uint64_t out = std::filesystem::file_size(dir.file("mv1.txt"));
  uint64_t lines = 0;
  if (std::FILE* f = std::fopen(dir.file("mv1.txt").c_str(), "rb")) {
    char buf[1 << 16];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
      lines += std::count(buf, buf + n, '\n');
    std::fclose(f);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "%s: %s, %zu files, %.1f MB in, %.1f MB out (%llu lines), %.3f s, %.1f MB/s out, peak RSS "
      "%.0f MB\n",
      what, r == MakeResult::kDone ? ui.status.c_str() : "FAILED", names.size(),
      InputBytes(dir, names) / 1e6, out / 1e6, static_cast<unsigned long long>(lines), seconds,
      out / 1e6 / seconds, usage.ru_maxrss / 1024.0);
}

}  // namespace

int main() {
  TempDir dir;
  const auto recording = WriteRecording(dir);
  Run("page records", dir, recording);
  const auto quendar = WriteQuendar(dir);
  Run("Quendar records", dir, quendar);
  return 0;
}
