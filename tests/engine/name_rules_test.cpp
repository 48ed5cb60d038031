#include "engine/rules/name_rules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/rules/text.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::Utf8;

TEST(GetExtLenTest, SplitsAtTheLastDot) {
  struct Case {
    std::u16string_view name;
    std::int16_t expected;
  };
  const Case cases[] = {
      {u"photo.jpg", 4}, {u"archive.tar.gz", 3}, {u"README", 0},  {u"name.", 1}, {u".profile", 8},
      {u"", 0},          {u"照片.JPEG", 5},      {u"a b.t x", 4},
  };
  for (const Case& c : cases) EXPECT_EQ(GetExtLen(c.name), c.expected) << Utf8(c.name);
}

TEST(GetExtLenTest, SaturatesOnHugeNames) {
  const std::u16string name = u"." + std::u16string(40000, u'x');
  EXPECT_EQ(GetExtLen(name), 32767);
  EXPECT_EQ(detail::ExtensionLength(name), 40001u);
}

struct RuleCase {
  std::u16string_view code;
  std::u16string_view base;
  std::u16string_view stringText;
  std::u16string_view valueText;
  std::int16_t maxLen;
  std::u16string_view expected;
};

TEST(MakeNewBaseNameTest, GivesEachRuleResult) {
  const RuleCase cases[] = {
      RuleCase{u"ADDPRE", u" y ", u"", u" x ", 0, u"xy"},
      RuleCase{u"ADDPRE", u"a", u"", u"", 0, u"a"},
      RuleCase{u"ADDLST", u" y ", u"", u" x ", 0, u"yx"},
      RuleCase{u"SAMELEN", u"abc", u"", u"", 6, u"abc@@@"},
      RuleCase{u"SAMELEN", u" ab ", u"", u"", 6, u"ab@@"},
      RuleCase{u"SAMELEN", u"abcdefg", u"", u"", 6, u"abcdefg"},
      RuleCase{u"SAMELEN", u" abcdef ", u"", u"", 0, u"abcdef"},
      RuleCase{u"ADDPRENO", u"img", u"7", u"3", 0, u"007img"},
      RuleCase{u"ADDPRENO", u"img", u"123", u"2", 0, u"123img"},
      RuleCase{u"ADDPRENO", u"img", u"7", u"0", 0, u"7img"},
      RuleCase{u"ADDPRENO", u"img", u"7", u"-3", 0, u"7img"},
      RuleCase{u"ADDPRENO", u"img", u"7", u" 3.0 ", 0, u"007img"},
      RuleCase{u"ADDPRENO", u"img", u"100000", u"3", 0, u"100000img"},
      RuleCase{u"ADDPRENO", u" img", u"1", u"10", 0, u"0000000001 img"},
      RuleCase{u"ADDPRENO", u"img", u"abc", u"3", 0, u""},
      RuleCase{u"ADDLSTNO", u"ab ", u"12", u"4", 0, u"ab 0012"},
      RuleCase{u"ADDLSTNO", u"ab", u"5", u"-1", 0, u"ab5"},
      RuleCase{u"DELPREN", u"abcdef", u"", u"2", 0, u"cdef"},
      RuleCase{u"DELPREN", u"abcdef", u"", u"6", 0, u""},
      RuleCase{u"DELPREN", u"abcdef", u"", u"9", 0, u""},
      RuleCase{u"DELPREN", u"abcdef", u"", u"0", 0, u"abcdef"},
      RuleCase{u"DELPREN", u"abcdef", u"", u"-4", 0, u"abcdef"},
      RuleCase{u"DELLSTN", u"abcdef", u"", u"2", 0, u"abcd"},
      RuleCase{u"DELLSTN", u"照片一张", u"", u"1", 0, u"照片一"},
      RuleCase{u"DELLSTN", u"abc", u"", u"x", 0, u""},
      RuleCase{u"DEL", u"a-b-c", u"-", u"", 0, u"abc"},
      RuleCase{u"DEL", u"aaaa", u"aa", u"", 0, u""},
      RuleCase{u"DEL", u"a b", u"", u"", 0, u"a b"},
      RuleCase{u"REP", u"banana", u"a", u"A", 0, u"bAnAnA"},
      RuleCase{u"REP", u"banana", u"A", u"x", 0, u"banana"},
      RuleCase{u"REP", u"aaa", u"aa", u"b", 0, u"ba"},
      RuleCase{u"REP", u"a a", u" ", u"  ", 0, u"a  a"},
      RuleCase{u"EXT", u"abc", u"", u".txt", 0, u""},
      RuleCase{u"", u"abc", u"x", u"y", 0, u""},
      RuleCase{u"addpre", u"abc", u"x", u"y", 0, u""},
  };
  for (const RuleCase& c : cases) {
    EXPECT_EQ(Utf8(MakeNewBaseName(c.base, c.code, c.stringText, c.valueText, c.maxLen)),
              Utf8(c.expected))
        << Utf8(c.code) << " on '" << Utf8(c.base) << "' with '" << Utf8(c.stringText) << "', '"
        << Utf8(c.valueText) << "'";
  }
}

