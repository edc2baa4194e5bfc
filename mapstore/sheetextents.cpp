#include "mapstore/sheetextents.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "mapstore/passport.h"
#include "mapstore/sheetfile.h"
#include "mapstore/sheetframes.h"
#include "mapstore/sheetreach.h"
#include "mapstore/sheetview.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/vfs.h"

static_assert(offsetof(LISTDESC, Flag) + sizeof(SHEETRESERVE) == sizeof(LISTDESC),
              "the reserve ends the record");
static_assert((PASSPORT_LENGTH + offsetof(LISTDESC, Flag)) % 8 == 0 && LISTDESC_LENGTH % 8 == 0,
              "a record's word of versions and its stamp lie on 8-byte bounds of the file");

// What the maps of this process that have one map file open learnt of its
// sheets by chain.
struct FILEEXTENTS {
  plat::FILEIDENTITY Identity;
  std::mutex Lock;
  std::vector<TSheetExtents::ENTRY> Sheets;
};

// What one map keeps beside its entries.
struct SHAREDEXTENTS {
  std::shared_ptr<FILEEXTENTS> File;  // null while the map shares nothing
  TSheetReach Reach;
  // What the walks learnt of the sheets' objects, by sheet, and its bytes.
  std::vector<std::unique_ptr<SHEETPOINTS>> Points;
  size_t PointsBytes = 0;
  uint32_t Looks = 1;  // the looks at the signals, for SHEETPOINTS::CheckedAt
};

namespace {

size_t BytesOf(const SHEETPOINTS& p) {
  return sizeof(SHEETPOINTS) + p.Objects.capacity() * sizeof(SHEETPOINTS::OBJECT);
}

}  // namespace

bool FrameRoundedOut(const DFRAME& f, const DOUBLEPOINT& origin, double widen, FRAME* out) {
  const double v[4] = {std::floor(std::min(f.X1, f.X2) - origin.X) - widen,
                       std::floor(std::min(f.Y1, f.Y2) - origin.Y) - widen,
                       std::ceil(std::max(f.X1, f.X2) - origin.X) + widen,
                       std::ceil(std::max(f.Y1, f.Y2) - origin.Y) + widen};
  for (double d : v)
    if (!(d >= double(INT32_MIN) && d <= double(INT32_MAX))) return false;
  *out = FRAME{LONG(v[0]), LONG(v[1]), LONG(v[2]), LONG(v[3])};
  return true;
}

bool SHEETPOINTS::Whole(FRAME* out) {
  if (Objects.empty() || size_t(Met) != Objects.size()) return false;
  if (Stale) {
    FRAME e = Objects[0].Reach;
    for (const OBJECT& o : Objects) e = FrameUnion(e, o.Reach);
    Extent = e;
    Stale = false;
  }
  *out = Extent;
  return true;
}

TSheetExtents::ENTRY* TSheetExtents::Find(int n) {
  if (n < 1 || size_t(n) > sheets_.size()) return nullptr;
  ENTRY& e = sheets_[size_t(n) - 1];
  return e.Extent.State == EXTENT_UNKNOWN ? nullptr : &e;
}

void TSheetExtents::Put(int n, const ENTRY& entry) {
  if (n < 1) return;
  DropPoints(n);
  Changed(n);
  try {
    if (size_t(n) > sheets_.size()) sheets_.resize(size_t(n));
  } catch (const std::bad_alloc&) {
    return;  // not kept: learnt again when next asked for
  }
  sheets_[size_t(n) - 1] = entry;
}

void TSheetExtents::Drop(int n) {
  DropPoints(n);
  if (n >= 1 && size_t(n) <= sheets_.size()) {
    sheets_[size_t(n) - 1] = ENTRY{};
    Changed(n);
  }
}

void TSheetExtents::Written(int n, const FRAME& f) {
  DropPoints(n);
  ENTRY* entry = Find(n);
  if (entry == nullptr) return;
  EXTENT& e = entry->Extent;
  const FRAME s = OrderedFrame(f);
  switch (e.State) {
    case EXTENT_EMPTY:
      e = EXTENT{EXTENT_FRAME, s};
      break;
    case EXTENT_FRAME:
      if (s.X1 >= e.Frame.X1 && s.Y1 >= e.Frame.Y1 && s.X2 <= e.Frame.X2 && s.Y2 <= e.Frame.Y2)
        return;
      e.Frame = FrameUnion(e.Frame, s);
      break;
    default:
      return;  // any stays any
  }
  Changed(n);
}

