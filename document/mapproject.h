// Project files: what one map document shows, kept as an INI text file. The
// section [MAP] names the main data and its display settings; [RSTLIST],
// [MTRLIST], [MTLLIST], [MTQLIST] and [SITELIST] list the rasters,
// elevation, layer and quality matrices and user maps with theirs.
//
// Conventions of the file: "*" (or any value beginning with '*') stands
// for an absent key; names are kept relative to the folder of the document
// name (the main map's file) when they lie under it; a palette is its base
// colours as "0x%06X" items separated by "," and ended by ";"; a list of
// hidden colours is their indexes, each followed by "," (";" after the
// palette's last colour); a list's COUNT outside 1 ... 1,024 makes the
// reader pass the section over.
//
// The DocumentKinds slot of projects opens and saves through here.
#pragma once

#include "codec/basecolors.h"
#include "document/mapaccess.h"

enum : int {
  PROJECT_LIST_LIMIT = 1024,     // entries of a list at most
  PROJECT_VALUE_SIZE = 4096,     // a palette of 260 colours fits
};

class TMapProject {
 public:
  TMapProject() = default;

  // Reads a project into the document (all its data closed first): 1 when
  // the main data opened, else 0 (60005 reported for a project naming no
  // main data, 60007 first when the file cannot be read). Lists whose
  // files are missing are passed over; the document keeps the project's
  // name.
  int OpenProject(TMapAccess* doc, const char* name);
  // Writes the document out as a project: into a file beside the project
  // (a copy of the project as it was, so that the keys of kinds without
  // data stay), which then replaces it in one step. 1, or 0 (the project
  // as it was) for a null argument or when anything cannot be written.
  int SaveProject(TMapAccess* doc, const char* name);

  // One section each: reading gives 1 when the section was read (the main
  // map: when the main data opened); writing 1 when every key was written.
  int OpenMainMap(TMapAccess* doc, const char* name);
  int OpenRstList(TMapAccess* doc, const char* name);
  int OpenMtrList(TMapAccess* doc, const char* name);
  int OpenMtlList(TMapAccess* doc, const char* name);
  int OpenMtqList(TMapAccess* doc, const char* name);
  int OpenSiteList(TMapAccess* doc, const char* name);
  int SaveMainMap(TMapAccess* doc, const char* name);
  int SaveRstList(TMapAccess* doc, const char* name);
  int SaveMtrList(TMapAccess* doc, const char* name);
  int SaveMtlList(TMapAccess* doc, const char* name);
  int SaveMtqList(TMapAccess* doc, const char* name);
  int SaveSiteList(TMapAccess* doc, const char* name);

  // Base colour k from item k of a palette value (items up to ';' or the
  // end; an empty item or one longer than 13 characters sets nothing,
  // indexes beyond the colours are passed over): 0 for a value beginning
  // with '*' (nothing changed), else 1.
  static int LoadPalette(TBaseColors* colours, const char* value);
  // The palette value of the base colours ("" without colours; items that
  // do not fit are left out): 1, or 0 for a null argument.
  static int SavePalette(const TBaseColors* colours, char* buffer, int size);
};

// The DocumentKinds slot of projects.
int OpenProjectKind(TMapControl* doc, const char* name, int mode);
int SaveProjectKind(TMapControl* doc, const char* name);
