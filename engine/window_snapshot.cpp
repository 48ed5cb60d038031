#include "engine/window_snapshot.h"

namespace renamer {

WindowSnapshot WindowSnapshot::Capture(const WindowPort& window) {
  WindowSnapshot snapshot;
  snapshot.path = window.FileListPath();
  const int count = window.FileListCount();
  snapshot.files.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int k = 0; k < count; ++k) snapshot.files.push_back(window.FileListItem(k));
  snapshot.typeText = window.TypeListText();
  // The items themselves are not read by a run; only their number is.
  snapshot.typeItems.resize(static_cast<std::size_t>(window.TypeListCount()));
  snapshot.stringText = window.StringFieldText();
  snapshot.valueText = window.ValueFieldText();
  return snapshot;
}

}  // namespace renamer
