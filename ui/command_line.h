#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace renamer::ui {

class MainWindow;

/// What the command line asks the program to do.
struct CommandLine {
  /// Set when the program ends at once with this code after printing its texts.
  std::optional<int> exitCode;
  QString standardOutput;
  QString standardError;
  /// The folder to start on; empty for the current directory.
  std::u16string startFolder;
  /// The names of the files to check in the start folder, in the order given; empty to
  /// check all of them.
  std::vector<std::u16string> chosenFiles;
  /// Why given paths are not used, for the message box; empty when all of them are.
  QString problem;
};

/// The arguments as the program got them (argv[0] first), decoded without losing bytes
/// that are not UTF-8.
QStringList ArgumentsOf(int argc, const char* const* argv);

/// The arguments without the options that QApplication takes out of argv itself
/// (-platform, -style, ...), so that they can be read before there is a QApplication.
QStringList WithoutToolkitOptions(const QStringList& arguments);

/// Reads `batch-renamer [目录 | 文件...]` with the options --help and --version. Files
/// start the window on the folder of the first usable path with only those files checked.
CommandLine ParseCommandLine(const QStringList& arguments);

/// Opens the main window on the command line's folder, centred, and says afterwards in
/// the message box why given paths were not used, if any were not.
MainWindow* StartMainWindow(const CommandLine& line);

}  // namespace renamer::ui
