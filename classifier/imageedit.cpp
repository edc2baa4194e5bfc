// The vector sign editor.
#include "classifier/imageedit.h"
#include "classifier/imageinternal.h"

#include <cstring>
#include <initializer_list>

#include "platform/memory.h"
#include "platform/numeric.h"

using imgedit::Extent;
using imgedit::ScaleFactor;

namespace {

inline bool IsIndexColor(DWORD c) { return (c & 0xFF000000u) == PRIM_COLORINDEX; }

// Coordinates move with 32-bit wrap-around: a damaged sign whose points lie
// near the ends of the range must not overflow signed arithmetic.
inline LONG AddWrap(LONG a, LONG b) { return LONG(DWORD(a) + DWORD(b)); }
inline LONG SubWrap(LONG a, LONG b) { return LONG(DWORD(a) - DWORD(b)); }
inline void MovePoint(LONGPOINT* p, const LONGPOINT* delta) {
  p->X = AddWrap(p->X, delta->X);
  p->Y = AddWrap(p->Y, delta->Y);
}

}  // namespace

TVectorImageEdit::TVectorImageEdit()
    : Vector(nullptr),
      BufferSize(0),
      Point(nullptr),
      PointNo(0),
      SubjectNo(0),
      Subject(nullptr),
      OwnBuffer(nullptr),
      Changed(0) {}

TVectorImageEdit::~TVectorImageEdit() { Detach(); }

void TVectorImageEdit::Detach() {
  if (OwnBuffer) plat::FreePages(OwnBuffer);
  OwnBuffer = nullptr;
  Vector = nullptr;
  BufferSize = 0;
  Point = nullptr;
  PointNo = 0;
  SubjectNo = 0;
  Subject = nullptr;
}

// --- subjects ---------------------------------------------------------

bool TVectorImageEdit::At(DWORD offset, Subj* s) const {
  const uint64_t end = Vector->Length < DWORD(BufferSize) ? Vector->Length : DWORD(BufferSize);
  if (uint64_t(offset) + 8 > end) return false;
  auto* head = (const IMGVECTSUBJECT*)((const char*)Vector + offset);
  const uint64_t parm = head->Length;
  if (offset + 4 + parm + 4 > end) return false;
  DWORD points;
  std::memcpy(&points, (const char*)Vector + offset + 4 + parm, 4);
  const uint64_t size = 8 + parm + 8 * uint64_t(points);
  if (offset + size > end) return false;
  s->Offset = offset;
  s->Parm = DWORD(parm);
  s->Points = points;
  s->Size = DWORD(size);
  return true;
}

bool TVectorImageEdit::Find(int n, Subj* s) const {
  if (!Vector || n < 1 || DWORD(n) > Vector->Count) return false;
  DWORD offset = IMGVECT_HEAD;
  for (int i = 1;; i++) {
    if (!At(offset, s)) return false;
    if (i == n) return true;
    offset += s->Size;
  }
}

int TVectorImageEdit::SubjectCount() const {
  if (!Vector) return 0;
  Subj s;
  DWORD offset = IMGVECT_HEAD;
  int n = 0;
  while (DWORD(n) < Vector->Count && At(offset, &s)) {
    n++;
    offset += s.Size;
  }
  return n;
}

int TVectorImageEdit::PointCount(int n) const {
  Subj s;
  return Find(n, &s) ? int(s.Points) : 0;
}

int TVectorImageEdit::SubjectKind(int n) const {
  Subj s;
  return Find(n, &s) ? ((const BYTE*)Vector)[s.Offset] : -1;
}

int TVectorImageEdit::SetSubjectKind(int n, int kind) {
  Subj s;
  if (!Find(n, &s) || kind < 0 || kind > 255) return 0;
  ((BYTE*)Vector)[s.Offset] = BYTE(kind);
  Changed = 1;
  return 1;
}

