// A host of the exported classes, built against an installed tree only: it
// converts angles, makes a classifier with one object kind in the folder
// argv[1], saves it and reads it back. Exits 0 when every check holds and
// prints each failed check.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>

#include "classifier/maprsc.h"
#include "geodesy/radiangrad.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"

namespace {

int failures = 0;

void Check(bool ok, int line, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, line, what);
  ++failures;
}

#define CHECK(cond) Check((cond), __LINE__, #cond)

void Angles() {
  CHECK(std::fabs(TRadianGrad::GradToRadian(180.0) - std::numbers::pi) < 1e-12);
  const double radian = TRadianGrad::GradToRadian(30, 15, 36.0, 0);
  CHECK(std::fabs(TRadianGrad::RadianToGrad(radian) - 30.26) < 1e-9);
  int degree = 0, minute = 0;
  double second = 0;
  CHECK(TRadianGrad::RadianToGrad(-0.5, &degree, &minute, &second) == 1);
  CHECK(degree == 28 && minute == 38);
}

void Classifier(const std::string& folder) {
  const std::string path = folder + "/host.rsc";
  RSCCREATE create{};
  std::strcpy(create.Name, "HOST");
  std::strcpy(create.Code, "HOST");
  create.Scale = 100000;
  create.Language = 1;
  PALETTE256 palette{};
  palette.Version = 0x0300;
  palette.Count = 16;
  for (int i = 0; i < 16; ++i) palette.Colors[i] = TMapRsc::GetDefaultColor(i);

  int road = 0;
  {
    TMapRsc rsc;
    CHECK(rsc.CreateRsc(path.c_str(), &create, &palette, 0) == 1);
    RSCOBJ obj{};
    obj.Excode = 31120000;
    obj.Local = WORD(LOCAL_LINE);
    std::strcpy(obj.Name, "ROAD");
    road = rsc.AppendObject(&obj, 1);
    CHECK(road > 0);
    CHECK(rsc.Save(1) == 1);
    CHECK(rsc.CloseRsc() == 1);
  }
  TMapRsc rsc;
  CHECK(rsc.OpenRsc(path.c_str()) == 1);
  CHECK(rsc.GetObjCount() == road);
  CHECK(rsc.GetObjIncode(31120000, LOCAL_LINE) == road);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: host <folder>\n");
    return 2;
  }
  Angles();
  Classifier(argv[1]);
  if (failures == 0) std::printf("class host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
