// TMapAccess: objects and a caller's points painted with a paint record,
// the total select painted in one colour, the window views and the
// document's limits.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/mapaccess.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"
#include "platform/ui.h"

namespace {

// The paint record of an object's own image in its own colours.
const DWORD kOwnColours = 0xFFFFFFFF;
const PAINTPARM kOwnImage{PAINT_OWN_IMAGE, reinterpret_cast<const char*>(&kOwnColours), R2_COPYPEN};

}  // namespace

// ---------------------------------------------------------------------------
// Points and displacements

int TMapAccess::PointToPicture(double& x, double& y, int kind) {
  switch (kind) {
    case 2:
      return 1;
    case 3:
      PlaneToPicture(x, y);
      return 1;
    case 4:
      if (!IsGeoSupported() || !GeoToPlane(x, y)) return 0;
      PlaneToPicture(x, y);
      return 1;
    default:
      MapToPicture(x, y);
      return 1;
  }
}

int TMapAccess::OffsetPixels(const DOUBLEPOINT& offset, int kind, const RECT& rect, int user,
                             POINT* shift) {
  double x = offset.X, y = offset.Y;
  if (kind == 2) {
    *shift = POINT{TruncatePixel(x), TruncatePixel(y)};
  } else {
    // A length in plane metres is one in map units; only a geographic
    // displacement goes through the projection, as a point.
    if (kind == 3) {
      x *= DisPerMeter;
      y *= DisPerMeter;
    }
    if (!PointToPicture(x, y, kind == 4 ? 4 : 1)) return 0;
    // Converted as a point: the picture's origin added back.
    *shift = POINT{NearestPixel(x + PictureFrame.Y1), NearestPixel(y - PictureFrame.X2)};
  }
  if (user)
    *shift = POINT{SaturatePixel(int64_t(shift->x) - rect.left),
                   SaturatePixel(int64_t(shift->y) - rect.top)};
  return 1;
}

int TMapAccess::TakePlaceData(const PLACEDATA* data, int kind) {
  if (data == nullptr || data->Count < 0 || (data->Count > 0 && data->PolyCounts == nullptr))
    return 0;
  for (LONG i = 0; i < data->Count; ++i)
    if (data->PolyCounts[i] < 0) return 0;
  POINT* const area = PaintContext.PointArea;
  LONG* const counts = PaintContext.PolyArea;
  if (area == nullptr || counts == nullptr) return 0;
  // As many parts and points as the shared buffer holds, the last part
  // cut; a text slot for each part when texts are given.
  LONG parts = std::min<LONG>(data->Count, data->Text != nullptr ? TEXT_AREA_SIZE : POLY_AREA_SIZE);
  int64_t room = PaintContext.PointCapacity;
  const DOUBLEPOINT* in = data->Points;
  POINT* out = area;
  LONG done = 0;
  for (; done < parts && room > 0; ++done) {
    const LONG given = data->PolyCounts[done];
    const LONG count = LONG(std::min<int64_t>(given, room));
    if (count > 0 && in == nullptr) return 0;
    for (LONG k = 0; k < count; ++k) {
      double x = in[k].X, y = in[k].Y;
      if (!PointToPicture(x, y, kind)) return 0;
      out[k] = POINT{TruncatePixel(x + 0.5), TruncatePixel(y + 0.5)};
    }
    counts[done] = count;
    in += given;
    out += count;
    room -= count;
  }
  // From the picture to the rectangle's top left (the draw place).
  POLYDATA picture{};
  picture.Points = area;
  picture.PolyCounts = counts;
  picture.Count = done;
  if (!PixMetric(picture)) return 0;
  Poly.MetricFlag = 1;
  Poly.Semantic = nullptr;
  if (data->Text == nullptr) return 1;
  // The text records, one per part: each its length, then its text.
  const char* record = data->Text;
  for (LONG i = 0; i < Poly.Count; ++i) {
    LONG length;
    std::memcpy(&length, record, sizeof length);
    if (length < 5 || std::memchr(record + 4, 0, size_t(length) - 4) == nullptr) {
      Poly.Count = i;
      break;
    }
    Poly.Text[i] = const_cast<char*>(record + 4);
    record += length;
  }
  return 1;
}

void TMapAccess::ShiftPoly(POINT shift) {
  if (shift.x == 0 && shift.y == 0) return;
  int64_t total = 0;
  for (LONG i = 0; i < Poly.Count; ++i) total += Poly.PolyCounts[i];
  for (int64_t k = 0; k < total; ++k)
    Poly.Points[k] = POINT{SaturatePixel(int64_t(Poly.Points[k].x) + shift.x),
                           SaturatePixel(int64_t(Poly.Points[k].y) + shift.y)};
  Poly.MinX = SaturatePixel(int64_t(Poly.MinX) + shift.x);
  Poly.MaxX = SaturatePixel(int64_t(Poly.MaxX) + shift.x);
  Poly.MinY = SaturatePixel(int64_t(Poly.MinY) + shift.y);
  Poly.MaxY = SaturatePixel(int64_t(Poly.MaxY) + shift.y);
}

