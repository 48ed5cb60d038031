#include "engine/undo/journal_format.h"

namespace renamer {
namespace {

constexpr std::string_view kMagic = "BRJ2";
constexpr char kPlanRecord = 'P';
constexpr char kEndRecord = 'E';
constexpr char kUndoRecord = 'U';
constexpr std::size_t kIdentityBytes = 64;
// Two name lengths, an identity and at least one byte of each name.
constexpr std::size_t kLeastStepBytes = 16 + kIdentityBytes + 2;

/// FNV-1a over the record's type byte and its payload.
std::uint64_t Checksum(char type, std::string_view payload) {
  std::uint64_t hash = 14695981039346656037ull;
  hash ^= static_cast<unsigned char>(type);
  hash *= 1099511628211ull;
  for (const char c : payload) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

void PutNumber(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void PutText(std::string& out, std::string_view text) {
  PutNumber(out, text.size());
  out.append(text);
}

// Where the new name of a file found under both names came from is told by its link
// count as the journal keeps it: 1 when the new name was not a name of the file when
// the run began (whatever the count was), anything else when it may have been. Journals
// of earlier versions hold the count the run read: 1 says the same there (the file had
// no other name), and more cannot tell, which reads as the safe answer.
std::uint64_t KeptLinks(const JournalStep& step) {
  if (!step.hadNewName) return 1;
  return step.identity.links == 1 ? ~std::uint64_t{0} : step.identity.links;
}

void PutIdentity(std::string& out, const FileIdentity& identity, std::uint64_t links) {
  PutNumber(out, identity.device);
  PutNumber(out, identity.inode);
  PutNumber(out, static_cast<std::uint64_t>(identity.birthNanoseconds));
  PutNumber(out, identity.hasGeneration ? 1 : 0);
  PutNumber(out, identity.generation);
  PutNumber(out, static_cast<std::uint64_t>(identity.modifiedNanoseconds));
  PutNumber(out, identity.size);
  PutNumber(out, links);
}

/// Reads what the Put functions wrote; every read fails once the bytes run out.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool Number(std::uint64_t& value) {
    if (bytes_.size() < 8) return false;
    value = 0;
    for (int i = 0; i < 8; ++i) {
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[i])} << (8 * i);
    }
    bytes_.remove_prefix(8);
    return true;
  }
  bool Text(std::string& text) {
    std::uint64_t size = 0;
    if (!Number(size) || size > bytes_.size()) return false;
    text.assign(bytes_.substr(0, size));
    bytes_.remove_prefix(size);
    return true;
  }
  bool Identity(FileIdentity& identity) {
    std::uint64_t birth = 0;
    std::uint64_t flags = 0;
    std::uint64_t modified = 0;
    if (!Number(identity.device) || !Number(identity.inode) || !Number(birth) || !Number(flags) ||
        !Number(identity.generation) || !Number(modified) || !Number(identity.size) ||
        !Number(identity.links) || flags > 1) {
      return false;
    }
    identity.birthNanoseconds = static_cast<std::int64_t>(birth);
    identity.hasGeneration = flags == 1;
    identity.modifiedNanoseconds = static_cast<std::int64_t>(modified);
    return true;
  }
  /// The type of the next record, or 0 at the end.
  char Peek() const { return bytes_.empty() ? '\0' : bytes_[0]; }
  /// The payload of the next record of `type`, checked against its checksum.
  bool Record(char type, std::string_view& payload) {
    if (bytes_.empty() || bytes_[0] != type) return false;
    bytes_.remove_prefix(1);
    std::uint64_t size = 0;
    if (!Number(size) || size > bytes_.size() || bytes_.size() - size < 8) return false;
    payload = bytes_.substr(0, size);
    bytes_.remove_prefix(size);
    std::uint64_t checksum = 0;
    Number(checksum);
    return checksum == Checksum(type, payload);
  }
  bool Empty() const { return bytes_.empty(); }
  std::size_t Left() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
};

