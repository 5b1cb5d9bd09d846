// Logger files and what a Make leaves: a selection of one logger file is a selection, a header
// that failed is withdrawn, and a partial block is passed over so that the next record is read
// in step.
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

TEST(Selection, PartialLastBlockIsPassedOverAndTheNextRecordIsReadInStep) {
  // Blocks of a 6-byte time stamp and one word of one module; two whole ones and 5 bytes.
  const std::vector<uint8_t> partial =
      fx::Bytes().fill(6, 0).le16(11).fill(6, 0).le16(22).fill(5, 0).bytes;
  const std::vector<uint8_t> next = fx::Bytes().fill(6, 0).le16(33).bytes;
  for (const uint16_t format : {3, 0}) {
    Bench run;
    run.Write("B.pdc", Cat({Block(1, 1, format, partial, format != 3),
                            Block(1, 1, format, next, format != 3)}));
    ASSERT_EQ(run.Make({"B.pdc"}), MakeResult::kDone) << format;
    // The three whole blocks' words, in order, as the format writes them, and nothing behind.
    const std::string energy_header =
        "00000000\tDiff1\tDiff2\tIinst\tindex1\tindex1\tindex1\tindex2\tindex2\tindex2\r\n" +
        std::string(16, ' ') + "\tWh\tWh\tA\tMWh\tkWh\tWh\tMWh\tkWh\tWh\r\n";
    const std::string sensor_header = "00000000\t\r\n" + std::string(16, ' ') + "\t\r\n";
    const std::vector<std::string> cells =
        format == 3 ? std::vector<std::string>{"11.0", "22.0", "33.0"}
                    : std::vector<std::string>{"-1.6", "-1.2", "-0.8"};  // humidity of the word
    std::string want = format == 3 ? energy_header : sensor_header;
    for (const std::string& cell : cells) want += "00/00/00 00:00:00\t" + cell + "\r\n";
    EXPECT_EQ(run.Read(), want) << format;
  }
}

}  // namespace
}  // namespace vid::testing
