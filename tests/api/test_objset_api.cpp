// Object sets through the loaded library, as a host keeps them: groups of
// equal members (the equitable group semantic) built from any member,
// members leaving, joining from other groups and the group dissolved or
// deleted, and a select context made to hold exactly a set's members.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "support/apiclassifier.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

constexpr LONG kRoad = 31120000, kLake = 31410000;
constexpr double kX0 = 6000000, kY0 = 7400000, kSide = 10000;

class ObjectSetApi : public apitest::LibraryFolderTest {
 protected:
  void SetUp() override {
    LibraryFolderTest::SetUp();
    if (HasFatalFailure()) return;
    rsc_ = Path("set.rsc");
    ASSERT_TRUE(apitest::MakeClassifier(
        lib, rsc_, "SET", {{kRoad, LOCAL_LINE, "ROAD"}, {kLake, LOCAL_SQUARE, "LAKE"}}));
    map_ = MakeMap("set.map", "SET-1");
    ASSERT_NE(0, map_);
  }
  void TearDown() override {
    for (const HSET set : sets_) FN(mapFreeObjectSet)(set);
    if (map_ != 0) FN(mapCloseData)(map_);
    if (other_ != 0) FN(mapCloseData)(other_);
    LibraryFolderTest::TearDown();
  }
  HMAP MakeMap(const char* name, const char* sheet) {
    apitest::NewSheetMap registers(sheet, kX0, kY0, kSide);
    return FN(mapCreateMapEx)(Path(name).c_str(), rsc_.c_str(), &registers.map,
                              &registers.sheet);
  }
  HSET NewSet() {
    const HSET set = FN(mapCreateObjectSet)();
    EXPECT_NE(0, set);
    sets_.push_back(set);
    return set;
  }
  // A road of 500 m northwards whose south end lies `dx` metres east of
  // the sheet's corner, on map `map` (0: the test's), with the group
  // semantics given (code, group number; number 0: the value "0"), written:
  // its number.
  LONG Road(double dx, std::vector<std::pair<LONG, LONG>> groups = {}, HMAP map = 0) {
    const HOBJ object = FN(mapCreateObject)(map != 0 ? map : map_, 1, 0, 0);
    EXPECT_EQ(1, FN(mapRegisterObject)(object, kRoad, 0));
    EXPECT_NE(0, FN(mapAppendPointPlane)(object, kX0 + 1000, kY0 + dx, 0));
    EXPECT_NE(0, FN(mapAppendPointPlane)(object, kX0 + 1500, kY0 + dx, 0));
    for (const auto& [code, number] : groups) {
      const std::string text = std::to_string(number);
      EXPECT_NE(0, FN(mapAppendSemantic)(object, code, text.c_str(), LONG(text.size() + 1)))
          << code;
    }
    const LONG n = FN(mapCommit)(object);
    EXPECT_GT(n, 0);
    FN(mapFreeObject)(object);
    return n;
  }
  // Object n of the test's map read into a handle (freed by the caller).
  HOBJ Read(LONG n) {
    const HOBJ object = FN(mapCreateObject)(map_, 1, 0, 0);
    EXPECT_EQ(object, FN(mapReadObjectByNumber)(map_, 0, object, 1, n)) << n;
    return object;
  }
  LONG Key(LONG n) {
    const HOBJ object = Read(n);
    const LONG key = FN(mapObjectKey)(object);
    FN(mapFreeObject)(object);
    return key;
  }
  // Adds the group semantic to stored object n.
  void Join(LONG n, LONG code, LONG number) {
    const HOBJ object = Read(n);
    const std::string text = std::to_string(number);
    ASSERT_NE(0, FN(mapAppendSemantic)(object, code, text.c_str(), LONG(text.size() + 1)));
    ASSERT_EQ(n, FN(mapCommit)(object));
    FN(mapFreeObject)(object);
  }
  // An equitable group of three roads at dx, dx + 100 and dx + 200, numbered
  // by the key of the first: their numbers, then the group's number.
  std::vector<LONG> Equitable(double dx) {
    const LONG first = Road(dx);
    const LONG group = Key(first);
    Join(first, GROUPSEM_EQUITABLE, group);
    return {first, Road(dx + 100, {{GROUPSEM_EQUITABLE, group}}),
            Road(dx + 200, {{GROUPSEM_EQUITABLE, group}}), group};
  }
  // The group semantics of stored object n, as "code:number" in order.
  std::string Groups(LONG n) {
    const HOBJ object = FN(mapCreateObject)(map_, 1, 0, 0);
    std::string out;
    if (FN(mapReadObjectByNumber)(map_, 0, object, 1, n) != object) {
      out = "deleted";
    } else {
      for (LONG i = 1; i <= FN(mapSemanticAmount)(object); ++i) {
        const LONG code = FN(mapSemanticCode)(object, i);
        if (code < GROUPSEM_LEADER || code > GROUPSEM_EQUITABLE) continue;
        char value[32] = {};
        FN(mapSemanticValue)(object, i, value, sizeof value);
        out += (out.empty() ? "" : " ") + std::to_string(code) + ":" + value;
      }
    }
    FN(mapFreeObject)(object);
    return out;
  }
  // The object numbers of the set's members.
  static std::set<LONG> Members(HSET set) {
    std::set<LONG> numbers;
    for (LONG i = 1; i <= FN(mapObjectSetCount)(set); ++i)
      numbers.insert(FN(mapGetObjectNumber)(FN(mapObjectSetObject)(set, i)));
    return numbers;
  }
  // The set of the group of stored object n (empty when it has none).
  std::set<LONG> GroupOf(LONG n) {
    const HSET set = NewSet();
    const HOBJ object = Read(n);
    std::set<LONG> members;
    if (FN(mapBuildObjectSet)(set, object) == 1) members = Members(set);
    FN(mapFreeObject)(object);
    return members;
  }
  // The objects a search of the document through the context finds.
  std::set<LONG> Found(HMAP map, HSELECT select) {
    const HOBJ object = FN(mapCreateObject)(map, 1, 0, 0);
    std::set<LONG> found;
    for (LONG flags = SEEK_FIRST; FN(mapSeekSelectObject)(map, object, select, flags) != 0;
         flags = SEEK_NEXT)
      found.insert(FN(mapGetObjectNumber)(object));
    FN(mapFreeObject)(object);
    return found;
  }

