#include "ui/program_icon.h"

#include <QString>

// The icons sit in a static library, whose resource registration the linker would
// drop unless something calls it; this must happen outside any namespace.
static void InitProgramIconResource() { Q_INIT_RESOURCE(program_icon); }

namespace renamer::ui {

QIcon ProgramIcon() {
  static const bool registered = (InitProgramIconResource(), true);
  (void)registered;
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/icon-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/icons/icon-32.png"), QSize(32, 32));
  return icon;
}

}  // namespace renamer::ui
