// The editing buffer over one object's metric record: a cursor on a contour
// and a point, growth in 64 KB steps up to 16 MB, insertion and deletion of
// points and contours, texts, point kinds, closing, reversing and copying of
// contours; measures and searches; whole-metric transformations and filters.
//
// A buffer either edits a caller's block in place (SetBuffer) or a block of
// its own; the first growth moves a caller's record into an own block. It
// has no constructor or destructor of its own: Init makes it empty, Free
// releases the own block. Every walk is bounded by the record's length and
// the buffer size; positions outside them give 0 and clear the cursor.
#pragma once

#include "geodesy/measure.h"
#include "records/metric.h"
#include "platform/export.h"

class MAPCLASS TDataEdit {
 public:
  // Construction, attaching, allocation.
  void Init();
  void Free();
  int Allocate(int kind, int text, int size);
  int Create(int kind, int text);
  int Clear(int kind, int text);
  void SetBuffer(char* buffer, LONG size, int text);
  LONG Load(const LONGMETRIC* source, int text);
  LONG Realloc();

  // Cursor.
  char* DescPointSubject(int n);
  char* FirstPointSubject(int n);
  char* LastPointSubject(int n);
  char* LastPoint();
  char* GoPointSubject(int point, int n);
  char* NextPoint();
  char* PrevPoint();
  int PointCount();
  int PointCount(int n);
  int TotalPointCount();
  double XNDouble(int i);
  double YNDouble(int i);
  double HNDouble(int i);

  // Point values at the cursor.
  double XDouble();
  double YDouble();
  double HDouble();
  LONG X();
  LONG Y();
  double XDouble(double x);
  double YDouble(double y);
  double HDouble(double h);
  // The points of contour n from its point `first` (from 0) on, as the
  // cursor reads them one by one, each shifted by (dx, dy), into out[0] up
  // to out[max - 1]: the points written, 0 when the contour has no such
  // point or cannot be found. The cursor is left on the contour.
  int SubjectPointsDouble(int n, int first, double dx, double dy, DOUBLEPOINT* out, int max);
  // The frame of every point of every contour as the cursor reads them,
  // shifted by (dx, dy): 1; 0 when it is not known at once (points other
  // than floats, a point the record does not hold whole or that is no
  // number, NaN or infinite, an outer contour without points). The cursor
  // is left on the first point.
  int FrameOfPoints(double dx, double dy, DFRAME* frame);
  // The points of contour n where they lie in the record: the first one's
  // address and their count, each held whole and a point's size of the
  // record's kind (Kind) apart; false when the contour cannot be found.
  // The cursor is left on the contour's first point.
  bool ContourPoints(int n, char*& first, DWORD& count);
  // The record's point kind.
  DWORD Kind() const;

  // Editing.
  int AppendPointSubject(int n, double x, double y);
  int InsertPoint(double x, double y);
  int DeletePoint();
  int CreateSubject();
  int DeleteSubject(int n);
  int AppendSubject(TDataEdit* source, int n);
  int LoadSubject(TDataEdit* source, int n);
  int SetExclusiveSubject(int n, int mode);
  int AbridgeObject(int mode);
  int GetExclusiveSubject(int n);
  int ChangeDirection(int n);
  int ChangeDirection();
  int ChangeKind(int kind);
  int ChangeTextFormat(int text);
  int SetLongCounts();

  // Texts of the current contour.
  char* GetTextData();
  int TextLength();
  char* GetObjectText();
  char* GetText(char* buffer, int size);
  int GetTextHorizontalAlign();
  int GetTextVerticalAlign();
  int PutText(const char* text, int align);
  int PutTextData(const TEXTDATA* data);
  int PutTextHorizontalAlign(int h, int n);
  int PutTextVerticalAlign(int v, int n);

  // Record accessors.
  LONG X1Long();
  LONG Y1Long();
  double X1Double();
  double Y1Double();
  int PointSize();
  int XYDouble(const char* point, DOUBLEPOINT* out);
  int DatDimension();
  double Perimeter();