// ---------------------------------------------------------------------------
// Objects and points with a paint record

int TMapAccess::PaintMapObjectBy(HDC dc, const RECT& rect, TObjectInfo* object,
                                 const PAINTPARM* parm, const DOUBLEPOINT* offset, int kind) {
  if (dc == nullptr || object == nullptr || object->Desc == nullptr || parm == nullptr ||
      parm->Parm == nullptr)
    return 0;
  TDevicePlace place(this, dc, rect);
  POINT shift{0, 0};
  if (offset != nullptr && !OffsetPixels(*offset, kind, rect, 0, &shift)) return 0;
  ScaleMethod = ScaleMethodValue;
  double savedBase;
  TMap* map = PlaceObject(object, &savedBase);
  if (map == nullptr) return 0;
  ShiftPoly(shift);
  ClipPolyToGdiRange(dc);
  const FVSPR desc = *object->Desc;
  const int result = PaintRecord(dc, parm, &Poly, map, &desc, object->Draw.Record());
  UnplaceSheet(map, savedBase);
  return result;
}

int TMapAccess::PaintUserBy(HDC dc, const RECT& rect, const PAINTPARM* parm, const PLACEDATA* data,
                            const DOUBLEPOINT* offset, int kind) {
  if (dc == nullptr || parm == nullptr || parm->Parm == nullptr || data == nullptr) return 0;
  TDevicePlace place(this, dc, rect);
  POINT shift{0, 0};
  if (offset != nullptr && !OffsetPixels(*offset, kind, rect, 1, &shift)) return 0;
  if (!TakePlaceData(data, kind) || !HasPoints(&Poly)) return 0;
  ShiftPoly(shift);
  ClipPolyToGdiRange(dc);
  return PaintRecord(dc, parm, &Poly, nullptr, nullptr, nullptr);
}

int TMapAccess::PaintMapObject95(HDC dc, const RECT& rect, TObjectInfo* object,
                                 const PAINTPARM* parm) {
  return PaintMapObjectBy(dc, rect, object, parm != nullptr ? parm : &kOwnImage, nullptr, 1);
}

int TMapAccess::PaintOffsetMapObject95(HDC dc, const RECT& rect, TObjectInfo* object,
                                       const PAINTPARM* parm, const DOUBLEPOINT* offset, int kind) {
  if (offset == nullptr) return 0;
  return PaintMapObjectBy(dc, rect, object, parm, offset, kind);
}

int TMapAccess::PaintUserObject(HDC dc, const RECT& rect, const PAINTPARM* parm,
                                const PLACEDATA* data, int kind) {
  if (dc == nullptr) return 0;
  POINT old{0, 0};
  const bool moved = plat::OffsetViewportOrgEx(dc, rect.left, rect.top, &old);
  const int result = PaintUserBy(dc, rect, parm, data, nullptr, kind);
  if (moved) plat::SetViewportOrgEx(dc, old.x, old.y, nullptr);
  return result;
}

int TMapAccess::PaintUserObject95(HDC dc, const RECT& rect, const PAINTPARM* parm,
                                  const PLACEDATA* data, int kind) {
  return PaintUserBy(dc, rect, parm, data, nullptr, kind);
}

int TMapAccess::PaintOffsetUserObject95(HDC dc, const RECT& rect, const PAINTPARM* parm,
                                        const PLACEDATA* data, const DOUBLEPOINT* offset,
                                        int kind) {
  if (offset == nullptr) return 0;
  return PaintUserBy(dc, rect, parm, data, offset, kind);
}