LONGPOINT* TVectorImageEdit::PointAt(const Subj& s, DWORD i) const {
  return (LONGPOINT*)((char*)Vector + s.Offset + 8 + s.Parm + 8 * i);
}

// Subjects follow each other without alignment: the count is copied.
void TVectorImageEdit::StoreCount(const Subj& s, DWORD count) {
  std::memcpy((char*)Vector + s.Offset + 4 + s.Parm, &count, 4);
}

void TVectorImageEdit::Position(int n, int point) {
  Subj s;
  if (!Find(n, &s)) {
    SubjectNo = Vector && Vector->Count == 0 ? 1 : 0;
    Subject = SubjectNo ? (char*)Vector + IMGVECT_HEAD : nullptr;
    PointNo = 0;
    Point = nullptr;
    return;
  }
  if (point < 0 || DWORD(point) > s.Points) point = s.Points ? 1 : 0;
  SubjectNo = n;
  Subject = (char*)Vector + s.Offset;
  PointNo = point;
  Point = PointAt(s, point ? point - 1 : 0);
}

LONGPOINT* TVectorImageEdit::CurrentPoint() const {
  Subj s;
  if (PointNo < 1 || !Find(SubjectNo, &s) || DWORD(PointNo) > s.Points) return nullptr;
  return PointAt(s, PointNo - 1);
}

// --- buffers ----------------------------------------------------------

int TVectorImageEdit::Allocate(int size) {
  char* block = imgedit::NewBlock(size, IMGVECT_CREATESIZE);
  Detach();
  if (!block) return 0;
  OwnBuffer = block;
  Vector = (IMGVECTOREX*)block;
  BufferSize = size;
  Create();
  return size;
}

int TVectorImageEdit::Realloc() {
  char* block = OwnBuffer ? imgedit::GrowBlock(OwnBuffer, BufferSize) : nullptr;
  if (!block) return 0;
  Subject = imgedit::Moved(Subject, OwnBuffer, block);
  Point = imgedit::Moved(Point, OwnBuffer, block);
  imgedit::TakeGrown(OwnBuffer, BufferSize, block);
  Vector = (IMGVECTOREX*)block;
  return BufferSize;
}

int TVectorImageEdit::Create() {
  if (!Vector || BufferSize < IMGVECT_CREATESIZE) return Allocate(IMGEDIT_DEFAULTSIZE) ? 1 : 0;
  std::memset(Vector, 0, IMGVECT_CREATESIZE);
  Vector->Length = IMGVECT_HEAD;
  Vector->AnchorY = IMGVECT_ANCHOR;
  Vector->AnchorX = IMGVECT_ANCHOR;
  Vector->Base = IMGVECT_BASE;
  Vector->ScaleY[1] = IMGVECT_SCALE;
  Vector->ScaleY[2] = IMGVECT_SCALE;
  Vector->ScaleX[1] = IMGVECT_SCALE;
  Vector->ScaleX[2] = IMGVECT_SCALE;
  SubjectNo = 1;
  Subject = (char*)Vector + IMGVECT_HEAD;
  PointNo = 0;
  Point = nullptr;
  Changed = 1;
  return 1;
}

int TVectorImageEdit::SetBuffer(IMGVECTOREX* image, LONG length) {
  if (!image) {
    Detach();
    return 0;
  }
  if (length == 0) length = LONG(image->Length);
  if (length < IMGVECT_HEAD || image->Length < IMGVECT_HEAD || image->Length > DWORD(length)) {
    Detach();
    return 0;
  }
  if ((char*)image != OwnBuffer) {
    Detach();
  }
  Vector = image;
  BufferSize = length;
  Changed = 0;
  Position(1, 1);
  return 1;
}

