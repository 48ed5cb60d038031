#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"

namespace renamer {

/// Text that ends every report entry: a line feed, then a carriage return.
inline constexpr std::u16string_view kEntryEnd = u"\n\r";

/// Start of the message for a file whose modification time cannot be read.
inline constexpr std::u16string_view kUnreadableTimeMessage = u"无法读取文件的修改时间：";

/// What became of a planned file, or what will become of it before the run.
enum class PlanStatus {
  kPending,    ///< not yet tried
  kRenamed,    ///< renamed to its new name
  kUnchanged,  ///< the new name is the old one; left alone and not reported
  kFailed,     ///< not renamed; reported with `error`
};

/// One file of a run's plan; names are single file names inside the run's directory.
struct PlannedRename {
  std::u16string oldName;   ///< the name as listed
  std::u16string newName;   ///< meaningful only when hasNewName
  bool hasNewName = false;  ///< false when the rule gave no new name
  PlanStatus status = PlanStatus::kPending;
  /// Why a failed file was not renamed: an errno value or one of the engine's own
  /// codes; 0 when the rule gave no new name.
  int error = 0;
  /// Where the file is when a rename through a temporary name could not be taken back.
  std::string strandedAt;
  /// The listed file as the fill found it.
  FileIdentity identity;
  /// The file's place in the file list, counted from 0.
  std::uint32_t listIndex = 0;
};

/// What the fill found for the listed files, in the order in which they are renamed.
struct FillTable {
  std::vector<std::u16string> names;
  std::vector<FileIdentity> identities;
  /// 0, or the code of a check that already keeps the file from being renamed.
  std::vector<int> errors;
  std::vector<std::uint32_t> listIndex;

  /// Makes room for `count` files in list order, with nothing found yet.
  void Reset(std::size_t count);
};

/// The window's texts a plan is made from.
struct PlanInput {
  std::u16string code;
  std::u16string typeText;  ///< as the type list holds it; trimmed when compared
  std::u16string stringText;
  std::u16string valueText;
  std::int16_t maxLen = 0;
};

/// Told each running number of a numbering rule; returns the string field's text then.
using NumberSink = std::function<std::u16string(long long number)>;

/// The plan for the first `count` files of `fill`: one entry per file that passes the
/// type filter, with its new name, in fill order.
std::vector<PlannedRename> PlanRenames(const FillTable& fill, std::size_t count,
                                       const PlanInput& input, const NumberSink& number);

/// Decides what can be decided without the disk, from the encoded names: kUnchanged,
/// kFailed with its error, or kPending when the rename is to be tried.
PlanStatus Prejudge(PlannedRename& planned, const std::string& from, const std::string& to);

/// True when `name` can be handed to the file system as a name inside the directory.
bool IsSafeFileName(std::u16string_view name);

/// The reason a failed file gives in its report entry, in Chinese.
std::u16string FailureReason(std::u16string_view prefix, const PlannedRename& planned);

}  // namespace renamer
