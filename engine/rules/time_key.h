#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace renamer {

/// A modification time as "2024-3-5 9:05:07": year in four digits, month, day and hour
/// without leading zeros, minute and second in two digits. At exactly 00:00:00 the
/// text ends after the day.
std::u16string FormatTimeText(const std::tm& local);

/// FormatTimeText of `seconds` since the epoch, in local time.
std::u16string TimeTextOf(std::int64_t seconds);

/// The longest key MakeTimeKey gives, for a year of 20 digits.
inline constexpr std::size_t kMaxTimeKeyLength = 32;

/// The 14-unit key cut from a time text, such that comparing keys as texts orders the
/// times. A text without a time part (midnight) gets "000000" as its time fields. A
/// year of more than four digits gets a longer key that sorts after every four-digit
/// year.
std::u16string MakeTimeKey(std::u16string_view timeText);

/// The order SortByTime puts `keys` in: entry a of the result is the index of the key
/// that goes to position a.
std::vector<std::uint32_t> TimeOrder(const std::vector<std::u16string>& keys);

/// Moves the entries of `values` into `order` (from TimeOrder).
template <typename T>
void ApplyOrder(const std::vector<std::uint32_t>& order, std::vector<T>& values) {
  std::vector<T> sorted;
  sorted.reserve(order.size());
  for (const std::uint32_t from : order) sorted.push_back(std::move(values[from]));
  std::move(sorted.begin(), sorted.end(), values.begin());
}

/// Puts `keys` into ascending order and applies the same exchanges to `names`,
/// making exactly the exchanges of a selection sort that picks, at each step, the
/// lowest index among the equal smallest remaining keys. Runs in O(n log n).
void SortByTime(std::vector<std::u16string>& keys, std::vector<std::u16string>& names);

}  // namespace renamer
