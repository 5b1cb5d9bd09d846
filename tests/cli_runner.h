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

/// `viduravare args` in the folder `in` (`dir` when empty), in the C locale, its output in
/// `dir`/stdout and `dir`/stderr. Those come first, so that `args` may end in redirections of
/// their own ("2>&-"). A run that hangs is ended after 10 s with code 124.
inline Outcome RunCli(const fx::TempDir& dir, const std::string& args, const std::string& in = {}) {
  const std::string cmd = "cd '" + (in.empty() ? dir.path() : in) + "' && LC_ALL=C timeout 10 '" +
                          VIDURAVARE_CLI + "' >'" + dir.file("stdout") + "' 2>'" +
                          dir.file("stderr") + "' " + args;
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

/// The conversions of the bundled samples whose texts are committed in tests/expected/: the
/// expected file and the arguments of `convert` that give it, run in samples/. Every file there
/// has its case (SampleOutputs checks it, and scripts/regenerate-expected.sh writes them all from
/// this table).
struct SampleCase {
  const char* expected;
  const char* args;
};
inline constexpr SampleCase kSampleCases[] = {
    {"atelier_nord.txt", "atelier_nord.pdb --decimal-separator ."},
    {"atelier_nord_comma.txt", "atelier_nord.pdb --decimal-separator ,"},
    {"mini_site.txt", "mini_site.pdb --decimal-separator ."},
    {"entrepot.txt",
     "--header entrepot_header.pdc entrepot_01.pdc entrepot_02.pdc --decimal-separator ."},
    {"compteur_blocs.txt", "compteur_blocs.pdc --decimal-separator ."},
    {"quendar_chambre.txt", "quendar_chambre.pdc --decimal-separator ."}};

/// `viduravare convert` on a sample case with `more` arguments (the output among them).
inline Outcome ConvertSample(const fx::TempDir& dir, const SampleCase& c, const std::string& more) {
  return RunCli(dir, std::string("convert ") + c.args + " " + more, VIDURAVARE_SAMPLES);
}

/// A dump whose conversion stops: 26 modules, one more than the tables hold.
inline fx::Bytes StoppingDump() {
  return fx::BuildDump({.end_addr = 1, .type = 'f'}, std::vector<fx::DumpModule>(26),
                       {.columns = {{0}}})
      .bytes;
}

}  // namespace vid::testing