void PutRecord(std::string& out, char type, const std::string& payload) {
  out.push_back(type);
  PutNumber(out, payload.size());
  out.append(payload);
  PutNumber(out, Checksum(type, payload));
}

/// A record of something per step: the number of steps, then their bytes.
std::string StepsRecord(char type, std::size_t steps, std::string_view perStep) {
  std::string payload;
  PutNumber(payload, steps);
  PutText(payload, perStep);
  std::string bytes;
  PutRecord(bytes, type, payload);
  return bytes;
}

/// A name that undo may hand to the file system: one entry of the run's directory. A
/// journal is only ever written by this program, but one planted in a shared folder
/// must not move a file anywhere else.
bool IsSingleName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

bool DecodeStart(Reader& reader, JournaledRun& run) {
  std::uint64_t started = 0;
  if (!reader.Number(started) || !reader.Identity(run.directory) || !reader.Text(run.path)) {
    return false;
  }
  run.startedSeconds = static_cast<std::int64_t>(started);
  return run.path.starts_with('/') && run.path.find('\0') == std::string::npos;
}

bool DecodePlan(std::string_view payload, JournaledRun& run) {
  Reader reader(payload);
  std::uint64_t count = 0;
  if (!DecodeStart(reader, run) || !reader.Number(count)) return false;
  // A count beyond what the bytes can hold is corrupt, not a reason to reserve gigabytes.
  if (count > payload.size() / kLeastStepBytes) return false;
  run.steps.resize(count);
  for (JournalStep& step : run.steps) {
    if (!reader.Text(step.oldName) || !reader.Text(step.newName) ||
        !reader.Identity(step.identity) || !IsSingleName(step.oldName) ||
        !IsSingleName(step.newName)) {
      return false;
    }
    step.hadNewName = step.identity.links != 1;
  }
  return reader.Empty();
}

bool DecodeEnd(std::string_view payload, std::size_t steps, std::vector<bool>& renamed) {
  Reader reader(payload);
  std::uint64_t count = 0;
  if (!reader.Number(count) || count != steps) return false;
  std::string bits;
  if (!reader.Text(bits) || bits.size() != (count + 7) / 8 || !reader.Empty()) return false;
  renamed.assign(count, false);
  for (std::size_t i = 0; i < count; ++i) renamed[i] = ((bits[i / 8] >> (i % 8)) & 1) != 0;
  return true;
}

bool DecodeUndo(std::string_view payload, std::size_t steps, std::vector<StepState>& state) {
  Reader reader(payload);
  std::uint64_t count = 0;
  std::string bytes;
  if (!reader.Number(count) || count != steps || !reader.Text(bytes) || bytes.size() != count ||
      !reader.Empty()) {
    return false;
  }
  state.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto value = static_cast<unsigned char>(bytes[i]);
    if (value > static_cast<unsigned char>(StepState::kReported)) return false;
    state[i] = static_cast<StepState>(value);
  }
  return true;
}

}  // namespace

namespace {

/// Birth time or generation, where both identities have one: 1 when they match, 0 when
/// not, -1 when neither can tell.
int Stamped(const FileIdentity& a, const FileIdentity& b) {
  if (a.birthNanoseconds != 0 && b.birthNanoseconds != 0) {
    return a.birthNanoseconds == b.birthNanoseconds ? 1 : 0;
  }
  if (a.hasGeneration && b.hasGeneration) return a.generation == b.generation ? 1 : 0;
  return -1;
}

}  // namespace

// A file system mounted again can come back under another device number; the inode
// number with a birth time to the nanosecond, or with a generation, still names one file.
bool SameDirectory(const FileIdentity& a, const FileIdentity& b) {
  if (a.inode != b.inode) return false;
  const int stamped = Stamped(a, b);
  return stamped == 1 || (stamped == -1 && a.device == b.device);
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.inode != b.inode) return false;
  const int stamped = Stamped(a, b);
  if (stamped != -1) return stamped == 1;
  // The last resort: a file changed since cannot be told from a new one, so it counts as
  // another file and is left alone.
  return a.device == b.device && a.modifiedNanoseconds == b.modifiedNanoseconds && a.size == b.size;
}

