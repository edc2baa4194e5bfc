// The hit test on the picture: which object is drawn at a place. Given a
// search frame, the maps, sheets and objects of a document are walked in
// the order of the object search (search/objectseek.h), and the first (or,
// walking backwards, the last) object whose sign as painted at the current
// zoom touches the frame is the answer; next and previous searches go on
// from an object to cycle through everything drawn there. There is no
// ranking by distance: the frame, widened by one pixel on every side, is
// the only tolerance.
//
// An object is first tested by its stored frame and the select, and only
// then drawn into the test window (drawing/visibility.h): its metric is
// converted to pixels relative to the frame and handed to the visibility
// test of its image's primitive. The document's drawing state (draw place,
// discrete scale, sheet place, current semantics) is put back before a
// search returns, so that painting afterwards shows what it showed before.
// The test window and the mask are shared with painting: a hit test must
// not run while a picture is being painted.
//
// No error codes: every failure gives 0 (a null handle) and leaves the
// handle alone.
//
// TObjectHit holds the bodies of the document's hit-test methods
// (TMapAccess::WhatObjectFrame and the rest, TMapControl::WhatObject and
// the rest), which hosts call; it stays inside the library.
#pragma once

#include <cstddef>

#include "document/mapaccess.h"
#include "search/objectseek.h"

// Coordinate kinds of a search frame are those of the sheet-by-point
// questions (SEEKPOINT_* of search/docseek.h): 1 map units, 2 picture
// pixels, 3 plane metres, 4 latitude and longitude in radians.

class TObjectHit {
 public:
  // Over a document: every search. Over the control link alone: the
  // searches from places and the tests of one object (a handle's frame
  // is converted by the document, so those searches find nothing).
  explicit TObjectHit(TMapAccess* doc) : Doc(doc), Access(doc), Maps(doc) {}
  explicit TObjectHit(TMapControl* doc) : Doc(doc), Maps(doc) {}
  explicit TObjectHit(std::nullptr_t) : TObjectHit(static_cast<TMapAccess*>(nullptr)) {}

  // --- Searches from object handles ---

  // The frame (copied, in the coordinate kind given) becomes map units;
  // the place is the handle's object for a next or previous search. The
  // handle bound to the object found, or null. A null select lets each
  // map's view select decide what counts.
  TObjectInfo* WhatObjectFrame(TObjectInfo* info, DFRAME* frame, int flags, int kind,
                               TMapSelect* select);
  TObjectInfo* WhatObject(TObjectInfo* info, DFRAME* frame, int flags, int kind);
  // A frame in map units. A next (previous) search from a handle without
  // an object is a plain first (last) search, its other flags dropped.
  TObjectInfo* WhatObject(TObjectInfo* info, DFRAME* frame, int flags);
  // The search of the object functions: the rule of the form above, then
  // the frame of the kind given, without a select.
  TObjectInfo* WhatObjectNoSelect(TObjectInfo* info, DFRAME* frame, int kind, int flags);

  // --- Searches from places ---

  // The maps in the order of the object search; with SEEK_THISMAP and a
  // select of another map than the place's, the search moves to the
  // select's map (next becoming first, previous last). Maps whose visible
  // flag is off, or whose range of visible scales leaves out the scale
  // shown, are passed over, as painting passes them over; a map number without a map ends the
  // search. The frame is in map units and comes back with X1 <= X2 and
  // Y1 <= Y2. The place (written) on a hit, else null.
  MAPOBJDESC* WhatObject(MAPOBJDESC* place, DFRAME* frame, int flags, TMapSelect* select);
  // Map n alone: it must be open, have sheets and its inquiry flag, and
  // be the select's map (without a select its view select decides). 1 and
  // the place written, or 0.
  int WhatObjectInMap(MAPOBJDESC* place, DFRAME* frame, TMapSelect* select, int n, int flags);

  // --- Tests of one object of the map's current sheet ---

  // Whether the object's sign, drawn at the map's zoom, touches the test
  // window as the search has set it up: 1 or 0.
  int TestObjectImage(const FVSPR* desc, TMap* map);
  // The size factor of the object's sign: the map's zoom, damped for a
  // scalable kind (scale method 0), nominal for a kind that is not.
  float SignScale(const FVSPR* desc, TMap* map) const;
  // 1 when the object is not deleted and its frame meets the frame (both
  // in sheet units); 0 for a null descriptor or frame.
  static int IsObjectInFrame(const FVSPR* desc, const FRAME* frame);

 private:
  // The frame of a kind in map units: false for an unknown kind or a
  // conversion that fails.
  bool ToMapUnits(DFRAME* frame, int kind);
  // The candidates of the map's current sheet in the walk's direction
  // (SEEK_NEXT and SEEK_PREV from object `from`): the number of the first
  // hit, or 0.
  int WhatObjectInSheet(TMap* map, int from, TMapSelect* select, bool own, int walk);
  // Whether a candidate passes the frame or visibility test, the select
  // and the sign test.
  int Accept(const FVSPR* desc, TMap* map, TMapSelect* select, bool own);
  // The document's test window and draw place over the frame (map units).
  void PlaceWindow(const DFRAME& frame);
  // The visibility test of a primitive with the object's polylines.
  int TestElement(int code, const char* parm, int length, float scale);

  TMapControl* Doc;
  TMapAccess* Access = nullptr;
  TSeekMaps Maps;
};
