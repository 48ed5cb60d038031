#include "engine/run/run_order.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "engine/disk/name_folding.h"

namespace renamer {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The eight bytes from `at`, or those left, padded with zeros.
std::uint64_t Word(std::string_view bytes, std::size_t at) {
  std::uint64_t word = 0;
  if (bytes.size() - at >= 8) {
    std::memcpy(&word, bytes.data() + at, 8);
    return word;
  }
  for (std::size_t k = at; k < bytes.size(); ++k) {
    word |= std::uint64_t{static_cast<unsigned char>(bytes[k])} << (8 * (k - at));
  }
  return word;
}

std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
  hash = (hash ^ word) * 0x9E3779B97F4A7C15ULL;
  return hash ^ (hash >> 29);
}

// Eight bytes at a time, with the ASCII capitals of each word made small when
// `lowerAscii` (the bytes are then all ASCII).
std::uint64_t Hash(std::string_view bytes, bool lowerAscii) {
  std::uint64_t hash = bytes.size();
  for (std::size_t at = 0; at < bytes.size(); at += 8) {
    std::uint64_t word = Word(bytes, at);
    if (lowerAscii) {
      // 0x80 in each byte from 'A' up, and in each byte above 'Z': their difference marks
      // the capitals, whose 0x20 bit is then set.
      const std::uint64_t fromA = word + 0x3F3F3F3F3F3F3F3FULL;
      const std::uint64_t aboveZ = word + 0x2525252525252525ULL;
      word |= ((fromA ^ aboveZ) & kHighBits) >> 2;
    }
    hash = Mix(hash, word);
  }
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdULL;
  hash ^= hash >> 33;
  return hash;
}

bool IsAscii(std::string_view bytes) {
  std::uint64_t high = 0;
  for (std::size_t at = 0; at < bytes.size(); at += 8) high |= Word(bytes, at);
  return (high & kHighBits) == 0;
}

}  // namespace

HashSet::HashSet(std::size_t count) {
  // At most half full, so that a probe ends after a slot or two.
  std::size_t size = 16;
  while (size < count * 2) size *= 2;
  slots_.assign(size, 0);
  mask_ = size - 1;
}

std::size_t HashSet::Slot(std::uint64_t hash) const {
  std::size_t slot = static_cast<std::size_t>(hash) & mask_;
  while (slots_[slot] != 0 && slots_[slot] != hash) slot = (slot + 1) & mask_;
  return slot;
}

bool HashSet::Insert(std::uint64_t hash) {
  if (hash == 0) hash = 1;
  const std::size_t slot = Slot(hash);
  if (slots_[slot] == hash) return false;
  slots_[slot] = hash;
  return true;
}

bool HashSet::Contains(std::uint64_t hash) const {
  if (hash == 0) hash = 1;
  return slots_[Slot(hash)] == hash;
}

std::uint64_t FoldedHash(std::string_view name) {
  // Nearly every name is ASCII, which folds without a copy.
  return IsAscii(name) ? Hash(name, true) : Hash(FoldKey(std::string(name)), false);
}

bool NewNamesFree(const std::vector<PlannedRename>& plan, const EncodedPlan& bytes,
                  const HashSet& entries) {
  HashSet targets(plan.size());
  for (std::size_t j = 0; j < plan.size(); ++j) {
    if (plan[j].status != ChangeStatus::kUntried) continue;
    // A hash that merely collides only costs the faster way, never a file.
    const std::uint64_t target = FoldedHash(bytes.to[j]);
    if (entries.Contains(target) || !targets.Insert(target)) return false;
  }
  return true;
}

bool RenamesStandApart(const std::vector<PlannedRename>& plan, const EncodedPlan& bytes) {
  // The old names that the run moves are the only entries whose place can change.
  HashSet sources(plan.size());
  for (std::size_t j = 0; j < plan.size(); ++j) {
    if (plan[j].status == ChangeStatus::kUntried) sources.Insert(FoldedHash(bytes.From(j)));
  }
  return NewNamesFree(plan, bytes, sources);
}

std::vector<std::uint32_t> ExecutionOrder(const std::vector<PlannedRename>& plan,
                                          const EncodedPlan& bytes,
                                          const std::vector<std::uint32_t>* places) {
  if (places == nullptr || !RenamesStandApart(plan, bytes)) return {};
  std::vector<std::pair<std::uint32_t, std::uint32_t>> keyed;
  keyed.reserve(plan.size());
  for (std::size_t j = 0; j < plan.size(); ++j) {
    const std::uint32_t listed = plan[j].listIndex;
    const std::uint32_t place =
        listed < places->size() ? (*places)[listed] : std::numeric_limits<std::uint32_t>::max();
    keyed.emplace_back(place, static_cast<std::uint32_t>(j));
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::uint32_t> order;
  order.reserve(keyed.size());
  for (const auto& [place, j] : keyed) order.push_back(j);
  return order;
}

}  // namespace renamer
