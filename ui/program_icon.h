#pragma once

#include <QIcon>

namespace renamer::ui {

/// The program's icon, 16 x 16 and 32 x 32, carried by every window of the program.
QIcon ProgramIcon();

}  // namespace renamer::ui
