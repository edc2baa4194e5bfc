// The frame of a map object: the rectangle (X1, Y1, X2, Y2 in device units,
// X north) kept in its descriptor so that searches and painting can skip
// objects that cannot touch an area.
//
// The frame is computed from the object's metric and widened for what is
// drawn around its points: a margin for line widths, the extent of the
// texts of a title, the extent of the signs of point and vector objects,
// and for kinds drawn by an image plug-in the frame the plug-in reports.
// The functions here take everything they need of the map in a context
// record, so that they work on any record in memory.
#pragma once

#include "mapstore/sheetfile.h"
#include "platform/win_types.h"

struct TRSCDATA;

// What the frame computation needs of the map.
struct OBJECTFRAMECONTEXT {
  TRSCDATA* Rsc;          // the classifier (may be null: no image parameters)
  LONG Scale;             // scale denominator
  int UserMap;            // nonzero for a user map
  double Factor;          // metres per device unit
  LONG DeviceCapability;  // device units per metre on paper
};

// Fills a context from a map's passport (the factor as the map computes
// it: scale / device capability, 1.0 for a user map).
struct MAPPASSPORT;
void SetObjectFrameContext(OBJECTFRAMECONTEXT* context, const MAPPASSPORT* passport,
                           TRSCDATA* rsc);

// A size on paper in micrometres in device units.
double PaperToSheet(const OBJECTFRAMECONTEXT& context, double size);
// Margin m of the frames of lines and areas: 64 device units, on a user map
// truncate(scale * 32 / 3000 + 1).
int ObjectFrameMargin(const OBJECTFRAMECONTEXT& context);

// The whole choice: a kind drawn by an image plug-in asks the plug-in;
// titles get the text frame, point and vector objects the sign frame,
// everything else the point frame. Nothing without a descriptor or a
// metric record that holds a valid marker and a sane length.
void BuildObjectFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                      const SEMANTIC* semn, const IMGDRAW* draw);
// The frame from the points alone, widened by the margin.
void BuildPointFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric);
// The frame of a title from its texts as its text images place them.
void BuildTextFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                    const SEMANTIC* semn, const IMGDRAW* draw);
// The frame of a point or vector object from its signs.
void BuildSignFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                    const SEMANTIC* semn, const IMGDRAW* draw);
// The frame of an object drawn by an image plug-in (kinds whose image
// function is 250): 1 with the frame stored, 0 when the plug-in layer does
// not answer (the frame is then left alone).
int BuildImageFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                    const SEMANTIC* semn);

// The question put to the image plug-in layer for the frame of a library
// sign: the kind's image parameters, the object's points contour by
// contour as screen-oriented integers relative to its first point (east
// and downwards), the text of each contour of a title or mixed object, the
// semantics and the drawing scale. The answer is {left, top, right,
// bottom} relative to the first point; nonzero when it was given.
struct OBJECTIMAGEQUERY {
  const char* Parameters;  // the parameters of the library image
  int ParameterLength;
  const POINT* Points;     // all points, contour after contour
  const int* Counts;       // points of each contour
  const char* const* Texts;  // text of each contour (titles and mixed objects), or null
  int Contours;
  const SEMANTIC* Semn;
  double Scale;            // drawing scale
};
typedef int (*OBJECTIMAGEBORDERPROC)(const OBJECTIMAGEQUERY* query, LONG* frame);
// Installed by the image plug-in layer; null (the default): no library
// sign can be measured and such objects get the frame of their local type.
OBJECTIMAGEBORDERPROC SetObjectImageBorderService(OBJECTIMAGEBORDERPROC proc);
