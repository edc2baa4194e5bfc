// The adjacency search: a shared side reported once, corner touches, a
// neighbour bulging away between two vertices, the source never its own
// neighbour, and the list of touched and untouched stretches with its
// renumbering and its capacity.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "search/adjacent.h"
#include "support/docfixture.h"

namespace {

using doctest::kSheetX;
using doctest::kSheetY;
using doctest::PlanePoints;

// {neighbour's object number, first point, last point}; 0 for no
// neighbour.
using Stretch = std::array<int, 3>;

class Adjacent : public doctest::MapDocumentTest {
 protected:
  // A closed area of a kind through points given in metres from the
  // sheet's corner.
  static doctest::PlaneObject Closed(PlanePoints points, uint32_t kind = doctest::KIND_LAKE) {
    for (auto& [x, y] : points) x += kSheetX, y += kSheetY;
    points.push_back(points.front());
    return doctest::PlaneObject{kind, LOCAL_SQUARE, points};
  }
  static doctest::PlaneObject SquareArea(double x, double y, double side,
                                         uint32_t kind = doctest::KIND_LAKE) {
    return Closed({{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}}, kind);
  }
  int Append(const doctest::PlaneObject& o) {
    return doctest::AppendPlaneObject(doc, o.code, o.local, o.points);
  }
  int Area(PlanePoints points) { return Append(Closed(points)); }
  int Square(double x, double y, double side) { return Append(SquareArea(x, y, side)); }
  // A square area of 1 km with a square hole of 500 m in its middle, its
  // corner (x, y) metres from the sheet's: its number, or 0.
  int Holed(double x, double y) {
    x += kSheetX, y += kSheetY;
    TObjectInfo holed;
    bool ok = holed.CreateObject(doc, 1, 0, 0) &&
              holed.RegisterObject(LONG(doctest::KIND_LAKE), LOCAL_SQUARE);
    for (auto [dx, dy] : PlanePoints{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}})
      ok = ok && holed.AppendPointPlane(x + dx, y + dy, 0);
    ok = ok && holed.CreateSubject() == 1;
    for (auto [dx, dy] : PlanePoints{{250, 250}, {250, 750}, {750, 750}, {750, 250}, {250, 250}})
      ok = ok && holed.AppendPointPlane(x + dx, y + dy, 1);
    return ok ? holed.Commit() : 0;
  }
  // Every section a search in map m finds for its object n (with the
  // select given, else a fresh one on the map), and the count its state
  // says once it ends.
  std::vector<Stretch> Sections(int n, int subjects = 0, int m = 0, TMapSelect* given = nullptr) {
    TObjectInfo source, neighbour;
    source.Object(doc->GetMap(m), 1, n);
    TMapSelect fresh(doc->GetMap(m));
    TMapSelect* select = given != nullptr ? given : &fresh;
    TAdjacentSeek seek(doc);
    MAPADJACENTSECTION section{0, 0, 0};
    std::vector<Stretch> found;
    for (int flags = 0;; flags = SEEK_NEXT) {
      const int count =
          seek.SeekAdjacentObject(&neighbour, &source, &section, select, 0.5, flags, m, subjects);
      if (count == 0) break;
      EXPECT_EQ(int(found.size()) + 1, count);
      EXPECT_EQ(doc->GetMap(m), neighbour.Map);
      found.push_back({neighbour.ObjectNumber(), section.First, section.Last});
      if (found.size() > 20) break;
    }
    return found;
  }
  // The list for object n with a capacity.
  std::vector<Stretch> List(int n, int capacity, int single = 0, int subjects = 0) {
    TObjectInfo source;
    source.Object(doc, 1, n);
    TMapSelect select(doc);
    std::vector<MAPADJACENTLISTEX> records(size_t(capacity) + 1);
    records.back().First = -7;  // past the capacity: never written
    const int count = TAdjacentSeek(doc).SeekAdjacentList(&source, records.data(), capacity,
                                                          &select, 0.5, single, 0, subjects);
    EXPECT_EQ(-7, records.back().First);
    std::vector<Stretch> out;
    for (int i = 0; i < count; ++i)
      out.push_back({records[i].Object, records[i].First, records[i].Last});
    return out;
  }
};

