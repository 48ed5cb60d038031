#pragma once

#include <sstream>
#include <string>
#include <string_view>

#include "engine/disk/file_names.h"

namespace renamer::testing {

/// The bytes of `text` as the file system gets them, for comparisons and messages.
inline std::string Utf8(std::u16string_view text) { return EncodeFileName(text); }

/// Bytes with everything outside printable ASCII escaped, for failure messages.
inline std::string Printable(std::string_view bytes) {
  std::ostringstream out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      out << c;
    } else {
      out << "\\x" << std::hex << static_cast<int>(byte) << std::dec;
    }
  }
  return out.str();
}
inline std::string Printable(std::u16string_view text) { return Printable(Utf8(text)); }

}  // namespace renamer::testing
