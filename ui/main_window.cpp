#include "ui/main_window.h"

#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <climits>
#include <functional>
#include <utility>

#include "ui/about_window.h"
#include "ui/colors.h"
#include "ui/directory_list.h"
#include "ui/directory_watcher.h"
#include "ui/drive_list.h"
#include "ui/file_list_model.h"
#include "ui/file_list_view.h"
#include "ui/folder_reader.h"
#include "ui/form_controls.h"
#include "ui/job_control.h"
#include "ui/message_box.h"
#include "ui/open_folder.h"
#include "ui/preview.h"
#include "ui/program_icon.h"
#include "ui/twips.h"
#include "ui/type_list.h"
#include "ui/undo_control.h"

namespace renamer::ui {
namespace {

std::u16string CurrentDirectory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return u"/";
  return DecodeFileName(buffer);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(std::u16string(), parent) {}

MainWindow::MainWindow(std::u16string startFolder, QWidget* parent)
    : MainWindow(std::move(startFolder), RealFileSystem(), parent) {}

MainWindow::MainWindow(std::u16string startFolder, FileSystem& fs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      engine_(*this, fs) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Form1"));
  setWindowIcon(ProgramIcon());
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(TwipsToPixels(8130), TwipsToPixels(6330));
  SetWindowBackground(*this, SystemColor::kInactiveBorder);
  setAcceptDrops(true);
  watcher_ = new DirectoryWatcher(
      [&fs](const std::u16string& path, FileIdentity& identity) {
        return IdentifyDirectory(fs, path, identity);
      },
      this);
  reader_ = new FolderReader(engine_, std::bind_front(&MainWindow::ShowReread, this), this);

  CreateRuleFrames();
  CreateFileFrame();
  CreateDirectoryFrame();
  CreateButtons();
  SetTabOrder();

  // All three lists start on the start folder without a change event.
  const std::u16string start = startFolder.empty() ? CurrentDirectory() : startFolder;
  Drive1->SetVolumes(MountedVolumes());
  Drive1->ShowVolumeOf(start);
  Dir1->SetPath(start);
  ReloadFileList();
  lastDirectoryOnVolume_[Drive1->CurrentMountPoint()] = start;

  ConnectHandlers();
  Form_Load();
  Command1->setFocus();
}

// The job and the reads of the folder work on the engine, which goes with the window.
MainWindow::~MainWindow() {
  delete jobs_;
  delete reader_;
}

void MainWindow::CreateRuleFrames() {
  Frame3 = MakeFrame(this, "Frame3", QStringLiteral("修改规则"), TwipsRect(120, 4320, 7935, 1095));
  Frame7 = MakeFrame(Frame3, "Frame7", QStringLiteral("字串"), TwipsRect(3720, 240, 2055, 735));
  Strchar = MakeField(Frame7, "Strchar", TwipsRect(120, 240, 1815, 375));
  SetFieldBackground(*Strchar, SystemColor::kCaptionText);
  Frame6 = MakeFrame(Frame3, "Frame6", QStringLiteral("文件类型"), TwipsRect(2280, 240, 1335, 735));
  FileType = MakeEditableCombo(Frame6, "FileType", TwipsRect(120, 240, 1095, 300));
  Frame4 = MakeFrame(Frame3, "Frame4", QStringLiteral("修改值"), TwipsRect(5880, 240, 1935, 735));
  Chgstr = MakeField(Frame4, "Chgstr", TwipsRect(120, 240, 1695, 375));
  SetFieldBackground(*Chgstr, SystemColor::kWindowBackground);
  Frame5 = MakeFrame(Frame3, "Frame5", QStringLiteral("修改方式"), TwipsRect(120, 240, 2055, 735));
  Chgtype = MakeEditableCombo(Frame5, "Chgtype", TwipsRect(120, 240, 1815, 300));
}

void MainWindow::CreateFileFrame() {
  Frame2 = MakeFrame(this, "Frame2", QStringLiteral("选择文件"), TwipsRect(2880, 120, 5175, 4095));
  fileModel_ = new FileListModel(this);
  File1 = Make<FileListView>(Frame2, "File1", TwipsRect(120, 240, 4935, 3690));
  File1->setModel(fileModel_);
  // The user drags the edge between the columns to see more of a long name; the last
  // column takes what is left.
  File1->header()->setSectionResizeMode(QHeaderView::Interactive);
  File1->header()->setStretchLastSection(true);
  File1->setHeaderHidden(true);
  auto showHeader = [this] {
    File1->setHeaderHidden(fileModel_->columnCount() < 2);
    // What a run or an undo did is told by name alone: no time was read for it.
    File1->setColumnHidden(static_cast<int>(ListColumn::kTime),
                           fileModel_->Kind() != SecondColumn::kPrediction);
  };
  connect(fileModel_, &QAbstractItemModel::headerDataChanged, this, showHeader);
  connect(fileModel_, &QAbstractItemModel::columnsInserted, this, [this, showHeader] {
    showHeader();
    // The new names appear beside the names, each column half of what the time leaves
    // for the texts; the names' column holds the check boxes as well.
    const QStyle* style = File1->style();
    const int time = File1->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) +
                     2 * style->pixelMetric(QStyle::PM_HeaderMargin) + 6;
    const int box = style->pixelMetric(QStyle::PM_IndicatorWidth) + 4;
    const int half = std::max(0, File1->viewport()->width() - time - box) / 2;
    File1->header()->resizeSection(0, half + box);
    File1->header()->resizeSection(1, half);
  });
  connect(fileModel_, &QAbstractItemModel::columnsRemoved, this, showHeader);
  preview_ = new Preview(engine_, *fileModel_, this);
}

void MainWindow::CreateDirectoryFrame() {
  Frame1 = MakeFrame(this, "Frame1", QStringLiteral("选择目录"), TwipsRect(120, 120, 2655, 4095));
  Dir1 = Placed(
      new DirectoryList([this](std::u16string_view path) { return engine_.ListDirectories(path); },
                        Frame1),
      "Dir1", TwipsRect(120, 600, 2415, 3240));
  Drive1 = Make<DriveList>(Frame1, "Drive1", TwipsRect(120, 240, 2415, 300));
  // The files of a folder being opened are read while its subdirectories are.
  connect(Dir1, &DirectoryList::Opening, reader_, &FolderReader::Prefetch);
}

void MainWindow::CreateButtons() {
  Command2 = MakeButton(this, "Command2", QStringLiteral("退出"), TwipsRect(5040, 5640, 1455, 375));
  Command1 = MakeButton(this, "Command1", QStringLiteral("确定"), TwipsRect(1440, 5640, 1335, 375));
  Command3 = MakeButton(this, "Command3", QStringLiteral("撤销"), TwipsRect(3240, 5640, 1335, 375));
  undo_ = new UndoControl(engine_, *Command3, *this);
  const std::vector<QWidget*> locked = {Frame1, Frame2, Frame3, Command1, Command2};
  jobs_ = new JobControl(
      {*this, *this, engine_, *fileModel_, *preview_, *watcher_, *reader_, *undo_, locked}, this);
}

void MainWindow::SetTabOrder() {
  QWidget* const order[] = {Command1, Drive1,  Dir1,    File1,    Chgstr,
                            Command2, Chgtype, Strchar, FileType, Command3};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void MainWindow::ConnectHandlers() {
  connect(Chgtype, &QComboBox::activated, this, &MainWindow::Chgtype_Click);
  connect(Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &MainWindow::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &MainWindow::Command3_Click);
  connect(Dir1, &DirectoryList::PathChanged, this, &MainWindow::Dir1_Change);
  connect(Drive1, &QComboBox::activated, this, &MainWindow::Drive1_Change);
  // Once the user has typed a value, a wrong one is told as the run's check tells it.
  connect(Chgstr, &QLineEdit::textEdited, preview_, [this] { preview_->SetValueHint({}); });
  // What a run did is shown until the user edits anything a run reads, even back to the
  // text the run read; the running number the run leaves in the string field is no edit.
  for (QLineEdit* field : {Chgstr, Strchar, FileType->lineEdit()}) {
    connect(field, &QLineEdit::textChanged, preview_, &Preview::Schedule);
    connect(field, &QLineEdit::textEdited, preview_, &Preview::Edited);
  }
  connect(FileType, &QComboBox::activated, preview_, &Preview::Edited);
  connect(fileModel_, &FileListModel::ChoiceChanged, preview_, &Preview::Edited);
  connect(preview_, &Preview::SummaryChanged, this, &MainWindow::ShowSummary);
  connect(jobs_, &JobControl::Finished, this, &MainWindow::JobFinished);
  connect(watcher_, &DirectoryWatcher::Changed, this, &MainWindow::File1_DiskChange);
  connect(watcher_, &DirectoryWatcher::Vanished, this, &MainWindow::FolderVanished);
  const std::initializer_list<QWidget*> filtered = {Chgtype, Command1, Command2, Command3};
  for (QWidget* watched : filtered) watched->installEventFilter(this);
}

void MainWindow::Form_Load() {
  for (const Rule& rule : kRules)
    Chgtype->addItem(QString::fromStdU16String(std::u16string(rule.itemText)));
  // Adding the first item picks it; the rule list starts with an empty text and no
  // item picked, so that the first arrow key picks the first rule.
  Chgtype->setCurrentIndex(-1);
  engine_.MaxLen = 0;
}

void MainWindow::OpenDirectory(const std::u16string& path) { Dir1->SetPath(path); }

void MainWindow::ChooseOnly(const std::vector<std::u16string>& chosen) {
  if (!chosen.empty()) fileModel_->CheckOnlyNamed(chosen);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFolder(*event->mimeData()).empty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (jobs_->Running()) return;
  const std::u16string folder = DroppedFolder(*event->mimeData());
  if (folder.empty()) return;
  event->acceptProposedAction();
  OpenDirectory(folder);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool button = watched == Command1 || watched == Command2 || watched == Command3;
  if (event->type() == QEvent::KeyPress && button) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      static_cast<QPushButton*>(watched)->click();
      return true;
    }
  }
  // Disabling the rule list for a run takes its focus; that is not leaving it.
  if (event->type() == QEvent::FocusOut && watched == Chgtype && !jobs_->Running()) {
    // Opening its own drop-down (which takes the focus into the list while it is open),
    // or another window taking over, is not leaving it.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const bool ownList = Chgtype->view()->isVisible();
    if (!ownList && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
      Chgtype_LostFocus();
    }
  }
  return QWidget::eventFilter(watched, event);
}

