// The sheet frame builder (TMapFrame): the frame object of one sheet of a
// vector map, a closed line along the sheet's border of the classifier's
// frame code, built into a caller's object handle from the corners kept in
// the sheet register; the caller then commits it with AppendFrame.
//
// A topographic map gets a geographic frame (edges along the parallels,
// intermediate points at fixed longitude steps, corners rounded to whole
// or tenth seconds), falling back to the four plane corners when that
// cannot be built; every other map gets the four-corner frame. The points
// themselves come from the map store (mapstore/sheetframe.h). Failures set
// an error kind and, while message boxes are enabled, ask the user whether
// to go on.
#pragma once

#include <cstdint>

#include "mapstore/sheetframe.h"
#include "platform/export.h"
#include "platform/win_types.h"

class TMap;
class TObjectInfo;

class MAPCLASS TMapFrame {
 public:
  // Everything zero.
  TMapFrame();
  // Builds the frame of `sheet` with the frame code given, or with the
  // map classifier's frame code (FRAMEERR_NORSC when the classifier is not
  // loaded); throws the integer 0 when the frame is not built.
  TMapFrame(TMap* map, int sheet, LONG code, TObjectInfo* object);
  TMapFrame(TMap* map, int sheet, TObjectInfo* object);

  // Makes the sheet current, starts a new object of the code in `object`
  // (double plane points) and builds the frame the map's type asks for:
  // 1 built, 0 not (frame kind 4 gives 0 without a question). The points
  // appended before a failure stay in the object.
  int CreateFrameMap(TMap* map, int sheet, LONG code, TObjectInfo* object);
  // The four plane corners SW, NW, NE, SE, SW: 1 or 0.
  int CreateFrameMapFour();
  // The frame of a geographic map: the four-corner frame.
  int CreateFrameMapGeog();
  // The geographic frame of a topographic sheet: 1 or 0.
  int CreateFrameMapTopo();
  // Sets the step and the point count of the current sheet's frame and
  // returns the count (0 refused).
  int SetPointFrame();
  // Commits the built object (a new sheet frame replaces the old one):
  // its number, 0 without an object or when the write fails.
  int AppendFrame();
  // The Yes/No question of the current error kind: 1 go on.
  int Message();

  double Step;          // longitude step (radians) of the north and south edges
  TMap* Map;            // the map
  TObjectInfo* Object;  // the caller's object that receives the frame
  int32_t Code;         // classifier code of the frame object
  int32_t PointCount;   // 5 corners only; 2k + 5 with k points on each edge
  int32_t ErrorKind;    // FRAMEERR_*

 private:
  // A new object of the frame code on the sheet: 1, or 0 with the error
  // kind set and asked.
  int StartObject(int sheet);
  // The object as the receiver of the frame's points.
  SHEETFRAMESINK Sink();
};
