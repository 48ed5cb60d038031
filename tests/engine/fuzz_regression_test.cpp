// Inputs the fuzz targets once broke, kept as ordinary tests so that the plain and the
// sanitizer builds both check them on every run.

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>

#include "engine/disk/file_names.h"
#include "engine/rules/time_key.h"

namespace renamer {
namespace {

std::tm Fields(int year, int month, int day, int hour, int minute, int second) {
  std::tm fields{};
  fields.tm_year = year;
  fields.tm_mon = month;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  return fields;
}

// The widest fields once made a time text longer than its buffer, and read past it.
TEST(FuzzRegressionTest, TimeTextOfExtremeFieldsIsWrittenInFull) {
  struct {
    std::tm fields;
    std::string text;
  } cases[] = {
      {Fields(INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN),
       "-2147481748--2147483647--2147483648 -2147483648:-2147483648:-2147483648"},
      {Fields(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX),
       "2147485547-2147483648-2147483647 2147483647:2147483647:2147483647"},
      {Fields(INT_MAX, INT_MAX, INT_MAX, 0, 0, 0), "2147485547-2147483648-2147483647"},
      {Fields(124, 2, 5, 9, 5, 7), "2024-3-5 9:05:07"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::u16string text = FormatTimeText(c.fields);
    EXPECT_EQ(EncodeFileName(text), c.text);
    EXPECT_LE(MakeTimeKey(text).size(), kMaxTimeKeyLength);
  }
}

}  // namespace
}  // namespace renamer
