// The constant tables of painters and visibility tests, indexed by
// primitive code.
#include "drawing/primtables.h"

#include <initializer_list>

#include "drawing/dibpainters.h"
#include "drawing/hatchfill.h"
#include "drawing/imagelibrary.h"
#include "drawing/linesigns.h"
#include "drawing/offsetline.h"
#include "drawing/patternline.h"
#include "drawing/pendingpainters.h"
#include "drawing/visibility.h"

namespace {

struct PainterRow {
  int Code;
  IMGPAINTER Painter;
};

constexpr PainterBlock Block(IMGPAINTER fallback, std::initializer_list<PainterRow> rows) {
  PainterBlock b{};
  for (IMGPAINTER& p : b) p = fallback;
  for (const PainterRow& r : rows) b[r.Code] = r.Painter;
  return b;
}

// The device blocks, one row per code of the table of blocks.
constexpr std::array<PainterBlock, DEVICE_BLOCK_COUNT> MakeDeviceTable() {
  constexpr IMGPAINTER line = PaintDefaultLine, none = PaintNothing, outline = PaintOneColourFill;
  // Codes whose painter is the same in blocks 0-4 (block 5 paints nothing).
  constexpr PainterRow common[] = {
      {PRIM_CIRCLE, PaintCircle},
      {PRIM_BITMAP, PaintLayeredSign},
      {PRIM_VECTOR, PaintVectorSign},
      {PRIM_FONT_SIGN, PaintFontSignFront},
      {PRIM_VECTOR_MIRROR, PaintVectorSignMirrored},
      {PRIM_OFFSET_LINE, PaintOffsetLineDevice},
      {PRIM_VECTOR_REF, PaintVectorSignByReference},
      {PRIM_LIBRARY, PaintLibraryImageDevice},
  };
  // Codes of blocks 0, 1, 3 and 4 that block 2 draws as one-colour outlines.
  constexpr PainterRow outlined[] = {
      {PRIM_DOT, PaintDashedLine},
      {PRIM_HATCH, PaintPatternFill},
      {PRIM_LAYERED_PATTERN, PaintLayeredPattern},
      {PRIM_DECORATED_SHORT, PaintShortLineSignsDevice},
      {PRIM_OFFSET_DOT, PaintOffsetDashedLine},
      {PRIM_ANGLE_HATCH, PaintHatch},
      {PRIM_AREA_SIGNS, PaintAreaSignsDevice},
      {PRIM_DECORATED, PaintLineSignsDevice},
      {PRIM_PATTERN_LINE, PaintPatternLine},
  };
  std::array<PainterBlock, DEVICE_BLOCK_COUNT> t{
      Block(line, {{PRIM_NONE, none},
                   {PRIM_EMPTY, none},
                   {PRIM_LINE, PaintLine},
                   {PRIM_SQUARE, PaintSolidFill},
                   {PRIM_TEXT, PaintTextFront},
                   {PRIM_TEMPLATE, PaintLabelledSet},
                   {PRIM_FACE_TEXT, PaintFaceTextFront}}),
      Block(line, {{PRIM_NONE, none},
                   {PRIM_EMPTY, none},
                   {PRIM_LINE, PaintLine},
                   {PRIM_SQUARE, outline},
                   {PRIM_TEXT, PaintTextFront},
                   {PRIM_TEMPLATE, PaintLabelledSet},
                   {PRIM_FACE_TEXT, PaintFaceTextFront}}),
      Block(line, {{PRIM_NONE, none},
                   {PRIM_LINE, outline},
                   {PRIM_SQUARE, outline},
                   {PRIM_TEXT, PaintTextFront},
                   {PRIM_TEMPLATE, PaintLabelledSet},
                   {PRIM_FACE_TEXT, PaintFaceTextFront}}),
      Block(none, {{PRIM_LINE, PaintLine},
                   {PRIM_SQUARE, PaintSolidFill},
                   {PRIM_TEMPLATE, PaintLabelledSet}}),
      Block(none, {{PRIM_LINE, PaintLine},
                   {PRIM_TEXT, PaintTextFront},
                   {PRIM_FACE_TEXT, PaintFaceTextFront}}),
      Block(none, {{PRIM_TEXT, PaintTextFront},
                   {PRIM_TEMPLATE, PaintLabelledSet},
                   {PRIM_FACE_TEXT, PaintFaceTextFront}}),
  };
  for (int b = 0; b < 5; ++b) {
    for (const PainterRow& r : common) t[b][r.Code] = r.Painter;
    for (const PainterRow& r : outlined) t[b][r.Code] = b == 2 ? outline : r.Painter;
  }
  for (PainterBlock& b : t) {
    b[PRIM_SET] = PaintPrimitiveSet;
    b[PRIM_SHADE] = PaintShadeDevice;
    b[PRIM_LIBRARY_ALT] = PaintLibraryImageDevice;
  }
  return t;
}

constexpr std::array<PainterBlock, DIB_BLOCK_COUNT> MakeDibTable() {
  constexpr IMGPAINTER outline = PaintDibOutline;
  // Codes the one-colour block draws as one-pixel outlines.
  constexpr PainterRow coloured[] = {
      {PRIM_LINE, PaintDibLine},
      {PRIM_DOT, PaintDibDashedLine},
      {PRIM_LINE_DOT, PaintDibLineDot},
      {PRIM_TWO_LINES, PaintDibTwoLines},
      {PRIM_DOT_TWO_LINES, PaintDibDotTwoLines},
      {PRIM_TWO_DOTS, PaintDibTwoDots},
      {PRIM_LINE_OVERDOT, PaintDibLineOverdot},
      {PRIM_SQUARE, PaintDibFill},
      {PRIM_PATTERN, PaintDibPattern},
      {PRIM_LAYERED_PATTERN, PaintDibLayeredPattern},
      {PRIM_LINE_OVERDOT_SCALED, PaintDibLineOverdotScaled},
      {PRIM_OFFSET_DOT, PaintDibOffsetDot},
      {PRIM_VECTOR, PaintDibVectorSign},
      {PRIM_ANGLE_HATCH, PaintDibAngleHatch},
      {PRIM_AREA_SIGNS, PaintDibAreaSigns},
      {PRIM_VECTOR_MIRROR, PaintDibVectorSignMirrored},
      {PRIM_DECORATED, PaintLineSigns157},
      {PRIM_PATTERN_LINE, PaintDibPatternLine},
      {PRIM_OFFSET_LINE, PaintOffsetLineDib},
      {PRIM_VECTOR_REF, PaintDibVectorSignByReference},
      {PRIM_LIBRARY_ALT, PaintDibLibraryImage},
      {PRIM_LIBRARY, PaintDibLibraryImage},
  };
  // Codes both blocks paint alike.
  constexpr PainterRow both[] = {
      {PRIM_HATCH, PaintDibHatch},        {PRIM_BITMAP32, PaintDibBitmap32},
      {PRIM_CIRCLE, PaintDibCircle},      {PRIM_TEXT, PaintDibText},
      {PRIM_BITMAP, PaintDibLayeredSign}, {PRIM_TEMPLATE, PaintDibLabelledSet},
      {PRIM_FONT_SIGN, PaintDibText151},  {PRIM_FACE_TEXT, PaintDibText152},
      {PRIM_SHADE, PaintDibShade},
  };
  std::array<PainterBlock, DIB_BLOCK_COUNT> t{
      Block(PaintDefaultImage, {{PRIM_NONE, PaintEmptyImage},
                                {PRIM_EMPTY, PaintEmptyImage},
                                {PRIM_DECORATED_SHORT, PaintLineSigns146},
                                {PRIM_SET, PaintDibSet}}),
      Block(PaintDefaultImage,
            {{PRIM_DECORATED_SHORT, PaintDibOneColourDefault}, {PRIM_SET, PaintDibSetOneColour}}),
  };
  for (const PainterRow& r : coloured) {
    t[DIB_FULLCOLOUR][r.Code] = r.Painter;
    t[DIB_ONECOLOUR][r.Code] = outline;
  }
  for (const PainterRow& r : both) t[DIB_FULLCOLOUR][r.Code] = t[DIB_ONECOLOUR][r.Code] = r.Painter;
  return t;
}

struct TesterRow {
  int Code;
  IMGTESTER Test;
};

constexpr TesterBlock MakeVisibilityTable() {
  TesterBlock b{};
  for (IMGTESTER& t : b) t = TestDefaultImage;
  constexpr TesterRow rows[] = {
      {PRIM_SQUARE, TestImageByMask},      {PRIM_HATCH, TestImageByMask},
      {PRIM_PATTERN, TestImageByMask},     {PRIM_LAYERED_PATTERN, TestImageByMask},
      {PRIM_ANGLE_HATCH, TestImageByMask}, {PRIM_SHADE, TestImageByMask},
      {PRIM_AREA_SIGNS, TestImageByMask},  {PRIM_TEST_CIRCLE, TestCircleImage},
      {PRIM_TEXT, TestTextImage},          {PRIM_BITMAP, TestBitmapSignImage},
      {PRIM_SET, TestPrimitiveSet},        {PRIM_VECTOR, TestVectorSignImage},
      {PRIM_FACE_TEXT, TestFaceTextImage}, {PRIM_VECTOR_MIRROR, TestVectorSignMirrored},
      {PRIM_OFFSET_LINE, TestOffsetLine},  {PRIM_VECTOR_REF, TestVectorSignByReference},
      {PRIM_LIBRARY, TestLibraryImage},
  };
  for (const TesterRow& r : rows) b[r.Code] = r.Test;
  return b;
}

}  // namespace

constinit const std::array<PainterBlock, DEVICE_BLOCK_COUNT> DevicePainterTable = MakeDeviceTable();
constinit const std::array<PainterBlock, DIB_BLOCK_COUNT> DibPainterTable = MakeDibTable();
constinit const TesterBlock VisibilityTestTable = MakeVisibilityTable();
