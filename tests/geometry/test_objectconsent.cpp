// Consent of two objects: the parts of the first outside the second, with
// the first's holes cut into them or kept inside them.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/objectconsent.h"
#include "support/contours.h"

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
}

TEST(ObjectConsent, StretchesOfALineOutsideAnAreaPartByPart) {
  Metric square;
  ASSERT_TRUE(Fill(square, METRIC_F64, {Square(0, 0, 10, 10)}));
  const Contour across = {{-5, 5}, {15, 5}};
  struct Case {
    const char* name;
    std::vector<Contour> line;
    int loaded;
    std::vector<double> lengths;  // in the order handed out
  } cases[] = {
      {"across", {across}, 1, {5, 5}},
      {"ending inside", {{{-5, 5}, {5, 5}}}, 1, {5}},
      {"inside", {{{2, 5}, {8, 5}}}, 0, {}},
      {"outside, one part", {{{-5, 20}, {15, 20}}}, 0, {}},
      {"touching a corner from outside", {{{-5, -5}, {0, 0}, {5, -5}}}, 0, {}},
      {"parts: across, outside, inside, in and out, touching",
       {across, {{-5, 20}, {15, 20}}, {{2, 2}, {8, 2}}, {{5, 8}, {5, 15}},
        {{-5, -5}, {0, 0}, {5, -5}}},
       1,
       {5, 5, 20, 5, 2 * std::sqrt(50.0)}},
      {"parts: inside first", {{{2, 2}, {8, 2}}, across}, 1, {5, 5}},
  };
  for (const Case& c : cases) {
    Metric line;
    ASSERT_TRUE(Fill(line, METRIC_F64, c.line));
    TObjectConsent consent;
    EXPECT_EQ(c.loaded, consent.LoadObjects(&line, &square, 0, 0, 0.001)) << c.name;
    std::vector<double> lengths;
    for (int guard = 0; guard < 20; ++guard) {
      TDataEdit* p = consent.GetNextObject();
      if (p == nullptr) break;
      EXPECT_EQ(0, p->Record->Count) << c.name;
      lengths.push_back(p->Perimeter());
    }
    ASSERT_EQ(c.lengths.size(), lengths.size()) << c.name;
    for (size_t i = 0; i < lengths.size(); ++i) EXPECT_NEAR(c.lengths[i], lengths[i], 1e-6) << c.name;
    EXPECT_EQ(nullptr, consent.GetNextObject()) << c.name;
  }
  // The stretch before the area runs in the line's own direction.
  Metric line;
  ASSERT_TRUE(Fill(line, METRIC_F64, {across}));
  TObjectConsent consent;
  ASSERT_EQ(1, consent.LoadObjects(&line, &square, 0, 0, 0.001));
  const Contour first = Points(*consent.GetNextObject(), 0);
  ASSERT_EQ(2u, first.size());
  EXPECT_EQ(-5, first.front().x);
  EXPECT_EQ(0, first.back().x);
}