LONG TVectorImageEdit::Load(const IMGVECTOREX* image) {
  if (!image) {
    Create();
    return 0;
  }
  const DWORD length = image->Length;
  if (length > DWORD(IMGEDIT_LIMIT)) return 0;
  if (length < DWORD(IMGVECT_HEAD)) {
    Create();
    return 0;
  }
  if (!Vector || uint64_t(BufferSize) < uint64_t(length) + IMGEDIT_LOADROOM) {
    // A new block first: the image may lie in the block being replaced.
    const LONG size = LONG(length) + IMGEDIT_STEP;
    char* block = (char*)plat::AllocPages(SIZE_T(size));
    if (!block) return 0;
    std::memcpy(block, image, length);
    Detach();
    OwnBuffer = block;
    Vector = (IMGVECTOREX*)block;
    BufferSize = size;
  } else {
    std::memmove(Vector, image, length);
  }
  Changed = 0;
  Position(1, 1);
  return LONG(length);
}

LONG TVectorImageEdit::Unload(char* buffer, int size) {
  if (!Vector || !buffer) return 0;
  const DWORD length = Vector->Length;
  if (size < 0 || DWORD(size) < length) return 0;
  std::memmove(buffer, Vector, length);
  return LONG(length);
}

bool TVectorImageEdit::Grow(DWORD need) {
  if (!Vector) return false;
  while (uint64_t(Vector->Length) + need > uint64_t(BufferSize)) {
    if (!Realloc()) return false;
  }
  return true;
}

// Opens `bytes` zero bytes at offset, moving the rest of the image.
bool TVectorImageEdit::Insert(DWORD offset, DWORD bytes) {
  if (!Grow(bytes)) return false;
  char* base = (char*)Vector;
  std::memmove(base + offset + bytes, base + offset, Vector->Length - offset);
  std::memset(base + offset, 0, bytes);
  Vector->Length += bytes;
  Changed = 1;
  return true;
}

void TVectorImageEdit::Remove(DWORD offset, DWORD bytes) {
  char* base = (char*)Vector;
  std::memmove(base + offset, base + offset + bytes, Vector->Length - offset - bytes);
  Vector->Length -= bytes;
  Changed = 1;
}

// --- positions --------------------------------------------------------

int TVectorImageEdit::FirstPoint(int n) {
  Subj s;
  if (!Find(n, &s)) return 0;
  Position(n, s.Points ? 1 : 0);
  return 1;
}

int TVectorImageEdit::LastPoint(int n) {
  Subj s;
  if (!Find(n, &s)) return 0;
  Position(n, int(s.Points));
  return 1;
}

int TVectorImageEdit::DescPointSubject(int n) { return LastPoint(n); }

// --- subjects ---------------------------------------------------------

int TVectorImageEdit::CreateSubject() {
  if (!Vector) return 0;
  if (Vector->Length + 20 >= DWORD(BufferSize) && !Realloc()) return 0;
  // Only whole subjects count: a lying count is cut to what is there.
  const int count = SubjectCount();
  DWORD offset = IMGVECT_HEAD;
  Subj s;
  for (int i = 1; i <= count && At(offset, &s); i++) offset += s.Size;
  const DWORD tail = Vector->Length - offset;
  if (!Insert(offset, IMGVECT_EMPTYSUBJECT)) return 0;
  Vector->Length -= tail;  // anything after the last whole subject is dropped
  auto* head = (IMGVECTSUBJECT*)((char*)Vector + offset);
  head->Length = 4;
  Vector->Count = DWORD(count + 1);
  Position(count + 1, 0);
  return 1;
}

int TVectorImageEdit::DeleteSubject(int n) {
  Subj s;
  if (!Find(n, &s)) return 0;
  if (s.Offset == IMGVECT_HEAD && s.Size + IMGVECT_HEAD >= Vector->Length) {
    Create();
    return 0;
  }
  Remove(s.Offset, s.Size);
  Vector->Count--;
  Position(1, 1);
  return 1;
}

// --- points -----------------------------------------------------------

