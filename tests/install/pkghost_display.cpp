// A C++ host of the document's display of rasters and matrices and of the
// methods the document classes give besides, built against an installed
// tree. Through the C functions it makes, in the folder argv[1], a map
// with objects, a raster, an elevation matrix and a layer matrix; then,
// through the document (a TMapAccess, whose address is the map handle), it
// reads the chains by their heads and units as the headers give them,
// paints them by place into images of its own, paints one block laid into
// the document's display state by hand and compares it with the place
// painter's picture (and the matrices' last blocks likewise), asks the
// layers of the classifier and an object by its key, and takes another
// elevation matrix into the matrix's unit. Exits 0 when every check holds.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "document/mapaccess.h"
#include "pkghost_maps.h"

namespace {

constexpr double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 5000.0;
constexpr uint32_t kBack = 0x00ABCDEF;

std::string Path(const char* folder, const char* name) { return std::string(folder) + "/" + name; }

// A target image of the region's size.
struct Image {
  Image(int w, int h) : w(w), h(h), px(size_t(w) * size_t(h), kBack) {}
  DIBCONTEXT Target() {
    return DIBCONTEXT{reinterpret_cast<BYTE*>(&px[size_t(h - 1) * size_t(w)]), w * 4, h, 4, 1, w};
  }
  int Painted() const {
    int n = 0;
    for (uint32_t v : px) n += v != kBack;
    return n;
  }
  int w, h;
  std::vector<uint32_t> px;
};

// A bitmap device context of the host's, the pixels of its rows top down.
struct Device {
  Device(int w, int h) : w(w), h(h), dc(platCreateBitmapDC(w, h, 1)) {}
  ~Device() {
    if (dc) platDeleteBitmapDC(dc);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  std::vector<uint32_t> Pixels() const {
    LONG stride = 0;
    const BYTE* bits = dc ? static_cast<const BYTE*>(platGetBitmapBits(dc, &stride)) : nullptr;
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    if (bits)
      for (int r = 0; r < h; ++r) std::memcpy(&px[size_t(r) * size_t(w)], bits + r * stride, size_t(w) * 4);
    return px;
  }
  int w, h;
  HDC dc;
};

LONG Nearest(double v) { return LONG(v >= 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5)); }

// The region of the document set to the visible rectangle of a frame at
// its picture factor: false when the frame is not in view.
bool Region(TMapAccess* doc, double factor, const DFRAME* frame) {
  doc->DrawPlace = FRAME{-1000000, -1000000, 1000000, 1000000};
  doc->SetElemScale(factor);
  doc->Display.Frame = frame;
  if (doc->CheckViewRmf() != 1) return false;
  const RMFDISPLAY& d = doc->Display;
  doc->DrawPlace = FRAME{d.Bottom + 1, d.Left, d.Top, d.Right - 1};
  return d.Top > d.Bottom && d.Right > d.Left;
}

// A map with a road, a raster of 8 bits, an elevation matrix and a layer
// matrix.
HMAP MakeData(const char* folder) {
  static const PKGHOSTKIND road[] = {{31120000, LOCAL_LINE, "ROAD"}};
  const std::string rsc = Path(folder, "host.rsc"), map = Path(folder, "host.map");
  PkgHostMakeClassifier(rsc.c_str(), "HOST", road, 1, nullptr);
  const HMAP h = PkgHostMakeMap(map.c_str(), rsc.c_str(), "HOST", X0, Y0, SIDE);
  PKGHOST_CHECK(h != 0);
  if (h == 0) return 0;
  const DOUBLEPOINT line[] = {{100, 100}, {900, 400}};
  PKGHOST_CHECK(PkgHostAppendObject(h, 0, 31120000, LOCAL_LINE, X0, Y0, line, 2) == 1);
  PKGHOST_CHECK(PkgHostAppendObject(h, 0, 31120000, LOCAL_LINE, X0 + 50, Y0, line, 2) == 2);

  COLORREF grey[256];
  for (int i = 0; i < 256; ++i) grey[i] = COLORREF(i * 0x010101);
  const std::string rsw = Path(folder, "eight.rsw");
  PKGHOST_CHECK(mapCreateAndAppendRst(h, rsw.c_str(), 64, 32, 8, grey, 1, 10000, 1000, X0 + 1000,
                                      Y0 + 1000) == 1);
  // Element (row, column): a grey that changes along both.
  for (int i = 0; i < 32; ++i)
    for (int j = 0; j < 64; ++j) PKGHOST_CHECK(mapPutRstPoint(h, 1, 1 + 2 * i + j, i, j) == 1);

  const std::string mtw = Path(folder, "rising.mtw");
  BUILDMTW b;
  PkgHostMtwRecord(&b, X0 + 1000, Y0 + 1000, 1000, 1000, 20);
  const HMAP m = mapCreateMtw(mtw.c_str(), &b, nullptr);
  PKGHOST_CHECK(m != 0);
  for (int i = 0; i < 50; ++i)
    for (int j = 0; j < 50; ++j)
      PKGHOST_CHECK(mapPutHeightValue(m, 1, X0 + 1010 + 20 * i, Y0 + 1010 + 20 * j, 100 + j) == 1);
  mapCloseData(m);
  PKGHOST_CHECK(mapOpenMtrForMap(h, mtw.c_str(), 0) == 1);

  // Its heights lie within the elevation matrix's, which the document's
  // height range already holds.
  MTLBUILDPARM parm;
  PkgHostMtlRecord(&parm, X0 + 1000, Y0 + 1000, X0 + 1500, Y0 + 1500, 10, 2);
  MTRPROJECTIONDATA proj{};
  proj.Length = sizeof proj;
  proj.ProjectionCode = -1;
  PKGHOST_CHECK(mapCreateAndAppendMtl(h, Path(folder, "layers.mtl").c_str(), &parm, &proj) == 1);
  for (int i = 0; i < 50; i += 3)
    for (int j = 0; j < 50; j += 3)
      PKGHOST_CHECK(mapPutElementHeight(h, 1, X0 + 1005 + 10 * i, Y0 + 1005 + 10 * j, 100 + j) == 1);
  return h;
}

// The chains by their heads: the units are the ones the methods give.
void Chains(TMapAccess* doc) {
  PKGHOST_CHECK(doc->RstChainHead.Count == 1 && doc->RstChainHead.First == doc->GetRstChain(1));
  PKGHOST_CHECK(doc->MtrChainHead.Count == 1 && doc->MtrChainHead.First == doc->GetChain(1));
  PKGHOST_CHECK(doc->MtqChainHead.Count == 0 && doc->MtqChainHead.First == nullptr);
  PKGHOST_CHECK(doc->MtlChainHead.Count == 1 && doc->MtlChainHead.First == doc->GetMtlChain(1));
  const RMFCHAIN* raster = doc->RstChainHead.First;
  PKGHOST_CHECK(raster && raster->Next == nullptr && raster->View == 1 && raster->Raster() != nullptr);
  PKGHOST_CHECK(raster && std::strstr(raster->File->GetFileName(), "eight.rsw") != nullptr);
  const MTLCHAIN* layers = doc->MtlChainHead.First;
  PKGHOST_CHECK(layers && layers->LayerCount == 2);
  // A unit the chain has not: 0, as for a missing document or unit.
  PKGHOST_CHECK(doc->ShowRst(99) == 0);
  PKGHOST_CHECK(doc->ShowMtr(&doc->MtrChainHead, 99) == 0);
  PKGHOST_CHECK(doc->ShowMtr(&doc->MtqChainHead, 1) == 0);
  PKGHOST_CHECK(doc->ShowMtl(99) == 0);
  PKGHOST_CHECK(doc->ShowChainRst(99, nullptr) == 0);
}

// The raster by place into an image, then its one block laid into the
// display state by hand: the same picture.
void Raster(TMapAccess* doc) {
  RMFCHAIN* unit = doc->RstChainHead.First;
  if (!unit) return;
  PKGHOST_CHECK(Region(doc, unit->PictureFactor, &unit->ElementFrame));
  RMFDISPLAY& d = doc->Display;
  const LONG top = d.Top, bottom = d.Bottom, left = d.Left, right = d.Right;
  const double ex = doc->Elem.UnitsPerPixelH, ey = doc->Elem.UnitsPerPixelV;
  // Zoomed out, short of the reduced copy: each pixel one element or more.
  PKGHOST_CHECK(ex >= 1.0 && ex < 4.0 && ey >= 1.0 && ey < 4.0);
  Image walked(right - left, top - bottom);
  DIBCONTEXT target = walked.Target();
  PKGHOST_CHECK(doc->ShowRstPlace(0, &target) == 1);
  PKGHOST_CHECK(walked.Painted() == walked.w * walked.h);
  PKGHOST_CHECK(d.Frame == nullptr && d.Data == nullptr);

  // The block, its span and its first element as the walk lays them.
  TRmf& file = *unit->File;
  const DFRAME& f = unit->ElementFrame;
  auto lay = [&] {
    d.RowStart = top;
    d.RowEnd = bottom;
    d.ColStart = left;
    d.ColEnd = right;
    d.BlockHeight = file.BlockHeight(0);
    d.BlockWidth = file.BlockWidth(0);
    const LONG rows = Nearest(top * ey), cols = Nearest(left * ex);
    d.StartRow = LONG(std::trunc(f.X2)) - rows;
    d.StartCol = cols - LONG(std::trunc(f.Y1));
    d.BlockFlag = 1;
    d.Depth = 8;
    d.Period = 0;
    d.Data = file.GetBlockAddress(0, 0);
  };
  lay();
  PKGHOST_CHECK(d.Data != nullptr);
  Image byHand(walked.w, walked.h);
  target = byHand.Target();
  doc->ShowBlockRstDib256(file, &target);
  PKGHOST_CHECK(byHand.px == walked.px);
  Image withColours(walked.w, walked.h);
  target = withColours.Target();
  doc->ShowBlockRstDib(file, &target, &unit->Colors);
  PKGHOST_CHECK(withColours.px == walked.px);
  // Every third pixel of a diagonal cross through the pattern.
  BYTE pattern[8];
  d.Period = doc->BuildMaskPattern(7, 2, d.Pattern);
  PKGHOST_CHECK(d.Period == 3 && doc->BuildMaskPattern(7, 2, pattern) == 3);
  Image patterned(walked.w, walked.h);
  target = patterned.Target();
  doc->ShowBlockRstDib256(file, &target);
  PKGHOST_CHECK(patterned.Painted() > 0 && patterned.Painted() < walked.Painted());
  // A block larger than the file's paints nothing.
  d.Period = 0;
  d.BlockHeight = file.Head.BlockHeight + 1;
  Image none(walked.w, walked.h);
  target = none.Target();
  doc->ShowBlockRstDib256(file, &target);
  PKGHOST_CHECK(none.Painted() == 0);

  // Onto a device context of the host's, as the walk paints there.
  Device byWalk(walked.w, walked.h), laid(walked.w, walked.h);
  PKGHOST_CHECK(byWalk.dc && laid.dc);
  doc->PaintDc = byWalk.dc;
  target = walked.Target();
  target.VisualType = 3;
  PKGHOST_CHECK(doc->ShowRstPlace(0, &target) == 1);
  lay();
  doc->PaintDc = laid.dc;
  doc->ShowBlockRstDevice(file, &unit->Colors);
  doc->PaintDc = nullptr;
  PKGHOST_CHECK(laid.Pixels() == byWalk.Pixels());
  PKGHOST_CHECK(laid.Pixels() != Device(walked.w, walked.h).Pixels());
  d.Data = nullptr;
}

// A matrix walk leaves the span of its last block (here the file's only
// one) in the display state and clears its addresses: laid again, with the
// block itself as its neighbours at the file's edges, the block painter
// paints what the walk painted.
bool LayAgain(TMapAccess* doc, TRmf& file, LONG bytes) {
  RMFDISPLAY& d = doc->Display;
  d.Data = file.GetBlockAddress(0, 0);
  if (!d.Data || d.Depth != bytes) return false;
  d.LeftData = d.Data;
  d.RightData = d.Data + (d.BlockWidth - 1) * bytes;
  return true;
}

template <class Paint>
bool BlockAgain(TMapAccess* doc, TRmf& file, LONG bytes, const Image& walked, Paint paint) {
  if (!LayAgain(doc, file, bytes)) return false;
  Image block(walked.w, walked.h);
  DIBCONTEXT target = block.Target();
  paint(&target);
  RMFDISPLAY& d = doc->Display;
  d.Data = d.LeftData = d.RightData = nullptr;
  return block.px == walked.px;
}

// The same onto a device context of the host's: the walk by place at
// visual type 3 (`walk`), then the block laid again (`paint`).
template <class Walk, class Paint>
bool BlockAgainOnADevice(TMapAccess* doc, TRmf& file, LONG bytes, const Image& size, Walk walk,
                         Paint paint) {
  Device byWalk(size.w, size.h), laid(size.w, size.h);
  if (!byWalk.dc || !laid.dc) return false;
  Image unused(size.w, size.h);
  DIBCONTEXT target = unused.Target();
  target.VisualType = 3;
  doc->PaintDc = byWalk.dc;
  const bool walked = walk(&target) == 1;
  doc->PaintDc = laid.dc;
  const bool again = walked && LayAgain(doc, file, bytes);
  if (again) paint();
  doc->PaintDc = nullptr;
  RMFDISPLAY& d = doc->Display;
  d.Data = d.LeftData = d.RightData = nullptr;
  return again && laid.Pixels() == byWalk.Pixels() &&
         laid.Pixels() != Device(size.w, size.h).Pixels();
}

// The matrices by place and alone, with relief.
void Matrices(TMapAccess* doc) {
  InitShadowTables();
  RMFCHAIN* unit = doc->MtrChainHead.First;
  if (!unit) return;
  PKGHOST_CHECK(Region(doc, unit->PictureFactor, &unit->ElementFrame));
  const RMFDISPLAY& d = doc->Display;
  Image byPlace(d.Right - d.Left, d.Top - d.Bottom);
  DIBCONTEXT target = byPlace.Target();
  PKGHOST_CHECK(doc->ShowMtrPlace(&doc->MtrChainHead, 0, &target) == 1);
  PKGHOST_CHECK(byPlace.Painted() > byPlace.w * byPlace.h / 2);
  Image alone(byPlace.w, byPlace.h);
  target = alone.Target();
  PKGHOST_CHECK(doc->ShowChainMtr(unit, &target) == 1);
  PKGHOST_CHECK(alone.px == byPlace.px);
  PKGHOST_CHECK(BlockAgain(doc, *unit->File, unit->File->Head.BitsPerElement / 8, byPlace,
                           [&](DIBCONTEXT* t) { doc->ShowBlockMtrDib(unit, t); }));
  PKGHOST_CHECK(BlockAgainOnADevice(
      doc, *unit->File, unit->File->Head.BitsPerElement / 8, byPlace,
      [&](DIBCONTEXT* t) { return doc->ShowMtrPlace(&doc->MtrChainHead, 0, t); },
      [&] { doc->ShowBlockMtrDevice(unit); }));

  MTLCHAIN* layers = doc->MtlChainHead.First;
  if (!layers) return;
  PKGHOST_CHECK(Region(doc, layers->PictureFactor, &layers->ElementFrame));
  Image layered(d.Right - d.Left, d.Top - d.Bottom);
  target = layered.Target();
  PKGHOST_CHECK(doc->ShowMtlPlace(0, &target) == 1);
  PKGHOST_CHECK(layered.Painted() > 0);
  Image layerAlone(layered.w, layered.h);
  target = layerAlone.Target();
  PKGHOST_CHECK(doc->ShowChainMtl(layers, &target) == 1);
  PKGHOST_CHECK(layerAlone.px == layered.px);
  PKGHOST_CHECK(BlockAgain(doc, layers->Matrix, layers->Matrix.RecordSize(), layered,
                           [&](DIBCONTEXT* t) { doc->ShowBlockMtlDib(layers, t); }));
  PKGHOST_CHECK(BlockAgainOnADevice(
      doc, layers->Matrix, layers->Matrix.RecordSize(), layered,
      [&](DIBCONTEXT* t) { return doc->ShowMtlPlace(0, t); },
      [&] { doc->ShowBlockMtlDevice(layers); }));
}

// Another elevation matrix taken into the unit: the unit, the document's
// height range and the heights read follow the new file.
void ChangeMatrix(HMAP h, TMapAccess* doc, const char* folder) {
  RMFCHAIN* unit = doc->MtrChainHead.First;
  if (!unit) return;
  const std::string mtw = Path(folder, "moved.mtw");
  BUILDMTW b;
  PkgHostMtwRecord(&b, X0 + 3000, Y0 + 3000, 400, 400, 20);
  const HMAP m = mapCreateMtw(mtw.c_str(), &b, nullptr);
  PKGHOST_CHECK(m != 0);
  if (m == 0) return;
  PKGHOST_CHECK(mapPutHeightValue(m, 1, X0 + 3010, Y0 + 3010, 700) == 1);
  mapCloseData(m);
  PKGHOST_CHECK(doc->ChangeMtr(unit, mtw.c_str(), 0) == 1);
  PKGHOST_CHECK(unit->Frame.X1 == X0 + 3000 && unit->Frame.Y2 == Y0 + 3400);
  PKGHOST_CHECK(unit->Maximum == 700.0 && doc->HeightMax == 700.0);
  PKGHOST_CHECK(mapGetHeightValue(h, X0 + 3010, Y0 + 3010) == 700.0);
  // Where the old matrix lay past the layer matrix: no height any more.
  PKGHOST_CHECK(mapGetHeightValue(h, X0 + 1810, Y0 + 1810) == -111111.0);
}

// The layers of the classifier and an object by its key.
void LayersAndKeys(HMAP h, TMapAccess* doc) {
  PKGHOST_CHECK(doc->GetLayerCount() == mapGetLayerCount(h) && doc->GetLayerCount() > 0);
  for (int n = 0; n <= doc->GetLayerCount(); ++n)
    PKGHOST_CHECK(std::strcmp(doc->GetLayerName(n), mapGetLayerName(h, n)) == 0);
  const FVSPR* second = doc->ListObjectDesc(1, 2);
  PKGHOST_CHECK(second != nullptr);
  if (!second) return;
  const DWORD key = second->Key;
  const FVSPR* found = doc->SeekObjectByKey(1, key);
  PKGHOST_CHECK(found != nullptr && found->Key == key && doc->List.CurrentObject == 2);
  PKGHOST_CHECK(doc->SeekObjectByKey(1, key + 1000) == nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  const char* folder = PkgHostFolder(argc, argv, "pkghost_display");
  if (!folder) return 2;
  mapMessageEnable(0);
  const HMAP h = MakeData(folder);
  TMapAccess* doc = reinterpret_cast<TMapAccess*>(h);
  if (doc) {
    Chains(doc);
    Raster(doc);
    Matrices(doc);
    LayersAndKeys(h, doc);
    ChangeMatrix(h, doc, folder);
    mapCloseData(h);
  }
  return PkgHostExit("pkghost_display");
}
