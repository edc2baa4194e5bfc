// Consent of two objects.
#include "geometry/objectconsent.h"

int TObjectConsent::LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int n,
                                double precision) {
  Parts.Clear();
  if (mode != 1) {
    State = MAPERR_INPUT;
    return 0;
  }
  return TObjectCutSubject::LoadObjects(first, second, mode, n, precision);
}

TDataEdit* TObjectConsent::GetNextObject() {
  if (TDataEdit* part = Parts.Next(&Result)) return part;
  for (int guard = 0; guard <= Count + 1; ++guard) {
    TDataEdit* piece = TObjectCutSubject::GetNextObject();
    if (piece == nullptr) return nullptr;
    if (Data1.Record->Count == 0) return piece;
    if (!Parts.Cut(piece, &Data1, Precision)) {
      State = MAPERR_MEMORY;
      return nullptr;
    }
    if (TDataEdit* part = Parts.Next(&Result)) return part;
  }
  return nullptr;
}
