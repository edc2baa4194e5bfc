// A read-only view of a metric record: only a pointer, passed by value.
// Every read stays inside the record's own length.
#pragma once

#include "records/metric.h"
#include "platform/export.h"

class TDataEdit;

class MAPCLASS TObjectData {
 public:
  TObjectData() = default;
  explicit TObjectData(LONGMETRIC* record) : Record(record) {}
  explicit TObjectData(const TDataEdit* edit);
  explicit TObjectData(const TDataEdit& edit);
  TObjectData& operator=(const TDataEdit* edit);
  TObjectData& operator=(const TDataEdit& edit);
  TObjectData& operator=(LONGMETRIC* record) {
    Record = record;
    return *this;
  }

  LONG X1Long() const;
  LONG Y1Long() const;
  double X1Double() const;
  double Y1Double() const;
  double H1Double() const;
  int PointSize() const;
  int PointLimit() const;
  int PointReserve() const;
  int XYDouble(const char* point, DOUBLEPOINT* out) const;
  int DatDimension() const;
  double Perimeter() const;

  LONGMETRIC* Record = nullptr;
};
