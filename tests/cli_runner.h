// Runs the command-line program as a separate process, with stdout and stderr captured.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
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

/// `viduravare args` in the C locale; its output files go to `dir`.
inline Outcome RunCli(const fx::TempDir& dir, const std::string& args) {
  const std::string out = dir.file("stdout"), err = dir.file("stderr");
  const std::string cmd =
      "LC_ALL=C '" VIDURAVARE_CLI "' " + args + " >'" + out + "' 2>'" + err + "'";
  const int status = std::system(cmd.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

/// The path of sample `name`, quoted for the shell.
inline std::string SampleArg(const std::string& name) {
  return "'" VIDURAVARE_SAMPLES "/" + name + "'";
}

/// The expected sample output `name` (tests/expected/).
inline std::string Expected(const std::string& name) {
  return ReadText(std::string(VIDURAVARE_SOURCE) + "/tests/expected/" + name);
}

/// The lines of a text, each without its CR LF.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace vid::testing
