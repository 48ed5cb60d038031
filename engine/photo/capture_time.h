#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace renamer {

/// Why a file has no capture time that can be used.
enum class CaptureMiss {
  kNone,        ///< it has one
  kNotPhoto,    ///< its type carries no photo metadata
  kAbsent,      ///< its metadata has no date of capture, digitising or creation
  kAbsurd,      ///< the date it carries cannot be a real one ("0000:00:00 00:00:00", month 13, …)
  kDamaged,     ///< the metadata cannot be read: damaged or cut short
  kWrongType,   ///< the content is not of the type its extension says
  kUnreadable,  ///< the file cannot be opened or read
};

/// When a photo or video was taken, as an instant.
struct CaptureTime {
  CaptureMiss miss = CaptureMiss::kAbsent;
  /// Seconds since the epoch (UTC) and the milliseconds after them; valid when `miss` is kNone.
  std::int64_t seconds = 0;
  int milliseconds = 0;
  /// The date as the file keeps it, when it was refused as absurd.
  std::string refused;

  bool Found() const { return miss == CaptureMiss::kNone; }
};

/// True when a file named `name` (bytes, any letter case in the extension) is of a type
/// that can carry a capture time: JPEG, TIFF, PNG, WebP, HEIF/HEIC/AVIF, the common raw
/// formats and the videos of phones and cameras. Only those are ever opened.
bool MayCarryCaptureTime(std::string_view name);

/// The capture time of the file `name` in the open directory `dirFd` (a symbolic link is
/// followed): Exif DateTimeOriginal with its sub-seconds and offset, else the digitised or
/// creation date the format keeps. Reads the metadata only, never the pixels. A date
/// without an offset is taken as local time; a video's creation time is UTC. Each file is
/// read once per device, inode, modification time and size: the answer is kept, and
/// served from memory while those stay the same. Safe to call from any thread.
CaptureTime ReadCaptureTimeAt(int dirFd, const std::string& name);

/// Forgets every capture time kept, so that the next reads run exiv2 again: for
/// measurements of a first read.
void ForgetCaptureTimes();

/// The reason shown beside a modification time that stands in for a missing capture time.
std::u16string CaptureMissText(const CaptureTime& time);

/// Reads an Exif date ("YYYY:MM:DD HH:MM:SS"), its sub-seconds ("123", may be empty) and
/// its offset ("+09:00", may be empty) into an instant; an absurd date gives kAbsurd.
CaptureTime ParseExifDate(std::string_view date, std::string_view subSeconds,
                          std::string_view offset);

}  // namespace renamer
