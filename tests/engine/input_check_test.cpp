#include "engine/rules/input_check.h"

#include <gtest/gtest.h>

#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::Utf8;

TEST(CheckRunInputTest, ChecksTheDigitCountOfTheNumberingAndDeletionRules) {
  struct Case {
    std::u16string_view value;
    std::u16string_view message;
  };
  const Case cases[] = {
      {u"3", u""},
      {u" 3 ", u""},
      {u"3.0", u""},
      {u"10", u""},
      {u"0", u""},
      {u"-4", u""},
      {u"+2", u""},
      {u"1e1", u""},
      {u"30e-1", u""},
      {u".0", u""},
      {u"2.5", kNotIntegerMessage},
      {u"abc", kNotIntegerMessage},
      {u"", kNotIntegerMessage},
      {u"   ", kNotIntegerMessage},
      {u"1,000", kNotIntegerMessage},
      {u"3,0", kNotIntegerMessage},
      {u"1e", kNotIntegerMessage},
      {u"3x", kNotIntegerMessage},
      {u"0x10", kNotIntegerMessage},
      {u"40000", kNotIntegerMessage},
      {u"-40000", kNotIntegerMessage},
      {u"1e400", kNotIntegerMessage},
      {u"inf", kNotIntegerMessage},
      {u"３", kNotIntegerMessage},
      {u"\t3", kNotIntegerMessage},
      {u"11", kNumberTooLongMessage},
      {u"32767", kNumberTooLongMessage},
      {u"1e2", kNumberTooLongMessage},
  };
  for (std::u16string_view code : {u"ADDPRENO", u"ADDLSTNO", u"DELPREN", u"DELLSTN"}) {
    for (const Case& c : cases) {
      EXPECT_EQ(Utf8(CheckRunInput(code, c.value)), Utf8(c.message))
          << Utf8(code) << " with '" << Utf8(c.value) << "'";
    }
  }
}

TEST(CheckRunInputTest, WantsADotInFrontOfANewExtension) {
  EXPECT_EQ(Utf8(CheckRunInput(u"EXT", u"txt")), Utf8(kExtensionDotMessage));
  EXPECT_EQ(Utf8(CheckRunInput(u"EXT", u"")), Utf8(kExtensionDotMessage));
  EXPECT_EQ(Utf8(CheckRunInput(u"EXT", u"  ")), Utf8(kExtensionDotMessage));
  EXPECT_TRUE(CheckRunInput(u"EXT", u" .txt").empty());
  EXPECT_TRUE(CheckRunInput(u"EXT", u".").empty());
}

TEST(CheckRunInputTest, LetsTheOtherRulesRunWithAnything) {
  for (std::u16string_view code : {u"ADDPRE", u"ADDLST", u"SAMELEN", u"DEL", u"REP", u""}) {
    EXPECT_TRUE(CheckRunInput(code, u"").empty()) << Utf8(code);
    EXPECT_TRUE(CheckRunInput(code, u"abc").empty()) << Utf8(code);
  }
}

TEST(ReadNumericTest, ReadsTheGroupedTextUpToTheSeparator) {
  const auto grouped = ReadNumeric(u"1,000");
  ASSERT_TRUE(grouped);
  EXPECT_EQ(grouped->value, 1000);
  EXPECT_EQ(grouped->leadingValue, 1);
  const auto plain = ReadNumeric(u"-2.5e1");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->value, -25);
  EXPECT_EQ(plain->leadingValue, -25);
  EXPECT_FALSE(ReadNumeric(u",5"));
  EXPECT_FALSE(ReadNumeric(u"5,"));
  EXPECT_FALSE(ReadNumeric(u"."));
  EXPECT_FALSE(ReadNumeric(u"-"));
}

// Plain digit texts take a short cut; it must read them as the full parse does.
TEST(ReadNumericTest, ReadsPlainDigitsExactly) {
  const std::pair<std::u16string_view, double> cases[] = {{u"0", 0},
                                                          {u"007", 7},
                                                          {u" 42 ", 42},
                                                          {u"123456789012345", 123456789012345.0},
                                                          {u"1234567890123456", 1234567890123456.0},
                                                          {u"99999999999999999999", 1e20}};
  for (const auto& [text, value] : cases) {
    const auto reading = ReadNumeric(text);
    ASSERT_TRUE(reading) << Utf8(text);
    EXPECT_EQ(reading->value, value) << Utf8(text);
    EXPECT_EQ(reading->leadingValue, value) << Utf8(text);
  }
  EXPECT_FALSE(ReadNumeric(u""));
  EXPECT_FALSE(ReadNumeric(u"12a"));
  EXPECT_EQ(ToWholeNumber(u"100000"), 100000);
  EXPECT_EQ(ToInt16(u"6"), 6);
}

TEST(ToInt16Test, RoundsHalvesToEvenAndRejectsOutOfRange) {
  EXPECT_EQ(ToInt16(u"2.5"), std::optional<std::int16_t>(2));
  EXPECT_EQ(ToInt16(u"3.5"), std::optional<std::int16_t>(4));
  EXPECT_EQ(ToInt16(u"-32768"), std::optional<std::int16_t>(-32768));
  EXPECT_EQ(ToInt16(u"32767.4"), std::optional<std::int16_t>(32767));
  EXPECT_FALSE(ToInt16(u"32768"));
  EXPECT_FALSE(ToInt16(u"x"));
}

TEST(ToWholeNumberTest, TakesWholeNumbersOnly) {
  EXPECT_EQ(ToWholeNumber(u"100000"), std::optional<long long>(100000));
  EXPECT_EQ(ToWholeNumber(u" 7 "), std::optional<long long>(7));
  EXPECT_FALSE(ToWholeNumber(u"7.5"));
  EXPECT_FALSE(ToWholeNumber(u"1e20"));
  EXPECT_FALSE(ToWholeNumber(u""));
}

}  // namespace
}  // namespace renamer
