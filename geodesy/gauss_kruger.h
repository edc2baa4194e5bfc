// Gauss-Krueger projection in 6-degree zones on the Krasovsky ellipsoid:
// closed series with built-in constants, so the functions need nothing but
// the zone. Zone n spans 6 degrees with the axis meridian 6n - 3 degrees and
// carries n in the millions of the easting.
#pragma once

#include <cstdint>

// The zone a conversion works in: its number and the axis meridian kept
// with it (radians). The forward conversion uses the meridian only to move
// longitudes across the 0/360-degree seam; both directions take the axis
// itself from the number.
struct GaussKrugerZone {
  int32_t Number;
  double Meridian;
};

// Geodetic B, L (radians) to plane X (northing), Y (easting), metres.
void GaussKrugerForward(const GaussKrugerZone& zone, double B, double L, double* X, double* Y);
// Plane X, Y to geodetic B, L. L is not reduced into 0-2*pi.
void GaussKrugerInverse(const GaussKrugerZone& zone, double X, double Y, double* B, double* L);

// The zone of a longitude counted on its absolute value (-10 degrees falls
// in zone 2). False when L is not a finite longitude of a sane size.
bool GaussKrugerZoneOfLongitude(double L, GaussKrugerZone* zone);
// The zone of a longitude counted from 0 to 360 degrees (-10 degrees falls
// in zone 59). False when L is not a finite longitude of a sane size.
bool GaussKrugerZoneFrom360(double L, GaussKrugerZone* zone);
// Zone n with its axis meridian; no range check.
GaussKrugerZone GaussKrugerZoneOfNumber(int32_t number);
