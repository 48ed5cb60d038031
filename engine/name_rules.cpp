#include "engine/name_rules.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "engine/text.h"

namespace renamer {
namespace {

constexpr std::u16string_view kMask = u"0000000000";

// The running number padded with zeros to `width` digits; a wider number keeps all
// its digits.
std::u16string FormatNumber(long long number, std::size_t width) {
  std::u16string digits = DecimalText(number < 0 ? -number : number);
  std::u16string result = number < 0 ? u"-" : u"";
  if (digits.size() < width) result.append(width - digits.size(), u'0');
  return result + digits;
}

// Digit count for the numbering rules. The run button lets a negative count through;
// it has no mask, so it numbers like a count of 0.
std::optional<std::size_t> MaskWidth(std::u16string_view valueText) {
  const std::optional<std::int16_t> width = ToInt16(valueText);
  if (!width) return std::nullopt;
  const auto clipped = std::clamp<int>(*width, 0, static_cast<int>(kMask.size()));
  return static_cast<std::size_t>(clipped);
}

// The base name without as many units at its front (or its back) as the value text says.
std::u16string Deleted(const RuleInput& in, bool front) {
  const std::optional<std::int16_t> count = ToInt16(in.valueText);
  if (!count) return {};
  const long long keep = static_cast<long long>(in.base.size()) - *count;
  if (keep <= 0) return {};
  const auto kept = static_cast<std::size_t>(keep);
  return std::u16string(front ? LastUnits(in.base, kept) : FirstUnits(in.base, kept));
}

// The base name with the running number of the string text in front of it (or behind it).
std::u16string Numbered(const RuleInput& in, bool front) {
  const std::optional<std::size_t> width = MaskWidth(in.valueText);
  const std::optional<long long> number = ToWholeNumber(in.stringText);
  if (!width || !number) return {};
  const std::u16string formatted = FormatNumber(*number, *width);
  return front ? Joined(formatted, in.base) : Joined(in.base, formatted);
}

}  // namespace

namespace rules {

std::u16string AddPrefix(const RuleInput& in) {
  return Joined(TrimSpaces(in.valueText), TrimSpaces(in.base));
}

std::u16string AddSuffix(const RuleInput& in) {
  return Joined(TrimSpaces(in.base), TrimSpaces(in.valueText));
}

std::u16string PadToLength(const RuleInput& in) {
  std::u16string result(TrimSpaces(in.base));
  const auto limit = static_cast<std::size_t>(std::max<std::int16_t>(in.maxLen, 0));
  if (in.base.size() < limit) result.append(limit - in.base.size(), u'@');
  return result;
}

std::u16string NumberInFront(const RuleInput& in) { return Numbered(in, true); }
std::u16string NumberBehind(const RuleInput& in) { return Numbered(in, false); }
std::u16string DeleteFront(const RuleInput& in) { return Deleted(in, true); }
std::u16string DeleteBack(const RuleInput& in) { return Deleted(in, false); }
std::u16string DeleteText(const RuleInput& in) { return ReplaceAll(in.base, in.stringText, u""); }

std::u16string ReplaceText(const RuleInput& in) {
  return ReplaceAll(in.base, in.stringText, in.valueText);
}

// The whole new file name: the base name with the value text as its extension.
std::u16string NewExtension(const RuleInput& in) {
  return Joined(TrimSpaces(in.base), TrimSpaces(in.valueText));
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
  if (rule == nullptr || rule->wholeName) return {};
  return rule->newName({base, stringText, valueText, maxLen});
}

}  // namespace renamer
