// Angles between radians, degrees and degrees-minutes-seconds, with
// reductions into a full turn. The class keeps no data; every method may be
// called on any instance or through the class.
#pragma once

#include "platform/export.h"

class MAPCLASS TRadianGrad {
 public:
  // Splits |radian| into degrees, minutes and seconds; returns 1 when the
  // angle was negative, else 0 (0 with nothing written for a null pointer).
  static int RadianToGrad(double radian, int* degree, int* minute, double* second);
  // Degrees, minutes and seconds (normalised first) to radians, negated
  // when negative is nonzero.
  static double GradToRadian(int degree, int minute, double second, int negative);
  // Degrees to radians, reduced to 0-2*pi.
  static double GradToRadian(double degree);
  // Radians to degrees, reduced to 0-360.
  static double RadianToGrad(double radian);
  // Carries whole minutes out of the seconds and whole degrees out of the
  // minutes and brings the degrees into 0-360; 0 for a null pointer or an
  // infinite number of seconds, else 1.
  static int GradNormalize(int* degree, int* minute, double* second);
};
