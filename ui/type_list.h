#pragma once

#include <string>
#include <vector>

class QComboBox;

namespace renamer {
class RenameEngine;
}

namespace renamer::ui {

/// Rebuilds the type list `list` as RenameEngine::RefreshTypes does through the window:
/// "*.*", then TypesOf(`names`), which also go into the engine's TypeNames; the text typed or
/// picked stays, and no item is picked. The names are read where they lie and the items are added
/// at once: at 100,000 files a copy of each name through the window and a list change per item
/// would make opening a folder wait.
void RefreshTypeList(QComboBox& list, RenameEngine& engine,
                     const std::vector<std::u16string>& names);

}  // namespace renamer::ui
