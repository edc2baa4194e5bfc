// The document's painting of its rasters, elevation, quality and layer
// matrices (raster/rmfshow.h) under the vector map (place 0) or over it
// (place 1), into a target image or, from visual type 3 up, onto the
// document's device; and the painting slots of those kinds.
//
// Each call paces itself by the document's paint step (shared with the
// vector painters): at every step the image goes to the window and the
// host's break callback is asked, a non-zero answer stopping the pass.
// A null target paints into the paint context's picture.
#pragma once

#include "document/mapcontrol.h"
#include "raster/rmfshow.h"

// What the display takes of the document.
RMFSHOWHOST RmfShowHost(TMapControl* doc);

// Rasters: by place (1, or 0 when stopped), raster n alone or every shown
// raster (n below 1), raster n with its settings into a target (1 when
// done, 0 when stopped or missing).
int ShowRstPlace(TMapControl* doc, int place, const DIBCONTEXT* dib);
int ShowRst(TMapControl* doc, int n);
int ShowChainRst(TMapControl* doc, int n, const DIBCONTEXT* dib);
// Elevation or quality matrices of a chain (DocChain of DOCKIND_MTR or
// DOCKIND_MTQ).
int ShowMtrPlace(TMapControl* doc, CHAININFO* chain, int place, const DIBCONTEXT* dib);
int ShowMtr(TMapControl* doc, CHAININFO* chain, int n);
// Layer matrices.
int ShowMtlPlace(TMapControl* doc, int place, const DIBCONTEXT* dib);
int ShowMtl(TMapControl* doc, int n);

// The painting slots of DocumentKinds: the units of a place (1, or -1 when
// stopped), and unit n alone (below 1: every shown unit).
int ShowRstKind(TMapControl* doc, int over);
int ShowMtrKind(TMapControl* doc, int over);
int ShowMtqKind(TMapControl* doc, int over);
int ShowMtlKind(TMapControl* doc, int over);
int ShowRstUnit(TMapControl* doc, int n);
int ShowMtrUnit(TMapControl* doc, int n);
int ShowMtqUnit(TMapControl* doc, int n);
int ShowMtlUnit(TMapControl* doc, int n);
