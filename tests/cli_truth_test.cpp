// The command line tells the truth: each case's exit code, the message it prints and the file it
// leaves. Reports come after the input's name and count apart in a batch; --strict stops on
// them; the output's name decides the format; contradictions exit 2 naming both options;
// messages say what to do; -q, '-' for standard input; the two-name form never writes beside
// an installed program.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "cli_runner.h"

namespace vid::testing {
namespace {

namespace fs = std::filesystem;

// A dump of 12000 rows without a date (converted with --no-date-check): 1.3 MB of text.
fx::Bytes LongDump() {
  const uint32_t n = 12 * 12000;
  return fx::BuildDump({.end_addr = n, .type = 'f'}, std::vector<fx::DumpModule>(6),
                       {.columns = std::vector<std::vector<uint8_t>>(7, std::vector<uint8_t>(n))})
      .bytes;
}

struct TruthCase {
  std::string args;
  int code;
  std::string said;        // a part of standard output and error; empty: nothing at all
  std::string file = "";   // a file to check afterwards ...
  std::string start = "";  // ... and how it starts ("old": left as it was; "-": not there)
};

TEST(CliTruth, ExitCodesMessagesAndFilesOfEachCase) {
  fx::TempDir dir;
  for (const auto& [from, to] : {std::pair{"atelier_nord.pdb", "a.pdb"},
                                 {"mini_site.pdb", "m.pdb"},
                                 {"quendar_chambre.pdc", "q.pdc"},
                                 {"entrepot_header.pdc", "H.pdc"},
                                 {"entrepot_01.pdc", "e1.pdc"}})
    fs::copy_file(std::string(VIDURAVARE_SAMPLES "/") + from, dir.file(to));
  const std::string atelier = ReadText(dir.file("a.pdb"));
  fx::WriteFile(dir.file("cut.pdb"), std::vector<uint8_t>(atelier.begin(), atelier.begin() + 3000));
  fx::WriteFile(dir.file("six.pdb"), fx::Bytes().text("hello\n", 6));
  fx::WriteFile(dir.file("empty.pdb"), fx::Bytes());
  fx::WriteFile(dir.file("big.pdb"), StoppingDump());
  fx::WriteFile(dir.file("long.pdb"), LongDump());
  fx::WriteFile(dir.file("old.txt"), fx::Bytes().text("old", 3));
  const std::string cut = "cut.pdb: Error detected in file : Missing data\n";
  const std::string none = ": No records found, nothing converted\n";
  const std::string a = " a.pdb", d = " --output-dir d", txt = " -o x.txt";
  // After the runner's own call (--version), the program again (its output caught in the same
  // files) with writes beyond `kib` KiB
  // failing: a write error at the end (8 KiB), or on the way (256 KiB of a 1.3 MB text).
  auto limited = [](const char* kib, const std::string& args) {
    return "--version >/dev/null; LC_ALL=C bash -c \"trap '' XFSZ; ulimit -f " + std::string(kib) +
           "; exec '" VIDURAVARE_CLI "' " + args + "\" >stdout 2>stderr";
  };

  const TruthCase cases[] = {
      // 1. Reports, after the input's name; an input without records is nothing to convert.
      {"convert cut.pdb -o cut.txt", 0, cut + "cut.pdb: Done...\n", "cut.txt", "00A1B2C3\t"},
      {"convert empty.pdb -o old.txt", 3, "Missing data\nempty.pdb" + none, "old.txt", "old"},
      {"convert six.pdb -o six.txt", 3, "six.pdb" + none, "six.txt", "-"},
      {"convert --strict cut.pdb -o old.txt", 1, cut, "old.txt", "old"},
      {"convert -j 2 a.pdb cut.pdb empty.pdb big.pdb" + d, 1,
       "1 converted, 1 with reports, 1 stopped, 1 with nothing to convert\nwith reports: " + cut +
           "nothing to convert: empty.pdb" + none + "stopped: big.pdb: Error in file : 26",
       "d/cut.txt", "00A1B2C3\t"},
      {"convert missing.pdb -o old.txt", 1, "missing.pdb: Cannot open missing.pdb : 2: No such"},
      {"convert big.pdb -o old.txt", 1, "big.pdb: Error in file : 26 modules", "old.txt", "old"},
      // 2. The format follows the output's name; --format may not contradict it.
      {"convert" + a + " -o book.xlsx", 0, "a.pdb: Done...\n", "book.xlsx", "PK"},
      {"convert --format xlsx" + a + txt, 2, "--format xlsx contradicts -o x.txt: a workbook"},
      {"convert --format txt" + a + " -o b.xlsx", 2, "--format txt contradicts -o b.xlsx"},
      {"convert --format xlsx" + a + d, 0, "1 converted", "d/a.xlsx", "PK"},
      {"convert --sn-name -o ." + a, 0, "Done...", "00A1B2C3.txt", "00A1B2C3\t"},
      {"convert --format csv" + a + txt, 2, "--format: csv not in"},
      // 3. Contradictions name both options.
      {"convert --decimal-separator ';' --delimiter ';'" + a + txt, 2, "';' is the --delimiter"},
      {"convert --decimal-separator '\t'" + a + txt, 2, "TAB is the cell delimiter (of the"},
      {"convert --time-separator '\n'" + a + txt, 2, "separator LF: a line end cannot stand"},
      {"convert -j 3" + a + txt, 2, "-j applies to --output-dir only"},
      {"convert --header H.pdc" + a + txt, 2, "H.pdc loads a logger header, but no input is a"},
      {"convert --encoding utf-8" + a + " -o x.xlsx", 2, "--encoding applies to text, not to the"},
      {"convert --format xlsx --dates iso" + a + d, 2, "--dates applies to text, not to the "},
      {"convert --format xlsx --delimiter ';'" + a + d, 2, "--delimiter applies to text"},
      {"convert --bom" + a + txt, 2, "--bom needs --encoding utf-8"},
      {"convert -o x.txt" + a + d, 2, "-o and --output-dir exclude each other"},
      {"convert --sn-name" + a + d, 2, "--sn-name and --output-dir exclude each other"},
      {"convert --sn-name -o -" + a, 2, "--sn-name names a file"},
      {"convert" + a + " x/a.pdb" + d, 2, "two inputs would both write d/a.txt"},
      // 4. Messages that say what to do.
      {"convert e1.pdc" + txt, 1,
       "e1.pdc: Please select a file with header first (give the "
       "header file with --header H.pdc)"},
      {"conver a.pdb -o x.txt", 2, "unknown command 'conver'; the commands are convert, preview"},
      {"convert -j abc" + a + d, 2, "-j takes the number of conversions at once, 1 to 1024, not"},
      {"convert -j 0" + a + d, 2, "-j takes the number"},
      {"", 2, "no command given"},
      {"convert" + a, 2, "convert needs -o OUTPUT or --output-dir DIR"},
      {"convert" + d, 2, "convert needs an input file"},
      {"convert --bogus" + a + txt, 2, "--bogus"},
      {"a.PDB b.txt", 2, "expected IN.pdb OUT.txt"},  // endings are exact
      {"preview a.pdb", 0, "Concentrator SN: 00A1B2C3 - Atelier Nord\n"},
      {"header H.pdc", 0, "Central SN: 20E1A7C5 - Header found 2 Modules\n"},
      {"header e1.pdc", 1, "Error in header file\n"},
      {"header a.pdb", 1, "Only applies to .pdc files\n"},
      {limited("8", "convert a.pdb -o w.txt"), 1,
       "a.pdb: Error writing the output file : 27: File "
       "too large\n",
       "w.txt", "-"},
      {limited("256", "convert long.pdb --no-date-check -o w.txt"), 1,
       "file, conversion stopped : 27: File too large\n", "w.txt", "-"},
      // 5. Quiet: reports and errors only; '-' reads standard input, named stdin.
      {"convert -q" + a + txt, 0, ""},
      {"convert -q cut.pdb -o x.txt", 0, cut},
      {"convert - -o stdin.txt < m.pdb", 0, "stdin: Done...\n", "stdin.txt", "Date\t"},
      {"convert - < q.pdc" + d, 0, "1 converted", "d/stdin.txt", "00051A2B\t"},
      {"convert - -o x.txt < /dev/null", 3, "stdin" + none},
  };
  for (const TruthCase& c : cases) {
    const Outcome r = RunCli(dir, c.args);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_TRUE(c.said.empty() ? r.err.empty() : (r.out + r.err).find(c.said) != std::string::npos)
        << c.args << "\n"
        << r.err;
    if (c.start == "-") {
      EXPECT_FALSE(fs::exists(dir.file(c.file))) << c.args;
    } else if (!c.file.empty()) {
      EXPECT_EQ(ReadText(dir.file(c.file)).substr(0, c.start.size()), c.start) << c.args;
    }
  }
  // 4. One usage and one list of options.
  const std::string help = RunCli(dir, "convert --help").out;
  for (const char* once : {"usage:", "-o, --output OUTPUT", "  --strict", "Exit status:"}) {
    EXPECT_NE(help.find(once), std::string::npos) << once;
    EXPECT_EQ(help.find(once), help.rfind(once)) << once;
  }
}

// 6. The two-name form writes beside the program only when it is no installed one, and takes an
// absolute output name as given.
TEST(CliTruth, TwoNameFormWritesBesideTheProgramOnlyOutsideTheSystemFolders) {
  fx::TempDir dir;
  auto run = [&](const std::string& folder, const std::string& out) {
    fs::create_directories(folder);
    fs::copy_file(VIDURAVARE_CLI, folder + "/viduravare", fs::copy_options::skip_existing);
    return RunCli(dir, "--version >/dev/null; LC_ALL=C '" + folder +
                           "/viduravare' '" VIDURAVARE_SAMPLES "/atelier_nord.pdb' " + out +
                           " >stdout 2>stderr");
  };
  EXPECT_EQ(run(dir.file("bin"), "two.txt").code, 0);
  EXPECT_TRUE(fs::exists(dir.file("bin/two.txt")));
  fs::create_directory(dir.file("abs"));
  EXPECT_EQ(run(dir.file("bin"), dir.file("abs/abs.txt")).code, 0);
  EXPECT_TRUE(fs::exists(dir.file("abs/abs.txt")));
  // A copy under /opt stands for the installed program (where the test may write there).
  std::string opt = "/opt/viduravare-test-XXXXXX";
  if (::access("/opt", W_OK) != 0 || ::mkdtemp(opt.data()) == nullptr) GTEST_SKIP() << "no /opt";
  const Outcome r = run(opt, "two.txt");
  fs::remove_all(opt);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, VIDURAVARE_SAMPLES
                       "/atelier_nord.pdb: Done...\nviduravare: The program lies in "
                       "the system folder " +
                       opt + ": the output is " + dir.file("two.txt") + "\n");
}

}  // namespace
}  // namespace vid::testing
