// The data store: DMS_PLEX with its blocks and beads, the global constants DMS_RGLOB
// and the component count DMS_NCOMP.
//
// DMS_PLEX is one static array, so a base stays valid for as long as its block or
// bead lives, whatever else is allocated or freed.  Pages never touched cost nothing.
// Word 1 is never handed out: a block of n words at base L holds words L+1 .. L+n
// (L >= 1), a bead of n words holds words L .. L+n, its word 0 included (L >= 2).
// Free extents are kept sorted and merged; allocation is first fit from the lowest
// word, so freed space is reused.  Handles of blocks count up from kFirstHandle and
// are never reused before reset(), so a stale handle is always recognised.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <string>

#include "internal.hpp"
#include "xv55/host/data_management.h"

extern "C" {
XV55_API DmsWord DMS_PLEX[xv55::refhost::kPlexWords];
XV55_API double DMS_RGLOB[xv55::refhost::kGlobalWords];
XV55_API std::int64_t DMS_NCOMP[xv55::refhost::kComponentWords];
}

namespace xv55::refhost::detail {
namespace {

// First word that can be handed out (word 1 is kept back).
constexpr std::int64_t kFirstWord = 2;

struct Extent {
  std::int64_t first;  // first word (1-based)
  std::int64_t words;
};

struct Block {
  Extent extent;
  bool integer;
};

struct StoreState {
  std::map<std::int64_t, std::int64_t> free;  // first word -> words
  std::map<std::int64_t, Block> blocks;       // handle -> block
  std::map<std::int64_t, Extent> beads;       // bead ID -> extent
  std::int64_t nextHandle = kFirstHandle;
  std::int64_t highWater = 0;  // last word ever handed out
  bool initialised = false;
};

StoreState& store() {
  static StoreState s;
  if (!s.initialised) {
    s.free.emplace(kFirstWord, kPlexWords - kFirstWord + 1);
    s.initialised = true;
  }
  return s;
}

void zeroWords(const Extent& e) {
  std::memset(static_cast<void*>(&DMS_PLEX[e.first - 1]), 0,
              static_cast<std::size_t>(e.words) * sizeof(DmsWord));
}

// First fit.  Returns the first word, or 0 when no free extent is long enough.
std::int64_t take(std::int64_t words) {
  StoreState& s = store();
  for (auto it = s.free.begin(); it != s.free.end(); ++it) {
    if (it->second < words) continue;
    const std::int64_t first = it->first;
    const std::int64_t rest = it->second - words;
    s.free.erase(it);
    if (rest > 0) s.free.emplace(first + words, rest);
    s.highWater = std::max(s.highWater, first + words - 1);
    zeroWords({first, words});
    return first;
  }
  return 0;
}

void give(const Extent& e) {
  auto& free = store().free;
  auto [it, inserted] = free.emplace(e.first, e.words);
  (void)inserted;
  auto next = std::next(it);
  if (next != free.end() && it->first + it->second == next->first) {
    it->second += next->second;
    free.erase(next);
  }
  if (it != free.begin()) {
    auto previous = std::prev(it);
    if (previous->first + previous->second == it->first) {
      previous->second += it->second;
      free.erase(it);
    }
  }
}

std::int64_t largestFree() {
  std::int64_t largest = 0;
  for (const auto& [first, words] : store().free) largest = std::max(largest, words);
  return largest;
}

void allocate(Service service, bool integer, const std::int64_t* count, std::int64_t* handle,
              std::int64_t* base) {
  CallRecord& record = beginRecord(service);
  const std::int64_t n = count ? *count : 0;
  record.integers.push_back(n);
  std::int64_t h = 0;
  std::int64_t b = 0;
  if (failureDue(service)) {
    report(service, kSeverityError,
           "Cannot allocate " + std::to_string(n) + " words (injected failure).");
  } else if (!count || n <= 0) {
    report(service, kSeverityError,
           "Cannot allocate " + std::to_string(n) + " words: the count must be positive.");
  } else if (const std::int64_t first = n < kPlexWords ? take(n) : 0; first == 0) {
    report(service, kSeverityError,
           "Cannot allocate " + std::to_string(n) + " words: the largest free extent is " +
               std::to_string(largestFree()) + " words.");
  } else {
    StoreState& s = store();
    h = s.nextHandle++;
    b = first - 1;
    s.blocks.emplace(h, Block{{first, n}, integer});
  }
  if (handle) *handle = h;
  if (base) *base = b;
}

std::int64_t locate(Service service, const std::int64_t* handle) {
  CallRecord& record = beginRecord(service);
  const std::int64_t h = handle ? *handle : 0;
  record.integers.push_back(h);
  if (failureDue(service)) return 0;
  const StoreState& s = store();
  if (auto it = s.blocks.find(h); it != s.blocks.end()) return it->second.extent.first - 1;
  if (auto it = s.beads.find(h); it != s.beads.end()) return it->second.first;
  report(service, kSeverityError,
         "Handle " + std::to_string(h) + " is neither a live block nor a bead; base 0 returned.");
  return 0;
}

}  // namespace

std::int64_t reserveHostWords(std::int64_t words) {
  if (words <= 0 || words >= kPlexWords) return 0;
  const std::int64_t first = take(words);
  return first == 0 ? 0 : first - 1;
}

void releaseHostWords(std::int64_t base, std::int64_t words) {
  if (base >= 1 && words > 0) give({base + 1, words});
}

void resetStore() {
  StoreState& s = store();
  if (s.highWater >= kFirstWord) zeroWords({kFirstWord, s.highWater - kFirstWord + 1});
  s.free.clear();
  s.blocks.clear();
  s.beads.clear();
  s.free.emplace(kFirstWord, kPlexWords - kFirstWord + 1);
  s.nextHandle = kFirstHandle;
  s.highWater = 0;
  std::fill(std::begin(DMS_RGLOB), std::end(DMS_RGLOB), 0.0);
  DMS_RGLOB[host::kNoValue - 1] = kDefaultNoValue;
  DMS_RGLOB[host::kTolerance - 1] = kDefaultTolerance;
  DMS_RGLOB[host::kFlowCoefficientMin - 1] = kDefaultFlowCoefficientMin;
  std::fill(std::begin(DMS_NCOMP), std::end(DMS_NCOMP), 0);
}

namespace {
// The constants hold their defaults from load on, before any reset().
const bool kLoaded = (resetStore(), true);
}  // namespace

}  // namespace xv55::refhost::detail