void TSheetExtents::Retag(uint32_t from, uint32_t to) {
  for (ENTRY& e : sheets_)
    if (e.ByChain && e.Chain == from) e.Chain = to;
}

void TSheetExtents::Forget() {
  std::vector<ENTRY>().swap(sheets_);
  if (shared_ != nullptr) {
    shared_->Reach.Drop();
    std::vector<std::unique_ptr<SHEETPOINTS>>().swap(shared_->Points);
    shared_->PointsBytes = 0;
  }
}

SHEETPOINTS* TSheetExtents::Points(int n) {
  if (shared_ == nullptr || n < 1 || size_t(n) > shared_->Points.size()) return nullptr;
  return shared_->Points[size_t(n) - 1].get();
}

SHEETPOINTS* TSheetExtents::MakePoints(int n, LONG count) {
  if (Find(n) == nullptr || count < 1 || count >= TSheetFrameIndex::MinObjects() ||
      Reach() == nullptr)
    return nullptr;
  SHEETPOINTS* held = Points(n);
  if (held != nullptr && held->Objects.size() == size_t(count)) return held;
  DropPoints(n);
  SHAREDEXTENTS& s = *shared_;
  const size_t bytes = sizeof(SHEETPOINTS) + size_t(count) * sizeof(SHEETPOINTS::OBJECT);
  if (s.PointsBytes + bytes > TSheetFrameIndex::KeptBytes()) return nullptr;
  try {
    if (size_t(n) > s.Points.size()) s.Points.resize(size_t(n));
    auto made = std::make_unique<SHEETPOINTS>();
    made->Objects.resize(size_t(count), SHEETPOINTS::OBJECT{FRAME{}, 0, SHEETPOINTS::UNSEEN});
    made->CheckedAt = s.Looks;
    s.PointsBytes += BytesOf(*made);
    s.Points[size_t(n) - 1] = std::move(made);
  } catch (const std::bad_alloc&) {
    return nullptr;  // learnt without: every record read
  }
  return s.Points[size_t(n) - 1].get();
}

void TSheetExtents::DropPoints(int n) {
  SHEETPOINTS* p = Points(n);
  if (p == nullptr) return;
  shared_->PointsBytes -= std::min(shared_->PointsBytes, BytesOf(*p));
  shared_->Points[size_t(n) - 1].reset();
}

void TSheetExtents::Look() {
  if (shared_ != nullptr && ++shared_->Looks == 0) shared_->Looks = 1;
}

uint32_t TSheetExtents::Looks() const { return shared_ != nullptr ? shared_->Looks : 0; }

void TSheetExtents::Changed(int n) {
  if (shared_ != nullptr) shared_->Reach.Changed(n);
}

