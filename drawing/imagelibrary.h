// Image plug-in libraries: the process-wide list of loaded plug-ins (64
// slots, numbered 1..64, shared by name with a use count), the calls into
// them, the painters and the visibility test of the plug-in image
// primitives (codes 250 and 221), and the border table that measures what
// a built-in primitive paints around its polylines.
//
// A plug-in is loaded by the name it is opened with (the classifier hands
// its libraries' names in its own folder) and must export the seven iml*
// entries of types/imagelib.h; it is asked to accept the host with
// imlOpenGisLibrary("TORVEKAN.DLL"), and once more with the shell path in
// front of that name when it refuses; a library that still refuses is
// unloaded at once. Opening one name again (letter case aside) adds a use
// to its slot; the last close calls imlCloseGisLibrary and unloads it.
// Errors: 60107 the library cannot be loaded, 60108 an entry is missing,
// 60007 ("TORVEKAN.DLL") the library refuses the host; a full list answers
// 0 without a message.
//
// Calls into a closed slot or a number outside 1..64 never reach a
// library: painting falls back to a black line of thickness 260, the
// visibility test to the default test, the rest answer 0.
//
// The list is installed as the classifier's image-library services when
// the library is loaded. It is process-wide and not locked: one call at a
// time, like the paint context.
#pragma once

#include <array>

#include "drawing/polydata.h"
#include "drawing/primtables.h"
#include "platform/win_types.h"
#include "types/imagelib.h"
#include "types/signimage.h"

enum : int {
  LIBRARY_SLOTS = 64,
  LIBRARY_NAME_SIZE = 260,
  LIBRARY_LINE_THICKNESS = 260,  // the line that stands for an image without its library
  LIBRARY_CALL_DEPTH = 8,        // plug-ins painting plug-in images through the host, at most
};

// One slot: the entries in the order they are resolved, then the name the
// library was opened by, its use count (0: free), module and image list.
struct LIBRARYSLOT {
  IMLGETIMAGELIST GetImageList;
  IMLGETIMAGEBORDER GetImageBorder;
  IMLPAINTIMAGE PaintImage;
  IMLPAINTEXAMPLE PaintExample;
  IMLTESTVISIBLE TestVisible;
  IMLCLOSEGISLIBRARY CloseGisLibrary;
  char Name[LIBRARY_NAME_SIZE];
  LONG UseCount;
  HMODULE Module;
  const IMGLIST* ImageList;
};

// The list; the one instance frees what is still open when the library is
// unloaded.
struct TLibraryList {
  ~TLibraryList();
  LONG OpenCount;  // slots in use
  LIBRARYSLOT Slot[LIBRARY_SLOTS];
};
extern TLibraryList LibraryList;

// --- Host operations (slot n = 1..64) ---

// The slot of the library opened by `name`, 0 on failure (reported, but
// not for a full list).
int llOpenLibrary(const char* name);
// One use less; the last frees the slot.
void llCloseLibrary(int n);
// Unloads at once (imlCloseGisLibrary first); returns 0.
int llFreeLibrary(int n);
// The use count, 0 outside 1..64.
int llGetUseCount(int n);
// imlGetImageList() of an open slot, else 0.
const IMGLIST* llGetImageList(int n);
// The extended-semantics kind (the signed byte 8 of its description) of the
// first listed image of that code with a description; 0 when none.
LONG llGetImageListField(int n, LONG image);
LONG llPaintImage(int n, LONG image, POLYDATA* data, const IMGCONTEXT* context, const char* parm);
LONG llPaintExample(int n, LONG image, const char* parm, const IMGCONTEXT* context);
LONG llTestVisible(int n, LONG image, POLYDATA* data, const IMGCONTEXT* context, const char* parm);
LONG llGetImageBorder(int n, LONG image, POLYDATA* data, const char* parm,
                      const IMGCONTEXT* context, FRAME* frame);
// The size of a plug-in image record (code 250 parameters) for the
// classifier: the library's border around one point at 1 pixel per
// micrometre gives the anchor (-left, -top), width (right - left) and
// height (bottom - top). 0 (size cleared) when the library cannot answer.
int llGetImageSize(const char* record, IMAGESIZE* size);

// --- Contexts ---

// The context of a device painter: the document's DC, size, scale method,
// device pixels per micrometre and turn.
IMGCONTEXT DeviceImageContext(TPaintMetric* doc, float scale);
// The context of the memory image (kind IMGCONTEXT_DIB) or of a
// visibility test (kind IMGCONTEXT_TEST, without a DC): the paint
// context's image, the screen's pixels per micrometre, the turn of the
// document when one is given.
IMGCONTEXT PaintImageContext(const TPaintMetric* doc, float scale, LONG kind);

// --- Primitives 250 and 221 ---

// The record: word 2 the slot, word 3 the image code, from word 4 the
// image's parameters.
void PaintLibraryImageDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibLibraryImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Code 250 of the visibility table (221 has the default test).
int TestLibraryImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// A legend sample of the image: on the document's device, or without one
// into the memory image; not turned.
void PaintLibraryExample(TPaintMetric* doc, const char* record, float scale);

// --- Borders ---

// A border entry: widens the frame (X1 left, Y1 top, X2 right, Y2 bottom)
// by what the primitive paints around the polylines, at the context's
// pixels per micrometre. 1, or 0 for a missing argument or damaged
// polylines.
typedef int (*IMGBORDER)(POLYDATA* data, const char* parm, const IMGCONTEXT* context,
                         FRAME* frame);
extern const std::array<IMGBORDER, PRIM_COUNT> BorderPrimitiveTable;
// The border of a primitive for a legend frame, with the paint context's
// image size and the screen's pixels per micrometre.
int PrepareBorderDefault(POLYDATA* data, int code, const char* parm, FRAME* frame);
