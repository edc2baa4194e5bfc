// The hit test on the picture: the order of objects drawn at one place,
// frames given reversed and in every coordinate kind, points without a
// metric, the maps' flags, areas hit by their fill, signs tested at the
// damped zoom, and the picture painted after a hit test.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/vfs.h"
#include "platform/vfs_fault.h"
#include "records/primitives.h"
#include "search/docseek.h"
#include "search/whatobject.h"
#include "support/docfixture.h"
#include "support/objectbuilder.h"
#include "support/writerprocess.h"

namespace {

using doctest::kSheetX;
using doctest::kSheetY;

// Two roads crossing at C, a lake away from them, on the one sheet.
class WhatObject : public doctest::MapDocumentTest {
 protected:
  void SetUp() override {
    MapDocumentTest::SetUp();
    if (HasFatalFailure()) return;
    const double x = kSheetX, y = kSheetY;
    a = doctest::AppendPlaneObject(doc, doctest::KIND_ROAD, LOCAL_LINE,
                                   {{x + 1000, y + 1000}, {x + 9000, y + 9000}});
    b = doctest::AppendPlaneObject(doc, doctest::KIND_ROAD, LOCAL_LINE,
                                   {{x + 1000, y + 9000}, {x + 9000, y + 1000}});
    lake = doctest::AppendPlaneObject(
        doc, doctest::KIND_LAKE, LOCAL_SQUARE,
        {{x + 2000, y + 6000}, {x + 4000, y + 6000}, {x + 4000, y + 8000}, {x + 2000, y + 8000},
         {x + 2000, y + 6000}});
    ASSERT_TRUE(a && b && lake);
    doc->SetViewScale(1.0);
  }
  void TearDown() override {
    ScaleMethodValue = 0;
    MapDocumentTest::TearDown();
  }
  // A frame of `half` pixels on every side of a plane point, in map units.
  DFRAME Around(double x, double y, double half) {
    doc->PlaneToMap(x, y);
    const double dx = half / doc->Dis.PixelsPerUnitV, dy = half / doc->Dis.PixelsPerUnitH;
    return DFRAME{x - dx, y - dy, x + dx, y + dy};
  }
  DFRAME AtCrossing() { return Around(kSheetX + 5000, kSheetY + 5000, 2); }
  // The object a search from the place finds (0: none).
  int Hit(DFRAME frame, int flags, TMapSelect* select = nullptr, MAPOBJDESC* place = nullptr) {
    MAPOBJDESC own{0, 0, nullptr};
    if (place == nullptr) place = &own;
    return TObjectHit(doc).WhatObject(place, &frame, flags, select) != nullptr ? place->Object
                                                                               : 0;
  }
  // A title without a kind round a square of 1000 metres from the plane
  // point, drawn by its own graphics: a solid fill and a line, in this
  // order or the other.
  int AppendTitle(double x, double y, bool fillFirst) {
    TObjectInfo title;
    if (!title.CreateObject(doc, 1, 0, 1) || !title.RegisterDrawObject(0, LOCAL_TITLE)) return 0;
    const DOUBLEPOINT* origin = doc->ViewPosition(1);
    for (auto [px, py] : doctest::PlanePoints{
             {x, y}, {x + 1000, y}, {x + 1000, y + 1000}, {x, y + 1000}, {x, y}}) {
      doc->PlaneToMap(px, py);
      title.Metric.AppendPointSubject(0, px - origin->X, py - origin->Y);
    }
    const DWORD fill[] = {0x00FF00}, line[] = {0x000000, 250};
    const char* parms[] = {reinterpret_cast<const char*>(fill),
                           reinterpret_cast<const char*>(line)};
    const int codes[] = {PRIM_SQUARE, PRIM_LINE};
    for (int i : {fillFirst ? 0 : 1, fillFirst ? 1 : 0})
      if (!title.Draw.AppendElement(codes[i], parms[i])) return 0;
    return title.Commit();
  }