std::string EncodeJournal(const JournaledRun& run) {
  // Written in place, not built apart and copied: a journal of 100,000 files is
  // megabytes, and a run waits for it.
  std::size_t size = 64 + kIdentityBytes + run.path.size();
  for (const JournalStep& step : run.steps) {
    size += 16 + kIdentityBytes + step.oldName.size() + step.newName.size();
  }
  std::string bytes(kMagic);
  bytes.reserve(size);
  bytes.push_back(kPlanRecord);
  const std::size_t lengthAt = bytes.size();
  PutNumber(bytes, 0);
  const std::size_t payloadAt = bytes.size();
  PutNumber(bytes, static_cast<std::uint64_t>(run.startedSeconds));
  PutIdentity(bytes, run.directory, run.directory.links);
  PutText(bytes, run.path);
  PutNumber(bytes, run.steps.size());
  for (const JournalStep& step : run.steps) {
    PutText(bytes, step.oldName);
    PutText(bytes, step.newName);
    PutIdentity(bytes, step.identity, KeptLinks(step));
  }
  std::string length;
  PutNumber(length, bytes.size() - payloadAt);
  bytes.replace(lengthAt, length.size(), length);
  const std::uint64_t checksum = Checksum(kPlanRecord, std::string_view(bytes).substr(payloadAt));
  PutNumber(bytes, checksum);
  return bytes;
}

std::string EncodeEndRecord(const std::vector<bool>& renamed) {
  std::string bits((renamed.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < renamed.size(); ++i) {
    if (renamed[i]) bits[i / 8] = static_cast<char>(bits[i / 8] | (1 << (i % 8)));
  }
  return StepsRecord(kEndRecord, renamed.size(), bits);
}

std::string EncodeUndoRecord(const std::vector<StepState>& state) {
  std::string states(state.size(), '\0');
  for (std::size_t i = 0; i < state.size(); ++i) states[i] = static_cast<char>(state[i]);
  return StepsRecord(kUndoRecord, state.size(), states);
}

bool DecodeJournal(std::string_view bytes, JournaledRun& run, std::size_t* validBytes) {
  run = JournaledRun{};
  if (!bytes.starts_with(kMagic)) return false;
  Reader reader(bytes.substr(kMagic.size()));
  std::string_view payload;
  if (!reader.Record(kPlanRecord, payload) || !DecodePlan(payload, run)) {
    run = JournaledRun{};
    return false;
  }
  std::size_t valid = bytes.size() - reader.Left();
  // The run's end record comes before any undo's; each undo's record replaces the one
  // before. A record cut short by a crash ends the journal.
  if (reader.Peek() == kEndRecord) {
    run.complete =
        reader.Record(kEndRecord, payload) && DecodeEnd(payload, run.steps.size(), run.renamed);
    if (!run.complete) {
      run.renamed.clear();
      if (validBytes != nullptr) *validBytes = valid;
      return true;
    }
    valid = bytes.size() - reader.Left();
  }
  std::vector<StepState> state;
  for (;;) {
    if (reader.Peek() != kUndoRecord || !reader.Record(kUndoRecord, payload) ||
        !DecodeUndo(payload, run.steps.size(), state)) {
      break;
    }
    run.state = state;
    valid = bytes.size() - reader.Left();
  }
  if (validBytes != nullptr) *validBytes = valid;
  return true;
}

bool DecodeJournalHeader(std::string_view bytes, JournaledRun& run) {
  run = JournaledRun{};
  if (!bytes.starts_with(kMagic)) return false;
  bytes.remove_prefix(kMagic.size());
  if (bytes.empty() || bytes[0] != kPlanRecord) return false;
  bytes.remove_prefix(1);
  Reader reader(bytes);
  std::uint64_t size = 0;
  if (!reader.Number(size) || !DecodeStart(reader, run)) {
    run = JournaledRun{};
    return false;
  }
  return true;
}

}  // namespace renamer
