// The main window as the engine sees it: the lists and fields a run reads and writes.

#include <QComboBox>
#include <QLineEdit>

#include "ui/file_list_model.h"
#include "ui/main_window.h"

namespace renamer::ui {

std::u16string MainWindow::FileListPath() const { return fileModel_->Path(); }

int MainWindow::FileListCount() const { return fileModel_->rowCount(); }

std::u16string MainWindow::FileListItem(int k) const {
  return fileModel_->Names().at(static_cast<std::size_t>(k));
}

std::shared_ptr<const std::vector<std::u16string>> MainWindow::FileListNames() const {
  return fileModel_->SharedNames();
}

Ordering MainWindow::TimeOrdering() const { return fileModel_->TimeOrdering(); }

std::shared_ptr<const std::vector<std::uint32_t>> MainWindow::FileListPlaces() const {
  return fileModel_->SharedPlaces();
}

bool MainWindow::FileListChecked(int k) const { return fileModel_->IsChecked(k); }

std::shared_ptr<const std::vector<bool>> MainWindow::FileListChoice() const {
  return fileModel_->SharedChoice();
}

std::u16string MainWindow::TypeListText() const { return FileType->currentText().toStdU16String(); }

int MainWindow::TypeListCount() const { return FileType->count(); }

void MainWindow::TypeListRemoveFirst() {
  // Removing or adding items must not change what the user typed or picked.
  const QString text = FileType->currentText();
  FileType->removeItem(0);
  FileType->setEditText(text);
}

void MainWindow::TypeListAppend(const std::u16string& item) {
  const QString text = FileType->currentText();
  const bool picked = FileType->currentIndex() >= 0;
  FileType->addItem(QString::fromStdU16String(item));
  // The first item added to an empty list is picked by the list itself.
  if (!picked) FileType->setCurrentIndex(-1);
  FileType->setEditText(text);
}

std::u16string MainWindow::StringFieldText() const { return Strchar->text().toStdU16String(); }

void MainWindow::SetStringFieldText(const std::u16string& text) {
  Strchar->setText(QString::fromStdU16String(text));
}

std::u16string MainWindow::ValueFieldText() const { return Chgstr->text().toStdU16String(); }

}  // namespace renamer::ui
