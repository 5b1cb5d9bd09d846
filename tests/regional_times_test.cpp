// The Quendar sample times take the date and time separators of the regional settings (LC_TIME)
// or of the command line's options; no other output changes with them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "harness.h"
#include "platform/number_format.h"

namespace vid::testing {
namespace {

int Cli(const std::string& args) {
  const int status =
      std::system(("LC_ALL=C '" VIDURAVARE_CLI "' " + args + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RegionalTimes, SeparatorOfADateOrTimeFormat) {
  for (const auto& [format, sep] : {std::pair<const char*, char>{"%d/%m/%Y", '/'},
                                    {"%d.%m.%Y", '.'},
                                    {"%Ey-%m-%d", '-'},
                                    {"%D", '/'},
                                    {"%T", ':'},
                                    {"%-H.%M", '.'},
                                    {"%Y%m%d", '?'},
                                    {"%Y\xE5\xB9\xB4%m", '?'},
                                    {"%Hh%M", '?'},
                                    {"%", '?'}}) {
    EXPECT_EQ(FormatSeparator(format, '?'), sep) << format;
  }
  EXPECT_EQ(LocaleDateSeparator(), '/');  // the tests run in the C locale
  EXPECT_EQ(LocaleTimeSeparator(), ':');
}

TEST(RegionalTimes, OptionsSetTheQuendarTimesAndNothingElse) {
  fx::TempDir dir;
  for (const std::string sample : {"quendar_chambre.pdc", "atelier_nord.pdb"}) {
    const std::string in = "'" VIDURAVARE_SAMPLES "/" + sample + "' -o '" + dir.path();
    ASSERT_EQ(Cli("convert " + in + "/a.txt'"), 0);
    ASSERT_EQ(Cli("convert " + in + "/b.txt' --date-separator - --time-separator ."), 0);
    std::string want = ReadText(dir.file("a.txt"));
    // From the third line on, every Quendar line starts with dd/mm/yy hh:mm:ss.
    for (size_t at = want.find("\r\ndate") + 2; sample[0] == 'q' && want.size() > at;) {
      at = want.find("\r\n", at) + 2;
      if (at < want.size()) want[at + 2] = want[at + 5] = '-', want[at + 11] = want[at + 14] = '.';
    }
    EXPECT_EQ(ReadText(dir.file("b.txt")), want) << sample;
  }
}

}  // namespace
}  // namespace vid::testing
