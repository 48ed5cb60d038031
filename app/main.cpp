#include <QApplication>

#include "ui/lifetime.h"
#include "ui/main_window.h"
#include "ui/program_icon.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setWindowIcon(renamer::ui::ProgramIcon());
  // Decides the program's end itself: only once no window is left open after a handler.
  renamer::ui::ProgramLifetime lifetime;
  auto* window = new renamer::ui::MainWindow();
  renamer::ui::ShowCentred(*window);
  return QApplication::exec();
}
