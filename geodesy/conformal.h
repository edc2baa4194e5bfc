// Conformal cylindrical (kind 8) and conformal conic (kind 2) projections on
// the ellipsoid of the TTranslate; their conversions are the TTranslate
// bodies XY2BL_CYL, BL2XY_CYL, XY2BL_CON and BL2XY_CON (translate.h).
//
// Both take the semi-major axis and the eccentricity term from the object.
// On ellipsoid kinds 3-9 that term is e squared, and the formulas use it
// where e stands: a conic or cylinder on those ellipsoids is computed with
// e = 0.0067... instead of 0.08. Stored map registers depend on these
// numbers, so the term is used as it is.
//
// Both inverses find the latitude phi with F(phi) = q, F the isometric
// latitude function of the eccentricity e, by halving [0, top] to 1e-12:
//   cylinder: top = pi/2 - 1e-5; an end within 1e-12 of q is the answer;
//             0 when q lies beyond the bracket;
//   cone:     top = pi/2 - 1e-4; an end only when F equals q exactly;
//             top when q lies beyond the bracket.
#pragma once

enum class ConformalSearch { Cylinder, Cone };

// F(top) of the search, which the callers keep with their constants.
double ConformalSearchTop(double e, ConformalSearch c);
// The search; fTop is ConformalSearchTop(e, c).
double SearchConformalLatitude(double e, double q, ConformalSearch c, double fTop);
// The same search evaluating F at every pass, as the definition reads;
// SearchConformalLatitude gives the same bits and is kept beside it for
// comparison.
double SearchConformalLatitudeByDefinition(double e, double q, ConformalSearch c, double fTop);
