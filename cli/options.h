#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rules/name_rules.h"
#include "engine/rules/ordering.h"

namespace renamer::cli {

/// What the command's exit status says.
enum Exit : int {
  kExitDone = 0,        ///< all done, or nothing to do
  kExitFailures = 1,    ///< some files failed, or would fail
  kExitUsage = 2,       ///< a usage error or a failed input check; nothing changed
  kExitStopped = 3,     ///< stopped before renaming anything
  kExitCancelled = 130  ///< cancelled by Ctrl+C
};

/// The command line of a rename or an undo from a terminal.
struct Options {
  const Rule* rule = nullptr;
  /// As given; unset when not given (the window's empty field, or "*.*" for the type).
  std::optional<std::u16string> value;
  std::optional<std::u16string> string;
  std::optional<std::u16string> type;
  /// The order 前加顺序号 numbers in: kModified (by default), kTaken, or kList for the
  /// order the files were given in, which 后加顺序号 then follows too.
  Ordering order = Ordering::kModified;
  bool apply = false;
  bool json = false;
  bool undo = false;
  bool help = false;
  bool version = false;
  /// Paths come NUL-separated from standard input instead of `paths`.
  bool fromStdin = false;
  /// The paths as given, as bytes.
  std::vector<std::string> paths;
};

/// The command line read, or why it cannot be: `error` then says it for standard error.
struct ParsedOptions {
  Options options;
  std::string error;
};

/// True when `args` (without the program's name) ask for the terminal rather than the
/// window: any of the terminal's options before a "--".
bool WantsTerminal(const std::vector<std::string>& args);

/// Reads `args`, without the program's name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

/// The help text of the whole program, window and terminal, in UTF-8.
const std::string& UsageText();

}  // namespace renamer::cli
