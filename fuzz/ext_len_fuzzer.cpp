// GetExtLen and ExtensionLength on any text: the split is at the last dot.

#include <cstddef>
#include <cstdint>

#include "engine/rules/name_rules.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace renamer;
  FuzzedDataProvider data(bytes, size);
  const std::u16string name = fuzzing::ConsumeText(data, 1 << 17);
  const std::size_t length = detail::ExtensionLength(name);
  const std::int16_t counted = GetExtLen(name);
  const std::size_t lastDot = name.rfind(u'.');

  fuzzing::Require(length <= name.size(), "extension longer than the name");
  if (lastDot == std::u16string::npos) {
    fuzzing::Require(length == 0, "extension without a dot");
  } else {
    fuzzing::Require(length == name.size() - lastDot, "split not at the last dot");
  }
  const std::size_t expected = length > 32767 ? 32767 : length;
  fuzzing::Require(counted >= 0 && static_cast<std::size_t>(counted) == expected,
                   "16-bit length differs from the length");
  return 0;
}
