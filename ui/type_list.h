#pragma once

#include <string>
#include <vector>

class QComboBox;

namespace renamer {
class RenameEngine;
}

namespace renamer::ui {

/// Rebuilds the type list `list` as RenameEngine::RefreshTypes does through the window:
/// "*.*", then `types` (TypesOf the listed names), which also become the engine's
/// TypeNames; the text typed or picked stays, and no item is picked. The items are added
/// at once, from types found off the window's thread: at 100,000 files a copy of each
/// name through the window and a list change per item would make opening a folder wait.
void RefreshTypeList(QComboBox& list, RenameEngine& engine, std::vector<std::u16string> types);

}  // namespace renamer::ui
