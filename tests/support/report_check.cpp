#include "tests/support/report_check.h"

#include "tests/support/utf8.h"

namespace renamer::testing {

WindowRun RunWithOutcome(RenameEngine& engine, WindowPort& window) {
  RunRequest request = engine.Request();
  WindowRun run;
  run.outcome = engine.RenameFiles(request);
  run.report = RunReport(run.outcome);
  if (request.stringText != window.StringFieldText()) window.SetStringFieldText(request.stringText);
  return run;
}

std::optional<std::string> CheckReportEntries(const std::u16string& report,
                                              const std::vector<FileChange>& plan,
                                              const std::vector<std::string>& finalNames,
                                              std::u16string_view prefix) {
  if (finalNames.size() != plan.size()) {
    return std::to_string(plan.size()) + " files planned but " + std::to_string(finalNames.size()) +
           " final names given";
  }
  std::size_t pos = 0;
  for (std::size_t j = 0; j < plan.size(); ++j) {
    const FileChange& planned = plan[j];
    const bool hasNewName = planned.reason != Reason::kNoNewName;
    const std::string& now = finalNames[j];
    const std::u16string head = std::u16string(prefix) + planned.from + u" -> ";
    const bool hasEntry = report.compare(pos, head.size(), head) == 0;
    if (now == Utf8(planned.from) && hasEntry) {
      const std::u16string tail =
          hasNewName ? std::u16string(prefix) + planned.to + u"(" : u"(文件名不能为空)\n\r";
      if (report.compare(pos + head.size(), tail.size(), tail) != 0) {
        return "malformed entry for " + Printable(planned.from);
      }
      pos += head.size() + tail.size();
      if (hasNewName) {
        const std::size_t end = report.find(u")\n\r", pos);
        if (end == std::u16string::npos) return "unterminated entry";
        pos = end + 3;
      }
      continue;
    }
    if (hasNewName && now == Utf8(planned.to)) continue;
    return "file " + Printable(planned.from) + " now named " + Printable(now) +
           (hasNewName ? " instead of " + Printable(planned.to) : "") +
           (hasEntry ? "" : ", and no report entry at its place");
  }
  if (pos != report.size()) return "report has extra text: " + Printable(report.substr(pos));
  return std::nullopt;
}

}  // namespace renamer::testing
