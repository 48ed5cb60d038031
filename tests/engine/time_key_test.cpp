#include "engine/rules/time_key.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/rules/text.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::Utf8;

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
  const std::u16string_view odd[] = {
      u"", u" ", u"2024", u"2024-", u"x y", u"2024-3-5 ", u"99999-12-31 23:59:59", u"2024-3-5 1"};
  for (std::u16string_view text : odd) {
    EXPECT_LE(MakeTimeKey(text).size(), kMaxTimeKeyLength) << Utf8(text);
  }
  EXPECT_EQ(Utf8(MakeTimeKey(u"")), "0000000");
}

TEST(MakeTimeKeyTest, YearsOfMoreThanFourDigitsSortAfterAllOthers) {
  // In time order, each text after the one before it.
  const std::u16string_view ordered[] = {
      u"1901-1-1",          u"2024-3-5 9:05:07",     u"9999-12-31 23:59:59", u"10000-1-1",
      u"10000-1-1 0:00:01", u"10000-12-31 23:59:59", u"99999-1-1",           u"100000-1-1",
  };
  for (std::size_t i = 1; i < std::size(ordered); ++i) {
    EXPECT_LT(MakeTimeKey(ordered[i - 1]), MakeTimeKey(ordered[i]))
        << Utf8(ordered[i - 1]) << " / " << Utf8(ordered[i]);
  }
  EXPECT_EQ(Utf8(MakeTimeKey(TimeTextOf(253402300800))),
            "~51000001010000"
            "00");
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

// Ordinary times are written by hand and the others by snprintf; both must give the
// one format's text, also at and just past the edges of every field's range.
TEST(FormatTimeTextTest, AgreesWithTheFormatAtTheEdgesOfEveryField) {
  std::mt19937 random(9);
  auto pick = [&](std::initializer_list<int> values) {
    return *(values.begin() + random() % values.size());
  };
  for (int i = 0; i < 5000; ++i) {
    std::tm t{};
    t.tm_year = pick({-1901, -1900, -1, 0, 124, 8099, 8100, 99999});
    t.tm_mon = pick({-1, 0, 2, 9, 11, 12});
    t.tm_mday = pick({0, 1, 9, 10, 31, 32});
    t.tm_hour = pick({-1, 0, 9, 10, 23, 24});
    t.tm_min = pick({-1, 0, 5, 59, 60});
    t.tm_sec = pick({-1, 0, 7, 59, 60, 61});
    char expected[96];
    const long long year = t.tm_year + 1900LL;
    const long long month = t.tm_mon + 1LL;
    if (t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0) {
      std::snprintf(expected, sizeof expected, "%04lld-%lld-%d", year, month, t.tm_mday);
    } else {
      std::snprintf(expected, sizeof expected, "%04lld-%lld-%d %d:%02d:%02d", year, month,
                    t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    }
    ASSERT_EQ(Utf8(FormatTimeText(t)), expected);
  }
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
    SCOPED_TRACE(::testing::Message() << list.size() << " keys");
    std::vector<std::u16string> keys = list;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < list.size(); ++i)
      names.push_back(DecimalText(static_cast<long long>(i)));
    const std::vector<std::u16string> before = names;
    SortByTime(keys, names);
    EXPECT_EQ(names, before);
    EXPECT_EQ(keys, list);
  }
}

// Sorts `keys` (with their indices as names) both ways and compares the outcome.
::testing::AssertionResult SortsLikeTheSelectionSort(std::vector<std::u16string> keys) {
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < keys.size(); ++i)
    names.push_back(DecimalText(static_cast<long long>(i)));
  std::vector<std::u16string> expectedKeys = keys;
  std::vector<std::u16string> expectedNames = names;
  QuadraticSelectionSort(expectedKeys, expectedNames);
  SortByTime(keys, names);
  if (keys == expectedKeys && names == expectedNames) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << keys.size() << " keys end in another order";
}

TEST(SortByTimeTest, MatchesTheQuadraticSortOnRandomKeysWithTies) {
  // Digit keys of one length are ranked as numbers; keys of other lengths or with other
  // characters are ranked as texts ("9" after "10", "-" before the digits).
  const std::vector<std::u16string> digitPool = {u"20240", u"20241", u"20242", u"20243", u"20249"};
  const std::vector<std::u16string> textPool = {u"9",     u"10", u"100", u"2024-3",
                                                u"20240", u"",   u"-5",  u"99999999999999999999"};
  std::mt19937 random(20261208);
  for (const auto* pool : {&digitPool, &textPool}) {
    SCOPED_TRACE(pool == &digitPool ? "digit keys" : "text keys");
    for (int round = 0; round < 300; ++round) {
      const std::size_t distinct = 1 + random() % pool->size();
      std::vector<std::u16string> keys(random() % 70);
      for (std::u16string& key : keys) key = (*pool)[random() % distinct];
      ASSERT_TRUE(SortsLikeTheSelectionSort(keys)) << "round " << round;
    }
  }
}

TEST(SortByTimeTest, HandlesLargeListings) {
  std::mt19937 random(7);
  std::vector<std::u16string> keys(5000);
  for (std::u16string& key : keys) key = DecimalText(1000 + random() % 500);
  EXPECT_TRUE(SortsLikeTheSelectionSort(keys));
}

}  // namespace
}  // namespace renamer
