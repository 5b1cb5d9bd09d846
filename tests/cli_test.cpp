// The command-line program, run as a separate process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "convert_helpers.h"
#include "fixture_writer.h"

namespace vid {
namespace {

using testing::Exists;
using testing::ReadText;

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  // Runs `program args` with stdout and stderr captured.
  Outcome Exec(const std::string& args, const std::string& program = VIDURAVARE_CLI) {
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    const std::string cmd =
        "LC_ALL=C '" + program + "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
  }
  std::string Sample() const { return std::string(VIDURAVARE_SAMPLES) + "/atelier_nord.pdb"; }

  fx::TempDir dir;
};

TEST_F(CliTest, HelpAndUsageErrors) {
  Outcome r = Exec("--help");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("convert INPUT... -o OUTPUT"), std::string::npos);
  EXPECT_EQ(Exec("").code, 2);
  EXPECT_EQ(Exec("convert '" + Sample() + "'").code, 2);     // no -o
  EXPECT_EQ(Exec("convert '" + Sample() + "' -o").code, 2);  // -o without value
  EXPECT_EQ(Exec("convert --bogus '" + Sample() + "' -o x.txt").code, 2);
  EXPECT_EQ(Exec("a.pdb").code, 2);           // one name alone
  EXPECT_EQ(Exec("a.PDB b.txt").code, 2);     // endings are exact
  EXPECT_EQ(Exec("'a.pdb  b.txt'").code, 2);  // two blanks: empty item
}

TEST_F(CliTest, ConvertWritesTheTextAndReportsOnStderr) {
  const std::string out = dir.file("out.txt");
  Outcome r = Exec("convert '" + Sample() + "' -o '" + out + "'");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("...Processing..."), std::string::npos);
  EXPECT_NE(r.err.find("Done..."), std::string::npos);
  EXPECT_EQ(r.err.find('%'), std::string::npos);  // no progress outside a terminal
  const std::string text = ReadText(out);
  EXPECT_EQ(text.substr(0, 9), "00A1B2C3\t");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 146);
}

TEST_F(CliTest, DecimalSeparatorAndDateCheckOptions) {
  const std::string dot = dir.file("dot.txt"), comma = dir.file("comma.txt");
  ASSERT_EQ(Exec("convert '" + Sample() + "' -o '" + dot + "'").code, 0);
  ASSERT_EQ(
      Exec("convert '" + Sample() + "' -o '" + comma + "' --decimal-separator , --no-date-check")
          .code,
      0);
  std::string want = ReadText(dot);
  for (size_t i = want.find("\r\nAtelier"); (i = want.find('.', i + 1)) != std::string::npos;) {
    want[i] = ',';
  }
  EXPECT_EQ(ReadText(comma), want);
}

TEST_F(CliTest, SerialNumberNameGoesIntoTheOutputFolder) {
  Outcome r = Exec("convert '" + Sample() + "' --sn-name -o '" + dir.path() + "'");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Exists(dir.file("00A1B2C3.txt")));
}

TEST_F(CliTest, FailedConversionExitsOneAndKeepsTheEarlierFile) {
  const std::string out = dir.file("out.txt");
  fx::WriteFile(out, fx::Bytes().text("earlier", 7));
  EXPECT_EQ(Exec("convert '" + dir.file("missing.pdb") + "' -o '" + out + "'").code, 1);
  fx::DumpLayout layout;
  layout.columns = {std::vector<uint8_t>(12, 0)};
  fx::WriteFile(
      dir.file("big.pdb"),
      fx::BuildDump({.end_addr = 12, .type = 'f'}, std::vector<fx::DumpModule>(26), layout).bytes);
  Outcome r = Exec("convert '" + dir.file("big.pdb") + "' -o '" + out + "'");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("26 modules"), std::string::npos) << r.err;
  EXPECT_EQ(ReadText(out), "earlier");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos);
  }
}

TEST_F(CliTest, TwoNameFormWritesIntoTheProgramFolder) {
  const std::string bin = dir.file("bin");
  std::filesystem::create_directory(bin);
  std::filesystem::copy_file(VIDURAVARE_CLI, bin + "/viduravare");
  std::filesystem::copy_file(Sample(), dir.file("site.pdb"));
  const std::string cmd = "cd '" + dir.path() + "' && ./bin/viduravare site.pdb result.txt";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_TRUE(Exists(bin + "/result.txt"));
  EXPECT_FALSE(Exists(dir.file("result.txt")));
  EXPECT_EQ(ReadText(bin + "/result.txt").substr(0, 9), "00A1B2C3\t");
}

TEST_F(CliTest, PreviewPrintsTheHeaderLine) {
  Outcome r = Exec("preview '" + Sample() + "'");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "Concentrator SN: 00A1B2C3 - Atelier Nord\n");
  EXPECT_EQ(Exec("preview '" + dir.file("none.pdb") + "'").code, 1);
}

}  // namespace
}  // namespace vid