TSheetReach* TSheetExtents::Reach() {
  if (shared_ == nullptr) {
    try {
      shared_ = std::make_shared<SHAREDEXTENTS>();
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return &shared_->Reach;
}

namespace {

std::mutex g_sharedLock;
std::vector<std::weak_ptr<FILEEXTENTS>>& SharedTable() {
  static std::vector<std::weak_ptr<FILEEXTENTS>> table;
  return table;
}

}  // namespace

void TSheetExtents::Share(const char* path) {
  Unshare();
  plat::FILEIDENTITY identity;
  if (path == nullptr || !plat::GetFileIdentity(path, &identity) || Reach() == nullptr) return;
  try {
    std::lock_guard<std::mutex> guard(g_sharedLock);
    auto& table = SharedTable();
    std::erase_if(table, [](const std::weak_ptr<FILEEXTENTS>& w) { return w.expired(); });
    for (const auto& w : table) {
      std::shared_ptr<FILEEXTENTS> s = w.lock();
      if (s != nullptr && s->Identity == identity) {
        shared_->File = std::move(s);
        return;
      }
    }
    auto made = std::make_shared<FILEEXTENTS>();
    made->Identity = identity;
    table.push_back(made);
    shared_->File = std::move(made);
  } catch (const std::bad_alloc&) {
    shared_->File.reset();  // each map learns for itself
  }
}

void TSheetExtents::Unshare() {
  if (shared_ == nullptr) return;
  std::lock_guard<std::mutex> guard(g_sharedLock);
  shared_->File.reset();
}

bool TSheetExtents::FindShared(int n, uint32_t chain, uint32_t version, ENTRY* out) {
  FILEEXTENTS* file = shared_ != nullptr ? shared_->File.get() : nullptr;
  if (file == nullptr || n < 1) return false;
  std::lock_guard<std::mutex> guard(file->Lock);
  if (size_t(n) > file->Sheets.size()) return false;
  const ENTRY& e = file->Sheets[size_t(n) - 1];
  if (e.Extent.State == EXTENT_UNKNOWN || !e.ByChain || e.Chain != chain || e.Version != version)
    return false;
  *out = e;
  return true;
}

void TSheetExtents::PutShared(int n, const ENTRY& entry) {
  FILEEXTENTS* file = shared_ != nullptr ? shared_->File.get() : nullptr;
  if (file == nullptr || n < 1 || !entry.ByChain) return;
  std::lock_guard<std::mutex> guard(file->Lock);
  try {
    if (size_t(n) > file->Sheets.size()) file->Sheets.resize(size_t(n));
  } catch (const std::bad_alloc&) {
    return;
  }
  file->Sheets[size_t(n) - 1] = entry;
}

namespace {

// Descriptors from which a file is read in place.
LONG g_inPlace = 4096;
// Descriptor files read to learn a frame, in this process.
std::atomic<LONG> g_learnt{0};
// Sheets whose entry was looked at, in this process.
std::atomic<LONG> g_asked{0};

// The frame of `count` descriptors, widened by an earlier one.
struct SPREAD {
  LONG x1 = INT32_MAX, y1 = INT32_MAX, x2 = INT32_MIN, y2 = INT32_MIN;
  void Take(const FVSPR* d, LONG count) {
    for (LONG i = 0; i < count; ++i, ++d) {
      x1 = std::min({x1, d->X1, d->X2}), y1 = std::min({y1, d->Y1, d->Y2});
      x2 = std::max({x2, d->X1, d->X2}), y2 = std::max({y2, d->Y1, d->Y2});
    }
  }
};

// The descriptors read in place from a view of the file, its pages put in
// place in one call: false when no view serves or a page of it is no
// longer backed by the file.
bool SpreadInView(HANDLE file, LONG count, SPREAD* spread) {
  if (!plat::ViewsAllowed()) return false;
  HANDLE mapping = plat::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return false;
  void* view = plat::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  plat::CloseHandle(mapping);
  if (view == nullptr) return false;
  bool read = false;
  if (int64_t(plat::ViewSize(view)) >= (int64_t(count) + 1) * SHEET_RECORD_SIZE) {
    plat::AdviseViewWholeRead(view);
    struct PASS {
      const FVSPR* first;
      LONG count;
      SPREAD* spread;
    } pass{reinterpret_cast<const FVSPR*>(static_cast<const char*>(view) + SHEET_RECORD_SIZE),
           count, spread};
    read = ReadViewGuarded(
        [](void* p) {
          PASS& a = *static_cast<PASS*>(p);
          a.spread->Take(a.first, a.count);
        },
        &pass);
  }
  plat::UnmapViewOfFile(view);
  return read;
}

}  // namespace

LONG TSheetExtents::InPlaceObjects() { return g_inPlace; }

void TSheetExtents::SetInPlaceObjects(LONG count) { g_inPlace = count > 1 ? count : 1; }

LONG TSheetExtents::FilesLearnt() { return g_learnt.load(std::memory_order_relaxed); }

LONG TSheetExtents::SheetsAsked() { return g_asked.load(std::memory_order_relaxed); }

uint32_t TSheetExtents::PackBeyond(const int64_t (&beyond)[4]) {
  int64_t most = 0;
  for (int64_t b : beyond) most = std::max(most, b);
  uint32_t shift = 0;
  while (shift < 62 && (most + (int64_t(1) << shift) - 1) >> shift > 63) ++shift;
  uint32_t packed = shift << 24;
  for (int k = 0; k < 4; ++k) {
    const int64_t b = std::max<int64_t>(beyond[k], 0);
    packed |= uint32_t((b + (int64_t(1) << shift) - 1) >> shift) << (6 * k);
  }
  return packed;
}

void TSheetExtents::UnpackBeyond(uint32_t packed, int64_t (&beyond)[4]) {
  const uint32_t shift = std::min<uint32_t>(packed >> 24, 40);
  for (int k = 0; k < 4; ++k) beyond[k] = int64_t((packed >> (6 * k)) & 63u) << shift;
}

uint16_t TSheetExtents::StampCheck(int n, uint32_t version, uint32_t chain, uint32_t beyond) {
  const uint32_t words[4] = {uint32_t(n), version, chain, beyond};
  uint32_t h = 2166136261u;
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) h = (h ^ ((w >> (8 * i)) & 0xFFu)) * 16777619u;
  // Even (the stamps of an older build are odd) and never 0 (no stamp).
  const uint16_t check = uint16_t(((h >> 16) ^ h) & 0xFFFEu);
  return check != 0 ? check : 2;
}

TSheetExtents::EXTENT TSheetExtents::Learn(HANDLE file) {
  g_learnt.fetch_add(1, std::memory_order_relaxed);
  HDRHEAD head;
  if (!plat::ReadExactAt(file, 0, &head, sizeof head) || !CheckHdrHead(&head) ||
      !CheckHdrCount(&head, plat::FileLength(file)))
    return EXTENT{EXTENT_ANY, {}};
  if (head.Count == 0) return EXTENT{EXTENT_EMPTY, {}};
  // Every descriptor by number, deleted ones too (a search may ask for
  // them): a large file in place, a small one (whose view costs more to
  // make than the copy) or one no view serves a block at a time.
  SPREAD spread;
  if (head.Count >= g_inPlace && SpreadInView(file, head.Count, &spread))
    return EXTENT{EXTENT_FRAME, FRAME{spread.x1, spread.y1, spread.x2, spread.y2}};
  spread = SPREAD{};
  constexpr LONG kBlock = 4096;
  const LONG most = std::min(kBlock, head.Count);
  std::unique_ptr<FVSPR[]> block(new (std::nothrow) FVSPR[size_t(most)]);
  if (block == nullptr) return EXTENT{EXTENT_ANY, {}};
  for (LONG first = 1; first <= head.Count; first += most) {
    const LONG n = std::min(most, head.Count - first + 1);
    if (!plat::ReadExactAt(file, int64_t(first) * SHEET_RECORD_SIZE, block.get(),
                           DWORD(n) * SHEET_RECORD_SIZE))
      return EXTENT{EXTENT_ANY, {}};
    spread.Take(block.get(), n);
  }
  return EXTENT{EXTENT_FRAME, FRAME{spread.x1, spread.y1, spread.x2, spread.y2}};
}

// ---------------------------------------------------------------------------
// What the map knows of its sheets

namespace {

SHEETRESERVE FromWords(uint64_t word, uint64_t body) {
  SHEETRESERVE r;
  std::memcpy(&r, &word, sizeof word);
  std::memcpy(reinterpret_cast<char*>(&r) + sizeof word, &body, sizeof body);
  return r;
}

uint64_t WordOf(const SHEETRESERVE& r) {
  uint64_t word;
  std::memcpy(&word, &r, sizeof word);
  return word;
}

}  // namespace

char* TMapPassport::SheetWordAt(int n) {
  if (n < 1 || n > Count() || File == nullptr || tableViewRefused_ || !plat::ViewsAllowed())
    return nullptr;
  // Only the records the file's passport counts are the file's (a save
  // writes the passport last): past them lies the key table, or nothing,
  // for a sheet this map made and has not saved yet. Read through the
  // counter's view, this costs no call to the system; a count that cannot
  // be read leaves the record unknown.
  uint32_t held = 0;
  if (!ReadPassportWord(offsetof(MAPPASSPORT, ListCount), &held) || uint32_t(n) > held)
    return nullptr;
  const int64_t at = PASSPORT_LENGTH + int64_t(n - 1) * LISTDESC_LENGTH + offsetof(LISTDESC, Flag);
  const int64_t end = at + int64_t(sizeof(SHEETRESERVE));
  if (end > tableViewLength_) {
    // Mapped again over the whole table as the file holds it now.
    const int64_t length = std::min<int64_t>(
        plat::FileLength(File), PASSPORT_LENGTH + int64_t(Count()) * LISTDESC_LENGTH);
    if (length < end) return nullptr;
    if (!plat::FileViewsShared(File)) {
      tableViewRefused_ = 1;
      return nullptr;
    }
    CloseTableView();
    const bool writable = IsWritable() != 0;
    const HANDLE mapping = plat::CreateFileMappingA(
        File, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0, 0, nullptr);
    void* view = mapping != nullptr
                     ? plat::MapViewOfFile(mapping, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0,
                                           0, SIZE_T(length))
                     : nullptr;
    if (mapping != nullptr) plat::CloseHandle(mapping);
    if (view == nullptr) return nullptr;
    tableView_ = static_cast<char*>(view);
    tableViewLength_ = length;
  }
  return tableView_ + at;
}

void TMapPassport::CloseTableView() {
  if (tableView_ != nullptr) plat::UnmapViewOfFile(tableView_);
  tableView_ = nullptr;
  tableViewLength_ = 0;
}

bool TMapPassport::SheetVersion(int n, uint32_t* version) {
  const char* word = SheetWordAt(n);
  uint64_t w = 0;
  if (word == nullptr || !LoadWord64FromView(word, &w)) return false;
  const SHEETRESERVE r = FromWords(w, 0);
  if ((r.Check & 1) != 0) return false;
  *version = r.Version;
  return true;
}

void TMapPassport::SheetChangeBegins(int n) {
  if (File == nullptr || !IsWritable()) return;
  for (const SHEETCHANGING& c : changing_)
    if (c.Sheet == n) return;
  if (ChooseCounterWay() != COUNTER_VIEW) {
    // Without a shared view the sheet's version cannot be raised in one
    // step with everyone's: the mark of the lock way ends every chain for
    // as long as this map is on it.
    JoinLockWay();
    chainKnown_ = 0;
    return;
  }
  char* word = SheetWordAt(n);
  uint64_t seen = 0;
  // A record the file does not hold yet is the map's own new sheet: nobody
  // knows anything of it, and the save that writes it starts a new chain.
  if (word == nullptr || !LoadWord64FromView(word, &seen)) return;
  SHEETRESERVE r;
  uint32_t from = 0;
  bool foreign = false;
  for (;;) {
    r = FromWords(seen, 0);
    from = r.Version;
    foreign = (r.Check & 1) != 0;
    r.Check = 0;
    r.Version = (from & 1) != 0 ? from + 2 : from + 1;
    const ViewExchange done = ExchangeWord64InView(word, &seen, WordOf(r));
    if (done == ViewExchange::Gone) return;
    if (done == ViewExchange::Done) break;
  }
  // Then the count of changes begun, before anything of the change goes
  // out: whoever read it before reads the sheet's version as it is now.
  // This map's own index follows its own change through its entries.
  uint32_t begun = 0;
  if (AddToWordInView(tableView_ + PASSPORT_BEGUN_AT, 1, &begun)) {
    TSheetReach* reach = extents_.Reach();
    if (reach != nullptr && reach->Confirmed.BegunKnown && reach->Confirmed.Begun == begun)
      reach->Confirmed.Begun = begun + 1;
  }
  try {
    changing_.push_back(SHEETCHANGING{n, r.Version, foreign ? 1 : 0});
  } catch (const std::bad_alloc&) {
    // Left odd: taken as changing by everyone until the next writer of
    // the sheet moves it on.
  }
  // What this map knows of the sheet follows its own change when it was
  // known at the version the change starts from; an older build's record
  // (whose version field held something else) starts a new chain.
  TSheetExtents::ENTRY* e = extents_.Find(n);
  if (foreign) {
    restartChain_ = 1;
    if (e != nullptr && e->ByChain) extents_.Drop(n);
  } else if (e != nullptr && e->ByChain && e->Version != from) {
    extents_.Drop(n);
  }
}

void TMapPassport::SheetChangesMade(int n) {
  size_t kept = 0;
  for (size_t i = 0; i < changing_.size(); ++i) {
    const SHEETCHANGING c = changing_[i];
    // A record taken over from an older build stays odd until the raise
    // that starts the new chain has gone out.
    if (c.Sheet != n || c.TakenOver) {
      changing_[kept++] = c;
      continue;
    }
    char* word = SheetWordAt(c.Sheet);
    uint64_t seen = 0;
    TSheetExtents::ENTRY* e = extents_.Find(c.Sheet);
    bool moved = false;
    if (word != nullptr && LoadWord64FromView(word, &seen)) {
      SHEETRESERVE r = FromWords(seen, 0);
      if (r.Version == c.Version && (r.Check & 1) == 0) {
        r.Version = c.Version + 1;
        moved = ExchangeWord64InView(word, &seen, WordOf(r)) == ViewExchange::Done;
      }
    }
    if (e != nullptr && e->ByChain) {
      if (moved && e->Version + 1 == c.Version) {
        e->Version = c.Version + 1;
        extents_.PutShared(c.Sheet, *e);
      } else {
        extents_.Drop(c.Sheet);
      }
    }
  }
  changing_.resize(kept);
}

void TMapPassport::TakenOverSheetsSettled() {
  std::erase_if(changing_, [&](const SHEETCHANGING& c) {
    if (!c.TakenOver) return false;
    char* word = SheetWordAt(c.Sheet);
    uint64_t seen = 0;
    if (word != nullptr && LoadWord64FromView(word, &seen)) {
      SHEETRESERVE r = FromWords(seen, 0);
      r.Version = c.Version + 1;
      if (FromWords(seen, 0).Version == c.Version && (r.Check & 1) == 0)
        ExchangeWord64InView(word, &seen, WordOf(r));
    }
    return true;
  });
}

bool TMapPassport::TakeStamp(int n, uint32_t version, TSheetExtents::EXTENT* extent) {
  char* word = SheetWordAt(n);
  uint64_t w = 0, body = 0;
  if (word == nullptr || !LoadWord64FromView(word, &w) || !LoadWord64FromView(word + 8, &body))
    return false;
  const SHEETRESERVE r = FromWords(w, body);
  FRAME f;
  if (r.Check == 0 || r.Version != version || r.Chain != chainStart_ ||
      r.Check != TSheetExtents::StampCheck(n, r.Version, r.Chain, r.Beyond) ||
      !RegisterFrameOfSheet(n, &f))
    return false;
  int64_t beyond[4];
  TSheetExtents::UnpackBeyond(r.Beyond, beyond);
  const int64_t v[4] = {int64_t(f.X1) - beyond[0], int64_t(f.Y1) - beyond[1],
                        int64_t(f.X2) + beyond[2], int64_t(f.Y2) + beyond[3]};
  if (!std::all_of(v, v + 4, [](int64_t x) { return x >= INT32_MIN && x <= INT32_MAX; }))
    return false;
  *extent = TSheetExtents::EXTENT{TSheetExtents::EXTENT_FRAME,
                                  FRAME{LONG(v[0]), LONG(v[1]), LONG(v[2]), LONG(v[3])}};
  return true;
}

TSheetExtents::EXTENT TMapPassport::SheetObjectsExtent(int n, bool learn) {
  g_asked.fetch_add(1, std::memory_order_relaxed);
  const LISTDESC* list = List(n);
  if (list == nullptr) return TSheetExtents::EXTENT{TSheetExtents::EXTENT_ANY, {}};
  if (SheetEntryHolds(n)) return extents_.Find(n)->Extent;
  if (!learn) return TSheetExtents::EXTENT{};
  return LearnSheetExtent(n, list, true);
}

TSheetExtents::EXTENT TMapPassport::LearnSheetExtent(int n, const LISTDESC* list, bool read) {
  const bool chained = chainKnown_ && tableChainKnown_ && tableChain_ == chainStart_;
  // The sheet's version before anything of it is read: what is read holds
  // at that version when the version is still that after it.
  uint32_t version = 0;
  const bool byChain = chained && SheetVersion(n, &version) && (version & 1) == 0;
  TSheetExtents::ENTRY entry;
  entry.Span = counterSpan_;
  // What another map of this process learnt at this version, or the stamp
  // left at it.
  if (byChain && extents_.FindShared(n, chainStart_, version, &entry)) {
    extents_.Put(n, entry);
    return entry.Extent;
  }
  // Kept, and shared when held by chain.
  auto keep = [&](bool chained) {
    if (chained) {
      entry.ByChain = 1;
      entry.Chain = chainStart_;
      entry.Version = version;
      extents_.PutShared(n, entry);
    }
    extents_.Put(n, entry);
    return entry.Extent;
  };
  if (byChain && TakeStamp(n, version, &entry.Extent)) return keep(true);
  if (!read) return TSheetExtents::EXTENT{};
  entry.Extent = TSheetExtents::EXTENT{TSheetExtents::EXTENT_ANY, {}};
  // Only a file of the map's folder, by a name that passes the sheet's
  // checks, is read.
  char path[MAX_PATH];
  if (SheetNamesUsable(list) &&
      JoinFolderName(Folder, list->NameHDR, sizeof(list->NameHDR), path, sizeof(path))) {
    const HANDLE file = plat::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != nullptr && file != INVALID_HANDLE_VALUE) {
      entry.Extent = TSheetExtents::Learn(file);
      plat::CloseHandle(file);
    }
  }
  uint32_t after = 0;
  return keep(byChain && SheetVersion(n, &after) && after == version);
}

