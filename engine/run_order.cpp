#include "engine/run_order.h"

#include <algorithm>
#include <limits>
#include <string>

#include "engine/name_folding.h"

namespace renamer {
namespace {

// FNV-1a over the bytes, then a finalizer that spreads the bits for sorting.
std::uint64_t Hash(std::string_view bytes, bool lowerAscii) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (lowerAscii && byte >= 'A' && byte <= 'Z')
      byte = static_cast<unsigned char>(byte - 'A' + 'a');
    hash = (hash ^ byte) * 0x100000001b3ULL;
  }
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdULL;
  hash ^= hash >> 33;
  return hash;
}

bool IsAscii(std::string_view name) {
  return std::none_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
}

}  // namespace

std::uint64_t FoldedHash(std::string_view name) {
  // Nearly every name is ASCII, which folds without a copy.
  if (IsAscii(name)) return Hash(name, true);
  return Hash(FoldKey(std::string(name)), false);
}

EntryIndex::EntryIndex(const std::vector<DirectoryEntry>& entries) : known_(true) {
  folded_.reserve(entries.size());
  places_.reserve(entries.size());
  for (std::size_t k = 0; k < entries.size(); ++k) {
    folded_.push_back(FoldedHash(entries[k].name));
    places_.emplace_back(Hash(entries[k].name, false), static_cast<std::uint32_t>(k));
  }
  std::sort(folded_.begin(), folded_.end());
  std::sort(places_.begin(), places_.end());
}

bool EntryIndex::StandApart(const std::vector<PlannedRename>& plan,
                            const EncodedPlan& bytes) const {
  if (!known_) return false;
  std::vector<std::uint64_t> targets;
  targets.reserve(plan.size());
  for (std::size_t j = 0; j < plan.size(); ++j) {
    if (plan[j].status == PlanStatus::kPending) targets.push_back(FoldedHash(bytes.to[j]));
  }
  std::sort(targets.begin(), targets.end());
  // Two new names alike, or one alike an entry: a hash that merely collides only costs
  // the directory's order, never a file.
  if (std::adjacent_find(targets.begin(), targets.end()) != targets.end()) return false;
  auto entry = folded_.begin();
  for (const std::uint64_t target : targets) {
    entry = std::lower_bound(entry, folded_.end(), target);
    if (entry == folded_.end()) return true;
    if (*entry == target) return false;
  }
  return true;
}

std::vector<std::uint32_t> EntryIndex::ExecutionOrder(const std::vector<PlannedRename>& plan,
                                                      const EncodedPlan& bytes) const {
  if (!StandApart(plan, bytes)) return {};
  std::vector<std::pair<std::uint32_t, std::uint32_t>> keyed;
  keyed.reserve(plan.size());
  for (std::size_t j = 0; j < plan.size(); ++j) {
    const std::uint64_t hash = Hash(bytes.from[j], false);
    const auto place = std::lower_bound(places_.begin(), places_.end(),
                                        std::pair<std::uint64_t, std::uint32_t>(hash, 0));
    const std::uint32_t at = place != places_.end() && place->first == hash
                                 ? place->second
                                 : std::numeric_limits<std::uint32_t>::max();
    keyed.emplace_back(at, static_cast<std::uint32_t>(j));
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::uint32_t> order;
  order.reserve(keyed.size());
  for (const auto& [at, j] : keyed) order.push_back(j);
  return order;
}

}  // namespace renamer
