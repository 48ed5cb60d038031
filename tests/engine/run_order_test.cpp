#include "engine/run_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace renamer {
namespace {

struct Step {
  std::string from;
  std::string to;
  PlanStatus status = PlanStatus::kPending;
};

struct OrderCase {
  const char* what;
  std::vector<std::string> entries;  // in the directory's order
  std::vector<Step> plan;
  std::vector<std::uint32_t> order;  // empty: plan order
};

std::vector<std::uint32_t> OrderOf(const OrderCase& c) {
  std::vector<DirectoryEntry> entries;
  for (const std::string& name : c.entries) entries.push_back({name, true});
  std::vector<PlannedRename> plan(c.plan.size());
  EncodedPlan bytes;
  for (std::size_t j = 0; j < c.plan.size(); ++j) {
    plan[j].status = c.plan[j].status;
    bytes.from.push_back(c.plan[j].from);
    bytes.to.push_back(c.plan[j].to);
  }
  return EntryIndex(entries).ExecutionOrder(plan, bytes);
}

// The directory's order is taken only where no rename can meet another's name; any
// doubt keeps the plan's order, in which the run was planned and predicted.
TEST(EntryIndexTest, TakesTheDirectorysOrderOnlyWhereNoRenameCanMeetAnother) {
  const OrderCase cases[] = {
      {"apart", {"c", "a", "b"}, {{"a", "x_a"}, {"b", "x_b"}, {"c", "x_c"}}, {2, 0, 1}},
      {"a file that is not planned keeps its place",
       {"z", "b", "a"},
       {{"a", "x_a"}, {"b", "x_b"}},
       {1, 0}},
      {"a chain: the new name is renamed later", {"b", "a"}, {{"a", "b"}, {"b", "c"}}, {}},
      {"a new name is an entry outside the plan",
       {"b", "a", "x_a"},
       {{"a", "x_a"}, {"b", "y"}},
       {}},
      {"two new names alike", {"b", "a"}, {{"a", "x"}, {"b", "x"}}, {}},
      {"alike by ASCII case", {"b", "a"}, {{"a", "X"}, {"b", "x"}}, {}},
      {"alike by the case of other letters", {"b", "a"}, {{"a", "É"}, {"b", "é"}}, {}},
      {"a change of case alone", {"b", "a"}, {{"a", "A"}, {"b", "x_b"}}, {}},
      {"a rename already decided does not count",
       {"b", "a", "c"},
       {{"a", "c", PlanStatus::kFailed}, {"b", "x_b"}},
       {1, 0}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(OrderOf(c), c.order);
  }
  std::vector<PlannedRename> plan(1);
  const EncodedPlan bytes{{"a"}, {"x_a"}, {}};
  EXPECT_TRUE(EntryIndex().ExecutionOrder(plan, bytes).empty()) << "nothing known, plan order";
}

}  // namespace
}  // namespace renamer
