// The document's painting of rasters and matrices.
#include "document/rmfdisplay.h"

#include <algorithm>
#include <cstring>

#include "drawing/paintcontext.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"

namespace {

int Step(void* owner) { return static_cast<TMapControl*>(owner)->PaintStep(); }

}  // namespace

RMFSHOWHOST RmfShowHost(TMapControl* doc) {
  RMFSHOWHOST host{};
  host.Metric = doc;
  host.ShowScale = doc->ShowScale;
  host.BaseScale = doc->BaseScale;
  host.Relief = doc->MtrShadow;
  host.LayerLow = doc->HeightMin;
  host.LayerHigh = doc->HeightMax;
  host.Step = Step;
  host.Owner = doc;
  return host;
}

int ShowRstPlace(TMapControl* doc, int place, const DIBCONTEXT* dib) {
  if (!doc) return 0;
  TRmfShow show(RmfShowHost(doc));
  return show.ShowRstPlace(DocChain(doc, DOCKIND_RST), place, dib);
}

int ShowRst(TMapControl* doc, int n) {
  if (!doc) return 0;
  TRmfShow show(RmfShowHost(doc));
  return show.ShowRst(DocChain(doc, DOCKIND_RST), n);
}

int ShowChainRst(TMapControl* doc, int n, const DIBCONTEXT* dib) {
  RMFCHAIN* unit = doc ? GetChainUnit(DocChain(doc, DOCKIND_RST), n) : nullptr;
  if (!unit || !unit->Raster() || !(unit->PictureFactor > 0.0)) return 0;
  TRmfShow show(RmfShowHost(doc));
  std::memcpy(show.ColorView, unit->ColorView, sizeof(show.ColorView));
  doc->SetElemScale(unit->PictureFactor);
  show.Frame = &unit->ElementFrame;
  if (!show.CheckViewRmf()) return 1;
  show.MaskType = unit->MaskType;
  show.Period = unit->View;
  const int bits = unit->File->Head.BitsPerElement;
  if (bits >= 1 && bits <= 8) {
    COLORREF colours[256] = {};
    const int have = std::min(unit->Colors.GetCount(), 1 << bits);
    for (int i = 0; i < have; ++i) colours[i] = unit->Colors.Colors()[i];
    SetDibPalette(colours, 1 << bits);
  }
  return show.ShowChainRst(unit, dib);
}

int ShowMtrPlace(TMapControl* doc, CHAININFO* chain, int place, const DIBCONTEXT* dib) {
  if (!doc) return 0;
  TRmfShow show(RmfShowHost(doc));
  return show.ShowMtrPlace(chain, place, dib);
}

int ShowMtr(TMapControl* doc, CHAININFO* chain, int n) {
  if (!doc) return 0;
  TRmfShow show(RmfShowHost(doc));
  return show.ShowMtr(chain, n);
}

int ShowMtlPlace(TMapControl* doc, int place, const DIBCONTEXT* dib) {
  if (!doc) return 0;
  TRmfShow show(RmfShowHost(doc));
  return show.ShowMtlPlace(MtlChain(doc), place, dib);
}

int ShowMtl(TMapControl* doc, int n) {
  if (!doc) return 0;
  TRmfShow show(RmfShowHost(doc));
  return show.ShowMtl(MtlChain(doc), n);
}

int ShowRstKind(TMapControl* doc, int over) { return ShowRstPlace(doc, over, nullptr) ? 1 : -1; }
int ShowMtrKind(TMapControl* doc, int over) {
  return ShowMtrPlace(doc, DocChain(doc, DOCKIND_MTR), over, nullptr) ? 1 : -1;
}
int ShowMtqKind(TMapControl* doc, int over) {
  return ShowMtrPlace(doc, DocChain(doc, DOCKIND_MTQ), over, nullptr) ? 1 : -1;
}
int ShowMtlKind(TMapControl* doc, int over) { return ShowMtlPlace(doc, over, nullptr) ? 1 : -1; }
int ShowRstUnit(TMapControl* doc, int n) { return ShowRst(doc, n); }
int ShowMtrUnit(TMapControl* doc, int n) { return ShowMtr(doc, DocChain(doc, DOCKIND_MTR), n); }
int ShowMtqUnit(TMapControl* doc, int n) { return ShowMtr(doc, DocChain(doc, DOCKIND_MTQ), n); }
int ShowMtlUnit(TMapControl* doc, int n) { return ShowMtl(doc, n); }
