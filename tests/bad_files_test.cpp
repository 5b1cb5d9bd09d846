// A catalogue of damaged files: every sample cut at many offsets and with chosen fields
// overwritten by extreme values. Each case must end in one of two ways: the conversion completes
// (an output file, "Done..." or the logger's end text), or it stops with a status text, leaves no
// output file and keeps an earlier file of that name intact. Reads and writes outside the tables
// are caught by the sanitizer run of this suite.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "convert_helpers.h"
#include "fixture_writer.h"
#include "samples.h"

namespace vid {
namespace {

using testing::Bench;

constexpr char kEarlier[] = "earlier output";

struct Case {
  std::string label;
  fx::Bytes bytes;
};

// Converts `bytes` named `name` and checks that the outcome is one of the two allowed. A damaged
// dump may read as either kind, so both output names start with an earlier file.
void ExpectCleanOutcome(Bench& b, const Case& c, const std::string& name) {
  const std::vector<std::string> outputs = {"mv1.txt", "mini1.txt"};
  for (const std::string& o : outputs) {
    fx::WriteFile(b.dir.file(o), fx::Bytes().text(kEarlier, sizeof kEarlier - 1));
  }
  const MakeResult r = b.Make(c.bytes, name);
  ASSERT_FALSE(b.session.shell.Busy) << c.label;
  int written = 0;
  for (const std::string& o : outputs) {
    const std::string text = b.Output(o);
    if (text == kEarlier) continue;
    ++written;
    EXPECT_EQ(text.size() < 2 ? "" : text.substr(text.size() - 2), "\r\n") << c.label;
  }
  if (r == MakeResult::kDone) {
    EXPECT_EQ(written, 1) << c.label;
    EXPECT_FALSE(b.session.ctx.stopped) << c.label;
  } else if (r == MakeResult::kStopped) {
    EXPECT_FALSE(b.ui.status.empty()) << c.label;
    EXPECT_EQ(written, 0) << c.label;
  } else {
    ADD_FAILURE() << c.label << ": unexpected result " << static_cast<int>(r);
  }
}

std::vector<Case> Cuts(const fx::Bytes& whole, size_t step) {
  std::vector<Case> out;
  for (size_t n = 0; n < whole.size(); n += (n < 200 ? 1 : step)) {
    fx::Bytes b = whole;
    b.resize(n);
    out.push_back({"cut at " + std::to_string(n), b});
  }
  return out;
}

const fx::Bytes& SampleBytes(const std::string& name) {
  static const std::vector<fx::Sample> samples = fx::Samples();
  for (const fx::Sample& s : samples) {
    if (s.name == name) return s.bytes;
  }
  throw std::runtime_error("no sample " + name);
}

// Big-endian table entry k of a dump.
size_t Entry(size_t k) {
  return fx::DumpEntryOffset(k);
}

// Copies of one file, each with a change, and where its central record starts.
class Damaged {
 public:
  explicit Damaged(const fx::Bytes& whole) : whole_(whole) {}
  void add(const std::string& label, const std::function<void(fx::Bytes&)>& change) {
    fx::Bytes b = whole_;
    change(b);
    cases.push_back({label, b});
  }
  size_t central() const {
    const auto& b = whole_.bytes;
    return (size_t{b[Entry(1)]} << 24) | (b[Entry(1) + 1] << 16) | (b[Entry(1) + 2] << 8) |
           b[Entry(1) + 3];
  }
  std::vector<Case> cases;

