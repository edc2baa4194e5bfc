// Legend samples: the record of an object kind chosen for the view type,
// the colours and the sample text lent for the call, the sample geometry
// of a bare primitive, and the painting through the document's sample
// painter (TMapPaint::PaintExampleObject).
#include "document/legend.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "classifier/rscformat.h"
#include "classifier/rscimagefit.h"
#include "devices/fontreg.h"
#include "document/mapaccess.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/painttext.h"
#include "drawing/parmwords.h"
#include "drawing/primtables.h"

namespace {

// Parameters of a caller's bare primitive: their size is not known.
constexpr LONG kUnknownSize = 0x7FFFFFFF;
// Sides of a sample beyond this are cut (a rectangle of any 32-bit corners
// keeps every coordinate of its sample inside 32 bits).
constexpr int64_t kLargestSide = 1 << 24;
// Bytes of a labelled set's head, before its elements.
constexpr LONG kLabelledHead = 68;

bool IsAreaCode(int code) {
  switch (code) {
    case PRIM_SQUARE:
    case PRIM_HATCH:
    case PRIM_PATTERN:
    case PRIM_LAYERED_PATTERN:
    case PRIM_ANGLE_HATCH:
    case PRIM_AREA_SIGNS:
      return true;
    default:
      return false;
  }
}

// The first element of a set (code 147) and the set's element count; code
// 0 for a set without a first element or one of code 255 and more.
struct SetHead {
  IMGELEMENTREF First{};
  int Count = 0;
};

SetHead HeadOfSet(const char* parm, LONG size) {
  SetHead head;
  if (parm == nullptr || size < LONG(IMGDRAW_HEAD)) return head;
  TImageWalk walk(reinterpret_cast<const IMGDRAW*>(parm), size);
  head.Count = walk.Count();
  if (!walk.Next(&head.First) || head.First.Code >= PRIM_COUNT - 1) head.First = IMGELEMENTREF{};
  return head;
}

// Which of the line-start sign (slot 1) and line-end sign (slot 2) a line
// with signs holds: its elements follow the head (8 bytes for code 146,
// 32 for 157) within the record's own length; an element of 4 bytes or
// less is an empty slot.
struct EndSigns {
  bool Start = false;
  bool End = false;
};

EndSigns EndSignsOf(int code, const char* parm, LONG size) {
  EndSigns signs;
  const int64_t head = code == PRIM_DECORATED ? 32 : 8;
  if (parm == nullptr || size < 4) return signs;
  const int64_t length = std::min<int64_t>(ParmWord(parm, 0), size);
  int64_t at = head;
  for (int slot = 0; slot < 3; ++slot) {
    if (length - at < 5) break;
    WORD bytes;
    std::memcpy(&bytes, parm + at, sizeof bytes);
    if (slot == 1) signs.Start = bytes >= 5;
    if (slot == 2) signs.End = bytes >= 5;
    at += std::max<int64_t>(bytes, 4);
  }
  return signs;
}

// The shape under construction: parts appended one by one.
class ShapeBuilder {
 public:
  explicit ShapeBuilder(EXAMPLESHAPE* shape) : s_(shape) {}
  void Part(std::initializer_list<POINT> points) {
    if (s_->Parts >= EXAMPLE_PARTS || used_ + LONG(points.size()) > EXAMPLE_POINTS) return;
    for (const POINT& p : points) s_->Points[used_++] = p;
    s_->Counts[s_->Parts++] = LONG(points.size());
  }

 private:
  EXAMPLESHAPE* s_;
  LONG used_ = 0;
};

LONG Side(LONG side) { return LONG(std::clamp<int64_t>(side, 0, kLargestSide)); }

}  // namespace

void RebindShape(EXAMPLESHAPE* shape) {
  POLYDATA& d = shape->Data;
  d = POLYDATA{};
  d.Points = shape->Points;
  d.PolyCounts = shape->Counts;
  d.Count = shape->Parts;
  FrameOfPoints(&d, shape->Points, std::min<LONG>(shape->Counts[0], EXAMPLE_POINTS));
}