using xv55::refhost::detail::Service;

extern "C" XV55_API void DMS_ALLOCR(const std::int64_t* count, std::int64_t* handle,
                                    std::int64_t* base) {
  xv55::refhost::detail::allocate(Service::DMS_ALLOCR, false, count, handle, base);
}

extern "C" XV55_API void DMS_ALLOCI(const std::int64_t* count, std::int64_t* handle,
                                    std::int64_t* base) {
  xv55::refhost::detail::allocate(Service::DMS_ALLOCI, true, count, handle, base);
}

extern "C" XV55_API std::int64_t DMS_LOCATR(const std::int64_t* handle) {
  return xv55::refhost::detail::locate(Service::DMS_LOCATR, handle);
}

extern "C" XV55_API std::int64_t DMS_LOCATI(const std::int64_t* handle) {
  return xv55::refhost::detail::locate(Service::DMS_LOCATI, handle);
}

extern "C" XV55_API void DMS_ATFREE(const std::int64_t* handle) {
  using namespace xv55::refhost::detail;
  auto& record = beginRecord(Service::DMS_ATFREE);
  const std::int64_t h = handle ? *handle : 0;
  record.integers.push_back(h);
  const std::string which = "Handle " + std::to_string(h);
  if (failureDue(Service::DMS_ATFREE)) {
    report(Service::DMS_ATFREE, kSeverityError, which + " not freed (injected failure).");
    return;
  }
  StoreState& s = store();
  auto it = s.blocks.find(h);
  if (it == s.blocks.end()) {
    const char* why = s.beads.count(h) ? " is a bead, not an allocated block"
                      : h >= xv55::refhost::kFirstHandle && h < s.nextHandle
                          ? " was freed before"
                          : " was never allocated";
    report(Service::DMS_ATFREE, kSeverityError, which + why + "; nothing freed.");
    return;
  }
  give(it->second.extent);
  s.blocks.erase(it);
}

namespace xv55::refhost {

using detail::Extent;
using detail::store;

bool setGlobal(std::int64_t word, double value) {
  if (word < 1 || word > kGlobalWords) return false;
  DMS_RGLOB[word - 1] = value;
  return true;
}

double global(std::int64_t word) {
  if (word < 1 || word > kGlobalWords) return std::numeric_limits<double>::quiet_NaN();
  return DMS_RGLOB[word - 1];
}

void setComponentCount(std::int64_t count) {
  DMS_NCOMP[0] = count;
}

std::int64_t createBead(std::int64_t id, std::int64_t words) {
  auto refuse = [&](const std::string& why) {
    detail::printLine(detail::kSeverityError, " XV55HOST-E-Bead " + std::to_string(id) + " of " +
                                                  std::to_string(words) +
                                                  " words cannot be created: " + why);
    return std::int64_t{0};
  };
  if (id < 1 || id > kMaxBeadId || words < 0 || words >= kPlexWords) {
    return refuse("IDs are 1 to " + std::to_string(kMaxBeadId) + ", sizes 0 or more.");
  }
  removeBead(id);
  const std::int64_t first = detail::take(words + 1);
  if (first == 0) return refuse("the store is full.");
  store().beads.emplace(id, Extent{first, words + 1});
  return first;
}

bool removeBead(std::int64_t id) {
  auto& beads = store().beads;
  auto it = beads.find(id);
  if (it == beads.end()) return false;
  detail::give(it->second);
  beads.erase(it);
  return true;
}

std::int64_t beadBase(std::int64_t id) {
  const auto& beads = store().beads;
  auto it = beads.find(id);
  return it == beads.end() ? 0 : it->second.first;
}

DmsWord* beadWord(std::int64_t id, std::int64_t k) {
  const auto& beads = store().beads;
  auto it = beads.find(id);
  if (it == beads.end() || k < 0 || k >= it->second.words) return nullptr;
  return &DMS_PLEX[it->second.first + k - 1];
}

bool setBeadInteger(std::int64_t id, std::int64_t k, std::int64_t value) {
  DmsWord* word = beadWord(id, k);
  if (word) word->integer = value;
  return word != nullptr;
}

bool setBeadReal(std::int64_t id, std::int64_t k, double value) {
  DmsWord* word = beadWord(id, k);
  if (word) word->real = value;
  return word != nullptr;
}

std::int64_t liveBlocks() {
  return static_cast<std::int64_t>(store().blocks.size());
}

}  // namespace xv55::refhost
