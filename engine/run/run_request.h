#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/rules/name_rules.h"

namespace renamer {

struct RunPrediction;

/// What the engine needs of the main window; the window implements it.
class WindowPort {
 public:
  virtual ~WindowPort() = default;
  /// The file list's directory, without a trailing "/" except for the root "/".
  virtual std::u16string FileListPath() const = 0;
  virtual int FileListCount() const = 0;
  /// Item `k` of the file list, counted from 0.
  virtual std::u16string FileListItem(int k) const = 0;
  /// The whole file list as one shared value that never changes, where the window
  /// keeps it so; null where it does not, and the items are read one by one.
  virtual std::shared_ptr<const std::vector<std::u16string>> FileListNames() const {
    return nullptr;
  }
  /// Where each listed name stood in the directory's own order when it was
  /// listed; null when not known.
  virtual std::shared_ptr<const std::vector<std::uint32_t>> FileListPlaces() const {
    return nullptr;
  }
  /// Whether item `k` is checked to be renamed; a window without a choice checks all.
  virtual bool FileListChecked(int k) const {
    static_cast<void>(k);
    return true;
  }
  /// FileListChecked() of every item as one shared value that never changes, where the
  /// window keeps it so; null where it does not.
  virtual std::shared_ptr<const std::vector<bool>> FileListChoice() const { return nullptr; }
  /// The time that orders a rule that numbers by time: kModified or kTaken.
  virtual Ordering TimeOrdering() const { return Ordering::kModified; }
  virtual std::u16string TypeListText() const = 0;
  virtual int TypeListCount() const = 0;
  virtual void TypeListRemoveFirst() = 0;
  virtual void TypeListAppend(const std::u16string& item) = 0;
  virtual std::u16string StringFieldText() const = 0;
  virtual void SetStringFieldText(const std::u16string& text) = 0;
  virtual std::u16string ValueFieldText() const = 0;
};

/// Everything a run or a prediction reads of the window, taken at one moment, so that
/// either can work on any thread while the window goes on.
struct RunRequest {
  /// The file list's directory.
  std::u16string path;
  /// The file list, in list order; shared, as a large listing is costly to copy.
  std::shared_ptr<const std::vector<std::u16string>> names =
      std::make_shared<const std::vector<std::u16string>>();
  /// Where each name stood in the directory's own order when listed; null when not
  /// known. Only the speed of a run depends on it.
  std::shared_ptr<const std::vector<std::uint32_t>> places;
  /// Whether each name is checked to be renamed; null when every one is. A file left
  /// unchecked is neither read nor planned.
  std::shared_ptr<const std::vector<bool>> checked;
  /// The rule code, empty when no rule is chosen.
  std::u16string code;
  /// The rule of `code`, null when no rule is chosen or the code is unknown; and the
  /// order in which it takes the files, the window's time ordering for a rule that orders
  /// by time. Both are set with `code` by Texts() and Capture().
  const Rule* rule = nullptr;
  Ordering ordering = Ordering::kList;
  /// The ordering whose time a prediction gives for every listed file, for a column
  /// beside the new names; kList for none. A run does not read it.
  Ordering shownTimes = Ordering::kList;
  /// As the type list holds it; trimmed when compared.
  std::u16string typeText;
  std::u16string stringText;
  std::u16string valueText;
  std::int16_t maxLen = 0;
  /// What the window showed that a run of this very request would do, if it showed it:
  /// a run whose plan differs from it renames nothing (see PlanKeepsToShown). Null for
  /// no such check.
  std::shared_ptr<const RunPrediction> shown;
  /// Set by a run that renamed nothing because its plan differed from `shown`.
  bool differsFromShown = false;

  /// The texts of `window`, with `code` and `maxLen`, and no names.
  static RunRequest Texts(const WindowPort& window, std::u16string code, std::int16_t maxLen);
  /// The texts and the file list of `window`.
  static RunRequest Capture(const WindowPort& window, std::u16string code, std::int16_t maxLen);
  /// True when name `k` is checked to be renamed.
  bool Checked(std::size_t k) const { return !checked || (*checked)[k]; }
  /// True when both read the same rule, ordering and texts; the names are not compared.
  bool SameTexts(const RunRequest& other) const;
};

/// The items of the file list of `window`, in list order.
std::vector<std::u16string> ListedNames(const WindowPort& window);

}  // namespace renamer
