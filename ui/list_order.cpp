#include "ui/list_order.h"

#include <algorithm>
#include <numeric>

#include "engine/disk/natural_order.h"
#include "engine/rules/time_key.h"

namespace renamer::ui {
namespace {

// Below 0, 0 or above 0 as row `a` goes before, with or after row `b` in ascending
// order of `column`.
struct RowCompare {
  const std::vector<std::u16string>& names;
  const RunPrediction* shown;
  ListColumn column;

  bool Usable() const {
    switch (column) {
      case ListColumn::kName:
        return true;
      case ListColumn::kNewName:
        return shown != nullptr && shown->files.size() == names.size();
      case ListColumn::kTime:
        return shown != nullptr && shown->times && shown->times->size() == names.size();
    }
    return false;
  }

  int operator()(std::uint32_t a, std::uint32_t b) const {
    switch (column) {
      case ListColumn::kName:
        return NaturalCompare(names[a], names[b]);
      case ListColumn::kNewName:
        return NaturalCompare(shown->files[a].newName, shown->files[b].newName);
      case ListColumn::kTime: {
        const CaptureTime& x = (*shown->times)[a];
        const CaptureTime& y = (*shown->times)[b];
        if (x.seconds != y.seconds) return x.seconds < y.seconds ? -1 : 1;
        if (x.milliseconds != y.milliseconds) return x.milliseconds < y.milliseconds ? -1 : 1;
        return 0;
      }
    }
    return 0;
  }
};

}  // namespace

std::vector<std::uint32_t> SortedRows(const std::vector<std::u16string>& names,
                                      const RunPrediction* shown, ListColumn column,
                                      Qt::SortOrder direction) {
  const RowCompare compare{names, shown, column};
  if (!compare.Usable()) return {};
  std::vector<std::uint32_t> order(names.size());
  std::iota(order.begin(), order.end(), 0u);
  const int sign = direction == Qt::AscendingOrder ? 1 : -1;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return sign * compare(a, b) < 0; });
  return order;
}

bool IsSorted(const std::vector<std::u16string>& names, const RunPrediction* shown,
              ListColumn column, Qt::SortOrder direction) {
  const RowCompare compare{names, shown, column};
  if (!compare.Usable()) return true;
  const int sign = direction == Qt::AscendingOrder ? 1 : -1;
  for (std::uint32_t k = 1; k < names.size(); ++k) {
    if (sign * compare(k - 1, k) > 0) return false;
  }
  return true;
}

RunPrediction ReorderedRows(const RunPrediction& shown, const std::vector<std::uint32_t>& order) {
  RunPrediction sorted = shown;
  if (sorted.files.size() == order.size()) ApplyOrder(order, sorted.files);
  if (sorted.times && sorted.times->size() == order.size()) {
    std::vector<CaptureTime> times = *sorted.times;
    ApplyOrder(order, times);
    sorted.times = std::make_shared<const std::vector<CaptureTime>>(std::move(times));
  }
  return sorted;
}

}  // namespace renamer::ui
