// Sign image editing: vector signs, decorated lines and their measures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "classifier/imageedit.h"
#include "classifier/maprsc.h"
#include "devices/fontreg.h"
#include "records/drawedit.h"
#include "records/semnedit.h"
#include "platform/file.h"
#include "support/rscbuilder.h"

namespace {

// The points of subject n, read from the image bytes.
std::vector<LONGPOINT> Points(TVectorImageEdit& e, int n) {
  std::vector<LONGPOINT> out;
  if (n < 1 || n > e.SubjectCount()) return out;
  const char* at = (const char*)e.Image() + IMGVECT_HEAD;
  for (int i = 1;; i++) {
    WORD parm;
    std::memcpy(&parm, at + 2, 2);
    DWORD count;
    std::memcpy(&count, at + 4 + parm, 4);
    if (i == n) {
      out.resize(count);
      std::memcpy(out.data(), at + 8 + parm, 8 * count);
      return out;
    }
    at += 8 + parm + 8 * count;
  }
}

// Appends a subject of the kind through the given points.
void Subject(TVectorImageEdit& e, int kind, std::initializer_list<LONGPOINT> points) {
  ASSERT_TRUE(e.CreateSubject());
  e.SetSubjectKind(e.SubjectCount(), kind);
  for (const LONGPOINT& p : points) ASSERT_TRUE(e.AppendPoint(e.SubjectCount(), p.X, p.Y));
}

// A sign with one line subject through the given points.
void LineSign(TVectorImageEdit& e, std::initializer_list<LONGPOINT> points) {
  ASSERT_TRUE(e.Create());
  Subject(e, 0, points);
}

TEST(VectorImageEdit, CreateAndCreateSubjectGive68Bytes) {
  TVectorImageEdit e;
  ASSERT_TRUE(e.Create());
  EXPECT_EQ(56, e.Length());
  ASSERT_EQ(1, e.CreateSubject());
  EXPECT_EQ(68, e.Length());
  EXPECT_EQ(1u, e.Image()->Count);
  EXPECT_EQ(0, e.PointCount(1));
  EXPECT_EQ(4, e.ParmLength());
}

TEST(VectorImageEdit, LoadRefusesImagesOverTheLimitAndLyingImages) {
  TVectorImageEdit e;
  std::vector<char> big(70000, 0);
  auto* v = (IMGVECTOREX*)big.data();
  v->Length = 70000;
  EXPECT_EQ(0, e.Load(v));

  // A subject whose parameter length runs past the image, then a count
  // that promises more subjects than the length holds (one empty subject).
  for (DWORD count : {1u, 1000u}) {
    std::vector<char> small(80, 0);
    v = (IMGVECTOREX*)small.data();
    v->Length = 68;
    v->Count = count;
    small[IMGVECT_HEAD + 2] = count == 1 ? char(0xF0) : 4;
    ASSERT_EQ(68, e.Load(v));
    EXPECT_EQ(count == 1 ? 0 : 1, e.SubjectCount());
    EXPECT_EQ(0, e.FirstPoint(count == 1 ? 1 : 2));
    EXPECT_EQ(0, e.DeletePoint());
  }
  ASSERT_EQ(1, e.CreateSubject());
  EXPECT_EQ(2u, e.Image()->Count);
  EXPECT_EQ(80, e.Length());

  EXPECT_EQ(0, e.Load(nullptr));
  EXPECT_EQ(56, e.Length());
}

TEST(VectorImageEdit, PointsAppendInsertDeleteAndDeleteEqual) {
  TVectorImageEdit e;
  LineSign(e, {{1, 1}, {1, 1}, {2, 2}, {2, 2}});
  ASSERT_EQ(1, e.DeleteEqualPoint());
  ASSERT_TRUE(e.FirstPoint(1));
  EXPECT_EQ(2, e.InsertPoint(5, 6));  // after point 1
  const LONGPOINT expected[3] = {{1, 1}, {5, 6}, {2, 2}};
  auto p = Points(e, 1);
  ASSERT_EQ(3u, p.size());
  EXPECT_EQ(0, std::memcmp(expected, p.data(), sizeof expected));

  // Deleting the last point moves the position back.
  ASSERT_TRUE(e.LastPoint(1));
  ASSERT_EQ(1, e.DeletePoint());
  EXPECT_EQ(2, e.PointNumber());
  EXPECT_EQ(8 * 2 + 12 + 56, e.Length());

  // Nearest point: the first of equals wins.
  Subject(e, 0, {{10, 10}, {20, 20}, {0, 0}});
  EXPECT_EQ(1, e.SeekNearPoint(2, 15, 15, 1));
  EXPECT_EQ(2, e.SeekNearPoint(2, 15, 15, 2));
  EXPECT_EQ(3, e.SeekNearPoint(12, 12));  // the running number over the image
  EXPECT_EQ(2, e.SubjectNumber());
  EXPECT_EQ(1, e.PointNumber());

  // Deleting a subject; deleting the only one empties the image.
  ASSERT_EQ(1, e.DeleteSubject(1));
  EXPECT_EQ(3, e.PointCount(1));
  EXPECT_EQ(0, e.DeleteSubject(1));
  EXPECT_EQ(56, e.Length());
}

TEST(VectorImageEdit, OwnedBuffersGrowTo64KAndAttachedOnesNever) {
  TVectorImageEdit e;
  LineSign(e, {});
  int appended = 0;
  while (e.AppendPoint(1, appended, appended)) appended++;
  EXPECT_LE(e.BufferLength(), IMGEDIT_LIMIT);
  EXPECT_EQ(e.Length(), 68 + 8 * appended);
  EXPECT_GT(appended, 5000);

  // A caller's buffer: room for two points only.
  std::vector<char> buffer(68 + 16, 0);
  TVectorImageEdit a;
  {
    TVectorImageEdit maker;
    LineSign(maker, {});
    maker.Unload(buffer.data(), int(buffer.size()));
  }
  ASSERT_EQ(1, a.SetBuffer((IMGVECTOREX*)buffer.data(), LONG(buffer.size())));
  EXPECT_TRUE(a.AppendPoint(1, 1, 1));
  EXPECT_TRUE(a.AppendPoint(1, 2, 2));
  EXPECT_EQ(0, a.AppendPoint(1, 3, 3));
  EXPECT_EQ(0, a.CreateSubject());
  EXPECT_EQ(84, a.Length());
  // Unload needs room for the whole image.
  char out[100];
  EXPECT_EQ(0, a.Unload(out, 83));
  EXPECT_EQ(84, a.Unload(out, 100));
}

TEST(VectorImageEdit, ParametersReplaceAndResize) {
  TVectorImageEdit e;
  LineSign(e, {{1, 2}, {3, 4}});
  const char parm[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_NE(nullptr, e.Parm(parm, 12));
  EXPECT_EQ(68 + 8 + 16, e.Length());
  EXPECT_EQ(3, Points(e, 1).at(1).X);
  EXPECT_EQ(nullptr, e.Parm(parm, 0));
  ASSERT_NE(nullptr, e.Parm(parm, 4));
  EXPECT_EQ(68 + 16, e.Length());

  // An odd parameter length leaves the point count unaligned: points are
  // still counted and added (checked under the sanitizers).
  ASSERT_NE(nullptr, e.Parm(parm, 5));
  ASSERT_EQ(3, e.AppendPoint(1, 7, 8));
  ASSERT_TRUE(e.FirstPoint(1));
  EXPECT_EQ(2, e.InsertPoint(9, 9));
  ASSERT_TRUE(e.LastPoint(1));
  ASSERT_EQ(1, e.DeletePoint());
  auto p = Points(e, 1);
  ASSERT_EQ(3u, p.size());
  EXPECT_EQ(9, p[1].X);
  EXPECT_EQ(3, p[2].X);
}

// Parameters copied from another subject of the same image stay whole when
// the buffer has to grow (and so moves) to take them.
TEST(VectorImageEdit, ParametersCopiedFromTheSameImageSurviveGrowth) {
  TVectorImageEdit e;
  ASSERT_TRUE(e.Create());
  ASSERT_TRUE(e.CreateSubject());
  std::string big(20000, '\0');
  for (size_t i = 0; i < big.size(); i++) big[i] = char(i * 7);
  ASSERT_NE(nullptr, e.Parm(big.data(), int(big.size())));
  ASSERT_TRUE(e.CreateSubject());
  ASSERT_TRUE(e.FirstPoint(1));
  const char* first = e.Parm(nullptr, 0);
  ASSERT_NE(nullptr, first);
  const LONG before = e.BufferLength();
  ASSERT_TRUE(e.FirstPoint(2));
  char* copied = e.Parm(first, 1000);
  ASSERT_NE(nullptr, copied);
  EXPECT_GT(e.BufferLength(), before);
  EXPECT_EQ(0, memcmp(copied, big.data(), 1000));
}

TEST(VectorImageEdit, ColoursAndNearestIndex) {
  const COLORREF palette[4] = {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF};
  // A colour at equal distance from two palette colours: the lower index.
  const COLORREF tie[4] = {0xFFFFFF, 0x102030, 0x102010, 0x000000};
  EXPECT_EQ(0xF0000001u, TVectorImageEdit::GetIndexColor(0x102020, tie, 4));
  const COLORREF same[3] = {0x00FF00, 0x0000FF, 0x0000FF};
  EXPECT_EQ(0xF0000001u, TVectorImageEdit::GetIndexColor(0x0000FF, same, 3));
  EXPECT_EQ(0xF0000002u, TVectorImageEdit::GetIndexColor(0x10F010, palette, 4));
  EXPECT_EQ(0xF0000000u, TVectorImageEdit::GetIndexColor(0x123456, palette, 0));

  TVectorImageEdit e;
  ASSERT_TRUE(e.Create());
  EXPECT_EQ(0, e.KindPalette());
  // The colour word of subject n.
  auto colour = [&e](int n) {
    e.FirstPoint(n);
    return *(DWORD*)e.Parm(nullptr, 0);
  };
  for (DWORD c : {2u, 9u}) {
    e.CreateSubject();
    e.FirstPoint(e.SubjectCount());
    e.Parm((const char*)&c, 4);
  }
  EXPECT_EQ(2, e.KindPalette());
  e.CorrectScrColor(4);
  EXPECT_EQ(1, e.KindPalette());
  EXPECT_EQ(0xF0000002u, colour(1));
  EXPECT_EQ(0xF0000000u, colour(2));  // 9 is not a colour of 4

  ASSERT_EQ(1, e.SCR2PRN(4, palette));
  EXPECT_EQ(0x00FF00u, colour(1));
  EXPECT_EQ(2, e.KindPalette());
  EXPECT_EQ(0, e.SCR2PRN(4, palette));  // already RGB
  ASSERT_EQ(1, e.PRN2SCR(4, palette));
  EXPECT_EQ(0xF0000002u, colour(1));
}

TEST(VectorImageEdit, CorrectVectorDropsBadSubjects) {
  TVectorImageEdit e;
  LineSign(e, {{0, 0}, {10, 10}, {20, 0}});                 // good line
  Subject(e, 0, {});                                        // no points
  Subject(e, 0, {{0, 0}, {30000, 0}, {0, 5}});              // outside once anchored
  Subject(e, VECT_CIRCLE, {{4000, 4000}, {500, 0}, {1, 1}});  // third point dropped
  Subject(e, VECT_BLOCKOPEN, {});                           // stays without points
  Subject(e, VECT_CIRCLE, {{4000, 4000}, {100, 0}});         // radius below 250
  EXPECT_EQ(0, e.CorrectVector());
  ASSERT_EQ(3, e.SubjectCount());
  EXPECT_EQ(VECT_CIRCLE, e.SubjectKind(2));
  EXPECT_EQ(2, e.PointCount(2));
  EXPECT_EQ(VECT_BLOCKOPEN, e.SubjectKind(3));
  EXPECT_EQ(1, e.CorrectVector());

  // The only subject, bad: the image is emptied and 0 returned.
  TVectorImageEdit one;
  LineSign(one, {{1, 1}});
  EXPECT_EQ(0, one.CorrectVector());
  EXPECT_EQ(56, one.Length());
}

TEST(VectorImageEdit, CentreMovesPointsButNotCircles) {
  TVectorImageEdit e;
  LineSign(e, {{100, 200}});
  Subject(e, VECT_CIRCLE, {{4000, 4000}, {300, 0}});
  const LONGPOINT centre{3000, 3500};
  ASSERT_EQ(1, e.SetCenter(&centre));
  EXPECT_EQ(1100, Points(e, 1)[0].X);
  EXPECT_EQ(700, Points(e, 1)[0].Y);
  auto circle = Points(e, 2);
  EXPECT_EQ(4000, circle[0].X);

  // RelocateObject with flag 0 moves a circle's centre only.
  const LONGPOINT d{10, 20};
  e.RelocateObject(&d, 0);
  circle = Points(e, 2);
  EXPECT_EQ(4010, circle[0].X);
  EXPECT_EQ(300, circle[1].X);
  EXPECT_EQ(1110, Points(e, 1)[0].X);

  // Points and anchors of a damaged sign at the ends of the range wrap
  // round instead of overflowing.
  const LONGPOINT far{-2147483647 - 1, 2147483647};
  ASSERT_EQ(1, e.SetCenter(&far));
  const LONGPOINT push{2147483647, 2147483647};
  ASSERT_EQ(1, e.RelocateSubject(1, &push));
  ASSERT_EQ(1, e.RelocateObject(&push, 0));
  EXPECT_EQ(1u, Points(e, 1).size());
}

TEST(VectorImageEdit, Blocks) {
  TVectorImageEdit e;
  ASSERT_TRUE(e.Create());
  const int kinds[] = {0, VECT_BLOCKOPEN, 0, VECT_BLOCKOPEN, 0, VECT_BLOCKCLOSE, 0, VECT_BLOCKOPEN, VECT_BLOCKCLOSE};
  for (int k : kinds) Subject(e, k, {{e.SubjectCount() + 1, 0}});
  EXPECT_EQ(2, e.GetBlockCount());
  EXPECT_EQ(5, e.GetBlockSize(1));
  EXPECT_EQ(8, e.BlockFirstSubject(2));
  EXPECT_EQ(2, e.GetBlockSize(2));
  const int blocks[][2] = {{4, 1}, {7, 0}, {9, 2}};
  for (const auto& b : blocks) EXPECT_EQ(b[1], e.GetBlockNumber(b[0])) << b[0];
  EXPECT_EQ(0, e.BlockFirstSubject(3));
  ASSERT_EQ(1, e.BlockFirstPoint(1));
  EXPECT_EQ(3, e.SubjectNumber());
}

TEST(VectorImageSize, ExtentScaledAndEmptySign) {
  TVectorImageEdit e;
  ASSERT_TRUE(e.Create());
  e.Image()->Flags = 1;
  IMAGESIZE size;
  std::memset(&size, 0x55, sizeof size);
  ASSERT_EQ(1, rscGetVectorSize(e.Image(), &size, nullptr));
  const IMAGESIZE empty{0, 500, 0, 0, 0, 0, 5};  // every field set
  EXPECT_EQ(0, std::memcmp(&empty, &size, sizeof size));

  LineSign(e, {{-100, -200}, {300, 400}});
  e.Image()->ScaleX[2] = 20000;  // X drawn twice as large
  ASSERT_EQ(1, rscGetVectorSize(e.Image(), &size, nullptr));
  const LONG extent[5] = {200, 200, 800, 600, 4};  // left, top, width, height, flags
  EXPECT_EQ(0, std::memcmp(extent, &size.Left, sizeof extent));

  // A circle adds its centre (less the anchor) plus and minus the radius.
  Subject(e, VECT_CIRCLE, {{4000 + 1000, 4000}, {0, 50}});
  ASSERT_EQ(1, rscGetVectorSize(e.Image(), &size, nullptr));
  EXPECT_EQ(2 * (1050 + 100), size.Width);

  // The editor's own measures: circles count from their third point on,
  // and the border is the farthest scaled extent from the anchor.
  IMAGESIZE own{};
  ASSERT_EQ(1, e.GetImageSize(&own));
  EXPECT_EQ(800, own.Width);
  EXPECT_EQ(600, own.Height);
  EXPECT_EQ(2 * 1050, e.Border());
  EXPECT_EQ(0, rscGetVectorSize(nullptr, &size, nullptr));
  EXPECT_EQ(0, rscGetVectorSize(e.Image(), nullptr, nullptr));
}

TEST(VectorImageSize, TextSubjectsTakeTheirTextFromTheSemantics) {
  InitMapFontTable();
  const int font = RegisterMapFont("Arial", 204, 0);
  ASSERT_GT(font, 0);
  // A text subject: the text parameter record (+12 height, +22 font), the
  // semantic code at +32 and the text from +36.
  char parm[48] = {};
  const LONG height = 1000;
  std::memcpy(parm + 12, &height, 4);
  const WORD index = WORD(font - 1);
  std::memcpy(parm + 22, &index, 2);
  parm[25] = 1;  // horizontal
  const DWORD code = 9;
  std::memcpy(parm + 32, &code, 4);
  std::memcpy(parm + 36, "AB", 3);
  TVectorImageEdit e;
  ASSERT_TRUE(e.Create());
  Subject(e, VECT_TEXT, {{0, 0}, {0, 5000}});
  ASSERT_NE(nullptr, e.Parm(parm, sizeof parm));
  IMAGESIZE own{}, fromSemantics{}, missing{};
  ASSERT_EQ(1, rscGetVectorSize(e.Image(), &own, nullptr));
  EXPECT_GT(own.Width + own.Height, 0);

  TSemnEdit semn;
  ASSERT_TRUE(semn.Allocate(1024));
  ASSERT_NE(nullptr, semn.AppendString(9, "ABCDEFGHIJKLMNOP", 0, 0));
  ASSERT_EQ(1, rscGetVectorSize(e.Image(), &fromSemantics, (const char*)semn.Record()));
  EXPECT_GT(fromSemantics.Width * 1.0 + fromSemantics.Height, own.Width * 1.0 + own.Height);

  // A record without that code: the subject's own text.
  TSemnEdit other;
  ASSERT_TRUE(other.Allocate(1024));
  ASSERT_NE(nullptr, other.AppendString(10, "ABCDEFGHIJKLMNOP", 0, 0));
  ASSERT_EQ(1, rscGetVectorSize(e.Image(), &missing, (const char*)other.Record()));
  EXPECT_EQ(0, std::memcmp(&own, &missing, sizeof own));
  ReleaseMapFont(font);
}

class ImageFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    std::string folder = rsctest::MakeFolder(MC_TEST_TMP, "imageframe");
    path_ = folder + "frame.rsc";
    ASSERT_TRUE(rsctest::WriteBytes(path_, rsctest::Builder::Minimal().Build()));
    ASSERT_EQ(1, rsc_.OpenRsc(path_.c_str(), 0)) << rsc_.Error();
  }
  std::string path_;
  TMapRsc rsc_;
};

