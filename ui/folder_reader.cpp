#include "ui/folder_reader.h"

#include <utility>

namespace renamer::ui {
namespace {

FolderFiles ReadFiles(const RenameEngine& engine, const std::u16string& path) {
  FolderFiles files;
  files.names =
      ListNames(engine.Files(), path, EntryKind::kFiles, nullptr, &files.places, &files.where);
  files.types = TypesOf(files.names);
  return files;
}

}  // namespace

FolderReader::FolderReader(const RenameEngine& engine, Show show, QObject* parent)
    : QObject(parent), engine_(engine), show_(std::move(show)) {}

// The lanes finish what they hold: it reads through the engine's file system.
FolderReader::~FolderReader() { Drop(); }

void FolderReader::Prefetch(const std::u16string& path) {
  prefetch_.Post([this, path] { prefetched_.emplace(path, ReadFiles(engine_, path)); });
}

FolderFiles FolderReader::Files(const std::u16string& path) {
  Drop();
  prefetch_.Wait();
  std::optional<std::pair<std::u16string, FolderFiles>> prefetched = std::exchange(prefetched_, {});
  if (prefetched && prefetched->first == path) return std::move(prefetched->second);
  return ReadFiles(engine_, path);
}

void FolderReader::Reread(const std::u16string& path) {
  const std::uint64_t generation = ++generation_;
  // Rereads come one after another; one lane keeps them in order.
  rereads_.Post(
      this,
      [this, path, generation] {
        std::optional<std::pair<FolderFiles, std::vector<std::u16string>>> read;
        // A later reread or a listing by the window made this one stale before it began.
        if (generation_ != generation) return read;
        FolderFiles files = ReadFiles(engine_, path);
        read.emplace(std::move(files), engine_.ListDirectories(path));
        return read;
      },
      [this, path, generation](auto read) {
        if (!read) return;
        if (generation_ != generation) {
          FreeElsewhere(std::move(read->first.names));
          return;
        }
        show_(path, std::move(read->first), std::move(read->second));
      });
}

void FolderReader::Drop() { ++generation_; }

}  // namespace renamer::ui