  int a = 0, b = 0, lake = 0;
};

TEST_F(WhatObject, StackedObjectsComeInChainOrder) {
  EXPECT_EQ(a, Hit(AtCrossing(), SEEK_FIRST));
  EXPECT_EQ(b, Hit(AtCrossing(), SEEK_LAST));
  MAPOBJDESC place{0, 0, nullptr};
  ASSERT_EQ(a, Hit(AtCrossing(), SEEK_FIRST, nullptr, &place));
  EXPECT_EQ(b, Hit(AtCrossing(), SEEK_NEXT, nullptr, &place));
  EXPECT_EQ(0, Hit(AtCrossing(), SEEK_NEXT, nullptr, &place));
  EXPECT_EQ(b, place.Object);
  EXPECT_EQ(a, Hit(AtCrossing(), SEEK_PREV, nullptr, &place));

  // The handle forms: next from an empty handle is a first search, and a
  // search that finds nothing leaves the handle alone.
  TObjectHit hit(doc);
  TObjectInfo info;
  DFRAME frame = AtCrossing();
  ASSERT_EQ(&info, hit.WhatObject(&info, &frame, SEEK_NEXT));
  EXPECT_EQ(a, info.ObjectNumber());
  ASSERT_EQ(&info, hit.WhatObject(&info, &frame, SEEK_NEXT));
  EXPECT_EQ(b, info.ObjectNumber());
  EXPECT_EQ(nullptr, hit.WhatObject(&info, &frame, SEEK_NEXT));
  EXPECT_EQ(b, info.ObjectNumber());
  EXPECT_EQ(&info, hit.WhatObjectFrame(&info, &frame, SEEK_PREV, SEEKPOINT_MAP, &doc->SeekSelect));
  EXPECT_EQ(a, info.ObjectNumber());

  // Away from everything: no hit.
  EXPECT_EQ(0, Hit(Around(kSheetX + 5000, kSheetY + 3000, 2), SEEK_FIRST));
}

TEST_F(WhatObject, UserMapsFollowTheMainMapThroughTheirSelects) {
  // A user map with a road through the crossing and a well on it.
  const double x = kSheetX + 5000, y = kSheetY + 5000;
  const std::string path = dir / "u.sit";
  ASSERT_TRUE(doctest::CreateUserMap(
      path, rsc,
      {{doctest::KIND_ROAD, LOCAL_LINE, {{x - 4000, y}, {x + 4000, y}}},
       {doctest::KIND_WELL, LOCAL_POINT, {{x, y}}}},
      doc->Passport.Register.AxisMeridian));
  ASSERT_EQ(1, doc->OpenSite(path.c_str(), 0));
  TMap* user = doc->GetMap(1);
  ASSERT_NE(nullptr, user);
  // Every object at the crossing, from a first search on with next ones.
  auto walk = [&](TMapSelect* select = nullptr, int flags = 0) {
    std::vector<std::pair<TMap*, int>> found;
    MAPOBJDESC place{0, 0, nullptr};
    for (int f = flags; Hit(AtCrossing(), f, select, &place) != 0 && found.size() < 8;
         f = flags | SEEK_NEXT)
      found.push_back({place.Map, int(place.Object)});
    return found;
  };
  using Found = std::vector<std::pair<TMap*, int>>;
  const RECT rect{0, 0, 300, 300};
  const doctest::Picture before = doctest::PaintPicture(doc, rect);
  EXPECT_EQ((Found{{doc, a}, {doc, b}, {user, 1}, {user, 2}}), walk());
  // The user map is kept in plane metres: its hits change the discrete
  // scale, and put it back.
  EXPECT_TRUE(before.pixels == doctest::PaintPicture(doc, rect).pixels);
  MAPOBJDESC place{0, 0, nullptr};
  EXPECT_EQ(2, Hit(AtCrossing(), SEEK_LAST, nullptr, &place));
  EXPECT_EQ(user, place.Map);
  place.Object = 1;
  EXPECT_EQ(b, Hit(AtCrossing(), SEEK_PREV, nullptr, &place));

  // The user map's view select decides without a select of the caller's;
  // its seek select, given with this map's flag, moves the search there.
  TMapSelect* view = doc->GetViewSelect(1);
  view->UnselectKind(user->List.ObjectDesc(1)->Code);
  view->SetKindSwitch(1);
  EXPECT_EQ((Found{{doc, a}, {doc, b}, {user, 2}}), walk());
  EXPECT_EQ((Found{{user, 1}, {user, 2}}), walk(doc->GetSeekSelect(1), SEEK_THISMAP));
  TMapSelect wells(user);
  wells.ClearAllLocals();
  wells.SelectLocal(LOCAL_POINT);
  wells.SetLocalSwitch(1);
  EXPECT_EQ((Found{{user, 2}}), walk(&wells, SEEK_THISMAP));
  view->SelectAllKinds();

  // The user map's flags off, or the scale shown outside its visible
  // range (it is not painted then): it yields nothing.
  doc->MapInquiry(1, 0);
  EXPECT_EQ((Found{{doc, a}, {doc, b}}), walk());
  doc->MapInquiry(1, 1);
  doc->MapVisible(1, 0);
  EXPECT_EQ((Found{{doc, a}, {doc, b}}), walk());
  doc->MapVisible(1, 1);
  user->VisibleBottom = doc->ShowScale + 1;
  EXPECT_EQ((Found{{doc, a}, {doc, b}}), walk());
  doc->VisibleTop = doc->ShowScale - 1;
  EXPECT_TRUE(walk().empty());
}

TEST_F(WhatObject, FramesOfEveryKindAndReversedFindTheSameObjects) {
  const DFRAME frame = AtCrossing();
  DFRAME reversed{frame.X2, frame.Y2, frame.X1, frame.Y1};
  MAPOBJDESC place{0, 0, nullptr};
  ASSERT_NE(nullptr, TObjectHit(doc).WhatObject(&place, &reversed, SEEK_LAST, nullptr));
  EXPECT_EQ(b, place.Object);
  EXPECT_DOUBLE_EQ(frame.X1, reversed.X1);
  EXPECT_DOUBLE_EQ(frame.Y2, reversed.Y2);

  // Plane metres, picture pixels and geodetic radians; any other kind
  // finds nothing. The caller's frame is left as given.
  DFRAME plane = frame, picture = frame, geo = frame;
  doc->MapToPlane(plane.X1, plane.Y1), doc->MapToPlane(plane.X2, plane.Y2);
  doc->MapToPicture(picture.X1, picture.Y1), doc->MapToPicture(picture.X2, picture.Y2);
  const bool geodetic = doc->IsGeoSupported();
  if (geodetic) {
    geo = plane;
    ASSERT_TRUE(doc->PlaneToGeo(geo.X1, geo.Y1) && doc->PlaneToGeo(geo.X2, geo.Y2));
  }
  TObjectHit hit(doc);
  TObjectInfo info;
  for (auto [f, kind] : {std::pair{plane, SEEKPOINT_PLANE}, std::pair{picture, SEEKPOINT_PICTURE},
                         std::pair{geo, geodetic ? SEEKPOINT_GEO : SEEKPOINT_MAP}}) {
    const DFRAME given = f;
    ASSERT_EQ(&info, hit.WhatObject(&info, &f, SEEK_FIRST, kind)) << kind;
    EXPECT_EQ(a, info.ObjectNumber()) << kind;
    EXPECT_EQ(given.X1, f.X1);
  }
  DFRAME f = frame;
  EXPECT_EQ(nullptr, hit.WhatObject(&info, &f, SEEK_FIRST, 5));
  EXPECT_EQ(nullptr, hit.WhatObject(&info, nullptr, SEEK_FIRST, SEEKPOINT_MAP));
  EXPECT_EQ(nullptr, TObjectHit(nullptr).WhatObject(&info, &f, SEEK_FIRST, SEEKPOINT_MAP));
}

TEST_F(WhatObject, PointsWithoutMetricAreasAndTheMapsFlags) {
  // A well without a metric, its stored frame a few units around W.
  double wx = kSheetX + 7000, wy = kSheetY + 1500;
  doc->PlaneToMap(wx, wy);
  TObjectInfo well;
  ASSERT_TRUE(well.CreateObject(doc, 1, 0, 0));
  ASSERT_TRUE(well.RegisterObject(LONG(doctest::KIND_WELL), LOCAL_POINT));
  const DOUBLEPOINT* origin = doc->ViewPosition(1);
  FVSPR desc = *well.Desc;
  desc.X1 = LONG(wx - origin->X) - 2, desc.X2 = desc.X1 + 4;
  desc.Y1 = LONG(wy - origin->Y) - 2, desc.Y2 = desc.Y1 + 4;
  ASSERT_TRUE(doc->OpenList(1));
  const int w = doc->AppendObject(&desc, nullptr, nullptr, nullptr);
  ASSERT_GT(w, 0);
  ASSERT_EQ(0u, doc->List.ObjectDesc(w)->DataOffset);
  EXPECT_EQ(w, Hit(Around(kSheetX + 7000, kSheetY + 1500, 1), SEEK_FIRST));

  // The lake is hit inside, away from its outline, through its fill.
  EXPECT_EQ(lake, Hit(Around(kSheetX + 3000, kSheetY + 7000, 1), SEEK_FIRST));

  // Off flags, a select of no map or another map: nothing.
  doc->InquiryFlag = 0;
  EXPECT_EQ(0, Hit(AtCrossing(), SEEK_FIRST));
  doc->InquiryFlag = 1;
  doc->ViewFlag = 0;
  EXPECT_EQ(0, Hit(AtCrossing(), SEEK_FIRST));
  doc->ViewFlag = 1;
  TMapSelect alone;
  EXPECT_EQ(0, Hit(AtCrossing(), SEEK_FIRST | SEEK_THISMAP, &alone));
  EXPECT_EQ(a, Hit(AtCrossing(), SEEK_FIRST | SEEK_THISMAP, &doc->SeekSelect));
}

TEST_F(WhatObject, SignsAreTestedAtTheDampedZoom) {
  // A scalable kind at zoom 25 is tested at 10, at zoom 3 at 2; a kind
  // that is not scalable at 1; scale method 1 takes the zoom as it is.
  TObjectHit hit(doc);
  FVSPR road = *doc->List.ObjectDesc(a);
  FVSPR own{};  // without a kind: the descriptor's scale bit
  own.Flags = FVSPR_SCALE;
  struct Case {
    double zoom;
    int scalable, method;
    float expected;
  } cases[] = {{25, 1, 0, 10.0f}, {3, 1, 0, 2.0f}, {25, 0, 0, 1.0f}, {0.5, 0, 0, 0.5f},
               {3, 1, 1, 3.0f},   {3, 0, 1, 3.0f}};
  for (const Case& c : cases) {
    doc->SetViewScale(c.zoom);
    doc->Rsc.SetObjScale(road.Code, c.scalable);
    ScaleMethodValue = c.method;
    own.Flags = c.scalable ? FVSPR_SCALE : 0;
    EXPECT_FLOAT_EQ(c.expected, hit.SignScale(&road, doc)) << c.zoom << " " << c.scalable;
    EXPECT_FLOAT_EQ(c.expected, hit.SignScale(&own, doc)) << c.zoom << " " << c.scalable;
  }
  ScaleMethodValue = 0;

  // The well's kind drawn as a ring of 10 pixels at nominal size: at zoom
  // 25, scalable, it grows to 100 pixels, leaving a window 50 pixels around
  // its centre and crossing one of 90; at nominal size it lies inside the
  // first and leaves one of 5.
  const double wx = kSheetX + 5000, wy = kSheetY + 2000;
  const int well = doctest::AppendPlaneObject(doc, doctest::KIND_WELL, LOCAL_POINT, {{wx, wy}});
  ASSERT_GT(well, 0);
  const int kind = doc->List.ObjectDesc(well)->Code;
  const DWORD ring[] = {0x000000, 0, 2500};  // colour, -, radius x 250
  ASSERT_NE(nullptr, doc->Rsc.SetTabPar(kind, sizeof ring, PRIM_TEST_CIRCLE,
                                        reinterpret_cast<const char*>(ring)));
  doc->SetViewScale(25);
  for (int scalable : {1, 0}) {
    doc->Rsc.SetObjScale(kind, scalable);
    std::vector<int> found;
    for (double half : {5, 50, 90})
      found.push_back(Hit(Around(wx, wy, half), SEEK_FIRST, &doc->SeekSelect));
    const std::vector<int> expected =
        scalable ? std::vector<int>{0, 0, well} : std::vector<int>{0, well, well};
    EXPECT_EQ(expected, found);
  }
}

TEST_F(WhatObject, TitlesWithoutAKindAreTestedByTheirFirstElement) {
  // A window just inside the corner the titles start from (their stored
  // frames lie round it), off their outlines: only a fill reaches it.
  const double x = kSheetX + 6000, y = kSheetY + 2000;
  const int filled = AppendTitle(x, y, true);
  const int lined = AppendTitle(x + 1500, y, false);
  ASSERT_TRUE(filled && lined);
  doc->SetViewScale(25);
  const double inside = 4 / doc->Dis.PixelsPerUnitV;  // 4 pixels, in metres
  auto corner = [&](double cx) {
    return Around(cx + inside * doc->Factor, y + inside * doc->Factor, 1);
  };
  EXPECT_EQ(filled, Hit(corner(x), SEEK_FIRST, &doc->SeekSelect));
  EXPECT_EQ(0, Hit(corner(x + 1500), SEEK_FIRST, &doc->SeekSelect));
}

TEST_F(WhatObject, PaintingAfterAHitTestShowsTheSamePicture) {
  doc->MapPalette.BackGround = 0xFFFFFF;
  doc->SetupPalette();
  const RECT rect{0, 0, 400, 400};
  const doctest::Picture before = doctest::PaintPicture(doc, rect);
  ASSERT_FALSE(before.pixels.empty());
  EXPECT_EQ(a, Hit(AtCrossing(), SEEK_FIRST));
  EXPECT_EQ(lake, Hit(Around(kSheetX + 3000, kSheetY + 7000, 1), SEEK_FIRST));
  // A huge frame at the largest zoom: its extent in pixels is cut before
  // it becomes an integer, and the search still answers.
  doc->SetViewScale(400);
  EXPECT_EQ(a, Hit(DFRAME{-1e12, -1e12, 1e12, 1e12}, SEEK_FIRST));
  doc->SetViewScale(1.0);
  const doctest::Picture after = doctest::PaintPicture(doc, rect);
  EXPECT_TRUE(before.pixels == after.pixels);
}

// A sheet larger than its descriptor cache (the map has a second sheet),
// thousands of roads, lakes and wells scattered over it but for its
// south-east quarter: the hit test names the objects of a place from the
// index of the sheet's frames, in the order of the walk.
class WhatObjectOnALargeSheet : public WhatObject {
 protected:
  void SetUp() override {
    WhatObject::SetUp();
    if (HasFatalFailure()) return;
    minObjects = TSheetFrameIndex::MinObjects();
    TSheetFrameIndex::SetMinObjects(1000);
    LISTREGISTER second = objtest::SquareSheet("ABC", kSheetX, kSheetY + doctest::kSheetSide);
    ASSERT_EQ(1, doc->CreateList(&second, 1));
    doc->WorkMode(0);
    for (int i = 0; i < 7000; ++i) ASSERT_GT(Add(random), 0) << i;
    doc->WorkMode(1);
    ASSERT_TRUE(doc->OpenList(1));
  }
  void TearDown() override {
    TSheetFrameIndex::SetMinObjects(minObjects);
    WhatObject::TearDown();
  }
  // A road, a lake or a well at a random place off the south-east quarter.
  int Add(std::mt19937& r) {
    std::uniform_real_distribution<double> at(100, 9700);
    double x = at(r), y = at(r);
    if (x < 5000 && y > 5000) x += 5000;
    x += kSheetX, y += kSheetY;
    switch (r() % 3) {
      case 0:
        return doctest::AppendPlaneObject(doc, doctest::KIND_ROAD, LOCAL_LINE,
                                          {{x, y}, {x + double(r() % 200), y + double(r() % 200)}});
      case 1: {
        const double w = 10 + double(r() % 150);
        return doctest::AppendPlaneObject(
            doc, doctest::KIND_LAKE, LOCAL_SQUARE,
            {{x, y}, {x + w, y}, {x + w, y + w}, {x, y + w}, {x, y}});
      }
      default:
        return doctest::AppendPlaneObject(doc, doctest::KIND_WELL, LOCAL_POINT, {{x, y}});
    }
  }
  // What clicks at a place find: a first search and next ones to the end,
  // then a last search and previous ones.
  std::vector<int> Clicks(const DFRAME& frame) {
    std::vector<int> found;
    for (const auto& [start, onward] : {std::pair{SEEK_FIRST, SEEK_NEXT}, std::pair{SEEK_LAST, SEEK_PREV}}) {
      MAPOBJDESC place{0, 0, nullptr};
      for (int k = 0, flags = start; k < 60 && Hit(frame, flags, nullptr, &place) != 0;
           ++k, flags = onward)
        found.push_back(int(place.Object));
      found.push_back(-1);
    }
    return found;
  }
  // Clicks of 1 to 20 pixels at random places of sheet 1 answer as the
  // walk of the chain answers them.
  void ExpectClicksAsTheWalk(const char* where) {
    std::vector<DFRAME> frames;
    std::uniform_real_distribution<double> at(0, doctest::kSheetSide);
    for (int k = 0; k < 80; ++k)
      frames.push_back(Around(kSheetX + at(random), kSheetY + at(random), 1 + double(random() % 20)));
    std::vector<std::vector<int>> walked, indexed;
    TSheetFrameIndex::SetMinObjects(INT_MAX);
    for (const DFRAME& f : frames) walked.push_back(Clicks(f));
    TSheetFrameIndex::SetMinObjects(1000);
    for (const DFRAME& f : frames) indexed.push_back(Clicks(f));
    EXPECT_TRUE(doc->List.FrameIndex.Made()) << where;
    int hits = 0;
    for (size_t k = 0; k < frames.size(); ++k) {
      EXPECT_EQ(walked[k], indexed[k]) << where << ", click " << k;
      hits += walked[k].size() > 2;
    }
    EXPECT_GT(hits, 10) << where;
  }

