#include "mapstore/sheetfile.h"

#include <algorithm>
#include <cstring>

#include "common/maperr.h"
#include "mapstore/mapjoin.h"
#include "platform/path.h"
#include "platform/fileio.h"

void InitHdrHead(HDRHEAD* head) {
  std::memset(head, 0, sizeof(*head));
  head->Ident = HDR_IDENT;
  head->NextKey = 1;
  head->Version = HDR_VERSION;
  head->Mark = HDR_MARK;
}

int CheckHdrHead(const HDRHEAD* head) {
  return head != nullptr && head->Ident == HDR_IDENT && head->Mark == HDR_MARK ? 1 : 0;
}

int CheckHdrCount(const HDRHEAD* head, int64_t length) {
  if (head == nullptr || head->Count < 0 || length < 0) return 0;
  if ((int64_t(head->Count) + 1) * SHEET_RECORD_SIZE > length) return 0;
  for (LONG end : {head->First, head->Last, head->LastPolygon, head->LastLine, head->LastPoint,
                   head->LastTitle, head->LastVector})
    if (end < 0 || end > head->Count) return 0;
  return 1;
}

bool IsMetric3D(DWORD marker) {
  return marker == METRIC_F64H || marker == METRIC_F32H || marker == METRIC_U16H;
}

int CheckDataRecord(const LONGMETRIC* metric) {
  if (metric == nullptr || !IsMetricMarker(metric->Ident)) return MAPERR_DATA;
  // The emptiness test reads the first contour's count word at offset 12,
  // so a record must reach past it: a shorter one cannot hold a contour.
  if (metric->Length < DWORD(METRIC_EMPTY_LENGTH) || metric->Length > DWORD(DATA_MAX_LENGTH))
    return MAPERR_DATA;
  DWORD firstCount;
  std::memcpy(&firstCount, reinterpret_cast<const char*>(metric) + METRIC_HEADER_SIZE,
              sizeof(firstCount));
  if (metric->Count == 0 && firstCount == 0) return MAPERR_DATA;
  return 0;
}

int CheckSemnRecord(const SEMANTIC* semn) {
  if (semn == nullptr || semn->Ident != SEMANTIC_IDENT) return MAPERR_DATA;
  if (semn->Length < SEMANTIC_HEAD || semn->Length > SEMN_MAX_LENGTH) return MAPERR_DATA;
  return 0;
}

int CheckDrawRecord(const IMGDRAW* draw) {
  if (draw == nullptr || draw->Ident != IMGDRAW_IDENT) return MAPERR_DATA;
  if (draw->Length < DWORD(IMGDRAW_HEAD) || draw->Length > DWORD(DRAW_MAX_LENGTH))
    return MAPERR_DATA;
  return 0;
}

int CheckReadData(const LONGMETRIC* metric, bool text) {
  if (CheckDataRecord(metric) != 0) return MAPERR_DATA;
  // Points of no known layout are read by no one but the painter, which
  // reads only what the record's bytes hold: such a record is taken by its
  // head alone.
  if (!MetricHasLayout(metric->Ident)) return 0;
  return MetricHeld(reinterpret_cast<const char*>(metric), metric->Length, text) ? 0
                                                                                 : MAPERR_DATA;
}

int CheckReadSemn(const SEMANTIC* semn) {
  if (CheckSemnRecord(semn) != 0) return MAPERR_DATA;
  return SemanticsSound(reinterpret_cast<const char*>(semn), semn->Length) ? 0 : MAPERR_DATA;
}

int CheckReadDraw(const IMGDRAW* draw) {
  if (CheckDrawRecord(draw) != 0) return MAPERR_DATA;
  return GraphicsSound(reinterpret_cast<const char*>(draw), draw->Length) ? 0 : MAPERR_DATA;
}

namespace {

constexpr uint64_t kOffsetLimit = 0x100000000ull;

int64_t Placed(uint64_t start, DWORD length) {
  return start + length <= kOffsetLimit ? static_cast<int64_t>(start) : -1;
}

// Keeps a record inside one 64 KB block with 16 bytes to spare.
uint64_t KeepInBlock(uint64_t start, DWORD length) {
  const uint64_t room = SHEET_BLOCK - SHEET_BLOCK_SPARE - (start & (SHEET_BLOCK - 1));
  if (length > room) start = (start | (SHEET_BLOCK - 1)) + 1;
  return start;
}

}  // namespace

int64_t PlaceDataRecord(uint64_t end, DWORD marker, DWORD length) {
  const uint64_t align = (marker & 0xFB) == 0xF8 ? 8 : 4;
  return Placed((end + align - 1) & ~(align - 1), length);
}

int64_t PlaceSemnRecord(uint64_t end, DWORD length) {
  return Placed(KeepInBlock((end + 1) & ~uint64_t(1), length), length);
}

int64_t PlaceDrawRecord(uint64_t end, DWORD length) {
  return Placed(KeepInBlock(end, length), length);
}

void CLAIMSPANS::Add(int64_t first, int64_t end) {
  if (end <= first) return;
  int i = 0;
  while (i < Count && Span[i].End < first) ++i;
  // Spans that meet the new one are joined to it.
  int j = i;
  while (j < Count && Span[j].First <= end) {
    if (Span[j].First < first) first = Span[j].First;
    if (Span[j].End > end) end = Span[j].End;
    ++j;
  }
  std::memmove(&Span[i + 1], &Span[j], sizeof(CLAIMSPAN) * size_t(Count - j));
  Count -= j - i - 1;
  Span[i] = CLAIMSPAN{first, end};
  if (Count <= CLAIM_SPANS) return;
  // One too many: the two nearest become one.
  int nearest = 0;
  for (int k = 1; k + 1 < Count; ++k)
    if (Span[k + 1].First - Span[k].End < Span[nearest + 1].First - Span[nearest].End)
      nearest = k;
  Span[nearest].End = Span[nearest + 1].End;
  std::memmove(&Span[nearest + 1], &Span[nearest + 2],
               sizeof(CLAIMSPAN) * size_t(Count - nearest - 2));
  --Count;
}

