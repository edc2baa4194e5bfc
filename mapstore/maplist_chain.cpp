// Links past the count in a sheet's object chain. Older versions wrote a
// new object's descriptor, then its neighbours' links to it and only then
// the header that counts it; a writer stopped between those writes left
// links to an object the header does not count, and every later append
// next to them failed. A sheet is looked at when it opens: the links past
// the count are cut, the objects on either side of the lost one linked to
// each other again, and the result used when the sheet is read. It is
// written back only under the sheet lock, from the header read again under
// it, and only at the opening of a writable sheet on a file system whose
// locks and reads every writer shares; otherwise by the document's first
// write, under the lock that write takes. A writable sheet on such a file
// system also completes the links to its last object when the append that
// counted it stopped before writing them.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>

#include "common/maperr.h"
#include "mapstore/maplist.h"
#include "platform/fileio.h"

namespace {

enum : int { SCAN_RECORDS = 1024 };  // descriptors read at once by the scan

// Descriptor n from `cache` when one is given and holds it, else by `read`
// (the descriptor file's read): false when it cannot be had.
template <typename Read>
bool Descriptor(const THeadBuffer* cache, LONG n, FVSPR* out, const Read& read) {
  const char* held = cache != nullptr ? cache->HeldRecord(n) : nullptr;
  if (held != nullptr) {
    std::memcpy(out, held, sizeof(*out));
    return true;
  }
  return read(int64_t(n) * SHEET_RECORD_SIZE, out, DWORD(sizeof(*out))) == 0;
}

}  // namespace

bool TMapList::ChainEndsPastCount() { return ChainEndsPastCount(nullptr, nullptr); }

bool TMapList::ChainEndsPastCount(FVSPR* lastTwo, bool* lastTwoRead) {
  const LONG count = Head.Count;
  if (lastTwoRead != nullptr) *lastTwoRead = false;
  if (count < 1) return false;
  // At the opening the last two descriptors come together (LastLinksOpen
  // looks at both), from the cache when it holds them.
  const bool opening = lastTwo != nullptr && lastTwoRead != nullptr;
  auto read = [this](int64_t at, void* to, DWORD size) { return ReadHdr(at, to, size); };
  if (opening && count >= 2) {
    const char* before = HeadBuffer.HeldRecord(count - 1);
    const char* last = HeadBuffer.HeldRecord(count);
    if (before != nullptr && last != nullptr) {
      std::memcpy(&lastTwo[0], before, sizeof(FVSPR));
      std::memcpy(&lastTwo[1], last, sizeof(FVSPR));
      *lastTwoRead = true;
    } else {
      *lastTwoRead =
          ReadHdr(int64_t(count - 1) * SHEET_RECORD_SIZE, lastTwo, 2 * sizeof(FVSPR)) == 0;
    }
  }
  // The objects an append links a new one to: those the header names as
  // chain ends, and the highest number (after which a mixed object goes).
  const LONG ends[] = {Head.First,    Head.Last,      Head.LastPolygon, Head.LastLine,
                       Head.LastVector, Head.LastPoint, Head.LastTitle,   count};
  for (size_t i = 0; i < std::size(ends); ++i) {
    const LONG n = ends[i];
    if (n < 1 || n > count || std::find(ends, ends + i, n) != ends + i) continue;
    FVSPR desc;
    if (opening && *lastTwoRead && n >= count - 1)
      desc = lastTwo[n - (count - 1)];
    else if (!Descriptor(opening ? &HeadBuffer : nullptr, n, &desc, read))
      continue;
    if (desc.Next > DWORD(count) || desc.Back > DWORD(count)) return true;
  }
  return false;
}