 private:
  const fx::Bytes& whole_;
};

std::vector<Case> DumpFieldCases(const fx::Bytes& whole) {
  Damaged d(whole);
  auto add = [&d](const std::string& label, const std::function<void(fx::Bytes&)>& change) {
    d.add(label, change);
  };
  const size_t central = d.central();
  for (uint16_t count : {0, 1, 2, 3, 0x7FFF, 0xFFFF}) {
    add("entry count " + std::to_string(count), [&](fx::Bytes& b) { b.patch_be16(76, count); });
  }
  for (uint32_t addr : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    for (size_t k : {1, 2, 3, 4, 5}) {
      add("entry " + std::to_string(k) + " = " + std::to_string(addr),
          [&](fx::Bytes& b) { b.patch_be32(Entry(k), addr); });
    }
  }
  add("entries running backwards", [&](fx::Bytes& b) {
    for (size_t k = 1; k <= 8; ++k) b.patch_be32(Entry(k), static_cast<uint32_t>(9000 - 1000 * k));
  });
  for (uint32_t end : {0u, 1u, 11u, 12u, 1199999u, 1200000u, 1200001u, 0x7FFFFFFFu, 0x80000000u,
                       0xFFFFFFFFu, 0x01010101u}) {
    add("end address " + std::to_string(end),
        [&](fx::Bytes& b) { b.patch_be32(central + 20, end); });
  }
  for (uint8_t wrap : {1, 255}) {
    for (uint8_t type :
         {uint8_t{'f'}, uint8_t{'g'}, uint8_t{'r'}, uint8_t{'d'}, uint8_t{0}, uint8_t{0xFF}}) {
      add("wrapped, type " + std::to_string(type), [&](fx::Bytes& b) {
        b.patch_u8(central + 24, wrap);
        b.patch_u8(central + 27, type);
      });
    }
  }
  for (uint8_t modules : {0, 1, 3, 25, 26, 255}) {
    add("module count " + std::to_string(modules),
        [&](fx::Bytes& b) { b.patch_u8(central + 26, modules); });
  }
  add("module records 134 bytes apart, 30 of them", [&](fx::Bytes& b) {
    b.patch_be16(76, 40);
    for (size_t k = 2; k <= 40; ++k)
      b.patch_be32(Entry(k), static_cast<uint32_t>(central + 30 + 134 * (k - 2)));
  });
  return d.cases;
}

std::vector<Case> MiniFieldCases(const fx::Bytes& whole) {
  Damaged d(whole);
  auto add = [&d](const std::string& label, const std::function<void(fx::Bytes&)>& change) {
    d.add(label, change);
  };
  const size_t central = d.central();
  for (uint16_t page : {0, 1, 2047, 2048, 0x7FFF, 0x8000, 0xFFFF}) {
    for (uint16_t offset : {0, 263, 0x7FFF, 0xFFFF}) {
      add("page " + std::to_string(page) + " offset " + std::to_string(offset), [&](fx::Bytes& b) {
        b.patch_be16(central + 24, page);
        b.patch_be16(central + 26, offset);
      });
    }
  }
  for (uint16_t wrap : {0x0001, 0x0100, 0x8000, 0xFFFF}) {
    add("wrap word " + std::to_string(wrap),
        [&](fx::Bytes& b) { b.patch_be16(central + 28, wrap); });
  }
  for (uint16_t mult : {0, 1, 0x7FFF, 0x8000, 0xFFFF}) {
    for (uint16_t div : {0, 1, 0x7FFF, 0x8000, 0xFFFF}) {
      add("scale " + std::to_string(mult) + "/" + std::to_string(div), [&](fx::Bytes& b) {
        b.patch_be16(central + 32, mult);
        b.patch_be16(central + 34, div);
      });
    }
  }
  for (uint32_t addr : {0u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    add("block entry " + std::to_string(addr), [&](fx::Bytes& b) { b.patch_be32(Entry(2), addr); });
  }
  return d.cases;
}

TEST(BadFiles, ConcentratorSampleCutAnywhere) {
  Bench b;
  for (const Case& c : Cuts(SampleBytes("atelier_nord.pdb"), 61)) {
    ExpectCleanOutcome(b, c, "d.pdb");
  }
}

TEST(BadFiles, ConcentratorSampleWithExtremeFields) {
  Bench b;
  for (const Case& c : DumpFieldCases(SampleBytes("atelier_nord.pdb"))) {
    ExpectCleanOutcome(b, c, "d.pdb");
  }
}

TEST(BadFiles, MiniSampleCutAnywhere) {
  Bench b;
  for (const Case& c : Cuts(SampleBytes("mini_site.pdb"), 37)) {
    ExpectCleanOutcome(b, c, "m.pdb");
  }
}

TEST(BadFiles, MiniSampleWithExtremeFields) {
  Bench b;
  for (const Case& c : MiniFieldCases(SampleBytes("mini_site.pdb"))) {
    ExpectCleanOutcome(b, c, "m.pdb");
  }
}

TEST(BadFiles, KnownStopsLeaveNoOutput) {
  const fx::Bytes& whole = SampleBytes("atelier_nord.pdb");
  for (const Case& c : DumpFieldCases(whole)) {
    // A stored count of 26 is corrected from the record distances; 30 records at module
    // distance are not.
    const bool must_stop =
        c.label == "end address 1200001" || c.label == "module records 134 bytes apart, 30 of them";
    if (!must_stop) continue;
    Bench b;
    fx::WriteFile(b.dir.file("mv1.txt"), fx::Bytes().text(kEarlier, sizeof kEarlier - 1));
    EXPECT_EQ(b.Make(c.bytes), MakeResult::kStopped) << c.label;
    EXPECT_TRUE(b.Output() == kEarlier) << c.label;
  }
}

TEST(BadFiles, FolderInPlaceOfADumpIsNotOpened) {
  Bench b;
  ASSERT_EQ(::mkdir(b.dir.file("folder.pdb").c_str(), 0755), 0);
  b.form.File1.file_name = "folder.pdb";
  EXPECT_EQ(b.form.BMake_Click(), MakeResult::kNoInput);
  b.form.File1_Click();
  EXPECT_FALSE(b.form.Text1.empty());
}

}  // namespace
}  // namespace vid
