// Heights and values at a point: the value of one elevation or quality
// matrix unit at a plane point, the first, the given or the finest matrix
// of the document that answers (the layer matrices asked when no elevation
// matrix does), a profile of heights along a line, and the writing of one
// value.
//
// Points are plane metres (X north, Y east); a frame holds a point with
// its edges. Stored values are in the file's height unit (metres,
// decimetres, centimetres, millimetres); heights given and returned are
// metres. MTL_NO_HEIGHT (-111111.0) means no height.
#pragma once

#include "document/mapcontrol.h"
#include "document/mtlchains.h"
#include "raster/rmfchain.h"

// The value of a unit at a point: 1 when the unit gives one (an empty
// element gives 0; a file of an unknown height unit 60005 in the file and
// the value MTL_NO_HEIGHT).
int GetUnitHeight(RMFCHAIN* unit, double* value, double x, double y);
// The first unit in chain order that gives a value: 1 when that value is a
// height; 0 with the value untouched when none gives one.
int GetChainHeight(CHAININFO* chain, double* value, double x, double y);
// Writes a value at a point into unit n (stored units, integers truncated
// toward zero) and widens the header's value range: the write's result. A
// value outside what the element holds is refused (60040).
int PutChainHeight(CHAININFO* chain, int n, double x, double y, double value);

// The first elevation matrix in chain order, else the layer matrices.
double GetHeightValue(TMapControl* doc, double x, double y);
// Elevation matrix n only.
double GetHeightValue(TMapControl* doc, int n, double x, double y);
// The elevation matrix of the finest element (the earlier of equal ones),
// else the finest layer matrix.
double GetPrecisionHeightValue(TMapControl* doc, double x, double y);
// Interpolated in a triangle of elements of the finest matrix that gives a
// height within its range, else of the finest layer matrix.
double GetPrecisionHeightTriangle(TMapControl* doc, double x, double y);
// The finest heights at count points evenly from first to last; the
// caller's first point ends on the last inner point. 1, or 0.
int GetHeightArray(TMapControl* doc, double* heights, int count, DOUBLEPOINT* first,
                   DOUBLEPOINT* last);
// Writes a height (metres) into elevation matrix n: 1, or 0.
int PutHeightValue(TMapControl* doc, LONG n, double x, double y, double h);
