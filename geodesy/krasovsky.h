// Functions of latitude on the Krasovsky ellipsoid with its constants built
// in, the turn of a point about an oblique pole, and the latitude search that
// inverts them. The formula-family projections (kinds 6 and 18-31) are made
// of these; none of them reads the ellipsoid of a TTranslate.
#pragma once

#include <cstdint>

// Built-in constants of the latitude functions.
namespace krasovsky {
constexpr double kMajorAxis = 6378245.0;                        // a
constexpr double kMajorAxisTimesOneMinusE2 = 6335552.71459561;  // a(1 - e^2)
constexpr double kE2 = 0.006693422;                             // e^2
constexpr double kE = 0.081813336;                              // e
constexpr double kHalfE = 0.040906668;                          // e / 2
// The sphere of the pseudocylindrical and cylindrical kinds.
constexpr double kSphereRadius = 6371116.0;
}  // namespace krasovsky

// s(B): metres along the meridian from the equator. The short series
// 6367558.5, 16036.5, 16.8 is the one the projections are defined with.
double MeridianArcLength(double B);
// S(B): the area in square metres between the equator and B in a lune one
// radian wide.
double AuthalicFunction(double B);
// U(B): the isometric latitude function tan(pi/4 + B/2) ((1 - e sinB) /
// (1 + e sinB))^(e/2).
double IsometricFunction(double B);
// S(B) from sin B.
double AuthalicOfSine(double s);
// r(B): radius of the parallel B.
double ParallelRadius(double B);
// N(B): radius of curvature in the prime vertical.
double PrimeVerticalRadius(double B);
// M(B): radius of curvature of the meridian.
double MeridianRadius(double B);

// Turns the point (L, B) about the pole (LP, BP): `first` gets the latitude
// in the turned system and `second` the angle LP + pi + atan2(num, den) of
// the point seen from the pole, reduced below 2*pi. Returns 0.
double ObliqueTransform(double L, double B, double LP, double BP, double* first, double* second);
// The way back from (second, first) of ObliqueTransform to the latitude B
// and the longitude L. The same turn applied to its own result comes back
// only for the normal aspect (BP = pi/2): for an oblique pole the angle
// must first lose the pi that ObliqueTransform adds, and L gets it back.
void ObliqueTransformBack(double A, double Bt, double LP, double BP, double* B, double* L);

// The latitude search: finds B in 0-pi/2 with F(B) = T for one of the
// increasing functions s, S and U, by halving the bracket [0, pi/2] from
// pi/4 until it is narrower than 1e-8; the result is the middle of the last
// bracket. A target below F(0) gives a latitude near 0, one above F(pi/2) a
// latitude near pi/2. False, with nothing written, when T is not a number
// or the bracket did not close within `rounds` halvings.
enum class LatitudeFunction : uint8_t { MeridianArc, Authalic, Isometric };
constexpr int kSearchRounds = 89;
bool SearchLatitude(LatitudeFunction f, double T, int rounds, double* B);

// The same search evaluating F at every halving, as the definition reads;
// SearchLatitude gives the same bits and is kept beside it for comparison.
bool SearchLatitudeByDefinition(LatitudeFunction f, double T, int rounds, double* B);
