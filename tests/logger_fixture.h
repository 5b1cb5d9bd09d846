// Shared by the logger tests: a session with its window logic over a temporary folder that holds
// the logger files of a test, and the records most tests need.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/form1.h"
#include "app/session.h"
#include "fixture_writer.h"
#include "test_ui.h"

namespace vid::testing {

/// Concatenates records into one file image.
inline fx::Bytes Records(const std::vector<std::vector<uint8_t>>& records) {
  fx::Bytes b;
  for (const auto& r : records) b.raw(r);
  return b;
}

/// A session whose file list shows a temporary folder; output goes to the same folder.
struct LoggerRun {
  LoggerRun() {
    form.Form_Load("");
    form.ProgramFolder = dir.path();
    s.ctx.opts.copyclip = false;
    s.ctx.opts.decimal_sep = '.';
  }

  void Write(const std::string& name, const fx::Bytes& bytes) {
    ASSERT_TRUE(fx::WriteFile(dir.file(name), bytes));
  }

  /// Make on the files `names`, selected in this order; the first is the current entry.
  MakeResult Make(const std::vector<std::string>& names) {
    form.File1.folder = dir.path();
    form.File1.file_name = names.empty() ? "" : names.front();
    form.File1.selected = names;
    return form.BMake_Click();
  }

  /// Load Header on `name`.
  void LoadHeader(const std::string& name) {
    form.File1.folder = dir.path();
    form.File1.file_name = name;
    form.File1.selected = {name};
    form.BHeader_Click();
  }

  /// The preview line of `name`.
  std::string Preview(const std::string& name) {
    form.File1.folder = dir.path();
    form.File1.file_name = name;
    form.File1.selected = {name};
    form.File1_Click();
    return ui.status;
  }

  bool Exists(const std::string& name) const { return std::ifstream(dir.file(name)).good(); }

  std::string Read(const std::string& name = "mv1.txt") const {
    std::ifstream f(dir.file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  bool Saw(const std::string& status) const {
    for (const std::string& t : ui.statuses) {
      if (t == status) return true;
    }
    return false;
  }

  fx::TempDir dir;
  TestUi ui;
  Session s{ui};
  Form1 form{s};
};

/// A bare record head (marker, length 0, type) with nothing behind it.
inline std::vector<uint8_t> Head(uint16_t marker, uint16_t type) {
  return fx::Bytes().be16(marker).le16(0).be16(type).bytes;
}

/// A page record (type 16, or 18) holding `data`.
inline std::vector<uint8_t> Page(uint32_t sn, uint32_t addr, const std::vector<uint8_t>& data,
                                 uint16_t type = fx::kPdcPage) {
  return fx::PdcRecord(fx::kPdcSection, type, fx::PdcPagePayload(sn, addr, data));
}

/// A block record; `length` is the length word as stored.
inline std::vector<uint8_t> Block(uint8_t n, uint8_t w, uint16_t format,
                                  const std::vector<uint8_t>& blocks, uint16_t length) {
  return fx::PdcRecord(fx::kPdcBlockSection, fx::kPdcPage,
                       fx::PdcBlockPayload(n, w, format, blocks), length);
}

/// The length word of a block record with time stamps and a format other than 3: bit 15 set
/// over the payload size (12 bytes of fields and the blocks).
inline uint16_t FlaggedLength(const std::vector<uint8_t>& blocks) {
  return static_cast<uint16_t>(0x8000 | (12 + blocks.size()));
}
/// The plain length word: the payload size.
inline uint16_t PlainLength(const std::vector<uint8_t>& blocks) {
  return static_cast<uint16_t>(12 + blocks.size());
}

/// Lines joined with CR LF after each.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

}  // namespace vid::testing
