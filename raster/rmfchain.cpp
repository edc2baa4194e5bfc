// The chains of rasters and matrices: units, their links and the view
// settings kept in them.
#include "raster/rmfchain.h"

#include <cmath>
#include <cstring>

#include "common/codepage.h"
#include "common/maperr.h"
#include "platform/memory.h"
#include "raster/chainlinks.h"

namespace {

bool SameNameWithoutCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const unsigned char x = FoldCase1251(static_cast<unsigned char>(*a));
    const unsigned char y = FoldCase1251(static_cast<unsigned char>(*b));
    if (x != y) return false;
    if (!x) return true;
  }
}

}  // namespace

RMFCHAIN* NewChainUnit(DWORD kind) {
  if (kind != RMF_RSW && kind != RMF_MTW && kind != RMF_MTQ) return nullptr;
  void* memory = plat::AllocPages(sizeof(RMFCHAIN));
  if (!memory) return nullptr;
  RMFCHAIN* unit = new (memory) RMFCHAIN{};
  unit->View = 1;
  unit->MaskType = CHAIN_MASK_TYPE;
  unit->TopScale = CHAIN_TOP_SCALE;
  unit->BottomScale = 1;
  unit->QualityShadow = CHAIN_SHADOW;
  unit->Scale = unit->Precision = unit->ElementSize = 1.0;
  std::memset(unit->ColorView, 1, sizeof(unit->ColorView));
  for (int i = 0; i < 256; ++i) unit->ColorIndex[i] = BYTE(i);
  unit->Kind = kind;
  if (kind == RMF_RSW)
    unit->File = new (unit->Storage) TRst();
  else
    unit->File = new (unit->Storage) TMtr();
  return unit;
}

void FreeChainUnit(RMFCHAIN* unit) {
  if (!unit) return;
  if (TRst* raster = unit->Raster()) {
    raster->Close();
    raster->~TRst();
  } else if (TMtr* matrix = unit->Matrix()) {
    matrix->~TMtr();
  }
  unit->~RMFCHAIN();
  plat::FreePages(unit);
}

int AppendChainUnit(CHAININFO* chain, RMFCHAIN* unit) {
  if (!chain || !unit) return 0;
  return LinkChainUnitLast(chain, unit);
}

RMFCHAIN* GetChainUnit(CHAININFO* chain, int n) { return ChainUnitAt(chain, n); }

int GetChainNumberByName(CHAININFO* chain, const char* name) {
  if (!chain || !name) return 0;
  int n = 1;
  for (RMFCHAIN* unit = chain->First; unit && n <= chain->Count; unit = unit->Next, ++n)
    if (SameNameWithoutCase(unit->File->GetFileName(), name)) return n;
  return 0;
}

int CheckChainView(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  return unit ? unit->View : -1;
}

int SetChainView(CHAININFO* chain, int n, int view) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit) return -1;
  return unit->View = view;
}

int GetChainMaskType(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  return unit ? unit->MaskType : -1;
}

int SetChainMaskType(CHAININFO* chain, int n, int type) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit) return -1;
  return unit->MaskType = type;
}

int ChainViewOrder(CHAININFO* chain, int n, int order) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit) return -1;
  if (order >= 0) unit->ViewOrder = order;
  return unit->ViewOrder;
}

int CheckChainPaletteView(CHAININFO* chain, int n, int i) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit) return -1;
  return i >= 0 && i < 256 ? unit->ColorView[i] : 0;
}

int SetChainPaletteView(CHAININFO* chain, int n, int i, int view) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit) return -1;
  if (i < 0 || i >= 256) return 0;
  return unit->ColorView[i] = BYTE(view);
}

int SetChainPrecision(CHAININFO* chain, int n, double precision) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit) return 0;
  if (TRst* raster = unit->Raster()) {
    raster->Precision(precision);
  } else {
    unit->File->Head.Precision = precision;
    unit->File->HeadChanged = 1;
  }
  unit->Precision = precision;
  return n;
}

DFRAME* GetChainFrame(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  return unit ? &unit->ElementFrame : nullptr;
}