TEST_F(ImageFrame, TurnedVectorSignIsItsTurnedCorners) {
  TVectorImageEdit e;
  LineSign(e, {{-100, -200}, {300, 400}});
  IMAGEFRAME plain, turned;
  ASSERT_EQ(1, rsc_.GetImageFrame(149, (const char*)e.Image(), 0.0, &plain));
  // Unturned corners: (top, -left), (top, width - left), ...
  EXPECT_DOUBLE_EQ(200, plain.Point[0].X);
  EXPECT_DOUBLE_EQ(-100, plain.Point[0].Y);
  EXPECT_DOUBLE_EQ(-400, plain.Point[2].X);
  const double angle = 0.7;
  ASSERT_EQ(1, rsc_.GetImageFrame(149, (const char*)e.Image(), angle, &turned));
  const DOUBLEPOINT origin{0, 0};
  for (int i = 0; i < 4; i++) {
    DOUBLEPOINT p = plain.Point[i];
    rscTurnPoint(&origin, &p, -std::sin(angle), std::cos(angle));
    EXPECT_NEAR(p.X, turned.Point[i].X, 1e-9);
    EXPECT_NEAR(p.Y, turned.Point[i].Y, 1e-9);
  }

  // The same sign as the first sign element of a set.
  TDrawEdit draw;
  ASSERT_TRUE(draw.Allocate(4096));
  const DWORD colour = 0xF0000001;
  ASSERT_TRUE(draw.AppendElement(135, (const char*)&colour));
  ASSERT_TRUE(draw.AppendElement(149, (const char*)e.Image()));
  IMAGEFRAME set;
  ASSERT_EQ(1, rsc_.GetImageFrame(147, (const char*)draw.Record(), angle, &set));
  EXPECT_EQ(0, std::memcmp(&set, &turned, sizeof set));

  EXPECT_EQ(0, rsc_.GetImageFrame(149, nullptr, 0, &set));
  EXPECT_EQ(0, rsc_.GetImageFrame(149, (const char*)e.Image(), 0, nullptr));
  // An unknown function: a zero frame.
  ASSERT_EQ(1, rsc_.GetImageFrame(128, (const char*)&colour, 0, &set));
  EXPECT_EQ(0.0, set.Point[2].X);
}