int TMapList::FindLinkRepairs(std::vector<LINKREPAIR>& out) {
  out.clear();
  const LONG count = Head.Count;
  // Each lost number with the objects linked to it: the one before it (by
  // its next link) and the one after it (by its back link).
  std::map<DWORD, std::pair<LONG, LONG>> lost;
  std::vector<FVSPR> chunk(SCAN_RECORDS);
  for (LONG first = 1; first <= count; first += SCAN_RECORDS) {
    const LONG n = std::min<LONG>(SCAN_RECORDS, count - first + 1);
    if (ReadHdr(int64_t(first) * SHEET_RECORD_SIZE, chunk.data(), DWORD(n) * SHEET_RECORD_SIZE))
      return MAPERR_READ;
    for (LONG i = 0; i < n; ++i) {
      const FVSPR& d = chunk[size_t(i)];
      if (d.Next > DWORD(count) && lost[d.Next].first == 0) lost[d.Next].first = first + i;
      if (d.Back > DWORD(count) && lost[d.Back].second == 0) lost[d.Back].second = first + i;
    }
  }

  std::map<LONG, LINKREPAIR> fixed;
  auto entry = [&](LONG n) -> LINKREPAIR* {
    auto it = fixed.find(n);
    if (it == fixed.end()) {
      FVSPR d;
      if (ReadHdr(int64_t(n) * SHEET_RECORD_SIZE, &d, sizeof(d)) != 0) return nullptr;
      it = fixed.emplace(n, LINKREPAIR{n, d.Next, d.Back}).first;
    }
    return &it->second;
  };
  for (const auto& [number, sides] : lost) {
    const LONG before = sides.first;
    LONG after = sides.second;
    // The lost descriptor, written first, names the object after it even
    // when that object's back link was not written yet (it still names the
    // object before).
    FVSPR d, next;
    if (before != 0 && after == 0 &&
        ReadHdr(int64_t(number) * SHEET_RECORD_SIZE, &d, sizeof(d)) == 0 &&
        d.Back == DWORD(before) && d.Next >= 1 && d.Next <= DWORD(count) &&
        ReadHdr(int64_t(d.Next) * SHEET_RECORD_SIZE, &next, sizeof(next)) == 0 &&
        next.Back == DWORD(before))
      after = LONG(d.Next);
    LINKREPAIR* b = before != 0 ? entry(before) : nullptr;
    LINKREPAIR* a = after != 0 ? entry(after) : nullptr;
    if ((before != 0 && b == nullptr) || (after != 0 && a == nullptr)) return MAPERR_READ;
    if (b != nullptr) b->Next = DWORD(after);
    if (a != nullptr) a->Back = DWORD(before);
  }
  for (const auto& e : fixed) out.push_back(e.second);
  return 0;
}

void TMapList::ReloadHead() { HeadReadAgain(); }

bool TMapList::HeadReadAgain() {
  // A writer that was only slow, not stopped, has counted its object by
  // now. No writer takes objects away: a header counting fewer is damage.
  HDRHEAD fresh;
  if (ReadHdr(0, &fresh, sizeof(fresh)) != 0 || !CheckHdrHead(&fresh) ||
      !CheckHdrCount(&fresh, plat::FileLength(Files[SHEET_HDR])) || fresh.Count < Head.Count)
    return false;
  TakeHead(fresh);
  return true;
}

bool TMapList::LocksTrusted() {
  // A file that is not shared (a network or FUSE mount) may be written at
  // this moment by a writer elsewhere whose lock this one does not see,
  // and read stale under the lock: what looks like a link past the count
  // there may be that writer's append half seen.
  return plat::FileViewsShared(Files[SHEET_HDR]) != FALSE;
}

bool TMapList::LastLinksOpen() { return LastLinksOpen(nullptr); }

bool TMapList::LastLinksOpen(const FVSPR* lastTwo) {
  const LONG last = Head.Count;
  if (last < 2) return false;
  // The last two descriptors in one read: the last object's neighbour in
  // the chain is most often the one before it.
  FVSPR pair[2], side;
  if (lastTwo != nullptr)
    std::copy(lastTwo, lastTwo + 2, pair);
  else if (ReadHdr(int64_t(last - 1) * SHEET_RECORD_SIZE, pair, sizeof(pair)) != 0)
    return false;
  const FVSPR& desc = pair[1];
  auto neighbour = [&](DWORD n) {
    if (n == DWORD(last - 1)) {
      side = pair[0];
      return true;
    }
    return Descriptor(lastTwo != nullptr ? &HeadBuffer : nullptr, LONG(n), &side,
                      [this](int64_t at, void* to, DWORD size) { return ReadHdr(at, to, size); });
  };
  if (desc.Back != 0 && desc.Back < DWORD(last) && neighbour(desc.Back) &&
      side.Next != DWORD(last))
    return true;
  return desc.Next != 0 && desc.Next < DWORD(last) && neighbour(desc.Next) &&
         side.Back != DWORD(last);
}