  std::string rsc_;
  HMAP map_ = 0, other_ = 0;
  std::vector<HSET> sets_;
};

// An equitable group is built from any of its members: every undeleted
// object of the sheet holding the group's number under the equitable code
// and nothing else; it has no leader to find or nominate.
TEST_F(ObjectSetApi, AnEquitableGroupIsBuiltFromAnyMember) {
  const std::vector<LONG> made = Equitable(100);
  const LONG a = made[0], b = made[1], c = made[2], group = made[3];
  const LONG gone = Road(400, {{GROUPSEM_EQUITABLE, group}});
  ASSERT_EQ(1, FN(mapDeleteObjectByNumber)(map_, 1, gone));
  const LONG stranger = Road(500, {{GROUPSEM_EQUITABLE, group + 1000}});
  const LONG leader = Road(600, {{GROUPSEM_LEADER, group}});  // another kind of group
  const LONG none = Road(700);

  for (const LONG from : {a, b, c}) EXPECT_EQ((std::set<LONG>{a, b, c}), GroupOf(from)) << from;
  EXPECT_EQ(std::set<LONG>{stranger}, GroupOf(stranger));
  EXPECT_EQ(std::set<LONG>(), GroupOf(none));

  const HSET set = NewSet();
  const HOBJ object = Read(b);
  EXPECT_EQ(0, FN(mapBuildObjectSetByType)(set, object, GROUPSEM_LEADER));
  EXPECT_EQ(0, FN(mapBuildObjectSetByType)(set, object, 5));
  ASSERT_EQ(1, FN(mapBuildObjectSetByType)(set, object, GROUPSEM_EQUITABLE));
  EXPECT_EQ(3, FN(mapObjectSetCount)(set));
  EXPECT_EQ(0, FN(mapObjectSetObject)(set, 0));
  EXPECT_EQ(0, FN(mapObjectSetObject)(set, 4));
  LONG number = 0;
  EXPECT_EQ(GROUPSEM_EQUITABLE, FN(mapObjectSetIsGroup)(set, object, &number));
  EXPECT_EQ(group, number);
  EXPECT_EQ(group, FN(mapObjectSetGetTypeSemn)(set, object, GROUPSEM_EQUITABLE));
  EXPECT_EQ(0, FN(mapObjectSetGetTypeSemn)(set, object, GROUPSEM_LEADER));
  // No leader: none to find, none to nominate, and nothing changes.
  EXPECT_EQ(0, FN(mapObjectSetFindGeneral)(set, 0));
  EXPECT_EQ(0, FN(mapObjectSetNominateLeader)(set, 0));
  EXPECT_EQ(0, FN(mapObjectSetNominateLeader)(set, b));
  EXPECT_EQ(1, FN(mapObjectSetSave)(set, 1));
  for (const LONG n : {a, b, c})
    EXPECT_EQ(std::to_string(GROUPSEM_EQUITABLE) + ":" + std::to_string(group), Groups(n)) << n;
  EXPECT_EQ(std::to_string(GROUPSEM_LEADER) + ":" + std::to_string(group), Groups(leader));
  // The members' frame: the union of the three roads' frames.
  DFRAME frame = {}, all = {};
  ASSERT_EQ(1, FN(mapObjectSetFramePlane)(set, &frame));
  for (const LONG n : {a, b, c}) {
    const HOBJ road = Read(n);
    DFRAME one = {};
    ASSERT_EQ(1, FN(mapObjectViewFrame)(road, &one)) << n;
    FN(mapFreeObject)(road);
    if (n == a) all = one;
    all = {std::min(all.X1, one.X1), std::min(all.Y1, one.Y1), std::max(all.X2, one.X2),
           std::max(all.Y2, one.Y2)};
  }
  EXPECT_EQ(0, std::memcmp(&all, &frame, sizeof frame));
  EXPECT_LE(frame.Y1, kY0 + 100);
  EXPECT_GE(frame.Y2, kY0 + 300);
  FN(mapFreeObject)(object);
}

