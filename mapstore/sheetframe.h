// The points of a sheet's frame object, from the corners kept in the sheet
// register of the map's current sheet: a topographic sheet gets a
// geographic frame whose north and south edges follow the parallels, with
// intermediate points at fixed longitude steps and corners rounded to whole
// (tenth, at 1:5 000 and larger) seconds; any sheet can get the four-corner
// frame in plane coordinates. The points go to a receiver: the frame
// builder of the objects layer puts them into an object, the map's own
// check of its sheet frames compares them with the stored frame.
//
// When something is wrong the builder asks the user, in a Yes/No box,
// whether to go on (while message boxes are enabled; otherwise the answer
// is No).
#pragma once

#include <cstdint>

#include "platform/win_types.h"

class TMap;

// Error kinds of a frame build.
enum : int32_t {
  FRAMEERR_NONE = 0,
  FRAMEERR_NORSC = 1,   // the map's classifier is not loaded (not asked)
  FRAMEERR_CODE = 2,    // the frame code cannot be registered
  FRAMEERR_SCALE = 3,   // a topographic scale without a point table
  FRAMEERR_SHEET = 4,   // the sheet cannot be made current or the object started
  FRAMEERR_POINT = 5,   // a point cannot be appended
  FRAMEERR_CORNER = 6,  // the edge points miss the passport corner
  FRAMEERR_INPUT = 7,   // an argument is missing, or the point count is not 2k + 5
};

// The receiver of a frame's points, in order: plane points (metres, X
// northing first) or geodetic points (radians, B first). Each returns 1
// when the point was taken, 0 when not.
struct SHEETFRAMESINK {
  void* Context;
  int (*Plane)(void* context, double x, double y);
  int (*Geo)(void* context, double b, double l);
};

// The Yes/No question of an error kind ("Create frame"): 1 go on, 0 for No
// or while message boxes are disabled; kind 0 is 1 without a question.
int SheetFrameQuestion(int32_t kind);

// The point count of the current sheet's frame and the longitude step
// between its intermediate points: 5 and the sheet's width for frame kinds
// 1 and 3; otherwise by the map's scale and the signed latitude of the
// middle of the west edge (a southern sheet counts as lying below 60
// degrees). A scale without a
// table is asked about (FRAMEERR_SCALE): Yes gives 5 (the step the
// sheet's width), No gives 0. 0 without a map or a current sheet
// (FRAMEERR_INPUT, asked).
int SheetFramePointCount(TMap* map, double* step, int32_t* errorKind);

// The four plane corners SW, NW, NE, SE and SW again: 1, or 0 with
// FRAMEERR_POINT when a point is refused (FRAMEERR_INPUT without a map or
// a current sheet), asked.
int SheetFrameFour(TMap* map, int32_t* errorKind, const SHEETFRAMESINK& sink);

// The geographic frame of a topographic sheet: SW, NW, the north edge's
// points west to east, NE, SE, the south edge's points east to west, SW.
// `step` and `pointCount` get the values of SheetFramePointCount. An edge
// that misses its corner by more than 1e-7 rad at a scale smaller than
// 1:50 000 is asked about (FRAMEERR_CORNER): Yes goes on, No gives 0. 1,
// or 0 (a refused point: FRAMEERR_POINT, asked).
int SheetFrameTopo(TMap* map, double* step, int32_t* pointCount, int32_t* errorKind,
                   const SHEETFRAMESINK& sink);
