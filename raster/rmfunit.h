// The records of a document's chains of rasters, elevation matrices and
// quality matrices, as a host receives them from the document (its chain
// heads RstChainHead, MtrChainHead and MtqChainHead, GetRstChain, GetChain
// and GetMtqChain) and hands them to its display methods: the head (count,
// first unit) and the unit, which owns one open file object (a TRst or a
// TMtr, built in place at the unit's end) with the view settings of that
// file in its document. Units are numbered 1..count in link order.
#pragma once

#include <cstddef>

#include "codec/basecolors.h"
#include "raster/mtr.h"
#include "raster/rst.h"
#include "types/geotypes.h"

// One unit of a chain.
struct RMFCHAIN {
  RMFCHAIN* Next;
  RMFCHAIN* Previous;
  LONG View;              // 0 hidden, else shown (1)
  LONG ViewOrder;         // 0 under the vector map, 1 over it
  LONG MaskType;          // display mask type (7)
  LONG Reserve;           // keeps the frames on 8-byte boundaries
  DFRAME ElementFrame;    // the file's frame in the document's picture elements
  DFRAME Frame;           // in metres: X1 south, Y1 west, X2, Y2
  double Scale;           // at least 1
  double Precision;       // elements per metre, at least 1
  double ElementSize;     // metres per element
  double PictureFactor;   // document base scale / element size
  LONG TopScale;          // shown at scale denominators up to this (40,000,000)
  LONG BottomScale;       // ... and from this (1)
  LONG HiddenColors;      // colours marked invisible in the file when opened
  BYTE ColorView[256];    // nonzero: palette index i is shown
  BYTE ColorIndex[256];   // the unit's colours in the document palette
  TBaseColors Colors;     // source colours, brightness, contrast, count
  double Minimum;         // matrices: value range in metres
  double Maximum;
  double RangeLow;        // matrices: the range mapped onto the colours
  double RangeHigh;
  double ColorsPerUnit;
  LONG MatrixType;        // matrices: low byte of header +308
  LONG QualityShadow;     // quality matrices: relief shading 0..16 (4)
  DWORD Kind;             // RMF_RSW, RMF_MTW or RMF_MTQ: the file object's class
  TRmf* File;             // the file object, built in Storage
  alignas(16) BYTE Storage[sizeof(TRst) > sizeof(TMtr) ? sizeof(TRst) : sizeof(TMtr)];

  TRst* Raster() const { return Kind == RMF_RSW ? static_cast<TRst*>(File) : nullptr; }
  TMtr* Matrix() const { return Kind != RMF_RSW ? static_cast<TMtr*>(File) : nullptr; }
};

static_assert(offsetof(RMFCHAIN, ElementFrame) % 8 == 0 && offsetof(RMFCHAIN, Frame) % 8 == 0);

// The head of a chain: no unit (count 0, first null) when empty.
struct CHAININFO {
  LONG Count;
  RMFCHAIN* First;
};
