#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/rename_engine.h"
#include "ui/lane.h"

namespace renamer::ui {

/// The files of a folder as the file list shows them, and their types.
struct FolderFiles {
  std::vector<std::u16string> names;
  /// Where each name stands in the directory's own order.
  std::vector<std::uint32_t> places;
  /// The inode number of each name, which tells a file renamed by another program.
  ListedInodes where;
  /// TypesOf(names), the type list's items after "*.*".
  std::vector<std::u16string> types;
};

/// Reads the open folder off the window's thread. Reading 100,000 names and putting
/// them in order takes longer than the window may stand still, so a folder being
/// opened has its files read while its subdirectories are, and a folder that another
/// program changed is read again wholly on a lane.
class FolderReader : public QObject {
 public:
  /// Takes a folder as a Reread() found it: its files and subdirectories, in the order
  /// the lists show them.
  using Show = std::function<void(const std::u16string& path, FolderFiles files,
                                  std::vector<std::u16string> subdirectories)>;

  /// Reads through `engine`, which must outlive the reader, and hands each reread to
  /// `show` on the window's thread.
  FolderReader(const RenameEngine& engine, Show show, QObject* parent = nullptr);
  /// Waits for the reads under way: they use the engine's file system.
  ~FolderReader() override;

  /// Starts reading the files of `path`, to be taken by Files() shortly.
  void Prefetch(const std::u16string& path);
  /// The files of `path`: those Prefetch read for it, else read now. What a reread
  /// under way finds is older, and dropped.
  FolderFiles Files(const std::u16string& path);

  /// Starts reading the files and subdirectories of `path` again, for the show, unless
  /// a later Reread() or Drop() makes them stale first.
  void Reread(const std::u16string& path);
  /// What a reread under way finds is dropped: the window has listed since.
  void Drop();

 private:
  const RenameEngine& engine_;
  Show show_;
  /// The last prefetch's folder and files; written on its lane, taken once it is idle.
  std::optional<std::pair<std::u16string, FolderFiles>> prefetched_;
  /// Counts rereads and drops; a reread finding another number is stale.
  std::atomic<std::uint64_t> generation_{0};
  /// Last, so that they end first: their work uses the members above. A prefetch has a
  /// lane of its own, so that opening a folder never waits behind a reread under way.
  Lane prefetch_;
  Lane rereads_;
};

}  // namespace renamer::ui
