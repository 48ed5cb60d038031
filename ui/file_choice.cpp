#include "ui/file_choice.h"

#include <utility>

namespace renamer::ui {

void FileChoice::Relist(Names names) {
  names_ = std::move(names);
  Rebuild();
}

void FileChoice::Reset(Names names) {
  names_ = std::move(names);
  unchecked_.clear();
  rows_.reset();
}

void FileChoice::Set(const std::vector<int>& rows, bool checked) {
  for (const int row : rows) {
    const std::u16string& name = (*names_)[static_cast<std::size_t>(row)];
    if (checked) {
      unchecked_.erase(name);
    } else {
      unchecked_.insert(name);
    }
  }
  Rebuild();
}

void FileChoice::SetAll(bool checked) {
  unchecked_.clear();
  if (!checked) unchecked_.insert(names_->begin(), names_->end());
  Rebuild();
}

void FileChoice::Invert() {
  std::unordered_set<std::u16string> inverted;
  for (std::size_t row = 0; row < names_->size(); ++row) {
    if (Checked(row)) inverted.insert((*names_)[row]);
  }
  unchecked_.swap(inverted);
  Rebuild();
}

void FileChoice::CheckOnly(const std::vector<int>& rows) {
  SetAll(false);
  Set(rows, true);
}

void FileChoice::CheckOnlyNamed(const std::vector<std::u16string>& chosen) {
  unchecked_.clear();
  const std::unordered_set<std::u16string> keep(chosen.begin(), chosen.end());
  for (const std::u16string& name : *names_) {
    if (!keep.contains(name)) unchecked_.insert(name);
  }
  Rebuild();
}

void FileChoice::FollowRenames(const std::vector<FileChange>& changes) {
  if (unchecked_.empty()) return;
  for (const FileChange& change : changes) {
    if (change.done && unchecked_.erase(change.from) > 0) unchecked_.insert(change.to);
  }
}

void FileChoice::Rebuild() {
  rows_.reset();
  if (unchecked_.empty()) return;
  // A name no longer listed is forgotten: should a file of that name come back, it is
  // another file, and comes checked.
  std::unordered_set<std::u16string> listed;
  std::vector<bool> rows(names_->size(), true);
  for (std::size_t row = 0; row < names_->size(); ++row) {
    const auto found = unchecked_.find((*names_)[row]);
    if (found == unchecked_.end()) continue;
    rows[row] = false;
    listed.insert(unchecked_.extract(found));
  }
  unchecked_.swap(listed);
  if (!unchecked_.empty()) rows_ = std::make_shared<const std::vector<bool>>(std::move(rows));
}

}  // namespace renamer::ui
