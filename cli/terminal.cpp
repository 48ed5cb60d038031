#include "cli/terminal.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <unordered_map>

#include "cli/folder_choice.h"
#include "cli/job_feedback.h"
#include "cli/options.h"
#include "cli/output.h"
#include "engine/disk/file_names.h"
#include "engine/preview/summary.h"
#include "engine/rename_engine.h"
#include "engine/rules/time_key.h"
#include "engine/undo/undo_report.h"

namespace renamer::cli {
namespace {

// The window as the engine sees it, filled from the command line: the folder's files,
// those given checked, the type and the two fields.
class TerminalPort final : public WindowPort {
 public:
  TerminalPort(std::u16string folder, std::vector<std::u16string> names,
               std::vector<std::uint32_t> places, std::shared_ptr<const std::vector<bool>> chosen,
               const Options& options)
      : folder_(std::move(folder)),
        names_(std::make_shared<const std::vector<std::u16string>>(std::move(names))),
        places_(std::make_shared<const std::vector<std::uint32_t>>(std::move(places))),
        chosen_(std::move(chosen)),
        type_(options.type.value_or(u"*.*")),
        string_(options.string.value_or(u"")),
        value_(options.value.value_or(u"")),
        order_(options.order) {}

  std::u16string FileListPath() const override { return folder_; }
  int FileListCount() const override { return static_cast<int>(names_->size()); }
  std::u16string FileListItem(int k) const override { return (*names_)[k]; }
  std::shared_ptr<const std::vector<std::u16string>> FileListNames() const override {
    return names_;
  }
  std::shared_ptr<const std::vector<std::uint32_t>> FileListPlaces() const override {
    return places_;
  }
  bool FileListChecked(int k) const override { return !chosen_ || (*chosen_)[k]; }
  std::shared_ptr<const std::vector<bool>> FileListChoice() const override { return chosen_; }
  Ordering TimeOrdering() const override { return order_; }
  std::u16string TypeListText() const override { return type_; }
  int TypeListCount() const override { return 0; }
  void TypeListRemoveFirst() override {}
  void TypeListAppend(const std::u16string&) override {}
  std::u16string StringFieldText() const override { return string_; }
  void SetStringFieldText(const std::u16string& text) override { string_ = text; }
  std::u16string ValueFieldText() const override { return value_; }

