#include "mapstore/sheetextents.h"

#include <algorithm>
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

TSheetExtents::EXTENT TSheetExtents::Learn(HANDLE file) {
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
