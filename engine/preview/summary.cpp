#include "engine/preview/summary.h"

#include "engine/rules/text.h"

namespace renamer {
namespace {

std::u16string Count(std::size_t n) { return DecimalText(static_cast<long long>(n)); }

// `before` + n + `after`, appended to `out`.
void Say(std::u16string& out, std::u16string_view before, std::size_t n,
         std::u16string_view after) {
  out.append(before).append(Count(n)).append(after);
}

}  // namespace

std::u16string PredictionSummary(const RunPrediction& prediction, const RunRequest& request) {
  if (!prediction.message.empty()) return prediction.message;
  const std::size_t selected = prediction.selected;
  if (prediction.files.empty()) return u"目录中没有文件";
  // The type list starts empty, and an empty type selects only files without an
  // extension: say so, or the first run renames far fewer files than expected. The
  // caption has room for about 25 characters; the most telling part comes first.
  const std::u16string_view type = TrimSpaces(request.typeText);
  const std::size_t unchecked = prediction.unchecked;
  std::u16string summary;
  if (selected == 0) {
    // Checked files that the empty type leaves out have an extension: say what to choose.
    if (type.empty() && unchecked < prediction.files.size())
      return u"请在“文件类型”中选 *.* 或一种扩展名";
    if (unchecked > 0) {
      Say(summary, u"没有选中的文件可改名，", unchecked, u" 个未选中");
      return summary;
    }
    return Concat({u"没有扩展名为“", type, u"”的文件"});
  }
  // 确定 holds the focus at start, and without a rule every file it takes is reported.
  if (request.code.empty()) {
    Say(summary, u"未选择修改方式：确定将报告 ", selected, u" 个文件名为空");
    return summary;
  }
  Say(summary, type.empty() ? u"文件类型为空，只改无扩展名的 " : u"将改名 ", prediction.renamed,
      u" 个文件");
  if (prediction.fails > 0) Say(summary, u"，", prediction.fails, u" 个不能改名");
  if (unchecked > 0) Say(summary, u"，", unchecked, u" 个未选中");
  return summary;
}

std::u16string OutcomeSummary(const JobOutcome& outcome, std::u16string_view shownPath) {
  std::u16string summary;
  if (outcome.kind == JobKind::kRun) {
    Say(summary, u"已改名 ", outcome.done, u" 个文件");
    if (outcome.failed > 0) Say(summary, u"，", outcome.failed, u" 个未改名");
  } else {
    if (outcome.path == shownPath) {
      summary = u"已撤销：";
    } else {
      const std::size_t slash = outcome.path.find_last_of(u'/');
      const std::u16string_view path = outcome.path;
      const std::u16string_view name =
          slash == std::u16string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
      summary = Concat({u"已撤销“", name, u"”中的改名："});
    }
    Say(summary, u"", outcome.done, u" 个文件已恢复原名");
    if (outcome.failed > 0) Say(summary, u"，", outcome.failed, u" 个未能恢复");
  }
  if (outcome.left > 0) Say(summary, u"，", outcome.left, u" 个因取消未处理");
  return summary;
}

}  // namespace renamer
