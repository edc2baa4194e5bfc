// Public records that the classifier's queries fill or take: descriptions
// of object kinds, semantics, defaults and layers (the interface's own
// records, types/rsctypes.h), and the template table of a template
// sign.
#pragma once

#include "types/rsctypes.h"
#include "platform/win_types.h"

#pragma pack(push, 1)

// The table of a template sign (image function 150): the 60 bytes after
// its first word.
struct TABLETEMPLATE {
  BYTE Data[60];
};
static_assert(sizeof(TABLETEMPLATE) == 60);

#pragma pack(pop)

// Scale tables: 16 denominators each, chosen by the header's flag.
constexpr int RSC_SCALE_COUNT = 16;
