// The adjacency search: the stretches of an object's contour that other
// objects touch. Two objects are adjacent along a stretch of the source's
// contour when its consecutive points, and the midpoints of the segments
// between them, all lie within a tolerance of the other object's contour.
//
// Candidates come from an area search around the source: the select given
// takes the source as its area (distance: the precision + 0.01 metres) and
// keeps that area and its sample afterwards. The candidates are walked
// with the object search in map m; the source itself is never its own
// neighbour. The tolerance is the precision + 0.01 in plane metres on a
// map that keeps plane coordinates, else the precision in map units + 0.01.
//
// A search is continued from the caller's state: the section record, the
// subject number and the neighbour handle (bound to the neighbour of the
// last section). Flags 0, or a section count of 0, start it over. A state
// without a section (first point 0) goes on from the neighbour handle's
// object to the next candidate, so that a search that has answered 0 goes
// on answering 0.
//
// No error codes: every failure gives 0.
//
// TAdjacentSeek holds the bodies of the document's adjacency methods
// (TMapAccess::SeekAdjacentObject and the rest), which hosts call; it
// stays inside the library.
#pragma once

#include "document/mapaccess.h"
#include "types/objtypes.h"

class TAdjacentSeek {
 public:
  explicit TAdjacentSeek(TMapAccess* doc) : Doc(doc) {}

  // As the document's methods of these names (document/mapaccess.h); with
  // a null document, 0.
  int SeekAdjacentObject(TObjectInfo* neighbour, TObjectInfo* source, MAPADJACENTSECTION* section,
                         TMapSelect* select, double precision, int flags, int m, int subjects);
  int SeekAdjacentObjectSubject(TObjectInfo* neighbour, TObjectInfo* source,
                                MAPADJACENTSECTION* section, int* subject, TMapSelect* select,
                                double precision, int flags, int m);
  int SeekAdjacentList(TObjectInfo* source, MAPADJACENTLISTEX* list, int count,
                       TMapSelect* select, double precision, int single, int m, int subjects);
  int SeekAdjacentListSubject(TObjectInfo* source, MAPADJACENTLISTEX* list, int* subjects,
                              int count, TMapSelect* select, double precision, int single, int m);
  // The list into the short entries of the object functions: the sheet
  // name cut to what an entry holds.
  int SeekAdjacentList(TObjectInfo* source, MAPADJACENTLIST* list, int count,
                       TMapSelect* select, double precision, int single, int m, int subjects);

 private:
  // One search: the source, its frame widened by the tolerance (map
  // units), the tolerance in the units of the source's metric.
  struct Search {
    TObjectInfo* Source;
    TMapSelect* Select;
    DFRAME Frame;
    double Tolerance;
  };
  // The area on the select and the tolerance: false when the source has
  // no frame or no points.
  bool Prepare(Search* search, TObjectInfo* source, TMapSelect* select, double precision);
  // The next section from the caller's state: the new count, or 0.
  int Next(const Search& search, TObjectInfo* neighbour, MAPADJACENTSECTION* section,
           int* subject, int flags, int m);
  // Whether a candidate may touch the source.
  static bool Candidate(const Search& search, TObjectInfo* neighbour);
  // The source's points against the neighbour from contour `subject`,
  // point `point`: true with the section and contour written.
  static bool Walk(const Search& search, TObjectInfo* neighbour, MAPADJACENTSECTION* section,
                   int* subject, int point);
  // Records of untouched stretches around the sorted touched ones, within
  // the capacity: the record count, 0 when memory is short.
  static int Complete(TObjectInfo* source, MAPADJACENTLISTEX* list, int* subjects, int found,
                      int count);

  TMapAccess* Doc;
};
