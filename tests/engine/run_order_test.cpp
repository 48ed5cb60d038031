#include "engine/run/run_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace renamer {
namespace {

struct Step {
  std::string from;
  std::string to;
  ChangeStatus status = ChangeStatus::kUntried;
};

struct OrderCase {
  const char* what;
  std::vector<Step> plan;             // the listed files, in list order
  std::vector<std::uint32_t> places;  // each listed file's place in the directory
  std::vector<std::uint32_t> order;   // empty: plan order
};

std::vector<std::uint32_t> OrderOf(const OrderCase& c) {
  std::vector<PlannedRename> plan(c.plan.size());
  std::vector<std::string> listed;
  EncodedPlan bytes;
  for (std::size_t j = 0; j < c.plan.size(); ++j) {
    plan[j].status = c.plan[j].status;
    plan[j].listIndex = static_cast<std::uint32_t>(j);
    listed.push_back(c.plan[j].from);
    bytes.at.push_back(static_cast<std::uint32_t>(j));
    bytes.to.push_back(c.plan[j].to);
  }
  bytes.listed = std::make_shared<const std::vector<std::string>>(std::move(listed));
  return ExecutionOrder(plan, bytes, &c.places);
}

// The directory's order is taken only where no rename can meet another's name; any
// doubt keeps the plan's order, in which the run was planned and predicted.
TEST(ExecutionOrderTest, TakesTheDirectorysOrderOnlyWhereNoRenameCanMeetAnother) {
  const OrderCase cases[] = {
      {"apart", {{"a", "x_a"}, {"b", "x_b"}, {"c", "x_c"}}, {1, 2, 0}, {2, 0, 1}},
      {"a new name that an entry outside the plan blocks in any order",
       {{"a", "z"}, {"b", "x_b"}},
       {1, 0},
       {1, 0}},
      {"a chain: the new name is renamed later", {{"a", "b"}, {"b", "c"}}, {1, 0}, {}},
      {"a new name is the old one of a file renamed earlier", {{"a", "x"}, {"b", "a"}}, {1, 0}, {}},
      {"two new names alike", {{"a", "x"}, {"b", "x"}}, {1, 0}, {}},
      {"alike by ASCII case", {{"a", "X"}, {"b", "x"}}, {1, 0}, {}},
      {"alike by the case of other letters", {{"a", "É"}, {"b", "é"}}, {1, 0}, {}},
      {"a change of case alone", {{"a", "A"}, {"b", "x_b"}}, {1, 0}, {}},
      {"a file that is not renamed stays in the way in any order",
       {{"a", "c"}, {"b", "x_b"}, {"c", "c", ChangeStatus::kUnchanged}},
       {2, 1, 0},
       {2, 1, 0}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(OrderOf(c), c.order);
  }
  EXPECT_TRUE(ExecutionOrder({}, EncodedPlan{}, nullptr).empty()) << "no places, plan order";
}

// Names alike by case or form must hash alike, whatever their length and wherever their letters
// fall in the hash's eight-byte words; other names should not.
TEST(FoldedHashTest, NamesAlikeByCaseHashAlikeAndOthersApart) {
  std::uint64_t state = 12345;
  const auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>(state >> 33);
  };
  const std::string letters = "aAzZ@[`{09._-éÉ";
  int apart = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string name;
    const unsigned length = 1 + next() % 40;
    while (name.size() < length) name += letters[next() % 12];
    std::string swapped = name;
    for (char& c : swapped) {
      if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
      else if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    }
    ASSERT_EQ(FoldedHash(name), FoldedHash(swapped)) << name;
    ASSERT_EQ(FoldedHash(name + "É"), FoldedHash(swapped + "é")) << name;
    std::string other = name;
    other[next() % other.size()] = '#';
    apart += FoldedHash(other) != FoldedHash(name) || other == name ? 1 : 0;
  }
  EXPECT_EQ(apart, 2000);

  // Spellings that some file system takes for one: by form and full case folding (ext4
  // casefold), or by the case of each code point alone.
  const std::vector<std::vector<std::string>> alike = {
      {"\u00e9", "e\u0301", "\u00c9", "E\u0301"},
      {"ss", "\u00df", "\u1e9e", "SS", "sS"},
      {"\u03c3", "\u03c2", "\u03a3"},
      {"s", "\u017f", "S"},
      {"fi", "\ufb01", "FI"},
      {"k", "K", "\u212a"},
      {"i", "I", "\u0130", "i\u0307", "\u0131"},
      {"\u00e5", "\u212b", "a\u030a", "A\u030a"},
      {"\ud55c", "\u1112\u1161\u11ab"},
      {"\uf900", "\u8c48"},
      {"\U00010400", "\U00010428"},
      {"\xff"},
      {"."},
  };
  for (int round = 0; round < 2000; ++round) {
    std::string left;
    std::string right;
    for (unsigned pieces = 1 + next() % 8; pieces > 0; --pieces) {
      const std::vector<std::string>& spellings = alike[next() % alike.size()];
      left += spellings[next() % spellings.size()];
      right += spellings[next() % spellings.size()];
    }
    ASSERT_EQ(FoldedHash(left), FoldedHash(right)) << left << " and " << right;
  }
}

}  // namespace
}  // namespace renamer
