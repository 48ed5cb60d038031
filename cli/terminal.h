#pragma once

#include <string>
#include <vector>

namespace renamer::cli {

/// The program from a terminal: renames, or shows what it would rename, or undoes, with
/// the window's rules, checks, journal and undo, and never starts the GUI toolkit.
/// `args` leave out the program's name; returns the exit status (see Exit).
int RunTerminal(const std::vector<std::string>& args);

}  // namespace renamer::cli
