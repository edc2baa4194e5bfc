// The point register with its application to the other objects of a map,
// and the list of objects written by a cutting commit.
#include "objects/pointregister.h"

#include <cstring>

#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "platform/memory.h"

namespace {

const int kMoveSize = int(sizeof(POINTMOVE));
const int kEntrySize = int(sizeof(NEWOBJECT));

// A block of `size` bytes copied from `old` (`used` bytes), or null.
char* GrowBlock(char* old, int used, int size) {
  char* block = static_cast<char*>(plat::AllocPages(SIZE_T(size)));
  if (block == nullptr) return nullptr;
  if (old != nullptr && used > 0) std::memcpy(block, old, SIZE_T(used));
  return block;
}

}  // namespace

// ---------------------------------------------------------------------------
// TPointRegister

TPointRegister::~TPointRegister() { Release(); }

int TPointRegister::SetInfo(TObjectInfo* object) {
  if (object == nullptr) return 0;
  Info = object;
  return Clear();
}

void TPointRegister::Release() {
  if (Block != nullptr) plat::FreePages(Block);
  Block = nullptr;
  Current = nullptr;
  BufferSize = CurrentNumber = PointCount = Used = 0;
}

int TPointRegister::Allocate(int size) {
  Release();
  if (size <= 0) return 0;
  Block = static_cast<char*>(plat::AllocPages(SIZE_T(size)));
  if (Block == nullptr) return 0;
  BufferSize = size;
  return size;
}

int TPointRegister::Clear() {
  if (Block == nullptr && !Allocate(LISTBLOCK_STEP)) return 0;
  PointCount = CurrentNumber = Used = 0;
  Current = nullptr;
  return 1;
}

int TPointRegister::Realloc() {
  const int size = BufferSize + LISTBLOCK_STEP;
  if (size > LISTBLOCK_LIMIT) return 0;
  char* block = GrowBlock(Block, Used, size);
  if (block == nullptr) return 0;
  if (Block != nullptr) plat::FreePages(Block);
  Block = block;
  BufferSize = size;
  Current = CurrentNumber >= 1 ? reinterpret_cast<POINTMOVE*>(Block) + (CurrentNumber - 1) : nullptr;
  return size;
}

int TPointRegister::PutPoint(int mode, double oldX, double oldY, double newX, double newY,
                             double height, double precision) {
  if (Block == nullptr) return 0;
  while (Used + kMoveSize > BufferSize)
    if (!Realloc()) return 0;
  POINTMOVE* entry = reinterpret_cast<POINTMOVE*>(Block + Used);
  *entry = POINTMOVE{oldX, oldY, newX, newY, height, precision, mode};
  Used += kMoveSize;
  CurrentNumber = ++PointCount;
  Current = entry;
  return 1;
}

POINTMOVE* TPointRegister::GetPoint(int n) {
  if (Block == nullptr || n < 1 || n > PointCount) return nullptr;
  CurrentNumber = n;
  return Current = reinterpret_cast<POINTMOVE*>(Block) + (n - 1);
}

POINTMOVE* TPointRegister::GetFirstPoint() {
  if (Block == nullptr || PointCount < 1 || CurrentNumber < 1) return nullptr;
  return GetPoint(1);
}

POINTMOVE* TPointRegister::GetNextPoint() {
  if (CurrentNumber < 1 || CurrentNumber >= PointCount) return nullptr;
  return GetPoint(CurrentNumber + 1);
}

int TPointRegister::Load(const TPointRegister* source) {
  if (source == nullptr || source == this || source->PointCount < 1 || source->Block == nullptr)
    return 0;
  if (!Clear()) return 0;
  const POINTMOVE* moves = reinterpret_cast<const POINTMOVE*>(source->Block);
  for (int i = 0; i < source->PointCount; ++i) {
    const POINTMOVE& m = moves[i];
    if (!PutPoint(m.Mode, m.OldX, m.OldY, m.NewX, m.NewY, m.NewH, m.Precision)) return 0;
  }
  return 1;
}

