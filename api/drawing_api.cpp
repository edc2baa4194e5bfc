// Screen precision.
#include "api/drawing_api.h"

#include "drawing/markcontour.h"
#include "drawing/paintcontext.h"

MAPAPI LONG WINAPI mapGetScreenSize(void) { return GetScreenSizeValue(); }

MAPAPI LONG WINAPI mapSetScreenSize(LONG size) { return SetScreenSizeValue(size); }

MAPAPI LONG WINAPI mapSetScreenSizeEx(LONG size, LONG) { return SetScreenSizeValue(size); }

MAPAPI LONG WINAPI mapGetScreenScale(void) { return GetScreenScaleValue(); }

MAPAPI LONG WINAPI mapSetScreenScale(LONG scale) { return SetScreenScaleValue(scale); }

MAPAPI LONG WINAPI mapGetScreenPrecision(void) { return GetScreenPixelsPerMeter(); }

MAPAPI LONG WINAPI mapSetScreenPrecision(LONG precision) {
  return SetScreenPixelsPerMeter(precision);
}

MAPAPI LONG WINAPI mapScreenMeter2Pixel(double metre) { return ScreenMeter2Pixel(metre); }

MAPAPI double WINAPI mapScreenPixel2Meter(LONG pixel) { return ScreenPixel2Meter(pixel); }

MAPAPI LONG WINAPI mapMarkVectorization(LONG size, const char* mark, LONG length,
                                        char* buffer) {
  return VectorizeMark(size, mark, length, buffer);
}
