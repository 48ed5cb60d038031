#include "engine/time_key.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_names.h"
#include "engine/text.h"

namespace renamer {
namespace {

std::string Utf8(std::u16string_view text) { return EncodeFileName(text); }

TEST(MakeTimeKeyTest, CutsTheFieldsOfTimeTexts) {
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"2024-3-5 9:05:07", u"20240305090507"},
      {u"2024-3-15 9:05:07", u"20240315090507"},
      {u"2024-1-31 23:59:59", u"20240131235959"},
      {u"2024-10-5 9:05:07", u"20241005090507"},
      {u"2024-12-25 19:30:00", u"20241225193000"},
      {u"2024-11-30 0:00:01", u"20241130000001"},
      // Midnight has no time part: the time fields are zeros, so it sorts first.
      {u"2024-3-5", u"20240305000000"},
      {u"2024-3-15", u"20240315000000"},
      {u"2024-12-5", u"20241205000000"},
      {u"2024-12-25", u"20241225000000"},
  };
  for (const auto& [text, key] : cases) EXPECT_EQ(Utf8(MakeTimeKey(text)), Utf8(key)) << Utf8(text);
}

TEST(MakeTimeKeyTest, NeverFailsOnOddTexts) {
  const std::u16string_view odd[] = {u"", u" ", u"2024", u"2024-", u"x y", u"2024-3-5 ",
                                     u"99999-12-31 23:59:59", u"2024-3-5 1"};
  for (std::u16string_view text : odd) {
    EXPECT_LE(MakeTimeKey(text).size(), 14u) << Utf8(text);
  }
  EXPECT_EQ(Utf8(MakeTimeKey(u"")), "0000000");
}

TEST(MakeTimeKeyTest, MidnightSortsFirstInItsDay) {
  const std::u16string midnight = MakeTimeKey(u"2024-3-5");
  EXPECT_LT(midnight, MakeTimeKey(u"2024-3-5 0:00:01"));
  EXPECT_GT(midnight, MakeTimeKey(u"2024-3-4 23:59:59"));
  EXPECT_LT(MakeTimeKey(u"2024-1-31 23:59:59"), MakeTimeKey(u"2024-2-1 0:00:01"));
}

TEST(FormatTimeTextTest, DropsLeadingZerosAndTheTimeAtMidnight) {
  std::tm t{};
  t.tm_year = 124, t.tm_mon = 2, t.tm_mday = 5, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 7;
  EXPECT_EQ(Utf8(FormatTimeText(t)), "2024-3-5 9:05:07");
  t.tm_hour = 0, t.tm_min = 0, t.tm_sec = 0;
  EXPECT_EQ(Utf8(FormatTimeText(t)), "2024-3-5");
  t.tm_mon = 11, t.tm_mday = 25, t.tm_hour = 19, t.tm_min = 30;
  EXPECT_EQ(Utf8(FormatTimeText(t)), "2024-12-25 19:30:00");
}

TEST(TimeTextOfTest, UsesLocalTime) {
  // The test runs with TZ=UTC.
  EXPECT_EQ(Utf8(TimeTextOf(1709629507)), "2024-3-5 9:05:07");
  EXPECT_EQ(Utf8(TimeTextOf(1709596800)), "2024-3-5");
}

// The plain selection sort whose exchanges SortByTime must reproduce.
void QuadraticSelectionSort(std::vector<std::u16string>& keys, std::vector<std::u16string>& names) {
  const std::size_t n = keys.size();
  for (std::size_t a = 0; a + 1 < n; ++a) {
    std::size_t g = a;
    for (std::size_t b = a + 1; b < n; ++b) {
      if (keys[b] < keys[g]) g = b;
    }
    if (g != a) {
      std::swap(keys[a], keys[g]);
      std::swap(names[a], names[g]);
    }
  }
}

TEST(SortByTimeTest, KeepsTheOrderOfTheSelectionSortOnEqualKeys) {
  std::vector<std::u16string> keys = {u"20240101000002", u"20240101000002", u"20240101000001"};
  std::vector<std::u16string> names = {u"b1.jpg", u"b2.jpg", u"a.jpg"};
  SortByTime(keys, names);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a.jpg", u"b2.jpg", u"b1.jpg"}));
}