int TVectorImageEdit::AppendPoint(int n, LONG x, LONG y) {
  Subj s;
  if (!Find(n, &s)) return 0;
  const DWORD at = s.Offset + s.Size;
  if (!Insert(at, sizeof(LONGPOINT))) return 0;
  auto* p = (LONGPOINT*)((char*)Vector + at);
  p->X = x;
  p->Y = y;
  StoreCount(s, s.Points + 1);
  Position(n, int(s.Points + 1));
  return int(s.Points + 1);
}

int TVectorImageEdit::InsertPoint(LONG x, LONG y) {
  Subj s;
  int n = SubjectNo;
  if (!Find(n, &s)) {
    n = 1;
    if (!Find(n, &s)) return 0;
  }
  if (PointNo < 1 || DWORD(PointNo) > s.Points || SubjectNo != n) return AppendPoint(n, x, y);
  const int after = PointNo;
  const DWORD at = s.Offset + 8 + s.Parm + 8 * DWORD(after);
  if (!Insert(at, sizeof(LONGPOINT))) return 0;
  auto* p = (LONGPOINT*)((char*)Vector + at);
  p->X = x;
  p->Y = y;
  StoreCount(s, s.Points + 1);
  Position(n, after + 1);
  return after + 1;
}

int TVectorImageEdit::DeletePoint() {
  Subj s;
  if (!Vector || Vector->Length < DWORD(IMGVECT_CREATESIZE)) return 0;
  if (!Find(SubjectNo, &s) || PointNo < 1 || DWORD(PointNo) > s.Points) return 0;
  Remove(s.Offset + 8 + s.Parm + 8 * DWORD(PointNo - 1), sizeof(LONGPOINT));
  StoreCount(s, s.Points - 1);
  const int point = DWORD(PointNo) > s.Points - 1 ? int(s.Points - 1) : PointNo;
  Position(SubjectNo, point);
  return 1;
}

int TVectorImageEdit::DeleteEqualPoint() {
  if (!Vector) return 0;
  const int count = SubjectCount();
  for (int n = 1; n <= count; n++) {
    Subj s;
    if (!Find(n, &s)) break;
    DWORD i = 1;
    DWORD points = s.Points;
    while (i < points) {
      LONGPOINT* prev = PointAt(s, i - 1);
      LONGPOINT* cur = PointAt(s, i);
      if (prev->X == cur->X && prev->Y == cur->Y) {
        Remove(DWORD((char*)cur - (char*)Vector), sizeof(LONGPOINT));
        points--;
        StoreCount(s, points);
      } else {
        i++;
      }
    }
  }
  Position(1, 1);
  return 1;
}

int TVectorImageEdit::SeekNearPoint(int n, LONG x, LONG y, int from) {
  Subj s;
  if (!Find(n, &s)) return 0;
  if (from < 1) from = 1;
  double best = 1.7e300;
  int found = 0;
  for (DWORD i = DWORD(from); i <= s.Points; i++) {
    const LONGPOINT* p = PointAt(s, i - 1);
    const double dx = double(p->X) - x, dy = double(p->Y) - y;
    const double d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      found = int(i);
    }
  }
  if (found) Position(n, found);
  return found;
}

int TVectorImageEdit::SeekNearPoint(LONG x, LONG y) {
  const int count = SubjectCount();
  double best = 1.7e300;
  int found = 0, running = 0, subject = 0, point = 0;
  for (int n = 1; n <= count; n++) {
    Subj s;
    if (!Find(n, &s)) break;
    for (DWORD i = 1; i <= s.Points; i++) {
      running++;
      const LONGPOINT* p = PointAt(s, i - 1);
      const double dx = double(p->X) - x, dy = double(p->Y) - y;
      const double d = dx * dx + dy * dy;
      if (d < best) {
        best = d;
        found = running;
        subject = n;
        point = int(i);
      }
    }
  }
  if (found) Position(subject, point);
  return found;
}

int TVectorImageEdit::RelocateSubject(int n, const LONGPOINT* delta) {
  Subj s;
  if (!delta || !Find(n, &s)) return 0;
  for (DWORD i = 0; i < s.Points; i++) MovePoint(PointAt(s, i), delta);
  Changed = 1;
  return 1;
}

