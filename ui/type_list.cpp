#include "ui/type_list.h"

#include <QComboBox>
#include <QStringList>

#include "engine/rename_engine.h"

namespace renamer::ui {

void RefreshTypeList(QComboBox& list, RenameEngine& engine, std::vector<std::u16string> types) {
  QStringList items;
  items.reserve(static_cast<qsizetype>(types.size()) + 1);
  items << QStringLiteral("*.*");
  for (const std::u16string& type : types) items << QString::fromStdU16String(type);
  engine.TypeNames = std::move(types);

  const QString text = list.currentText();
  list.clear();
  list.addItems(items);
  // Adding to an empty list picks the first item; the list picks nothing by itself.
  list.setCurrentIndex(-1);
  list.setEditText(text);
}

}  // namespace renamer::ui