namespace {

// Moves the first point of the metric lying within `m.Precision` of the
// old point (map units: stored plus `origin`) to the new one; a closed
// contour whose first or last point moved is closed again. True when a
// point moved.
bool MoveSharedPoint(TDataEdit& metric, const POINTMOVE& m, const DOUBLEPOINT& origin) {
  const double limit = m.Precision * m.Precision;
  const double ox = m.OldX - origin.X, oy = m.OldY - origin.Y;
  const int subjects = metric.Record->Count;
  for (int s = 0; s <= subjects; ++s) {
    const int count = metric.PointCount(s);
    if (count < 1) continue;
    const bool closed = count > 1 && metric.XNDouble(1) == metric.XNDouble(count) &&
                        metric.YNDouble(1) == metric.YNDouble(count);
    for (int i = 1; i <= count; ++i) {
      if (metric.GoPointSubject(i, s) == nullptr) break;
      const double dx = metric.XDouble() - ox, dy = metric.YDouble() - oy;
      if (!(dx == 0 && dy == 0) && dx * dx + dy * dy > limit) continue;
      const double nx = m.NewX - origin.X, ny = m.NewY - origin.Y;
      metric.XDouble(nx);
      metric.YDouble(ny);
      // A move without a height keeps the heights the other object has.
      if (m.NewH != METRIC_NO_HEIGHT) metric.HDouble(m.NewH);
      if (closed && (i == 1 || i == count)) {
        const int other = i == 1 ? count : 1;
        if (metric.GoPointSubject(other, s) != nullptr) {
          metric.XDouble(nx);
          metric.YDouble(ny);
          if (m.NewH != METRIC_NO_HEIGHT) metric.HDouble(m.NewH);
        }
      }
      return true;
    }
  }
  return false;
}

}  // namespace

int TPointRegister::UpdatePoints() {
  if (Info == nullptr || Block == nullptr || PointCount < 1) return 0;
  TMap* map = Info->GetMap();
  if (map == nullptr || !map->IsActive()) return 0;
  const POINTMOVE* moves = reinterpret_cast<const POINTMOVE*>(Block);
  const int layer = Info->Desc != nullptr ? Info->Desc->Segment : -1;
  // The frame the moves can reach: objects outside it are passed over by
  // their descriptor alone.
  double fx1 = 0, fy1 = 0, fx2 = 0, fy2 = 0;
  for (int e = 0; e < PointCount; ++e) {
    const POINTMOVE& m = moves[e];
    const double p = m.Precision < 0 ? -m.Precision : m.Precision;
    if (e == 0 || m.OldX - p < fx1) fx1 = m.OldX - p;
    if (e == 0 || m.OldY - p < fy1) fy1 = m.OldY - p;
    if (e == 0 || m.OldX + p > fx2) fx2 = m.OldX + p;
    if (e == 0 || m.OldY + p > fy2) fy2 = m.OldY + p;
  }

  TDataEdit work;
  work.Init();
  const int sheets = map->Count();
  for (int sheet = 1; sheet <= sheets; ++sheet) {
    if (!map->OpenList(sheet)) continue;
    DOUBLEPOINT origin{0.0, 0.0};
    if (!map->IsRealPlace())
      if (const DOUBLEPOINT* position = map->ViewPosition(sheet)) origin = *position;
    const int count = map->List.Count();
    for (int n = 1; n <= count; ++n) {
      const FVSPR* desc = map->List.ObjectDesc(n);
      if (desc == nullptr || desc->Code == OBJECT_SERVICE_FRAME || FvsprIsDeleted(desc)) continue;
      if (map == Info->GetMap() && sheet == Info->ListNumber() && n == Info->ObjectNumber())
        continue;
      // A point on the frame's edge, such as a corner at the object's own
      // extreme vertex, is looked for too.
      const double x1 = desc->X1 + origin.X, y1 = desc->Y1 + origin.Y;
      const double x2 = desc->X2 + origin.X, y2 = desc->Y2 + origin.Y;
      if (fx1 > x2 || fx2 < x1 || fy1 > y2 || fy2 < y1) continue;
      FVSPR copy = *desc;
      bool loaded = false, changed = false, failed = false;
      for (int e = 0; e < PointCount && !failed; ++e) {
        const POINTMOVE& m = moves[e];
        if (m.Mode == POINTMOVE_LAYER && copy.Segment != layer) continue;
        if (m.OldX + m.Precision < x1 || m.OldX - m.Precision > x2 ||
            m.OldY + m.Precision < y1 || m.OldY - m.Precision > y2)
          continue;
        if (!loaded) {
          const LONGMETRIC* record = map->List.DataAddr(copy.DataOffset);
          const int local = FvsprLocal(&copy);
          if (record == nullptr ||
              !work.Load(record, local == LOCAL_TITLE || local == LOCAL_MIXED)) {
            failed = true;
            break;
          }
          loaded = true;
        }
        if (MoveSharedPoint(work, moves[e], origin)) changed = true;
      }
      if (!changed || failed) continue;
      // The object is written back whole as an object of its own: the
      // semantics and graphics records lie in caches of their own.
      TObjectInfo other(map, TObjectDesc(&copy), TObjectData(work.Record),
                        TObjectSemn(map->List.SemnAddr(copy.SemnOffset)), sheet, n,
                        TObjectDraw(map->List.DrawAddr(copy.DrawOffset)));
      if (other.Desc == nullptr) continue;
      other.Metric.ChangedFlag = 1;
      // Written where it now lies: an object that a move carries over its
      // sheet's frame is cut there. One that lies in no sheet's frame is
      // rewritten in place all the same, so that it keeps the shared point.
      // The write may leave another sheet open.
      if (other.CommitWithPlace(1, 0, nullptr) == -2 && map->OpenList(sheet)) other.Commit(1);
      if (!map->OpenList(sheet)) break;
    }
  }
  work.Free();
  Clear();
  return 1;
}

