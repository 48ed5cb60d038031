#include "engine/run/run_request.h"

namespace renamer {
namespace {

// Null when every name is checked, as it usually is.
std::shared_ptr<const std::vector<bool>> CheckedNames(const WindowPort& window, std::size_t count) {
  std::shared_ptr<const std::vector<bool>> shared = window.FileListChoice();
  if (shared && shared->size() == count) return shared;
  std::vector<bool> checked;
  for (std::size_t k = 0; k < count; ++k) {
    if (window.FileListChecked(static_cast<int>(k))) continue;
    if (checked.empty()) checked.assign(count, true);
    checked[k] = false;
  }
  if (checked.empty()) return nullptr;
  return std::make_shared<const std::vector<bool>>(std::move(checked));
}

}  // namespace

RunRequest RunRequest::Texts(const WindowPort& window, std::u16string code, std::int16_t maxLen) {
  RunRequest request;
  request.path = window.FileListPath();
  request.code = std::move(code);
  request.rule = RuleForCode(request.code);
  if (request.rule != nullptr) request.ordering = request.rule->ordering;
  if (NeedsTimes(request.ordering)) request.ordering = window.TimeOrdering();
  request.typeText = window.TypeListText();
  request.stringText = window.StringFieldText();
  request.valueText = window.ValueFieldText();
  request.maxLen = maxLen;
  return request;
}

RunRequest RunRequest::Capture(const WindowPort& window, std::u16string code, std::int16_t maxLen) {
  RunRequest request = Texts(window, std::move(code), maxLen);
  request.names = window.FileListNames();
  if (!request.names) {
    request.names = std::make_shared<const std::vector<std::u16string>>(ListedNames(window));
  }
  request.places = window.FileListPlaces();
  if (request.places && request.places->size() != request.names->size()) request.places.reset();
  request.checked = CheckedNames(window, request.names->size());
  return request;
}

bool RunRequest::SameTexts(const RunRequest& other) const {
  return code == other.code && ordering == other.ordering && typeText == other.typeText &&
         stringText == other.stringText && valueText == other.valueText;
}

std::vector<std::u16string> ListedNames(const WindowPort& window) {
  const int count = window.FileListCount();
  std::vector<std::u16string> names;
  names.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int k = 0; k < count; ++k) names.push_back(window.FileListItem(k));
  return names;
}

}  // namespace renamer
