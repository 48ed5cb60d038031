#include "ui/command_line.h"

#include <QCommandLineParser>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "cli/options.h"
#include "engine/disk/file_names.h"
#include "engine/disk/file_system.h"
#include "ui/lifetime.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/open_folder.h"

namespace renamer::ui {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr int kUsageError = 2;

// Written by hand rather than by QCommandLineParser::helpText(), whose headings are
// English unless a translation is installed; one text for the window and the terminal.
const QString kUsage = QString::fromStdString(cli::UsageText());

CommandLine UsageError(const QString& why) {
  CommandLine line;
  line.exitCode = kUsageError;
  line.standardError = why + QLatin1Char('\n') + kUsage;
  return line;
}

// The parser names an unknown option without its dashes.
QString AsGiven(const QString& name, const QStringList& arguments) {
  const QString longForm = QStringLiteral("--") + name;
  for (const QString& argument : arguments) {
    if (argument == longForm || argument.startsWith(longForm + QLatin1Char('='))) return longForm;
  }
  return QStringLiteral("-") + name;
}

QString Quoted(const QString& text) { return QStringLiteral("“%1”").arg(text); }

// How an option takes its value: not at all, from the next argument, or from that or
// joined as `-name=value`.
enum class Takes { kNothing, kNextArgument, kNextOrJoined };

struct ToolkitOption {
  QLatin1StringView name;
  Takes value = Takes::kNothing;
  // Left in argv when it comes last, with no value after it; the others Qt drops.
  bool keptWhenLast = false;
};

constexpr bool kKeptWhenLast = true;

// Qt takes its options out of argv in passes, one after the other, each over what the
// earlier ones left: so `-style -platformtheme x y` sets the style "y". The passes in Qt's
// order: the platform, the X11 platform plugin, QCoreApplication, QGuiApplication,
// QApplication. -geometry, -title and -icon count only where X11 is the default platform;
// dropping them elsewhere as well only defers the answer to the parse after QApplication.
const std::vector<std::vector<ToolkitOption>> kToolkitPasses = {
    {{"platformpluginpath"_L1, Takes::kNextArgument},
     {"platform"_L1, Takes::kNextArgument},
     {"platformtheme"_L1, Takes::kNextArgument},
     {"qwindowgeometry"_L1, Takes::kNextArgument},
     {"geometry"_L1, Takes::kNextArgument},
     {"qwindowtitle"_L1, Takes::kNextArgument},
     {"title"_L1, Takes::kNextArgument},
     {"qwindowicon"_L1, Takes::kNextArgument},
     {"icon"_L1, Takes::kNextArgument}},
    {{"display"_L1, Takes::kNextArgument},
     {"name"_L1, Takes::kNextArgument},
     {"visual"_L1, Takes::kNextArgument},
     {"sync"_L1},
     {"nograb"_L1},
     {"dograb"_L1}},
    {{"qmljsdebugger"_L1, Takes::kNextOrJoined, kKeptWhenLast}},
    {{"plugin"_L1, Takes::kNextArgument},
     {"reverse"_L1},
     {"testability"_L1},
     {"session"_L1, Takes::kNextArgument, kKeptWhenLast},
     {"style"_L1, Takes::kNextOrJoined, kKeptWhenLast}},
    {{"stylesheet"_L1, Takes::kNextOrJoined, kKeptWhenLast}, {"widgetcount"_L1}},
};

bool IsJoined(QStringView name, const ToolkitOption& option) {
  return option.value == Takes::kNextOrJoined && name.startsWith(option.name) &&
         name.mid(option.name.size()).startsWith(u'=');
}

QStringList WithoutPass(const QStringList& arguments, const std::vector<ToolkitOption>& pass) {
  // Qt never looks at the program's own name.
  QStringList left = arguments.mid(0, 1);
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    // Qt reads `--name` as `-name`.
    const QStringView name = QStringView(argument).mid(argument.startsWith(u"--") ? 2 : 1);
    const auto taken = std::find_if(pass.begin(), pass.end(), [&](const ToolkitOption& option) {
      return name == option.name || IsJoined(name, option);
    });
    if (!argument.startsWith(u'-') || taken == pass.end()) {
      left << argument;
      continue;
    }
    if (taken->value == Takes::kNothing || IsJoined(name, *taken)) continue;
    if (i + 1 < arguments.size()) {
      ++i;
      continue;
    }
    if (taken->keptWhenLast) left << argument;
  }
  return left;
}

// A file manager can hand over hundreds of paths; a message names this many of them.
constexpr qsizetype kPathsNamed = 5;

