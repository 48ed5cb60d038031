#include "engine/disk/natural_order.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "engine/disk/file_names.h"

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

// Appends a key whose plain byte order is NaturalCompare's order: each non-digit unit
// becomes its folded unit, in UTF-8, whose byte order is the units' order (lone
// surrogates included), so that keys compare with memcmp; each run of digits becomes "0" (digits
// and other units then compare as any digit would: no folded unit lies between "0" and "9"), the
// run's length without leading zeros in four units, then those digits.
void AppendNaturalKey(std::string& key, std::u16string_view name) {
  std::size_t i = 0;
  while (i < name.size()) {
    if (!IsDigit(name[i])) {
      AppendUtf8(key, Fold(name[i++]));
      continue;
    }
    std::size_t end = i;
    while (end < name.size() && IsDigit(name[end])) ++end;
    while (i + 1 < end && name[i] == u'0') ++i;
    const auto length = static_cast<std::uint64_t>(end - i);
    key.push_back('0');
    for (int shift = 48; shift >= 0; shift -= 16) AppendUtf8(key, (length >> shift) & 0xFFFF);
    for (; i < end; ++i) key.push_back(static_cast<char>(name[i]));
  }
}

// One name's key in a shared buffer, with eight bytes of it from where the keys of a
// listing start to differ, so that most comparisons need not look further.
struct Keyed {
  std::uint64_t head = 0;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::uint32_t index = 0;
};

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
  // Sorting compares each name about log2(n) times: a key built once per name and
  // compared as plain bytes is several times cheaper than comparing the names.
  std::string keys;
  keys.reserve(names.size() * 24);
  std::vector<Keyed> keyed(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    keyed[i].offset = static_cast<std::uint32_t>(keys.size());
    AppendNaturalKey(keys, names[i]);
    keyed[i].length = static_cast<std::uint32_t>(keys.size() - keyed[i].offset);
    keyed[i].index = static_cast<std::uint32_t>(i);
  }
  // Names of one folder often share their start ("IMG_0"); the heads begin after it.
  std::size_t common = keyed.empty() ? 0 : keyed[0].length;
  for (const Keyed& key : keyed) {
    common = std::min<std::size_t>(common, key.length);
    const char* first = keys.data() + keyed[0].offset;
    const char* other = keys.data() + key.offset;
    std::size_t same = 0;
    while (same < common && first[same] == other[same]) ++same;
    common = same;
  }
  for (Keyed& key : keyed) {
    for (std::size_t k = common; k < common + 8; ++k) {
      const unsigned char byte =
          k < key.length ? static_cast<unsigned char>(keys[key.offset + k]) : 0;
      key.head = (key.head << 8) | byte;
    }
  }
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    // A key that ends within the head has zeros there: never after a longer one.
    if (a.head != b.head) return a.head < b.head;
    const std::size_t shorter = std::min(a.length, b.length);
    const int order = std::memcmp(keys.data() + a.offset + common, keys.data() + b.offset + common,
                                  shorter - common);
    if (order != 0) return order < 0;
    if (a.length != b.length) return a.length < b.length;
    return names[a.index] < names[b.index];
  });
  std::vector<std::u16string> sorted;
  std::vector<std::uint32_t> before;
  sorted.reserve(names.size());
  before.reserve(names.size());
  for (const Keyed& key : keyed) {
    sorted.push_back(std::move(names[key.index]));
    before.push_back(key.index);
  }
  names = std::move(sorted);
  return before;
}

}  // namespace renamer
