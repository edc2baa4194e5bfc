// The ellipsoids a projection can be installed on: semi-major axis and the
// eccentricity term that TTranslate keeps for each ellipsoid kind.
#pragma once

#include <cstdint>

struct EllipsoidTerms {
  double MajorAxis;         // a, metres
  double EccentricityTerm;  // e for the Krasovsky ellipsoid, e squared else
};

// The stored terms of an ellipsoid kind, or null for a kind that keeps the
// object's previous values (0, 2 and unknown kinds).
const EllipsoidTerms* FindEllipsoid(int32_t kind);
