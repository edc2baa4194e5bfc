// The list of image plug-in libraries, the calls into them, the painters
// of the plug-in image primitives and the classifier's services.
#include "drawing/imagelibrary.h"

#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "common/filename.h"
#include "common/language.h"
#include "common/libload.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "drawing/dibpainters.h"
#include "drawing/nesting.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"
#include "drawing/visibility.h"

TLibraryList LibraryList;

namespace {

// The parameters of a plug-in image primitive.
struct ImageRecord {
  int Slot;
  LONG Image;
  const char* Parm;  // the image's own parameters
};

ImageRecord RecordOf(const char* parm) {
  return ImageRecord{ParmLong(parm, 2), ParmLong(parm, 3), parm + 16};
}

LIBRARYSLOT* OpenSlot(int n) {
  if (n < 1 || n > LIBRARY_SLOTS) return nullptr;
  LIBRARYSLOT* s = &LibraryList.Slot[n - 1];
  return s->UseCount > 0 ? s : nullptr;
}

// Plug-ins that paint plug-in images through the host nest their calls;
// a library painting itself without end is cut off here.
int g_callDepth = 0;

void Unload(LIBRARYSLOT* s) {
  if (s->Module != nullptr) FreeLibraryModule(s->Module);
  *s = LIBRARYSLOT{};
}

// The other six entries, in slot order; false (reported, unloaded) when
// one is missing.
bool ResolveEntries(LIBRARYSLOT* s, const char* name, IMLOPENGISLIBRARY* open) {
  auto entry = [&](const char* entryName) {
    FARPROC proc = GetLibraryProc(s->Module, entryName);
    if (proc == nullptr) ShowErrorMessage(MAPERR_BADLIBRARY, name);
    return proc;
  };
  FARPROC p;
  if (!(p = entry("imlGetImageBorder"))) return false;
  s->GetImageBorder = reinterpret_cast<IMLGETIMAGEBORDER>(p);
  if (!(p = entry("imlPaintImage"))) return false;
  s->PaintImage = reinterpret_cast<IMLPAINTIMAGE>(p);
  if (!(p = entry("imlPaintExample"))) return false;
  s->PaintExample = reinterpret_cast<IMLPAINTEXAMPLE>(p);
  if (!(p = entry("imlTestVisible"))) return false;
  s->TestVisible = reinterpret_cast<IMLTESTVISIBLE>(p);
  if (!(p = entry("imlCloseGisLibrary"))) return false;
  s->CloseGisLibrary = reinterpret_cast<IMLCLOSEGISLIBRARY>(p);
  if (!(p = entry("imlOpenGisLibrary"))) return false;
  *open = reinterpret_cast<IMLOPENGISLIBRARY>(p);
  return true;
}

// The library accepts the host by its name, or by its name in the shell
// folder.
bool Accepts(IMLOPENGISLIBRARY open) {
  if (open(IMGLIB_HOST_NAME) != 0) return true;
  const char* shell = PathShellGet();
  if (shell == nullptr || shell[0] == 0) return false;
  char host[MAX_PATH * 2];
  std::snprintf(host, sizeof(host), "%s%s", shell, IMGLIB_HOST_NAME);
  return open(host) != 0;
}

IMGCONTEXT BaseContext(HDC dc, LONG kind, TPaintMetric* painter, LONG width, LONG height,
                       float scale, DWORD method, double px, double py) {
  IMGCONTEXT c{};
  c.Length = sizeof(IMGCONTEXT);
  c.Dc = dc;
  c.Kind = kind;
  c.Painter = painter;
  c.Width = width;
  c.Height = height;
  c.Scale = scale;
  c.ScaleMethod = method;
  c.PixelsPerMicronX = px;
  c.PixelsPerMicronY = py;
  c.TurnCos = 1.0;
  return c;
}

void TurnOf(const TPaintMetric* doc, IMGCONTEXT* c) {
  if (doc == nullptr || doc->TurnFlag == 0) return;
  c->TurnSin = doc->TurnSin;
  c->TurnCos = doc->TurnCos;
  c->TurnAngle = doc->TurnAngle;
}

double ScreenMicronX() { return GetScreenPixelsPerMeterH() * 1e-6; }
double ScreenMicronY() { return GetScreenPixelsPerMeterV() * 1e-6; }

// The classifier's services.
const void* ImageListOf(int n) { return llGetImageList(n); }

const RSCIMAGELIBRARY kServices = {llOpenLibrary, llCloseLibrary, llGetImageListField,
                                   ImageListOf, llGetImageSize};

struct Registration {
  Registration() { rscSetImageLibraryServices(&kServices); }
  ~Registration() {
    const RSCIMAGELIBRARY* s = rscImageLibraryServices();
    if (s != nullptr && s->Open == kServices.Open) rscSetImageLibraryServices(nullptr);
  }
};
const Registration kRegistration;

}  // namespace

// --- The list ---

