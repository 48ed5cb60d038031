#pragma once

#include <QFontMetrics>
#include <QString>
#include <QStyledItemDelegate>

namespace renamer::ui {

/// `text` as it fits in `width` pixels: whole when it fits, else with "…" where characters
/// are left out, keeping in sight the part where it differs from `other` (what is left
/// after their common start and end): centred on it, or from its start when it alone is
/// too wide. Where the difference is padding, a run of one character repeated that one
/// of them has and the other has not, the start and the end of `text` stay in sight
/// instead, and the padding is cut. Without a difference it is elided in the middle, as
/// Qt does.
QString ElideAroundChange(const QString& text, const QString& other, const QFontMetrics& metrics,
                          int width);

/// Draws the names of a two-column list (old name, new name) elided around where the two
/// differ, so that a change in the middle of a long name stays visible in both columns.
/// With one column it draws as QStyledItemDelegate does.
class ChangeElideDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace renamer::ui
