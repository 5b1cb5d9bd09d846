// Runs the window logic the way the window does, on files laid out by the fixture writer, in a
// fresh temporary folder that serves as the input folder and the program folder at once. Tests
// read back the output text and the status texts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/shell.h"
#include "fixture_writer.h"
#include "test_ui.h"

namespace vid::testing {

inline std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return f ? std::string(std::istreambuf_iterator<char>(f), {}) : "(no file)";
}

/// The parts one after the other.
inline std::vector<uint8_t> Cat(const std::vector<std::vector<uint8_t>>& parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

/// Each line followed by CR LF (the opposite of SplitLines).
inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

/// The lines of a text, each without its CR LF (the opposite of JoinLines); a last part without
/// CR LF is left out.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

/// The names in `folder`.
inline std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

/// `text` with tabs, line ends and the bytes outside printable ASCII written as escapes.
inline std::string Shown(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c))
           : c == '\t'           ? "\\t"
           : c == '\r'           ? "\\r"
           : c == '\n'           ? "\\n"
                                 : hex;
  }
  return out;
}

/// Passes when `got` is `want` byte for byte; otherwise gives both sizes and the first line
/// (counted from 1) where they part, as each text has it.
inline ::testing::AssertionResult SameText(const std::string& got, const std::string& want) {
  if (got == want) return ::testing::AssertionSuccess();
  size_t at = 0, line = 1;
  for (size_t i = 0; i < got.size() && i < want.size() && got[i] == want[i]; ++i) {
    if (got[i] == '\n') at = i + 1, ++line;
  }
  auto line_of = [at](const std::string& text) {
    if (at >= text.size()) return std::string("(end of the text)");
    const size_t end = text.find('\n', at);
    return Shown(text.substr(at, end == std::string::npos ? end : end + 1 - at));
  };
  return ::testing::AssertionFailure()
         << "got " << got.size() << " bytes, want " << want.size() << "; first difference on line "
         << line << ":\n  got:  " << line_of(got) << "\n  want: " << line_of(want);
}

/// An environment variable set to `value` (unset for nullptr) until the end of the scope.
struct ScopedEnv {
  ScopedEnv(const char* name, const char* value) : name(name) {
    if (const char* was = std::getenv(name)) previous = was;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { previous ? ::setenv(name, previous->c_str(), 1) : ::unsetenv(name); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  const char* name;
  std::optional<std::string> previous;
};

inline std::string Repeat(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

struct Bench {
  Bench() {
    shell.Load("");
    shell.output_folder = shell.file_list.folder = dir.path();
    shell.options.copy_to_clipboard = false;
  }

  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    fx::WriteFile(dir.file(name), bytes);
  }
  void Write(const std::string& name, const fx::Bytes& bytes) { Write(name, bytes.bytes); }
  /// Make on `names`, selected in this order, the first as the current entry.
  MakeResult Make(const std::vector<std::string>& names) {
    shell.file_list.current = names.empty() ? "" : names.front();
    shell.file_list.selected = names;
    return shell.Make();
  }
  /// Writes `bytes` as `name`, selects it alone and runs Make.
  MakeResult Make(const fx::Bytes& bytes, const std::string& name = "d.pdb") {
    Write(name, bytes.bytes);
    return Make(std::vector<std::string>{name});
  }
  std::string Read(const std::string& name = "mv1.txt") const { return ReadText(dir.file(name)); }
  /// Load Header on `name`.
  void LoadHeader(const std::string& name) {
    shell.file_list.current = name;
    shell.file_list.selected = {name};
    shell.LoadHeader();
  }
  /// The click on `name` in the file list: its preview line.
  std::string Preview(const std::string& name) {
    shell.file_list.current = name;
    shell.file_list.selected = {name};
    shell.ClickFile();
    return ui.status;
  }

  fx::TempDir dir;
  TestUi ui;
  Shell shell{ui};
};

}  // namespace vid::testing