// Members leave an equitable group (at once, or at the save) and lose its
// semantic; members of a hierarchy and of another equitable group join it
// by a merge, leaving their own group.
TEST_F(ObjectSetApi, MembersLeaveAndJoinAnEquitableGroup) {
  const std::vector<LONG> made = Equitable(100);
  const LONG a = made[0], b = made[1], c = made[2], group = made[3];
  const HSET set = NewSet();
  HOBJ object = Read(a);
  ASSERT_EQ(1, FN(mapBuildObjectSet)(set, object));

  // Leaving at once, and at the save.
  ASSERT_EQ(1, FN(mapObjectSetRemoveNumber)(set, c, 1));
  EXPECT_EQ(2, FN(mapObjectSetCount)(set));
  EXPECT_EQ("", Groups(c));
  EXPECT_EQ((std::set<LONG>{a, b}), GroupOf(a));
  LONG slot = 0;
  for (LONG i = 1; i <= 2; ++i)
    if (FN(mapGetObjectNumber)(FN(mapObjectSetObject)(set, i)) == b) slot = i;
  ASSERT_EQ(1, FN(mapObjectSetClearObject)(set, slot, 0));
  EXPECT_EQ((std::set<LONG>{a, b}), GroupOf(a));  // not yet
  ASSERT_EQ(1, FN(mapObjectSetSave)(set, 0));
  EXPECT_EQ("", Groups(b));
  EXPECT_EQ(std::set<LONG>{a}, GroupOf(a));

  // A hierarchy merged whole: its members become equal members here.
  const HSET tree = NewSet();
  const HOBJ head = Read(Road(400));
  ASSERT_EQ(1, FN(mapObjectSetAppendGeneral)(tree, head, 1));
  const LONG s1 = Road(500), s2 = Road(600);
  for (const LONG s : {s1, s2}) {
    const HOBJ sub = Read(s);
    ASSERT_EQ(1, FN(mapObjectSetAppendSubordinate)(tree, sub, 1)) << s;
    FN(mapFreeObject)(sub);
  }
  const LONG h = FN(mapGetObjectNumber)(head);
  ASSERT_EQ((std::set<LONG>{h, s1, s2}), GroupOf(s1));
  EXPECT_EQ(0, FN(mapObjectSetUnion)(set, tree, 4, head, 1));
  EXPECT_EQ(1, FN(mapObjectSetUnion)(set, tree, 2, head, 1));
  EXPECT_EQ((std::set<LONG>{a, h, s1, s2}), GroupOf(a));
  for (const LONG n : {h, s1, s2})
    EXPECT_EQ(std::to_string(GROUPSEM_EQUITABLE) + ":" + std::to_string(group), Groups(n)) << n;
  FN(mapFreeObject)(head);

  // An equal member of another group, by its role there.
  const LONG d = Road(700);
  const LONG otherGroup = Key(d);
  Join(d, GROUPSEM_EQUITABLE, otherGroup);
  const LONG e = Road(800, {{GROUPSEM_EQUITABLE, otherGroup}});
  const HSET others = NewSet();
  const HOBJ member = Read(d);
  ASSERT_EQ(1, FN(mapBuildObjectSet)(others, member));
  // An equal member never hangs a group below this one.
  EXPECT_EQ(0, FN(mapObjectSetUnion)(set, others, 3, member, 1));
  EXPECT_EQ(1, FN(mapObjectSetUnion)(set, others, 1, member, 1));
  EXPECT_EQ(std::to_string(GROUPSEM_EQUITABLE) + ":" + std::to_string(group), Groups(d));
  EXPECT_EQ((std::set<LONG>{a, h, s1, s2, d}), GroupOf(a));
  EXPECT_EQ(std::set<LONG>{e}, GroupOf(e));
  FN(mapFreeObject)(member);
  FN(mapFreeObject)(object);
}

