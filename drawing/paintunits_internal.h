// The device units of sizes and the device colours of colour words, as
// the device painters take them from the painting link (TPaintMetric).
// They serve the painters inside the library and are no part of the
// exported class.
#pragma once

#include "drawing/paintmetric.h"
#include "platform/win_types.h"

// A length in micrometres in device pixels: trunc(length x horizontal
// pixels per micrometre + 0.3).
LONG DeviceUnits(const TPaintMetric* doc, LONG micrometres);
// f x ratio (on a display f), limited to -65000..65000, to the nearest.
LONG RatioUnits(const TPaintMetric* doc, float f);
// A colour word as a device colour for lines and for fills (the forced
// colour while one is set).
COLORREF LineColor(const TPaintMetric* doc, DWORD color);
COLORREF FillColor(const TPaintMetric* doc, DWORD color);
// Entry index & 255 of the line or fill table (the forced colour while
// one is set).
COLORREF PaletteColor(const TPaintMetric* doc, int index);
COLORREF FillPaletteColor(const TPaintMetric* doc, int index);
