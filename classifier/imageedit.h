// Editing and measuring the sign images kept in the classifier's image
// parameter records: vector signs (image function 149) made of subjects,
// decorated-line images made of a head and eight parts, and the frame of
// any sign turned by an angle.
//
// Vector sign IMGVECTOREX: a 56-byte head, then `Count` subjects one after
// another. A subject is {u8 kind, u8 attribute, u16 parameter length L, L
// parameter bytes, u32 point count, count x LONGPOINT}; an empty subject
// has L = 4 (a zero colour word) and no points, 12 bytes in all. Points of
// most kinds are relative to the anchor; the centre of a circle-like kind
// is kept in the sign's own units, so moving the anchor leaves it alone.
//
// Every walk over an image is bounded by the image's length and the
// buffer's length: a count or a length that lies makes the walk stop, it
// never reads or writes outside the buffer.
#pragma once

#include "types/primitives.h"
#include "types/rsctypes.h"
#include "types/signimage.h"
#include "geodesy/points.h"
#include "platform/export.h"
#include "platform/win_types.h"

#pragma pack(push, 1)
struct LONGPOINT {
  LONG X;
  LONG Y;
};
static_assert(sizeof(LONGPOINT) == 8);

// Decorated-line image: head, then parts 1..8 {u16 part length with its
// head, u16 function, data}.
struct IMGDECORATE {
  DWORD Length;      // 64 for an empty image
  DWORD Line[6];     // line parameters
  DWORD Flag;
};
static_assert(sizeof(IMGDECORATE) == 32);

// The older form of a decorated-line image, accepted by Load.
struct IMGDECORATELINE {
  DWORD Length;
  DWORD Base;
};
static_assert(sizeof(IMGDECORATELINE) == 8);

struct IMGDECORPART {
  WORD Length;       // head included
  WORD Function;     // IMGDECOR_EMPTY for an empty part
};
static_assert(sizeof(IMGDECORPART) == 4);
#pragma pack(pop)

enum : int {
  IMGVECT_HEAD = 56,
  IMGVECT_EMPTYSUBJECT = 12,
  IMGVECT_CREATESIZE = 76,       // zeroed by Create: the head and one subject with a point
  IMGEDIT_STEP = 16384,          // owned buffers grow by this much ...
  IMGEDIT_LIMIT = 65536,         // ... up to this size
  IMGEDIT_DEFAULTSIZE = 4096,
  IMGEDIT_LOADROOM = 8192,       // room wanted after a loaded image
  IMGVECT_ANCHOR = 4000,
  IMGVECT_BASE = 500,
  IMGVECT_SCALE = 10000,
  IMGVECT_LIMIT = 30000,         // anchored points must lie within 0..this
  IMGVECT_MINRADIUS = 250,
  IMGDECOR_HEAD = 32,
  IMGDECOR_EMPTYSIZE = 64,
  IMGDECOR_PARTS = 8,
  IMGDECOR_EMPTY = 127,          // function of an empty part
  IMGDECOR_MAXPART = 64000,
  IMGBITMAP_CELL = 250,          // image units per cell of a bitmap sign
};

// Subject kinds the editing rules look at.
enum : int {
  VECT_LINE = 0,
  VECT_CIRCLE = 6,
  VECT_CIRCLEFILL = 7,
  VECT_TEXT = 68,
  VECT_TEXTSEM = 69,
  VECT_BLOCKOPEN = 101,
  VECT_BLOCKMARK = 102,
  VECT_BLOCKCLOSE = 103,
};

// Kinds drawn as circles (a centre and a radius point).
inline bool IsVectorCircleKind(int kind) {
  return kind == 6 || kind == 7 || (kind >= 64 && kind <= 67) || kind == 70;
}

class MAPCLASS TVectorImageEdit {
 public:
  TVectorImageEdit();
  ~TVectorImageEdit();
  TVectorImageEdit(const TVectorImageEdit&) = delete;
  TVectorImageEdit& operator=(const TVectorImageEdit&) = delete;

  // Buffers.
  int Allocate(int size);
  int Realloc();
  int Create();
  int SetBuffer(IMGVECTOREX* image, LONG length);
  LONG Load(const IMGVECTOREX* image);
  LONG Unload(char* buffer, int size);
  IMGVECTOREX* Image() const { return Vector; }
  LONG Length() const { return Vector ? LONG(Vector->Length) : 0; }
  LONG BufferLength() const { return BufferSize; }
  int IsChanged() const { return Changed; }
  void SetChanged(int changed) { Changed = changed; }

  // Position.
  int FirstPoint(int n);
  int LastPoint(int n);
  // Positions at the last point of subject n, for walking its points
  // backwards.
  int DescPointSubject(int n);
  int SubjectNumber() const { return SubjectNo; }
  int PointNumber() const { return PointNo; }
  int SubjectCount() const;
  int PointCount(int n) const;
  // The current point (null when there is none).
  LONGPOINT* CurrentPoint() const;
  // The kind of subject n, -1 when it does not exist.
  int SubjectKind(int n) const;
  int SetSubjectKind(int n, int kind);

  // Subjects.
  int CreateSubject();
  int DeleteSubject(int n);

