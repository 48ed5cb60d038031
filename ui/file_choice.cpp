#include "ui/file_choice.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "engine/rules/time_key.h"

namespace renamer::ui {

void FileChoice::Reorder(Names names, const std::vector<std::uint32_t>& order) {
  names_ = std::move(names);
  if (where_.inodes.size() == order.size()) ApplyOrder(order, where_.inodes);
  if (!rows_) return;
  std::vector<bool> rows(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) rows[k] = (*rows_)[order[k]];
  rows_ = std::make_shared<const std::vector<bool>>(std::move(rows));
}

void FileChoice::Relist(Names names, ListedInodes where) {
  const Names old = std::exchange(names_, std::move(names));
  const ListedInodes oldWhere = std::exchange(where_, std::move(where));
  const std::unordered_map<std::u16string, bool> renamed = std::exchange(renamed_, {});
  if (!rows_) return;
  // Inode numbers tell files apart on one device only.
  const bool identified = oldWhere.device != 0 && oldWhere.device == where_.device &&
                          oldWhere.inodes.size() == old->size() &&
                          where_.inodes.size() == names_->size();
  // The cleared boxes by name, each with its file's inode number, and by inode number,
  // sorted. Only they are looked up row by row: they are few, the files up to 100,000.
  std::unordered_map<std::u16string_view, std::uint64_t> clearNames;
  std::vector<std::uint64_t> clearInodes;
  clearNames.reserve(unchecked_);
  for (std::size_t row = 0; row < old->size(); ++row) {
    if (Checked(row)) continue;
    const std::uint64_t inode = identified ? oldWhere.inodes[row] : 0;
    clearNames.emplace((*old)[row], inode);
    if (identified) clearInodes.push_back(inode);
  }
  std::sort(clearInodes.begin(), clearInodes.end());
  clearInodes.erase(std::unique(clearInodes.begin(), clearInodes.end()), clearInodes.end());
  const auto clearAt = [&clearInodes](std::uint64_t inode) {
    const auto at = std::lower_bound(clearInodes.begin(), clearInodes.end(), inode);
    return at != clearInodes.end() && *at == inode ? at - clearInodes.begin() : -1;
  };
  // A number that several names share in either listing (hard links, or a file system
  // that gives every entry the same) tells no single file.
  const auto dropShared = [&](const std::vector<std::uint64_t>& inodes) {
    std::vector<std::size_t> counts(clearInodes.size(), 0);
    for (const std::uint64_t inode : inodes) {
      if (const auto at = clearAt(inode); at >= 0) ++counts[static_cast<std::size_t>(at)];
    }
    std::size_t kept = 0;
    for (std::size_t k = 0; k < clearInodes.size(); ++k) {
      if (counts[k] <= 1) clearInodes[kept++] = clearInodes[k];
    }
    clearInodes.resize(kept);
  };
  if (!clearInodes.empty()) {
    dropShared(oldWhere.inodes);
    dropShared(where_.inodes);
  }
  // The boxes of every old file by inode number, -1 where several names shared one; made
  // only for a cleared name that another file has taken since.
  std::unordered_map<std::uint64_t, int> oldBoxes;
  const auto oldBox = [&](std::uint64_t inode) {
    if (oldBoxes.empty()) {
      for (std::size_t row = 0; row < old->size(); ++row) {
        const auto [at, added] = oldBoxes.emplace(oldWhere.inodes[row], Checked(row) ? 1 : 0);
        if (!added) at->second = -1;
      }
    }
    const auto found = oldBoxes.find(inode);
    return found != oldBoxes.end() ? found->second : -1;
  };
  std::vector<bool> rows(names_->size(), true);
  for (std::size_t row = 0; row < names_->size(); ++row) {
    const std::u16string& name = (*names_)[row];
    // Only after a job does a name need looking up here.
    const auto moved = renamed.empty() ? renamed.end() : renamed.find(name);
    if (moved != renamed.end()) {
      rows[row] = moved->second;
      continue;
    }
    const std::uint64_t inode = identified ? where_.inodes[row] : 0;
    // A file whose box was cleared, under this name or another.
    const bool cleared = identified && clearAt(inode) >= 0;
    const auto byName = clearNames.find(name);
    if (byName == clearNames.end()) {
      rows[row] = !cleared;
    } else if (!identified || byName->second == inode || cleared) {
      rows[row] = false;
    } else {
      // Another file has the name now: one listed before under another name keeps its
      // box; a new one, as an editor saves, takes the box of the name.
      rows[row] = oldBox(inode) == 1;
    }
  }
  Adopt(std::move(rows));
}

void FileChoice::Reset(Names names, ListedInodes where) {
  names_ = std::move(names);
  where_ = std::move(where);
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
  SetAll(false);
  Set(rows, true);
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
    if (change.Done()) moved.emplace(change.from, &change.to);
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
