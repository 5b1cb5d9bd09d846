// The logger samples: they match their generator, the command line converts them, and no cut or
// damaged copy of them makes a conversion crash or hang.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "logger_fixture.h"
#include "samples.h"

namespace vid::testing {
namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string Sample(const std::string& name) {
  return std::string(VIDURAVARE_SAMPLES) + "/" + name;
}

struct Outcome {
  int rc = -1;
  std::string out;
};

// Runs the command line with `args`; stderr (the status texts) is dropped.
Outcome Cli(const std::string& args) {
  Outcome o;
  const std::string cmd = std::string(VIDURAVARE_CLI) + " " + args + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return o;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) o.out.append(buf, n);
  const int status = pclose(p);
  o.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

const std::vector<std::string> kLoggerSamples = {"entrepot_header.pdc", "entrepot_01.pdc",
                                                 "entrepot_02.pdc", "compteur_blocs.pdc",
                                                 "quendar_chambre.pdc"};

TEST(LoggerSamples, CommittedFilesMatchTheirGenerator) {
  size_t found = 0;
  for (const fx::Sample& s : fx::Samples()) {
    if (!s.name.ends_with(".pdc")) continue;
    ++found;
    EXPECT_EQ(ReadBytes(Sample(s.name)), s.bytes.bytes) << s.name;
  }
  EXPECT_EQ(found, kLoggerSamples.size());
}

TEST(LoggerCli, HeaderCommandPrintsWhatLoadHeaderFound) {
  Outcome o = Cli("header " + Sample("entrepot_header.pdc"));
  EXPECT_EQ(o.rc, 0);
  EXPECT_EQ(o.out, "Central SN: 20E1A7C5 - Header found 2 Modules\n");

  o = Cli("header " + Sample("entrepot_01.pdc"));
  EXPECT_EQ(o.rc, 1);
  EXPECT_EQ(o.out, "Error in header file\n");

  fx::TempDir dir;
  ASSERT_TRUE(fx::WriteFile(dir.file("H.PDC"), ReadBytes(Sample("entrepot_header.pdc"))));
  for (const std::string& name : {dir.file("H.PDC"), Sample("atelier_nord.pdb")}) {
    o = Cli("header " + name);
    EXPECT_EQ(o.rc, 1) << name;
    EXPECT_EQ(o.out, "Only applies to .pdc files\n") << name;
  }
}

TEST(LoggerCli, PreviewTellsHeaderFromDataFiles) {
  EXPECT_EQ(Cli("preview " + Sample("entrepot_header.pdc")).out,
            "Concentrator SN: 20E1A7C5 - Entrepot Sud This File has a Header\n");
  EXPECT_EQ(Cli("preview " + Sample("entrepot_02.pdc")).out,
            "Concentrator SN: 20E1A7C5 - data file, starting address: 66560\n");
}

TEST(LoggerCli, ConvertsTheSampleRecordings) {
  fx::TempDir dir;
  auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
      out.push_back(text.substr(at, end - at));
    }
    return out;
  };
  auto read = [&](const std::string& name) {
    const std::vector<uint8_t> b = ReadBytes(dir.file(name));
    return lines(std::string(b.begin(), b.end()));
  };

  EXPECT_EQ(
      Cli("convert --header " + Sample("entrepot_header.pdc") + " " + Sample("entrepot_01.pdc") +
          " " + Sample("entrepot_02.pdc") + " -o " + dir.file("hall.txt"))
          .rc,
      0);
  std::vector<std::string> hall = read("hall.txt");
  ASSERT_EQ(hall.size(), 2u + 144u);
  std::string line1 = "20E1A7C5\tVolts\tVolts\tVolts\t";
  for (int c = 0; c < 6; ++c) line1 += "00012346\t";
  for (int c = 0; c < 6; ++c) line1 += "00018003\t";
  EXPECT_EQ(hall[0], line1);
  EXPECT_EQ(hall[1], std::string(16, ' ') +
                         "\tPh 1\tPh 2\tPh 3\tI1\tI2\tI3\tIN\t\t\tTemp\tHumid\tCount\tPulses\t"
                         "Missing\tFreq\t");
  EXPECT_EQ(hall[2].substr(0, 18), "06/03/18 00:00:00\t");
  EXPECT_EQ(hall[145].substr(0, 18), "06/03/18 23:50:00\t");

  // Without the header the data files are refused and nothing is written.
  EXPECT_EQ(Cli("convert " + Sample("entrepot_01.pdc") + " " + Sample("entrepot_02.pdc") + " -o " +
                dir.file("none.txt"))
                .rc,
            1);
  EXPECT_TRUE(ReadBytes(dir.file("none.txt")).empty());

  // The other two samples: the block records and the Quendar records.
  EXPECT_EQ(Cli("convert " + Sample("compteur_blocs.pdc") + " -o " + dir.file("meter.txt")).rc, 0);
  EXPECT_EQ(read("meter.txt").size(), 2u + 24u);
  EXPECT_EQ(Cli("convert " + Sample("quendar_chambre.pdc") + " -o " + dir.file("room.txt")).rc, 0);
  const std::vector<std::string> room = read("room.txt");
  ASSERT_EQ(room.size(), 2u + 3 * 128u);
  EXPECT_EQ(room[385].substr(0, 18), "06/03/18 07:55:00\t");  // 383 x 5 minutes on
}

// Every cut of every logger sample, alone and behind the header, and copies with single bytes
// damaged: each Make ends (done or stopped) without a crash.
TEST(LoggerDamage, CutOrDamagedFilesNeverCrash) {
  LoggerRun run;
  std::vector<std::vector<uint8_t>> samples;
  for (const std::string& name : kLoggerSamples) samples.push_back(ReadBytes(Sample(name)));
  run.Write("entrepot_header.pdc", fx::Bytes(samples[0]));
  run.Write("entrepot_01.pdc", fx::Bytes(samples[1]));

  int made = 0;
  auto make = [&](const std::vector<uint8_t>& bytes) {
    run.Write("cut.pdc", fx::Bytes(bytes));
    const MakeResult r = run.Make({"cut.pdc"});
    EXPECT_TRUE(r == MakeResult::kDone || r == MakeResult::kStopped);
    const MakeResult m = run.Make({"entrepot_header.pdc", "cut.pdc", "entrepot_01.pdc"});
    EXPECT_TRUE(m == MakeResult::kDone || m == MakeResult::kStopped);
    made += 2;
  };
  for (const auto& bytes : samples) {
    for (size_t cut = 0; cut < bytes.size(); cut += 5) {
      make(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
    }
    for (size_t at = 0; at < bytes.size(); at += 11) {
      for (uint8_t v : {uint8_t{0x00}, uint8_t{0x80}, uint8_t{0xFF}}) {
        std::vector<uint8_t> damaged = bytes;
        damaged[at] = v;
        make(damaged);
      }
    }
  }
  EXPECT_GT(made, 1000);
}

}  // namespace
}  // namespace vid::testing