TLibraryList::~TLibraryList() {
  for (int n = 1; n <= LIBRARY_SLOTS && OpenCount >= 1; ++n) llFreeLibrary(n);
}

int llOpenLibrary(const char* name) {
  if (name == nullptr) return 0;
  TLibraryList& list = LibraryList;
  if (list.OpenCount > 0) {
    for (int n = 1; n <= LIBRARY_SLOTS; ++n) {
      LIBRARYSLOT& s = list.Slot[n - 1];
      if (s.UseCount > 0 && IsSameNameInFolder(s.Name, name)) {
        ++s.UseCount;
        return n;
      }
    }
    if (list.OpenCount >= LIBRARY_SLOTS) {
      list.OpenCount = LIBRARY_SLOTS;
      return 0;
    }
  } else {
    list.OpenCount = 0;
    for (LIBRARYSLOT& s : list.Slot) s = LIBRARYSLOT{};
  }
  int n = 1;
  while (n <= LIBRARY_SLOTS && list.Slot[n - 1].UseCount != 0) ++n;
  if (n > LIBRARY_SLOTS) return 0;
  LIBRARYSLOT& s = list.Slot[n - 1];
  FARPROC first = LoadLibraryFunction(name, &s.Module, "imlGetImageList", 1);
  if (first == nullptr) {
    s = LIBRARYSLOT{};
    return 0;
  }
  s.GetImageList = reinterpret_cast<IMLGETIMAGELIST>(first);
  std::snprintf(s.Name, sizeof(s.Name), "%s", name);
  IMLOPENGISLIBRARY open = nullptr;
  if (!ResolveEntries(&s, name, &open)) {
    Unload(&s);
    return 0;
  }
  if (!Accepts(open)) {
    ShowErrorMessage(MAPERR_NOTFOUND, IMGLIB_HOST_NAME);
    Unload(&s);
    return 0;
  }
  s.UseCount = 1;
  ++list.OpenCount;
  s.ImageList = s.GetImageList();
  return n;
}

void llCloseLibrary(int n) {
  LIBRARYSLOT* s = OpenSlot(n);
  if (s == nullptr) return;
  if (s->UseCount == 1)
    llFreeLibrary(n);
  else
    --s->UseCount;
}

int llFreeLibrary(int n) {
  LIBRARYSLOT* s = OpenSlot(n);
  if (s == nullptr) return 0;
  if (s->CloseGisLibrary != nullptr) s->CloseGisLibrary();
  Unload(s);
  --LibraryList.OpenCount;
  return 0;
}

int llGetUseCount(int n) {
  return n >= 1 && n <= LIBRARY_SLOTS ? LibraryList.Slot[n - 1].UseCount : 0;
}

const IMGLIST* llGetImageList(int n) {
  LIBRARYSLOT* s = OpenSlot(n);
  return s != nullptr && s->GetImageList != nullptr ? s->GetImageList() : nullptr;
}

LONG llGetImageListField(int n, LONG image) {
  LIBRARYSLOT* s = OpenSlot(n);
  if (s == nullptr || s->ImageList == nullptr) return 0;
  const IMGLIST* list = s->ImageList;
  for (LONG i = 0; i < list->Count; ++i) {
    const IMGLISTENTRY& e = list->Image[i];
    if (e.Code == image && e.Description != nullptr) return static_cast<signed char>(e.Description[8]);
  }
  return 0;
}

LONG llPaintImage(int n, LONG image, POLYDATA* data, const IMGCONTEXT* context, const char* parm) {
  LIBRARYSLOT* s = OpenSlot(n);
  NestingGuard guard(g_callDepth, LIBRARY_CALL_DEPTH);
  if (s != nullptr && s->PaintImage != nullptr && guard.ok)
    return s->PaintImage(image, data, parm, context);
  if (context == nullptr) return 0;
  // Without its library the image is a plain black line.
  const LocalParm<2> line{0, LIBRARY_LINE_THICKNESS};
  auto* painter = static_cast<TPaintMetric*>(context->Painter);
  if (context->Kind == IMGCONTEXT_DEVICE && painter != nullptr)
    DevicePainterTable[0][PRIM_LINE](painter, data, line(), context->Scale);
  else
    PaintDibLine(painter, data, line(), context->Scale);
  return 0;
}

LONG llPaintExample(int n, LONG image, const char* parm, const IMGCONTEXT* context) {
  LIBRARYSLOT* s = OpenSlot(n);
  NestingGuard guard(g_callDepth, LIBRARY_CALL_DEPTH);
  return s != nullptr && s->PaintExample != nullptr && guard.ok
             ? s->PaintExample(image, parm, context)
             : 0;
}

LONG llTestVisible(int n, LONG image, POLYDATA* data, const IMGCONTEXT* context, const char* parm) {
  LIBRARYSLOT* s = OpenSlot(n);
  NestingGuard guard(g_callDepth, LIBRARY_CALL_DEPTH);
  if (s != nullptr && s->TestVisible != nullptr && guard.ok)
    return s->TestVisible(image, data, parm, context);
  return TestDefaultImage(nullptr, data, parm, context != nullptr ? context->Scale : 1.0f);
}

