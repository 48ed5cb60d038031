#include "engine/rules/time_key.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <numeric>
#include <utility>

#include "engine/rules/text.h"

namespace renamer {
namespace {

// The character at 1-based position `pos`, or the empty text past the end.
std::u16string_view CharAt(std::u16string_view text, std::size_t pos) {
  if (pos == 0 || pos > text.size()) return {};
  return text.substr(pos - 1, 1);
}

std::u16string Join(std::initializer_list<std::u16string_view> parts) {
  std::u16string result;
  for (std::u16string_view part : parts) result.append(part);
  return result;
}

// The numbers of `keys[0..n)` when all of them are digit texts of one length of at
// most 19 digits (every key the run makes): such texts compare as their numbers do.
bool ReadAsNumbers(const std::vector<std::u16string>& keys, std::size_t n,
                   std::vector<std::pair<std::uint64_t, std::uint32_t>>& numbers) {
  const std::size_t length = keys[0].size();
  if (length == 0 || length > 19) return false;
  numbers.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (keys[i].size() != length) return false;
    std::uint64_t value = 0;
    for (const char16_t unit : keys[i]) {
      if (unit < u'0' || unit > u'9') return false;
      value = value * 10 + static_cast<std::uint64_t>(unit - u'0');
    }
    numbers[i] = {value, static_cast<std::uint32_t>(i)};
  }
  return true;
}

// rank[i] = the number of distinct keys smaller than keys[i]. Sorting plain numbers
// side by side is several times faster than sorting indices into scattered texts.
std::vector<std::uint64_t> DenseRanks(const std::vector<std::u16string>& keys, std::size_t n) {
  std::vector<std::uint64_t> rank(n);
  std::vector<std::pair<std::uint64_t, std::uint32_t>> numbers;
  if (ReadAsNumbers(keys, n, numbers)) {
    std::sort(numbers.begin(), numbers.end());
    std::uint64_t current = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (i > 0 && numbers[i - 1].first < numbers[i].first) ++current;
      rank[numbers[i].second] = current;
    }
    return rank;
  }
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
  std::uint64_t current = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && keys[order[i - 1]] < keys[order[i]]) ++current;
    rank[order[i]] = current;
  }
  return rank;
}

// True when every field lies in the range localtime gives it and the year has four
// digits: the text can then be written by hand, for a fraction of snprintf's cost.
bool IsOrdinaryTime(const std::tm& t) {
  return t.tm_year >= -1900 && t.tm_year <= 9999 - 1900 && t.tm_mon >= 0 && t.tm_mon <= 11 &&
         t.tm_mday >= 1 && t.tm_mday <= 31 && t.tm_hour >= 0 && t.tm_hour <= 23 && t.tm_min >= 0 &&
         t.tm_min <= 59 && t.tm_sec >= 0 && t.tm_sec <= 60;
}

void AppendNumber(std::u16string& text, int value, int minDigits) {
  char16_t digits[4];
  int count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value > 0);
  for (int pad = count; pad < minDigits; ++pad) text.push_back(u'0');
  while (count > 0) text.push_back(digits[--count]);
}

// The same text as the snprintf formats below, for an ordinary time.
std::u16string FormatOrdinaryTime(const std::tm& t) {
  std::u16string text;
  text.reserve(19);
  AppendNumber(text, t.tm_year + 1900, 4);
  text.push_back(u'-');
  AppendNumber(text, t.tm_mon + 1, 1);
  text.push_back(u'-');
  AppendNumber(text, t.tm_mday, 1);
  if (t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0) return text;
  text.push_back(u' ');
  AppendNumber(text, t.tm_hour, 1);
  text.push_back(u':');
  AppendNumber(text, t.tm_min, 2);
  text.push_back(u':');
  AppendNumber(text, t.tm_sec, 2);
  return text;
}

}  // namespace

