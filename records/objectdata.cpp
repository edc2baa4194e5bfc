// Read accessors of a metric record.
#include "records/objectdata.h"

#include <cmath>

#include "records/dataedit.h"
#include "records/metric_access.h"

using metric::Get;

namespace {

// The first point of contour 0 when the record is valid, contour 0 holds a
// point and the point lies inside the record; else null.
const char* FirstPoint(const LONGMETRIC* r) {
  if (r == nullptr || !MetricValidMarker(r->Ident)) return nullptr;
  int size = MetricPointSize(r->Ident);
  if (size == 0 || r->Length < static_cast<DWORD>(METRIC_EMPTY_LENGTH + size)) return nullptr;
  const char* base = reinterpret_cast<const char*>(r);
  if (metric::ReadCount((r->Flags & METRIC_LONG_COUNTS) != 0, base + METRIC_HEADER_SIZE) == 0)
    return nullptr;
  return base + METRIC_EMPTY_LENGTH;
}

}  // namespace

TObjectData::TObjectData(const TDataEdit* edit) : Record(edit ? edit->Record : nullptr) {}
TObjectData::TObjectData(const TDataEdit& edit) : Record(edit.Record) {}

TObjectData& TObjectData::operator=(const TDataEdit* edit) {
  Record = edit ? edit->Record : nullptr;
  return *this;
}

TObjectData& TObjectData::operator=(const TDataEdit& edit) {
  Record = edit.Record;
  return *this;
}

double TObjectData::X1Double() const {
  const char* p = FirstPoint(Record);
  double x = 0.0, y = 0.0;
  if (p) metric::ReadXY(Record->Ident, p, x, y);
  return x;
}

double TObjectData::Y1Double() const {
  const char* p = FirstPoint(Record);
  double x = 0.0, y = 0.0;
  if (p) metric::ReadXY(Record->Ident, p, x, y);
  return y;
}

LONG TObjectData::X1Long() const { return metric::TruncI32(X1Double()); }
LONG TObjectData::Y1Long() const { return metric::TruncI32(Y1Double()); }

double TObjectData::H1Double() const {
  const char* p = FirstPoint(Record);
  if (p == nullptr || !MetricIs3D(Record->Ident)) return 0.0;
  return metric::ReadH(Record->Ident, p);
}

int TObjectData::PointSize() const {
  return Record ? MetricPointSize(Record->Ident) : 0;
}

int TObjectData::PointLimit() const {
  int size = PointSize();
  if (size == 0 || Record->Length < static_cast<DWORD>(METRIC_EMPTY_LENGTH)) return 0;
  return static_cast<int>((Record->Length - METRIC_EMPTY_LENGTH) / size);
}

int TObjectData::PointReserve() const {
  int size = PointSize();
  if (size == 0 || Record->Length > static_cast<DWORD>(METRIC_MAX_LENGTH)) return 0;
  return static_cast<int>((METRIC_MAX_LENGTH - Record->Length) / size);
}

int TObjectData::XYDouble(const char* point, DOUBLEPOINT* out) const {
  if (Record == nullptr || point == nullptr || out == nullptr) return 0;
  const char* base = reinterpret_cast<const char*>(Record);
  int layout = metric::LayoutSize(Record->Ident);
  // Inside the record: from its fifth byte up to its length, the whole point.
  if (point < base + 4 || point > base + Record->Length ||
      static_cast<DWORD>(point - base) + layout > Record->Length)
    return 0;
  if (!metric::ReadXY(Record->Ident, point, out->X, out->Y)) out->X = out->Y = 0.0;
  return 1;
}

int TObjectData::DatDimension() const { return Record ? MetricIs3D(Record->Ident) : 0; }

double TObjectData::Perimeter() const {
  const char* p = FirstPoint(Record);
  if (p == nullptr) return 0.0;
  const char* base = reinterpret_cast<const char*>(Record);
  int size = MetricPointSize(Record->Ident);
  uint64_t count = metric::ReadCount((Record->Flags & METRIC_LONG_COUNTS) != 0,
                                     base + METRIC_HEADER_SIZE);
  uint64_t room = (Record->Length - METRIC_EMPTY_LENGTH) / size;
  if (count > room) return 0.0;  // a count that runs past the record
  double sum = 0.0, x0, y0, x1, y1;
  metric::ReadXY(Record->Ident, p, x0, y0);
  for (uint64_t i = 1; i < count; ++i) {
    p += size;
    metric::ReadXY(Record->Ident, p, x1, y1);
    double dx = x1 - x0, dy = y1 - y0, d2 = dx * dx + dy * dy;
    if (d2 > 0.001) sum += std::sqrt(d2);
    x0 = x1;
    y0 = y1;
  }
  return sum;
}
