#include "engine/photo/capture_time.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

#include <exiv2/exiv2.hpp>
#include <exiv2/quicktimevideo.hpp>
#include <exiv2/webpimage.hpp>

namespace renamer {
namespace {

namespace T = Exiv2::ImageType;

// The types, as exiv2 tells them apart, that a file named with each extension may have:
// raw formats are TIFF inside, and exiv2 names some of them by their own type and others
// as plain TIFF; a movie is ISO base media to exiv2 unless its brand is QuickTime's.
struct Extension {
  std::string_view text;
  int type;
  int otherType;
};

constexpr Extension kExtensions[] = {
    {"jpg", T::jpeg, T::jpeg},  {"jpeg", T::jpeg, T::jpeg}, {"jpe", T::jpeg, T::jpeg},
    {"tif", T::tiff, T::tiff},  {"tiff", T::tiff, T::tiff}, {"png", T::png, T::png},
    {"webp", T::webp, T::webp}, {"heif", T::bmff, T::bmff}, {"heic", T::bmff, T::bmff},
    {"avif", T::bmff, T::bmff}, {"cr3", T::bmff, T::bmff},  {"cr2", T::cr2, T::tiff},
    {"nef", T::tiff, T::tiff},  {"arw", T::tiff, T::tiff},  {"dng", T::tiff, T::tiff},
    {"orf", T::orf, T::tiff},   {"rw2", T::rw2, T::tiff},   {"raf", T::raf, T::raf},
    {"mp4", T::qtime, T::bmff}, {"m4v", T::qtime, T::bmff}, {"mov", T::qtime, T::bmff},
    {"3gp", T::qtime, T::bmff},
};

const Extension* ExtensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  // ".jpg" alone is a hidden file without an extension.
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot - 1 > 4) return nullptr;
  std::string lower(name.substr(dot + 1));
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const Extension& extension : kExtensions) {
    if (extension.text == lower) return &extension;
  }
  return nullptr;
}

// ---- Reading with exiv2 ----

constexpr std::int64_t kQuickTimeEpoch = 2082844800;  // 1904-01-01 to 1970-01-01, in seconds
constexpr std::int64_t kLastSecond = 4133980799;      // 2100-12-31 23:59:59 UTC

std::mutex xmpToolkitMutex;

void LockXmpToolkit(void* data, bool lock) {
  auto* mutex = static_cast<std::mutex*>(data);
  lock ? mutex->lock() : mutex->unlock();
}

void SetUpExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    // The XMP toolkit keeps global state: threads reading at once take turns in it.
    Exiv2::XmpParser::initialize(&LockXmpToolkit, &xmpToolkitMutex);
    Exiv2::enableBMFF(true);
  });
}

std::optional<std::string> ExifText(const Exiv2::ExifData& exif, const char* key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  if (found == exif.end()) return {};
  return found->toString();
}

std::optional<std::string> XmpText(const Exiv2::XmpData& xmp, const char* key) {
  const auto found = xmp.findKey(Exiv2::XmpKey(key));
  if (found == xmp.end()) return {};
  return found->toString();
}

