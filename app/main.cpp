#include <QApplication>

#include <cstdio>

#include "ui/command_line.h"
#include "ui/lifetime.h"
#include "ui/program_icon.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // QApplication has taken its own options (-platform, -style, ...) out of argv.
  const renamer::ui::CommandLine line =
      renamer::ui::ParseCommandLine(renamer::ui::ArgumentsOf(argc, argv));
  if (line.exitCode) {
    std::fputs(line.standardOutput.toUtf8().constData(), stdout);
    std::fputs(line.standardError.toUtf8().constData(), stderr);
    return *line.exitCode;
  }
  QApplication::setWindowIcon(renamer::ui::ProgramIcon());
  // Decides the program's end itself: only once no window is left open after a handler.
  renamer::ui::ProgramLifetime lifetime;
  renamer::ui::StartMainWindow(line);
  return QApplication::exec();
}