int TVectorImageEdit::RelocateObject(const LONGPOINT* delta, int flag) {
  if (!delta || !Vector) return 0;
  const int count = SubjectCount();
  for (int n = count; n >= 1; n--) {
    Subj s;
    if (!Find(n, &s)) continue;
    const int kind = ((BYTE*)Vector)[s.Offset];
    if (kind >= VECT_BLOCKOPEN && kind <= VECT_BLOCKCLOSE) continue;
    auto move = [&](DWORD i) {
      if (i < s.Points) MovePoint(PointAt(s, i), delta);
    };
    if (IsVectorCircleKind(kind)) {
      if (flag) continue;
      move(0);
      if (kind == 66 || kind == 67 || kind == 70) {
        move(2);
        move(3);
      }
      continue;
    }
    for (DWORD i = 0; i < s.Points; i++) move(i);
  }
  Changed = 1;
  return 1;
}

int TVectorImageEdit::GetCenter(LONGPOINT* center) const {
  if (!Vector || !center) return 0;
  center->X = Vector->AnchorX;
  center->Y = Vector->AnchorY;
  return 1;
}

int TVectorImageEdit::SetCenter(const LONGPOINT* center) {
  if (!Vector || !center) return 0;
  LONGPOINT delta{SubWrap(Vector->AnchorX, center->X), SubWrap(Vector->AnchorY, center->Y)};
  RelocateObject(&delta, 1);
  Vector->AnchorX = center->X;
  Vector->AnchorY = center->Y;
  Changed = 1;
  return 1;
}

// --- parameters -------------------------------------------------------

char* TVectorImageEdit::Parm(const char* data, int length) {
  Subj s;
  if (!Find(SubjectNo, &s)) return nullptr;
  char* parm = (char*)Vector + s.Offset + 4;
  if (!data) return parm;
  if (length <= 0 || length > 0xFFFF) return nullptr;
  const imgedit::Source source(data, size_t(length), Vector, BufferSize);
  if (DWORD(length) > s.Parm) {
    if (!Insert(s.Offset + 4 + s.Parm, DWORD(length) - s.Parm)) return nullptr;
  } else if (DWORD(length) < s.Parm) {
    Remove(s.Offset + 4 + DWORD(length), s.Parm - DWORD(length));
  }
  parm = (char*)Vector + s.Offset + 4;
  std::memmove(parm, source.data(), size_t(length));
  ((IMGVECTSUBJECT*)((char*)Vector + s.Offset))->Length = WORD(length);
  Changed = 1;
  Position(SubjectNo, PointNo);
  return parm;
}

int TVectorImageEdit::ParmLength() const {
  Subj s;
  return Find(SubjectNo, &s) ? int(s.Parm) : 0;
}

// --- measures ---------------------------------------------------------

int TVectorImageEdit::GetImageSize(IMAGESIZE* size) const {
  if (!size || !Vector) return 0;
  Extent e;
  const int count = SubjectCount();
  for (int n = 1; n <= count; n++) {
    Subj s;
    if (!Find(n, &s)) break;
    const int kind = ((BYTE*)Vector)[s.Offset];
    const DWORD first = IsVectorCircleKind(kind) ? 2 : 0;
    for (DWORD i = first; i < s.Points; i++) {
      const LONGPOINT* p = PointAt(s, i);
      e.Add(p->X, p->Y);
    }
  }
  const double fy = ScaleFactor(Vector->ScaleY), fx = ScaleFactor(Vector->ScaleX);
  size->Base = LONG(Vector->Base);
  size->Flags = LONG((Vector->Flags & 1) | 4);
  size->Top = plat::TruncateTo<LONG>(-e.minY * fy);
  size->Height = plat::TruncateTo<LONG>((e.maxY - e.minY) * fy);
  size->Left = plat::TruncateTo<LONG>(-e.minX * fx);
  size->Width = plat::TruncateTo<LONG>((e.maxX - e.minX) * fx);
  return 1;
}

