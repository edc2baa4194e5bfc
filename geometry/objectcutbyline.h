// Cutting an object by a line: an area (mode 1) or a line (mode 0) is cut
// where the cutting line crosses it, and the pieces are handed out one per
// call, first those on one side of the line, then those on the other.
//
// The first metric is the cutting line, the second the object, both
// worked on as copies (the caller's are never changed). The two are made
// to pass the same points where the noding, which snaps both to the
// precision's grid, would join them or leave them a hair apart: a vertex
// of either within 1.5 times the precision of the other, or one the
// noding's snapping would join to it, is welded to it, and so is the rest
// of a stretch of such vertices running beside the object (which the
// noding joins somewhere or nowhere); a vertex of the line welded moves
// onto a vertex of the object within that reach of it, or onto the foot
// of the nearest side, put into that side, and a vertex of the object
// welded is put into the line. So a stretch the line runs along the
// object is one both pass, cut at its ends and nowhere inside, no piece
// narrower than the precision is left between the line and the border
// (nor cut off a corner the line passes just inside), and a line passing
// beyond that reach where the noding does not join it (1.8 times the
// precision away, say) is not cut there. An open line's end that is not welded goes
// on along its last side, by at most 2.0, to where that first meets the
// object, and is welded there: a line ending on the border, or a little
// short of it, cuts there once and no further.
//
// An area is cut through the noded overlay of its contours and the line:
// the pieces are the faces inside the area, holes included, however the
// line runs (along the border, through its vertices, across itself, across
// the area several times). Stretches of the line that end inside the area,
// or that join a face to itself, cut nothing. A piece lies on the left of
// the line where the line first borders it (first pass) or on its right
// (second pass).
//
// Cut as a line (mode 0), an open object is cut wherever the cutting line
// meets it, crossing or touching it, and at both ends of a stretch the two
// run along together (which is a piece of its own), not where they merely
// share a vertex on the way; its pieces come in order along it. A closed
// one is cut where the line runs through the area it bounds: its pieces
// are the stretches of its contour along the faces the line cuts the area
// into, those on the left of the line first. Both are found on the noding
// of the contour with the line, as the area cut is; fewer than two pieces
// is no cut.
//
// CorrectPointCross settles the classified crossings of a line that
// touches an object from inside (runs along it, or comes to it and turns
// back), for callers that trace crossings themselves: each stretch of the
// cutting line between two crossings next to such a touch is tested on its
// own, the two points at distance 1.0 on the normal to it, near its start,
// both inside the object meaning it runs through the object, and the
// crossings around it take their kinds from the stretches on their two
// sides.
#pragma once

#include <vector>

#include "geometry/contourindex.h"
#include "geometry/overlay.h"
#include "geometry/pointcross.h"

class MAPCLASS TObjectCutByLine : public TPointCross {
 public:
  TObjectCutByLine();
  TObjectCutByLine(TObjectInfo* line, TObjectInfo* object, int mode, double precision);
  TObjectCutByLine(TDataEdit* line, TDataEdit* object, int mode, double precision);
  ~TObjectCutByLine();
  TObjectCutByLine(const TObjectCutByLine&) = delete;
  TObjectCutByLine& operator=(const TObjectCutByLine&) = delete;

  // 1 when pieces can be asked for.
  int LoadObjects(TDataEdit* line, TDataEdit* object, int mode, double precision);
  // Subject n of the object alone is cut (its other subjects are not
  // holes of the pieces).
  int LoadObjects(TDataEdit* line, TDataEdit* object, int mode, int n, double precision);
  // The plane forms of two objects (copied); the pieces are in plane
  // form.
  int LoadObjects(TObjectInfo* line, TObjectInfo* object, int mode, double precision);
  // The next piece, or null when both sides are done.
  TDataEdit* GetNextObject();

  // Settles the touches from inside of the line's crossings (and their
  // partners') by the normal test of the stretches next to them; nothing
  // is changed when a partner is missing.
  void CorrectPointCross(POINTCROSS* line, POINTCROSS* object, int count, TDataEdit* objectMetric,
                         TDataEdit* lineMetric);
  // With q inside the object: 1 when p lies outside it, 3 when inside;
  // with q outside: 1.
  static int GetPlacePoint(const DOUBLEPOINT* p, const DOUBLEPOINT* q, TDataEdit* object);

 private:
  // 1 when the stretch of the line from crossing a to crossing b runs
  // through the object.
  int Through(const POINTCROSS& a, const POINTCROSS& b, TDataEdit* objectMetric,
              TDataEdit* lineMetric);
  // The line and the object made to pass the same points wherever the
  // weld takes them (an open line's ends going on to the object when it
  // does not take them): 0 without memory.
  int Weld(int mode, bool open);
  // Which of the line's vertices, and of the object's vertices beside its
  // segments, the weld takes, on the line as it now runs: 0 without
  // memory.
  int Decide(int mode);
  // Moves the vertices taken onto the other, and puts the points where
  // they meet into both.
  void Apply();
  int Split();
  int CutContour();

  TDataEdit Line;   // the working copy of the cutting line
  TNodedOverlay Overlay;  // an area cut: its pieces; a contour cut as a line: its stretches
  int Overlaid = 0;       // 1 the overlay's pieces, 2 its stretches
  int Positive = 1;       // they turn the way of positive area (the object's outer contour does)
  // Weld: a point put into a side (from the line's vertex `vertex`).
  struct WeldPoint {
    int contour, side;  // side i from point i, from 0
    double t;           // how far along it
    DOUBLEPOINT at;
    int vertex;
  };
  // Contours as points with their heights, contour c from start[c] to
  // start[c + 1].
  struct Contours {
    std::vector<DOUBLEPOINT> p;
    std::vector<double> h;
    std::vector<size_t> start{0};
    int Size() const { return static_cast<int>(start.size()) - 1; }
    const DOUBLEPOINT* First(int c) const { return p.data() + start[size_t(c)]; }
    int Count(int c) const { return static_cast<int>(start[size_t(c) + 1] - start[size_t(c)]); }
    void Clear();
    void Append(const std::vector<DOUBLEPOINT>& points, const std::vector<double>& heights);
    // The points put into their sides (copied through work).
    void Put(std::vector<WeldPoint>& points, Contours& work);
  };
  // The overlay of the welded contours, the object's cut as a line or
  // not: 1, or 0 with State set.
  int Noded(bool asLine);
  Contours LinePoints, ObjectPoints, Merged;  // the welded line and object
  TContourIndex LineIndex;
  std::vector<DOUBLEPOINT> ReadPoints, WeldMove;
  std::vector<double> ReadHeights, WeldNear, WeldFootNear;
  std::vector<WeldPoint> WeldObject, WeldInLine, WeldFoot;
  // A vertex of the object (contour, number from 0) beside a segment of
  // the line: segment, how far along it, and whether it is taken alone.
  struct Contact {
    int segment;
    double t;
    DOUBLEPOINT at;
    int contour, vertex;
    bool joined;
  };
  std::vector<Contact> Contacts;
  std::vector<int> NearVertex;      // each line vertex's nearest object vertex: contour, number
  std::vector<char> Joined, Taken;  // each line vertex taken alone; taken with its run
  std::vector<int> Run, RunOf;      // runs of contacts, and what each run was joined to
  std::vector<TNodedPlane::Key> LineKeys;  // the line's grid points on the noding's grid
  std::vector<char> LineKeyed;
  int NextPiece = 0;
  int Side = 1;           // the side of the line whose pieces are handed out
  std::vector<signed char> Stretch;  // CorrectPointCross: -1 untested, 0 along, 1 through
  std::vector<int> Partner;
};
