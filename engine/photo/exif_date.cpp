// ParseExifDate of capture_time.h: the date texts of Exif and XMP read into instants.
#include "engine/photo/capture_time.h"

#include <ctime>
#include <optional>

namespace renamer {
namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) {
    return c == ' ' || c == '\0' || c == '\t' || c == '\r' || c == '\n';
  };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `count` digits at `pos`.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
  if (text.size() - pos < count) return false;
  value = 0;
  for (std::size_t i = 0; i < count; ++i, ++pos) {
    if (!IsDigit(text[pos])) return false;
    value = value * 10 + (text[pos] - '0');
  }
  return true;
}

bool Accept(std::string_view text, std::size_t& pos, std::string_view choices) {
  if (pos >= text.size() || choices.find(text[pos]) == std::string_view::npos) return false;
  ++pos;
  return true;
}

int DaysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, without the time
// zone that timegm would consult.
std::int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const int yearOfEra = year - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

// Seconds east of UTC from "Z", "+09:00", "+0900" or "+09"; nothing when the text is
// blank ("   :  " is how Exif says it is unknown) or not an offset at all.
std::optional<int> ParseOffset(std::string_view text) {
  text = Trim(text);
  if (text == "Z" || text == "z") return 0;
  std::size_t pos = 0;
  int hours = 0;
  int minutes = 0;
  if (!Accept(text, pos, "+-") || !ReadNumber(text, pos, 2, hours)) return {};
  if (pos < text.size()) {
    Accept(text, pos, ":");
    if (!ReadNumber(text, pos, 2, minutes) || pos != text.size()) return {};
  }
  if (hours > 14 || minutes > 59) return {};
  const int seconds = hours * 3600 + minutes * 60;
  return text[0] == '-' ? -seconds : seconds;
}

// "5" is half a second: the digits are a decimal fraction, of which milliseconds keep three.
int ParseMilliseconds(std::string_view digits) {
  digits = Trim(digits);
  int milliseconds = 0;
  int scale = 100;
  for (std::size_t i = 0; i < digits.size() && IsDigit(digits[i]) && scale > 0; ++i, scale /= 10) {
    milliseconds += (digits[i] - '0') * scale;
  }
  return milliseconds;
}

CaptureTime Refuse(std::string_view text) {
  CaptureTime time;
  time.miss = CaptureMiss::kAbsurd;
  time.refused = std::string(Trim(text).substr(0, 40));
  return time;
}

}  // namespace

CaptureTime ParseExifDate(std::string_view date, std::string_view subSeconds,
                          std::string_view offset) {
  const std::string_view text = Trim(date);
  std::size_t pos = 0;
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (!ReadNumber(text, pos, 4, year) || !Accept(text, pos, ":-") ||
      !ReadNumber(text, pos, 2, month) || !Accept(text, pos, ":-") ||
      !ReadNumber(text, pos, 2, day)) {
    return Refuse(date);
  }
  // XMP may leave out the seconds, or the whole time of day.
  if (Accept(text, pos, " T")) {
    if (!ReadNumber(text, pos, 2, hour) || !Accept(text, pos, ":") ||
        !ReadNumber(text, pos, 2, minute)) {
      return Refuse(date);
    }
    if (Accept(text, pos, ":") && !ReadNumber(text, pos, 2, second)) return Refuse(date);
  }
  // An ISO 8601 date carries its fraction and offset within itself.
  std::string_view fraction = subSeconds;
  if (Accept(text, pos, ".")) {
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    if (Trim(subSeconds).empty()) fraction = text.substr(start, pos - start);
  }
  std::optional<int> east = ParseOffset(offset);
  if (pos < text.size()) {
    const std::optional<int> own = ParseOffset(text.substr(pos));
    if (!own) return Refuse(date);
    if (!east) east = own;
  }
  if (year < 1900 || year > 2100 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59) {
    return Refuse(date);
  }

  CaptureTime time;
  time.miss = CaptureMiss::kNone;
  time.milliseconds = ParseMilliseconds(fraction);
  if (east) {
    time.seconds =
        (DaysFromCivil(year, month, day) * 24 + hour) * 3600 + minute * 60 + second - *east;
    return time;
  }
  std::tm wall{};
  wall.tm_year = year - 1900;
  wall.tm_mon = month - 1;
  wall.tm_mday = day;
  wall.tm_hour = hour;
  wall.tm_min = minute;
  wall.tm_sec = second;
  wall.tm_isdst = -1;  // the machine's rules say whether summer time was in force then
  time.seconds = static_cast<std::int64_t>(std::mktime(&wall));
  return time;
}

}  // namespace renamer
