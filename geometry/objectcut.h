// Cutting by an object: the workers that hand out, one per call, the pieces
// of one object that lie inside (or, for TObjectCutSubject's first contour,
// outside) another. Both derive from TPointCross, whose crossings they
// classify and trace.
//
// - TObjectCut cuts a whole object (with its holes, or its further line
//   parts) by an area: the first metric is the cutting area, the second the
//   object cut. Area pieces are cut again by the object's holes that cross
//   them and receive the holes that lie inside them; line pieces come back
//   as parts of one result.
// - TObjectCutSubject cuts one subject of an object by the other metric and
//   classifies the first contour's crossings with the inside sense
//   inverted, so that its area pieces are the parts of the first contour's
//   area outside the second (the parts of a hole not covered by an object).
//
// Area pieces of contours that touch (shared vertices or stretches,
// crossings closer than twice the precision, holes touching a contour) or
// whose holes may split a piece come from the noded overlay: each piece an
// outer ring with the holes inside it, none of fewer than four points or
// without area, the largest first. So do those of contours that only
// cross where the trace cannot be trusted: a crossing classified from a
// point within the precision of the other contour, two crossings of one
// segment exchanged as a beak pair (their order along the contour lost),
// or a piece the trace cannot close. Traced pieces are all traced before the first is handed
// out, so that no part of an answer is handed out as the whole. With the
// hole union (and when the cutting area lies inside the object) the
// area's holes come off the pieces through the overlay too, united first. So do the line pieces of a line part
// that touches the area's contour: its stretches inside the area or along
// its border, in order along it and its way.
//
// Pieces are handed out in the worker's result buffer, which the next call
// overwrites; callers copy them out. States are those of TPointCross.
#pragma once

#include <vector>

#include "geometry/contourindex.h"
#include "geometry/overlay.h"
#include "geometry/pointcross.h"

class MAPCLASS TObjectCutSubject : public TPointCross {
 public:
  TObjectCutSubject() = default;
  TObjectCutSubject(TObjectInfo* first, TObjectInfo* second, int mode, int n, double precision);
  TObjectCutSubject(TDataEdit* first, TDataEdit* second, int mode, int n, double precision);

  // Loads the first metric and subject n of the second. Mode 0 needs the
  // second's outer contour closed, mode 1 the first's (GEOMETRY_ERR_OPEN).
  // 1 when ready to hand out pieces.
  int LoadObjects(TObjectInfo* first, TObjectInfo* second, int mode, int n, double precision);
  int LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int n, double precision);
  // Classifies the crossings (the first contour's with the sense inverted)
  // and resolves touches from inside.
  int SetInside();
  // The next closed area piece, or null when none is left (area results
  // only).
  TDataEdit* GetNextObject();
  // Traces the next piece into subject n of the result: 1 when one was
  // traced.
  int CollectorOneObject(TDataEdit* result, int n);
  // Resolves touches from inside against the partners' kinds.
  void CorrectPointCross(POINTCROSS* first, POINTCROSS* second, int* count, TDataEdit* m1,
                         TDataEdit* m2);
  // 1 when q lies inside neither a nor b, or p lies outside both; else 3.
  static int GetPlacePoint(const DOUBLEPOINT* p, const DOUBLEPOINT* q, TDataEdit* a, TDataEdit* b);

 protected:
  // Area pieces of contours that touch, and with CutHoles those of a first
  // metric with holes, are the faces of the overlay inside the first's
  // outer contour (and outside its holes, with CutHoles) and outside the
  // second's; the crossings are left as the search found them.
  TNodedOverlay Overlay;
  LONG Overlaid = 0;   // the pieces come from the overlay
  LONG NextPiece = 0;  // the next of them to hand out
  LONG Positive = 1;   // they turn the way of positive area (the first's outer contour does)
  LONG CutHoles = 0;   // the first's holes are taken out of the pieces
  // After the crossings were found: the overlay or the classification; 1
  // when pieces can be asked for.
  int Prepare(int mode);
  int TakeOverlay();
  // Whether the second's contour loaded has no area; a load that found
  // nothing to cut at hands the first out whole then (areas only).
  bool NoArea();
  int Degenerate(int mode);
};