// Leaving the rule list applies what it shows, as a click on an item does.
void MainWindow::Chgtype_LostFocus() { Chgtype_Click(); }

void MainWindow::Chgtype_Click() {
  const std::u16string_view code = RuleCodeForItem(Chgtype->currentText().toStdU16String());
  if (const Rule* rule = RuleForCode(code)) {
    engine_.ChgMode = code;
    SetFieldState(*Strchar, rule->stringField);
    SetFieldState(*Chgstr, rule->valueField);
  }
  fileModel_->SetCheckable(!engine_.ChgMode.empty());
  const Rule* current = RuleForCode(engine_.ChgMode);
  const std::u16string_view caption = current ? current->valueCaption : u"修改值";
  const QString title = QString::fromStdU16String(std::u16string(caption));
  Frame4->setTitle(title);
  Strchar->clear();
  Chgstr->clear();
  // The value field was just emptied: say what belongs there rather than that it is wrong.
  const QString ask = QStringLiteral("请输入");
  preview_->SetValueHint(title.startsWith(ask) ? title : ask + title);
  preview_->Edited();
}

void MainWindow::Command1_Click() {
  // From now on a wrong value is told as what it is, also in the caption.
  preview_->SetValueHint({});
  const std::u16string message = CheckRunInput(engine_.ChgMode, ValueFieldText());
  if (message.empty())
    jobs_->StartRun(Dir1->Path());
  else
    ShowMessage(this, QString::fromStdU16String(message));
}