std::u16string FormatTimeText(const std::tm& local) {
  if (IsOrdinaryTime(local)) return FormatOrdinaryTime(local);
  // Room for every field at its widest, so that even a broken std::tm neither
  // overflows nor is cut; the month is widened before 1 is added to it.
  char buffer[96];
  int length = 0;
  const long long year = static_cast<long long>(local.tm_year) + 1900;
  const long long month = static_cast<long long>(local.tm_mon) + 1;
  if (local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0) {
    length = std::snprintf(buffer, sizeof buffer, "%04lld-%lld-%d", year, month, local.tm_mday);
  } else {
    length = std::snprintf(buffer, sizeof buffer, "%04lld-%lld-%d %d:%02d:%02d", year, month,
                           local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  }
  const auto written = std::clamp<int>(length, 0, static_cast<int>(sizeof buffer) - 1);
  return AsciiToU16(std::string_view(buffer, static_cast<std::size_t>(written)));
}

std::u16string TimeTextOf(std::int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return u"0000-1-1";
  return FormatTimeText(local);
}

std::u16string MakeTimeKey(std::u16string_view timeText) {
  const std::u16string_view t = timeText;
  // Cutting four digits off a longer year would sort the year 10000 before 1901. Such
  // keys start above every digit, then say how many digits the year has, so that they
  // sort after all four-digit years and among themselves by year.
  const std::size_t yearLength = t.find(u'-');
  if (yearLength != std::u16string_view::npos && yearLength > 4 && yearLength <= 20 &&
      std::all_of(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(yearLength),
                  [](char16_t unit) { return unit >= u'0' && unit <= u'9'; })) {
    const std::u16string rest = MakeTimeKey(Join({u"0000", t.substr(yearLength)}));
    const auto digits = static_cast<char16_t>(u'0' + yearLength);
    return Join({u"~", std::u16string_view(&digits, 1), t.substr(0, yearLength),
                 std::u16string_view(rest).substr(4)});
  }
  const std::u16string_view year = FirstUnits(t, 4);
  std::u16string month;
  std::u16string day;
  if (CharAt(t, 7) == u"-") {
    month = Join({u"0", CharAt(t, 6)});
    day = TrimSpaces(CharAt(t, 9)).empty() ? Join({u"0", CharAt(t, 8)})
                                           : Join({CharAt(t, 8), CharAt(t, 9)});
  } else {
    month = Join({CharAt(t, 6), CharAt(t, 7)});
    day = TrimSpaces(CharAt(t, 10)).empty() ? Join({u"0", CharAt(t, 9)})
                                            : Join({CharAt(t, 9), CharAt(t, 10)});
  }
  // Midnight has no time part; cutting the time fields out of the date would sort the
  // file somewhere in the evening of its day.
  if (t.find(u' ') == std::u16string_view::npos) return Join({year, month, day, u"000000"});

  const std::u16string_view part = TrimSpaces(LastUnits(t, 8));
  std::u16string hour;
  std::u16string_view minute;
  if (part.size() == 7) {
    hour = Join({u"0", FirstUnits(part, 1)});
    minute = part.substr(2, 2);
  } else {
    hour = std::u16string(FirstUnits(part, 2));
    minute = part.size() > 3 ? part.substr(3, 2) : std::u16string_view();
  }
  return Join({year, month, day, hour, minute, LastUnits(part, 2)});
}

namespace {

// The selection sort's order of the first `n` keys.
std::vector<std::uint32_t> TimeOrderOf(const std::vector<std::u16string>& keys, std::size_t n) {
  std::vector<std::uint32_t> from(n);
  std::iota(from.begin(), from.end(), 0u);
  if (n < 2) return from;

  // Dense ranks turn every key comparison of the replay into an integer comparison.
  std::vector<std::uint64_t> rank = DenseRanks(keys, n);

  // A tournament tree over positions; a leaf holds (rank of the key now at that
  // position, position), so the root is the smallest key with the lowest position:
  // the element the selection sort picks. Positions already done hold "infinity".
  std::size_t width = 1;
  while (width < n) width <<= 1;
  constexpr std::uint64_t kDone = std::numeric_limits<std::uint64_t>::max();
  std::vector<std::uint64_t> tree(2 * width, kDone);
  auto leafValue = [&](std::size_t pos) { return (rank[pos] << 32) | pos; };
  for (std::size_t pos = 0; pos < n; ++pos) tree[width + pos] = leafValue(pos);
  for (std::size_t node = width - 1; node >= 1; --node) {
    tree[node] = std::min(tree[2 * node], tree[2 * node + 1]);
  }
  auto update = [&](std::size_t pos, std::uint64_t value) {
    std::size_t node = width + pos;
    tree[node] = value;
    for (node >>= 1; node >= 1; node >>= 1) {
      const std::uint64_t smaller = std::min(tree[2 * node], tree[2 * node + 1]);
      if (tree[node] == smaller) break;  // nothing above this node changes either
      tree[node] = smaller;
    }
  };

  // The exchanges are replayed on indices; the texts move once, at the end.
  for (std::size_t a = 0; a + 1 < n; ++a) {
    const auto g = static_cast<std::size_t>(tree[1] & 0xFFFFFFFFu);
    if (g != a) {
      std::swap(from[a], from[g]);
      std::swap(rank[a], rank[g]);
      update(g, leafValue(g));
    }
    update(a, kDone);
  }
  return from;
}

}  // namespace

std::vector<std::uint32_t> TimeOrder(const std::vector<std::u16string>& keys) {
  return TimeOrderOf(keys, keys.size());
}

void SortByTime(std::vector<std::u16string>& keys, std::vector<std::u16string>& names) {
  const std::size_t n = std::min(keys.size(), names.size());
  if (n < 2) return;
  const std::vector<std::uint32_t> order = TimeOrderOf(keys, n);
  // Only the first n entries take part; ApplyOrder leaves the rest where they are.
  ApplyOrder(order, keys);
  ApplyOrder(order, names);
}

}  // namespace renamer
