// Converts a full, wrapped mini-channel memory (540672 bytes: 22528 time stamps of three data
// records each, the write pointer in the middle) with the command-line converter and sets the
// conversion against copying its output file (bench_util.h, `MeasureCase`).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "fixture_writer.h"

namespace {

constexpr size_t kMemory = 540672;

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

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::atoi(argv[1]) : 5;
  vid::fx::TempDir dir;
  vid::fx::MiniCentral central;
  central.name = "Bench";
  central.sn = 0x00BE7C40;
  central.page = 1024;  // write pointer at 270336, a time stamp's address
  central.offset = 0;
  central.wrap_bytes = {1, 0};
  central.mult = 10;
  central.div = 4;
  const std::string input = dir.file("full.pdb"), output = dir.file("mini1.txt");
  double mb = 0;
  {  // the dump is dropped before the runs: a child started by this process counts its size
    const auto dump = vid::fx::BuildMiniDump(central, FullMemory()).bytes;
    if (!vid::fx::WriteFile(input, dump)) {
      std::fprintf(stderr, "cannot write %s\n", input.c_str());
      return 1;
    }
    mb = dump.size() / 1e6;
  }
  const std::string cli = vid::bench::CliPath(argv[0]);
  return vid::bench::MeasureCase(cli, {"mini-channel, full wrapped", {input}, "", output, mb}, reps)
             ? 0
             : 1;
}
