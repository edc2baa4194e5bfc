#include "mapstore/sheetextents.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "mapstore/passport.h"
#include "mapstore/sheetfile.h"
#include "mapstore/sheetview.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/vfs.h"

TSheetExtents::EXTENT TSheetExtents::Get(int n, uint32_t span) {
  if (span != span_) {
    Forget();
    span_ = span;
  }
  if (n < 1 || size_t(n) > sheets_.size()) return EXTENT{};
  return sheets_[size_t(n) - 1];
}

void TSheetExtents::Put(int n, uint32_t span, const EXTENT& extent) {
  if (n < 1) return;
  if (span != span_) {
    Forget();
    span_ = span;
  }
  try {
    if (size_t(n) > sheets_.size()) sheets_.resize(size_t(n));
  } catch (const std::bad_alloc&) {
    return;  // not kept: learnt again when next asked for
  }
  sheets_[size_t(n) - 1] = extent;
}

void TSheetExtents::Written(int n, const FRAME& f) {
  if (n < 1 || size_t(n) > sheets_.size()) return;
  EXTENT& e = sheets_[size_t(n) - 1];
  const FRAME s{std::min(f.X1, f.X2), std::min(f.Y1, f.Y2), std::max(f.X1, f.X2),
                std::max(f.Y1, f.Y2)};
  switch (e.State) {
    case EXTENT_EMPTY:
      e = EXTENT{EXTENT_FRAME, s};
      break;
    case EXTENT_FRAME:
      e.Frame = FRAME{std::min(e.Frame.X1, s.X1), std::min(e.Frame.Y1, s.Y1),
                      std::max(e.Frame.X2, s.X2), std::max(e.Frame.Y2, s.Y2)};
      break;
    default:
      break;  // unknown stays to be learnt, any stays any
  }
}

void TSheetExtents::Forget() { std::vector<EXTENT>().swap(sheets_); }

namespace {

// Descriptors from which a file is read in place.
LONG g_inPlace = 4096;
// Descriptor files read to learn a frame, in this process.
LONG g_learnt = 0;

// The stamp a map that changed the map file leaves in a sheet's record (its
// reserve, zero as written elsewhere): at the change counter's value
// `Counter`, every object of the sheet lay within the sheet's register
// frame (in the units of its objects, rounded out) widened by `Beyond` on
// each side (X1, Y1, X2, Y2), as descriptor frames reach past the ground
// by the width of what is drawn. The counter moves with every change of
// every writer, older ones too, so the stamp speaks only while it holds
// that value. `Check` ties the stamp's parts together: a record that mixes
// parts of two stamps (a write cut short, another writer's save of the
// sheet table going out between the parts of this one) does not speak.
#pragma pack(push, 1)
struct SHEETSTAMP {
  uint16_t Check;
  uint16_t Beyond[4];
  uint32_t Counter;
};
#pragma pack(pop)
static_assert(sizeof(SHEETSTAMP) == sizeof(LISTDESC::Reserve));

uint16_t StampCheck(const SHEETSTAMP& stamp) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&stamp);
  uint32_t h = 2166136261u;
  for (size_t i = offsetof(SHEETSTAMP, Beyond); i < sizeof stamp; ++i) h = (h ^ bytes[i]) * 16777619u;
  // Never 0: a record as other writers leave it holds no stamp.
  return uint16_t(((h >> 16) ^ h) | 1u);
}

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

LONG TSheetExtents::FilesLearnt() { return g_learnt; }

TSheetExtents::EXTENT TSheetExtents::Learn(HANDLE file) {
  ++g_learnt;
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

TSheetExtents::EXTENT TMapPassport::SheetObjectsExtent(int n, bool learn) {
  const LISTDESC* list = List(n);
  if (list == nullptr) return TSheetExtents::EXTENT{TSheetExtents::EXTENT_ANY, {}};
  TSheetExtents::EXTENT e = extents_.Get(n, counterSpan_);
  if (e.State != TSheetExtents::EXTENT_UNKNOWN || !learn) return e;
  // The record's stamp, while the counter is where it was left and this
  // map owes no raise for a change of its own.
  SHEETSTAMP stamp;
  std::memcpy(&stamp, list->Reserve, sizeof stamp);
  FRAME r;
  if (stamp.Check == StampCheck(stamp) && stamp.Counter == seenCounter_ && !counterOwed_ &&
      RegisterFrameOfSheet(n, &r)) {
    const int64_t v[4] = {int64_t(r.X1) - stamp.Beyond[0], int64_t(r.Y1) - stamp.Beyond[1],
                          int64_t(r.X2) + stamp.Beyond[2], int64_t(r.Y2) + stamp.Beyond[3]};
    if (std::all_of(v, v + 4, [](int64_t x) { return x >= INT32_MIN && x <= INT32_MAX; })) {
      e = TSheetExtents::EXTENT{TSheetExtents::EXTENT_FRAME,
                                FRAME{LONG(v[0]), LONG(v[1]), LONG(v[2]), LONG(v[3])}};
      extents_.Put(n, counterSpan_, e);
      return e;
    }
  }
  e = TSheetExtents::EXTENT{TSheetExtents::EXTENT_ANY, {}};
  // Only a file of the map's folder, by a name that passes the sheet's
  // checks, is read.
  char path[MAX_PATH];
  if (SheetNamesUsable(list) &&
      JoinFolderName(Folder, list->NameHDR, sizeof(list->NameHDR), path, sizeof(path))) {
    const HANDLE file = plat::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != nullptr && file != INVALID_HANDLE_VALUE) {
      e = TSheetExtents::Learn(file);
      plat::CloseHandle(file);
    }
  }
  extents_.Put(n, counterSpan_, e);
  return e;
}

