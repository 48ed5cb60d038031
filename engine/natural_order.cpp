#include "engine/natural_order.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace renamer {
namespace {

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// Simple case folding for the alphabets most often met in file names.
char16_t Fold(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 32);
  if (unit < 0xC0) return unit;
  if ((unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) ||     // Latin-1 capitals
      (unit >= 0x391 && unit <= 0x3AB && unit != 0x3A2) ||  // Greek
      (unit >= 0x410 && unit <= 0x42F)) {                   // Cyrillic
    return static_cast<char16_t>(unit + 32);
  }
  if (unit >= 0x400 && unit <= 0x40F) return static_cast<char16_t>(unit + 80);
  if (unit >= 0xFF21 && unit <= 0xFF3A) return static_cast<char16_t>(unit + 32);  // full width
  return unit;
}

// A text whose plain order is NaturalCompare's order: each non-digit unit becomes its
// folded unit; each run of digits becomes "0" (digits and other units then compare as
// any digit would: no folded unit lies between "0" and "9"), the run's length without
// leading zeros in four units, then those digits.
std::u16string NaturalKey(std::u16string_view name) {
  std::u16string key;
  key.reserve(name.size() + 8);
  std::size_t i = 0;
  while (i < name.size()) {
    if (!IsDigit(name[i])) {
      key.push_back(Fold(name[i++]));
      continue;
    }
    std::size_t end = i;
    while (end < name.size() && IsDigit(name[end])) ++end;
    while (i + 1 < end && name[i] == u'0') ++i;
    const auto length = static_cast<std::uint64_t>(end - i);
    key.push_back(u'0');
    for (int shift = 48; shift >= 0; shift -= 16) {
      key.push_back(static_cast<char16_t>((length >> shift) & 0xFFFF));
    }
    key.append(name.substr(i, end - i));
    i = end;
  }
  return key;
}

}  // namespace

int NaturalCompare(std::u16string_view a, std::u16string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && IsDigit(a[endA])) ++endA;
      while (endB < b.size() && IsDigit(b[endB])) ++endB;
      std::size_t startA = i;
      std::size_t startB = j;
      while (startA + 1 < endA && a[startA] == u'0') ++startA;
      while (startB + 1 < endB && b[startB] == u'0') ++startB;
      const std::size_t lengthA = endA - startA;
      const std::size_t lengthB = endB - startB;
      if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
      const int digits = a.substr(startA, lengthA).compare(b.substr(startB, lengthB));
      if (digits != 0) return digits;
      i = endA;
      j = endB;
      continue;
    }
    const char16_t x = Fold(a[i]);
    const char16_t y = Fold(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  const bool aDone = i == a.size();
  const bool bDone = j == b.size();
  if (aDone && bDone) return 0;
  return aDone ? -1 : 1;
}

bool NaturalLess(std::u16string_view a, std::u16string_view b) {
  const int order = NaturalCompare(a, b);
  if (order != 0) return order < 0;
  return a < b;
}

std::vector<std::uint32_t> SortNaturally(std::vector<std::u16string>& names) {
  // Sorting compares each name about log2(n) times; building a key once per name and
  // comparing keys as plain texts halves the work of a large listing.
  std::vector<std::pair<std::u16string, std::size_t>> keyed;
  keyed.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) keyed.emplace_back(NaturalKey(names[i]), i);
  std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return names[a.second] < names[b.second];
  });
  std::vector<std::u16string> sorted;
  std::vector<std::uint32_t> before;
  sorted.reserve(names.size());
  before.reserve(names.size());
  for (const auto& entry : keyed) {
    sorted.push_back(std::move(names[entry.second]));
    before.push_back(static_cast<std::uint32_t>(entry.second));
  }
  names = std::move(sorted);
  return before;
}

}  // namespace renamer