TEST(SortByTimeTest, LeavesSortedEmptyAndSingleListsAlone) {
  const std::vector<std::vector<std::u16string>> lists = {
      {}, {u"1"}, {u"1", u"2", u"3"}, {u"5", u"5", u"5", u"5"}};
  for (const auto& list : lists) {
    std::vector<std::u16string> keys = list;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < list.size(); ++i) names.push_back(DecimalText(static_cast<long long>(i)));
    const std::vector<std::u16string> before = names;
    SortByTime(keys, names);
    EXPECT_EQ(names, before);
    EXPECT_EQ(keys, list);
  }
}

TEST(SortByTimeTest, MatchesTheQuadraticSortOnRandomKeysWithTies) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 300; ++round) {
    const std::size_t n = random() % 70;
    const unsigned distinct = 1 + random() % 8;
    std::vector<std::u16string> keys;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < n; ++i) {
      keys.push_back(u"2024" + DecimalText(random() % distinct));
      names.push_back(DecimalText(static_cast<long long>(i)));
    }
    std::vector<std::u16string> expectedKeys = keys;
    std::vector<std::u16string> expectedNames = names;
    QuadraticSelectionSort(expectedKeys, expectedNames);
    SortByTime(keys, names);
    ASSERT_EQ(names, expectedNames) << "round " << round;
    ASSERT_EQ(keys, expectedKeys) << "round " << round;
  }
}

TEST(SortByTimeTest, MatchesTheQuadraticSortOnKeysThatAreNotAllDigits) {
  // Keys of unequal length or with other characters take the text comparison path.
  std::mt19937 random(99);
  const std::u16string_view pieces[] = {u"2024", u"2024-", u"20", u"202", u"-", u"2024-3"};
  for (int round = 0; round < 200; ++round) {
    std::vector<std::u16string> keys;
    std::vector<std::u16string> names;
    for (std::size_t i = 0, n = random() % 40; i < n; ++i) {
      keys.emplace_back(pieces[random() % std::size(pieces)]);
      names.push_back(DecimalText(static_cast<long long>(i)));
    }
    std::vector<std::u16string> expectedKeys = keys;
    std::vector<std::u16string> expectedNames = names;
    QuadraticSelectionSort(expectedKeys, expectedNames);
    SortByTime(keys, names);
    ASSERT_EQ(names, expectedNames) << "round " << round;
  }
}

TEST(SortByTimeTest, HandlesLargeListings) {
  std::mt19937 random(7);
  const std::size_t n = 5000;
  std::vector<std::u16string> keys;
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < n; ++i) {
    keys.push_back(DecimalText(1000 + random() % 500));
    names.push_back(DecimalText(static_cast<long long>(i)));
  }
  std::vector<std::u16string> expectedKeys = keys;
  std::vector<std::u16string> expectedNames = names;
  QuadraticSelectionSort(expectedKeys, expectedNames);
  SortByTime(keys, names);
  EXPECT_EQ(names, expectedNames);
}

// Keys that are not all digit texts of one length are ranked as texts, not as numbers:
// "9" sorts after "10", and "-" before the digits.
TEST(SortByTimeTest, RanksKeysOfMixedLengthsAndSignsAsTexts) {
  const std::vector<std::u16string> pool = {u"9", u"10", u"100", u"2024-3", u"20240", u"",
                                            u"1", u"-5", u"99999999999999999999"};
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::u16string> keys;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < 2 + random() % 40; ++i) {
      keys.push_back(pool[random() % pool.size()]);
      names.push_back(DecimalText(static_cast<long long>(i)));
    }
    std::vector<std::u16string> expectedKeys = keys;
    std::vector<std::u16string> expectedNames = names;
    QuadraticSelectionSort(expectedKeys, expectedNames);
    SortByTime(keys, names);
    ASSERT_EQ(keys, expectedKeys) << "round " << round;
    ASSERT_EQ(names, expectedNames) << "round " << round;
  }
}

}  // namespace
}  // namespace renamer