bool TMapPassport::SheetEntryHolds(int n) {
  TSheetExtents::ENTRY* e = extents_.Find(n);
  if (e == nullptr) return false;
  // Versions speak for the sheets of this map's table only while it is the
  // table of the chain.
  const bool chained = chainKnown_ && tableChainKnown_ && tableChain_ == chainStart_;
  uint32_t version = 0;
  const bool holds = e->ByChain ? chained && e->Chain == chainStart_ &&
                                      SheetVersion(n, &version) && version == e->Version
                                : e->Span == counterSpan_;
  if (!holds) extents_.Drop(n);
  return holds;
}

SHEETPOINTS* TMapPassport::SheetPoints(int n, LONG count) {
  SHEETPOINTS* p = HeldSheetPoints(n);
  if (p != nullptr && p->Objects.size() == size_t(count)) return p;
  // A sheet not known yet is taken from what another map learnt or the
  // stamp, at no read of its files: those it holds are being read anyway.
  const LISTDESC* list = List(n);
  if (list == nullptr || count < 1 || count >= TSheetFrameIndex::MinObjects()) return nullptr;
  if (!SheetEntryHolds(n)) LearnSheetExtent(n, list, false);
  const TSheetExtents::ENTRY* e = extents_.Find(n);
  if (e == nullptr || e->Extent.State != TSheetExtents::EXTENT_FRAME) return nullptr;
  return extents_.MakePoints(n, count);
}

