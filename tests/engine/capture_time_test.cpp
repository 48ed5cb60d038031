#include "engine/photo/capture_time.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/photo_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::PhotoFormat;
using testing::TempDir;
using testing::VideoBrand;

constexpr std::int64_t kTaken = 1709629507;  // 2024-03-05 09:05:07 UTC
constexpr const char* kTakenText = "2024:03:05 09:05:07";
constexpr std::int64_t kQuickTimeEpoch = 2082844800;

class Directory {
 public:
  Directory() : fd_(::open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~Directory() { ::close(fd_); }
  std::string Path(const std::string& name) const { return dir_.path() + "/" + name; }
  CaptureTime Read(const std::string& name) const { return ReadCaptureTimeAt(fd_, name); }

 private:
  TempDir dir_;
  int fd_;
};

std::string Describe(const CaptureTime& time) {
  return "miss " + std::to_string(static_cast<int>(time.miss)) + ", " +
         std::to_string(time.seconds) + " s + " + std::to_string(time.milliseconds) +
         " ms, refused \"" + testing::Printable(time.refused) + "\"";
}

void ExpectTime(const CaptureTime& time, CaptureMiss miss, std::int64_t seconds, int milliseconds,
                const std::string& refused) {
  EXPECT_EQ(time.miss, miss) << Describe(time);
  if (miss == CaptureMiss::kNone) {
    EXPECT_EQ(time.seconds, seconds) << Describe(time);
    EXPECT_EQ(time.milliseconds, milliseconds) << Describe(time);
  }
  if (miss == CaptureMiss::kAbsurd) {
    EXPECT_EQ(time.refused, refused);
  }
}

using Make = std::function<void(const std::string& path)>;

Make Photo(std::vector<testing::MetadataEntry> entries, PhotoFormat format = PhotoFormat::kJpeg) {
  return [=](const std::string& path) { testing::WritePhoto(path, format, entries); };
}

Make Original(const std::string& date) { return Photo({{"Exif.Photo.DateTimeOriginal", date}}); }

Make Bytes(const std::string& bytes) {
  return [=](const std::string& path) { testing::WriteWholeFile(path, bytes); };
}

TEST(ReadCaptureTimeTest, ReadsWhatEachKindOfFileKeeps) {
  struct Case {
    const char* what;
    std::string name;
    Make make;
    CaptureMiss miss;
    std::int64_t seconds = 0;
    int milliseconds = 0;
    std::string refused = {};
  };
  const Case cases[] = {
      {"present", "a.jpg", Original(kTakenText), CaptureMiss::kNone, kTaken},
      {"extension in capitals", "a.JPeG", Original(kTakenText), CaptureMiss::kNone, kTaken},
      {"with its offset", "a.jpg",
       Photo({{"Exif.Photo.DateTimeOriginal", kTakenText},
              {"Exif.Photo.OffsetTimeOriginal", "+09:00"}}),
       CaptureMiss::kNone, kTaken - 9 * 3600},
      {"with sub-seconds", "a.jpg",
       Photo(
           {{"Exif.Photo.DateTimeOriginal", kTakenText}, {"Exif.Photo.SubSecTimeOriginal", "25"}}),
       CaptureMiss::kNone, kTaken, 250},
      {"digitised only", "a.jpg",
       Photo({{"Exif.Photo.DateTimeDigitized", kTakenText},
              {"Exif.Photo.OffsetTimeDigitized", "-05:30"}}),
       CaptureMiss::kNone, kTaken + 5 * 3600 + 1800},
      {"taken before digitised", "a.jpg",
       Photo({{"Exif.Photo.DateTimeOriginal", kTakenText},
              {"Exif.Photo.DateTimeDigitized", "2024:03:06 10:00:00"}}),
       CaptureMiss::kNone, kTaken},
      {"an absurd date passed over for the next", "a.jpg",
       Photo({{"Exif.Photo.DateTimeOriginal", "0000:00:00 00:00:00"},
              {"Exif.Photo.DateTimeDigitized", kTakenText}}),
       CaptureMiss::kNone, kTaken},
      {"XMP only", "a.jpg", Photo({{"Xmp.xmp.CreateDate", "2024-03-05T18:05:07+09:00"}}),
       CaptureMiss::kNone, kTaken},
      {"PNG", "a.png", Photo({{"Exif.Photo.DateTimeOriginal", kTakenText}}, PhotoFormat::kPng),
       CaptureMiss::kNone, kTaken},
      {"missing", "a.jpg", Photo({{"Exif.Image.Make", "Camera"}}), CaptureMiss::kAbsent},
      {"cut short in its Exif", "a.jpg",
       [](const std::string& path) {
         Original(kTakenText)(path);
         const std::string bytes = testing::ReadWholeFile(path);
         testing::WriteWholeFile(path, bytes.substr(0, bytes.find("Exif") + 40));
       },
       CaptureMiss::kDamaged},
      {"empty", "a.jpg", Bytes(""), CaptureMiss::kDamaged},
      {"all zeros", "a.jpg", Original("0000:00:00 00:00:00"), CaptureMiss::kAbsurd, 0, 0,
       "0000:00:00 00:00:00"},
      {"blanks", "a.jpg", Original("    :  :     :  :  "), CaptureMiss::kAbsurd, 0, 0,
       ":  :     :  :"},
      {"month 13", "a.jpg", Original("2024:13:05 09:05:07"), CaptureMiss::kAbsurd, 0, 0,
       "2024:13:05 09:05:07"},
      {"year 9999", "a.jpg", Original("9999:03:05 09:05:07"), CaptureMiss::kAbsurd, 0, 0,
       "9999:03:05 09:05:07"},
      {"PNG named .jpg", "a.jpg",
       Photo({{"Exif.Photo.DateTimeOriginal", kTakenText}}, PhotoFormat::kPng),
       CaptureMiss::kWrongType},
      {"text named .jpg", "a.jpg", Bytes("not a photo at all\n"), CaptureMiss::kWrongType},
      {"not a photo's type, never opened", "a.txt", [](const std::string&) {},
       CaptureMiss::kNotPhoto},
      {"MP4, in UTC", "a.mp4",
       Bytes(testing::VideoBytes(kTaken + kQuickTimeEpoch, VideoBrand::kMp4)), CaptureMiss::kNone,
       kTaken},
      {"QuickTime movie", "a.MOV",
       Bytes(testing::VideoBytes(kTaken + kQuickTimeEpoch, VideoBrand::kQuickTime)),
       CaptureMiss::kNone, kTaken},
      {"movie header with 64-bit times", "a.mov",
       Bytes(testing::VideoBytes(kTaken + kQuickTimeEpoch, VideoBrand::kQuickTime, 1)),
       CaptureMiss::kNone, kTaken},
      // exiv2 reads on past the end for as long as the box says: four bytes at a time,
      // for minutes, unless it is stopped.
      {"movie whose first box claims a gigabyte", "a.mov",
       Bytes(std::string("\x40\0\0\0", 4) +
             testing::VideoBytes(kTaken + kQuickTimeEpoch, VideoBrand::kQuickTime).substr(4)),
       CaptureMiss::kDamaged},
      {"movie whose creation time was never set", "a.mp4",
       Bytes(testing::VideoBytes(0, VideoBrand::kMp4)), CaptureMiss::kAbsent},
      {"a directory", "a.jpg", [](const std::string& path) { ::mkdir(path.c_str(), 0755); },
       CaptureMiss::kUnreadable},
      {"no such file", "a.jpg", [](const std::string&) {}, CaptureMiss::kUnreadable},
  };
  // One directory for all, each file under a name of its own: files removed between
  // cases would free inodes for the next, and a new file on an old inode, of the same
  // size and within the same clock tick, would be served the old one's kept answer.
  const Directory dir;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::string name = std::to_string(i) + "-" + c.name;
    c.make(dir.Path(name));
    ExpectTime(dir.Read(name), c.miss, c.seconds, c.milliseconds, c.refused);
  }
}