LONG TVectorImageEdit::Border() {
  if (!Vector) return 0;
  Extent e;
  const int count = SubjectCount();
  for (int n = 1; n <= count; n++) {
    Subj s;
    if (!Find(n, &s)) break;
    const int kind = ((BYTE*)Vector)[s.Offset];
    if (IsVectorCircleKind(kind)) {
      if (s.Points < 2) continue;
      const LONGPOINT* c = PointAt(s, 0);
      const LONGPOINT* r = PointAt(s, 1);
      const double radius = r->X > r->Y ? r->X : r->Y;
      const double cx = double(c->X) - Vector->AnchorX, cy = double(c->Y) - Vector->AnchorY;
      e.Add(cx - radius, cy - radius);
      e.Add(cx + radius, cy + radius);
      continue;
    }
    for (DWORD i = 0; i < s.Points; i++) {
      const LONGPOINT* p = PointAt(s, i);
      e.Add(p->X, p->Y);
    }
  }
  const double fy = ScaleFactor(Vector->ScaleY), fx = ScaleFactor(Vector->ScaleX);
  double border = 0;
  for (double v : {e.minY * fy, e.maxY * fy, e.minX * fx, e.maxX * fx}) {
    if (v < 0) v = -v;
    if (v > border) border = v;
  }
  Vector->Border = plat::TruncateTo<LONG>(border);
  Changed = 1;
  return Vector->Border;
}

// --- colours ----------------------------------------------------------

template <class F>
void TVectorImageEdit::ForColours(F f) const {
  const int count = SubjectCount();
  for (int n = 1; n <= count; n++) {
    Subj s;
    if (!Find(n, &s)) break;
    if (s.Parm >= 4) {
      if (!f((DWORD*)((char*)Vector + s.Offset + 4))) return;
    }
  }
}

int TVectorImageEdit::CorrectScrColor(int count) {
  if (!Vector) return 0;
  ForColours([&](DWORD* c) {
    DWORD v;
    std::memcpy(&v, c, 4);
    if (!IsIndexColor(v)) {
      v = PRIM_COLORINDEX + (count > 0 && v < DWORD(count) ? v : 0);
      std::memcpy(c, &v, 4);
    }
    return true;
  });
  Changed = 1;
  return 1;
}

int TVectorImageEdit::KindPalette() const {
  if (!Vector) return 0;
  int kind = 0;
  ForColours([&](DWORD* c) {
    DWORD v;
    std::memcpy(&v, c, 4);
    kind = IsIndexColor(v) ? 1 : 2;
    return false;
  });
  return kind;
}

int TVectorImageEdit::SCR2PRN(int count, const COLORREF* colors) {
  if (!Vector || !colors || count < 1) return 0;
  if (KindPalette() > 1) return 0;
  ForColours([&](DWORD* c) {
    DWORD v;
    std::memcpy(&v, c, 4);
    if (IsIndexColor(v)) {
      DWORD index = v & 0x00FFFFFFu;
      if (index >= DWORD(count)) index = 0;
      v = colors[index];
      std::memcpy(c, &v, 4);
    }
    return true;
  });
  Changed = 1;
  return 1;
}

int TVectorImageEdit::PRN2SCR(int count, const COLORREF* colors) {
  if (!Vector || (count > 0 && !colors)) return 0;
  if (KindPalette() == 1) return 0;
  ForColours([&](DWORD* c) {
    DWORD v;
    std::memcpy(&v, c, 4);
    if (!IsIndexColor(v)) {
      v = GetIndexColor(v, colors, count);
      std::memcpy(c, &v, 4);
    }
    return true;
  });
  Changed = 1;
  return 1;
}

