#include "engine/natural_order.h"

#include <algorithm>

namespace renamer {
namespace {

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// Simple case folding for the alphabets most often met in file names.
char16_t Fold(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 32);
  if (unit < 0xC0) return unit;
  if ((unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) ||  // Latin-1 capitals
      (unit >= 0x391 && unit <= 0x3AB && unit != 0x3A2) ||  // Greek
      (unit >= 0x410 && unit <= 0x42F)) {                  // Cyrillic
    return static_cast<char16_t>(unit + 32);
  }
  if (unit >= 0x400 && unit <= 0x40F) return static_cast<char16_t>(unit + 80);
  if (unit >= 0xFF21 && unit <= 0xFF3A) return static_cast<char16_t>(unit + 32);  // full width
  return unit;
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

void SortNaturally(std::vector<std::u16string>& names) {
  std::sort(names.begin(), names.end(),
            [](const std::u16string& a, const std::u16string& b) { return NaturalLess(a, b); });
}

}  // namespace renamer
