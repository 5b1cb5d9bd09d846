// Writes the largest generated dump of the speed figures into a file, for the benchmarks and
// tests that drive the conversion from elsewhere (bench/python_bench.py, the Python tests).
// Usage: make_bench_dump f|g OUT.pdb
#include <cstdio>
#include <string>

#include "bench_dumps.h"
#include "fixture_writer.h"

int main(int argc, char** argv) {
  const std::string kind = argc == 3 ? argv[1] : "";
  if (kind != "f" && kind != "g") {
    std::fputs("usage: make_bench_dump f|g OUT.pdb\n", stderr);
    return 2;
  }
  const vid::fx::Bytes dump = kind == "f" ? vid::bench::LargestFDump() : vid::bench::LargestGDump();
  if (vid::fx::WriteFile(argv[2], dump)) return 0;
  std::fprintf(stderr, "make_bench_dump: cannot write %s\n", argv[2]);
  return 1;
}