DWORD TVectorImageEdit::GetIndexColor(COLORREF rgb, const COLORREF* colors, int count) {
  if (!colors || count < 1) return PRIM_COLORINDEX;
  const int r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
  int best = 0;
  int64_t bestDistance = -1;
  for (int i = 0; i < count; i++) {
    const int dr = int(colors[i] & 0xFF) - r;
    const int dg = int((colors[i] >> 8) & 0xFF) - g;
    const int db = int((colors[i] >> 16) & 0xFF) - b;
    const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return PRIM_COLORINDEX + DWORD(best);
}

LONG TVectorImageEdit::Unload2PRN(char* buffer, int size, int count, const COLORREF* colors) {
  SCR2PRN(count, colors);
  return Unload(buffer, size);
}

// --- checking ---------------------------------------------------------

int TVectorImageEdit::CorrectVector() {
  if (!Vector) return 0;
  int result = 1;
  for (int n = SubjectCount(); n >= 1; n--) {
    Subj s;
    if (!Find(n, &s)) continue;
    const int kind = ((BYTE*)Vector)[s.Offset];
    bool drop = false;
    if (s.Points && (kind < 2 || kind == VECT_TEXT)) {
      for (DWORD i = 0; i < s.Points && !drop; i++) {
        const LONGPOINT* p = PointAt(s, i);
        const int64_t x = int64_t(p->X) + Vector->AnchorX, y = int64_t(p->Y) + Vector->AnchorY;
        drop = x < 0 || x > IMGVECT_LIMIT || y < 0 || y > IMGVECT_LIMIT;
      }
    }
    if (!drop && kind == VECT_LINE && s.Points < 3) drop = true;
    if (!drop && (kind == VECT_CIRCLE || kind == VECT_CIRCLEFILL)) {
      if (s.Points < 2 || PointAt(s, 1)->X < IMGVECT_MINRADIUS) {
        drop = true;
      } else if (s.Points > 2) {
        Remove(s.Offset + 8 + s.Parm + 16, 8 * (s.Points - 2));
        StoreCount(s, 2);
        s.Points = 2;
      }
    }
    if (!drop && s.Points == 0 && kind != VECT_BLOCKOPEN && kind != VECT_BLOCKMARK &&
        kind != VECT_BLOCKCLOSE)
      drop = true;
    if (drop) {
      if (!DeleteSubject(n)) return 0;
      result = 0;
    }
  }
  Position(1, 1);
  return result;
}

// --- blocks -----------------------------------------------------------

bool TVectorImageEdit::FindBlock(int n, int* open, int* close) const {
  if (n < 1) return false;
  const int count = SubjectCount();
  int found = 0, start = 0;
  DWORD offset = IMGVECT_HEAD;
  for (int i = 1; i <= count; i++) {
    Subj s;
    if (!At(offset, &s)) break;
    const int kind = ((BYTE*)Vector)[offset];
    offset += s.Size;
    if (kind == VECT_BLOCKOPEN && !start) {
      start = i;
    } else if (kind == VECT_BLOCKCLOSE && start) {
      if (++found == n) {
        *open = start;
        *close = i;
        return true;
      }
      start = 0;
    }
  }
  return false;
}

int TVectorImageEdit::GetBlockCount() const {
  int n = 0, open, close;
  while (FindBlock(n + 1, &open, &close)) n++;
  return n;
}

int TVectorImageEdit::BlockFirstPoint(int n) {
  int open, close;
  if (!FindBlock(n, &open, &close)) return 0;
  return FirstPoint(open + 1);
}

int TVectorImageEdit::BlockFirstSubject(int n) const {
  int open, close;
  return FindBlock(n, &open, &close) ? open : 0;
}

int TVectorImageEdit::GetBlockSize(int n) const {
  int open, close;
  return FindBlock(n, &open, &close) ? close - open + 1 : 0;
}

int TVectorImageEdit::GetBlockNumber(int subject) const {
  int open, close;
  for (int n = 1; FindBlock(n, &open, &close); n++) {
    if (subject >= open && subject <= close) return n;
  }
  return 0;
}