SHEETPOINTS* TMapPassport::HeldSheetPoints(int n) {
  SHEETPOINTS* p = extents_.Points(n);
  if (p == nullptr || p->CheckedAt == extents_.Looks()) return p;
  if (!SheetEntryHolds(n)) return nullptr;
  p->CheckedAt = extents_.Looks();
  return p;
}

void TMapPassport::SheetRecordsWritten(int n) { extents_.DropPoints(n); }

bool TMapPassport::SheetPointsExtent(int n, FRAME* out) {
  SHEETPOINTS* p = HeldSheetPoints(n);
  return p != nullptr && p->Whole(out);
}

bool TMapPassport::ChangesBegun(uint32_t* value) {
  return SheetWordAt(1) != nullptr && LoadWordFromView(tableView_ + PASSPORT_BEGUN_AT, value);
}

void TMapPassport::PlaceSheet(TSheetReach& reach, int n) {
  const TSheetExtents::ENTRY* e = extents_.Find(n);
  const LISTDESC* list = List(n);
  if (e == nullptr || list == nullptr) return reach.Place(n, TSheetReach::ASKED, DFRAME{});
  if (e->Extent.State == TSheetExtents::EXTENT_EMPTY)
    return reach.Place(n, TSheetReach::EMPTY, DFRAME{});
  if (e->Extent.State != TSheetExtents::EXTENT_FRAME)
    return reach.Place(n, TSheetReach::ASKED, DFRAME{});
  // Two units more on every side than the frame a sheet is asked with
  // (TMapSelect::SheetBeyondArea): no rounding brings a sheet passed over
  // within reach.
  const DOUBLEPOINT o =
      Passport.Register.IsRealPlace ? DOUBLEPOINT{0.0, 0.0} : list->ViewPosition;
  const FRAME& f = e->Extent.Frame;
  reach.Place(n, TSheetReach::PLACED,
              DFRAME{double(f.X1) - 2 + o.X, double(f.Y1) - 2 + o.Y, double(f.X2) + 2 + o.X,
                     double(f.Y2) + 2 + o.Y});
}