// The source's points go north, east, south and west from its south-west
// corner: point 3 is the north-east corner, 3..4 its eastern side.
TEST_F(Adjacent, ASharedSideIsOneSectionReportedOnce) {
  const int source = Square(1000, 1000, 1000);
  const int east = Square(1000, 2000, 1000);
  const int apart = Square(5000, 5000, 1000);
  ASSERT_TRUE(source && east && apart);
  EXPECT_EQ((std::vector<Stretch>{{east, 3, 4}}), Sections(source));
  EXPECT_EQ((std::vector<Stretch>{{source, 1, 2}}), Sections(east));
  EXPECT_TRUE(Sections(apart).empty());

  // The same state again finds nothing more; flags 0 start over.
  TObjectInfo from, neighbour;
  from.Object(doc, 1, source);
  TMapSelect select(doc);
  TAdjacentSeek seek(doc);
  MAPADJACENTSECTION section{0, 0, 0};
  ASSERT_EQ(1, seek.SeekAdjacentObject(&neighbour, &from, &section, &select, 0.5, 0, 0, 0));
  const MAPADJACENTSECTION found = section;
  EXPECT_EQ(0, seek.SeekAdjacentObject(&neighbour, &from, &section, &select, 0.5, SEEK_NEXT, 0, 0));
  section = found;
  EXPECT_EQ(0, seek.SeekAdjacentObject(&neighbour, &from, &section, &select, 0.5, SEEK_NEXT, 0, 0));
  EXPECT_EQ(1, seek.SeekAdjacentObject(&neighbour, &from, &section, &select, 0.5, 0, 0, 0));
  // The select keeps the source as its area.
  EXPECT_EQ(1u, select.AreaSwitch);

  // The short entries of the object functions: the sheet's name cut to
  // 24 characters.
  std::strcpy(doc->TMapPassport::List(1)->Register.Nomenclature, "A-SHEET-NAME-OF-31-CHARACTERS-X");
  MAPADJACENTLIST entries[4] = {};
  entries[3].First = -7;
  ASSERT_EQ(3, seek.SeekAdjacentList(&from, entries, 3, &select, 0.5, 0, 0, 0));
  EXPECT_STREQ("A-SHEET-NAME-OF-31-CHARA", entries[1].List);
  const DWORD key = entries[1].Key;  // packed: read by value
  EXPECT_EQ(neighbour.ObjectKey(), key);
  EXPECT_EQ((Stretch{east, 3, 4}), (Stretch{entries[1].Object, entries[1].First, entries[1].Last}));
  EXPECT_EQ((Stretch{0, 4, 1}), (Stretch{entries[2].Object, entries[2].First, entries[2].Last}));
  EXPECT_STREQ("", entries[2].List);
  EXPECT_EQ(-7, entries[3].First);

  // Bad arguments.
  EXPECT_EQ(0, seek.SeekAdjacentObject(&from, &from, &section, &select, 0.5, 0, 0, 0));
  EXPECT_EQ(0, seek.SeekAdjacentObject(&neighbour, &from, nullptr, &select, 0.5, 0, 0, 0));
  EXPECT_EQ(0, seek.SeekAdjacentObject(&neighbour, &from, &section, nullptr, 0.5, 0, 0, 0));
  EXPECT_EQ(0, TAdjacentSeek(nullptr).SeekAdjacentObject(&neighbour, &from, &section, &select,
                                                          0.5, 0, 0, 0));
}