int TMapAccess::TotalPaintSelect95(HDC dc, const RECT& rect, COLORREF colour) {
  const int rule = TotalSeekMapRule;
  if (rule != -1 && GetSeekSelect(rule) == nullptr) return 0;
  return PaintSelect(dc, rect, nullptr, colour, rule) != 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Window views

template <class Painter>
int TMapAccess::ViewAt(HWND window, const DOUBLEPOINT* point, int kind, Painter paint) {
  if (window == nullptr || point == nullptr) return 0;
  double x = point->X, y = point->Y;
  if (!PointToPicture(x, y, kind)) return 0;
  const POINT at{NearestPixel(x), NearestPixel(y)};
  RECT client{};
  if (!plat::GetClientRect(window, &client)) return 0;
  HDC dc = plat::GetDC(window);
  if (dc == nullptr) return 0;
  const RECT rect{
      SaturatePixel(int64_t(client.left) + at.x), SaturatePixel(int64_t(client.top) + at.y),
      SaturatePixel(int64_t(client.right) + at.x), SaturatePixel(int64_t(client.bottom) + at.y)};
  POINT old{0, 0};
  plat::SetViewportOrgEx(dc, client.left, client.top, &old);
  const int result = paint(dc, rect);
  plat::SetViewportOrgEx(dc, old.x, old.y, nullptr);
  plat::ReleaseDC(window, dc);
  return result;
}

int TMapAccess::View(HWND window, int erase, const DOUBLEPOINT* point, int kind) {
  return ViewAt(window, point, kind,
                [&](HDC dc, const RECT& rect) { return Paint95(dc, erase, rect); });
}

int TMapAccess::ViewSelect(HWND window, const DOUBLEPOINT* point, TMapSelect* select,
                           COLORREF colour, int kind) {
  if (select == nullptr) return 0;
  const int n = std::max(GetMapNumber(select->GetMap()), 0);
  return ViewAt(window, point, kind,
                [&](HDC dc, const RECT& rect) { return PaintSelect(dc, rect, select, colour, n); });
}

int TMapAccess::TotalViewSelect(HWND window, const DOUBLEPOINT* point, COLORREF colour, int kind) {
  return ViewAt(window, point, kind,
                [&](HDC dc, const RECT& rect) { return TotalPaintSelect95(dc, rect, colour); });
}

int TMapAccess::ViewObject(HWND window, const DOUBLEPOINT* point, TObjectInfo* object, int kind) {
  return ViewAt(window, point, kind,
                [&](HDC dc, const RECT& rect) { return PaintObject95(dc, rect, object); });
}

int TMapAccess::ViewMapObject(HWND window, const DOUBLEPOINT* point, TObjectInfo* object,
                              const PAINTPARM* parm, int kind) {
  return ViewAt(window, point, kind,
                [&](HDC dc, const RECT& rect) { return PaintMapObject95(dc, rect, object, parm); });
}

int TMapAccess::ViewOffsetMapObject(HWND window, const DOUBLEPOINT* point, TObjectInfo* object,
                                    const PAINTPARM* parm, const DOUBLEPOINT* offset, int kind) {
  return ViewAt(window, point, kind, [&](HDC dc, const RECT& rect) {
    return PaintOffsetMapObject95(dc, rect, object, parm, offset, kind);
  });
}

int TMapAccess::ViewUserObject(HWND window, const DOUBLEPOINT* point, const PAINTPARM* parm,
                               const PLACEDATA* data, int kind) {
  return ViewAt(window, point, kind, [&](HDC dc, const RECT& rect) {
    return PaintUserObject95(dc, rect, parm, data, kind);
  });
}

int TMapAccess::ViewOffsetUserObject(HWND window, const DOUBLEPOINT* point, const PAINTPARM* parm,
                                     const PLACEDATA* data, const DOUBLEPOINT* offset, int kind) {
  return ViewAt(window, point, kind, [&](HDC dc, const RECT& rect) {
    return PaintOffsetUserObject95(dc, rect, parm, data, offset, kind);
  });
}

// ---------------------------------------------------------------------------
// Limits

int TMapAccess::GetMapLimit(DFRAME* frame, int kind) {
  if (frame == nullptr) return 0;
  switch (kind) {
    case 1:
      *frame = Region;
      return 1;
    case 2: {
      LONG width = 0, height = 0;
      GetPictureBorder(width, height);
      *frame = DFRAME{0.0, 0.0, double(width), double(height)};
      return 1;
    }
    case 3: {
      DFRAME f = Region;
      MapToPlane(f.X1, f.Y1);
      MapToPlane(f.X2, f.Y2);
      *frame = f;
      return 1;
    }
    case 4: {
      if (!IsGeoSupported()) return 0;
      const DOUBLEPOINT corners[4] = {{Region.X1, Region.Y1},
                                      {Region.X2, Region.Y1},
                                      {Region.X2, Region.Y2},
                                      {Region.X1, Region.Y2}};
      DFRAME f{};
      for (int i = 0; i < 4; ++i) {
        double x = corners[i].X, y = corners[i].Y;
        MapToPlane(x, y);
        PlaneToGeo(x, y);
        f = i == 0 ? DFRAME{x, y, x, y}
                   : DFRAME{std::min(f.X1, x), std::min(f.Y1, y), std::max(f.X2, x),
                            std::max(f.Y2, y)};
      }
      *frame = f;
      return 1;
    }
    default:
      return 0;
  }
}