class MAPCLASS TObjectCut : public TPointCross {
 public:
  TObjectCut() = default;
  TObjectCut(TObjectInfo* area, TObjectInfo* object, int mode, double precision, int holeUnion);
  TObjectCut(TDataEdit* area, TDataEdit* object, int mode, double precision, int holeUnion);
  ~TObjectCut();
  TObjectCut(const TObjectCut&) = delete;
  TObjectCut& operator=(const TObjectCut&) = delete;

  // Loads the cutting area and the object (or its subject s alone). mode:
  // 0 line pieces, 1 area pieces; holeUnion: the area's holes that meet the
  // object are taken over as holes of the object, overlapping ones united.
  // 1 when pieces can be asked for.
  int LoadObjects(TObjectInfo* area, TObjectInfo* object, int mode, double precision,
                  int holeUnion);
  int LoadObjects(TDataEdit* area, TDataEdit* object, int mode, double precision, int holeUnion);
  int LoadObjects(TDataEdit* area, TDataEdit* object, int mode, int s, double precision,
                  int holeUnion);
  void InitObjectCut();
  // Classifies the crossings and marks the object's holes near the area.
  int SetInside();
  // Marks the object's subjects whose frames meet the area's outer frame.
  void InsideSubObject(TDataEdit* area, TDataEdit* object);
  // The next piece, or null when none is left.
  TDataEdit* GetNextObject();
  // 1 when the four corners of subject h's frame lie inside the piece.
  static int InsideDimentionsSubject(TDataEdit* piece, TDataEdit* metric, int h);
  // Cuts the object's marked line parts and appends their pieces to the
  // result.
  int AppendLineSubject();
  // Cuts the current piece by hole h; current 0 hands out the next part
  // kept from the last cut.
  int GetNextObjectSub(int h, int current);

  // A cutting worker for holes, made when first needed.
  TObjectCutSubject* Nested = nullptr;

 protected:
  // Contours that touch (a vertex within the precision of the other outer
  // contour, or of a hole within twice the precision of another contour)
  // are cut and united through the noded overlay, which decides each
  // coincidence once; the crossings of contours that only cross are traced
  // as they are.
  TNodedOverlay Overlay;
  // After the crossings were found: the overlay or the classification.
  int Prepare(int mode, int holeUnion);
  // The overlay road, the area's holes taken out when they count.
  int TakeOverlay(bool areaHoles);
  bool AreaHolesMeet();
  LONG Overlaid = 0;   // the pieces come from the overlay: 1 areas, 2 a line's stretches
  LONG NextPiece = 0;  // the next of them to hand out
  LONG Positive = 1;   // they turn the way of positive area (the object's outer contour does)
  LONG LineWhole = 0;  // the line's outer contour lies inside (or along the border) all along

  int Bit(int h) const { return (SubjectBits[(h - 1) >> 3] >> ((h - 1) & 7)) & 1; }
  void SetBit(int h, int on);

 private:
  TDataEdit* GetNextArea();
  TDataEdit* GetNextOverlaid();
  bool PieceHolds(const DOUBLEPOINT& p);
  bool HoleSplits();
  bool PieceHoldsFrame(int h);
  TDataEdit* GetNextLine();
  TDataEdit* GetNextLinePart();
  int CutLine();
  bool LinePiecesLeft() const;
  int NextLinePiece(TDataEdit* out);
  TObjectCutSubject* NestedWorker();

  LONG LineState = 0;  // line results: 1 while the pieces are handed out from the work buffer
  TContourIndex PieceIndex;  // the outer contour of the piece being handed out
  std::vector<DOUBLEPOINT> HolePoints;
  int PieceIndexed = 0;      // 1 built for the piece, -1 it could not be, 0 not yet
};