TEST_F(ImageFrame, BitmapSignFrameAndClosedClassifier) {
  // 32 x 32 cells, anchor offsets 750/500; cells set in rows 2..5, columns 1..3.
  std::vector<DWORD> p(5 + 1 + 32, 0);
  const DWORD head[6] = {DWORD(p.size() * 4), 1, 8000, 750, 500, 0xF0000001};
  std::copy(head, head + 6, p.begin());
  p[6 + 2] = 0x40;        // row 2, column 1
  p[6 + 5] = 0x10;        // row 5, column 3
  IMAGEFRAME f;
  ASSERT_EQ(1, rsc_.GetImageFrame(143, (const char*)p.data(), 1.0, &f));
  // r first = 2*250-750 = -250, r last = 5*250-750 = 500; c 1*250-500, 3*250-500.
  EXPECT_DOUBLE_EQ(250, f.Point[0].X);
  EXPECT_DOUBLE_EQ(-250, f.Point[0].Y);
  EXPECT_DOUBLE_EQ(250, f.Point[1].Y);
  EXPECT_DOUBLE_EQ(-500, f.Point[2].X);
  EXPECT_DOUBLE_EQ(-250, f.Point[3].Y);

  TMapRsc closed;
  EXPECT_EQ(0, closed.GetImageFrame(143, (const char*)p.data(), 0, &f));
  EXPECT_EQ(60005, closed.Error());
}