  // Points.
  int AppendFreePoint(int n) { return AppendPoint(n, 0, 0); }
  int AppendPoint(int n, LONG x, LONG y);
  int InsertFreePoint() { return InsertPoint(0, 0); }
  int InsertPoint(LONG x, LONG y);
  int DeletePoint();
  int DeleteEqualPoint();
  int SeekNearPoint(int n, LONG x, LONG y, int from);
  int SeekNearPoint(LONG x, LONG y);
  int RelocateSubject(int n, const LONGPOINT* delta);
  int RelocateObject(const LONGPOINT* delta, int flag);
  int GetCenter(LONGPOINT* center) const;
  int SetCenter(const LONGPOINT* center);

  // Parameters of the current subject.
  char* Parm(const char* data, int length);
  int ParmLength() const;

  // Measures.
  int GetImageSize(IMAGESIZE* size) const;
  LONG Border();

  // Colours.
  int CorrectScrColor(int count);
  int KindPalette() const;
  int SCR2PRN(int count, const COLORREF* colors);
  int PRN2SCR(int count, const COLORREF* colors);
  static DWORD GetIndexColor(COLORREF rgb, const COLORREF* colors, int count);
  LONG Unload2PRN(char* buffer, int size, int count, const COLORREF* colors);

  int CorrectVector();

  // Blocks of subjects (opened by kind 101, closed by kind 103).
  int GetBlockCount() const;
  int BlockFirstPoint(int n);
  int BlockFirstSubject(int n) const;
  int GetBlockSize(int n) const;
  int GetBlockNumber(int subject) const;

 private:
  struct Subj {
    DWORD Offset;   // of the subject head
    DWORD Parm;     // parameter bytes
    DWORD Points;   // point count
    DWORD Size;     // whole subject
  };
  // Subject n (1-based), checked against the image and the buffer.
  bool Find(int n, Subj* s) const;
  bool At(DWORD offset, Subj* s) const;
  void Position(int n, int point);
  void Detach();
  bool Grow(DWORD need);
  bool Insert(DWORD offset, DWORD bytes);
  void Remove(DWORD offset, DWORD bytes);
  LONGPOINT* PointAt(const Subj& s, DWORD i) const;
  void StoreCount(const Subj& s, DWORD count);
  bool FindBlock(int n, int* open, int* close) const;
  template <class F>
  void ForColours(F f) const;

  IMGVECTOREX* Vector;
  LONG BufferSize;
  LONGPOINT* Point;
  int PointNo;
  int SubjectNo;
  char* Subject;
  char* OwnBuffer;
  int Changed;
};

class MAPCLASS TDecorImageEdit {
 public:
  TDecorImageEdit();
  ~TDecorImageEdit();
  TDecorImageEdit(const TDecorImageEdit&) = delete;
  TDecorImageEdit& operator=(const TDecorImageEdit&) = delete;

  int Allocate(int size);
  int Realloc();
  int Create();
  int Clear();
  int IsVect() const;
  int SetBuffer(char* image, LONG length);
  char* GoPart(int n);
  char* DatePart(int n);
  LONG Load(const IMGDECORATE* image);
  LONG Load(const IMGDECORATELINE* image);
  LONG Unload(char* buffer, int size);
  int LoadPart(int length, int function, const char* data, int n);
  int UnloadPart(char* buffer, int size, int n);
  char* DeletePart(int n);

  IMGDECORATE* Image() const { return Decor; }
  LONG Length() const { return Decor ? LONG(Decor->Length) : 0; }
  int PartFunction(int n) const;
  int PartLength(int n) const;   // data bytes of part n, -1 when absent
  int IsChanged() const { return Changed; }

 private:
  // Offset of part n (1..8) checked against the image; 0 when absent.
  DWORD Find(int n) const;
  bool Grow(DWORD need);
  void Detach();
  // Loads the parts of a source walked from `first`, within `length`.
  bool CheckParts(const char* source, DWORD first, DWORD length) const;
  void LoadParts(const char* source, DWORD first);

  IMGDECORATE* Decor;
  LONG BufferSize;
  int PartNo;
  char* Part;
  char* OwnBuffer;
  int Changed;
};

// Extent of a vector sign (see the measuring rules in imageedit.cpp). The
// semantics record, when given, supplies the texts of text subjects that
// name a semantic code. 0 for null arguments, else 1.
int rscGetVectorSize(const IMGVECTOREX* image, IMAGESIZE* size, const char* semantics);

// Turns a point about a centre: with dX, dY the point less the centre,
// X = cX + dX c + dY s, Y = cY + dY c - dX s. Returns 1.
int rscTurnPoint(const DOUBLEPOINT* center, DOUBLEPOINT* point, double s, double c);

// Frame of what a library sign (image function 250) draws: {X1, Y1, X2, Y2}
// in 250ths of image units. Installed by the drawing engine; without it a
// library sign has a zero frame.
typedef int (*RSCIMAGEBORDERPROC)(int slot, LONG image, LONG* frame);
void rscSetImageBorderService(RSCIMAGEBORDERPROC proc);
RSCIMAGEBORDERPROC rscImageBorderService();

struct TRSCDATA;
// Frame of a sign of any image function turned by `angle` (radians):
// 0 for a null frame or parameters, 0 with 60005 for a closed classifier,
// else 1 (functions that can't be measured leave a zero frame).
int rscGetImageFrame(TRSCDATA* data, int function, const char* parameters, double angle,
                     IMAGEFRAME* frame);
