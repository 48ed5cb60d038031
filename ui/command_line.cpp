#include "ui/command_line.h"

#include <QCommandLineParser>
#include <QTimer>

#include "engine/file_names.h"
#include "engine/file_system.h"
#include "ui/lifetime.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/open_folder.h"

namespace renamer::ui {
namespace {

constexpr int kUsageError = 2;

// Written by hand rather than by QCommandLineParser::helpText(), whose headings are
// English unless a translation is installed.
const QString kUsage = QStringLiteral(
    "用法：batch-renamer [目录]\n"
    "一次改名一个目录中的全部文件。\n"
    "给出目录时在该目录上打开窗口，给出文件时打开它所在的目录，不给出时打开当前目录。\n"
    "\n"
    "选项：\n"
    "  -h, --help     显示本帮助并退出\n"
    "  -v, --version  显示版本号并退出\n");

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

}  // namespace

QStringList ArgumentsOf(int argc, const char* const* argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromStdU16String(DecodeFileName(argv[i]));
  return arguments;
}

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("显示本帮助并退出"));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("显示版本号并退出"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addPositionalArgument(QStringLiteral("目录"), QStringLiteral("要打开的目录"),
                               QStringLiteral("[目录]"));
  if (!parser.parse(arguments)) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty()) return UsageError(parser.errorText());
    return UsageError(QStringLiteral("未知选项：%1").arg(AsGiven(unknown.first(), arguments)));
  }

  CommandLine line;
  if (parser.isSet(help)) {
    line.exitCode = 0;
    line.standardOutput = kUsage;
    return line;
  }
  if (parser.isSet(version)) {
    line.exitCode = 0;
    line.standardOutput = QStringLiteral("batch-renamer %1\n").arg(QStringLiteral(RENAMER_VERSION));
    return line;
  }
  const QStringList paths = parser.positionalArguments();
  if (paths.size() > 1) return UsageError(QStringLiteral("只能给出一个目录。"));
  if (paths.isEmpty()) return line;

  const std::u16string path = paths.first().toStdU16String();
  int error = 0;
  std::u16string folder = FolderOf(path, &error);
  if (error == 0) error = FolderAccessError(folder);
  if (error != 0) {
    line.problem = QStringLiteral("无法打开%1：%2。已打开当前目录。")
                       .arg(Quoted(paths.first()), QString::fromStdU16String(DescribeError(error)));
    return line;
  }
  line.startFolder = std::move(folder);
  return line;
}

MainWindow* StartMainWindow(const CommandLine& line) {
  auto* window = new MainWindow(line.startFolder);
  ShowCentred(*window);
  if (!line.problem.isEmpty()) {
    // Once the window is on screen, so the box has something to stand in front of.
    QTimer::singleShot(0, window,
                       [window, problem = line.problem] { ShowMessage(window, problem); });
  }
  return window;
}

}  // namespace renamer::ui
