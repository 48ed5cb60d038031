#include "tests/support/report_check.h"

#include "tests/support/utf8.h"

namespace renamer::testing {

std::optional<std::string> CheckReportEntries(const std::u16string& report,
                                              const std::vector<PlannedRename>& plan,
                                              const std::vector<std::string>& finalNames,
                                              std::u16string_view prefix) {
  if (finalNames.size() != plan.size()) {
    return std::to_string(plan.size()) + " files planned but " + std::to_string(finalNames.size()) +
           " final names given";
  }
  std::size_t pos = 0;
  for (std::size_t j = 0; j < plan.size(); ++j) {
    const PlannedRename& planned = plan[j];
    const std::string& now = finalNames[j];
    const std::u16string head = std::u16string(prefix) + planned.oldName + u" -> ";
    const bool hasEntry = report.compare(pos, head.size(), head) == 0;
    if (now == Utf8(planned.oldName) && hasEntry) {
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
    if (planned.hasNewName && now == Utf8(planned.newName)) continue;
    return "file " + Printable(planned.oldName) + " now named " + Printable(now) +
           (planned.hasNewName ? " instead of " + Printable(planned.newName) : "") +
           (hasEntry ? "" : ", and no report entry at its place");
  }
  if (pos != report.size()) return "report has extra text: " + Printable(report.substr(pos));
  return std::nullopt;
}

}  // namespace renamer::testing
