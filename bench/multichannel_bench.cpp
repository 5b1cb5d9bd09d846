// Converts generated concentrator dumps of the largest sizes with the command-line converter and
// sets each conversion against copying its output file (bench_util.h, `MeasureCase`): an 'f'
// unit with 25 modules and a wrapped memory (26 columns of 516100 bytes), and a 'g' unit with its
// quality channel and 24 modules, wrapped.
// Usage: multichannel_bench [repetitions]
#include <cstdlib>
#include <string>

#include "bench_dumps.h"
#include "bench_util.h"
#include "fixture_writer.h"

namespace {

using namespace vid;

bool Measure(const char* label, const fx::Bytes& made, const std::string& cli, int reps) {
  fx::TempDir dir;
  const std::string in = dir.file("in.pdb");
  double mb = 0;
  {  // the dump is dropped before the runs: a child started by this process counts its size
    const fx::Bytes dump = made;
    fx::WriteFile(in, dump);
    mb = dump.size() / 1e6;
  }
  return bench::MeasureCase(cli, {label, {in}, "", dir.file("out.txt"), mb}, reps);
}

}  // namespace

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::string cli = bench::CliPath(argv[0]);
  const bool f = Measure("'f', 25 modules, wrapped", bench::LargestFDump(), cli, reps);
  const bool g = Measure("'g', 24 modules, wrapped", bench::LargestGDump(), cli, reps);
  return f && g ? 0 : 1;
}
