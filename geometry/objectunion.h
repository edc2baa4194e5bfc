// Union of two object metrics (TObjectUnion): two areas into one area with
// the holes that remain, or two lines into one line through the midpoint of
// their nearest ends. It derives from the cutting worker: the crossings are
// classified with the inside sense inverted on both sides, so the traced
// pieces follow each contour where it lies outside the other.
//
// Areas whose outer contours do not cross, neither with holes, are united
// through the one that contains the other. Areas whose outer contours
// cross are traced from the crossings; holes of each object are cut by the
// other object and holes of both that overlap leave only their common
// part. Contours that
// neither cross nor contain each other but come within the snap distance
// are snapped together first (points moved onto the other contour, shared
// points inserted); when that does not help the operands are exchanged
// once. Every repetition is bounded: snapping happens at most once per
// load, the exchange at most once.
//
// Where the contours touch (share vertices or stretches, run along each
// other, cross closer than the precision, come within twice the precision
// of each other), where a hole touches another contour, where the outer
// contours do not cross but there are holes (a part may lie in a hole of
// the other), and where the trace cannot be trusted (a crossing classified
// from a point within the precision of the other contour, a touch, an odd
// number of crossings, crossings exchanged as a beak pair, a piece it
// cannot close), the union comes from the noded overlay instead: its rings, counted by parity, are the result, the
// largest outer ring first, then its holes, then the other parts (outer
// rings lying in holes) each followed by its holes. Parts that meet at
// points are one ring through those points, and a hole is the whole of
// one gap, the parts touching it from inside included, so that the area
// of the result (its first contour less the others) is the union's. A
// part lying in a hole without touching it cannot be held so: it follows
// as a further contour and that measure counts it out. Areas apart are
// refused as above.
//
// A caller loads the worker and asks GetObjectA once; the result buffer is
// copied out before the worker goes. States: those of TPointCross and
// GEOMETRY_ERR_APART (the contours neither cross nor contain each other,
// even after snapping), GEOMETRY_ERR_LARGE (the union reached 16 MB).
#pragma once

#include <vector>

#include "geometry/contourindex.h"
#include "geometry/objectcut.h"

class MAPCLASS TObjectUnion : public TObjectCut {
 public:
  TObjectUnion();
  TObjectUnion(TDataEdit* first, TDataEdit* second, int mode, double distance, double precision);
  ~TObjectUnion();

  // mode 0: two open lines; mode 1: two closed areas. distance: the snap
  // distance (the precision when not above 0). 1 when the union can be
  // attempted.
  int LoadObjects(TDataEdit* first, TDataEdit* second, int mode, double distance,
                  double precision);
  int LoadData();
  int SetInside();
  // The union in the result buffer, or null.
  TDataEdit* GetObjectA();

  // --- Areas ---
  TDataEdit* GetObjectSquare();
  // The union through the overlay into the result buffer (the road the
  // load takes for areas whose outer contours do not cross, with holes):
  // 1, 0 on failure.
  int GetSubjectSquare();
  // Cuts the result's holes marked in `set` by the other object.
  int GetSubjectObjectSquare(TDataEdit* result, BYTE* set);
  // Replaces holes of the two objects that overlap by their common parts.
  int GetSubjectSubjectSquare(TDataEdit* first, TDataEdit* second);
  int SetBitsSubjects();
  int AllocateResult();
  // Relabels touching crossings by what lies on either side of them and
  // drops the touches. The union itself never needs it: crossings that
  // touch leave it to the overlay.
  void CorrectPointCross(POINTCROSS* first, POINTCROSS* second, int same, int* count,
                         TDataEdit* m2, TDataEdit* m1);
  // 3 when both points lie inside either metric, else 1 (0 for a null one).
  static int GetPlacePoint(const DOUBLEPOINT* p, const DOUBLEPOINT* q, TDataEdit* m2,
                           TDataEdit* m1);
  // Snaps the outer contour of `moved` onto that of `target`.
  int AdjustPoint(TDataEdit* moved, TDataEdit* target);

  // --- Lines ---
  // Which ends meet (1 first-first, 2 first-last, 3 last-first, 4
  // last-last), 0 when none lie within the snap distance.
  int IsObjectLineLimit(TDataEdit* first, TDataEdit* second);
  int CollectorOneObjectLine(TDataEdit* result);
  TDataEdit* GetObjectLine();
  int GetSubjectLine(TDataEdit* out, TObjectUnion* nested);

  // --- Fields ---
  double SnapDistance = 0.0;
  LONG LineJoin = 0;
  TDataEdit Pieces;             // traced pieces and intermediate metrics
  BYTE Set1[8192];              // one bit per subject of the first metric
  BYTE Set2[8192];              // and of the second
  LONG CrossFlag = 0;           // the outer contours cross
  LONG Snapped = 0;             // set by every snapping pass
  LONG SnapState = 0;           // 0 not snapped, 1 snapped, 2 operands exchanged
  LONG Holes1 = 0;              // subject counts of the two metrics
  LONG Holes2 = 0;
  LONG* HoleMap = nullptr;      // per result subject: +h hole h of the first, -h of the second
  LONG HoleMapSize = 0;
  TDataEdit* Container = nullptr;  // the metric containing the other, no crossings
  TDataEdit* Source1 = nullptr;    // the caller's buffers
  TDataEdit* Source2 = nullptr;

 private:
  int Snap();
  int UniteOverlaid();
  TDataEdit* GetOverlaid();
  // The end of a union that traced nothing: the overlay's answer, or null
  // with a code.
  TDataEdit* Refuse();
  void MarkAll(BYTE* set, int from, int to);
  static int Bit(const BYTE* set, int i) { return (set[i >> 3] >> (i & 7)) & 1; }
  static void SetBit(BYTE* set, int i, int on);
  int RemoveResultSubject(TDataEdit* result, int s);
  // The same for several subjects (each listed once, from the last): 1,
  // 0 with State set.
  int RemoveResultSubjects(TDataEdit* result, const std::vector<int>& removed);
  int IndexOuter();
  int AppendHole(TDataEdit* source, int h, LONG entry);
  // A contour that could not be appended to m: GEOMETRY_ERR_LARGE when m
  // holds all the contours or bytes a record can, else MAPERR_MEMORY; 0.
  int Refused(const TDataEdit& m);
  TContourIndex* SourceIndex(TDataEdit* source);
  // The result's outer contour, and the outer contours of the two sources,
  // for the many inside and meeting questions about holes.
  TContourIndex OuterIndex;
  DFRAME OuterFrame = {0.0, 0.0, 0.0, 0.0};
  TContourIndex SourceIndex1;
  TContourIndex SourceIndex2;
  TDataEdit* Indexed1 = nullptr;  // the sources the two indexes were built for
  TDataEdit* Indexed2 = nullptr;
};