  LONG minObjects = 0;
  std::mt19937 random{85};
};

TEST_F(WhatObjectOnALargeSheet, ClicksAnswerAsTheWalk) {
  ExpectClicksAsTheWalk("as made");
  for (int i = 0; i < 30; ++i) ASSERT_GT(Add(random), 0);
  ExpectClicksAsTheWalk("after appends");
  for (int k = 0; k < 30; ++k) {
    const int n = 1 + int(random() % doc->List.Count());
    ASSERT_TRUE(doc->OpenList(1));
    if (k % 3 == 0) {
      doc->DeleteObject(n);
      continue;
    }
    // Moved to another place.
    TObjectInfo moved;
    ASSERT_TRUE(moved.CreateObject(doc, 1, 0, 0));
    ASSERT_TRUE(moved.RegisterObject(LONG(doctest::KIND_ROAD), LOCAL_LINE));
    const DOUBLEPOINT* view = doc->ViewPosition(1);
    std::uniform_real_distribution<double> at(0, 9000);
    double x = kSheetX + at(random), y = kSheetY + at(random);
    doc->PlaneToMap(x, y);
    moved.Metric.AppendPointSubject(0, x - view->X, y - view->Y);
    moved.Metric.AppendPointSubject(0, x - view->X + 30, y - view->Y + 30);
    ASSERT_EQ(n, doc->UpdateObject(n, moved.Desc, moved.Metric.Record, nullptr, nullptr));
  }
  ExpectClicksAsTheWalk("after rewrites and deletions");
  // An action of edit mode taken back.
  ASSERT_EQ(1, doc->CreateAction(1));
  for (int i = 0; i < 10; ++i) ASSERT_GT(Add(random), 0);
  ASSERT_GT(doc->DeleteObject(5), 0);
  ASSERT_EQ(1, doc->CommitAction(0));
  ASSERT_GT(doc->AbolitionLastAction(), 0);
  ExpectClicksAsTheWalk("after undo");
  // Another process appends; the document reads its sheet again.
  const std::string path = dir / "map.map";
  const writertest::Child child = writertest::StartChild([&](int) {
    TMapAccess* other = NewDocument();
    if (other == nullptr || !other->OpenData(path.c_str(), 0)) return 1;
    doc = other;
    std::mt19937 own(7);
    for (int i = 0; i < 50; ++i)
      if (Add(own) == 0) return 2;
    return 0;
  });
  ASSERT_EQ(0, writertest::WaitChild(child.pid));
  doc->AdjustData();
  ASSERT_TRUE(doc->OpenList(1));
  ExpectClicksAsTheWalk("after another process's appends");
}

// Once the index is made, a click where no object lies reads no
// descriptor: the walk read the sheet's descriptors at every click.
TEST_F(WhatObjectOnALargeSheet, AClickWhereNothingLiesReadsNoDescriptor) {
  const DFRAME nothing = Around(kSheetX + 1500, kSheetY + 6000, 3);
  ASSERT_EQ(0, Hit(nothing, SEEK_FIRST));
  plat::FaultVfs counted;  // every read seen: no views
  {
    plat::ScopedVfs use(&counted);
    EXPECT_EQ(0, Hit(nothing, SEEK_FIRST));
    EXPECT_EQ(0, Hit(nothing, SEEK_LAST));
  }
  EXPECT_EQ(0, counted.Count(plat::VfsOp::Read));
}

}  // namespace