int TMapPassport::NextSheetToAsk(const DFRAME& box, int from, int step) {
  TSheetReach* reach = Count() >= 1 ? extents_.Reach() : nullptr;
  if (reach == nullptr) return from;
  TSheetReach::CONFIRMED now;
  now.Span = counterSpan_;
  now.Chained = chainKnown_ && tableChainKnown_ && tableChain_ == chainStart_;
  now.Chain = chainStart_;
  // Read before the entries are looked at: a change begun after this is
  // seen at the next question.
  now.BegunKnown = ChangesBegun(&now.Begun);
  now.RealPlace = Passport.Register.IsRealPlace;
  now.Count = Count();
  now.Table = Lists;
  if (!reach->Made() || !(reach->Confirmed == now)) {
    const TSheetReach::CONFIRMED was = reach->Confirmed;
    // Every entry on its own signal: those that no longer hold go (and
    // the index with them).
    for (int n = 1; n <= Count(); ++n) SheetObjectsExtent(n, false);
    if (!reach->Made() || was.Count != now.Count || was.Table != now.Table ||
        was.RealPlace != now.RealPlace || reach->Sheets() != Count()) {
      // The grid over the sheets' register frames, where most objects lie.
      DFRAME bounds{};
      bool any = false;
      for (int n = 1; n <= Count(); ++n) {
        const DFRAME& f = List(n)->Frame;
        const DFRAME s{std::min(f.X1, f.X2), std::min(f.Y1, f.Y2), std::max(f.X1, f.X2),
                       std::max(f.Y1, f.Y2)};
        if (!std::isfinite(s.X1) || !std::isfinite(s.Y1) || !std::isfinite(s.X2) ||
            !std::isfinite(s.Y2))
          continue;
        bounds = any ? DFRAME{std::min(bounds.X1, s.X1), std::min(bounds.Y1, s.Y1),
                              std::max(bounds.X2, s.X2), std::max(bounds.Y2, s.Y2)}
                     : s;
        any = true;
      }
      if (!reach->Make(Count(), bounds)) return from;
    }
    reach->Confirmed = now;
  }
  for (int n = reach->TakeChanged(); n != 0; n = reach->TakeChanged()) PlaceSheet(*reach, n);
  return reach->Next(box, from, step);
}