// ---------------------------------------------------------------------------
// TNewObjectsList

TNewObjectsList::TNewObjectsList() { Allocate(LISTBLOCK_STEP); }

TNewObjectsList::~TNewObjectsList() {
  if (Block != nullptr) plat::FreePages(Block);
  Entries = nullptr;
  Block = nullptr;
  BufferSize = Used = 0;
}

int TNewObjectsList::Allocate(int size) {
  if (Block != nullptr) plat::FreePages(Block);
  Block = nullptr;
  Entries = nullptr;
  BufferSize = Used = 0;
  if (size <= 0) return 0;
  Block = static_cast<char*>(plat::AllocPages(SIZE_T(size)));
  if (Block == nullptr) return 0;
  Entries = reinterpret_cast<NEWOBJECT*>(Block);
  BufferSize = size;
  return size;
}

void TNewObjectsList::Clear() {
  if (Block != nullptr) std::memset(Block, 0, SIZE_T(BufferSize));
  Used = 0;
}

int TNewObjectsList::Realloc() {
  const int size = BufferSize + LISTBLOCK_STEP;
  if (size > LISTBLOCK_LIMIT) return 0;
  char* block = GrowBlock(Block, Used, size);
  if (block == nullptr) return 0;
  if (Block != nullptr) plat::FreePages(Block);
  Block = block;
  Entries = reinterpret_cast<NEWOBJECT*>(Block);
  BufferSize = size;
  return size;
}

int TNewObjectsList::AddObject(LONG sheet, LONG object) {
  if (sheet < 1 || object < 1) return 0;
  while (Block == nullptr || Used + kEntrySize > BufferSize)
    if (!Realloc()) return 0;
  NEWOBJECT* entry = reinterpret_cast<NEWOBJECT*>(Block + Used);
  *entry = NEWOBJECT{sheet, object, 0};
  Used += kEntrySize;
  return 1;
}

int TNewObjectsList::GetObjectCount() const { return Used / kEntrySize; }

int TNewObjectsList::GetObjectCount(LONG sheet) const {
  int count = 0;
  for (int i = 0, total = GetObjectCount(); i < total; ++i)
    if (Entries[i].Sheet == sheet) ++count;
  return count;
}

LONG TNewObjectsList::GetObjectA(LONG sheet, int n) const {
  const int total = GetObjectCount();
  if (n < 1 || n > total) return 0;
  for (int i = 0; i < total; ++i)
    if (Entries[i].Sheet == sheet && --n == 0) return Entries[i].Object;
  return 0;
}

NEWOBJECT* TNewObjectsList::GetData(int n) const {
  if (n < 1 || n > GetObjectCount()) return nullptr;
  return Entries + (n - 1);
}

double TNewObjectsList::SetProcent(double p) {
  if (p > 0.001) Procent = p;
  return Procent;
}
