// The selection contexts of a document. The document keeps three (the view
// select that decides what is painted, the seek select of the searches,
// and the real select built from the map's content); each is a select
// context on the document's own map, bound again whenever a map is opened.
#pragma once

#include "selection/mapselect.h"

typedef TMapSelect TDocumentSelect;
