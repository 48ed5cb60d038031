#include "engine/rules/name_rules.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "engine/rules/text.h"

namespace renamer {
namespace {

constexpr std::u16string_view kMask = u"0000000000";

// Room for a sign, the twenty digits of the widest number and more than kMask's zeros.
using NumberBuffer = std::array<char16_t, 24>;

// The running number padded with zeros to `width` digits (at most kMask's), in `buffer`;
// a wider number keeps all its digits.
std::u16string_view FormatNumber(long long number, std::size_t width, NumberBuffer& buffer) {
  std::size_t at = buffer.size();
  auto magnitude = static_cast<unsigned long long>(number);
  if (number < 0) magnitude = 0ULL - magnitude;
  std::size_t digits = 0;
  do {
    buffer[--at] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
    ++digits;
  } while (magnitude != 0);
  for (; digits < width; ++digits) buffer[--at] = u'0';
  if (number < 0) buffer[--at] = u'-';
  return {buffer.data() + at, buffer.size() - at};
}

// Digit count for the numbering rules. The run button lets a negative count through;
// it has no mask, so it numbers like a count of 0.
std::optional<std::size_t> MaskWidth(std::u16string_view valueText) {
  const std::optional<std::int16_t> width = ToInt16(valueText);
  if (!width) return std::nullopt;
  const auto clipped = std::clamp<int>(*width, 0, static_cast<int>(kMask.size()));
  return static_cast<std::size_t>(clipped);
}

// Appends `first` and `second` to `out`, with room for `extra` more units.
void Append(std::u16string& out, std::size_t extra, std::u16string_view first,
            std::u16string_view second) {
  out.reserve(first.size() + second.size() + extra);
  out.append(first).append(second);
}

// The base name without as many units at its front (or its back) as the value text says.
void Deleted(std::u16string& out, const RuleInput& in, bool front) {
  const std::optional<std::int16_t> count = ToInt16(in.valueText);
  if (!count) return;
  const long long keep = static_cast<long long>(in.base.size()) - *count;
  if (keep <= 0) return;
  const auto kept = static_cast<std::size_t>(keep);
  Append(out, in.extra, front ? LastUnits(in.base, kept) : FirstUnits(in.base, kept), {});
}

// The base name with the running number of the string text in front of it (or behind it).
void Numbered(std::u16string& out, const RuleInput& in, bool front) {
  const std::optional<std::size_t> width = MaskWidth(in.valueText);
  const std::optional<long long> number = ToWholeNumber(in.stringText);
  if (!width || !number) return;
  NumberBuffer buffer;
  const std::u16string_view formatted = FormatNumber(*number, *width, buffer);
  if (front) return Append(out, in.extra, formatted, in.base);
  Append(out, in.extra, in.base, formatted);
}

}  // namespace

namespace rules {

void AddPrefix(std::u16string& out, const RuleInput& in) {
  Append(out, in.extra, TrimSpaces(in.valueText), TrimSpaces(in.base));
}

void AddSuffix(std::u16string& out, const RuleInput& in) {
  Append(out, in.extra, TrimSpaces(in.base), TrimSpaces(in.valueText));
}

void PadToLength(std::u16string& out, const RuleInput& in) {
  const auto limit = static_cast<std::size_t>(std::max<std::int16_t>(in.maxLen, 0));
  Append(out, in.extra + limit, TrimSpaces(in.base), {});
  if (in.base.size() < limit) out.append(limit - in.base.size(), u'@');
}

void NumberInFront(std::u16string& out, const RuleInput& in) { Numbered(out, in, true); }
void NumberBehind(std::u16string& out, const RuleInput& in) { Numbered(out, in, false); }
void DeleteFront(std::u16string& out, const RuleInput& in) { Deleted(out, in, true); }
void DeleteBack(std::u16string& out, const RuleInput& in) { Deleted(out, in, false); }

void DeleteText(std::u16string& out, const RuleInput& in) {
  out = ReplaceAll(in.base, in.stringText, u"");
}

void ReplaceText(std::u16string& out, const RuleInput& in) {
  out = ReplaceAll(in.base, in.stringText, in.valueText);
}

// The whole new file name: the base name with the value text as its extension.
void NewExtension(std::u16string& out, const RuleInput& in) {
  Append(out, in.extra, TrimSpaces(in.base), TrimSpaces(in.valueText));
}

}  // namespace rules
std::u16string_view RuleCodeForItem(std::u16string_view itemText) {
  for (const Rule& rule : kRules) {
    if (rule.itemText == itemText) return rule.code;
  }
  return {};
}

const Rule* RuleForCode(std::u16string_view code) {
  for (const Rule& rule : kRules) {
    if (rule.code == code) return &rule;
  }
  return nullptr;
}

bool IsNumberingRule(std::u16string_view code) {
  const Rule* rule = RuleForCode(code);
  return rule != nullptr && rule->numbers;
}

std::size_t detail::ExtensionLength(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return 0;
  return name.size() - dot;
}

std::int16_t GetExtLen(std::u16string_view name) {
  const std::size_t length = detail::ExtensionLength(name);
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max());
  return static_cast<std::int16_t>(std::min(length, kMax));
}

std::u16string MakeNewBaseName(std::u16string_view base, std::u16string_view code,
                               std::u16string_view stringText, std::u16string_view valueText,
                               std::int16_t maxLen) {
  const Rule* rule = RuleForCode(code);
  std::u16string result;
  if (rule != nullptr && !rule->wholeName)
    rule->newName(result, {base, stringText, valueText, maxLen});
  return result;
}

bool MakeNewFileName(std::u16string& out, std::u16string_view base, std::u16string_view ext,
                     const Rule* rule, std::u16string_view stringText,
                     std::u16string_view valueText, std::int16_t maxLen) {
  out.clear();
  if (rule == nullptr) return false;
  if (rule->wholeName) {
    rule->newName(out, {base, stringText, valueText, maxLen});
    return true;
  }
  const std::u16string_view type = TrimSpaces(ext);
  rule->newName(out, {base, stringText, valueText, maxLen, type.size()});
  if (out.empty()) return false;
  // Trimmed where it stands, in the room already taken.
  std::size_t begin = 0;
  while (begin < out.size() && out[begin] == u' ') ++begin;
  out.erase(0, begin);
  while (!out.empty() && out.back() == u' ') out.pop_back();
  out.append(type);
  return true;
}

}  // namespace renamer
