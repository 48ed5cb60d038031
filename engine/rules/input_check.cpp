#include "engine/rules/input_check.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/rules/name_rules.h"
#include "engine/rules/text.h"

namespace renamer {
namespace {

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// strtod on a text the grammar already accepted; the C library reads "." as the
// decimal point only in the "C" locale, so the point is swapped for the current one.
double ParseAscii(const std::string& ascii) {
  std::string text = ascii;
  const char* point = std::localeconv()->decimal_point;
  if (point != nullptr && point[0] != '.' && point[0] != '\0') {
    for (char& c : text) {
      if (c == '.') c = point[0];
    }
  }
  return std::strtod(text.c_str(), nullptr);
}

}  // namespace

std::optional<NumericReading> ReadNumeric(std::u16string_view text) {
  const std::u16string_view s = TrimSpaces(text);
  // Plain digits (the running number and the width, read once per file in a numbering
  // run) need no general parse: up to 15 digits the value is exact either way.
  if (!s.empty() && s.size() <= 15 && std::all_of(s.begin(), s.end(), IsDigit)) {
    double value = 0;
    for (const char16_t unit : s) value = value * 10 + (unit - u'0');
    return NumericReading{value, value};
  }
  std::size_t pos = 0;
  std::string full;
  std::string leading;
  bool leadingStopped = false;
  auto take = [&](char16_t unit) {
    full.push_back(static_cast<char>(unit));
    if (!leadingStopped) leading.push_back(static_cast<char>(unit));
  };

  if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) take(s[pos++]);
  std::size_t digits = 0;
  while (pos < s.size()) {
    if (IsDigit(s[pos])) {
      take(s[pos++]);
      ++digits;
    } else if (s[pos] == u',' && digits > 0 && pos + 1 < s.size() && IsDigit(s[pos + 1])) {
      leadingStopped = true;
      ++pos;
    } else {
      break;
    }
  }
  if (pos < s.size() && s[pos] == u'.') {
    take(s[pos++]);
    while (pos < s.size() && IsDigit(s[pos])) {
      take(s[pos++]);
      ++digits;
    }
  }
  if (digits == 0) return std::nullopt;
  if (pos < s.size() && (s[pos] == u'e' || s[pos] == u'E')) {
    take(s[pos++]);
    if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) take(s[pos++]);
    std::size_t exponentDigits = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
      take(s[pos++]);
      ++exponentDigits;
    }
    if (exponentDigits == 0) return std::nullopt;
  }
  if (pos != s.size()) return std::nullopt;

  NumericReading reading;
  reading.value = ParseAscii(full);
  reading.leadingValue = ParseAscii(leading);
  return reading;
}

std::optional<std::int16_t> ToInt16(std::u16string_view text) {
  const std::optional<NumericReading> reading = ReadNumeric(text);
  if (!reading) return std::nullopt;
  const double rounded = std::nearbyint(reading->value);  // ties to even by default
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) return std::nullopt;
  return static_cast<std::int16_t>(rounded);
}

std::optional<long long> ToWholeNumber(std::u16string_view text) {
  const std::optional<NumericReading> reading = ReadNumeric(text);
  if (!reading) return std::nullopt;
  const double value = reading->value;
  if (!(std::fabs(value) < 1e15) || value != std::trunc(value)) return std::nullopt;
  return static_cast<long long>(value);
}

std::u16string CheckDigitCount(std::u16string_view valueText) {
  const std::optional<NumericReading> reading = ReadNumeric(valueText);
  const std::optional<std::int16_t> integer = ToInt16(valueText);
  if (!reading || !integer || reading->leadingValue != static_cast<double>(*integer)) {
    return std::u16string(kNotIntegerMessage);
  }
  if (*integer >= 11) return std::u16string(kNumberTooLongMessage);
  return {};
}

std::u16string CheckNewExtension(std::u16string_view valueText) {
  const std::u16string_view value = TrimSpaces(valueText);
  if (value.empty() || value.front() != u'.') return std::u16string(kExtensionDotMessage);
  return {};
}

std::u16string CheckRunInput(std::u16string_view code, std::u16string_view valueText) {
  const Rule* rule = RuleForCode(code);
  return rule != nullptr && rule->check != nullptr ? rule->check(valueText) : std::u16string();
}

}  // namespace renamer
