// The Quendar sample times take the date and time separators of the regional settings (LC_TIME)
// or of the command line's options; no other output changes with them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "cli_runner.h"
#include "platform/number_format.h"

namespace vid::testing {
namespace {

TEST(RegionalTimes, SeparatorOfADateOrTimeFormat) {
  const std::pair<const char*, char> cases[] = {
      {"%d/%m/%Y", '/'}, {"%d.%m.%Y", '.'}, {"%Ey-%m-%d", '-'},        {"%D", '/'},    {"%T", ':'},
      {"%-H.%M", '.'},   {"%Y%m%d", '?'},   {"%Y\xE5\xB9\xB4%m", '?'}, {"%Hh%M", '?'}, {"%", '?'}};
  for (const auto& [format, sep] : cases) EXPECT_EQ(FormatSeparator(format, '?'), sep) << format;
}

// While LOCPATH is set, glibc's newlocale keeps the search list it builds from it: an allocation
// of the C library, which the sanitizer build is told to pass over.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:__argz_add_sep\n";
}

// Each row sets the time locale it needs (LC_ALL). The locale "dashes" (dates 2018-03-05, times
// 14.30.00) is built for the test, when the system has localedef.
TEST(RegionalTimes, SeparatorsOfTheUsersTimeLocale) {
  fx::TempDir dir;
  std::ofstream(dir.file("dashes.def"))
      << "LC_TIME\nd_fmt \"%Y-%m-%d\"\nt_fmt \"%H.%M.%S\"\nEND LC_TIME\n";
  const std::string build =
      "cd '" + dir.path() +
      "' && localedef -c -i dashes.def -f ANSI_X3.4-1968 ./dashes >/dev/null 2>&1";
  const bool built =
      std::system(build.c_str()) >= 0 && std::filesystem::exists(dir.file("dashes/LC_TIME"));
  const ScopedEnv path("LOCPATH", dir.path().c_str());
  const std::tuple<const char*, char, char> cases[] = {
      {"C", '/', ':'}, {"POSIX", '/', ':'}, {"xx_XX.nowhere", '/', ':'}, {"dashes", '-', '.'}};
  for (const auto& [locale, date, time] : cases) {
    if (!built && locale[0] == 'd') GTEST_SKIP() << "no locale could be built (localedef)";
    const ScopedEnv all("LC_ALL", locale);
    EXPECT_EQ(LocaleDateSeparator(), date) << locale;
    EXPECT_EQ(LocaleTimeSeparator(), time) << locale;
  }
}

TEST(RegionalTimes, OptionsSetTheQuendarTimesAndNothingElse) {
  fx::TempDir dir;
  for (const std::string sample : {"quendar_chambre.pdc", "atelier_nord.pdb"}) {
    const std::string convert = "convert " + SampleArg(sample) + " -o ";
    ASSERT_EQ(RunCli(dir, convert + "a.txt").code, 0);
    ASSERT_EQ(RunCli(dir, convert + "b.txt --date-separator - --time-separator .").code, 0);
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
