// What the painters of vector signs (IMGVECTOREX, codes 149, 156 and 199)
// share on a device and in the memory image: the walk over a sign's
// subjects within the record's own length, the placement of a sign at an
// anchor turned towards a direction point, the placed points of a subject
// (circles, ellipses and arcs by chords), the text of a text subject, and
// the walk over the parts of the polylines that carry the signs.
//
// A subject is: byte geometry kind, byte primitive code, u16 parameter
// length, the parameters, u32 point count, the points (i32 pairs along
// and across the sign). Placed points go into SignPoints: one sign at a
// time, like the paint context.
#pragma once

#include <cstdint>
#include <type_traits>

#include "types/signimage.h"
#include "drawing/chordarcs.h"
#include "drawing/devicepainters.h"
#include "drawing/pixelmath.h"
#include "drawing/polydata.h"
#include "platform/win_types.h"

enum : int {
  SIGN_KIND_OUTLINE = 101,        // starts a composite outline
  SIGN_KIND_OUTLINE_PIECE = 102,  // a piece (a ring in the memory image) of one
  SIGN_KIND_OUTLINE_END = 103,
  SIGN_CODE_TEXT = 160,
  SIGN_PARM_MAX = 320,       // parameter bytes of a subject that are read
  SIGN_TEXT_CHARS_MAX = 255,
  SIGN_OUTLINE_POINTS_MAX = 4096,  // points of one composite outline
  // Room of SignPoints: an outline, the last round piece past it, and the
  // closing point of every ring of a memory-image outline.
  SIGN_POINTS_ROOM = SIGN_OUTLINE_POINTS_MAX + int(JOIN_ARC_POINTS_MAX) + 2 + VECTOR_SUBJECTS_MAX,
};

extern POINT SignPoints[SIGN_POINTS_ROOM];

// One subject of a sign, inside the record.
struct SIGNSUBJECT {
  int Kind;
  int Code;
  const char* Parm;
  int ParmLength;
  const char* Points;  // pairs of i32
  int Count;
};

// The subjects of a sign, at most VECTOR_SUBJECTS_MAX and never read past
// the record's own length; a subject of more than VECTOR_POINTS_MAX points
// or running past the length ends the walk.
class TSignSubjectWalk {
 public:
  TSignSubjectWalk(const char* sign, DWORD length, DWORD count);
  // The next subject; false at the end or at one that does not fit.
  bool Next(SIGNSUBJECT* s);
  // The kind of the next subject without taking it; -1 at the end.
  int PeekKind() const;

 private:
  bool Stop();
  const char* sign_;
  uint64_t length_;
  uint64_t offset_ = sizeof(IMGVECTOREX);
  DWORD left_;
};

// How one sign lies in pixels: the anchor pixel (unrounded), the
// direction's cosine and sine, the flip and the pixel factors.
struct SIGNPLACEMENT {
  double X, Y;
  double Cos, Sin;
  int Flip;
  double FactorH, FactorV;
  LONG AnchorAlong, AnchorAcross;  // the sign's anchor values

  // A point of the sign (a along, b across) in pixels.
  POINT Place(double a, double b) const {
    const double u = a * FactorH, v = -b * FactorV * Flip;
    return POINT{NearestPixel(X + u * Cos + v * Sin), NearestPixel(Y + u * Sin - v * Cos)};
  }
  // An offset in unturned pixels (y downwards) from a placed centre.
  POINT Turn(POINT centre, double dx, double dy) const {
    return POINT{NearestPixel(centre.x + dx * Cos - dy * Sin),
                 NearestPixel(centre.y + dx * Sin + dy * Cos)};
  }
  // The unturned offset of a pixel from a placed centre.
  void Unturn(POINT centre, POINT p, double* dx, double* dy) const {
    const double x = double(p.x) - centre.x, y = double(p.y) - centre.y;
    *dx = x * Cos + y * Sin;
    *dy = -x * Sin + y * Cos;
  }
};

// Places the sign at the anchor, turned towards the direction point, by
// its flag bytes (fixed direction, flip to the left, scale at least 1,
// fitted to the segment, centred on it), the code's flip (-1 for 156), the
// scale and the pixels per micrometre across and along. False when the
// sign is too small to be drawn.
bool PlaceSign(const char* sign, const IMGVECTOREX& head, POINT anchor, POINT toward,
               int codeFlip, float scale, double perMicronH, double perMicronV,
               SIGNPLACEMENT* pl);

// The placed points of a subject appended to SignPoints at `at`: circles,
// ellipses and arcs by chords around their centre (taken relative to the
// anchor values; a filled arc closed through its centre), other kinds as
// they are. Returns the new count.
int SignSubjectPoints(const SIGNPLACEMENT& pl, const SIGNSUBJECT& s, int at, bool filled);

// The text of a text subject (code 160) for its one-part set: from word 9
// of its parameters, or the value of the semantic code of word 8 in the
// object's semantics; a two-point text of a flipped sign gets its points
// exchanged and its horizontal alignment (bits 1-2 of the u16 at byte 20
// of `words`, the subject's parameters) mirrored. The set's text entry
// points into `text`.
struct SIGNTEXT {
  char Chars[SIGN_TEXT_CHARS_MAX + 2];  // length byte first
  char* Parts[1];
};
void PrepareSignText(const POLYDATA* data, const SIGNPLACEMENT& pl, const SIGNSUBJECT& s,
                     char* words, POLYDATA* set, SIGNTEXT* text);

// The anchor and direction point of each part that carries a sign: every
// part when there is one, all but the first when there are several; the
// second point (or 16 pixels to the right) gives the direction; parts
// after the first are pulled towards the object's first point by `pull`.
// A part of more than VECTOR_PART_POINTS_MAX points is taken as 16 and
// ends the walk, as does a negative count. `place` answers true to stop
// the walk (or returns nothing); true when it stopped.
template <class Pull, class Place>
bool ForEachSignPart(const POLYDATA* data, Pull pull, Place place) {
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    LONG n = data->PolyCounts[part];
    if (n < 0) return false;
    const POINT* points = p;
    p += n;
    const bool last = n > VECTOR_PART_POINTS_MAX;
    if (last) n = 16;
    if (n > 0 && (part > 0 || data->Count < 2)) {
      POINT anchor = points[0];
      POINT toward = n >= 2 ? points[1] : POINT{SaturatePixel(int64_t(anchor.x) + 16), anchor.y};
      if (part > 0) anchor = pull(anchor), toward = pull(toward);
      if constexpr (std::is_void_v<decltype(place(anchor, toward))>) {
        place(anchor, toward);
      } else if (place(anchor, toward)) {
        return true;
      }
    }
    if (last) return false;
  }
  return false;
}

// The sign record is usable: a head of its own length at least.
bool SignHead(const char* sign, IMGVECTOREX* head);

// A code-199 record (IMGVECTORREF): false when its length is not
// IMGVECTORREF_LENGTH; else its sign's address into `sign` and its
// placement values into VectorSignPlacement.
bool TakeSignReference(const char* parm, const char** sign);
