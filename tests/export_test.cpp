// The text styles, the cells of a workbook and the line splitting of a styled output.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "convert/output.h"
#include "convert/text_style.h"
#include "convert/xlsx_sheet.h"
#include "fixture_writer.h"

namespace vid {
namespace {

TEST(StampTest, OnlyRealDatesAndTimesOfDayAreValid) {
  for (const char* cell : {"29/02/20 23:59:59", "01/01/30 00:00:00", "31/12/29 12:00:00"}) {
    EXPECT_TRUE(IsValidStamp(ParseStamp(cell).value())) << cell;
  }
  for (const char* cell : {"29/02/21 12:00:00", "00/00/00 00:00:00", "05/13/18 00:00:00",
                           "31/04/18 00:00:00", "05/03/18 24:00:00", "05/03/18 12:60:00"}) {
    EXPECT_FALSE(IsValidStamp(ParseStamp(cell).value())) << cell;
  }
  for (const char* cell : {"5/03/18 14:30:00", "05/03/18T14:30:00", "05/03/18 14:30:00 "}) {
    EXPECT_FALSE(ParseStamp(cell)) << cell;
  }
}

// What the samples do not hold; OutputOptionsTest applies each style to their whole texts.
TEST(RewriteLineTest, EachStyleChangesOnlyWhatItNames) {
  TextStyle utf8, iso, semicolon, comma;
  utf8.encoding = Encoding::kUtf8;
  iso.dates = DateStyle::kIso;
  semicolon.delimiter = ';';
  comma.delimiter = ',';
  // The line, its index in the text, the style and the line written.
  const std::tuple<const char*, size_t, const TextStyle&, const char*> cases[] = {
      // Every byte of the code page, the free ones included, becomes its character.
      {"date\t\xB0\t\x80\t\x81\t\x9F\t\xFF", 1, utf8,
       "date\t\xC2\xB0\t\xE2\x82\xAC\t\xC2\x81\t\xC5\xB8\t\xC3\xBF"},
      // Dates are rewritten in the first cell of the rows only.
      {"05/03/18 14:30:00\t05/03/18 14:30:00", 2, iso, "2018-03-05 14:30:00\t05/03/18 14:30:00"},
      {"31/12/29 23:59:59", 3, iso, "2029-12-31 23:59:59"},
      {"01.01.30 00h00m00\t", 3, iso, "2030-01-01 00:00:00\t"},  // every year is 20xx
      {"05/03/18 14:30:00\tx", 1, iso, "05/03/18 14:30:00\tx"},
      {"00/00/00 00:00:00\t1", 9, iso, "2000-00-00 00:00:00\t1"},
      // Another delimiter: the empty cell at the end stays, cells that need it are quoted.
      {"a;b\tsay \"hi\"\tplain", 1, semicolon, "\"a;b\";\"say \"\"hi\"\"\";plain"},
      {"a;b\t", 1, comma, "a;b,"},
      {"line\nbreak\tx", 1, comma, "\"line\nbreak\",x"},
  };
  std::string out;
  for (const auto& [line, index, style, want] : cases) {
    RewriteLine(line, index, style, out);
    EXPECT_EQ(out, want) << line;
  }
}

TEST(XlsxCellTest, NumbersAreTheConvertersPatternsOnly) {
  // The cell, the decimal separator, whether it is a number, its value and decimals.
  const std::tuple<const char*, char, bool, double, int> cases[] = {
      {"0", '.', true, 0, 0},         {"-2.5", '.', true, -2.5, 1}, {"2,607", ',', true, 2.607, 3},
      {"0.00", '.', true, 0, 2},      {"2.607", ',', false, 0, 0},  {"007", '.', false, 0, 0},
      {"0012D687", '.', false, 0, 0}, {"", '.', false, 0, 0},       {"1.", '.', false, 0, 0},
      {".5", '.', false, 0, 0},       {"1e5", '.', false, 0, 0},    {"-", '.', false, 0, 0},
  };
  for (const auto& [cell, sep, number, want_value, want_decimals] : cases) {
    double value = 0;
    int decimals = 0;
    ASSERT_EQ(ParseNumberCell(cell, sep, &value, &decimals), number) << cell;
    EXPECT_TRUE(!number || (value == want_value && decimals == want_decimals)) << cell;
  }
}

TEST(XlsxCellTest, SheetNameIsTheCentralNameOrTheSerialNumber) {
  // The central unit's name, the serial number and the sheet's name.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"Atelier Nord    ", "00A1B2C3", "Atelier Nord"},
      {"                ", "20E1A7C5", "20E1A7C5"},
      {"'a/b[c]:*?\\d'", "1", "a_b_c_____d"},
      {"\xC9tuve \xB0", "1", "\xC3\x89tuve \xC2\xB0"},
      {"Hall \x01 12345678901234567890123456789", "1", "Hall _ 123456789012345678901234"},
  };
  for (const auto& [central, serial, want] : cases) {
    EXPECT_EQ(SheetName(central, serial), want) << central;
  }
}

TEST(StyledOutputTest, LinesAreSplitAtCrLfOnlyAcrossWrites) {
  // A CR LF split between two writes, a line cut in the middle, a last line without its end.
  OutputStyle style;
  style.text.delimiter = ';';
  Output out({TargetKind::kMemory, ""}, style, Options{}, {});
  ASSERT_TRUE(out.Start({}, nullptr));
  for (const char* part : {"a\tb\r", "\nc\td", "\te\r\n\r\n", "last"}) out.Write(part);
  ASSERT_TRUE(out.Commit(nullptr));
  EXPECT_EQ(out.TakeText(), "a;b\r\nc;d;e\r\n\r\nlast\r\n");
}

}  // namespace
}  // namespace vid