// The whole new name, made in one piece, is the trimmed new base and the trimmed
// extension, for random names and texts of spaces, dots, digits and signs.
TEST(MakeNewFileNameTest, JoinsTheTrimmedBaseAndExtension) {
  std::mt19937 random(7);
  const auto text = [&random](std::size_t most) {
    static constexpr std::u16string_view kUnits = u" .0123456789-+ab字";
    std::u16string result(random() % (most + 1), u' ');
    for (char16_t& unit : result) unit = kUnits[random() % kUnits.size()];
    return result;
  };
  std::u16string made = u"left over";
  for (int round = 0; round < 5000; ++round) {
    const std::u16string name = text(12);
    const std::u16string stringText = text(3);
    const std::u16string valueText = text(3);
    const auto maxLen = static_cast<std::int16_t>(static_cast<int>(random() % 20) - 2);
    const std::u16string_view code = kRules[random() % kRules.size()].code;
    const std::size_t extLength = detail::ExtensionLength(name);
    const std::u16string_view ext = LastUnits(name, extLength);
    const std::u16string_view base = FirstUnits(name, name.size() - extLength);
    const std::u16string newBase = MakeNewBaseName(base, code, stringText, valueText, maxLen);
    const bool expectName = code == u"EXT" || !newBase.empty();
    const std::u16string expected = code == u"EXT" ? Joined(TrimSpaces(base), TrimSpaces(valueText))
                                    : expectName   ? Joined(TrimSpaces(newBase), TrimSpaces(ext))
                                                   : u"";
    SCOPED_TRACE(Utf8(code) + " [" + Utf8(name) + "] [" + Utf8(stringText) + "] [" +
                 Utf8(valueText) + "] " + std::to_string(maxLen));
    ASSERT_EQ(MakeNewFileName(made, base, ext, RuleForCode(code), stringText, valueText, maxLen),
              expectName);
    ASSERT_EQ(Utf8(made), Utf8(expected));
  }
}

TEST(RuleTableTest, MapsEveryItemTextToItsCode) {
  EXPECT_EQ(RuleCodeForItem(u"长度一致(后补足)"), u"SAMELEN");
  EXPECT_EQ(RuleCodeForItem(u"删除前N个字符"), u"DELPREN");
  EXPECT_EQ(RuleCodeForItem(u"修改扩展名"), u"EXT");
  EXPECT_TRUE(RuleCodeForItem(u"长度一致（后补足）").empty());  // full-width parentheses
  EXPECT_TRUE(RuleCodeForItem(u"删除前n个字符").empty());
  EXPECT_TRUE(RuleCodeForItem(u"").empty());
}

// Every row of the rule table, as the run, the prediction and the window read it. Each
// rule names the same sample: base "a7b7c", string field "7", value field "2", MaxLen 8.
TEST(RuleTableTest, EachRowSaysWhatItsRuleDoes) {
  struct Row {
    std::u16string_view code;
    bool stringField;
    bool valueField;
    Ordering ordering;
    bool measuresMaxLen;
    bool wholeName;
    bool numbers;
    std::u16string_view good;     // a value text the run button takes
    std::u16string_view bad;      // one it refuses; empty for a rule that takes anything
    std::u16string_view message;  // what it says then
    std::u16string_view newName;
  };
  constexpr auto kList = Ordering::kList;
  const Row rows[] = {
      {u"ADDPRE", false, true, kList, false, false, false, u"", u"", u"", u"2a7b7c"},
      {u"ADDLST", false, true, kList, false, false, false, u"", u"", u"", u"a7b7c2"},
      {u"SAMELEN", false, false, kList, true, false, false, u"", u"", u"", u"a7b7c@@@"},
      {u"ADDPRENO", false, true, Ordering::kModified, false, false, true, u"10", u"11",
       kNumberTooLongMessage, u"07a7b7c"},
      {u"ADDLSTNO", false, true, kList, false, false, true, u"-1", u"1.5", kNotIntegerMessage,
       u"a7b7c07"},
      {u"DELPREN", false, true, kList, false, false, false, u"3", u"x", kNotIntegerMessage, u"b7c"},
      {u"DELLSTN", false, true, kList, false, false, false, u" 2 ", u"99", kNumberTooLongMessage,
       u"a7b"},
      {u"DEL", true, false, kList, false, false, false, u"", u"", u"", u"abc"},
      {u"REP", true, true, kList, false, false, false, u"", u"", u"", u"a2b2c"},
      {u"EXT", false, true, kList, false, true, false, u".txt", u"txt", kExtensionDotMessage,
       u"a7b7c2"},
  };
  ASSERT_EQ(std::size(rows), kRules.size());
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.code));
    const Rule* rule = RuleForCode(row.code);
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->stringField, row.stringField);
    EXPECT_EQ(rule->valueField, row.valueField);
    EXPECT_EQ(rule->ordering, row.ordering);
    EXPECT_EQ(rule->measuresMaxLen, row.measuresMaxLen);
    EXPECT_EQ(rule->wholeName, row.wholeName);
    EXPECT_EQ(rule->numbers, row.numbers);
    EXPECT_EQ(IsNumberingRule(row.code), row.numbers);
    EXPECT_EQ(Utf8(CheckRunInput(row.code, row.good)), "");
    EXPECT_EQ(Utf8(CheckRunInput(row.code, row.bad.empty() ? u"abc" : row.bad)), Utf8(row.message));
    std::u16string made;
    rule->newName(made, {u"a7b7c", u"7", u"2", 8});
    EXPECT_EQ(Utf8(made), Utf8(row.newName));
    // The whole name is not a base name.
    EXPECT_EQ(Utf8(MakeNewBaseName(u"a7b7c", row.code, u"7", u"2", 8)),
              row.wholeName ? "" : Utf8(row.newName));
  }
}

}  // namespace
}  // namespace renamer
