#pragma once

#include <QWidget>

#include <map>
#include <string>
#include <vector>

#include "engine/rename_engine.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QTreeView;
class QPushButton;

namespace renamer::ui {

class DirectoryList;
class DirectoryWatcher;
class DriveList;
class FileListModel;
class FolderReader;
struct FolderFiles;
class JobControl;
class Preview;
class UndoControl;

/// The main window `Form1`. It owns the engine and is the window the engine works
/// through. It deletes itself when it is closed.
class MainWindow : public QWidget, public WindowPort {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  /// Starts with the three lists on `startFolder` instead of the current directory.
  explicit MainWindow(std::u16string startFolder, QWidget* parent = nullptr);
  /// Works on `fs` instead of the real file system; `fs` must outlive the window.
  MainWindow(std::u16string startFolder, FileSystem& fs, QWidget* parent = nullptr);
  /// A run or an undo still working is cancelled and waited for first.
  ~MainWindow() override;

  RenameEngine& Engine() { return engine_; }

  /// Opens `path` in the directory list, as a double-click on it would.
  void OpenDirectory(const std::u16string& path);
  /// Checks only the files named `chosen` in the file list; none named checks all.
  void ChooseOnly(const std::vector<std::u16string>& chosen);

  std::u16string FileListPath() const override;
  int FileListCount() const override;
  std::u16string FileListItem(int k) const override;
  std::shared_ptr<const std::vector<std::u16string>> FileListNames() const override;
  Ordering TimeOrdering() const override;
  std::shared_ptr<const std::vector<std::uint32_t>> FileListPlaces() const override;
  bool FileListChecked(int k) const override;
  std::shared_ptr<const std::vector<bool>> FileListChoice() const override;
  std::u16string TypeListText() const override;
  int TypeListCount() const override;
  void TypeListRemoveFirst() override;
  void TypeListAppend(const std::u16string& item) override;
  std::u16string StringFieldText() const override;
  void SetStringFieldText(const std::u16string& text) override;
  std::u16string ValueFieldText() const override;

 public slots:
  void Chgtype_Click();
  void Chgtype_LostFocus();
  /// Checks the value, then starts the run and returns; the window shows its end.
  void Command1_Click();
  void Command2_Click();
  /// Starts taking the most recent run back and returns.
  void Command3_Click();
  void Dir1_Change();
  void Drive1_Change();
  void File1_DiskChange();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateButtons();
  void CreateRuleFrames();
  void CreateFileFrame();
  void CreateDirectoryFrame();
  void SetTabOrder();
  void ConnectHandlers();
  void Form_Load();
  /// Lists the open folder's files and their types.
  void ReloadFileList();
  /// Shows the open folder as read again after another program changed it.
  void ShowReread(const std::u16string& path, FolderFiles files,
                  std::vector<std::u16string> subdirectories);
  void ShowSummary(const QString& summary, const QString& detail);
  /// A run or an undo has ended and the window shows what it did: what the window heard
  /// of the folder meanwhile is taken up, and the report shown in a box.
  void JobFinished(const std::u16string& report);
  /// The open folder was moved away or deleted: opens the nearest folder above it that
  /// still exists, and says so.
  void FolderVanished();

  RenameEngine engine_;
  /// The volume's last opened directory, by mount point, for this run of the program.
  std::map<std::u16string, std::u16string> lastDirectoryOnVolume_;
  /// The run and the undo; while one works on the engine from another thread, the
  /// window does not touch the engine.
  JobControl* jobs_ = nullptr;
  /// The open folder changed, or went, while a job had the window.
  bool changedInJob_ = false;
  bool vanishedInJob_ = false;

  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  UndoControl* undo_ = nullptr;
  QGroupBox* Frame3 = nullptr;
  QGroupBox* Frame7 = nullptr;
  QLineEdit* Strchar = nullptr;
  QGroupBox* Frame6 = nullptr;
  QComboBox* FileType = nullptr;
  QGroupBox* Frame4 = nullptr;
  QLineEdit* Chgstr = nullptr;
  QGroupBox* Frame5 = nullptr;
  QComboBox* Chgtype = nullptr;
  QGroupBox* Frame2 = nullptr;
  QTreeView* File1 = nullptr;
  FileListModel* fileModel_ = nullptr;
  Preview* preview_ = nullptr;
  DirectoryWatcher* watcher_ = nullptr;
  FolderReader* reader_ = nullptr;
  QGroupBox* Frame1 = nullptr;
  DirectoryList* Dir1 = nullptr;
  DriveList* Drive1 = nullptr;
  QPushButton* Command1 = nullptr;
};

}  // namespace renamer::ui