LONG llGetImageBorder(int n, LONG image, POLYDATA* data, const char* parm,
                      const IMGCONTEXT* context, FRAME* frame) {
  LIBRARYSLOT* s = OpenSlot(n);
  NestingGuard guard(g_callDepth, LIBRARY_CALL_DEPTH);
  return s != nullptr && s->GetImageBorder != nullptr && guard.ok
             ? s->GetImageBorder(image, data, parm, context, frame)
             : 0;
}

int llGetImageSize(const char* record, IMAGESIZE* size) {
  if (size == nullptr) return 0;
  *size = IMAGESIZE{};
  if (record == nullptr) return 0;
  IMGCONTEXT c = BaseContext(nullptr, IMGCONTEXT_DIB, nullptr, 30000, 30000, 1.0f, 0, 1.0, 1.0);
  POINT origin{0, 0};
  LONG count = 1;
  POLYDATA one{};
  one.Points = &origin;
  one.PolyCounts = &count;
  one.Count = 1;
  FRAME f{};
  const ImageRecord r = RecordOf(record);
  if (llGetImageBorder(r.Slot, r.Image, &one, r.Parm, &c, &f) == 0) return 0;
  size->Left = -f.X1;
  size->Top = -f.Y1;
  size->Width = SaturatePixel(int64_t(f.X2) - f.X1);
  size->Height = SaturatePixel(int64_t(f.Y2) - f.Y1);
  return 1;
}

// --- Contexts ---

IMGCONTEXT DeviceImageContext(TPaintMetric* doc, float scale) {
  IMGCONTEXT c = BaseContext(doc->PaintDc, IMGCONTEXT_DEVICE, doc, doc->PaintWidth,
                             doc->PaintHeight, scale, DWORD(doc->ScaleMethod),
                             doc->PixelsPerMicronH, doc->PixelsPerMicronV);
  TurnOf(doc, &c);
  return c;
}

IMGCONTEXT PaintImageContext(const TPaintMetric* doc, float scale, LONG kind) {
  IMGCONTEXT c = BaseContext(kind == IMGCONTEXT_DIB ? PaintContext.MemoryDc : nullptr, kind,
                             nullptr, PaintContext.ImageWidth, PaintContext.ImageHeight, scale,
                             doc != nullptr ? DWORD(doc->ScaleMethod) : 0, ScreenMicronX(),
                             ScreenMicronY());
  TurnOf(doc, &c);
  return c;
}

// --- Primitives 250 and 221 ---

void PaintLibraryImageDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (doc == nullptr || parm == nullptr) return;
  const IMGCONTEXT c = DeviceImageContext(doc, scale);
  const ImageRecord r = RecordOf(parm);
  llPaintImage(r.Slot, r.Image, data, &c, r.Parm);
}

void PaintDibLibraryImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (parm == nullptr) return;
  const IMGCONTEXT c = PaintImageContext(doc, scale, IMGCONTEXT_DIB);
  const ImageRecord r = RecordOf(parm);
  llPaintImage(r.Slot, r.Image, data, &c, r.Parm);
}

int TestLibraryImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (parm == nullptr) return TestDefaultImage(doc, data, parm, scale);
  const IMGCONTEXT c = PaintImageContext(doc, scale, IMGCONTEXT_TEST);
  const ImageRecord r = RecordOf(parm);
  return llTestVisible(r.Slot, r.Image, data, &c, r.Parm) != 0 ? 1 : 0;
}

void PaintLibraryExample(TPaintMetric* doc, const char* record, float scale) {
  if (record == nullptr) return;
  const IMGCONTEXT c =
      doc != nullptr
          ? BaseContext(doc->PaintDc, IMGCONTEXT_DEVICE, doc, doc->PaintWidth, doc->PaintHeight,
                        scale, 0, doc->PixelsPerMicronH, doc->PixelsPerMicronV)
          : BaseContext(nullptr, IMGCONTEXT_DIB, nullptr, PaintContext.ImageWidth,
                        PaintContext.ImageHeight, scale, 0, ScreenMicronX(), ScreenMicronY());
  const ImageRecord r = RecordOf(record);
  llPaintExample(r.Slot, r.Image, r.Parm, &c);
}

int PrepareBorderDefault(POLYDATA* data, int code, const char* parm, FRAME* frame) {
  if (code < 0 || code >= PRIM_COUNT) return 0;
  const IMGCONTEXT c = BaseContext(nullptr, IMGCONTEXT_DIB, nullptr, PaintContext.ImageWidth,
                                   PaintContext.ImageHeight, 1.0f, 0, ScreenMicronX(),
                                   ScreenMicronY());
  return BorderPrimitiveTable[code](data, parm, &c, frame);
}
