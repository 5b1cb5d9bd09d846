// Writes the sample recordings of samples/ with the fixture writer. Run it from the top of the
// tree (`build/tests/make_samples samples`); the files it writes are committed, and a test
// checks that they still match what this program makes.
#include <cmath>
#include <cstdio>
#include <string>

#include "samples.h"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "samples";
  for (const vid::fx::Sample& s : vid::fx::Samples()) {
    const std::string path = dir + "/" + s.name;
    if (!vid::fx::WriteFile(path, s.bytes)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s (%zu bytes)\n", path.c_str(), s.bytes.size());
  }
  return 0;
}
