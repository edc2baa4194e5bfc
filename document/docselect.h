// The selection contexts of a document until the selection subsystem is in
// the library: each one passes every sheet and every object. The document
// keeps three of them (the view select that decides what is painted, the
// seek select of the searches, and the real select built from the map's
// content) and calls them where the painting loop and the searches will
// test objects; the real contexts take their place without a change to
// those calls.
#pragma once

#include "mapstore/map.h"

class TDocumentSelect {
 public:
  // Binds the context to a map with every condition reset.
  void SetMap(TMap* map) { Map = map; }
  // Builds the context from the map's content.
  void SetSelectByMap(TMap* map) { Map = map; }
  // 1 when sheet n is selected.
  int CheckList(int) const { return 1; }
  // 1 when the object passes the conditions and the sample.
  int CheckObjectAndSample(const FVSPR*) const { return 1; }

  TMap* Map = nullptr;
};
