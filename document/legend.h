// The geometry and texts of legend samples: where a bare primitive is
// painted in a sample rectangle when the caller gives no points, and which
// text a text sample shows. TMapAccess::PaintExampleObject paints them.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

enum : int {
  EXAMPLE_POINTS = 10,  // points of the largest sample (five strokes)
  EXAMPLE_PARTS = 5,
  EXAMPLE_LINE_COLOR = 0x808080,  // the line painted when a record has none
  EXAMPLE_LINE_THICKNESS = 256,
};

// The polylines of a sample, relative to the rectangle's top-left corner.
struct EXAMPLESHAPE {
  POINT Points[EXAMPLE_POINTS];
  LONG Counts[EXAMPLE_PARTS];
  LONG Parts;
  LONG Margin;  // m: the inner box is (m, m) .. (width - m - 1, height - m - 1)
  POLYDATA Data;  // the polylines above, without texts
};

// The sample of primitive `code` (its parameters, `size` bytes of them when
// known, else a large number) for the local kind in a rectangle of
// width x height pixels. A code-127 sample has one part without points.
// The shape's Data points at its own arrays: copy it only with Rebind.
void ExampleShape(int code, const char* parm, LONG size, int local, LONG width, LONG height,
                  EXAMPLESHAPE* shape);
// Points the shape's Data at its own arrays again.
void RebindShape(EXAMPLESHAPE* shape);

// Figures of the labelled set (code 150) around the centre of the inner
// box: five strokes within 5 pixels of it (the set's line alone), or three
// strokes to its right (beside the set's sign).
void LabelFigure(LONG width, LONG height, bool besideSign, EXAMPLESHAPE* shape);

// The text a sample of primitive `code` shows when it is given none:
// "12345" for a face text (152) whose character set (byte 30) is 0 and
// for a text (142) whose font (word at byte 22) has character set 0 in the
// font registry; "AaBbCc" for every other. A set (147) answers for its
// first element (a code of 255 or more counts as 0).
const char* SampleText(int code, const char* parm);