  // Measures and searches.
  int Dimensions(DFRAME* frame);
  int DimensionsSubject(DFRAME* frame, int n);
  double PolyPerimeter();
  double Square();
  double SignedSquareSubject(int n);
  double SquareSubject(int n);
  int GetDirection(int n);
  int Inside(const DOUBLEPOINT* p, int n);
  int SeekNearPoint(double x, double y);
  int SeekNearPoint(double x, double y, int n);
  int SeekNearPoint(double x, double y, int n, int first, int last);
  int SeekNearVirtualPoint(double x, double y, XYDOUBLE* out);
  int SeekNearVirtualPoint(double x, double y, int n, XYDOUBLE* out);
  int SeekNearVirtualPoint(double x, double y, int n, int first, int last, XYDOUBLE* out);
  int SeekVirtualPointOnSegment(double x, double y, const DOUBLEPOINT* points,
                                DOUBLEPOINT* out);
  int SeekVirtualPointByDistance(int point, double distance, DOUBLEPOINT* out, int n);
  int CrossCutData(const DOUBLEPOINT* a, const DOUBLEPOINT* b, int first, int last,
                   NUMBERPOINT* first_result, NUMBERPOINT* second_result, int n,
                   double precision);
  int CrossCutSegment(const DOUBLEPOINT* a, const DOUBLEPOINT* b, int first, int last,
                      NUMBERPOINT* end_pair, NUMBERPOINT* vertex_pair, int n, double precision);
  int BuildCircular(const DOUBLEPOINT* first, const DOUBLEPOINT* centre, const DOUBLEPOINT* last,
                    double radius);
  double Distance(const DOUBLEPOINT* a, const DOUBLEPOINT* b);
  double Distance(const DOUBLEPOINT* p, const DOUBLEPOINT* a, const DOUBLEPOINT* b);
  int SeekPointNormalLine(const DOUBLEPOINT* a, const DOUBLEPOINT* b, DOUBLEPOINT* out1,
                          DOUBLEPOINT* out2, double d, const DOUBLEPOINT* base = nullptr);
  double DirectionAngle(const DOUBLEPOINT* a, const DOUBLEPOINT* b);

  // Transformations and filters.
  int RelocateObject(const DOUBLEPOINT* d);
  int RelocateSubject(int n, const DOUBLEPOINT* d);
  int RotateObject(const DOUBLEPOINT* c, double a);
  int RotateSubject(const DOUBLEPOINT* c, double a, int n);
  int ScopeObject(const DOUBLEPOINT* k, const DOUBLEPOINT* c);
  int ScopeSubject(const DOUBLEPOINT* k, const DOUBLEPOINT* c, int n);
  int ScopeAndRelocateObject(const DOUBLEPOINT* k, const DOUBLEPOINT* c, const DOUBLEPOINT* d);
  int ScopeAndRelocateSublect(const DOUBLEPOINT* k, const DOUBLEPOINT* c, const DOUBLEPOINT* d,
                              int n);
  int DeleteEqualPoint(double precision, int dimension);
  int LinearFilter(double precision);

  // Fields, in this order.
  LONGMETRIC* Record = nullptr;  // the record, in the own block or a caller's
  LONG BufferSize = 0;           // bytes usable at Record
  char* CurrentPoint = nullptr;  // the current point; null: no cursor
  LONG PointBytes = 0;           // bytes per point; 0 until known
  LONG PointNumber = 0;          // from 1; 0 when not on a point
  LONG SubjectNumber = 0;        // current contour, 0 = outer
  char* CountWord = nullptr;     // the current contour's count word
  char* OwnBlock = nullptr;      // the block the buffer allocated
  LONG TextFlag = 0;             // nonzero: every contour has a text entry
  LONG ChangedFlag = 0;          // set by every write
  TMeasure Measure;

 private:
  mutable const char* CheckedPoint = nullptr;  // null: no point checked
  mutable LONG CheckedNumber = 0;
  mutable const char* CheckedCount = nullptr;
  mutable const LONGMETRIC* CheckedRecord = nullptr;
  mutable LONG CheckedSize = 0;
  mutable DWORD CheckedKind = 0;
  mutable DWORD CheckedLength = 0;
  mutable int CheckedLayout = 0;

  bool Valid() const;
  char* End() const;
  // Bytes from one point of a contour to the next, as the contour walk
  // steps over them: the point size, or for a kind without one the bytes a
  // point is read from at the cursor.
  LONG Step() const;
  bool LongCounts() const;
  void ClearCursor();
  DWORD CurrentCount() const;
  void SetCurrentCount(DWORD count);
  // Whether the cursor is on a point of the record. The record facts a
  // check depends on (record, buffer size, kind, length, contour) are
  // remembered with the point found: the record is checked again only when
  // one of them changed, and reading both coordinates of a point checks
  // the point once per cursor move.
  bool CursorOnPoint() const;
  // The coordinate readers' short way: the point the cursor stood on at the
  // last check, unmoved. Comparing the record's facts again on every
  // coordinate measured 5-15% slower point walks.
  bool PointChecked() const;
  char* OpenPlace(int n, int where);
  int AppendRaw(int n, const char* bytes);
  int TransformPoints(int n, int op, const DOUBLEPOINT* k, const DOUBLEPOINT* c,
                      const DOUBLEPOINT* d, double angle);
  int NearPointRange(double x, double y, int n, int first, int last, double& best);
  int NearVirtualRange(double x, double y, int n, int first, int last, XYDOUBLE* out,
                       double& best);
};
