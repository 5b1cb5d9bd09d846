// Runs the command-line program as a separate process, with stdout and stderr captured, and the
// files that the command-line tests share.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fixture_writer.h"
#include "harness.h"

namespace vid::testing {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

/// `viduravare args` in `dir`, in the C locale, its output in `dir`/stdout and `dir`/stderr.
/// A run that hangs is ended after 10 s with code 124.
inline Outcome RunCli(const fx::TempDir& dir, const std::string& args) {
  const std::string cmd = "cd '" + dir.path() + "' && LC_ALL=C timeout 10 '" VIDURAVARE_CLI "' " +
                          args + " >stdout 2>stderr";
  const int status = std::system(cmd.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir.file("stdout")),
          ReadText(dir.file("stderr"))};
}

/// The path of sample `name`, quoted for the shell.
inline std::string SampleArg(const std::string& name) {
  return "'" VIDURAVARE_SAMPLES "/" + name + "'";
}

/// The expected sample output `name` (tests/expected/).
inline std::string Expected(const std::string& name) {
  return ReadText(std::string(VIDURAVARE_SOURCE) + "/tests/expected/" + name);
}

/// The names in `folder`.
inline std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

/// A dump whose conversion stops: 26 modules, one more than the tables hold.
inline fx::Bytes StoppingDump() {
  return fx::BuildDump({.end_addr = 1, .type = 'f'}, std::vector<fx::DumpModule>(26),
                       {.columns = {{0}}})
      .bytes;
}

}  // namespace vid::testing