// A group dissolved leaves no member holding its semantic; a group deleted
// deletes every member.
TEST_F(ObjectSetApi, AnEquitableGroupDissolvedOrDeleted) {
  for (const bool deleted : {false, true}) {
    const std::vector<LONG> made = Equitable(deleted ? 500 : 100);
    const LONG a = made[0], b = made[1], c = made[2];
    const HSET set = NewSet();
    const HOBJ object = Read(b);
    ASSERT_EQ(1, FN(mapBuildObjectSet)(set, object));
    FN(mapFreeObject)(object);
    if (deleted) {
      ASSERT_EQ(1, FN(mapObjectSetDelete)(set));
      for (const LONG n : {a, b, c}) EXPECT_EQ("deleted", Groups(n)) << n;
    } else {
      ASSERT_EQ(1, FN(mapObjectSetClear)(set, 1));
      EXPECT_EQ(0, FN(mapObjectSetCount)(set));
      for (const LONG n : {a, b, c}) {
        EXPECT_EQ("", Groups(n)) << n;
        EXPECT_EQ(std::set<LONG>(), GroupOf(n)) << n;
      }
    }
  }
}

// A select context made from a set holds exactly its members, whatever
// conditions and sample it had and whichever map (or none) it was made on;
// it follows the set's map, and stays a valid handle once that map is
// closed.
TEST_F(ObjectSetApi, ASelectMadeFromASetFindsExactlyItsMembers) {
  // Roads a, b and d of one group, c of none.
  const std::vector<LONG> made = Equitable(100);
  const LONG a = made[0], b = made[1], d = made[2];
  const LONG c = Road(400);
  const HSET set = NewSet();
  const HSELECT none = FN(mapCreateSelectContext)();
  ASSERT_NE(0, none);
  EXPECT_EQ(0, FN(mapBuildSelect)(set, none));  // an empty set
  const HOBJ object = Read(a);
  ASSERT_EQ(1, FN(mapBuildObjectSet)(set, object));
  FN(mapFreeObject)(object);
  EXPECT_EQ(0, FN(mapBuildSelect)(set, 0));

  // A context of the document with conditions that pass none of the
  // members and a sample of another object.
  const HSELECT own = FN(mapCreateMapSelectContext)(map_);
  FN(mapSelectLocal)(own, LOCAL_LINE, 0);
  FN(mapSelectKey)(own, 1, 1);
  ASSERT_EQ(1, FN(mapSelectSampleByNumber)(own, 1, c));
  // Another document's context, and one without a map.
  other_ = MakeMap("other.map", "OTHER-1");
  ASSERT_NE(0, other_);
  const LONG foreign = Road(100, {}, other_);
  const HSELECT theirs = FN(mapCreateMapSelectContext)(other_);
  ASSERT_EQ((std::set<LONG>{foreign}), Found(other_, theirs));

  const std::set<LONG> members{a, b, d};
  for (const HSELECT select : {own, none, theirs}) {
    ASSERT_EQ(1, FN(mapBuildSelect)(set, select));
    EXPECT_EQ(1, FN(mapIsSample)(select));
    EXPECT_EQ(3, FN(mapGetSampleCount)(select, 1));
    std::set<LONG> keys;
    for (LONG i = 1; i <= 3; ++i) keys.insert(FN(mapGetSampleByNumber)(select, 1, i));
    EXPECT_EQ((std::set<LONG>{Key(a), Key(b), Key(d)}), keys);
    EXPECT_EQ(1, FN(mapCheckLocal)(select, LOCAL_LINE));
    EXPECT_EQ(1, FN(mapCheckKey)(select, Key(b)));
    EXPECT_EQ(members, Found(map_, select));
  }
  // A set of a user map of the document: the document's context follows
  // that map, and a search kept to the select's map finds the members
  // there (without that flag the walk would apply the sample, sheet and
  // object numbers, to the main map first).
  CREATESITE create{};
  create.Length = sizeof create;
  std::strcpy(create.MapName, "Users");
  create.Scale = 100000;
  const HSITE site = FN(mapCreateAndAppendSite)(map_, Path("u.sit").c_str(), rsc_.c_str(), &create);
  ASSERT_NE(0, site);
  std::vector<LONG> onSite;
  LONG siteGroup = 0;
  for (int k = 0; k < 4; ++k) {
    const HOBJ road = FN(mapCreateSiteObject)(map_, site, 0, 0);
    ASSERT_EQ(1, FN(mapRegisterObject)(road, kRoad, 0));
    ASSERT_NE(0, FN(mapAppendPointPlane)(road, kX0 + 2000, kY0 + 100 * k, 0));
    ASSERT_NE(0, FN(mapAppendPointPlane)(road, kX0 + 2500, kY0 + 100 * k, 0));
    ASSERT_GT(FN(mapCommit)(road), 0);
    if (k == 0) siteGroup = FN(mapObjectKey)(road);
    if (k != 2) {
      const std::string text = std::to_string(siteGroup);
      ASSERT_NE(0, FN(mapAppendSemantic)(road, GROUPSEM_EQUITABLE, text.c_str(),
                                         LONG(text.size() + 1)));
      ASSERT_GT(FN(mapCommit)(road), 0);
      onSite.push_back(FN(mapGetObjectNumber)(road));
    }
    FN(mapFreeObject)(road);
  }
  const HSET users = NewSet();
  const HOBJ first = FN(mapCreateSiteObject)(map_, site, 0, 0);
  ASSERT_EQ(first, FN(mapReadObjectByNumber)(map_, site, first, 1, onSite[0]));
  ASSERT_EQ(1, FN(mapBuildObjectSet)(users, first));
  FN(mapFreeObject)(first);
  ASSERT_EQ(3, FN(mapObjectSetCount)(users));
  const HSELECT mine = FN(mapCreateMapSelectContext)(map_);
  ASSERT_EQ(1, FN(mapBuildSelect)(users, mine));
  const HOBJ seek = FN(mapCreateSiteObject)(map_, site, 0, 0);
  std::set<LONG> found;
  for (LONG flags = SEEK_FIRST | SEEK_THISMAP;
       FN(mapSeekSelectObject)(map_, seek, mine, flags) != 0; flags = SEEK_NEXT | SEEK_THISMAP) {
    EXPECT_EQ(site, FN(mapGetObjectSiteIdent)(map_, seek));
    found.insert(FN(mapGetObjectNumber)(seek));
  }
  FN(mapFreeObject)(seek);
  EXPECT_EQ((std::set<LONG>(onSite.begin(), onSite.end())), found);
  FN(mapDeleteSelectContext)(mine);

  // A member leaving the set leaves the select once it is made again.
  ASSERT_EQ(1, FN(mapObjectSetRemoveNumber)(set, d, 1));
  ASSERT_EQ(1, FN(mapBuildSelect)(set, own));
  EXPECT_EQ((std::set<LONG>{a, b}), Found(map_, own));

  // The set's map closed: the contexts bound to it stay valid handles
  // without a map, the set refuses, and the other document is untouched.
  FN(mapCloseData)(map_);
  map_ = 0;
  EXPECT_EQ(0, FN(mapBuildSelect)(set, own));
  for (const HSELECT select : {own, none, theirs}) {
    EXPECT_EQ(1, FN(mapCheckLayer)(select, 3));
    const std::set<LONG> found = Found(other_, select);
    EXPECT_TRUE(found.empty() || found == std::set<LONG>{foreign});
  }
  const HSELECT fresh = FN(mapCreateMapSelectContext)(other_);
  EXPECT_EQ((std::set<LONG>{foreign}), Found(other_, fresh));
  for (const HSELECT select : {own, none, theirs, fresh}) FN(mapDeleteSelectContext)(select);
}

}  // namespace
