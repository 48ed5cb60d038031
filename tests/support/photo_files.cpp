#include "tests/support/photo_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <exiv2/exiv2.hpp>

#include <QColor>
#include <QImage>
#include <QString>

namespace renamer::testing {
namespace {

void AppendBig(std::string& out, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string Box(std::string_view type, const std::string& payload) {
  std::string box;
  AppendBig(box, 8 + payload.size(), 4);
  box.append(type);
  box.append(payload);
  return box;
}

}  // namespace

void WritePhoto(const std::string& path, PhotoFormat format,
                const std::vector<MetadataEntry>& entries) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(QColor(200, 120, 40));
  const char* qtFormat = format == PhotoFormat::kJpeg ? "JPEG" : "PNG";
  if (!image.save(QString::fromStdString(path), qtFormat)) {
    throw std::runtime_error("Qt cannot write " + path);
  }
  if (entries.empty()) return;
  try {
    auto file = Exiv2::ImageFactory::open(path);
    file->readMetadata();
    for (const auto& [key, value] : entries) {
      if (key.rfind("Xmp.", 0) == 0) {
        file->xmpData()[key] = value;
      } else {
        file->exifData()[key] = value;
      }
    }
    file->writeMetadata();
  } catch (const Exiv2::AnyError& error) {
    throw std::runtime_error("exiv2 cannot write metadata into " + path + ": " + error.what());
  }
}

std::string VideoBytes(std::uint64_t creation1904, VideoBrand brand, int headerVersion) {
  const std::string brandName = brand == VideoBrand::kMp4 ? "isom" : "qt  ";
  std::string ftyp = brandName;
  AppendBig(ftyp, 0x200, 4);
  ftyp += brandName;

  std::string mvhd;
  AppendBig(mvhd, static_cast<std::uint64_t>(headerVersion) << 24, 4);  // version, flags
  const int timeBytes = headerVersion == 1 ? 8 : 4;
  AppendBig(mvhd, creation1904, timeBytes);
  AppendBig(mvhd, creation1904, timeBytes);  // modification time
  AppendBig(mvhd, 1000, 4);                  // time scale
  AppendBig(mvhd, 5000, timeBytes);          // duration
  AppendBig(mvhd, 0x00010000, 4);            // preferred rate 1.0
  AppendBig(mvhd, 0x0100, 2);                // preferred volume 1.0
  mvhd.append(10, '\0');
  for (const std::uint64_t cell : {0x10000u, 0u, 0u, 0u, 0x10000u, 0u, 0u, 0u, 0x40000000u}) {
    AppendBig(mvhd, cell, 4);  // the identity matrix
  }
  mvhd.append(24, '\0');
  AppendBig(mvhd, 2, 4);  // next track id
  return Box("ftyp", ftyp) + Box("moov", Box("mvhd", mvhd));
}

void WriteVideo(const std::string& path, std::uint64_t creation1904, VideoBrand brand,
                int headerVersion) {
  WriteWholeFile(path, VideoBytes(creation1904, brand, headerVersion));
}

std::string ExifDateText(std::int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm fields{};
  ::gmtime_r(&time, &fields);
  char text[32];
  std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &fields);
  return text;
}

std::vector<std::string> WriteJpegSeries(const std::string& dir, int count,
                                         std::int64_t firstSeconds, std::int64_t stepSeconds,
                                         const std::string& stem) {
  std::vector<std::string> names;
  if (count <= 0) return names;
  const auto nameOf = [&](int n) {
    char number[16];
    std::snprintf(number, sizeof number, "%05d", n + 1);
    return stem + number + ".jpg";
  };
  const std::string firstDate = ExifDateText(firstSeconds);
  const std::string firstPath = dir + "/" + nameOf(0);
  WritePhoto(firstPath, PhotoFormat::kJpeg, {{"Exif.Photo.DateTimeOriginal", firstDate}});
  names.push_back(nameOf(0));
  std::string bytes = ReadWholeFile(firstPath);
  const std::size_t at = bytes.find(firstDate);
  if (at == std::string::npos) throw std::runtime_error("the date is not in " + firstPath);
  for (int n = 1; n < count; ++n) {
    const std::string date = ExifDateText(firstSeconds + n * stepSeconds);
    if (date.size() != firstDate.size()) throw std::runtime_error("a date of another length");
    bytes.replace(at, date.size(), date);
    names.push_back(nameOf(n));
    WriteWholeFile(dir + "/" + names.back(), bytes);
  }
  return names;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      ::close(fd);
      throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    }
    done += static_cast<std::size_t>(wrote);
  }
  ::close(fd);
}

}  // namespace renamer::testing