// The paths one a line, quoted, the ones beyond the first few left as "……".
QString PathLines(const QStringList& paths) {
  QStringList lines;
  for (qsizetype k = 0; k < std::min(paths.size(), kPathsNamed); ++k) lines << Quoted(paths[k]);
  if (paths.size() > kPathsNamed) lines << QStringLiteral("……");
  return lines.join(u'\n');
}

// The name of the entry itself, as the file list shows it: a symbolic link is not followed.
std::u16string LastComponent(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// Why paths were not used: those that cannot be opened, each with its reason, then those
// outside `folder`, the one opened (empty: the current directory).
QString Problems(const QStringList& failures, const QStringList& leftOut,
                 const std::u16string& folder) {
  QStringList problems = failures.mid(0, kPathsNamed);
  if (failures.size() > kPathsNamed)
    problems << QStringLiteral("另有 %1 项也无法打开。").arg(failures.size() - kPathsNamed);
  if (folder.empty()) {
    // Beside a single reason; on a line of its own below a list of them.
    const QString opened = QStringLiteral("已打开当前目录。");
    if (failures.size() == 1)
      problems.last() += opened;
    else
      problems << opened;
  }
  if (!leftOut.isEmpty()) {
    problems << QStringLiteral("一次只能打开一个目录。已打开%1，略去了不在其中的 %2 项：\n%3")
                    .arg(Quoted(QString::fromStdU16String(folder)), QString::number(leftOut.size()),
                         PathLines(leftOut));
  }
  return problems.join(u'\n');
}

// Opens the folder of the first path that can be used. A folder given there asks for all
// of its files, a file there for itself; paths elsewhere are left out, for one window
// shows one folder.
void ReadPaths(const QStringList& paths, CommandLine& line) {
  QStringList failures;
  QStringList leftOut;
  bool everyFile = false;
  for (const QString& given : paths) {
    const std::u16string path = given.toStdU16String();
    int error = 0;
    bool isFolder = false;
    std::u16string folder = FolderOf(path, &error, &isFolder);
    if (error == 0) error = FolderAccessError(folder);
    if (error != 0) {
      failures << QStringLiteral("无法打开%1：%2。")
                      .arg(Quoted(given), QString::fromStdU16String(DescribeError(error)));
      continue;
    }
    if (line.startFolder.empty()) line.startFolder = folder;
    if (folder != line.startFolder) {
      leftOut << given;
      continue;
    }
    // A folder named here is the open folder itself, whatever path leads to it.
    if (isFolder) {
      everyFile = true;
      continue;
    }
    std::u16string name = LastComponent(path);
    if (std::find(line.chosenFiles.begin(), line.chosenFiles.end(), name) == line.chosenFiles.end())
      line.chosenFiles.push_back(std::move(name));
  }
  if (everyFile) line.chosenFiles.clear();
  line.problem = Problems(failures, leftOut, line.startFolder);
}

}  // namespace

QStringList ArgumentsOf(int argc, const char* const* argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromStdU16String(DecodeFileName(argv[i]));
  return arguments;
}

QStringList WithoutToolkitOptions(const QStringList& arguments) {
  QStringList left = arguments;
  for (const std::vector<ToolkitOption>& pass : kToolkitPasses) left = WithoutPass(left, pass);
  return left;
}

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("显示本帮助并退出"));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("显示版本号并退出"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(QStringLiteral("路径"), QStringLiteral("要打开的目录或其中的文件"),
                               QStringLiteral("[目录 | 文件...]"));
  if (!parser.parse(arguments)) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty()) return UsageError(parser.errorText());
    return UsageError(QStringLiteral("未知选项：%1").arg(AsGiven(unknown.first(), arguments)));
  }

  CommandLine line;
  if (parser.isSet(help) || parser.isSet(version)) {
    line.exitCode = 0;
    line.standardOutput =
        parser.isSet(help)
            ? kUsage
            : QStringLiteral("batch-renamer %1\n").arg(QStringLiteral(RENAMER_VERSION));
    return line;
  }
  const QStringList paths = parser.positionalArguments();
  if (!paths.isEmpty()) ReadPaths(paths, line);
  return line;
}

MainWindow* StartMainWindow(const CommandLine& line) {
  auto* window = new MainWindow(line.startFolder);
  window->ChooseOnly(line.chosenFiles);
  ShowCentred(*window);
  if (!line.problem.isEmpty()) {
    // Once the window is on screen, so the box has something to stand in front of.
    QTimer::singleShot(0, window,
                       [window, problem = line.problem] { ShowMessage(window, problem); });
  }
  return window;
}

}  // namespace renamer::ui
