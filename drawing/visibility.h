// Visibility and hit tests: whether what an image primitive would draw
// touches a small test window. The object seek on the picture sets the
// window, builds each object's pixel polylines (POLYDATA) relative to it,
// and calls the test of each element's code from VisibilityTestTable; the
// image plug-ins' host function and the primitive set walk call the same
// tests. A test answers 1 or 0 and reports nothing.
//
// The window is [0, Width) x [0, Height) in the coordinates of the
// polylines under test. Their frame (least and greatest column and row)
// must hold their points, as the object seek builds them: a set whose
// frame misses the window is answered at once. The line walks and the sign tests use it as set;
// the polygon tests use the mask window: the window limited to an eighth
// of the memory image's row length in bytes and a quarter of its height,
// so that it fits into the test mask (plane 1 of the paint context's bits
// image, one bit per window pixel). Without a memory image a polygon is
// tested by its outline alone.
//
// The window, the hit flag and the test mask are process-wide, like the
// paint context: one test at a time, and not while a picture is painted.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

class TPaintMetric;

struct TESTWINDOW {
  LONG Width;   // columns
  LONG Height;  // rows
};

// The window the tests use (0 x 0 until set: every test answers 0).
extern TESTWINDOW TestWindow;
// Set by the walkers when what they test touches the window; every test
// clears it first and answers it.
extern LONG TestHitFlag;

// Sets the test window in pixels (a negative size counts as 0).
void SetTestWindow(int width, int height);
// The window of the polygon tests for the current memory image.
TESTWINDOW TestMaskWindow();

// --- Tests of VisibilityTestTable (document, polylines, parameters, scale) ---

// The default test: the one-pixel walk of every part's segments (a part
// of one point is a segment to itself; a part of 0 or fewer points ends
// the walk) meets the window.
int TestDefaultImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// A thick line: thickness t = byte 1 of the record (t x min(scale, 16),
// rounded, when the scale is at least 0.01); the default test with the
// window widened by (t + 1) / 2 on every side, or the default test for
// t = 0.
int TestLineImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// A polygon set (even-odd, parts of 1 to 3 points left out of the fill):
// its outline meets the mask window or its inside covers a pixel of it.
// The parameters are not read.
int TestImageByMask(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Code 141: the circle of radius trunc((word 2 / 250) x scale) around the
// first point, by chords, as a thick line.
int TestCircleImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Codes 142 and 152: the memory image's text front end in hit-test mode.
int TestTextImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
int TestFaceTextImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Code 143: the first point within 8 pixels of the window.
int TestBitmapSignImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Codes 149, 156 and 199: the vector sign placed as on a device at the
// screen's resolution; below scale 0.02 never. Each subject is tested in
// turn: a fill by its polygon, a text by its box, any other subject by its
// bounding box widened by one pixel. 199 with a record of another length:
// the default test.
int TestVectorSignImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
int TestVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
int TestVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
