#pragma once

#include <QComboBox>

#include <string>
#include <vector>

#include "engine/disk/volumes.h"

namespace renamer::ui {

/// The drive list `Drive1`: the mounted volumes, each shown by its mount point with
/// its device beside it.
class DriveList : public QComboBox {
  Q_OBJECT

 public:
  explicit DriveList(QWidget* parent = nullptr);

  /// Replaces the volumes on offer.
  void SetVolumes(std::vector<Volume> volumes);

  /// Shows the volume that holds `path` as the current one, without a change event.
  void ShowVolumeOf(const std::u16string& path);

  /// The mount point of the current volume.
  std::u16string CurrentMountPoint() const;

 private:
  std::vector<Volume> volumes_;
};

}  // namespace renamer::ui