std::optional<std::uint64_t> Unsigned(const std::optional<std::string>& text) {
  if (!text || text->empty() || text->size() > 19) return {};
  std::uint64_t value = 0;
  for (const char c : *text) {
    if (c < '0' || c > '9') return {};
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

// exiv2 reads the movie header as 32-bit fields whatever its version, so that in a
// version 1 header the 64-bit creation time lands in two of them: its high half in
// DateUTC and its low half in ModificationDate.
CaptureTime MovieTime(const Exiv2::XmpData& xmp) {
  const auto version = Unsigned(XmpText(xmp, "Xmp.video.MovieHeaderVersion"));
  auto creation = Unsigned(XmpText(xmp, "Xmp.video.DateUTC"));
  if (creation && version == 1u) {
    const auto low = Unsigned(XmpText(xmp, "Xmp.video.ModificationDate"));
    creation = *creation > 0xFFFFFFFFu || !low
                   ? std::nullopt
                   : std::optional(*creation << 32 | (*low & 0xFFFFFFFFu));
  }
  CaptureTime time;
  // Zero is how a movie says its creation time was never set.
  if (!creation || *creation == 0) return time;
  if (*creation > static_cast<std::uint64_t>(kLastSecond + kQuickTimeEpoch)) {
    time.miss = CaptureMiss::kAbsurd;
    time.refused = std::to_string(*creation);
    return time;
  }
  time.miss = CaptureMiss::kNone;
  time.seconds = static_cast<std::int64_t>(*creation) - kQuickTimeEpoch;
  return time;
}

// The first usable date in the order of preference; an absurd one is passed over for a
// later one, and reported only when no other is found.
CaptureTime DateOf(const Exiv2::Image& image) {
  const Exiv2::ExifData& exif = image.exifData();
  const Exiv2::XmpData& xmp = image.xmpData();
  CaptureTime absurd;
  const auto consider = [&](const CaptureTime& time) {
    if (time.miss == CaptureMiss::kAbsurd && absurd.miss != CaptureMiss::kAbsurd) absurd = time;
    return time.Found();
  };
  constexpr const char* kExif[][3] = {
      {"Exif.Photo.DateTimeOriginal", "Exif.Photo.SubSecTimeOriginal",
       "Exif.Photo.OffsetTimeOriginal"},
      {"Exif.Photo.DateTimeDigitized", "Exif.Photo.SubSecTimeDigitized",
       "Exif.Photo.OffsetTimeDigitized"},
  };
  for (const auto& keys : kExif) {
    if (const auto date = ExifText(exif, keys[0])) {
      const CaptureTime time = ParseExifDate(*date, ExifText(exif, keys[1]).value_or(""),
                                             ExifText(exif, keys[2]).value_or(""));
      if (consider(time)) return time;
    }
  }
  for (const char* key :
       {"Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated", "Xmp.xmp.CreateDate"}) {
    if (const auto date = XmpText(xmp, key)) {
      const CaptureTime time = ParseExifDate(*date, "", "");
      if (consider(time)) return time;
    }
  }
  if (image.imageType() == T::qtime) {
    const CaptureTime time = MovieTime(xmp);
    if (consider(time)) return time;
  }
  return absurd;
}

// exiv2 trusts the sizes that a file states: its QuickTime reader, given a box of a
// gigabyte in a file of a hundred bytes, goes on reading four bytes at a time past the
// end, a quarter of a billion times. In a real file exiv2 reads at the end a few times
// only (the tests of the types included), and in far fewer than millions of pieces;
// past either bound the file is taken as damaged.
class BoundedIo final : public Exiv2::FileIo {
 public:
  using FileIo::FileIo;
  using FileIo::read;

  Exiv2::DataBuf read(long count) override {
    Exiv2::DataBuf data = FileIo::read(count);
    Spend(data.size_ < count);
    return data;
  }
  long read(Exiv2::byte* buffer, long count) override {
    const long got = FileIo::read(buffer, count);
    Spend(got < count);
    return got;
  }
  int getb() override {
    const int byte = FileIo::getb();
    Spend(byte == EOF);
    return byte;
  }
  int seek(long offset, Position position) override {
    Spend(false);
    return FileIo::seek(offset, position);
  }

 private:
  static constexpr int kMaxShortReads = 256;
  static constexpr long kMaxCalls = 4'000'000;

  void Spend(bool shortRead) {
    if (++calls_ > kMaxCalls || (shortRead && ++shortReads_ > kMaxShortReads)) {
      throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
    }
  }

  long calls_ = 0;
  int shortReads_ = 0;
};

// exiv2 0.27 hands its readers over in std::auto_ptr, whose very name is deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
Exiv2::BasicIo::AutoPtr OpenBounded(const std::string& path) {
  return Exiv2::BasicIo::AutoPtr(new BoundedIo(path));
}
#pragma GCC diagnostic pop

// What exiv2 made of a file's content, whatever its name says.
struct Reading {
  int type = T::none;
  CaptureTime time;
};

CaptureTime Missing(CaptureMiss miss) {
  CaptureTime time;
  time.miss = miss;
  return time;
}

// exiv2 opens files by path; the one of the descriptor reaches the very file that was
// opened and checked, even if the name has since been given to another.
Reading ReadWithExiv2(int fd, bool asVideo) {
  SetUpExiv2();
  Reading reading;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  try {
    auto io = OpenBounded(path);
    if (io->open() != 0) {
      reading.time = Missing(CaptureMiss::kUnreadable);
      return reading;
    }
    io->close();
    // Some of exiv2's tests of a type throw on a file shorter than what they look at: one
    // that short is no type that exiv2 can tell, just as one that no test claims.
    try {
      reading.type = Exiv2::ImageFactory::getType(*io);
    } catch (const std::exception&) {
      reading.type = T::none;
    }
    if (reading.type == T::none) {
      reading.time = Missing(CaptureMiss::kWrongType);
      return reading;
    }
    // exiv2 claims every file with an "ftyp" box for its HEIF reader, which knows
    // nothing of a movie's header; only the QuickTime reader reads that.
    auto image = asVideo && reading.type == T::bmff ? Exiv2::ImageFactory::create(T::qtime, io)
                                                    : Exiv2::ImageFactory::open(io);
    if (image.get() == nullptr) {
      reading.time = Missing(CaptureMiss::kDamaged);
      return reading;
    }
    image->readMetadata();
    reading.time = DateOf(*image);
  } catch (const std::exception&) {
    reading.time = Missing(CaptureMiss::kDamaged);
  }
  return reading;
}

// ---- The answers kept ----

struct FileKey {
  dev_t device;
  ino_t inode;
  std::int64_t mtimeSeconds;
  long mtimeNanoseconds;
  off_t size;
  bool asVideo;

  bool operator<(const FileKey& other) const {
    return std::tie(device, inode, mtimeSeconds, mtimeNanoseconds, size, asVideo) <
           std::tie(other.device, other.inode, other.mtimeSeconds, other.mtimeNanoseconds,
                    other.size, other.asVideo);
  }
};

constexpr std::size_t kMaxKept = 1'000'000;

std::mutex keptMutex;
std::map<FileKey, Reading>& Kept() {
  static auto* kept = new std::map<FileKey, Reading>;
  return *kept;
}

class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() { ::close(fd_); }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

}  // namespace

bool MayCarryCaptureTime(std::string_view name) { return ExtensionOf(name) != nullptr; }

void ForgetCaptureTimes() {
  const std::lock_guard lock(keptMutex);
  Kept().clear();
}

CaptureTime ReadCaptureTimeAt(int dirFd, const std::string& name) {
  const Extension* extension = ExtensionOf(name);
  if (extension == nullptr) return Missing(CaptureMiss::kNotPhoto);
  const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return Missing(CaptureMiss::kUnreadable);
  const FdCloser closer(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Missing(CaptureMiss::kUnreadable);

  const bool asVideo = extension->type == T::qtime;
  const FileKey key{st.st_dev,          st.st_ino,  static_cast<std::int64_t>(st.st_mtim.tv_sec),
                    st.st_mtim.tv_nsec, st.st_size, asVideo};
  std::optional<Reading> reading;
  {
    const std::lock_guard lock(keptMutex);
    const auto found = Kept().find(key);
    if (found != Kept().end()) reading = found->second;
  }
  if (!reading) {
    if (st.st_size == 0) {
      reading = Reading{T::none, Missing(CaptureMiss::kDamaged)};
    } else {
      reading = ReadWithExiv2(fd, asVideo);
    }
    // A file that could not be opened again may be readable the next time.
    if (reading->time.miss != CaptureMiss::kUnreadable) {
      const std::lock_guard lock(keptMutex);
      if (Kept().size() >= kMaxKept) Kept().clear();
      Kept().emplace(key, *reading);
    }
  }
  if (reading->type != T::none && reading->type != extension->type &&
      reading->type != extension->otherType) {
    return Missing(CaptureMiss::kWrongType);
  }
  return reading->time;
}

std::u16string CaptureMissText(const CaptureTime& time) {
  switch (time.miss) {
    case CaptureMiss::kNone:
      return {};
    case CaptureMiss::kNotPhoto:
      return u"这种文件不带拍摄时间";
    case CaptureMiss::kAbsent:
      return u"文件里没有拍摄时间";
    case CaptureMiss::kDamaged:
      return u"文件已损坏或不完整，读不出拍摄时间";
    case CaptureMiss::kWrongType:
      return u"文件内容与扩展名不符";
    case CaptureMiss::kUnreadable:
      return u"打不开文件";
    case CaptureMiss::kAbsurd:
      break;
  }
  std::u16string text = u"拍摄时间不合理：“";
  // The refused text is bytes from the file: only printable ASCII is shown as it is.
  for (const char c : time.refused) {
    const auto byte = static_cast<unsigned char>(c);
    text.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<char16_t>(byte) : u'\uFFFD');
  }
  text += u"”";
  return text;
}

}  // namespace renamer
