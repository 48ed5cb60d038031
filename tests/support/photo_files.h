#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace renamer::testing {

enum class PhotoFormat { kJpeg, kPng };

/// A metadata entry for exiv2 to write: a key such as "Exif.Photo.DateTimeOriginal" or
/// "Xmp.xmp.CreateDate", and its value as text.
using MetadataEntry = std::pair<std::string, std::string>;

/// Writes a real 16×16 image at `path`, drawn by Qt, then gives it the metadata entries
/// through exiv2, as a camera's file would carry them. Throws when either step fails.
void WritePhoto(const std::string& path, PhotoFormat format,
                const std::vector<MetadataEntry>& entries);

/// The brand of a movie's "ftyp" box: an MP4 ("isom") or a QuickTime movie ("qt  ").
enum class VideoBrand { kMp4, kQuickTime };

/// The bytes of the smallest movie that says when it was made: an "ftyp" box and a
/// "moov" box with a movie header ("mvhd") of the given version (0: 32-bit times,
/// 1: 64-bit), whose creation time is `creation1904`, in seconds since 1904-01-01 UTC.
std::string VideoBytes(std::uint64_t creation1904, VideoBrand brand, int headerVersion = 0);
void WriteVideo(const std::string& path, std::uint64_t creation1904,
                VideoBrand brand = VideoBrand::kMp4, int headerVersion = 0);

/// "YYYY:MM:DD HH:MM:SS", the wall clock of `seconds` in UTC, as Exif writes dates.
std::string ExifDateText(std::int64_t seconds);

/// Writes `count` JPEGs into `dir`, named stem + a five-digit number from 1 + ".jpg"
/// ("IMG_00001.jpg", …), the n-th (from 0) with the DateTimeOriginal of
/// firstSeconds + n × stepSeconds, as UTC wall clock. Only the first is drawn and
/// written through Qt and exiv2; the others are its bytes with the date replaced, so
/// that ten thousand take well under a second. Gives the names in order.
std::vector<std::string> WriteJpegSeries(const std::string& dir, int count,
                                         std::int64_t firstSeconds, std::int64_t stepSeconds = 60,
                                         const std::string& stem = "IMG_");

/// The whole content of a file, and writing one (an existing file keeps its inode).
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace renamer::testing
