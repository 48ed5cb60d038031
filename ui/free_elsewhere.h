#pragma once

#include <QThreadPool>

#include <utility>

namespace renamer::ui {

/// Destroys `value` on a thread of the pool instead of the calling one: freeing the
/// names of 100,000 files takes longer than the window may stand still.
template <typename T>
void FreeElsewhere(T value) {
  QThreadPool::globalInstance()->start(
      [held = std::move(value)]() mutable { const T gone = std::move(held); });
}

}  // namespace renamer::ui
