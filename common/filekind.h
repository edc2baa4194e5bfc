// Recognition of a file's kind from its first four bytes and, failing that,
// from its extension. Most kind codes are the file's signature read as a
// little-endian 32-bit number ("RSW" and a zero byte give 0x00575352).
#pragma once

#include "platform/win_types.h"

enum : LONG {
  FILEKIND_NONE = 0,
  FILEKIND_PCX = 0x10,
  FILEKIND_OLDSXF = 0x3000,       // ".030", ".000"
  FILEKIND_BMP = 0x4D42,
  FILEKIND_TIFF = 0x4949,
  FILEKIND_JPEG = 0xD8FF,
  FILEKIND_RSC = 0x00435352,
  FILEKIND_SXF = 0x00465853,
  FILEKIND_DXF = 0x00465844,
  FILEKIND_MIF = 0x0046494D,
  FILEKIND_MTL = 0x004C544D,
  FILEKIND_PLN = 0x004E4C50,
  FILEKIND_PSP = 0x00505350,
  FILEKIND_SHP = 0x00504853,
  FILEKIND_MTQ = 0x0051544D,
  FILEKIND_DIR = 0x00524944,
  FILEKIND_MTR = 0x0052544D,
  FILEKIND_MPT = 0x0054504D,
  FILEKIND_RST = 0x00545352,
  FILEKIND_RSW = 0x00575352,
  FILEKIND_MTW = 0x0057544D,
  FILEKIND_SXFTEXT = 0x4658532E,  // ".SXF"
  FILEKIND_SIT = 0x5449532E,      // ".SIT"
};

// The kind code of the named file; 0 for a null name, a file that can't be
// opened or holds fewer than four bytes, or one that nothing matches.
LONG CheckFileKind(const char* name);
