// Writes the sample recordings of samples/ with the fixture writer: `make_samples DIR` (from the
// top of the tree, `build/samples/gen/make_samples samples`). The files it writes are committed;
// `make_samples --check DIR` compares them with what it would write and fails on a difference
// (CTest runs it).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "samples.h"

int main(int argc, char** argv) {
  const bool check = argc > 1 && std::string(argv[1]) == "--check";
  const std::string dir = argc > (check ? 2 : 1) ? argv[check ? 2 : 1] : "samples";
  int failed = 0;
  for (const vid::fx::Sample& s : vid::fx::Samples()) {
    const std::string path = dir + "/" + s.name;
    if (check) {
      std::ifstream f(path, std::ios::binary);
      const std::vector<uint8_t> committed{std::istreambuf_iterator<char>(f), {}};
      if (committed != s.bytes.bytes) {
        std::fprintf(stderr, "%s differs from its description: run make_samples\n", path.c_str());
        ++failed;
      }
    } else if (!vid::fx::WriteFile(path, s.bytes)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    } else {
      std::printf("%s (%zu bytes)\n", path.c_str(), s.bytes.size());
    }
  }
  return failed == 0 ? 0 : 1;
}
