// Consent of two objects: the parts of the first metric lying outside the
// outer contour of the second, handed out one per call.
//
// - Areas (mode 1): each piece is an outer contour with the first's holes
//   that lie inside it; holes crossing a piece are cut into it. A first
//   with holes, and contours that touch (shared vertices or sides,
//   crossings closer than twice the precision), go through the noded
//   overlay, which decides every coincidence once and hands the pieces
//   out largest first: two contours touching only from outside leave the
//   first whole, identical ones nothing. Contours that only cross are
//   traced from their crossings, every piece before the first is handed
//   out; where a crossing was classified from a point within the
//   precision of the other contour, two crossings of one segment were
//   exchanged as a beak pair, or a piece cannot be closed, the overlay
//   decides instead.
// - Lines (mode 0): the first metric is a line of one or more parts; each
//   part is cut by the second's outer contour in turn, through the noding
//   of the two, and its stretches outside are handed out one by one in
//   order along it, each as a line of its own: a stretch ends where the
//   part enters the area or comes to run along its border, not where it
//   only touches it from outside. A part that does not cross the contour
//   comes back whole when it lies outside and not at all when it lies
//   inside (or along the border).
#pragma once

#include "geometry/objectcut.h"

class MAPCLASS TObjectConsent : public TObjectCutSubject {
 public:
  TObjectConsent();
  ~TObjectConsent();
  TObjectConsent(const TObjectConsent&) = delete;
  TObjectConsent& operator=(const TObjectConsent&) = delete;

  // n: the subject of the second metric (0 = outer) taken as the contour
  // cut by. 1 when pieces can be asked for; a line of one part must cross
  // the contour, one of several parts need not (its parts are walked).
  int LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int n, double precision);
  // The same on the plane forms of two objects (copied: the objects may
  // change or go while the worker lives); the pieces are in plane form.
  int LoadObjects(TObjectInfo* first, TObjectInfo* second, int mode, int n, double precision);
  // The next piece, or null when none is left.
  TDataEdit* GetNextObject();

 private:
  TDataEdit* NextLine();
  // Loads part `part` of the line: 1 when it has stretches to trace or
  // lies outside as a whole (PartWhole), 0 otherwise.
  int LoadPart(int part);
  int LoadStretches();
  // 1 when part `part` of the line lies outside the contour (tested at its
  // points and segment middles; points on the border decide nothing).
  int PartOutside(int part);

  TDataEdit Line;   // line results: the line, every part
  TDataEdit Area;   // line results: the metric cut by
  int Part = 0;       // line results: the part now cut
  int PartWhole = 0;  // that part is handed out whole next
  int AreaSubject = 0;
  double Asked = 0.0;  // the precision asked for at the load
};