void ExampleShape(int code, const char* parm, LONG size, int local, LONG width, LONG height,
                  EXAMPLESHAPE* shape) {
  *shape = EXAMPLESHAPE{};
  width = Side(width), height = Side(height);
  LONG m = std::min(width, height) / 12;
  if (m < 2) m = 2;
  if (code == PRIM_EMPTY) m = 0;
  shape->Margin = m;
  const LONG L = m, T = m, R = width - m - 1, B = height - m - 1;
  const LONG cx = (L + R) / 2, cy = (T + B) / 2;
  ShapeBuilder add(shape);
  // The line a text stands on: rising from near the bottom edge, with room
  // above it for the text.
  const std::initializer_list<POINT> TextLine = {{L + m, B - m + 2}, {R - m, (3 * T + B) / 4 + 8}};
  const auto area = [&] {
    const POINT notch{(L + R) / 2, (3 * B + T) / 4};
    add.Part({notch, {R, (B + T) / 2}, {R, T}, {L, T}, {L, B}, notch});
  };
  if (parm == nullptr) size = 0;

  switch (code) {
    case PRIM_NONE:
      add.Part({{L, T}, {R, B}});
      add.Part({{R, T}, {L, B}});
      break;
    case PRIM_EMPTY:
      shape->Parts = 1;  // one part of no points
      break;
    case PRIM_CIRCLE:
    case PRIM_BITMAP: {
      POINT c{cx, cy};
      // A layered sign is moved by its anchor.
      if (code == PRIM_BITMAP && size >= 20) {
        const LONG reduce = ParmLong(parm, 2) / 500;
        c.x = std::max<LONG>(c.x - reduce, 2) + ParmLong(parm, 4) / 250;
        c.y = std::max<LONG>(c.y - reduce, 2) + ParmLong(parm, 3) / 250;
      }
      add.Part({c});
      break;
    }
    case PRIM_TEXT:
    case PRIM_FACE_TEXT:
      add.Part(TextLine);
      break;
    case PRIM_VECTOR: {
      const LONG d = R - L < 32 || B - T < 32 ? 8 : 16;
      add.Part({{cx, cy + d}, {R, cy + d}});
      break;
    }
    case PRIM_FONT_SIGN:
      add.Part({{cx, cy}, {R, cy}});
      break;
    case PRIM_DECORATED_SHORT:
    case PRIM_DECORATED: {
      const EndSigns signs = EndSignsOf(code, parm, size);
      LONG x1 = L, x2 = R;
      if (signs.Start) {
        x1 = (3 * L + R) / 4;
        if (signs.End) x2 = (3 * R + L) / 4;
      } else if (signs.End) {
        x2 = (2 * L + R) / 3;
      }
      add.Part({{x1, cy + 1}, {x2, cy + 1}});
      break;
    }
    case PRIM_SET: {
      const SetHead head = HeadOfSet(parm, size);
      const int first = head.First.Code;
      if (IsAreaCode(first) || local == LOCAL_SQUARE) {
        area();
      } else if (first == PRIM_TEXT || first == PRIM_FACE_TEXT) {
        // A set that begins with a text is a text: the line to the box's
        // top corner would carry the standing text out of the box.
        add.Part(TextLine);
      } else if (local == LOCAL_POINT) {
        add.Part({{cx, cy}});
      } else if (local == LOCAL_VECTOR) {
        if (first == PRIM_VECTOR || first == PRIM_FONT_SIGN)
          add.Part({m >= 4 ? POINT{cx - m, cy + m} : POINT{L + 3 * m, cy + m}});
        else
          add.Part({{cx - 2 * m, cy + 2 * m}, {cx + 2 * m, cy - 2 * m}});
      } else {
        add.Part({{L + m, local == LOCAL_TITLE ? B - 2 * m : B - m}, {R, T}});
      }
      break;
    }
    default:
      if (IsAreaCode(code) || local == LOCAL_SQUARE)
        area();
      else
        add.Part({{L, B}, {R, T}});
      break;
  }
  RebindShape(shape);
}

