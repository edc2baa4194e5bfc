// TMapMetric: the curve of a metric drawn smoothed or as an envelope.
#include "classifier/maprsc.h"
#include "drawing/mapmetric.h"
#include "drawing/metricglobals.h"
#include "geometry/spline.h"

LONGMETRIC* TMapMetric::BuildSplineMetric(TObjectDesc desc, LONGMETRIC* metric, int kind) {
  if (metric == nullptr) return metric;
  const int local = desc.Local();
  TDataEdit& editor = MetricEditor();
  editor.SetBuffer(reinterpret_cast<char*>(metric), static_cast<LONG>(metric->Length),
                   local == LOCAL_TITLE || local == LOCAL_MIXED);
  TSplin& spline = MetricSpline();
  const int built = kind == 2 ? spline.BuildSglad(&editor, 30, 5, -1.0)
                              : spline.BuildOgib(&editor, 10, 4, -1.0);
  editor.SetBuffer(nullptr, 0, 0);  // the editor never keeps the caller's record
  return built == 1 && spline.Result.Record != nullptr ? spline.Result.Record : metric;
}