int TMapList::CompleteLinksAtOpen() { return CompleteLinksAtOpen(nullptr); }

int TMapList::CompleteLinksAtOpen(const FVSPR* lastTwo) {
  if (!IsWritable() || !LastLinksOpen(lastTwo) || !LocksTrusted() || !LockList()) return 1;
  // A failed write leaves the rest to the next append, which completes the
  // links the same way.
  if (HeadReadAgain()) CompleteLastLinks(Head);
  UnlockList();
  HeadBuffer.Reset();
  CurrentObject = 0;
  CurrentDesc = nullptr;
  return 1;
}

int TMapList::WriteLinkRepairs() {
  // Descriptors read while the links were mended in memory were mended in
  // the cache (ApplyLinkRepairs): they take the file's links again.
  for (int i = 0; i < RepairCount; ++i) {
    FVSPR desc;
    if (ReadHdr(int64_t(Repairs[i].Number) * SHEET_RECORD_SIZE, &desc, sizeof(desc)) == 0)
      HeadBuffer.UpdateRecord(Repairs[i].Number, &desc);
  }
  if (!HeadReadAgain()) return MAPERR_READ;
  std::vector<LINKREPAIR> repairs;
  int code = ChainEndsPastCount() ? FindLinkRepairs(repairs) : 0;
  // Every link back first, then the links forward: a writer stopped
  // between them leaves a link forward past the count, on the object the
  // header names as the end of its kind, where the next opening finds it
  // (a link back past the count inside the chain it would not find).
  for (int forward = 0; code == 0 && forward < 2; ++forward) {
    for (size_t i = 0; code == 0 && i < repairs.size(); ++i) {
      const LINKREPAIR& r = repairs[i];
      FVSPR desc;
      code = ReadHdr(int64_t(r.Number) * SHEET_RECORD_SIZE, &desc, sizeof(desc));
      if (code != 0 || (forward ? desc.Next == r.Next : desc.Back == r.Back)) continue;
      if (forward)
        desc.Next = r.Next;
      else
        desc.Back = r.Back;
      code = WriteSheet(SHEET_HDR, int64_t(r.Number) * SHEET_RECORD_SIZE, &desc, sizeof(desc));
      // The descriptors read stay where they are (a writer may hold the
      // current one): those rewritten take the new links.
      if (code == 0) HeadBuffer.UpdateRecord(r.Number, &desc);
    }
  }
  if (code == 0) {
    RepairCount = 0;
    RepairedCount = 0;
  }
  return code;
}

int TMapList::RepairChainLinks() {
  RepairCount = 0;
  RepairedCount = 0;
  // The cache holds only what the opening read with the header.
  FVSPR lastTwo[2];
  bool lastTwoRead = false;
  if (!ChainEndsPastCount(lastTwo, &lastTwoRead))
    return CompleteLinksAtOpen(lastTwoRead ? lastTwo : nullptr);

  if (IsWritable() && LocksTrusted() && LockList()) {
    const int code = WriteLinkRepairs();
    UnlockList();
    HeadBuffer.Reset();
    CurrentObject = 0;
    CurrentDesc = nullptr;
    if (code == 0) return 1;
    Error = code;
  }

  // The chain is read as repaired, and nothing is written to the sheet
  // now: the document's first write makes the repair under its lock
  // (BeginWrite), before anything else, since an append next to a link
  // past the count would tie the new object's number to that link.
  std::vector<LINKREPAIR> repairs;
  if (FindLinkRepairs(repairs) == 0) {
    RepairCount = int(std::min<size_t>(repairs.size(), LINKREPAIR_COUNT));
    std::copy(repairs.begin(), repairs.begin() + RepairCount, Repairs);
  }
  RepairedCount = Head.Count;
  return 1;
}
