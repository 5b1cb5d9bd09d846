// Logger files and what a Make leaves: a selection of one logger file is a selection, and a
// header that failed is withdrawn (partial blocks: block_length_test).
#include <gtest/gtest.h>

#include "harness.h"
#include "logger_records.h"

namespace vid::testing {
namespace {

const std::vector<uint8_t> kRecord =
    Page(kCentralPage, 0, fx::CentralRecord(fx::BcdStamp(18, 3, 5, 14, 30, 0), {0, 0, 0}, 0));
// Two pages, the second beyond the channel table.
const std::vector<uint8_t> kBeyondTable =
    Cat({Page(kCentralPage, 0, {1}), Page(kCentralPage, 1200000, {1})});

TEST(Selection, CentralRecordWithModulesMissingIsAHeaderExceptOnTheCommandLine) {
  Bench run;
  run.Write("none.pdc", Cat({Central(1), kRecord}));
  run.Write("short.pdc", Cat({Central(2), Module(), kRecord}));
  for (const char* name : {"none.pdc", "short.pdc"}) {
    EXPECT_EQ(run.Make({name}), MakeResult::kDone) << name << ": " << run.ui.statuses.back();
    EXPECT_NE(run.Read().find("\r\n05/03/18 14:30:00\t"), std::string::npos) << name;
  }
  for (const char* name : {"none.pdc", "short.pdc"}) {  // the command line's one file
    run.shell.Load(run.dir.file(name) + " cmd.txt");
    EXPECT_EQ(run.ui.status, "Please select a file with header first") << name;
  }
}

TEST(Selection, HeaderOfAStoppedReadingIsWithdrawnButAnEarlierOneStays) {
  Bench run;
  std::vector<std::vector<uint8_t>> too_many = {Central(1)};
  too_many.insert(too_many.end(), 26, Module());  // complete after one, stopped at the 26th
  run.Write("H26.pdc", Cat(too_many));
  run.Write("HX.pdc", Cat({Central(1), Module(), kBeyondTable}));
  run.Write("H.pdc", Cat({Central(1), Module()}));
  run.Write("X.pdc", Cat({kBeyondTable}));

  run.LoadHeader("H26.pdc");
  EXPECT_EQ(run.ui.status, "Error in file : more than 25 modules, reading stopped");
  EXPECT_FALSE(run.shell.HeaderLoaded());
  for (const char* name : {"H26.pdc", "HX.pdc"}) {
    EXPECT_EQ(run.Make({name}), MakeResult::kStopped);
    EXPECT_FALSE(run.shell.HeaderLoaded()) << name;
  }
  run.LoadHeader("H.pdc");
  EXPECT_EQ(run.Make({"X.pdc"}), MakeResult::kStopped);
  EXPECT_TRUE(run.shell.HeaderLoaded());
}

}  // namespace
}  // namespace vid::testing
