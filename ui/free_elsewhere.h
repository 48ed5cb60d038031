#pragma once

#include <QThreadPool>

#include <utility>

namespace renamer::ui {

/// The one thread that frees for the window. It runs at the lowest priority: freeing
/// can wait, and a thread freeing 100,000 names at the window's own priority takes half
/// of a two-core machine's time from the window while a run or a prediction has the
/// other half.
QThreadPool& FreeingPool();

/// Destroys `value` on the freeing thread instead of the calling one: freeing the names
/// of 100,000 files takes longer than the window may stand still.
template <typename T>
void FreeElsewhere(T value) {
  FreeingPool().start([held = std::move(value)]() mutable { const T gone = std::move(held); });
}

}  // namespace renamer::ui
