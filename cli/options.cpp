#include "cli/options.h"

#include <algorithm>
#include <array>

#include "engine/disk/file_names.h"
#include "engine/rules/input_check.h"

namespace renamer::cli {
namespace {

// The options that take a value, and the switches: one row each.
enum class Name {
  kRule,
  kValue,
  kString,
  kType,
  kOrder,
  kFrom0,
  kApply,
  kJson,
  kUndo,
  kHelp,
  kVersion
};

struct OptionRow {
  std::string_view longName;
  std::string_view shortName;
  Name name;
  bool takesValue;
  bool terminal;  // asks for the terminal rather than the window
};

constexpr std::array<OptionRow, 11> kOptions = {{
    {"--rule", "", Name::kRule, true, true},
    {"--value", "", Name::kValue, true, true},
    {"--string", "", Name::kString, true, true},
    {"--type", "", Name::kType, true, true},
    {"--order", "", Name::kOrder, true, true},
    {"--from0", "", Name::kFrom0, true, true},
    {"--apply", "", Name::kApply, false, true},
    {"--json", "", Name::kJson, false, true},
    {"--undo", "", Name::kUndo, false, true},
    {"--help", "-h", Name::kHelp, false, false},
    {"--version", "-v", Name::kVersion, false, false},
}};

// The words of --order, each with the order it numbers 前加顺序号 in.
struct OrderWord {
  std::string_view word;
  Ordering ordering;
};
constexpr std::array<OrderWord, 3> kOrderWords = {
    {{"modified", Ordering::kModified}, {"taken", Ordering::kTaken}, {"list", Ordering::kList}}};

const OptionRow* FindOption(std::string_view argument, std::string_view* joined) {
  for (const OptionRow& row : kOptions) {
    if (argument == row.longName || (!row.shortName.empty() && argument == row.shortName))
      return &row;
    if (row.takesValue && argument.starts_with(row.longName) &&
        argument.size() > row.longName.size() && argument[row.longName.size()] == '=') {
      *joined = argument.substr(row.longName.size() + 1);
      return &row;
    }
  }
  return nullptr;
}

std::string Quoted(std::string_view text) { return "“" + std::string(text) + "”"; }

std::string Utf8(std::u16string_view text) { return EncodeFileName(text); }

// A value that would end up in a file name must be text a name can carry: valid UTF-8
// without line breaks or other control characters.
bool IsCleanText(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    char32_t cp = 0;
    const std::size_t length = Utf8SequenceLength(bytes, pos, cp);
    if (length == 0 || cp < 0x20 || cp == 0x7F) return false;
    pos += length;
  }
  return true;
}

const Rule* FindRule(std::string_view given) {
  const std::u16string text = DecodeFileName(given);
  for (const Rule& rule : kRules) {
    if (text == rule.itemText || text == rule.code || given == rule.commandName) return &rule;
  }
  return nullptr;
}

std::string RuleNames() {
  std::string names;
  for (const Rule& rule : kRules) {
    if (!names.empty()) names += ", ";
    names += rule.commandName;
  }
  return names;
}

// Checks what the options say together, once all are read.
std::string CheckTogether(const Options& options, const std::vector<std::string_view>& given) {
  if (options.help || options.version) return {};
  if (options.undo) {
    for (std::string_view option :
         {"--rule", "--value", "--string", "--type", "--order", "--from0"}) {
      if (std::find(given.begin(), given.end(), option) != given.end())
        return "--undo 不能与 " + std::string(option) + " 一起使用";
    }
    if (!options.paths.empty()) return "--undo 不接受路径：它撤销最近一次改名，无论在哪个目录";
    return {};
  }
  if (options.rule == nullptr) return "请用 --rule 选择修改方式，或用 --undo 撤销";
  const std::string ruleName = Quoted(Utf8(options.rule->itemText));
  if (options.string && !options.rule->stringField)
    return "修改方式" + ruleName + "不用 --string（字串）";
  if (options.value && !options.rule->valueField)
    return "修改方式" + ruleName + "不用 --value（修改值）";
  if (options.fromStdin && !options.paths.empty())
    return "--from0 - 从标准输入读取路径，不能再在命令行上给出路径";
  if (options.rule->check != nullptr) {
    const std::u16string value = options.value.value_or(u"");
    const std::u16string message = options.rule->check(value);
    if (!message.empty()) return "--value " + Quoted(Utf8(value)) + "：" + Utf8(message);
  }
  return {};
}

}  // namespace