TEST(ReadCaptureTimeTest, KeepsTheAnswerUntilTheFileChanges) {
  const Directory dir;
  const std::string path = dir.Path("a.jpg");
  // A size that no other photo of these tests has, so that no earlier answer kept for
  // an inode freed and used again can be mistaken for this file.
  Photo({{"Exif.Photo.DateTimeOriginal", kTakenText}, {"Exif.Image.Model", "kept"}})(path);
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ExpectTime(dir.Read("a.jpg"), CaptureMiss::kNone, kTaken, 0, "");

  // A date of the same length, written into the same inode, with the old modification
  // time put back: to the kept answer the file is the same, and the old date is served.
  std::string bytes = testing::ReadWholeFile(path);
  bytes.replace(bytes.find(kTakenText), 4, "2023");
  testing::WriteWholeFile(path, bytes);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  ExpectTime(dir.Read("a.jpg"), CaptureMiss::kNone, kTaken, 0, "");

  const timespec later[2] = {before.st_atim, {before.st_mtim.tv_sec + 1, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
  ExpectTime(dir.Read("a.jpg"), CaptureMiss::kNone, kTaken - 366 * 86400, 0, "");
}

TEST(ParseExifDateTest, ReadsDatesAndRefusesAbsurdOnes) {
  struct Case {
    std::string_view date;
    const char* subSeconds;
    const char* offset;
    const char* zone;  // TZ while parsing
    CaptureMiss miss;
    std::int64_t seconds = 0;
    int milliseconds = 0;
  };
  const Case cases[] = {
      {"2024:03:05 09:05:07", "123", "", "UTC", CaptureMiss::kNone, kTaken, 123},
      {"2024:03:05 09:05:07", "05", "", "UTC", CaptureMiss::kNone, kTaken, 50},
      {"2024:03:05 09:05:07", "5 ", "", "UTC", CaptureMiss::kNone, kTaken, 500},
      {std::string_view("2024:03:05 09:05:07\0", 20), "", "", "UTC", CaptureMiss::kNone, kTaken},
      // Without an offset the wall clock is this machine's.
      {"2024:03:05 17:05:07", "", "", "CST-8", CaptureMiss::kNone, kTaken},
      {"2024:03:05 17:05:07", "", "   :  ", "CST-8", CaptureMiss::kNone, kTaken},
      {"2024:03:05 09:05:07", "", "+0200", "CST-8", CaptureMiss::kNone, kTaken - 7200},
      {"2024-03-05T09:05:07.25Z", "", "", "CST-8", CaptureMiss::kNone, kTaken, 250},
      {"2024-03-05T04:05:07-05:00", "", "", "UTC", CaptureMiss::kNone, kTaken},
      {"2024-03-05T09:05", "", "", "UTC", CaptureMiss::kNone, kTaken - 7},
      {"2024-02-29 00:00:00", "", "", "UTC", CaptureMiss::kNone, 1709164800},
      {"2023:02:29 00:00:00", "", "", "UTC", CaptureMiss::kAbsurd},
      {"2100:02:29 00:00:00", "", "", "UTC", CaptureMiss::kAbsurd},
      {"1899:12:31 23:59:59", "", "", "UTC", CaptureMiss::kAbsurd},
      {"2024:00:05 09:05:07", "", "", "UTC", CaptureMiss::kAbsurd},
      {"2024:04:31 09:05:07", "", "", "UTC", CaptureMiss::kAbsurd},
      {"2024:03:05 24:00:00", "", "", "UTC", CaptureMiss::kAbsurd},
      {"2024:03:05 09:60:07", "", "", "UTC", CaptureMiss::kAbsurd},
      {"2024:03:05 09:05:60", "", "", "UTC", CaptureMiss::kAbsurd},
      {"2024:03:05 09:05:07 junk", "", "", "UTC", CaptureMiss::kAbsurd},
      {"", "", "", "UTC", CaptureMiss::kAbsurd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.date) + " / " + c.subSeconds + " / " + c.offset + " in " + c.zone);
    ::setenv("TZ", c.zone, 1);
    ::tzset();
    const CaptureTime time = ParseExifDate(c.date, c.subSeconds, c.offset);
    ExpectTime(time, c.miss, c.seconds, c.milliseconds, std::string(c.date));
  }
  ::setenv("TZ", "UTC", 1);
  ::tzset();

  const std::string longText(60, '9');
  EXPECT_EQ(ParseExifDate(longText, "", "").refused, longText.substr(0, 40));
}

TEST(CaptureMissTextTest, ShowsTheRefusedDateWithItsOddBytesReplaced) {
  CaptureTime time;
  time.miss = CaptureMiss::kAbsurd;
  time.refused = "2024:13\x01\xE4";
  EXPECT_EQ(testing::Utf8(CaptureMissText(time)), "拍摄时间不合理：“2024:13\uFFFD\uFFFD”");
  time.miss = CaptureMiss::kNone;
  EXPECT_TRUE(CaptureMissText(time).empty());
}

}  // namespace
}  // namespace renamer
