// The document's chain of layer matrices (raster/mtlchain.h): opening with
// the checks a matrix passes against the open map, closing, reordering, the
// view settings of a unit, the border a matrix is shown in, heights and
// layer thicknesses at plane points, the units' share of the document
// region and their colour ranges.
//
// The chain head is the document's MtlChainHead. Matrices are numbered from 1 in chain order. Points are
// plane metres (X north, Y east); a frame holds a point with its edges.
#pragma once

#include "document/mapcontrol.h"
#include "raster/mtlchain.h"
#include "raster/mtr.h"

// No height at a point.
constexpr double MTL_NO_HEIGHT = -111111.0;

MTLCHAININFO* MtlChain(TMapControl* doc);
// Empties the chain (count 0, no first unit) without closing anything.
void InitMtlChain(TMapControl* doc);

// Opens a layer matrix: its number (a name already open, byte for byte,
// gives that unit again, set up again with its view and view order kept);
// 0 after reporting 60001 or 60006, or when the user refuses a matrix that
// lies outside the map.
int OpenMtl(TMapControl* doc, const char* name, int mode);
// Closes matrix n, or all when n is 0 (each saved first); then the region
// and the colour ranges are recomputed.
void CloseMtl(TMapControl* doc, int n);
MTLCHAIN* GetMtlChain(TMapControl* doc, int n);
// Fills a unit from its open matrix and runs the document updates: 1, or
// 0 without a layer block (60001 left in the matrix).
int InitMtlChainUnit(TMapControl* doc, MTLCHAIN* unit);

// View settings: 0 (mask, view) or -1 (order) without the unit; an order
// below 0 only reads it.
int CheckMtlView(TMapControl* doc, int n);
int SetMtlView(TMapControl* doc, int n, int view);
int GetMtlMaskType(TMapControl* doc, int n);
int SetMtlMaskType(TMapControl* doc, int n, int type);
const char* GetMtlName(TMapControl* doc, int n);
int MtlViewOrder(TMapControl* doc, int n, int order);
// Moves matrix `from` to position `to`: 1, or 0.
int ChangeOrderMtlShow(TMapControl* doc, int from, int to);

// The border from plane points (stored in elements, saved): the store's
// result, or 0. The stored border when it has a point, else null.
int SetMtlBorderPlane(TMapControl* doc, int n, TDataEdit* border);
TDataEdit* GetMtlBorderPlane(TMapControl* doc, int n);
int ShowMtlByBorder(TMapControl* doc, int n, int show);
int CheckShowMtlByBorder(TMapControl* doc, int n);

// Heights (metres; MTL_NO_HEIGHT when none) and layer thicknesses (layers
// from 1; MTL_NO_POWER when none): the first matrix in chain order that
// answers, matrix n alone, or the one with the finest element.
double GetElementHeight(TMapControl* doc, double x, double y);
double GetElementHeight(TMapControl* doc, int n, double x, double y);
double GetElementPower(TMapControl* doc, double x, double y, LONG layer);
double GetElementPower(TMapControl* doc, int n, double x, double y, LONG layer);
int GetElementPowersTriangle(TMapControl* doc, int n, double x, double y, double* powers, int count);
double GetElementPowerTriangle(TMapControl* doc, int n, double x, double y, int layer);
int PutElementHeight(TMapControl* doc, LONG n, double x, double y, double h);
int PutElementPower(TMapControl* doc, LONG n, double x, double y, double power, LONG layer);
double GetPrecisionElementHeight(TMapControl* doc, double x, double y);
double GetPrecisionElementPower(TMapControl* doc, double x, double y, LONG layer);
// The finest heights at count points evenly from first to last (the
// caller's first point is moved along to the last inner point): 1, or 0.
// HeightsAlongLine asks `height` at each point.
int HeightsAlongLine(TMapControl* doc, double (*height)(TMapControl*, double, double),
                     double* heights, int count, DOUBLEPOINT* first, DOUBLEPOINT* last);
int GetHeightArrayFromMtl(TMapControl* doc, double* heights, int count, DOUBLEPOINT* first,
                          DOUBLEPOINT* last);

int GetMtlDescribe(TMapControl* doc, int n, MTLDESCRIBE* describe);
int GetMtlProjectionData(TMapControl* doc, int n, MTRPROJECTIONDATA* data);
// The number of the k-th matrix whose frame holds the point, 0.
int GetMtlNumberInPoint(TMapControl* doc, double x, double y, int k);
int GetMtlNumberLastVisible(TMapControl* doc);
int GetLayerCountOfMtl(TMapControl* doc, LONG n);
double GetMaxSummaryPowerOfMtl(TMapControl* doc, LONG n);

// Layer `layer` (from 1) of matrix n in its layer block: null without the
// unit, and with 60001 (no layer block) or 60005 (a layer outside
// 1..count) left in the matrix.
MTLLAYER* GetMtlLayer(TMapControl* doc, int n, int layer);
// The layer's short name as a zero-terminated copy kept with the unit (the
// file's 16 bytes need no terminator); null as GetMtlLayer.
const char* GetMtlLayerShortName(TMapControl* doc, int n, int layer);
// Keeps the first 16 bytes of the name, zero-padded, and marks the layer
// block for saving: the name's copy, or null (a null name leaves 60040).
const char* SetMtlLayerShortName(TMapControl* doc, int n, int layer, const char* name);
// The layer block's bottom level and maximum summary power: set, the block
// marked for saving and the unit filled again (the chain's summaries
// follow); 1, or 0 without the unit or its layer block (60001).
int SetMtlBotLevel(TMapControl* doc, int n, double level);
int SetMtlMaxSummaryPower(TMapControl* doc, int n, double power);

// The colour ranges of the units over the document's height range.
void SetMtlColorRanges(TMapControl* doc);
// The chain's part of the document region (TMapControl::SetRegion): the
// base data from matrix 1 when nothing else gave it (true when taken), and
// every unit's drawing factor and element frame taken into the region with
// the height range and the chain-wide summaries.
bool MtlBaseData(TMapControl* doc);
void MtlUnitsRegion(TMapControl* doc);

// The DocumentKinds slots of the kind.
int OpenMtlKind(TMapControl* doc, const char* name, int mode);
void CloseMtlKind(TMapControl* doc, int n);
