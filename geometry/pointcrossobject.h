// Crossing-point lists: the crossings of every contour pair of two map
// objects (or of one chosen pair) collected into CROSSPOINT records a host
// reads by number. The objects' metrics are copied in plane form; one
// crossing worker is reloaded for each pair, without cleaning (the point
// numbers must stay those of the objects) and without sheet shifting.
//
// The working precision of an object: 0.001, or 0.01 on maps of scales
// smaller than 1:500,000; a larger precision given by the caller replaces
// it when it is at least 0.00001.
#pragma once

#include <memory>
#include <vector>

#include "types/crosspoint.h"
#include "geometry/pointcross.h"
#include "records/dataedit.h"

// The working precision for a map of `scale` and a precision asked for.
double GeometryPrecision(double scale, double precision);
// The same for an object's map; 0.001 for a null object or one without map.
double GeometryPrecision(TObjectInfo* object, double precision);

class MAPCLASS TPointCrossObject {
 public:
  TPointCrossObject();
  ~TPointCrossObject();
  TPointCrossObject(const TPointCrossObject&) = delete;
  TPointCrossObject& operator=(const TPointCrossObject&) = delete;

  // Every contour pair of the two objects: the number of crossings listed.
  int LoadObjects(TObjectInfo* first, TObjectInfo* second, double precision);
  // Contour s1 of the first with contour s2 of the second.
  int LoadObjects(TObjectInfo* first, TObjectInfo* second, int s1, int s2, double precision);
  // The same on plane metrics, the handles only recorded in the list;
  // s1 < 0 crosses every pair.
  int LoadData(TDataEdit* first, TDataEdit* second, HOBJ h1, HOBJ h2, int s1, int s2,
               double precision);

  // Record n (from 1) into *out: 1, or 0 for n out of range or null out.
  int GetPoint(int n, CROSSPOINT* out) const;
  int Count() const { return static_cast<int>(List.size()); }

 private:
  // Appends crossing k of the loaded worker: 1, 0 without its partner.
  int SetPoint(int k);
  int LoadPair(int s1, int s2, double precision);

  TDataEdit Data1;
  TDataEdit Data2;
  HOBJ Handle1 = 0;
  HOBJ Handle2 = 0;
  std::unique_ptr<TPointCross> Worker;
  std::vector<CROSSPOINT> List;
};
