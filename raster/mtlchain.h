// The chain of a document's layer matrices: a head (count, first unit) over
// doubly linked units numbered 1..count in link order. Each unit owns its
// open layer-matrix file (raster/mtl.h) with the view settings of that file
// in its document and what the painters and the height queries need of it.
//
// What needs the document (opening with its checks, the region, the colour
// ranges) is the document's (document/mtlchains.h).
#pragma once

#include <memory>

#include "types/geotypes.h"
#include "types/maptypes.h"
#include "raster/chainlinks.h"
#include "raster/mtl.h"

struct MTLCHAIN {
  MTLCHAIN* Next;
  MTLCHAIN* Previous;
  LONG View;            // non-zero: shown; from header byte 210, 1 when 0
  LONG ViewOrder;       // 0 under the vector map, 1 over it
  LONG MaskType;        // from header byte 209, 7 when 0
  LONG Reserve;         // keeps the frames on 8-byte boundaries
  DFRAME ElementFrame;  // in elements from the document origin (the picture frame)
  DFRAME Frame;         // metres: X1 = location X, X2 = X1 + rows x element size
  double Scale;         // at least 1
  double Precision;     // at least 1
  double ElementSize;   // metres per element
  double PictureFactor; // document base scale / element size (drawing factor)
  double MinHeight;     // metres
  double MaxHeight;
  double BottomLevel;   // the layer block's bottom level
  double MaxSummaryPower;
  double RangeLow;      // display range in stored height units
  double RangeHigh;
  double ColorsPerUnit; // colour indexes per stored unit
  LONG TopScale;        // shown at scale denominators up to this (40,000,000)
  LONG BottomScale;     // ... and from this (1)
  LONG LayerCount;
  LONG Reserve2;
  TMtl Matrix;          // the opened file
  // The layers' short names as zero-terminated copies (MTL_SHORT_NAME
  // bytes a layer) that a host may read as texts: the file's 16 bytes
  // need no terminator. Made at the first request.
  std::unique_ptr<char[]> ShortNames;
  LONG ShortNameCount = 0;
};

constexpr int MTL_SHORT_NAME = 17;

// The head of the chain.
struct MTLCHAININFO {
  LONG Count;
  MTLCHAIN* First;
};
