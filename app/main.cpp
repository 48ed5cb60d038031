#include <QApplication>

#include <cstdio>

#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/terminal.h"
#include "ui/command_line.h"
#include "ui/lifetime.h"
#include "ui/program_icon.h"

namespace {

void Print(const renamer::ui::CommandLine& line) {
  std::fputs(line.standardOutput.toUtf8().constData(), stdout);
  std::fputs(line.standardError.toUtf8().constData(), stderr);
}

}  // namespace

int main(int argc, char* argv[]) {
  // A rename from a terminal never starts the GUI toolkit: it needs no display.
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (renamer::cli::WantsTerminal(args)) return renamer::cli::RunTerminal(args);
  // Answered before QApplication, which needs a display, with Qt's own options (-platform,
  // -style, ...) left out as QApplication will take them. The parse after QApplication
  // stays the one that counts for the rest.
  const renamer::ui::CommandLine early = renamer::ui::ParseCommandLine(
      renamer::ui::WithoutToolkitOptions(renamer::ui::ArgumentsOf(argc, argv)));
  if (early.exitCode) {
    Print(early);
    return *early.exitCode;
  }
  QApplication app(argc, argv);
  const renamer::ui::CommandLine line =
      renamer::ui::ParseCommandLine(renamer::ui::ArgumentsOf(argc, argv));
  if (line.exitCode) {
    Print(line);
    return *line.exitCode;
  }
  QApplication::setWindowIcon(renamer::ui::ProgramIcon());
  // Decides the program's end itself: only once no window is left open after a handler.
  renamer::ui::ProgramLifetime lifetime;
  renamer::ui::StartMainWindow(line);
  return QApplication::exec();
}
