#include "engine/rules/text.h"

#include <string>

namespace renamer {

std::u16string_view TrimSpaces(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return text.substr(begin, end - begin);
}

std::u16string_view FirstUnits(std::u16string_view text, std::size_t count) {
  return text.substr(0, count);
}

std::u16string Joined(std::u16string_view first, std::u16string_view second) {
  std::u16string joined;
  joined.reserve(first.size() + second.size());
  joined.append(first).append(second);
  return joined;
}

std::u16string Concat(std::initializer_list<std::u16string_view> parts) {
  std::size_t size = 0;
  for (std::u16string_view part : parts) size += part.size();
  std::u16string result;
  result.reserve(size);
  for (std::u16string_view part : parts) result.append(part);
  return result;
}

std::u16string_view LastUnits(std::u16string_view text, std::size_t count) {
  if (count >= text.size()) return text;
  return text.substr(text.size() - count);
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view with) {
  if (find.empty()) return std::u16string(text);
  std::u16string result;
  result.reserve(text.size());
  std::size_t start = 0;
  for (;;) {
    std::size_t hit = text.find(find, start);
    if (hit == std::u16string_view::npos) break;
    result.append(text.substr(start, hit - start));
    result.append(with);
    start = hit + find.size();
  }
  result.append(text.substr(start));
  return result;
}

std::u16string DecimalText(long long value) { return AsciiToU16(std::to_string(value)); }

std::u16string AsciiToU16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace renamer