 private:
  std::u16string folder_;
  std::shared_ptr<const std::vector<std::u16string>> names_;
  std::shared_ptr<const std::vector<std::uint32_t>> places_;
  std::shared_ptr<const std::vector<bool>> chosen_;
  std::u16string type_;
  std::u16string string_;
  std::u16string value_;
  Ordering order_;
};

int UsageError(const std::string& why) {
  std::fprintf(stderr, "batch-renamer：%s\n用 batch-renamer --help 查看用法。\n", why.c_str());
  return kExitUsage;
}

// The text of the window's box: its lines end in "\n\r", which a terminal would take
// for a return to the line's start.
std::u16string BoxText(std::u16string_view report) {
  std::u16string text;
  for (char16_t unit : report) {
    if (unit != u'\r') text += unit;
  }
  while (!text.empty() && text.back() == u'\n') text.pop_back();
  return text;
}

bool ColourWanted() {
  const char* noColour = std::getenv("NO_COLOR");
  return ::isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || *noColour == '\0');
}

int Print(const Listing& listing, const Options& options) {
  const std::string text =
      options.json ? ListingJson(listing) : ListingText(listing, ColourWanted());
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (!options.json && !listing.message.empty())
    std::fprintf(stderr, "%s\n", EncodeFileName(listing.message).c_str());
  return listing.exitCode;
}

std::string LocalTime(std::int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32] = "";
  if (localtime_r(&time, &local) != nullptr)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// Runs `job` on `engine` while Ctrl+C cancels it and, on a terminal, a bar shows how far
// it is; `interrupted` says whether Ctrl+C was pressed.
JobOutcome WithFeedback(RenameEngine& engine, const std::function<JobOutcome()>& job,
                        bool& interrupted) {
  RunControl control;
  const JobFeedback feedback(control, ::isatty(STDERR_FILENO) == 1);
  engine.SetRunControl(&control);
  JobOutcome outcome = job();
  engine.SetRunControl(nullptr);
  interrupted = feedback.Interrupted();
  return outcome;
}

// What a job that ran says: one that stopped before its first file says why on standard
// error, except an undo with nothing to take back, which is no fault.
void Settle(Listing& listing, const JobOutcome& outcome, const std::u16string& report,
            bool interrupted) {
  listing.applied = true;
  if (outcome.stop == Stop::kNothingToUndo) {
    listing.summary = report;
  } else if (outcome.stop != Stop::kNone) {
    listing.message = report;
    listing.exitCode = kExitStopped;
  } else {
    listing.report = report;
    listing.summary = OutcomeSummary(outcome, outcome.path);
    listing.exitCode = interrupted          ? kExitCancelled
                       : outcome.failed > 0 ? kExitFailures
                                            : kExitDone;
  }
}

// Moves the rows `given` (listing indices, in the order the user gave the files, each
// once) to the front of the listing, the other files after them as listed: the list
// then numbers in the order the user gave.
void PutGivenFirst(const std::vector<std::uint32_t>& given, std::vector<std::u16string>& names,
                   std::vector<std::uint32_t>& places, std::vector<bool>& chosen) {
  std::vector<std::uint32_t> order = given;
  order.reserve(names.size());
  for (std::uint32_t k = 0; k < names.size(); ++k) {
    if (!chosen[k]) order.push_back(k);
  }
  ApplyOrder(order, names);
  if (places.size() == order.size()) ApplyOrder(order, places);
  ApplyOrder(order, chosen);
}

// The folder's files, with those named checked, or why they cannot be had.
std::unique_ptr<TerminalPort> ReadFolder(const Options& options, std::string& error) {
  std::vector<std::string> paths = options.paths;
  if (options.fromStdin) {
    paths = ReadNulSeparated(stdin);
    if (paths.empty()) {
      error = "标准输入中没有路径（--from0 - 读取以 NUL 分隔的路径）";
      return nullptr;
    }
  }
  const FolderChoice choice = ChooseFolder(paths);
  if (!choice.error.empty()) {
    error = choice.error;
    return nullptr;
  }
  int listError = 0;
  std::vector<std::uint32_t> places;
  std::vector<std::u16string> names =
      ListNames(RealFileSystem(), choice.folder, EntryKind::kFiles, &listError, &places);
  if (listError != 0) {
    error = "无法读取目录“" + EncodeFileName(choice.folder) + "”：" +
            EncodeFileName(DescribeError(listError));
    return nullptr;
  }
  std::shared_ptr<std::vector<bool>> chosen;
  if (!choice.names.empty()) {
    chosen = std::make_shared<std::vector<bool>>(names.size());
    std::unordered_map<std::u16string_view, std::size_t> place;
    for (std::size_t k = 0; k < names.size(); ++k) place.emplace(names[k], k);
    std::vector<std::uint32_t> given;
    for (const std::u16string& name : choice.names) {
      const auto found = place.find(name);
      if (found == place.end()) {
        error = "“" + Printable(name) + "”不是目录中可改名的文件（隐藏文件，或不是普通文件）";
        return nullptr;
      }
      if (!(*chosen)[found->second]) given.push_back(static_cast<std::uint32_t>(found->second));
      (*chosen)[found->second] = true;
    }
    if (options.order == Ordering::kList) PutGivenFirst(given, names, places, *chosen);
  }
  return std::make_unique<TerminalPort>(choice.folder, std::move(names), std::move(places),
                                        std::move(chosen), options);
}

int Rename(const Options& options) {
  std::string error;
  const std::unique_ptr<TerminalPort> port = ReadFolder(options, error);
  if (port == nullptr) return UsageError(error);

  RenameEngine engine(*port);
  engine.ChgMode = options.rule->code;
  Listing listing;
  listing.folder = port->FileListPath();
  listing.ruleCode = options.rule->code;
  if (!options.apply) {
    const RunPrediction prediction = engine.PredictRun();
    listing.files = PredictedLines(prediction);
    if (!prediction.message.empty()) {
      listing.message = prediction.message;
      listing.exitCode = kExitStopped;
    } else {
      listing.summary = PredictionSummary(prediction, engine.RequestTexts());
      listing.exitCode = prediction.fails > 0 ? kExitFailures : kExitDone;
    }
    return Print(listing, options);
  }

  bool interrupted = false;
  const JobOutcome outcome = WithFeedback(
      engine,
      [&engine] {
        RunRequest request = engine.Request();
        return engine.RenameFiles(request);
      },
      interrupted);
  listing.files = OutcomeLines(outcome, *port->FileListNames());
  Settle(listing, outcome, BoxText(RunReport(outcome)), interrupted);
  return Print(listing, options);
}

int Undo(const Options& options) {
  // An undo reads nothing of a window: it works on whatever folder the journal names.
  TerminalPort none({}, {}, {}, nullptr, options);
  RenameEngine engine(none);
  Listing listing;
  listing.undo = true;
  listing.applied = options.apply;
  if (!options.apply) {
    const JobOutcome preview = engine.UndoPreview();
    const std::optional<UndoOffer> offer = engine.NextUndo();
    listing.folder = preview.path;
    listing.files = OutcomeLines(preview, {});
    for (FileLine& line : listing.files) line.status = FileStatus::kRenamed;
    if (preview.stop == Stop::kNothingToUndo) {
      listing.summary = BoxText(UndoReport(preview));
    } else if (preview.stop != Stop::kNone) {
      listing.message =
          u"最近一次改名的撤销记录已损坏，无法撤销它；--undo --apply 将删除这份记录，"
          u"再撤销时撤销在它之前的改名。";
      listing.exitCode = kExitStopped;
    } else {
      const std::string when = offer ? LocalTime(offer->startedSeconds) : std::string();
      listing.summary = u"撤销将恢复“" + preview.path + u"”中 " +
                        DecodeFileName(std::to_string(preview.changes.size())) +
                        u" 个文件的原名（" + DecodeFileName(when) + u" 的改名）";
    }
    return Print(listing, options);
  }
  bool interrupted = false;
  const JobOutcome outcome = WithFeedback(
      engine, [&engine] { return engine.UndoNewest(); }, interrupted);
  listing.folder = outcome.path;
  listing.files = OutcomeLines(outcome, {});
  Settle(listing, outcome, BoxText(UndoReport(outcome)), interrupted);
  return Print(listing, options);
}

}  // namespace

int RunTerminal(const std::vector<std::string>& args) {
  const ParsedOptions parsed = ParseOptions(args);
  const Options& options = parsed.options;
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return kExitDone;
  }
  if (options.version) {
    std::puts("batch-renamer " RENAMER_VERSION);
    return kExitDone;
  }
  if (!parsed.error.empty()) return UsageError(parsed.error);
  return options.undo ? Undo(options) : Rename(options);
}

}  // namespace renamer::cli
