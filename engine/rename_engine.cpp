#include "engine/rename_engine.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "engine/natural_order.h"
#include "engine/safe_rename.h"
#include "engine/text.h"

namespace renamer {
namespace {

constexpr std::u16string_view kAllTypes = u"*.*";
constexpr std::u16string_view kNoNewName = u" -> (文件名不能为空)";

std::u16string Concat(std::initializer_list<std::u16string_view> parts) {
  std::size_t size = 0;
  for (std::u16string_view part : parts) size += part.size();
  std::u16string result;
  result.reserve(size);
  for (std::u16string_view part : parts) result.append(part);
  return result;
}

}  // namespace

RenameEngine::RenameEngine(WindowPort& window) : RenameEngine(window, RealFileSystem()) {}

RenameEngine::RenameEngine(WindowPort& window, FileSystem& fs) : window_(window), fs_(fs) {}

std::u16string RenameEngine::MakeNewName(std::u16string_view base, std::u16string_view code,
                                         std::u16string_view stringText,
                                         std::u16string_view valueText) const {
  return MakeNewBaseName(base, code, stringText, valueText, MaxLen);
}

std::u16string RenameEngine::DirectoryPrefix() const { return window_.FileListPath() + u"/"; }

std::u16string RenameEngine::RenameFiles() {
  int openError = 0;
  const std::unique_ptr<Directory> dir = fs_.Open(EncodeFileName(window_.FileListPath()), openError);

  std::u16string failure = FillTables(dir.get(), openError);
  if (!failure.empty()) {
    Plan.clear();
    return failure;
  }
  if (ChgMode == u"ADDPRENO") SortByTime(FileTimes, FileNames);
  if (ChgMode == u"SAMELEN") FindMaxLen();
  MakePlan();
  return ExecutePlan(dir.get(), openError);
}

std::u16string RenameEngine::FillTables(Directory* dir, int openError) {
  const int count = std::max(window_.FileListCount(), 0);
  FileNames.clear();
  FileTimes.clear();
  FileNames.reserve(static_cast<std::size_t>(count));
  FileTimes.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    FileNames.push_back(window_.FileListItem(k));
    std::int64_t seconds = 0;
    const int error =
        dir == nullptr ? openError : dir->ModificationTime(EncodeFileName(FileNames.back()), seconds);
    if (error != 0) {
      return Concat({kUnreadableTimeMessage, DirectoryPrefix(), FileNames.back(), u"(",
                     DescribeError(error), u")"});
    }
    FileTimes.push_back(MakeTimeKey(TimeTextOf(seconds)));
  }
  return {};
}

void RenameEngine::FindMaxLen() {
  const int count = window_.FileListCount();
  for (int k = 0; k < count; ++k) {
    const std::u16string name = window_.FileListItem(k);
    const std::size_t baseLength = name.size() - detail::ExtensionLength(name);
    const auto limit = static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max());
    if (baseLength > static_cast<std::size_t>(std::max<std::int16_t>(MaxLen, 0))) {
      MaxLen = static_cast<std::int16_t>(std::min(baseLength, limit));
    }
  }
}

void RenameEngine::MakePlan() {
  Plan.clear();
  const std::u16string typeText(TrimSpaces(window_.TypeListText()));
  const bool allTypes = typeText == kAllTypes;
  const bool numbering = IsNumberingRule(ChgMode);
  // Neither field changes during a run except through the running number, so they are
  // read once; under the numbering rules the string field is read back per file.
  const std::u16string valueText = window_.ValueFieldText();
  std::u16string stringText = window_.StringFieldText();
  const auto count =
      std::min(static_cast<std::size_t>(std::max(window_.FileListCount(), 0)), FileNames.size());

  long long planCount = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::u16string& name = FileNames[k];
    const std::size_t extLength = detail::ExtensionLength(name);
    const std::u16string_view ext = LastUnits(name, extLength);
    if (!allTypes && ext != typeText) continue;
    const std::u16string_view base = FirstUnits(name, name.size() - extLength);

    PlannedRename planned{name, {}, true};
    if (ChgMode == u"EXT") {
      planned.newName = Concat({TrimSpaces(base), TrimSpaces(valueText)});
    } else {
      ++planCount;
      if (numbering) {
        window_.SetStringFieldText(DecimalText(planCount));
        stringText = window_.StringFieldText();
      }
      const std::u16string newBase = MakeNewName(base, ChgMode, stringText, valueText);
      planned.hasNewName = !newBase.empty();
      if (planned.hasNewName) planned.newName = Concat({TrimSpaces(newBase), TrimSpaces(ext)});
    }
    Plan.push_back(std::move(planned));
  }
}

std::u16string RenameEngine::ExecutePlan(Directory* dir, int openError) const {
  const std::u16string prefix = DirectoryPrefix();
  std::u16string report;
  for (const PlannedRename& planned : Plan) {
    if (!planned.hasNewName) {
      report += ReportEntry(prefix, planned, 0);
      continue;
    }
    if (planned.newName == planned.oldName) continue;
    int error = kErrorBadNewName;
    if (IsSafeFileName(planned.newName)) {
      error = dir == nullptr ? openError
                             : RenameWithoutReplacing(*dir, EncodeFileName(planned.oldName),
                                                      EncodeFileName(planned.newName));
    }
    if (error != 0) report += ReportEntry(prefix, planned, error);
  }
  return report;
}

void RenameEngine::RefreshTypes() {
  for (int i = window_.TypeListCount(); i > 0; --i) window_.TypeListRemoveFirst();
  CollectTypes();
  window_.TypeListAppend(std::u16string(kAllTypes));
  for (const std::u16string& type : TypeNames) window_.TypeListAppend(type);
}

std::size_t RenameEngine::CollectTypes() {
  TypeNames.clear();
  std::unordered_set<std::u16string> seen;
  const int count = window_.FileListCount();
  for (int k = 0; k < count; ++k) {
    const std::u16string name = window_.FileListItem(k);
    std::u16string ext(LastUnits(name, detail::ExtensionLength(name)));
    if (seen.insert(ext).second) TypeNames.push_back(std::move(ext));
  }
  return TypeNames.size();
}

std::vector<std::u16string> RenameEngine::ListFiles(std::u16string_view path, int* error) const {
  return ListNames(fs_, path, EntryKind::kFiles, error);
}

std::vector<std::u16string> RenameEngine::ListDirectories(std::u16string_view path,
                                                          int* error) const {
  return ListNames(fs_, path, EntryKind::kDirectories, error);
}

std::u16string ReportEntry(std::u16string_view prefix, const PlannedRename& planned, int error) {
  if (!planned.hasNewName) return Concat({prefix, planned.oldName, kNoNewName, kEntryEnd});
  return Concat({prefix, planned.oldName, u" -> ", prefix, planned.newName, u"(",
                 DescribeError(error), u")", kEntryEnd});
}

bool IsSafeFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  return name.find_first_of(std::u16string_view(u"/\0", 2)) == std::u16string_view::npos;
}

}  // namespace renamer
