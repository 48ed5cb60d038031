// MakeTimeKey on any text must give at most kMaxTimeKeyLength units; on the time texts
// of real moments it must give keys that order as the moments do, 14 digits for the
// years with four digits.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "engine/rules/time_key.h"
#include "fuzz/fuzz_support.h"

namespace {

// Years 1000 to 9999, where the time text has its four-digit year, and then on to the
// year 99999.
constexpr std::int64_t kFirst = -30610224000;
constexpr std::int64_t kLastFourDigitYear = 253402300799;
constexpr std::int64_t kLast = 3093527980799;

bool AllDigits(const std::u16string& key) {
  for (const char16_t unit : key) {
    if (unit < u'0' || unit > u'9') return false;
  }
  return true;
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace renamer;
  FuzzedDataProvider data(bytes, size);
  const bool midnightA = data.ConsumeBool();
  const bool midnightB = data.ConsumeBool();
  std::int64_t a = data.ConsumeIntegralInRange<std::int64_t>(kFirst, kLast);
  std::int64_t b = data.ConsumeIntegralInRange<std::int64_t>(kFirst, kLast);
  // Whole days are where the time text loses its time part.
  if (midnightA) a -= ((a % 86400) + 86400) % 86400;
  if (midnightB) b -= ((b % 86400) + 86400) % 86400;

  const std::u16string keyA = MakeTimeKey(TimeTextOf(a));
  const std::u16string keyB = MakeTimeKey(TimeTextOf(b));
  if (a <= kLastFourDigitYear) {
    fuzzing::Require(keyA.size() == 14 && AllDigits(keyA), "key of a real time not 14 digits");
  }
  fuzzing::Require(Sign(keyA.compare(keyB)) == (a > b) - (a < b), "keys order unlike times");

  std::tm fields{};
  fields.tm_year = data.ConsumeIntegral<int>();
  fields.tm_mon = data.ConsumeIntegral<int>();
  fields.tm_mday = data.ConsumeIntegral<int>();
  fields.tm_hour = data.ConsumeIntegral<int>();
  fields.tm_min = data.ConsumeIntegral<int>();
  fields.tm_sec = data.ConsumeIntegral<int>();
  fuzzing::Require(MakeTimeKey(FormatTimeText(fields)).size() <= kMaxTimeKeyLength, "key too long");

  const std::u16string text = fuzzing::ConsumeText(data);
  fuzzing::Require(MakeTimeKey(text).size() <= kMaxTimeKeyLength, "key of a text too long");
  return 0;
}