void LabelFigure(LONG width, LONG height, bool besideSign, EXAMPLESHAPE* shape) {
  ExampleShape(PRIM_LINE, nullptr, 0, LOCAL_LINE, width, height, shape);
  const LONG m = shape->Margin;
  const LONG L = m, T = m, R = Side(width) - m - 1, B = Side(height) - m - 1;
  const LONG cx = (L + R) / 2, cy = (T + B) / 2;
  shape->Parts = 0;
  ShapeBuilder add(shape);
  if (besideSign) {
    // Lines of a label to the right of the sign.
    const LONG x1 = cx + m + 4;
    for (LONG dy : {-4, 0, 4}) add.Part({{x1, cy + dy}, {R, cy + dy}});
  } else {
    // A small crossed square.
    add.Part({{cx - 5, cy - 5}, {cx + 5, cy - 5}});
    add.Part({{cx + 5, cy - 5}, {cx + 5, cy + 5}});
    add.Part({{cx + 5, cy + 5}, {cx - 5, cy + 5}});
    add.Part({{cx - 5, cy + 5}, {cx - 5, cy - 5}});
    add.Part({{cx - 5, cy + 5}, {cx + 5, cy - 5}});
  }
  RebindShape(shape);
}

const char* SampleText(int code, const char* parm) {
  if (code == PRIM_SET) {
    const IMGELEMENTREF first = HeadOfSet(parm, kUnknownSize).First;
    code = first.Code;
    parm = first.Parm;
  }
  if (parm != nullptr) {
    if (code == PRIM_FACE_TEXT && BYTE(parm[30]) == 0) return "12345";
    if (code == PRIM_TEXT) {
      WORD font;
      std::memcpy(&font, parm + 22, sizeof font);
      if (GetMapFontCharSet(font) == 0) return "12345";
    }
  }
  return "AaBbCc";
}

namespace {

// The document's painting state a sample changes, put back when it ends:
// the visual type (a view type other than 0 is the visual type for the
// call) and, for the "Real" samples, the fill intensity (100 for the call).
class SampleState {
 public:
  SampleState(TMapAccess* doc, int viewType, bool real)
      : doc_(doc), intensity_(doc->FillIntensity), saved_(doc->SavedFillIntensity) {
    if (real) doc->SetFillIntensity(100);
    if (viewType != 0) type_ = doc->SetVisualType(viewType);
  }
  ~SampleState() {
    if (type_ >= 0) doc_->SetVisualType(type_);
    doc_->FillIntensity = intensity_;
    doc_->SavedFillIntensity = saved_;
  }
  SampleState(const SampleState&) = delete;
  SampleState& operator=(const SampleState&) = delete;

 private:
  TMapAccess* doc_;
  LONG intensity_, saved_;
  int type_ = -1;
};

// The paint palette of a sample: the colours given, else the main map's,
// at the saved fill intensity.
void TakeSampleColours(TMapAccess* doc, int count, const COLORREF* palette) {
  if (palette == nullptr || count <= 0) {
    palette = doc->Colors.Colors();
    count = doc->Colors.GetCount();
  }
  count = std::clamp(count, 0, int(PAINT_COLOR_COUNT));
  if (palette == nullptr) count = 0;
  doc->SetPaintPalette(count, palette, -1);
  SetDibPalette(palette, count);
}

// A text list lent to points that carry none: the first part shows the
// text, the others none. The caller's list is put back at the end.
class LentText {
 public:
  LentText(POLYDATA* data, const char* text) : data_(data), old_(data->Text) {
    if (old_ != nullptr && old_[0] != nullptr && old_[0][0] != '\0') return;
    text_.assign(text, text + std::strlen(text) + 1);
    list_.assign(size_t(std::clamp<LONG>(data->Count, 1, TEXT_AREA_SIZE)), nullptr);
    list_[0] = text_.data();
    data->Text = list_.data();
  }
  ~LentText() { data_->Text = old_; }
  LentText(const LentText&) = delete;
  LentText& operator=(const LentText&) = delete;