TEST(DecorImageEdit, PartsLoadDeleteAndIsVect) {
  TDecorImageEdit d;
  ASSERT_TRUE(d.Create());
  EXPECT_EQ(64, d.Length());
  EXPECT_EQ(0, d.IsVect());
  const char data[20] = {1, 2, 3};
  EXPECT_EQ(0, d.LoadPart(20, 128, data, 3));
  EXPECT_EQ(1, d.LoadPart(20, 128, data, 1));
  EXPECT_EQ(84, d.Length());
  EXPECT_EQ(1, d.LoadPart(8, 149, data, 6));
  EXPECT_EQ(1, d.IsVect());
  EXPECT_EQ(0, d.LoadPart(8, 149, nullptr, 6));
  EXPECT_EQ(0, d.LoadPart(64001, 149, data, 6));
  EXPECT_EQ(0, d.LoadPart(8, 149, data, 9));
  // Replacing a part.
  EXPECT_EQ(1, d.LoadPart(4, 61, data, 6));
  EXPECT_EQ(88, d.Length());
  char out[32];
  EXPECT_EQ(4, d.UnloadPart(out, 32, 6));
  EXPECT_EQ(0, d.UnloadPart(out, 3, 6));
  ASSERT_NE(nullptr, d.DatePart(1));
  EXPECT_EQ(1, d.DatePart(1)[0]);

  ASSERT_NE(nullptr, d.DeletePart(6));
  EXPECT_EQ(84, d.Length());
  d.Image()->Line[0] = 7;
  // Emptying the last part with data leaves nothing: a new image.
  EXPECT_EQ(nullptr, d.DeletePart(1));
  EXPECT_EQ(64, d.Length());
  EXPECT_EQ(0u, d.Image()->Line[0]);
}