void MainWindow::Command2_Click() {
  close();
  ShowAboutWindow();
}

void MainWindow::Command3_Click() {
  // Exactly the run the tooltip names; the engine says so when another program has
  // changed what there is to undo since.
  if (const std::optional<UndoOffer> offer = undo_->Offer()) jobs_->StartUndo(*offer, Dir1->Path());
}

void MainWindow::Dir1_Change() {
  ReloadFileList();
  preview_->Edited();
  Drive1->ShowVolumeOf(Dir1->Path());
  lastDirectoryOnVolume_[Drive1->CurrentMountPoint()] = Dir1->Path();
}

void MainWindow::Drive1_Change() {
  const std::u16string mountPoint = Drive1->CurrentMountPoint();
  const auto last = lastDirectoryOnVolume_.find(mountPoint);
  Dir1->SetPath(last != lastDirectoryOnVolume_.end() ? last->second : mountPoint);
}

void MainWindow::ReloadFileList() {
  const std::u16string path = Dir1->Path();
  watcher_->Watch(path);
  FolderFiles files = reader_->Files(path);
  RefreshTypeList(*FileType, engine_, std::move(files.types));
  fileModel_->SetNames(path, std::move(files));
}

void MainWindow::ShowSummary(const QString& summary, const QString& detail) {
  const QString title = QStringLiteral("选择文件");
  if (summary.isEmpty()) {
    Frame2->setTitle(title);
    Frame2->setToolTip({});
    return;
  }
  // The caption says what a run would do or did; a long one is cut, and whole in the tip.
  const QString full = title + QStringLiteral("：") + summary;
  const int room = Frame2->width() - 2 * Frame2->fontMetrics().averageCharWidth();
  Frame2->setTitle(Frame2->fontMetrics().elidedText(full, Qt::ElideRight, room));
  Frame2->setToolTip(detail.isEmpty() ? full : full + QLatin1Char('\n') + detail);
}