// Once a search has answered 0 the same state goes on answering 0, on the
// outer contour and over every contour: the last neighbour's sections are
// not reported again with the count rising.
TEST_F(Adjacent, AnEndedSearchStaysEnded) {
  auto ended = [&](int n, int subjects, int sections) {
    SCOPED_TRACE(subjects);
    TObjectInfo from, neighbour;
    from.Object(doc, 1, n);
    TMapSelect select(doc);
    MAPADJACENTSECTION section{0, 0, 0};
    int flags = 0, found = 0;
    while (found < 10 && doc->SeekAdjacentObject(&neighbour, &from, &section, &select, 0.5, flags,
                                                 0, subjects) > 0)
      ++found, flags = SEEK_NEXT;
    EXPECT_EQ(sections, found);
    for (int again = 0; again < 3; ++again) {
      EXPECT_EQ(0, doc->SeekAdjacentObject(&neighbour, &from, &section, &select, 0.5, SEEK_NEXT, 0,
                                           subjects));
      EXPECT_EQ(sections, section.Count);
    }
    // Flags 0 start it over.
    EXPECT_EQ(1, doc->SeekAdjacentObject(&neighbour, &from, &section, &select, 0.5, 0, 0,
                                         subjects));
  };
  // A square touched on two sides; a square with a hole, touched on its
  // eastern side and filled by a neighbour.
  const int source = Square(1000, 1000, 1000);
  ASSERT_TRUE(source && Square(1000, 2000, 1000) && Square(2000, 1000, 1000));
  const int n = Holed(5000, 1000);
  ASSERT_GT(n, 0);
  ASSERT_TRUE(Square(5000, 2000, 1000) && Square(5250, 1250, 500));
  ended(source, 0, 2);
  ended(n, 0, 1);
  ended(n, 1, 2);

  // The core, with the caller's contour number, ends the same way.
  TObjectInfo from, neighbour;
  from.Object(doc, 1, n);
  TMapSelect select(doc);
  MAPADJACENTSECTION section{0, 0, 0};
  int subject = 0;
  ASSERT_EQ(1, doc->SeekAdjacentObjectSubject(&neighbour, &from, &section, &subject, &select, 0.5,
                                              0, 0));
  ASSERT_EQ(2, doc->SeekAdjacentObjectSubject(&neighbour, &from, &section, &subject, &select, 0.5,
                                              SEEK_NEXT, 0));
  EXPECT_EQ(1, subject);
  for (int again = 0; again < 2; ++again)
    EXPECT_EQ(0, doc->SeekAdjacentObjectSubject(&neighbour, &from, &section, &subject, &select,
                                                0.5, SEEK_NEXT, 0));
  EXPECT_EQ(2, section.Count);
}

TEST_F(Adjacent, CornerTouchesAndBulges) {
  const int source = Square(1000, 1000, 1000);
  // Touching the north-east corner (point 3), and the south-west one,
  // where the closed contour begins and ends.
  const int northEast = Square(2000, 2000, 1000);
  const int southWest = Square(0, 0, 1000);
  ASSERT_TRUE(source && northEast && southWest);
  EXPECT_EQ((std::vector<Stretch>{{northEast, 3, 3}}), Sections(source));
  // The list: untouched stretches round it; the single point left out.
  EXPECT_EQ((std::vector<Stretch>{{0, 1, 3}, {northEast, 3, 3}, {0, 3, 1}}), List(source, 10));
  EXPECT_EQ((std::vector<Stretch>{{0, 1, 1}}), List(source, 10, 1));

  // A source with two vertices on its eastern side; the neighbour runs
  // along it but leaves it between the last two, so the first section
  // ends at the vertex before and the last vertex stands alone.
  const int along = Area({{5000, 1000}, {6000, 1000}, {6000, 2000}, {5500, 2000}, {5000, 2000}});
  const int bulging = Area({{5000, 2000}, {5250, 2200}, {5500, 2000}, {6000, 2000},
                            {6000, 3000}, {5000, 3000}});
  ASSERT_TRUE(along && bulging);
  EXPECT_EQ((std::vector<Stretch>{{bulging, 3, 4}, {bulging, 5, 5}}), Sections(along));
}

