#include "engine/disk/file_names.h"

#include <cstdint>

namespace renamer {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

bool StandsForByte(std::u16string_view name, std::size_t i) {
  const char16_t unit = name[i];
  const bool afterHigh = i > 0 && name[i - 1] >= 0xD800 && name[i - 1] <= 0xDBFF;
  return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF && !afterHigh;
}

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t pos, char32_t& cp) {
  const auto lead = static_cast<unsigned char>(bytes[pos]);
  std::size_t length = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (pos + length > bytes.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(bytes[pos + i]);
    if (!IsContinuation(next)) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string DecodeFileName(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[pos]);
    if (byte < 0x80) {  // the common case, kept short
      text.push_back(byte);
      ++pos;
      continue;
    }
    char32_t cp = 0;
    const std::size_t length = Utf8SequenceLength(bytes, pos, cp);
    if (length == 0) {
      text.push_back(static_cast<char16_t>(kEscapeBase + byte));
      ++pos;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      text.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(cp));
    }
    pos += length;
  }
  return text;
}

std::string EncodeFileName(std::u16string_view name) {
  // Most names are ASCII throughout, or start so: that part is copied unit by unit
  // without growing the string, which a preview does for every file on each keystroke.
  std::size_t ascii = 0;
  while (ascii < name.size() && name[ascii] < 0x80) ++ascii;
  std::string bytes(ascii, '\0');
  for (std::size_t i = 0; i < ascii; ++i) bytes[i] = static_cast<char>(name[i]);
  if (ascii == name.size()) return bytes;
  bytes.reserve(name.size() + (name.size() - ascii) * 2);
  for (std::size_t i = ascii; i < name.size(); ++i) {
    const char16_t unit = name[i];
    if (unit < 0x80) {
      bytes.push_back(static_cast<char>(unit));
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
        name[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (name[i + 1] - 0xDC00);
      AppendUtf8(bytes, cp);
      ++i;
      continue;
    }
    if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
      bytes.push_back(static_cast<char>(unit - kEscapeBase));
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(bytes, 0xFFFD);
      continue;
    }
    AppendUtf8(bytes, unit);
  }
  return bytes;
}

}  // namespace renamer
