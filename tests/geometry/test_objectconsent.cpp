// Consent of two objects: the parts of the first outside the second, with
// the first's holes cut into them or kept inside them.
#include <gtest/gtest.h>

#include "geometry/objectconsent.h"
#include "support/contours.h"

namespace {

Contour Square(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}

}  // namespace

TEST(ObjectConsent, PartsOutsideTheOtherWithTheirHoles) {
  struct Case {
    const char* name;
    std::vector<Contour> first, second;
    int pieces;
    double area;  // outer areas less hole areas
  } cases[] = {
      {"overlapping squares", {Square(0, 0, 10, 10)}, {Square(5, 0, 15, 10)}, 1, 50},
      {"cut through", {Square(0, 0, 10, 10)}, {Square(4, -5, 6, 15)}, 2, 80},
      {"hole inside the piece",
       {Square(0, 0, 10, 10), Square(1, 1, 2, 2)},
       {Square(5, -5, 15, 15)},
       1,
       49},
      {"hole crossed by the other",
       {Square(0, 0, 10, 10), Square(3, 3, 7, 7)},
       {Square(5, -5, 15, 15)},
       1,
       42},
      {"apart", {Square(0, 0, 10, 10)}, {Square(20, 20, 30, 30)}, 0, 0},
  };
  for (const Case& c : cases) {
    Metric a, b;
    ASSERT_TRUE(Fill(a, METRIC_F64, c.first));
    ASSERT_TRUE(Fill(b, METRIC_F64, c.second));
    TObjectConsent consent;
    consent.LoadObjects(&a, &b, 1, 0, 0.001);
    int pieces = 0;
    double area = 0;
    for (int guard = 0; guard < 20; ++guard) {
      TDataEdit* p = consent.GetNextObject();
      if (p == nullptr) break;
      ++pieces;
      for (int s = 0; s <= p->Record->Count; ++s)
        area += s == 0 ? p->SquareSubject(0) : -p->SquareSubject(s);
    }
    EXPECT_EQ(c.pieces, pieces) << c.name;
    EXPECT_NEAR(c.area, area, 1e-6) << c.name;
  }
  Metric a, b;
  ASSERT_TRUE(Fill(a, METRIC_F64, {Square(0, 0, 10, 10)}));
  ASSERT_TRUE(Fill(b, METRIC_F64, {Square(5, 0, 15, 10)}));
  TObjectConsent lines;
  EXPECT_EQ(0, lines.LoadObjects(&a, &b, 0, 0, 0.001));
  EXPECT_EQ(nullptr, lines.GetNextObject());
}