TEST_F(Adjacent, TheListCoversEveryContour) {
  // A square with a square hole, nothing near: one untouched record per
  // contour, numbered on through them.
  const double x = kSheetX + 1000, y = kSheetY + 1000;
  const int n = Holed(1000, 1000);
  ASSERT_GT(n, 0);
  EXPECT_EQ((std::vector<Stretch>{{0, 1, 1}, {0, 5, 5}}), List(n, 10, 0, 1));
  EXPECT_EQ((std::vector<Stretch>{{0, 1, 1}}), List(n, 10, 0, 0));
  // An open line keeps its last point's number.
  const int road = doctest::AppendPlaneObject(
      doc, doctest::KIND_ROAD, LOCAL_LINE, {{x + 3000, y}, {x + 3500, y}, {x + 4000, y + 500}});
  EXPECT_EQ((std::vector<Stretch>{{0, 1, 3}}), List(road, 10));
  // A neighbour on the eastern side and one filling the hole: each found
  // once on its contour, one after the other.
  const int east = Square(1000, 2000, 1000);
  const int inner = Square(1250, 1250, 500);
  ASSERT_TRUE(east && inner);
  EXPECT_EQ((std::vector<Stretch>{{east, 3, 4}, {inner, 1, 5}}), Sections(n, 1));
  EXPECT_EQ((std::vector<Stretch>{{east, 3, 4}}), Sections(n, 0));
  EXPECT_EQ((std::vector<Stretch>{{0, 1, 3}, {east, 3, 4}, {0, 4, 1}, {inner, 5, 5}}),
            List(n, 10, 0, 1));

  // Two neighbours, the later one in the chain touching earlier points.
  // Capacity 1 takes the first found as it is; a short array keeps what
  // fits of the ordered list.
  const int source = Square(5000, 1000, 1000);
  const int right = Square(5000, 2000, 1000);
  const int north = Square(6000, 1000, 1000);
  ASSERT_TRUE(source && right && north);
  const std::vector<Stretch> all{{0, 1, 2}, {north, 2, 3}, {right, 3, 4}, {0, 4, 1}};
  EXPECT_EQ(all, List(source, 10));
  EXPECT_EQ((std::vector<Stretch>{{right, 3, 4}}), List(source, 1));
  EXPECT_EQ((std::vector<Stretch>{{0, 1, 2}, {north, 2, 3}}), List(source, 2));
}

TEST_F(Adjacent, NeighboursAreSoughtInTheUserMapThroughItsSelect) {
  // On the user map: a source with a lake on its eastern side and a field
  // on its northern one; on the main map a lake on its eastern side too.
  const std::string path = dir / "u.sit";
  ASSERT_TRUE(doctest::CreateUserMap(
      path, rsc,
      {SquareArea(1000, 1000, 1000), SquareArea(1000, 2000, 1000),
       SquareArea(2000, 1000, 1000, doctest::KIND_FIELD)},
      doc->Passport.Register.AxisMeridian));
  const int main = Square(1000, 1000, 1000), mainEast = Square(1000, 2000, 1000);
  ASSERT_TRUE(main && mainEast);
  ASSERT_EQ(1, doc->OpenSite(path.c_str(), 0));
  EXPECT_EQ((std::vector<Stretch>{{2, 3, 4}, {3, 2, 3}}), Sections(1, 0, 1));
  EXPECT_EQ((std::vector<Stretch>{{mainEast, 3, 4}}), Sections(main));

  // A select that lets lakes alone pass drops the field.
  TMap* user = doc->GetMap(1);
  TMapSelect lakes(user);
  lakes.ClearAllKinds();
  ASSERT_TRUE(user->OpenList(1));
  lakes.SelectKind(user->List.ObjectDesc(2)->Code);
  lakes.SetKindSwitch(1);
  EXPECT_EQ((std::vector<Stretch>{{2, 3, 4}}), Sections(1, 0, 1, &lakes));
  EXPECT_EQ(1u, lakes.AreaSwitch);
}

}  // namespace
