#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/preview/prediction.h"
#include "engine/run/job_outcome.h"

namespace renamer::cli {

/// What the command says of one file.
enum class FileStatus : std::uint8_t {
  kRenamed,    ///< renamed, or (in a dry run) would be
  kUnchanged,  ///< its new name is its old one
  kNotChosen,  ///< left out by the type or the choice of files
  kFails,      ///< it could not be renamed
  kWouldFail,  ///< a dry run: it could not be renamed
  kCancelled,  ///< Ctrl+C came first
};

struct FileLine {
  std::u16string oldName;
  std::u16string newName;  ///< empty for none
  FileStatus status = FileStatus::kNotChosen;
  std::u16string reason;
};

/// Everything a command prints, as data: the text and the JSON forms are made from it.
struct Listing {
  bool undo = false;
  bool applied = false;
  std::u16string folder;
  std::u16string_view ruleCode;
  std::vector<FileLine> files;
  /// The last line of the text: the window's caption for the same state.
  std::u16string summary;
  /// The window's box after an applied job; empty when it shows none.
  std::u16string report;
  /// Why nothing was done (an unreadable time, an undo refused), for standard error.
  std::u16string message;
  int exitCode = 0;
};

/// The lines of a dry run: every listed file.
std::vector<FileLine> PredictedLines(const RunPrediction& prediction);

/// The lines of a job that ran: every file it tried, and for a run the other files of
/// `listing` as not chosen.
std::vector<FileLine> OutcomeLines(const JobOutcome& outcome,
                                   const std::vector<std::u16string>& listing);

/// The text form: a line per file that is not left out, the report, the summary; colour
/// when `colour`.
std::string ListingText(const Listing& listing, bool colour);

/// The JSON form, one document.
std::string ListingJson(const Listing& listing);

/// `name` for a line of text: control characters and bytes that are not UTF-8 written
/// as escapes ("\n", "\xff"), so that one name stays one line.
std::string Printable(std::u16string_view name);

}  // namespace renamer::cli
