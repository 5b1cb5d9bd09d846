// Runs Make the way the window does, on files laid out by the fixture writer, with the output
// going to a fresh temporary program folder.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "app/form1.h"
#include "app/session.h"
#include "fixture_writer.h"
#include "test_ui.h"

namespace vid::testing {

inline std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return "(no file)";
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline bool Exists(const std::string& path) {
  return std::ifstream(path).good();
}

/// A session, its window logic and a temporary folder that serves as input folder and program
/// folder at once.
struct Bench {
  Bench() : session(ui), form(session) {
    form.Form_Load("");
    form.ProgramFolder = dir.path();
    form.File1.folder = dir.path();
    session.ctx.opts.copyclip = false;
  }
  /// Writes `bytes` as `name` in the folder, selects it and runs Make.
  MakeResult Make(const fx::Bytes& bytes, const std::string& name = "d.pdb") {
    fx::WriteFile(dir.file(name), bytes);
    form.File1.file_name = name;
    form.File1.selected = {name};
    return form.BMake_Click();
  }
  std::string Output(const std::string& name = "mv1.txt") const { return ReadText(dir.file(name)); }

  fx::TempDir dir;
  TestUi ui;
  Session session;
  Form1 form;
};

}  // namespace vid::testing
