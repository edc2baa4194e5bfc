// Object sets (TObjectSet): the objects of one sheet that form a group
// through their group semantics, gathered so that the group can be built,
// extended, reorganised, moved, rotated, deleted, reverted, saved and
// painted as one.
//
// Membership is kept nowhere but in the objects' semantics: every member
// carries a characteristic whose code gives its role (GROUPSEM_LEADER and
// GROUPSEM_SUBORDINATE of a hierarchy, GROUPSEM_EQUITABLE of a set of equal
// members; types/objtypes.h) and whose value is the group number as decimal
// text. A new group is numbered by the key of its first object. An object
// may lead one group and be subordinate in another.
//
// The set holds a working copy of each member (a TObjectInfo) in a chain of
// sections of OBJECTSET_SLOTS slots taken from the page allocator: member n
// (from 1) lies in section (n - 1) / 64 + 1 at slot (n - 1) % 64 + 1. Every
// section before the last used one is full; emptying the set keeps the
// sections for reuse. Member addresses stay put while the member stays.
//
// The argument named `commit` of the append, remove, move and rotate
// operations: nonzero writes the changed objects to the map at once, 0
// keeps the changes in the members until Save. Results are 0 for failure
// unless said otherwise; a failure leaves the set as far as it got.
#pragma once

#include "types/objtypes.h"
#include "document/mapaccess.h"
#include "objects/objectinfo.h"
#include "selection/mapselect.h"
#include "platform/export.h"
#include "platform/win_types.h"

enum : int { OBJECTSET_SLOTS = 64 };

// One section of the member chain.
struct OBJECTSETSECTION {
  OBJECTSETSECTION* Next = nullptr;
  OBJECTSETSECTION* Prev = nullptr;
  int32_t Count = 0;  // slots in use, 0..OBJECTSET_SLOTS
  TObjectInfo Slots[OBJECTSET_SLOTS];
};

class MAPCLASS TObjectSet {
 public:
  // An empty set; one built from the object's group at once (Build).
  TObjectSet();
  TObjectSet(TObjectInfo* object, int code);
  // Frees the chain and the base object's buffers.
  ~TObjectSet();
  TObjectSet(const TObjectSet&) = delete;
  TObjectSet& operator=(const TObjectSet&) = delete;

  // --- Building ---

  // The set of the object's group: code 0 takes its first group
  // semantic, else the first one of that code. Every other undeleted
  // object of the sheet holding the group is a member; a hierarchy found
  // without its leader gets the object as its leader (NominateGeneral).
  int Build(TObjectInfo* object, int code);
  // Steps of building. start 0: the set emptied and made of the object,
  // whose first group semantic (of `code`, 0 any) gives number and kind;
  // the semantic code to look for next (GROUPSEM_*), 0 on failure. A
  // nonzero start begins a hierarchy (GROUPSEM_LEADER or
  // GROUPSEM_SUBORDINATE) through AppendGeneral or an equitable set
  // (GROUPSEM_EQUITABLE) through AppendEguitable.
  int InitBuild(TObjectInfo* object, int start, int code);
  // Appends the object as the role `code` asks: the next code, or 0.
  int AppendNext(TObjectInfo* object, int code);
  // Empties the set and makes it a hierarchy / an equitable set: 1.
  int BuildGeneral();
  int BuildEguitable();
  // The select bound to the set's map, reset, and holding a sample of
  // exactly the members: 1, 0 on an inactive set or when memory is short.
  int BuildSelect(TMapSelect* select);
  // The group of the object and every group linked to it through members
  // that belong to two groups, each group taken once.
  int BuildInsertKnot(TObjectInfo* object);
  // Makes this set a copy of another one (its members with their
  // unwritten changes, its group and its base object).
  int Object(TObjectSet* other);

  // --- State and members ---

