// SortByTime against the plain selection sort that defines it: the same order of
// names for any keys, equal ones, digit keys of one length and texts of any kind.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/rules/time_key.h"
#include "fuzz/fuzz_support.h"

namespace {

// Picks, at each step, the first of the smallest remaining keys and exchanges it in.
void SelectionSort(std::vector<std::u16string>& keys, std::vector<std::u16string>& names) {
  for (std::size_t a = 0; a + 1 < keys.size(); ++a) {
    std::size_t g = a;
    for (std::size_t b = a + 1; b < keys.size(); ++b) {
      if (keys[b] < keys[g]) g = b;
    }
    if (g == a) continue;
    std::swap(keys[a], keys[g]);
    std::swap(names[a], names[g]);
  }
}

std::u16string ConsumeKey(FuzzedDataProvider& data, bool digitsOnly, std::size_t length) {
  static constexpr char16_t kUnits[] = {u'0', u'1', u'2', u'9', u'-', u' ', u'a', 0xD800, 0xFFFF};
  std::u16string key;
  for (std::size_t i = 0; i < length; ++i) {
    const auto pick = data.ConsumeIntegralInRange<std::size_t>(0, digitsOnly ? 3 : 8);
    key.push_back(digitsOnly ? static_cast<char16_t>(u'0' + data.ConsumeIntegralInRange<int>(0, 9) *
                                                                (pick != 0))
                             : kUnits[pick]);
  }
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const bool digitsOnly = data.ConsumeBool();
  const bool oneLength = data.ConsumeBool();
  const auto length = data.ConsumeIntegralInRange<std::size_t>(0, 20);
  const auto count = data.ConsumeIntegralInRange<std::size_t>(0, 200);
  std::vector<std::u16string> keys;
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < count && data.remaining_bytes() > 0; ++i) {
    const std::size_t own = oneLength ? length : data.ConsumeIntegralInRange<std::size_t>(0, 20);
    keys.push_back(ConsumeKey(data, digitsOnly, own));
    names.push_back(std::u16string(1, static_cast<char16_t>(u'A' + i)));
  }
  std::vector<std::u16string> expectedKeys = keys;
  std::vector<std::u16string> expectedNames = names;
  SelectionSort(expectedKeys, expectedNames);
  renamer::SortByTime(keys, names);
  renamer::fuzzing::Require(keys == expectedKeys, "keys not in selection-sort order");
  renamer::fuzzing::Require(names == expectedNames, "names not moved like the selection sort");
  return 0;
}
