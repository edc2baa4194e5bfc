// Screen precision: the screen's diagonal, its size in pixels and the scale
// at which the user wants to see a map on it, and the screen pixels per
// metre derived from them.
#include <cmath>

#include "drawing/paintcontext.h"
#include "platform/numeric.h"

namespace {

enum : int {
  SCREEN_SIZE_MIN = 100,  // diagonal, mm
  SCREEN_SIZE_MAX = 2000,
  SCREEN_SCALE_MIN = 50,  // percent
  SCREEN_SCALE_MAX = 200,
  SCREEN_PPM_MIN = 1000,  // pixels per metre
  SCREEN_PPM_MAX = 100000,
};

int g_diagonal = 320;
int g_width = 640;
int g_height = 480;
int g_scale = 120;
double g_ppmH = 3000.0;
double g_ppmV = 3000.0;

int Clamp(int v, int low, int high) { return v < low ? low : (v > high ? high : v); }

// Truncation of a value that may lie outside the 32-bit range.
int Truncate(double v) { return plat::TruncateTo<int>(v); }

}  // namespace

void GetScreenPixelSize(int* width, int* height) {
  if (width) *width = g_width;
  if (height) *height = g_height;
}

void SetScreenPixelSizeFromDisplay(int width, int height) {
  if (width > 0 && height > 0) {
    g_width = width;
    g_height = height;
  }
}

int GetScreenSizeValue() { return g_diagonal; }

int SetScreenSizeValue(int diagonal) {
  const int old = g_diagonal;
  if (diagonal == 0) diagonal = g_diagonal;
  g_diagonal = Clamp(diagonal, SCREEN_SIZE_MIN, SCREEN_SIZE_MAX);
  const double pixels = std::sqrt(double(g_width) * g_width + double(g_height) * g_height);
  const double ppm = Truncate(pixels / g_diagonal * 1000.0 * g_scale * 0.01 + 0.5);
  g_ppmH = g_ppmV = ppm;
  return old;
}

int GetScreenScaleValue() { return g_scale; }

int SetScreenScaleValue(int percent) {
  const int old = g_scale;
  if (percent == 0) percent = g_scale;
  g_scale = Clamp(percent, SCREEN_SCALE_MIN, SCREEN_SCALE_MAX);
  SetScreenSizeValue(g_diagonal);
  return old;
}

int GetScreenPixelsPerMeter() { return Truncate(g_ppmH); }

// The scale follows the precision in proportion and is not clamped: a
// precision far below the diagonal's takes the scale under 50 percent.
int SetScreenPixelsPerMeter(int ppm) {
  const int old = Truncate(g_ppmH);
  if (ppm == 0) ppm = old;
  ppm = Clamp(ppm, SCREEN_PPM_MIN, SCREEN_PPM_MAX);
  SetScreenScaleValue(0);
  g_scale = Truncate(g_scale * double(ppm) / g_ppmH + 0.5);
  g_ppmH = g_ppmV = ppm;
  return old;
}

double GetScreenPixelsPerMeterH() { return g_ppmH; }
double GetScreenPixelsPerMeterV() { return g_ppmV; }

int ScreenMeter2Pixel(double metres) { return Truncate(metres * g_ppmH + 0.5); }

double ScreenPixel2Meter(int pixels) { return pixels / g_ppmH; }
