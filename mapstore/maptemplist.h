// A temporary set of sheet files (TMapTempList): every object of a sheet is
// written anew into an empty set of files beside the sheet's own (".#HD",
// ".#DA", ".#SE", ".#GR"; for a user map ".#SH" ...), and the new set then
// takes the place of the old one. The sheet's own files are not touched
// until the new set is complete; the replacement puts the old files back
// when any step of it fails, and may keep them as ".~HD" ... files.
#pragma once

#include "mapstore/maplist.h"
#include "platform/export.h"

class TMap;

class MAPCLASS TMapTempList {
 public:
  TMapTempList();
  // Delete().
  ~TMapTempList();
  TMapTempList(const TMapTempList&) = delete;
  TMapTempList& operator=(const TMapTempList&) = delete;

  // Creates the empty temporary set of sheet `sheet` (a 48-byte header and
  // the three 4-byte signatures) and binds List to it. A user map's plane
  // corners are kept aside and cleared (the objects written grow them
  // again). 1; 0 for no map, no sheet table, a sheet out of range (nothing
  // made) or a failure, reported by stage.
  int Create(TMap* map, int sheet);
  // Closes and deletes the temporary files; a user map gets its corners
  // back.
  void Delete();
  // Puts the temporary set in place of the sheet's files and reopens the
  // sheet: with `copyMode` 0 the files are renamed into place, else copied;
  // with `keepOld` the sheet's old files are first copied to backups
  // (".~HD" ...), and a backup that cannot be made (an older read-only one,
  // a failed copy) gives 0 before the sheet's files are touched;
  // unless `keepBackFiles` the sheet's object backups are deleted. A set
  // without graphics leaves the sheet without a graphics file. Every step
  // that fails puts the sheet's own files back as they were: 0, the map's
  // sheet then as before. 1 when the sheet reopened with the new files.
  int Remove(int copyMode, int keepOld, int keepBackFiles);

  // The temporary files' paths (folder, the base of the sheet's descriptor
  // file name, the temporary extension); "" when there is no sheet.
  const char* TempPath(int file);

  int Sheet = 0;
  double SavedCorners[4] = {};  // user map: X, Y of the south-west and north-east corners
  int NotCreated = 1;
  TMapList List;

 private:
  TMap* Map = nullptr;
  // A user map's passport and sheet record as they were before Create, put
  // back whole by Delete (with the passport's changed flag), so that a set
  // given up leaves the map as it was.
  MAPPASSPORT SavedPassport = {};
  LISTDESC SavedRecord = {};
  int SavedChanged = 0;
  char Paths[SHEET_FILES][MAX_PATH] = {};
  // Fills Paths for the bound map and sheet: 0 when a name does not fit.
  int MakePaths();
  // Closes the temporary list and the map's current sheet.
  void CloseFiles();
};
