// The objects shared by the metric conversions.
#include "drawing/metricglobals.h"

#include "geometry/spline.h"

namespace {

// The editor has no constructor of its own: it is emptied when the library
// is loaded and detached (its own block released) when it is unloaded.
struct EditorHolder {
  EditorHolder() { Edit.Init(); }
  ~EditorHolder() { Edit.Free(); }
  TDataEdit Edit;
};

TSplin g_spline;
TMeasure g_measure;
EditorHolder g_editor;

}  // namespace

TSplin& MetricSpline() { return g_spline; }
TMeasure& MetricMeasure() { return g_measure; }
TDataEdit& MetricEditor() { return g_editor.Edit; }
