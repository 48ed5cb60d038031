#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/rename_engine.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QTreeView;
class QPushButton;

namespace renamer::ui {

class BackgroundRun;
class DirectoryList;
class DirectoryWatcher;
class DriveList;
class FileListModel;
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
  ~MainWindow() override;

  RenameEngine& Engine() { return engine_; }

  /// Opens `path` in the directory list, as a double-click on it would.
  void OpenDirectory(const std::u16string& path);

  std::u16string FileListPath() const override;
  int FileListCount() const override;
  std::u16string FileListItem(int k) const override;
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
  void Command1_Click();
  void Command2_Click();
  /// Takes the most recent run back.
  void Command3_Click();
  void Dir1_Change();
  void Drive1_Change();
  void File1_DiskChange();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  /// The close box does nothing while a run works; its progress window has "取消".
  void closeEvent(QCloseEvent* event) override;
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
  void ApplyRule();
  void ReloadFileList();
  /// Shows `names` as the listing of `path`.
  void ShowListing(const std::u16string& path, std::vector<std::u16string> names);
  void ShowSummary(const QString& summary, const QString& detail);
  /// The open folder was moved away or deleted: opens the nearest folder above it that
  /// still exists, and says so.
  void FolderVanished();
  std::u16string RunRenaming();
  /// Runs `job` off the window's thread under a progress window titled `title`, with
  /// everything it reads or writes disabled meanwhile, then lists the folder once and
  /// returns the job's report. The job works on the engine, which reports its progress
  /// to the progress window meanwhile; the window does not touch the engine. What the
  /// job did, if it did anything, goes into `outcome`.
  std::u16string RunInBackground(
      const QString& title,
      const std::function<std::u16string(std::optional<JobOutcome>& outcome)>& job,
      std::optional<JobOutcome>& outcome);
  /// Disables or enables the rule, the fields, the lists and the buttons for a run.
  void SetRunning(bool running);

  RenameEngine engine_;
  /// The volume's last opened directory, by mount point, for this run of the program.
  std::map<std::u16string, std::u16string> lastDirectoryOnVolume_;
  BackgroundRun* background_ = nullptr;
  /// True while a job works on the engine from another thread.
  bool running_ = false;
  QPointer<QWidget> focusBeforeRun_;

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
  QGroupBox* Frame1 = nullptr;
  DirectoryList* Dir1 = nullptr;
  DriveList* Drive1 = nullptr;
  QPushButton* Command1 = nullptr;
};

}  // namespace renamer::ui
