// The document's painting of rasters and matrices.
#include "document/rmfdisplay.h"

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
  host.State = &doc->Display;
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
  if (!unit) return 0;
  TRmfShow show(RmfShowHost(doc));
  return show.ShowUnitRst(unit, dib);
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

// ---------------------------------------------------------------------------
// The document's methods

int TMapControl::ShowRstPlace(int place, DIBCONTEXT* dib) { return ::ShowRstPlace(this, place, dib); }
int TMapControl::ShowRst(int n) { return ::ShowRst(this, n); }
int TMapControl::ShowChainRst(int n, DIBCONTEXT* dib) { return ::ShowChainRst(this, n, dib); }
int TMapControl::ShowMtrPlace(CHAININFO* chain, int place, DIBCONTEXT* dib) {
  return ::ShowMtrPlace(this, chain, place, dib);
}
int TMapControl::ShowMtr(CHAININFO* chain, int n) { return ::ShowMtr(this, chain, n); }
int TMapControl::ShowChainMtr(RMFCHAIN* unit, DIBCONTEXT* dib) {
  TRmfShow show(RmfShowHost(this));
  return show.ShowUnitMtr(unit, dib);
}
int TMapControl::ShowMtlPlace(int place, DIBCONTEXT* dib) { return ::ShowMtlPlace(this, place, dib); }
int TMapControl::ShowMtl(int n) { return ::ShowMtl(this, n); }
int TMapControl::ShowChainMtl(MTLCHAIN* unit, DIBCONTEXT* dib) {
  TRmfShow show(RmfShowHost(this));
  return show.ShowUnitMtl(unit, dib);
}

int TMapControl::CheckViewRmf() {
  TRmfShow show(RmfShowHost(this));
  return show.CheckViewRmf();
}

int TMapControl::BuildMaskPattern(int type, int view, BYTE* pattern) {
  return ::BuildMaskPattern(type, view, pattern);
}

void TMapControl::ShowBlockRstDib256(TRmf& file, DIBCONTEXT* dib) {
  if (Display.Depth != 8) return;
  TRmfShow(RmfShowHost(this)).ShowBlockRst(file, dib, nullptr, false);
}

void TMapControl::ShowBlockRstDib(TRmf& file, DIBCONTEXT* dib, TBaseColors* colors) {
  TRmfShow(RmfShowHost(this)).ShowBlockRst(file, dib, colors, false);
}

void TMapControl::ShowBlockRstDevice(TRmf& file, TBaseColors* colors) {
  TRmfShow(RmfShowHost(this)).ShowBlockRst(file, nullptr, colors, true);
}

void TMapControl::ShowBlockMtrDib(RMFCHAIN* unit, DIBCONTEXT* dib) {
  TRmfShow(RmfShowHost(this)).ShowBlockMtr(unit, dib, false);
}

void TMapControl::ShowBlockMtrDevice(RMFCHAIN* unit) {
  TRmfShow(RmfShowHost(this)).ShowBlockMtr(unit, nullptr, true);
}

void TMapControl::ShowBlockMtlDib(MTLCHAIN* unit, DIBCONTEXT* dib) {
  TRmfShow(RmfShowHost(this)).ShowBlockMtl(unit, dib, false);
}

void TMapControl::ShowBlockMtlDevice(MTLCHAIN* unit) {
  TRmfShow(RmfShowHost(this)).ShowBlockMtl(unit, nullptr, true);
}
