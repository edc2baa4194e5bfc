// Stand-ins for the painters, tests and engines that the primitive tables
// and the memory-image painters call but that are not in the library yet.
//
// Every stand-in is a named function with the signature of what it stands
// for, listed in PendingEntries() with the component that brings the real
// one; the tables hold the stand-in until then, so no entry paints nothing
// by accident and none is forgotten. A stand-in paints nothing (device
// painters, memory-image painters of other components), answers 0 (tests)
// or does the plain version of its job (noted at each), and counts its
// calls. A component that brings a real function removes its stand-in and
// its row of the list and puts its own function into the tables.
#pragma once

#include "drawing/devicepainters.h"
#include "drawing/painttext.h"
#include "drawing/primtables.h"
#include "platform/win_types.h"

struct PENDINGENTRY {
  const char* Name;       // the function's name
  const char* ComesWith;  // the component that brings the real function
};

// The stand-ins in the library: a list ended by a row with a null name.
const PENDINGENTRY* PendingEntries();
// Calls of the named stand-in since the last reset (0 for a name that is
// not a stand-in); all calls together for a null name.
int PendingCalls(const char* name);
void ResetPendingCalls();
// The record the device painters' other hand-offs were last handed: the
// pattern-fill record, the mark layer followed by its float factor, or the
// placement values.
const char* PendingDeviceRecord();

// --- Device painters of other components ---

void PaintAreaSignsDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

// --- Memory-image painters of other components ---

void PaintDibVectorSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm,
                                   float scale);
void PaintDibAreaSigns(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibPatternLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
