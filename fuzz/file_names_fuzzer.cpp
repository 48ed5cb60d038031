// The file-name decoding must give back every byte string exactly, and its result
// must only ever hold the lone surrogates that stand for single bytes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/disk/file_names.h"
#include "engine/rename_engine.h"
#include "fuzz/fuzz_support.h"

namespace {

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void CheckDecoded(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i])) {
      renamer::fuzzing::Require(i + 1 < text.size() && IsLow(text[i + 1]),
                                "decoding made a lone high surrogate");
      ++i;
    } else if (IsLow(text[i])) {
      renamer::fuzzing::Require(text[i] >= 0xDC80, "decoding escaped an ASCII byte");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace renamer;
  const std::string name(reinterpret_cast<const char*>(bytes), size);
  const std::u16string decoded = DecodeFileName(name);
  fuzzing::Require(EncodeFileName(decoded) == name, "encode(decode(bytes)) != bytes");
  CheckDecoded(decoded);

  const bool safeBytes = !name.empty() && name != "." && name != ".." &&
                         name.find('/') == std::string::npos &&
                         name.find('\0') == std::string::npos;
  fuzzing::Require(IsSafeFileName(decoded) == safeBytes, "name check differs from the bytes");

  // Any text, lone surrogates included, encodes to bytes that decode and encode again
  // to the same bytes, so what the kernel receives is stable.
  FuzzedDataProvider data(bytes, size);
  const std::u16string text = fuzzing::ConsumeText(data);
  const std::string encoded = EncodeFileName(text);
  fuzzing::Require(EncodeFileName(DecodeFileName(encoded)) == encoded, "encoding not stable");
  return 0;
}
