// Every rule on any base name and field texts, and the run button's checks of the
// value field: no crash, and the shape of each rule's result.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/rules/input_check.h"
#include "engine/rules/name_rules.h"
#include "engine/rules/text.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace renamer;

bool StartsWith(std::u16string_view text, std::u16string_view head) {
  return text.substr(0, head.size()) == head;
}
bool EndsWith(std::u16string_view text, std::u16string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

void CheckShape(std::u16string_view code, std::u16string_view base, std::u16string_view s,
                std::u16string_view v, std::int16_t maxLen, const std::u16string& result) {
  using fuzzing::Require;
  if (code == u"ADDPRE" || code == u"ADDLST") {
    Require(result.size() == TrimSpaces(base).size() + TrimSpaces(v).size(), "affix length");
  } else if (code == u"SAMELEN") {
    Require(StartsWith(result, TrimSpaces(base)), "padding lost the base");
    const std::u16string_view pad = std::u16string_view(result).substr(TrimSpaces(base).size());
    Require(pad.find_first_not_of(u'@') == std::u16string_view::npos, "pad not made of @");
    Require(static_cast<long long>(pad.size()) ==
                std::max<long long>(0, maxLen - static_cast<long long>(base.size())),
            "pad length");
  } else if (code == u"DELPREN" || code == u"DELLSTN") {
    Require(result.size() <= base.size(), "deleting made the name longer");
    Require(code == u"DELPREN" ? EndsWith(base, result) : StartsWith(base, result),
            "deleting kept the wrong end");
  } else if (code == u"ADDPRENO") {
    Require(result.empty() || EndsWith(result, base), "number in front lost the base");
  } else if (code == u"ADDLSTNO") {
    Require(result.empty() || StartsWith(result, base), "number behind lost the base");
  } else if (code == u"DEL") {
    Require(result.size() <= base.size(), "deleting a text made the name longer");
    Require(!s.empty() || result == base, "deleting nothing changed the name");
  } else if (code == u"REP") {
    Require(!s.empty() || result == base, "replacing nothing changed the name");
  } else {
    Require(result.empty(), "a code without a rule gave a name");
  }
}

void CheckInput(std::u16string_view code, std::u16string_view v) {
  const std::u16string message = CheckRunInput(code, v);
  const bool counted =
      code == u"ADDPRENO" || code == u"ADDLSTNO" || code == u"DELPREN" || code == u"DELLSTN";
  if (counted && message.empty()) {
    const std::optional<std::int16_t> count = ToInt16(v);
    fuzzing::Require(count.has_value() && *count <= 10, "a run may start with a bad count");
  }
  if (code == u"EXT" && message.empty()) {
    fuzzing::Require(StartsWith(TrimSpaces(v), u"."), "extension without a dot accepted");
  }
  const std::optional<NumericReading> reading = ReadNumeric(v);
  if (ToInt16(v).has_value()) fuzzing::Require(reading.has_value(), "integer not numeric");
  if (ToWholeNumber(v).has_value()) fuzzing::Require(reading.has_value(), "whole not numeric");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const auto maxLen = data.ConsumeIntegral<std::int16_t>();
  const std::u16string base = fuzzing::ConsumeText(data);
  const std::u16string stringText = fuzzing::ConsumeText(data, 64);
  const std::u16string valueText = fuzzing::ConsumeText(data, 64);
  const std::u16string otherCode = fuzzing::ConsumeText(data, 16);

  for (const Rule& rule : kRules) {
    const std::u16string result = MakeNewBaseName(base, rule.code, stringText, valueText, maxLen);
    CheckShape(rule.code, base, stringText, valueText, maxLen, result);
    CheckInput(rule.code, valueText);
  }
  if (RuleCodeForItem(otherCode).empty()) {
    bool isCode = false;
    for (const Rule& rule : kRules) isCode = isCode || rule.code == otherCode;
    if (!isCode) {
      CheckShape(otherCode, base, stringText, valueText, maxLen,
                 MakeNewBaseName(base, otherCode, stringText, valueText, maxLen));
    }
  }
  CheckInput(u"", valueText);
  return 0;
}
