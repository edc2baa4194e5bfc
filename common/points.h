// Points and frames in doubles, shared by every subsystem.
#pragma once

#pragma pack(push, 1)
// A point: X then Y. In map coordinates X points north and Y east.
struct DOUBLEPOINT {
  double X;
  double Y;
};

// A frame: the minima X1, Y1, then the maxima X2, Y2.
struct DFRAME {
  double X1;
  double Y1;
  double X2;
  double Y2;
};
#pragma pack(pop)

static_assert(sizeof(DOUBLEPOINT) == 16);
static_assert(sizeof(DFRAME) == 32);
