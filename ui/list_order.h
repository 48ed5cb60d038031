#pragma once

#include <Qt>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/preview/prediction.h"

namespace renamer::ui {

/// The columns of the file list.
enum class ListColumn { kName, kNewName, kTime };

/// The order that sorting the rows by `column` gives: entry k of the result is the row
/// that goes to place k. `names` are the rows' names, `shown` what the other columns show
/// (null for none). Equal rows keep their order, in either direction. Empty when the
/// column has nothing to sort by.
std::vector<std::uint32_t> SortedRows(const std::vector<std::u16string>& names,
                                      const RunPrediction* shown, ListColumn column,
                                      Qt::SortOrder direction);

/// True when the rows are already as SortedRows() would put them.
bool IsSorted(const std::vector<std::u16string>& names, const RunPrediction* shown,
              ListColumn column, Qt::SortOrder direction);

/// `shown` with its rows in `order`.
RunPrediction ReorderedRows(const RunPrediction& shown, const std::vector<std::uint32_t>& order);

}  // namespace renamer::ui
