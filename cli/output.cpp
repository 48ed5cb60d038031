#include "cli/output.h"

#include <array>
#include <cstdio>

#include "engine/disk/file_names.h"
#include "engine/preview/summary.h"
#include "engine/run/report.h"

namespace renamer::cli {
namespace {

// Each status: its word in JSON, and the colour of its line on a terminal.
struct StatusRow {
  std::string_view word;
  std::string_view colour;
};
constexpr std::array<StatusRow, 6> kStatuses = {{
    {"renamed", "\033[32m"},
    {"unchanged", "\033[2m"},
    {"not chosen", "\033[2m"},
    {"fails", "\033[31m"},
    {"would fail", "\033[31m"},
    {"cancelled", "\033[2m"},
}};

const StatusRow& RowOf(FileStatus status) { return kStatuses[static_cast<std::size_t>(status)]; }

// The name's bytes stand as they are where they are UTF-8; each other byte is U+FFFD in
// the text, and the bytes come whole beside it in base64.
bool IsUtf8Name(std::u16string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (StandsForByte(name, i)) return false;
  }
  return true;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t chunk = 0;
    for (std::size_t k = 0; k < 3; ++k)
      chunk = chunk << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(chunk >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  std::u16string clean(text);
  for (std::size_t i = 0; i < clean.size(); ++i) {
    if (StandsForByte(text, i)) clean[i] = u'\uFFFD';
  }
  out += '"';
  for (const char c : EncodeFileName(clean)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  out += '"';
}

// `"key": "text"`, and beside it `"key_bytes"` when the text is a name that is not UTF-8.
void AppendName(std::string& out, std::string_view key, std::u16string_view name, bool null) {
  out += '"';
  out += key;
  out += "\": ";
  if (null) {
    out += "null";
    return;
  }
  AppendJsonString(out, name);
  if (!IsUtf8Name(name)) {
    out += ", \"";
    out += key;
    out += "_bytes\": \"" + Base64(EncodeFileName(name)) + '"';
  }
}

// Why a file failed, as the file list's tooltip begins it.
std::u16string_view FailurePrefix(const Listing& listing) {
  if (!listing.applied) return kFailurePrefixes[0];
  return kFailurePrefixes[listing.undo ? 2 : 1];
}

std::string Utf8(std::u16string_view text) { return EncodeFileName(text); }

}  // namespace

std::vector<FileLine> PredictedLines(const RunPrediction& prediction) {
  static constexpr FileStatus kFromPredicted[] = {FileStatus::kRenamed, FileStatus::kUnchanged,
                                                  FileStatus::kNotChosen, FileStatus::kWouldFail};
  std::vector<FileLine> lines;
  lines.reserve(prediction.files.size());
  for (const PredictedRename& file : prediction.files) {
    lines.push_back({file.oldName, file.newName,
                     kFromPredicted[static_cast<std::size_t>(file.outcome)], file.reason});
  }
  return lines;
}

std::vector<FileLine> OutcomeLines(const JobOutcome& outcome,
                                   const std::vector<std::u16string>& listing) {
  std::vector<FileLine> lines;
  std::vector<bool> tried(listing.size());
  const std::u16string prefix = outcome.path + (outcome.path == u"/" ? u"" : u"/");
  for (const FileChange& change : outcome.changes) {
    if (outcome.kind == JobKind::kRun && change.listIndex < tried.size())
      tried[change.listIndex] = true;
    FileStatus status = FileStatus::kFails;
    if (change.Done()) status = FileStatus::kRenamed;
    if (change.status == ChangeStatus::kUnchanged) status = FileStatus::kUnchanged;
    if (change.status == ChangeStatus::kUntried) status = FileStatus::kCancelled;
    lines.push_back({change.from, change.to, status,
                     change.Failed() ? ChangeReason(prefix, change) : std::u16string()});
  }
  if (outcome.kind == JobKind::kRun) {
    for (std::size_t k = 0; k < listing.size(); ++k) {
      if (!tried[k]) lines.push_back({listing[k], {}, FileStatus::kNotChosen, {}});
    }
  }
  return lines;
}

std::string Printable(std::u16string_view name) {
  std::string out;
  std::size_t plain = 0;  // where the units not yet written begin
  for (std::size_t k = 0; k <= name.size(); ++k) {
    const char16_t unit = k < name.size() ? name[k] : u'\0';
    const bool escaped = unit < 0x20 || unit == 0x7F || (k < name.size() && StandsForByte(name, k));
    if (k < name.size() && !escaped) continue;
    out += EncodeFileName(name.substr(plain, k - plain));
    plain = k + 1;
    if (k == name.size()) break;
    char escape[8];
    if (unit == u'\n' || unit == u'\t') {
      std::snprintf(escape, sizeof escape, "\\%c", unit == u'\n' ? 'n' : 't');
    } else {
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(unit & 0xFF));
    }
    out += escape;
  }
  return out;
}

std::string ListingText(const Listing& listing, bool colour) {
  std::string text;
  const std::string_view reset = colour ? "\033[0m" : "";
  for (const FileLine& line : listing.files) {
    if (line.status == FileStatus::kNotChosen || line.status == FileStatus::kCancelled) continue;
    const std::string_view paint = colour ? RowOf(line.status).colour : "";
    text += Printable(line.oldName);
    if (line.status == FileStatus::kUnchanged) {
      text += std::string(paint) + "（不变）" + std::string(reset) + '\n';
      continue;
    }
    if (!line.newName.empty())
      text += " → " + std::string(paint) + Printable(line.newName);
    else
      text += paint;
    if (line.status == FileStatus::kFails || line.status == FileStatus::kWouldFail)
      text += "（" + Utf8(FailurePrefix(listing)) + Utf8(line.reason) + "）";
    text += std::string(reset) + '\n';
  }
  if (!listing.report.empty()) text += '\n' + Utf8(listing.report) + "\n\n";
  if (!listing.summary.empty()) text += Utf8(listing.summary) + '\n';
  return text;
}

std::string ListingJson(const Listing& listing) {
  std::string out = "{\n  \"command\": ";
  out += listing.undo ? "\"undo\"" : "\"rename\"";
  out += ",\n  \"applied\": ";
  out += listing.applied ? "true" : "false";
  out += ",\n  ";
  AppendName(out, "folder", listing.folder, listing.folder.empty());
  if (!listing.undo) {
    out += ",\n  \"rule\": ";
    AppendJsonString(out, listing.ruleCode);
  }
  out += ",\n  \"files\": [";
  std::array<std::size_t, kStatuses.size()> totals{};
  for (std::size_t k = 0; k < listing.files.size(); ++k) {
    const FileLine& line = listing.files[k];
    ++totals[static_cast<std::size_t>(line.status)];
    out += k == 0 ? "\n    {" : ",\n    {";
    AppendName(out, "old", line.oldName, false);
    out += ", ";
    AppendName(out, "new", line.newName, line.newName.empty());
    out += ", \"status\": \"" + std::string(RowOf(line.status).word) + "\", \"reason\": ";
    if (line.reason.empty())
      out += "null";
    else
      AppendJsonString(out, line.reason);
    out += '}';
  }
  out += listing.files.empty() ? "],\n  \"totals\": {" : "\n  ],\n  \"totals\": {";
  for (std::size_t s = 0; s < kStatuses.size(); ++s) {
    out += s == 0 ? "\"" : ", \"";
    out += std::string(kStatuses[s].word) + "\": " + std::to_string(totals[s]);
  }
  out += "},\n  \"summary\": ";
  AppendJsonString(out, listing.summary);
  out += ",\n  \"report\": ";
  AppendJsonString(out, listing.report);
  out += ",\n  \"message\": ";
  AppendJsonString(out, listing.message);
  out += ",\n  \"exit\": " + std::to_string(listing.exitCode) + "\n}\n";
  return out;
}

}  // namespace renamer::cli
