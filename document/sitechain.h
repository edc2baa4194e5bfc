// The document's chain of user maps: further vector maps, each with its own
// classifier, opened over or under the main map. Each user map is one node
// of a doubly linked chain (the document's SiteChainHead, its First the
// head); the node holds the map itself and the map's three
// selects. Numbers are chain positions, 1 ... count, and 0 is the main map
// (TMapControl's user-map methods). A host names a user map by its handle
// (HSITE), the address of its node (document/mapaccess.h).
//
// The DocumentKinds slot of user maps opens, closes and paints through here.
#pragma once

#include "document/mapcontrol.h"

struct SITENODE {
  SITENODE* Next;         // null at the end of the chain
  SITENODE* Prev;         // null at the head
  TMap Map;               // the user map
  TMapSelect ViewSelect;  // what painting shows of it
  TMapSelect SeekSelect;  // what searches find in it
  TMapSelect RealSelect;  // built from what it holds
  uint64_t RealStamp;     // the map's change stamp when RealSelect was built
  LONG ViewOrder;         // 1: painted over the main map, 0: under it
};

// User map 1 as the document's base data when nothing else gives it (its
// scale, units, origin and frame): true when taken.
bool SiteBaseData(TMapControl* doc);
// Every user map with a frame takes it into the document region.
void SitesRegion(TMapControl* doc);

// The DocumentKinds slots of user maps.
int OpenSiteKind(TMapControl* doc, const char* name, int mode);
void CloseSiteKind(TMapControl* doc, int n);
int ShowSiteKind(TMapControl* doc, int over);
int ShowSiteUnit(TMapControl* doc, int n);
