#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/rename_engine.h"

namespace renamer::bench {

/// A window without a screen: the lists and fields are plain members.
class HeadlessWindow final : public WindowPort {
 public:
  std::u16string path;
  std::vector<std::u16string> files;
  std::u16string typeText = u"*.*";
  std::vector<std::u16string> typeItems;
  std::u16string stringText;
  std::u16string valueText;

  std::u16string FileListPath() const override { return path; }
  int FileListCount() const override { return static_cast<int>(files.size()); }
  std::u16string FileListItem(int k) const override {
    return files[static_cast<std::size_t>(k)];
  }
  std::u16string TypeListText() const override { return typeText; }
  int TypeListCount() const override { return static_cast<int>(typeItems.size()); }
  void TypeListRemoveFirst() override { typeItems.erase(typeItems.begin()); }
  void TypeListAppend(const std::u16string& item) override { typeItems.push_back(item); }
  std::u16string StringFieldText() const override { return stringText; }
  void SetStringFieldText(const std::u16string& text) override { stringText = text; }
  std::u16string ValueFieldText() const override { return valueText; }
};

/// A rule as the benchmark runs it: its code and the value field's text.
struct BenchRule {
  std::u16string code;
  std::u16string value;
  /// The ASCII prefix every new name starts with when the rule adds a fixed prefix;
  /// empty for the running number.
  std::string prefix;
};

/// What one engine run did and how long its parts took.
struct EngineResult {
  double listMs = 0;  ///< the file list's listing (ListFiles)
  double runMs = 0;   ///< RenameFiles
  double totalMs() const { return listMs + runMs; }
  double cpuMs = 0;   ///< CPU time of both parts
  std::size_t listed = 0;
  std::u16string report;
  std::uint64_t peakExtraBytes = 0;  ///< peak resident size above the size before the run
};

/// Lists `directory` as the file list does and runs `rule` over it with RenameFiles.
EngineResult RunEngine(const std::string& directory, const BenchRule& rule);

/// Times renamer::SortByTime alone on the time keys of `times` (fresh copies per call).
double TimeSortByTime(const std::vector<std::int64_t>& times);

}  // namespace renamer::bench
