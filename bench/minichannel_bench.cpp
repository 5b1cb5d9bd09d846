// Converts a full, wrapped mini-channel memory (540672 bytes: 22528 time stamps of three data
// records each, the write pointer in the middle) from a dump file into mini1.txt, as Make does,
// and prints the wall time of the conversion, the output rate and the peak memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/form1.h"
#include "app/session.h"
#include "fixture_writer.h"
#include "test_ui.h"

namespace {

constexpr size_t kMemory = 540672;
constexpr int kRuns = 5;

std::vector<uint8_t> FullMemory() {
  std::vector<uint8_t> memory;
  memory.reserve(kMemory);
  auto add = [&memory](const std::vector<uint8_t>& r) {
    memory.insert(memory.end(), r.begin(), r.end());
  };
  for (int i = 0; memory.size() < kMemory; ++i) {
    const int minutes = i * 10;
    add(vid::fx::MiniStamp(0x07, 18, 1 + minutes / 1440 % 12, 1 + minutes / 60 / 24 % 28,
                           minutes / 60 % 24, minutes % 60, i % 60));
    const double t = i * 0.01;
    const auto v = [&](double base, double swing, int p) {
      return static_cast<int16_t>(std::lround(base + swing * std::sin(t + 2.1 * p)));
    };
    add(vid::fx::MiniData(v(14720, 200, 0), v(14720, 200, 1), v(14720, 200, 2)));
    add(vid::fx::MiniData(v(1200, 900, 0), v(1200, 900, 1), v(1200, 900, 2)));
    add(vid::fx::MiniData(v(2000, 1500, 0), v(2000, 1500, 1), v(2000, 1500, 2)));
  }
  return memory;
}

}  // namespace

int main() {
  vid::fx::TempDir dir;
  vid::fx::MiniCentral central;
  central.name = "Bench";
  central.sn = 0x00BE7C40;
  central.page = 1024;  // write pointer at 270336, a time stamp's address
  central.offset = 0;
  central.wrap_bytes = {1, 0};
  central.mult = 10;
  central.div = 4;
  const std::string input = dir.file("full.pdb");
  if (!vid::fx::WriteFile(input, vid::fx::BuildMiniDump(central, FullMemory()).bytes)) {
    std::fprintf(stderr, "cannot write %s\n", input.c_str());
    return 1;
  }

  vid::testing::TestUi ui;
  ui.pauses = false;
  vid::Session session(ui);
  vid::Form1 form(session);
  form.ProgramFolder = dir.path();
  form.File1 = {dir.path(), "full.pdb", {"full.pdb"}};

  std::vector<double> seconds;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const vid::MakeResult result = form.BMake_Click();
    const auto stop = std::chrono::steady_clock::now();
    if (result != vid::MakeResult::kDone) {
      std::fprintf(stderr, "conversion failed: %s\n", ui.status.c_str());
      return 1;
    }
    seconds.push_back(std::chrono::duration<double>(stop - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[kRuns / 2];
  const double out_mb = std::filesystem::file_size(dir.file("mini1.txt")) / 1e6;

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("mini-channel: %zu-byte wrapped memory, %d time stamps, %.2f MB of text\n", kMemory,
              session.tables.rec.StampCount, out_mb);
  std::printf("wall time: median %.4f s, best %.4f s of %d runs\n", median, seconds.front(), kRuns);
  std::printf("output: %.1f MB/s (median)\n", out_mb / median);
  std::printf("peak memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
  return 0;
}