 private:
  POLYDATA* data_;
  char** old_;
  std::vector<char> text_;
  std::vector<char*> list_;
};

// A primitive over points in the rectangle, with the colours, the sample
// text and the view type for the call: the sample painter's answer.
int PaintOver(TMapAccess* doc, HDC dc, const RECT& rect, int code, const char* parm, POLYDATA* data,
              int count, const COLORREF* palette, int viewType, const char* text, bool real,
              int erase = 1) {
  SampleState state(doc, viewType, real);
  TakeSampleColours(doc, count, palette);
  if (text == nullptr || text[0] == '\0') text = SampleText(code, parm);
  LentText lent(data, text);
  return doc->TMapPaint::PaintExampleObject(dc, rect, code, parm, data, erase);
}

LONG Width(const RECT& rect) {
  return LONG(std::clamp<int64_t>(int64_t(rect.right) - rect.left, 0, kLargestSide));
}
LONG Height(const RECT& rect) {
  return LONG(std::clamp<int64_t>(int64_t(rect.bottom) - rect.top, 0, kLargestSide));
}

// The labelled set (150): its sign over the sign's sample geometry and
// three label strokes beside it in the set's line, or without a sign the
// line (the grey line when the set has none) over a small figure.
int PaintLabelledSample(TMapAccess* doc, HDC dc, const RECT& rect, const char* parm, LONG size,
                        int count, const COLORREF* palette, int viewType, const char* text,
                        bool real) {
  // A record shorter than the set's head holds no elements.
  const LABELELEMENTS found = size >= kLabelledHead ? FindLabelElements(parm) : LABELELEMENTS{};
  const LocalParm<2> grey{EXAMPLE_LINE_COLOR, EXAMPLE_LINE_THICKNESS};
  const IMGELEMENTREF line =
      found.Line.Code != 0 ? found.Line : IMGELEMENTREF{PRIM_LINE, grey(), 8};
  EXAMPLESHAPE shape;
  if (found.Sign.Code == 0) {
    LabelFigure(Width(rect), Height(rect), false, &shape);
    return PaintOver(doc, dc, rect, line.Code, line.Parm, &shape.Data, count, palette, viewType,
                     text, real) != 0;
  }
  ExampleShape(found.Sign.Code, found.Sign.Parm, found.Sign.ParmLength, LOCAL_POINT, Width(rect),
               Height(rect), &shape);
  PaintOver(doc, dc, rect, found.Sign.Code, found.Sign.Parm, &shape.Data, count, palette, viewType,
            text, real);
  // The label strokes go over the sign's picture: on the device, or into
  // the memory image that still holds the sign.
  LabelFigure(Width(rect), Height(rect), true, &shape);
  return PaintOver(doc, dc, rect, line.Code, line.Parm, &shape.Data, count, palette, viewType, text,
                   real, 0) != 0;
}

// The sample geometry lays a text along a line that rises from near the
// box's bottom edge: the text stands on it. A kind's text may hang from
// its object's line (top alignment) or sit across it (middle, bottom), and
// would then fall out of the box at its bottom edge; the sample takes the
// record with its texts standing on their baseline (horizontal alignment,
// font, size and colours unchanged). Codes 142 and 152, and the texts of a
// set (147); any other record, or one too short to hold its texts, is
// taken as it is.
const char* StandingTexts(int code, const char* parm, LONG size, std::vector<char>* copy) {
  const auto stand = [](char* text) {
    IMGTEXT t;
    std::memcpy(&t, text, sizeof t);
    t.Align = WORD((t.Align & ~0x1018) | 0x18);
    std::memcpy(text, &t, sizeof t);
  };
  if (parm == nullptr) return parm;
  if (code == PRIM_TEXT || code == PRIM_FACE_TEXT) {
    const LONG length = code == PRIM_TEXT ? LONG(sizeof(IMGTEXT)) : LONG(sizeof(IMGFACETEXT));
    if (size < length) return parm;
    copy->assign(parm, parm + length);
    stand(copy->data());
    return copy->data();
  }
  if (code != PRIM_SET || size < LONG(IMGDRAW_HEAD)) return parm;
  const int64_t length = std::min<int64_t>(ParmWord(parm, 1), size);
  if (length < IMGDRAW_HEAD || length > IMGDRAW_MAXLENGTH) return parm;
  copy->assign(parm, parm + length);
  TImageWalk walk(reinterpret_cast<const IMGDRAW*>(copy->data()), LONG(length));
  IMGELEMENTREF e;
  while (walk.Next(&e))
    if ((e.Code == PRIM_TEXT || e.Code == PRIM_FACE_TEXT) && e.ParmLength >= LONG(sizeof(IMGTEXT)))
      stand(copy->data() + (e.Parm - copy->data()));
  return copy->data();
}

// A bare primitive over its sample geometry for the local kind: 1 when
// painted (the empty sample of code 127 too), 0 when the painter refused.
int PaintShaped(TMapAccess* doc, HDC dc, const RECT& rect, int code, const char* parm, LONG size,
                int count, const COLORREF* palette, int viewType, const char* text, int local,
                bool real) {
  if (code == PRIM_EMPTY) return 1;
  if (code == PRIM_TEMPLATE)
    return PaintLabelledSample(doc, dc, rect, parm, size, count, palette, viewType, text, real);
  std::vector<char> standing;
  parm = StandingTexts(code, parm, size, &standing);
  EXAMPLESHAPE shape;
  ExampleShape(code, parm, size, local, Width(rect), Height(rect), &shape);
  return PaintOver(doc, dc, rect, code, parm, &shape.Data, count, palette, viewType, text, real);
}

// The record of a kind for the view type: the print record from view type
// 3 up when the kind has one, else the screen record; null when it is not
// usable (another kind's, a code of 255 and more, or parameters whose own
// lengths claim more than the record holds).
const VIEPAR* KindRecord(TMapRsc* rsc, int incode, int viewType) {
  if (rsc == nullptr || incode < 1 || !rsc->IsActive()) return nullptr;
  const VIEPAR* rec = viewType >= 3 ? rsc->GetTabPrn(incode) : nullptr;
  if (rec == nullptr) rec = rsc->GetTabPar(incode);
  if (rec == nullptr || !rscImageFits(rec) || rec->Number != WORD(incode) ||
      rec->Function >= PRIM_COUNT - 1)
    return nullptr;
  return rec;
}

const char* ParmsOf(const VIEPAR* rec) { return reinterpret_cast<const char*>(rec) + RSC_PAR_HEAD; }

}  // namespace

