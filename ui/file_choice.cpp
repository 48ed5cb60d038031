#include "ui/file_choice.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace renamer::ui {

void FileChoice::Relist(Names names) {
  const Names old = std::exchange(names_, std::move(names));
  const std::unordered_map<std::u16string, bool> renamed = std::exchange(renamed_, {});
  if (!rows_) return;
  std::unordered_set<std::u16string_view> clear;
  clear.reserve(unchecked_);
  for (std::size_t row = 0; row < old->size(); ++row) {
    if (!Checked(row)) clear.insert((*old)[row]);
  }
  std::vector<bool> rows(names_->size(), true);
  for (std::size_t row = 0; row < names_->size(); ++row) {
    const std::u16string& name = (*names_)[row];
    const auto moved = renamed.find(name);
    rows[row] = moved != renamed.end() ? moved->second : !clear.contains(name);
  }
  Adopt(std::move(rows));
}

void FileChoice::Reset(Names names) {
  names_ = std::move(names);
  renamed_.clear();
  Adopt({});
}

void FileChoice::Set(const std::vector<int>& rows, bool checked) {
  std::vector<bool> changed = Rows();
  for (const int row : rows) changed[static_cast<std::size_t>(row)] = checked;
  Adopt(std::move(changed));
}

void FileChoice::SetAll(bool checked) {
  Adopt(checked ? std::vector<bool>() : std::vector<bool>(names_->size(), false));
}

void FileChoice::Invert() {
  std::vector<bool> inverted = Rows();
  inverted.flip();
  Adopt(std::move(inverted));
}

void FileChoice::CheckOnly(const std::vector<int>& rows) {
  std::vector<bool> only(names_->size(), false);
  for (const int row : rows) only[static_cast<std::size_t>(row)] = true;
  Adopt(std::move(only));
}

void FileChoice::CheckOnlyNamed(const std::vector<std::u16string>& chosen) {
  const std::unordered_set<std::u16string_view> wanted(chosen.begin(), chosen.end());
  std::vector<bool> only(names_->size(), false);
  for (std::size_t row = 0; row < names_->size(); ++row)
    only[row] = wanted.contains((*names_)[row]);
  Adopt(std::move(only));
}

void FileChoice::FollowRenames(const std::vector<FileChange>& changes) {
  // With every box checked, every file comes checked anyway.
  if (!rows_) return;
  std::unordered_map<std::u16string_view, const std::u16string*> moved;
  for (const FileChange& change : changes) {
    if (change.done) moved.emplace(change.from, &change.to);
  }
  for (std::size_t row = 0; row < names_->size(); ++row) {
    const auto found = moved.find((*names_)[row]);
    if (found != moved.end()) renamed_[*found->second] = Checked(row);
  }
}

void FileChoice::Adopt(std::vector<bool> rows) {
  unchecked_ = static_cast<std::size_t>(std::count(rows.begin(), rows.end(), false));
  rows_ = unchecked_ == 0 ? nullptr : std::make_shared<const std::vector<bool>>(std::move(rows));
}

std::vector<bool> FileChoice::Rows() const {
  return rows_ ? *rows_ : std::vector<bool>(names_->size(), true);
}

}  // namespace renamer::ui
