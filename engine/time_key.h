#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

/// A modification time as "2024-3-5 9:05:07": year in four digits, month, day and hour
/// without leading zeros, minute and second in two digits. At exactly 00:00:00 the
/// text ends after the day.
std::u16string FormatTimeText(const std::tm& local);

/// FormatTimeText of `seconds` since the epoch, in local time.
std::u16string TimeTextOf(std::int64_t seconds);

/// The 14-unit key cut from a time text, such that comparing keys as texts orders the
/// times. A text without a time part (midnight) gets "000000" as its time fields.
std::u16string MakeTimeKey(std::u16string_view timeText);

/// Puts `keys` into ascending order and applies the same exchanges to `names`,
/// making exactly the exchanges of a selection sort that picks, at each step, the
/// lowest index among the equal smallest remaining keys. Runs in O(n log n).
void SortByTime(std::vector<std::u16string>& keys, std::vector<std::u16string>& names);

}  // namespace renamer