  // 1 when the set has a map and at least one member.
  int IsActive() const { return Map != nullptr && Count > 0 ? 1 : 0; }
  int GetCount() const { return Count; }
  // Member n (from 1), null outside 1..count.
  TObjectInfo* GetObjectA(int n) const;
  // The walk over the members in chain order: null at the end and on an
  // inactive set.
  TObjectInfo* GetFirst();
  TObjectInfo* GetNext();
  TMap* GetMap() const { return Map; }
  int GetListNumber() const { return Sheet; }
  LONG GetGroupNumber() const { return GroupNumber; }
  // GROUPSEM_LEADER for a hierarchy, GROUPSEM_EQUITABLE, or 0.
  int GetGroupType() const { return GroupType; }
  int GetError() const { return Error; }

  // The member with that object number; the leader of a group (number 0:
  // the set's own); the first member from *index (from 1; set to its
  // position) whose leader number, or else subordinate number, is not 0
  // and differs from `number`. Null when none.
  TObjectInfo* Find(int number) const;
  TObjectInfo* FindGeneral(LONG number) const;
  TObjectInfo* FindNoEgualGroup(LONG number, int* index) const;

  // --- Group semantics of an object ---

  // The code of the object's first group semantic (0: none); `number`
  // (when given) gets its group number when the value is a non-empty text.
  int IsObjectGroup(TObjectInfo* object, LONG* number) const;
  // The code of the first group semantic whose value cannot be read, is
  // empty, or equals the number (0: the set's number); 0 when none.
  int GetGroupSemn(TObjectInfo* object, LONG number) const;
  // The group number of the first semantic of the code whose value reads
  // as a non-empty text; 0 when none.
  LONG GetGroupSemn(TObjectInfo* object, GROUPSEMCODE code) const;
  // Removes every group semantic holding the number (0: the set's
  // number), in memory: 1.
  int DeleteSemantic(TObjectInfo* object, LONG number);
  // Removes every group semantic, in memory: 1.
  int DeleteAllSemantic(TObjectInfo* object);
  // Every other undeleted object of the object's sheet that holds the
  // group number (0: the set's; still 0: the object's first group) and is
  // not a member loses its semantics of that group and is written: 1, 0
  // when a write fails.
  int UpdateSemantic(TObjectInfo* object, LONG number);
  // After members were removed without writing: the objects of the sheet
  // that left the group lose its semantics and are written. 1 or 0.
  int UpdateDeleteObject();

  // --- Adding members ---
  //
  // An object without a key is written first so that it has one. The
  // object given gets the group semantic; its copy becomes the member.

  // Copies the object into a free slot; `mark` flags the copy's
  // semantics and the set changed. The section's new count, or 0.
  int Append(TObjectInfo* object, int mark);
  // Starts a hierarchy led by the object (numbered by its key) on an
  // empty set; a set with members takes nothing (0), unless the object is
  // its leader already, which starts the group afresh.
  int AppendGeneral(TObjectInfo* object, int commit);
  // The same after dissolving the group the object leads.
  int AppendGeneralNew(TObjectInfo* object, int commit);
  // Adds the object as a subordinate of a hierarchy with members, leaving
  // the group it was subordinate in.
  int AppendSubordinate(TObjectInfo* object, int commit);
  // The same after dissolving the group the object is subordinate in.
  int AppendSubordinateNew(TObjectInfo* object, int commit);
  // Adds the object to an equitable set (an empty set becomes one).
  int AppendEguitable(TObjectInfo* object, int commit);
  // Makes a member (number 0: the first that leads no group) the leader;
  // the old leader, when there is one, becomes a subordinate. In memory.
  int NominateGeneral(int number);

  // --- Removing members ---

  // Removing the leader of a hierarchy dissolves the group (RemoveAll).
  // Otherwise the last member takes the removed one's slot; with commit
  // the object loses its semantics of the group and is written.
  int Remove(TObjectInfo* object, int commit);
  int Remove(int n, int commit);
  // The member with that object number (1..the sheet's object count).
  int RemoveNumber(int number, int commit);
  int RemoveKey(DWORD key, int commit);
  // Dissolves the group: the set is emptied, and what the members held of
  // the group is taken from the map at the next Save (at once with
  // commit, whose result is returned).
  int RemoveAll(int commit);
  // Empties the set and forgets its group; the sections stay.
  void Clear();

