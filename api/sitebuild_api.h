/* Builders of a user map's marginal representation: lines, the frame and
 * its fill, titles and direction arrows made as objects of the user map
 * (sheet 1), and a template file that places them in millimetres on paper
 * around a frame, with degree labels where parallels and meridians cross
 * it. Plane coordinates are metres, X north and Y east; a frame is its
 * south-west (X1, Y1) and north-east (X2, Y2) corners. An angle (radians)
 * other than 0 with a centre turns each object about the centre before it
 * is saved. Codes are classification codes of the user map's classifier.
 *
 * Each answers 0 for a null, closed or foreign document, a null site or
 * pointer it needs, or a code the classifier does not have. */
#ifndef MAPCORE_API_SITEBUILD_API_H
#define MAPCORE_API_SITEBUILD_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"

/* Reads the template file and makes its objects around the frame. The
 * file's first line begins with "FRAME"; each further line is a statement
 * (fields apart by blanks; x northward and y eastward in millimetres on
 * paper, a position 1 ... 8 is a corner or side middle of the frame from
 * the south-west corner clockwise):
 *   .RSCLINE code x1 y1 x2 y2                 a line from the south-west corner
 *   .RSCFRAME outer width fill inner          the frame, its fill and outer line
 *   .GEOTEXT code step offset                 degree labels every `step` degrees
 *                                             (1 ... 360; none for a frame off the globe)
 *   .RSCTEXT code position x1 y1 x2 y2 align text   a title ('~' breaks a line)
 *   .DIRECTION code position x y length       an arrow eastward
 * Lines beginning with '/' and empty lines are passed over, as is a
 * statement that cannot be read or made. 1 when the template was read; 0
 * when it cannot be opened or does not begin with "FRAME". */
MAPAPI LONG WINAPI mapAddMarginalRepresentationSite(HMAP hMap, HSITE hSite, const char* name,
                                                    DFRAME* frame);
MAPAPI LONG WINAPI mapAddMarginalRepresentationSiteEx(HMAP hMap, HSITE hSite, const char* name,
                                                      DFRAME* frame, double angle,
                                                      DOUBLEPOINT* centre);
/* A line of the kind from (x1, y1) to (x2, y2): 1, or 0. */
MAPAPI LONG WINAPI mapCreateLineSite(HMAP hMap, HSITE hSite, LONG code, double x1, double y1,
                                     double x2, double y2, double angle, DOUBLEPOINT* centre);
/* Up to three objects: a closed line of the inner code along the frame,
 * one of the outer code along the frame widened by `width` metres, and an
 * area of the fill code over the frame widened by width + 2 mm on paper
 * with the frame as its hole; a code of 0 makes no object. 1, or 0. */
MAPAPI LONG WINAPI mapCreateFrameFillSite(HMAP hMap, HSITE hSite, LONG inner, LONG fill,
                                          LONG outer, double width, DFRAME* frame, double angle,
                                          DOUBLEPOINT* centre);
/* A title of the kind running from (x1, y1) towards (x2, y2), its line cut
 * to the text's length on the ground: align 0 left (from the first point),
 * 2 right (to the second), 1 centred; `vertical` puts the text's vertical
 * alignment to 0. 1, or 0. */
MAPAPI LONG WINAPI mapCreateTitleSite(HMAP hMap, HSITE hSite, LONG code, const char* text,
                                      double x1, double y1, double x2, double y2, LONG align,
                                      LONG vertical, double angle, DOUBLEPOINT* centre);

/* Guards the byte 255 while a text is scanned: in the first min(length,
 * text length) bytes each byte 255 becomes the character (0: '^'); the
 * Post form turns it back. 1, or 0 for a null text or a length below 1. */
MAPAPI LONG WINAPI mapPreSscanf(char* text, LONG length, char character);
MAPAPI LONG WINAPI mapPostSscanf(char* text, LONG length, char character);

#endif