void TMapPassport::SheetPlacesMoved() {
  if (TSheetReach* reach = extents_.Reach()) reach->Drop();
}

void TMapPassport::SheetObjectWritten(int n, const FRAME& frame, bool shared) {
  if (shared) SheetChangeBegins(n);
  extents_.Written(n, frame);
}

void TMapPassport::ForgetSheetExtents() {
  extents_.Forget();
  // The table no longer is the file's: versions say nothing of its sheets
  // until a save of it starts a new chain.
  tableChainKnown_ = 0;
}

void TMapPassport::SheetMadeEmpty(int n) {
  TSheetExtents::ENTRY entry;
  entry.Extent = TSheetExtents::EXTENT{TSheetExtents::EXTENT_EMPTY, {}};
  entry.Span = counterSpan_;
  extents_.Put(n, entry);
}

bool TMapPassport::RegisterFrameOfSheet(int n, FRAME* out) {
  const LISTDESC* list = List(n);
  if (list == nullptr || out == nullptr) return false;
  const DOUBLEPOINT o =
      Passport.Register.IsRealPlace ? DOUBLEPOINT{0.0, 0.0} : list->ViewPosition;
  return FrameRoundedOut(list->Frame, o, 0, out);
}

void TMapPassport::KeepSheetExtents() {
  // Only a map whose copy of the table is the file's (saved, read or
  // written in the chain as it stands) speaks for the register frames the
  // stamps are measured from.
  if (File == nullptr || !IsWritable() || !raisedHere_ || counterOwed_ || PassportChanged) return;
  if (!ObserveChangeCounter() || !chainKnown_ || !tableChainKnown_ || tableChain_ != chainStart_)
    return;
  for (int n = 1; n <= Count(); ++n) {
    char* word = SheetWordAt(n);
    uint64_t seen = 0, body = 0;
    if (word == nullptr || !LoadWord64FromView(word, &seen)) continue;
    SHEETRESERVE r = FromWords(seen, 0);
    // An older build's stamp is the next writer's to take over; a sheet
    // being changed has none.
    if ((r.Check & 1) != 0 || (r.Version & 1) != 0) continue;
    TSheetExtents::EXTENT held;
    if (r.Check != 0 && TakeStamp(n, r.Version, &held)) continue;
    // What was learnt within the counter's span alone says nothing of the
    // version: learnt again.
    const TSheetExtents::ENTRY* e = extents_.Find(n);
    if (e != nullptr && !e->ByChain) extents_.Drop(n);
    SheetObjectsExtent(n, true);
    e = extents_.Find(n);
    FRAME f;
    if (e == nullptr || !e->ByChain || e->Chain != chainStart_ || e->Version != r.Version ||
        !RegisterFrameOfSheet(n, &f))
      continue;
    int64_t beyond[4] = {0, 0, 0, 0};
    if (e->Extent.State == TSheetExtents::EXTENT_FRAME) {
      const FRAME& o = e->Extent.Frame;
      beyond[0] = int64_t(f.X1) - o.X1, beyond[1] = int64_t(f.Y1) - o.Y1;
      beyond[2] = int64_t(o.X2) - f.X2, beyond[3] = int64_t(o.Y2) - f.Y2;
    } else if (e->Extent.State != TSheetExtents::EXTENT_EMPTY) {
      continue;
    }
    r.Chain = chainStart_;
    r.Beyond = TSheetExtents::PackBeyond(beyond);
    r.Check = TSheetExtents::StampCheck(n, r.Version, r.Chain, r.Beyond);
    std::memcpy(&body, reinterpret_cast<const char*>(&r) + sizeof seen, sizeof body);
    // The body first; the check that makes it a stamp goes out in one step
    // with a look at the version: a writer that began on the sheet since
    // has moved it, and no stamp is made.
    if (!StoreWord64ToView(word + 8, body)) continue;
    ExchangeWord64InView(word, &seen, WordOf(r));
  }
}
