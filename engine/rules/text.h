#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace renamer {

/// Removes leading and trailing U+0020 characters, and nothing else.
std::u16string_view TrimSpaces(std::u16string_view text);

/// The first `count` code units of `text`, or all of it when it is shorter.
std::u16string_view FirstUnits(std::u16string_view text, std::size_t count);

/// The last `count` code units of `text`, or all of it when it is shorter.
std::u16string_view LastUnits(std::u16string_view text, std::size_t count);

/// `first` followed by `second`, made with one allocation at most.
std::u16string Joined(std::u16string_view first, std::u16string_view second);

/// The parts one after the other, made with one allocation.
std::u16string Concat(std::initializer_list<std::u16string_view> parts);

/// Every non-overlapping occurrence of `find`, scanned from the start, replaced by
/// `with`. An empty `find` leaves the text unchanged.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view with);

/// Decimal digits of `value`, with a leading "-" when it is negative.
std::u16string DecimalText(long long value);

/// ASCII-only conversion for texts that the engine itself composes (numbers, codes).
std::u16string AsciiToU16(std::string_view ascii);

}  // namespace renamer
