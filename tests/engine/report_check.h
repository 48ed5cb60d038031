#pragma once

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rename_engine.h"

namespace renamer::testing {

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
inline std::string Printable(std::u16string_view text) { return Printable(EncodeFileName(text)); }

/// Checks a run's outcome against its plan: every planned file, whose name after the
/// run is `finalNames[j]` (bytes), either bears its planned new name or still bears its
/// old name and has, in plan order, exactly one report entry with that old path; the
/// report holds nothing else. Returns a description of the first breach, or empty.
inline std::string CheckReportEntries(const std::u16string& report,
                                      const std::vector<PlannedRename>& plan,
                                      const std::vector<std::string>& finalNames,
                                      std::u16string_view prefix) {
  std::size_t pos = 0;
  for (std::size_t j = 0; j < plan.size(); ++j) {
    const PlannedRename& planned = plan[j];
    const std::string& now = finalNames[j];
    const std::u16string head = std::u16string(prefix) + planned.oldName + u" -> ";
    const bool hasEntry = report.compare(pos, head.size(), head) == 0;
    if (now == EncodeFileName(planned.oldName) && hasEntry) {
      const std::u16string tail = planned.hasNewName
                                      ? std::u16string(prefix) + planned.newName + u"("
                                      : u"(文件名不能为空)\n\r";
      if (report.compare(pos + head.size(), tail.size(), tail) != 0) {
        return "malformed entry for " + Printable(planned.oldName);
      }
      pos += head.size() + tail.size();
      if (planned.hasNewName) {
        const std::size_t end = report.find(u")\n\r", pos);
        if (end == std::u16string::npos) return "unterminated entry";
        pos = end + 3;
      }
      continue;
    }
    if (planned.hasNewName && now == EncodeFileName(planned.newName)) continue;
    return "file " + Printable(planned.oldName) + " now named " + Printable(now) +
           (planned.hasNewName ? " instead of " + Printable(planned.newName) : "") +
           (hasEntry ? "" : ", and no report entry at its place");
  }
  if (pos != report.size()) return "report has extra text: " + Printable(report.substr(pos));
  return {};
}

}  // namespace renamer::testing