void TMapPassport::SheetObjectWritten(int n, const FRAME& frame) { extents_.Written(n, frame); }

void TMapPassport::ForgetSheetExtents() { extents_.Forget(); }

void TMapPassport::SheetMadeEmpty(int n) {
  extents_.Put(n, counterSpan_, TSheetExtents::EXTENT{TSheetExtents::EXTENT_EMPTY, {}});
}

bool TMapPassport::RegisterFrameOfSheet(int n, FRAME* out) {
  const LISTDESC* list = List(n);
  if (list == nullptr || out == nullptr) return false;
  const DFRAME& f = list->Frame;
  const DOUBLEPOINT o =
      Passport.Register.IsRealPlace ? DOUBLEPOINT{0.0, 0.0} : list->ViewPosition;
  const double v[4] = {std::floor(std::min(f.X1, f.X2) - o.X), std::floor(std::min(f.Y1, f.Y2) - o.Y),
                       std::ceil(std::max(f.X1, f.X2) - o.X), std::ceil(std::max(f.Y1, f.Y2) - o.Y)};
  for (double d : v)
    if (!(d >= double(INT32_MIN) && d <= double(INT32_MAX))) return false;
  *out = FRAME{LONG(v[0]), LONG(v[1]), LONG(v[2]), LONG(v[3])};
  return true;
}

void TMapPassport::KeepSheetExtents() {
  if (File == nullptr || !IsWritable() || !raisedHere_ || counterOwed_) return;
  if (!ObserveChangeCounter()) return;
  const DWORD counter = seenCounter_;
  for (int n = 1; n <= Count(); ++n) {
    LISTDESC* list = List(n);
    SHEETSTAMP stamp;
    std::memcpy(&stamp, list->Reserve, sizeof stamp);
    if (stamp.Check == StampCheck(stamp) && stamp.Counter == counter) continue;
    const TSheetExtents::EXTENT e = SheetObjectsExtent(n, true);
    FRAME r;
    if (e.State != TSheetExtents::EXTENT_EMPTY && e.State != TSheetExtents::EXTENT_FRAME) continue;
    if (!RegisterFrameOfSheet(n, &r)) continue;
    stamp = SHEETSTAMP{0, {}, counter};
    if (e.State == TSheetExtents::EXTENT_FRAME) {
      const FRAME& o = e.Frame;
      const int64_t beyond[4] = {int64_t(r.X1) - o.X1, int64_t(r.Y1) - o.Y1,
                                 int64_t(o.X2) - r.X2, int64_t(o.Y2) - r.Y2};
      bool fits = true;
      for (int k = 0; k < 4; ++k) {
        fits = fits && beyond[k] <= UINT16_MAX;
        stamp.Beyond[k] = uint16_t(std::clamp<int64_t>(beyond[k], 0, UINT16_MAX));
      }
      if (!fits) continue;  // learnt by whoever asks
    }
    stamp.Check = StampCheck(stamp);
    // The widening goes out first and the counter after it: a record read
    // between the two holds a counter the file's has passed (a counter only
    // moves on), which never speaks.
    const int64_t at =
        PASSPORT_LENGTH + int64_t(n - 1) * LISTDESC_LENGTH + int64_t(offsetof(LISTDESC, Reserve));
    const DWORD head = DWORD(offsetof(SHEETSTAMP, Counter));
    if (plat::WriteExactAt(File, at, &stamp, head) &&
        plat::WriteExactAt(File, at + head, &stamp.Counter, sizeof stamp.Counter))
      std::memcpy(list->Reserve, &stamp, sizeof stamp);
  }
}