  // --- Merging another group into this one ---

  // mode 1: the object's role in the other group decides (its leader
  // brings the other group below this one; a subordinate or equitable
  // member leaves it and, when it is a member of the other set, joins this
  // one); mode 2 UnionWithDestroy; mode 3 UnionHierarchy unless the object
  // is an equitable member. Both sets active and an object given.
  int Union(TObjectSet* other, int mode, TObjectInfo* object, int commit);
  // Every member of the other set leaves its group and joins this one.
  int UnionWithDestroy(TObjectSet* other, int commit);
  // The other group's leader joins this one, keeping its own group.
  int UnionHierarchy(TObjectSet* other, int commit);

  // --- Whole-set operations ---

  // Deletes the object from its sheet; a leader first clears its group
  // from the sheet.
  int DeleteObject(TObjectInfo* object);
  // Deletes every member, the first leader met last.
  int Delete();
  // Undoes the remembered move and rotation (the later first), then
  // undeletes the members when the first one is deleted: 1 when they were
  // undeleted, 0 when the first member was not deleted or on failure.
  int Revert();
  // Writes what is pending: the removals, then every undeleted member
  // whose semantics or metric changed. 1 when there was nothing to do
  // (unchanged and not forced); 0 for an inactive set without a base
  // object, and when a write fails (the set stays changed, so that a
  // later Save tries again).
  int Save(int force);
  // Moves every member by the offset (plane metres); with commit each is
  // written and the offset remembered for Revert. 0 at the first failure.
  int Move(DOUBLEPOINT* offset, int commit);
  // The members' metric buffers alone, in their stored units: 0 at the
  // first failure.
  int MoveData(DOUBLEPOINT* offset);
  int ScopeData(DOUBLEPOINT* scale, DOUBLEPOINT* centre);
  int ScopeAndRelocateData(DOUBLEPOINT* scale, DOUBLEPOINT* centre, DOUBLEPOINT* offset);
  // Rotates every member (plane metres, radians); angle 0 fails before
  // touching anything. With commit each is written and the rotation
  // remembered.
  int Rotate(DOUBLEPOINT* centre, double angle, int commit);
  int RotateData(DOUBLEPOINT* centre, double angle);
  // The union of the members' plane frames: 1, 0 when one cannot be had.
  int ViewObjectFramePlane(DFRAME* frame);
  // Draws the members in the colour on the document's picture in dc, the
  // rectangle's top left at dc's origin: the leader as a line, the others
  // dashed (1500 on, 750 off), `width` x 250 thick; from the first point
  // object on, each in its own image in the colour. 1, 0 without document
  // or dc, or for an inactive set.
  int PaintGroup(TMapAccess* doc, HDC dc, RECT& rect, COLORREF colour, int width);

  // --- Section chain ---

  // The chain exists and is empty: 1, 0 when memory is short.
  int InitObjectChain();
  // A section with a free slot: the last used one, the next empty one, or
  // a new one linked at the end. Null when memory is short: the error is
  // then MAPERR_MEMORY, reported with the chain's name, and the whole
  // chain freed.
  OBJECTSETSECTION* InitSectionChain();
  // The section number (from 1) of member n and, in *slot (when given),
  // its slot (from 1); 0 outside 1..count.
  int GetSectionNumber(int n, int* slot) const;
  // Section `number` (from 1), or null.
  OBJECTSETSECTION* GetSection(int number) const;
  // Forgets everything but the chain, releasing the base object.
  void InitVariable();
  // Frees every section and forgets everything.
  void FreeMemory();

