#include "engine/rules/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/disk/file_names.h"
#include "engine/disk/natural_order.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::Utf8;

TEST(TrimSpacesTest, RemovesOnlyPlainSpaces) {
  EXPECT_EQ(TrimSpaces(u"  a b  "), u"a b");
  EXPECT_EQ(TrimSpaces(u"\ta\t"), u"\ta\t");
  EXPECT_EQ(TrimSpaces(u"\u3000a"), u"\u3000a");  // ideographic space stays
  EXPECT_EQ(TrimSpaces(u"   "), u"");
}

TEST(CutTest, ClipsToTheText) {
  EXPECT_EQ(FirstUnits(u"abc", 5), u"abc");
  EXPECT_EQ(LastUnits(u"abc", 5), u"abc");
  EXPECT_EQ(LastUnits(u"abc", 2), u"bc");
  EXPECT_EQ(FirstUnits(u"abc", 0), u"");
}

TEST(ReplaceAllTest, ReplacesNonOverlappingOccurrencesFromTheStart) {
  EXPECT_EQ(ReplaceAll(u"aaaa", u"aa", u"b"), u"bb");
  EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(ReplaceAll(u"abc", u"b", u"bb"), u"abbc");
  EXPECT_EQ(ReplaceAll(u"Abc", u"a", u"x"), u"Abc");
}

TEST(FileNameCodingTest, DecodesUtf8AndEscapesEveryOtherByte) {
  EXPECT_EQ(DecodeFileName("photo.jpg"), u"photo.jpg");
  EXPECT_EQ(DecodeFileName("\xe7\x85\xa7\xe7\x89\x87"), u"照片");
  EXPECT_EQ(DecodeFileName("\xf0\x9f\x98\x80"), u"\U0001F600");
  EXPECT_EQ(DecodeFileName("a\xff"), u"a\xDCFF");
  EXPECT_EQ(DecodeFileName("\xc0\xaf"), u"\xDCC0\xDCAF");                      // overlong "/"
  EXPECT_EQ(DecodeFileName("\xed\xa0\x80"), u"\xDCED\xDCA0\xDC80");            // encoded surrogate
  EXPECT_EQ(DecodeFileName("\xe7\x85"), u"\xDCE7\xDC85");                      // cut short
  EXPECT_EQ(DecodeFileName("\xf4\x90\x80\x80"), u"\xDCF4\xDC90\xDC80\xDC80");  // > U+10FFFF
}

TEST(FileNameCodingTest, RoundTripsEveryByteString) {
  std::mt19937 random(42);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes(random() % 12, '\0');
    for (char& byte : bytes) {
      // Mostly high bytes, to hit many almost-valid sequences.
      byte = static_cast<char>(random() % 4 == 0 ? random() % 0x80 : 0x80 + random() % 0x80);
    }
    ASSERT_EQ(EncodeFileName(DecodeFileName(bytes)), bytes) << "round " << round;
  }
}

TEST(FileNameCodingTest, WritesStrayHighSurrogatesAsReplacement) {
  EXPECT_EQ(EncodeFileName(u"a\xD800"), "a\xef\xbf\xbd");
  EXPECT_EQ(EncodeFileName(u"\xDC10"), "\xef\xbf\xbd");
}

TEST(NaturalOrderTest, ComparesDigitRunsByValueAndIgnoresCase) {
  std::vector<std::u16string> names = {u"img10.jpg", u"IMG2.jpg",  u"img1.jpg", u"b",
                                       u"A",         u"img02.jpg", u"a",        u"Ärger",
                                       u"ärger2",    u"x0010",     u"x9"};
  SortNaturally(names);
  // "IMG2" and "img02" read alike; the tie goes by code units, capitals first.
  const std::vector<std::u16string> expected = {
      u"A",         u"a",  u"b",     u"img1.jpg", u"IMG2.jpg", u"img02.jpg",
      u"img10.jpg", u"x9", u"x0010", u"Ärger",    u"ärger2"};
  EXPECT_EQ(names, expected);
}

TEST(NaturalOrderTest, IsATotalOrder) {
  std::mt19937 random(3);
  const std::u16string alphabet = u"aA0123bB. _照";
  std::vector<std::u16string> names;
  for (int i = 0; i < 400; ++i) {
    std::u16string name;
    for (std::size_t k = random() % 6; k > 0; --k)
      name.push_back(alphabet[random() % alphabet.size()]);
    names.push_back(name);
  }
  for (const auto& a : names) {
    EXPECT_FALSE(NaturalLess(a, a));
    for (const auto& b : names) {
      if (a == b) continue;
      EXPECT_NE(NaturalLess(a, b), NaturalLess(b, a)) << Utf8(a) << " " << Utf8(b);
    }
  }
  std::vector<std::u16string> sorted = names;
  SortNaturally(sorted);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                             [](const auto& a, const auto& b) { return NaturalLess(a, b); }));
}

// SortNaturally sorts by keys built once per name; it must give exactly the order of
// NaturalLess, also next to the units just below "0" and above "9", for runs of
// zeros, and for letters that fold.
TEST(NaturalOrderTest, SortAgreesWithNaturalLess) {
  std::mt19937 random(11);
  const std::u16string alphabet = u"aA0009:/.-ΩωЖжЀѐ _中Ａｚ\xD83D\xDE00\x7F\x80";
  for (int round = 0; round < 50; ++round) {
    std::vector<std::u16string> names;
    for (int i = 0; i < 200; ++i) {
      std::u16string name;
      for (std::size_t k = random() % 12; k > 0; --k)
        name.push_back(alphabet[random() % alphabet.size()]);
      names.push_back(name);
    }
    std::vector<std::u16string> expected = names;
    std::sort(expected.begin(), expected.end(),
              [](const auto& a, const auto& b) { return NaturalLess(a, b); });
    const std::vector<std::u16string> unsorted = names;
    const std::vector<std::uint32_t> before = SortNaturally(names);
    ASSERT_EQ(names, expected) << "round " << round;
    ASSERT_EQ(before.size(), names.size());
    for (std::size_t k = 0; k < names.size(); ++k) ASSERT_EQ(unsorted[before[k]], names[k]);
  }
}

}  // namespace
}  // namespace renamer