int TMapAccess::PaintExampleObject(HDC dc, const RECT& rect, int incode, TMapRsc* rsc, int viewType,
                                   const char* text) {
  const VIEPAR* rec = KindRecord(rsc, incode, viewType);
  if (rec == nullptr) return 1;  // the empty sample
  return PaintShaped(this, dc, rect, rec->Function, ParmsOf(rec), LONG(rec->Length) - RSC_PAR_HEAD,
                     rsc->GetRscColorCount(), rsc->GetRscPalette(0), viewType, text,
                     rsc->GetObjLocal(incode), false);
}

int TMapAccess::PaintExampleObject(HDC dc, const RECT& rect, int incode, TMapRsc* rsc,
                                   POLYDATA* data, int viewType) {
  if (data == nullptr) return 0;
  const VIEPAR* rec = KindRecord(rsc, incode, viewType);
  if (rec == nullptr) return 1;
  return PaintOver(this, dc, rect, rec->Function, ParmsOf(rec), data, rsc->GetRscColorCount(),
                   rsc->GetRscPalette(0), viewType, nullptr, false);
}

int TMapAccess::PaintExampleObject(HDC dc, const RECT& rect, int code, const char* parm, int count,
                                   const COLORREF* palette, int viewType, const char* text,
                                   int local) {
  if (parm == nullptr || code < 0 || code >= PRIM_COUNT) return 0;
  return PaintShaped(this, dc, rect, code, parm, kUnknownSize, count, palette, viewType, text,
                     local, false);
}

int TMapAccess::PaintExampleObject(HDC dc, const RECT& rect, int code, const char* parm,
                                   POLYDATA* data, int count, const COLORREF* palette,
                                   int viewType) {
  if (parm == nullptr || data == nullptr || code < 0 || code >= PRIM_COUNT) return 0;
  return PaintOver(this, dc, rect, code, parm, data, count, palette, viewType, nullptr, false);
}

int TMapAccess::PaintExampleObjectReal(HDC dc, const RECT& rect, int code, const char* parm,
                                       POLYDATA* data, int count, const COLORREF* palette,
                                       int viewType, const char* text) {
  if (parm == nullptr || code <= 0 || code >= PRIM_COUNT) return 1;  // the empty sample
  if (data == nullptr)
    return PaintShaped(this, dc, rect, code, parm, kUnknownSize, count, palette, viewType, text,
                       LOCAL_LINE, true);
  return PaintOver(this, dc, rect, code, parm, data, count, palette, viewType, text, true);
}
