// Objects shared by every metric conversion: a spline builder for objects
// drawn as curves, a plane-geometry object and a metric editor over the
// record being converted. Made when the library is
// loaded, released when it is unloaded; one conversion at a time uses them.
#pragma once

#include "geodesy/measure.h"
#include "records/dataedit.h"

class TSplin;

TSplin& MetricSpline();
TMeasure& MetricMeasure();
// The editor, empty until a conversion points it at a record.
TDataEdit& MetricEditor();
