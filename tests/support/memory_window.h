#pragma once

#include <string>

#include "engine/rename_engine.h"
#include "engine/window_snapshot.h"

namespace renamer::testing {

/// A window without a screen, for running the engine headless (benchmarks, tests,
/// fuzz targets): the lists and fields are plain members.
using MemoryWindow = WindowSnapshot;

/// The headless window, counting how often the run writes the string field.
class FakeWindow : public MemoryWindow {
 public:
  int stringWrites = 0;

  void SetStringFieldText(const std::u16string& text) override {
    MemoryWindow::SetStringFieldText(text);
    ++stringWrites;
  }
};

}  // namespace renamer::testing
