#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

/// Compares two names the way a person reads them: letters without regard to case,
/// runs of digits by their value ("img2" before "img10"). Returns <0, 0 or >0.
int NaturalCompare(std::u16string_view a, std::u16string_view b);

/// A total order: NaturalCompare, with ties broken by code units.
bool NaturalLess(std::u16string_view a, std::u16string_view b);

/// Sorts names into natural order; returns where each name stood before.
std::vector<std::uint32_t> SortNaturally(std::vector<std::u16string>& names);

}  // namespace renamer
