#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/rename_engine.h"

namespace renamer::testing {

/// A window without a screen, for running the engine headless (benchmarks, tests,
/// fuzz targets): the lists and fields are plain members.
class MemoryWindow : public WindowPort {
 public:
  std::u16string path;
  std::vector<std::u16string> files;
  /// Where each of `files` stands in the directory's own order; empty when not known.
  std::vector<std::uint32_t> places;
  /// Whether each of `files` is checked; empty when all are.
  std::vector<bool> checked;
  std::u16string typeText = u"*.*";
  std::vector<std::u16string> typeItems;
  std::u16string stringText;
  std::u16string valueText;
  Ordering timeOrdering = Ordering::kModified;

  std::u16string FileListPath() const override { return path; }
  Ordering TimeOrdering() const override { return timeOrdering; }
  int FileListCount() const override { return static_cast<int>(files.size()); }
  std::shared_ptr<const std::vector<std::uint32_t>> FileListPlaces() const override {
    if (places.empty()) return nullptr;
    return std::make_shared<const std::vector<std::uint32_t>>(places);
  }
  std::u16string FileListItem(int k) const override {
    return files.at(static_cast<std::size_t>(k));
  }
  bool FileListChecked(int k) const override {
    return checked.empty() || checked.at(static_cast<std::size_t>(k));
  }
  std::u16string TypeListText() const override { return typeText; }
  int TypeListCount() const override { return static_cast<int>(typeItems.size()); }
  void TypeListRemoveFirst() override { typeItems.erase(typeItems.begin()); }
  void TypeListAppend(const std::u16string& item) override { typeItems.push_back(item); }
  std::u16string StringFieldText() const override { return stringText; }
  void SetStringFieldText(const std::u16string& text) override { stringText = text; }
  std::u16string ValueFieldText() const override { return valueText; }
};

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