DFRAME* GetChainFrameMeters(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  return unit ? &unit->Frame : nullptr;
}

const char* GetChainName(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  return unit ? unit->File->GetFileName() : "";
}

TBaseColors* GetChainColors(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  return unit ? &unit->Colors : nullptr;
}

int GetChainBright(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  return unit ? unit->Colors.GetBright() : 0;
}

int GetChainColorCount(RMFCHAIN* unit) { return unit ? unit->Colors.GetCount() : 0; }

int GetChainNumberInPoint(CHAININFO* chain, double x, double y, int k) {
  return ChainNumberInPoint(chain, x, y, k);
}

int ChangeChainOrder(CHAININFO* chain, int from, int to) {
  if (from == to) return 0;
  RMFCHAIN* unit = GetChainUnit(chain, from);
  if (!unit || !GetChainUnit(chain, to)) return 0;
  UnlinkChainUnit(chain, unit);
  InsertChainUnit(chain, unit, to);
  return 1;
}

int SetChainBorderPlane(CHAININFO* chain, int n, TDataEdit* plane) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit || !plane || !plane->Record || plane->PointCount(0) < 1) return 0;
  TRmf* file = unit->File;
  const double size = unit->ElementSize;
  if (!(size > 0)) return 0;
  const bool raster = unit->Kind == RMF_RSW;
  TDataEdit border;
  border.Init();
  if (!border.Create(raster ? METRIC_F64 : METRIC_I32, 0)) return 0;
  bool ok = true;
  const int contours = int(plane->Record->Count) + 1;
  for (int c = 0; ok && c < contours; ++c) {
    const int count = plane->PointCount(c);
    if (c > 0 && !border.CreateSubject()) ok = false;
    if (count < 1 || !plane->FirstPointSubject(c)) continue;
    for (int i = 0; ok && i < count; ++i) {
      double col = (plane->YDouble() - unit->Frame.Y1) / size;
      double row = file->Head.Height - (plane->XDouble() - unit->Frame.X1) / size;
      if (!raster) col = std::trunc(col), row = std::trunc(row);
      ok = border.AppendPointSubject(c, col, row) != 0;
      plane->NextPoint();
    }
  }
  if (ok) ok = raster ? unit->Raster()->SetBorder(&border) != 0 : file->SetBorder(&border) != 0;
  border.Free();
  if (!ok) return 0;
  file->Save();
  return 1;
}

TDataEdit* GetChainBorderPlane(CHAININFO* chain, int n) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit || !unit->File->Border.Record || unit->File->Border.TotalPointCount() < 1) return nullptr;
  return &unit->File->Border;
}

int GetChainDescribe(CHAININFO* chain, int n, MTRDESCRIBE* d) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit || !d) return 0;
  std::memset(d, 0, sizeof(*d));
  const char* name = unit->File->GetFileName();
  std::memcpy(d->Name, name, strnlen(name, sizeof(d->Name) - 1));
  d->Minimum = unit->Minimum;
  d->Maximum = unit->Maximum;
  d->ElementSize = unit->ElementSize;
  d->FrameX1 = unit->Frame.X1;
  d->FrameY1 = unit->Frame.Y1;
  d->FrameX2 = unit->Frame.X2;
  d->FrameY2 = unit->Frame.Y2;
  d->MatrixType = unit->MatrixType;
  d->Creator = unit->File->Head.Creator;
  d->View = unit->View;
  return 1;
}

int GetChainProjectionData(CHAININFO* chain, int n, MTRPROJECTIONDATA* data) {
  RMFCHAIN* unit = GetChainUnit(chain, n);
  if (!unit || !data) return 0;
  data->ProjectionWord = unit->File->Head.ProjectionWord;
  data->ProjectionCode = int32_t(unit->File->Head.ProjectionCode);
  std::memcpy(data->Parameters, unit->File->Head.ProjParams, sizeof(data->Parameters));
  return 1;
}

void CloseChain(CHAININFO* chain, int n) {
  if (chain) CloseChainUnits(chain, n, FreeChainUnit);
}
