#include "ui/folder_reader.h"

#include <utility>

#include "ui/free_elsewhere.h"

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
    : QObject(parent), engine_(engine), show_(std::move(show)) {
  // Rereads come one after another; one worker keeps them in order.
  worker_.setMaxThreadCount(1);
}

FolderReader::~FolderReader() {
  Drop();
  if (prefetch_.valid()) prefetch_.wait();
  worker_.waitForDone();
}

void FolderReader::Prefetch(const std::u16string& path) {
  // A read nobody took is finished first: the engine's file system is not ours to
  // leave a thread on.
  if (prefetch_.valid()) prefetch_.wait();
  prefetchPath_ = path;
  prefetch_ = std::async(std::launch::async,
                         [engine = &engine_, path] { return ReadFiles(*engine, path); });
}

FolderFiles FolderReader::Files(const std::u16string& path) {
  Drop();
  if (prefetch_.valid()) {
    FolderFiles files = prefetch_.get();
    if (prefetchPath_ == path) return files;
  }
  return ReadFiles(engine_, path);
}

void FolderReader::Reread(const std::u16string& path) {
  const std::uint64_t generation = ++*generation_;
  worker_.start([this, path, generation, current = generation_] {
    // A later reread or a listing by the window made this one stale before it began.
    if (*current != generation) return;
    FolderFiles files = ReadFiles(engine_, path);
    std::vector<std::u16string> subdirectories = engine_.ListDirectories(path);
    QMetaObject::invokeMethod(
        this,
        [this, path, generation, files = std::move(files),
         subdirectories = std::move(subdirectories)]() mutable {
          if (*generation_ != generation) {
            FreeElsewhere(std::move(files.names));
            return;
          }
          show_(path, std::move(files), std::move(subdirectories));
        },
        Qt::QueuedConnection);
  });
}

void FolderReader::Drop() { ++*generation_; }

}  // namespace renamer::ui