const CLAIMSPAN* CLAIMSPANS::Meets(int64_t at, int64_t length) const {
  for (int i = 0; i < Count; ++i)
    if (Span[i].First < at + length && at < Span[i].End) return &Span[i];
  return nullptr;
}

void FindSharedClaims(CLAIMSPAN* records, size_t count, CLAIMSPANS& shared) {
  std::sort(records, records + count,
            [](const CLAIMSPAN& a, const CLAIMSPAN& b) { return a.First < b.First; });
  // Every record before this one starts at or before it: the farthest any
  // of them reaches is what this one shares from its first byte.
  int64_t reach = 0;
  for (size_t i = 0; i < count; ++i) {
    const CLAIMSPAN& r = records[i];
    if (r.First < reach) shared.Add(r.First, r.End < reach ? r.End : reach);
    if (r.End > reach) reach = r.End;
  }
}

int SheetRecordHead(int file) { return file == SHEET_SEM ? 4 : 8; }

int SheetRecordMarker(int file) { return file == SHEET_SEM ? 2 : 4; }

DWORD ClaimedLength(int file, const char* head, bool* taken) {
  DWORD marker, length;
  std::memcpy(&marker, head, 4);
  std::memcpy(&length, head + 4, 4);
  switch (file) {
    case SHEET_DAT:
      *taken = IsMetricMarker(marker) && length >= DWORD(DATA_MIN_LENGTH) &&
               length <= DWORD(DATA_MAX_LENGTH);
      break;
    case SHEET_SEM: {
      WORD mark, size;
      std::memcpy(&mark, head, 2);
      std::memcpy(&size, head + 2, 2);
      length = size;
      *taken = mark == SEMANTIC_IDENT && size >= SEMANTIC_HEAD && size <= SEMN_MAX_LENGTH;
      break;
    }
    default:
      *taken = marker == IMGDRAW_IDENT && length >= DWORD(IMGDRAW_HEAD) &&
               length <= DWORD(DRAW_MAX_LENGTH);
      break;
  }
  return *taken ? length : DWORD(SheetRecordHead(file));
}

int64_t PlaceSheetRecord(int file, uint64_t end, DWORD marker, DWORD length,
                         const CLAIMSPANS& claims) {
  for (;;) {
    const int64_t at = file == SHEET_DAT   ? PlaceDataRecord(end, marker, length)
                       : file == SHEET_SEM ? PlaceSemnRecord(end, length)
                                           : PlaceDrawRecord(end, length);
    if (at < 0) return at;
    const CLAIMSPAN* span = claims.Meets(at, length);
    if (span == nullptr) return at;
    end = uint64_t(span->End);
  }
}

const char* SheetFileExtension(int file, int userMap) {
  static const char* const kMap[SHEET_FILES] = {".HDR", ".DAT", ".SEM", ".GRA"};
  static const char* const kUser[SHEET_FILES] = {".SHD", ".SDA", ".SSE", ".SGR"};
  if (file < 0 || file >= SHEET_FILES) return "";
  return userMap ? kUser[file] : kMap[file];
}

void SheetBareName(const char* given, size_t length, char* name, size_t size) {
  if (size == 0) return;
  name[0] = 0;
  if (given == nullptr) return;
  char whole[MAX_PATH];
  const size_t n = strnlen(given, std::min(length, sizeof(whole) - 1));
  std::memcpy(whole, given, n);
  whole[n] = 0;
  const char* start = whole[0] == '\\' ? whole + 1 : whole;
  char fname[MAX_FNAME] = {};
  plat::SplitPath(start, nullptr, nullptr, fname, nullptr);
  const size_t kept = strnlen(fname, size - 1);
  std::memcpy(name, fname, kept);
  name[kept] = 0;
}

bool SheetFileNameOf(const char* folder, const char* bare, int file, int userMap, char* out,
                     size_t size) {
  char base[SHEET_BASE_LENGTH + 1];
  const size_t n = strnlen(bare, SHEET_BASE_LENGTH);
  std::memcpy(base, bare, n);
  base[n] = 0;
  return JoinText(out, size, {folder, base, SheetFileExtension(file, userMap)});
}

const char* SheetBackupExtension(int file, int userMap) {
  static const char* const kMap[SHEET_FILES] = {".^HD", ".^DA", ".^SE", ".^GR"};
  static const char* const kUser[SHEET_FILES] = {".^SH", ".^SD", ".^SS", ".^SG"};
  if (file < 0 || file >= SHEET_FILES) return "";
  return userMap ? kUser[file] : kMap[file];
}

DWORD SheetFileIdent(int file) {
  static const DWORD kIdent[SHEET_FILES] = {HDR_IDENT, DAT_IDENT, SEM_IDENT, DRW_IDENT};
  return file >= 0 && file < SHEET_FILES ? kIdent[file] : 0;
}

int WriteSheetBytes(HANDLE file, int64_t offset, const void* data, DWORD size) {
  DWORD written = 0;
  const BOOL ok = plat::WriteAt(file, offset, data, size, &written);
  if (ok && written == size) return 0;
  return ok || plat::GetLastError() == ERROR_DISK_FULL ? MAPERR_DISKFULL : MAPERR_WRITE;
}