bool WantsTerminal(const std::vector<std::string>& args) {
  for (const std::string& argument : args) {
    if (argument == "--") return false;
    std::string_view joined;
    const OptionRow* row = FindOption(argument, &joined);
    if (row != nullptr && row->terminal) return true;
  }
  return false;
}

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  Options& options = parsed.options;
  // Asked for help, the program gives it, whatever else the line gets wrong.
  for (const std::string& argument : args) {
    if (argument == "--") break;
    options.help = options.help || argument == "--help" || argument == "-h";
  }
  if (options.help) return parsed;
  std::vector<std::string_view> given;
  bool onlyPaths = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& argument = args[i];
    if (onlyPaths || argument.empty() || argument[0] != '-' || argument == "-") {
      options.paths.push_back(argument);
      continue;
    }
    if (argument == "--") {
      onlyPaths = true;
      continue;
    }
    std::string_view value;
    const OptionRow* row = FindOption(argument, &value);
    if (row == nullptr) {
      parsed.error = "未知选项：" + argument;
      return parsed;
    }
    if (std::find(given.begin(), given.end(), row->longName) != given.end()) {
      parsed.error = "选项 " + std::string(row->longName) + " 只能给出一次";
      return parsed;
    }
    given.push_back(row->longName);
    if (row->takesValue && value.data() == nullptr) {
      if (i + 1 == args.size()) {
        parsed.error = "选项 " + std::string(row->longName) + " 缺少值";
        return parsed;
      }
      value = args[++i];
    }
    if (row->takesValue && !IsCleanText(value)) {
      parsed.error = "选项 " + std::string(row->longName) +
                     " 的值含有换行符等控制字符，或不是有效的 UTF-8 文本";
      return parsed;
    }
    switch (row->name) {
      case Name::kRule:
        options.rule = FindRule(value);
        if (options.rule == nullptr) {
          parsed.error = "未知的修改方式：" + Quoted(value) + "。可用：" + RuleNames() +
                         "，或修改方式的名称（如 增加前缀）、代码（如 ADDPRE）";
          return parsed;
        }
        break;
      case Name::kValue:
        options.value = DecodeFileName(value);
        break;
      case Name::kString:
        options.string = DecodeFileName(value);
        break;
      case Name::kType:
        options.type = DecodeFileName(value);
        break;
      case Name::kOrder: {
        const auto word = std::find_if(kOrderWords.begin(), kOrderWords.end(),
                                       [&](const OrderWord& w) { return w.word == value; });
        if (word == kOrderWords.end()) {
          std::string words;
          for (const OrderWord& w : kOrderWords)
            words += (words.empty() ? "" : ", ") + std::string(w.word);
          parsed.error = "未知的顺序：" + Quoted(value) + "。可用：" + words;
          return parsed;
        }
        options.order = word->ordering;
        break;
      }
      case Name::kFrom0:
        if (value != "-") {
          parsed.error = "--from0 只接受 -（从标准输入读取）";
          return parsed;
        }
        options.fromStdin = true;
        break;
      case Name::kApply:
        options.apply = true;
        break;
      case Name::kJson:
        options.json = true;
        break;
      case Name::kUndo:
        options.undo = true;
        break;
      case Name::kHelp:
        options.help = true;
        break;
      case Name::kVersion:
        options.version = true;
        break;
    }
  }
  parsed.error = CheckTogether(options, given);
  return parsed;
}

const std::string& UsageText() {
  static const std::string text = [] {
    std::string rules;
    for (const Rule& rule : kRules) {
      std::string name(rule.commandName);
      name.resize(18, ' ');
      rules +=
          "                    " + name + Utf8(rule.itemText) + "（" + Utf8(rule.code) + "）\n";
    }
    return "用法：batch-renamer [目录 | 文件...]\n"
           "      batch-renamer --rule 规则 [--value 值] [--string 字串] [--type 类型]\n"
           "                    [--order 顺序] [--apply] [--json] [目录 | 文件... | --from0 -]\n"
           "      batch-renamer --undo [--apply] [--json]\n"
           "一次改名一个目录中的文件。\n"
           "不带下列终端选项时打开窗口。给出目录时在该目录上打开窗口，勾选其中的全部文件；不给出时"
           "打开当前目录。\n"
           "给出文件时打开第一个文件所在的目录，只勾选给出的文件；其他目录中的文件和多给出的目录略"
           "去不用。\n"
           "\n"
           "在终端中改名（不打开窗口，也不需要显示器）：\n"
           "  --rule 规则       修改方式：名称（如 增加前缀）、代码（如 ADDPRE）或英文名：\n" +
           rules +
           "  --value 值        修改值\n"
           "  --string 字串     字串（删除字符、替换字符用）\n"
           "  --type 类型       文件类型：*.*（默认，全部文件）、一种扩展名（如 .jpg），\n"
           "                    或空文本（只改无扩展名的文件）\n"
           "  --order 顺序      前加顺序号的编号顺序：modified（按修改时间，默认）、\n"
           "                    taken（按照片、视频的拍摄时间，没有时用修改时间）、\n"
           "                    list（按给出文件的顺序；后加顺序号也按这个顺序）\n"
           "  --apply           真正改名，并记下以便撤销；不给出时只列出将会怎样改名\n"
           "  --json            输出一个 JSON 文档，而不是文本\n"
           "  --from0 -         从标准输入读取以 NUL 分隔的路径（如 find -print0 的输出）\n"
           "  --undo            列出下一次“撤销”将恢复的文件；加 --apply 时撤销\n"
           "给出目录时改名其中的全部文件；给出同一目录中的文件时只改名这些文件，\n"
           "目录中的其他文件视为未选中。不给出路径时用当前目录。\n"
           "\n"
           "退出码：\n"
           "  0    全部完成，或没有要做的事\n"
           "  1    有文件不能改名，或将不能改名\n"
           "  2    用法错误或输入检查未通过；没有改动任何文件\n"
           "  3    改名前就停止：无法读取文件的修改时间，或撤销记录正被占用、已损坏\n"
           "  130  按 Ctrl+C 取消（已改名的文件可以撤销）\n"
           "\n"
           "选项：\n"
           "  -h, --help        显示本帮助并退出\n"
           "  -v, --version     显示版本号并退出\n";
  }();
  return text;
}

}  // namespace renamer::cli
