// Any bytes as an undo journal: DecodeJournal and DecodeJournalHeader must neither crash
// nor read past the bytes. A journal that decodes must name single file names in an
// absolute directory, agree with its header, and come back the same when its run is
// encoded again (the plan record, the end record when the run ended, the undo record
// when an undo settled steps) and decoded; its plan record must be the very bytes that
// EncodeJournal writes for that run.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/undo/journal_format.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace renamer;

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.links == b.links &&
         a.birthNanoseconds == b.birthNanoseconds && a.generation == b.generation &&
         a.hasGeneration == b.hasGeneration && a.modifiedNanoseconds == b.modifiedNanoseconds &&
         a.size == b.size && a.locked == b.locked;
}

bool SameStart(const JournaledRun& a, const JournaledRun& b) {
  return a.path == b.path && SameIdentity(a.directory, b.directory) &&
         a.startedSeconds == b.startedSeconds;
}

bool SameRun(const JournaledRun& a, const JournaledRun& b) {
  if (!SameStart(a, b) || a.steps.size() != b.steps.size() || a.complete != b.complete ||
      a.renamed != b.renamed || a.state != b.state) {
    return false;
  }
  for (std::size_t i = 0; i < a.steps.size(); ++i) {
    if (a.steps[i].oldName != b.steps[i].oldName || a.steps[i].newName != b.steps[i].newName ||
        !SameIdentity(a.steps[i].identity, b.steps[i].identity)) {
      return false;
    }
  }
  return true;
}

bool IsSingleName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  JournaledRun header;
  const bool headerRead = DecodeJournalHeader(bytes, header);
  if (headerRead) fuzzing::Require(header.path.starts_with('/'), "header of a relative path");

  JournaledRun run;
  std::size_t valid = 0;
  if (!DecodeJournal(bytes, run, &valid)) return 0;
  fuzzing::Require(valid <= bytes.size(), "read records end beyond the bytes");
  fuzzing::Require(headerRead && SameStart(header, run), "journal read, its header not alike");
  fuzzing::Require(run.path.starts_with('/'), "journal of a relative path");
  for (const JournalStep& step : run.steps) {
    fuzzing::Require(IsSingleName(step.oldName) && IsSingleName(step.newName),
                     "journal names something that is not a single file name");
  }
  fuzzing::Require(!run.complete || run.renamed.size() == run.steps.size(),
                   "end record of another number of steps");
  fuzzing::Require(run.state.empty() || run.state.size() == run.steps.size(),
                   "undo record of another number of steps");

  const std::string plan = EncodeJournal(run);
  fuzzing::Require(bytes.starts_with(plan), "plan record not as EncodeJournal writes it");
  std::string again = plan;
  if (run.complete) again += EncodeEndRecord(run.renamed);
  if (!run.state.empty()) again += EncodeUndoRecord(run.state);
  JournaledRun reread;
  std::size_t rereadValid = 0;
  fuzzing::Require(DecodeJournal(again, reread, &rereadValid), "encoded again, not read");
  fuzzing::Require(rereadValid == again.size(), "encoded again, not read to its end");
  fuzzing::Require(SameRun(run, reread), "encoded again, read as another run");
  return 0;
}
