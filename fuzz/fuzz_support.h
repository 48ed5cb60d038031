#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/disk/file_names.h"

namespace renamer::fuzzing {

/// Stops the fuzzer with a message when a property does not hold; libFuzzer then
/// saves the input that broke it.
inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

/// A text taken from the fuzzer's bytes, either as raw 16-bit code units (any unit,
/// lone surrogates included) or as a decoded file name, the way names reach the engine.
inline std::u16string ConsumeText(FuzzedDataProvider& data, std::size_t maxBytes = 512) {
  const bool raw = data.ConsumeBool();
  const std::string bytes = data.ConsumeRandomLengthString(maxBytes);
  if (!raw) return DecodeFileName(bytes);
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text;
}

}  // namespace renamer::fuzzing