// A part loaded from another part of the same image, when the buffer has
// to grow for it.
TEST(DecorImageEdit, PartCopiedFromTheSameImageSurvivesGrowth) {
  TDecorImageEdit d;
  ASSERT_EQ(100, d.Allocate(100));
  char data[20];
  for (int i = 0; i < 20; i++) data[i] = char(i + 1);
  ASSERT_EQ(1, d.LoadPart(20, 128, data, 1));
  ASSERT_EQ(1, d.LoadPart(20, 61, d.DatePart(1), 2));
  EXPECT_EQ(104, d.Length());
  char out[20];
  ASSERT_EQ(20, d.UnloadPart(out, 20, 2));
  EXPECT_EQ(0, memcmp(out, data, 20));
}

TEST(DecorImageEdit, LoadBothFormsAndRefuseDamage) {
  TDecorImageEdit src;
  src.Create();
  const char data[16] = {5};
  src.LoadPart(16, 128, data, 1);
  src.Image()->Line[2] = 33;
  src.Image()->Flag = 1;
  std::vector<char> bytes(src.Length());
  src.Unload(bytes.data(), int(bytes.size()));

  TDecorImageEdit d;
  ASSERT_EQ(80, d.Load((const IMGDECORATE*)bytes.data()));
  EXPECT_EQ(0, std::memcmp(bytes.data(), d.Image(), 80));

  // A part length that runs past the image is refused, image unchanged.
  std::vector<char> bad = bytes;
  WORD huge = 5000;
  std::memcpy(bad.data() + IMGDECOR_HEAD, &huge, 2);
  EXPECT_EQ(0, d.Load((const IMGDECORATE*)bad.data()));
  EXPECT_EQ(80, d.Length());

  // The older form: {length, base}, then eight parts; part 6 a sign.
  std::vector<char> old(8, 0);
  auto part = [&old](WORD function, const std::vector<DWORD>& words) {
    WORD head[2] = {WORD(4 + 4 * words.size()), function};
    old.insert(old.end(), (char*)head, (char*)head + 4);
    old.insert(old.end(), (const char*)words.data(), (const char*)words.data() + 4 * words.size());
  };
  part(128, {1, 2});
  for (int n = 2; n <= 5; n++) part(IMGDECOR_EMPTY, {});
  part(149, {56, 4000, 600, 500});  // fourth word of the part (head counted): 600
  part(IMGDECOR_EMPTY, {});
  part(IMGDECOR_EMPTY, {});
  DWORD head[2] = {DWORD(old.size()), 100};
  std::memcpy(old.data(), head, 8);
  ASSERT_GT(d.Load((const IMGDECORATELINE*)old.data()), 0);
  EXPECT_EQ(700u, d.Image()->Line[4]);
  EXPECT_EQ(1u, d.Image()->Flag);
  EXPECT_EQ(0u, d.Image()->Line[5]);
  EXPECT_EQ(149, d.PartFunction(6));
}

}  // namespace
