#include <gtest/gtest.h>

#include "engine/run/run_plan.h"

namespace renamer {
namespace {

// Every column of the fill moves with its row. By time, the order is that of the
// selection sort SortByTime replays: equal times keep list order while neither is
// exchanged past the other (c and e below), and not where one is (b and d, behind a).
TEST(PutInOrderTest, MovesWholeRowsIntoTheOrdering) {
  FillTable fill;
  fill.Reset(5);
  fill.times = {u"3", u"2", u"1", u"2", u"1"};
  fill.errors = {10, 11, 12, 13, 14};
  for (std::size_t k = 0; k < 5; ++k) fill.identities[k].inode = 100 + k;

  FillTable listed = fill;
  PutInOrder(listed, Ordering::kList);
  EXPECT_EQ(listed.listIndex, fill.listIndex);
  EXPECT_EQ(listed.times, fill.times);

  PutInOrder(fill, Ordering::kModified);
  const std::vector<std::uint32_t> order = {2, 4, 3, 1, 0};
  EXPECT_EQ(fill.listIndex, order);
  for (std::size_t row = 0; row < order.size(); ++row) {
    const std::uint32_t k = order[row];
    EXPECT_EQ(fill.errors[row], static_cast<int>(10 + k));
    EXPECT_EQ(fill.identities[row].inode, 100 + k);
  }
  EXPECT_EQ(fill.times, (std::vector<std::u16string>{u"1", u"1", u"2", u"2", u"3"}));
}

}  // namespace
}  // namespace renamer