void MainWindow::JobFinished(const std::u16string& report) {
  if (std::exchange(vanishedInJob_, false)) {
    FolderVanished();
  } else if (std::exchange(changedInJob_, false)) {
    File1_DiskChange();
  }
  if (!report.empty()) ShowMessage(this, QString::fromStdU16String(report));
}

void MainWindow::File1_DiskChange() {
  // The folder is listed after a job anyway; a change heard while the window waits to
  // show what the job did is read once it has.
  if (jobs_->Running()) {
    changedInJob_ = true;
    return;
  }
  reader_->Reread(Dir1->Path());
}

void MainWindow::ShowReread(const std::u16string& path, FolderFiles files,
                            std::vector<std::u16string> subdirectories) {
  Dir1->Refresh(std::move(subdirectories));
  // Rebuilding the items would reset what the user is typing there.
  if (!FileType->lineEdit()->isModified())
    RefreshTypeList(*FileType, engine_, std::move(files.types));
  // The list view keeps its scroll position through the model's reset.
  fileModel_->SetNames(path, std::move(files));
}

void MainWindow::FolderVanished() {
  if (jobs_->Running()) {
    vanishedInJob_ = true;
    return;
  }
  // The lists would go on showing files that are no longer there; the nearest folder
  // that still exists is where the user would go.
  const std::u16string gone = Dir1->Path();
  OpenDirectory(NearestExistingParent(engine_.Files(), gone));
  ShowMessage(this, QStringLiteral("目录已被移走或删除：%1").arg(QString::fromStdU16String(gone)));
}

}  // namespace renamer::ui
