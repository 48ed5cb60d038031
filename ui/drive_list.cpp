#include "ui/drive_list.h"

#include <QSignalBlocker>

namespace renamer::ui {

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {}

void DriveList::SetVolumes(std::vector<Volume> volumes) {
  const QSignalBlocker blocker(this);
  clear();
  volumes_ = std::move(volumes);
  for (const Volume& volume : volumes_) {
    addItem(QString::fromStdU16String(volume.mountPoint) + QStringLiteral("  [") +
            QString::fromStdU16String(volume.source) + QStringLiteral("]"));
  }
}

void DriveList::ShowVolumeOf(const std::u16string& path) {
  const int index = VolumeIndexFor(volumes_, path);
  if (index < 0) return;
  const QSignalBlocker blocker(this);
  setCurrentIndex(index);
}

std::u16string DriveList::CurrentMountPoint() const {
  const int index = currentIndex();
  if (index < 0 || index >= static_cast<int>(volumes_.size())) return u"/";
  return volumes_[static_cast<std::size_t>(index)].mountPoint;
}

}  // namespace renamer::ui
