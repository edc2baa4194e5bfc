// The chains of a document's rasters, elevation matrices and quality
// matrices: a head (count, first unit) over doubly linked units numbered
// 1..count in link order. Each unit owns one open file object (a TRst or a
// TMtr, built in place at the unit's end) with the view settings of that
// file in its document: shown or hidden, under or over the vector map, the
// scale range, the mask type, per-colour visibility and the colours.
//
// The operations here work on a chain alone; what needs the document
// (opening with its checks, unit set-up, the region) is the document's.
#pragma once

#include <new>

#include "platform/export.h"
#include "raster/rmfunit.h"

// A matrix unit's description and a colour step of a matrix palette are
// the public records of types/mtrtypes.h.

// Scale range of a new unit.
constexpr LONG CHAIN_TOP_SCALE = 40000000;
constexpr LONG CHAIN_MASK_TYPE = 7;
constexpr LONG CHAIN_SHADOW = 4;

// A new unit of a kind (RMF_RSW, RMF_MTW or RMF_MTQ) with an empty file
// object of its class and the defaults of a new unit; 0 when no memory.
RMFCHAIN* NewChainUnit(DWORD kind);
// Ends the file object (a raster's copies brought up to date and closed
// first) and frees the unit.
void FreeChainUnit(RMFCHAIN* unit);
// Links a unit behind the last one and counts it: its number.
int AppendChainUnit(CHAININFO* chain, RMFCHAIN* unit);

// Unit n (1-based); 0 when there is none.
RMFCHAIN* GetChainUnit(CHAININFO* chain, int n);
// The number of the first unit whose file name equals the name, letters
// compared without regard to case (code page 1251); 0.
int GetChainNumberByName(CHAININFO* chain, const char* name);
// View, mask type and view order of unit n; -1 without the unit. A view
// order below 0 only reads it.
int CheckChainView(CHAININFO* chain, int n);
int SetChainView(CHAININFO* chain, int n, int view);
int GetChainMaskType(CHAININFO* chain, int n);
int SetChainMaskType(CHAININFO* chain, int n, int type);
int ChainViewOrder(CHAININFO* chain, int n, int order);
// Colour visibility byte i (0 for i outside 0..255); -1 without the unit.
int CheckChainPaletteView(CHAININFO* chain, int n, int i);
int SetChainPaletteView(CHAININFO* chain, int n, int i, int view);
// The precision of unit n, also in its file: n, or 0.
int SetChainPrecision(CHAININFO* chain, int n, double precision);
DFRAME* GetChainFrame(CHAININFO* chain, int n);
DFRAME* GetChainFrameMeters(CHAININFO* chain, int n);
// The file name; "" without the unit.
const char* GetChainName(CHAININFO* chain, int n);
TBaseColors* GetChainColors(CHAININFO* chain, int n);
int GetChainBright(CHAININFO* chain, int n);
int GetChainColorCount(RMFCHAIN* unit);
// The number of the k-th unit (k >= 1) whose frame holds the point,
// edges included; 0.
int GetChainNumberInPoint(CHAININFO* chain, double x, double y, int k);
// Moves unit `from` in front of the unit at position `to` of the chain
// without it (at the end past it): 1, or 0.
int ChangeChainOrder(CHAININFO* chain, int from, int to);
// The border from a record of plane points (metres): 1, or 0. Rasters keep
// the fractions of an element, matrices truncate them.
int SetChainBorderPlane(CHAININFO* chain, int n, TDataEdit* plane);
// The stored border (element units) when it has points, else 0.
TDataEdit* GetChainBorderPlane(CHAININFO* chain, int n);
int GetChainDescribe(CHAININFO* chain, int n, MTRDESCRIBE* describe);
int GetChainProjectionData(CHAININFO* chain, int n, MTRPROJECTIONDATA* data);
// Closes unit n, or every unit when n is 0; nothing for a missing unit.
void CloseChain(CHAININFO* chain, int n);