  // --- Fields ---
  DOUBLEPOINT MoveOffset = {0.0, 0.0};    // of the last committed Move; (0, 0): none
  DOUBLEPOINT RotateCentre = {0.0, 0.0};  // of the last committed Rotate
  double RotateAngle = 0.0;               // 0: none
  LONG GroupNumber = 0;
  int Error = 0;                          // MAPERR_MEMORY after a failed allocation
  int SectionCount = 0;
  OBJECTSETSECTION* First = nullptr;
  int Count = 0;
  TMap* Map = nullptr;                    // the members' map (set by the first member)
  int Sheet = 0;
  int GroupType = 0;                      // GROUPSEM_LEADER or GROUPSEM_EQUITABLE
  int LeaderPresent = 0;                  // a hierarchy holds its leader
  TObjectInfo Base;                       // copy of the object the set was built from
  int BaseRemoved = 0;                    // members were removed without writing
  OBJECTSETSECTION* WalkSection = nullptr;  // the GetFirst / GetNext cursor
  int WalkSlot = 0;
  int WalkNumber = 0;
  int Changed = 0;                        // members' semantics not yet written
  int RotatedLast = 0;                    // the rotation came after the move

 private:
  // The first member, in chain order, for which `test` holds; null when
  // none. Every section before the last used one is full and those after
  // it are empty.
  template <class Test>
  TObjectInfo* Each(Test&& test) const {
    for (OBJECTSETSECTION* s = First; s != nullptr; s = s->Next)
      for (int i = 0; i < s->Count; ++i)
        if (test(&s->Slots[i])) return &s->Slots[i];
    return nullptr;
  }
  // Whether the member leads the set's group.
  int Leads(TObjectInfo* member) const;
  // Position (from 1) of a member given by address, else by its object
  // number; 0 when it is not one.
  int IndexOf(TObjectInfo* object) const;
  // Position of the slot at that address, used or not; 0 for no slot.
  int SlotIndex(const TObjectInfo* object) const;
  // Reads object n of the set's sheet into a free slot: 1, or 0 when no
  // slot can be had. An object that cannot be read is passed over (1).
  int AppendStored(int n);
  // Appends every undeleted object of the set's sheet (the base object
  // and members skipped) that holds a subordinate or leader semantic of
  // the group: 1 or 0.
  int AppendHolders(LONG number);
  // Writes a member (undeleting it when asked) and marks it written.
  int WriteMember(TObjectInfo* member, int undelete);
  // The new member's commit: written when undeleted and changed, then the
  // set's changed flag follows what is still pending.
  int CommitLast(int commit);
  void SettleChanged();
  // The object's key, the object written first when it has none; 0 on
  // failure. A new object is written into `sheet` when it is not 0.
  DWORD EnsureKey(TObjectInfo* object, int sheet);
  // Base takes the first member when it has no object number, so that
  // removals reach the map at Save.
  void KeepBase();
  // The member's slot filled with the last member; counts drop.
  void DropMember(int index);
  // The set takes the object's map and sheet, the kind and the number;
  // removals still pending for another group are written first. 1 or 0.
  int StartGroup(TObjectInfo* object, int type, LONG number);
  // The appending by the set's kind.
  int AppendByType(TObjectInfo* object, int commit);
  // Builds the group the object holds under `code` in a scratch set and
  // dissolves it, unless it is this set's group.
  int DissolveGroupOf(TObjectInfo* object, GROUPSEMCODE code);
};

// Set handles: a new empty set in page memory registered as live (null
// when memory is short); the set of a live handle (null for a null, freed
// or foreign one); destroying a live one (1, else 0).
TObjectSet* ObjectSetNewHandle();
TObjectSet* ObjectSetOfHandle(intptr_t handle);
int ObjectSetFreeHandle(intptr_t handle);
// A member handed to a host as an object handle: registered as a live
// object that the object functions take and mapFreeObject refuses, until
// its section is freed. 0 for null or when it cannot be registered.
HOBJ ObjectSetMemberHandle(TObjectInfo* member);
