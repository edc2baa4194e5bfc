/* A map object's characteristics (semantics), its identity, classification
 * and place, its text and its graphics, through an object handle (HOBJ).
 *
 * Characteristics count from 1 in record order; the classifier's type of
 * each semantic decides how a text is stored (numbers, list values and
 * keys as numbers, dates and times as yyyymmdd and hhmmss integers, angles
 * as radians, everything else as text) and how a value is shown. Texts are
 * code page 1251.
 *
 * Every function answers a null, freed or foreign handle (an object whose
 * map was closed included), and a null required pointer, with 0, 0.0, a
 * null pointer (graphics parameters) or "" (texts), and changes nothing. A
 * function that copies a text into a caller's buffer first sets a buffer
 * it is given to "" and never writes past its size.
 *
 * A text returned as `const char*` (mapSemanticName, mapListName,
 * mapObjectName and the other names) is the library's: it stays valid
 * until the next of these calls on any object, or the next call on the
 * object, its map or its classifier. A host that keeps it copies it (the
 * ...Ex functions copy into a buffer of the caller). */
#ifndef MAPCORE_API_OBJSEM_API_H
#define MAPCORE_API_OBJSEM_API_H

#include "types/maptypes.h"
#include "types/semtypes.h"

/* --- Characteristics --- */

MAPAPI LONG WINAPI mapSemanticAmount(HOBJ info);
/* The code of characteristic `number`; 0 when absent. */
MAPAPI LONG WINAPI mapSemanticCode(HOBJ info, LONG number);
/* The stored value as text: 1, or 0 when absent. */
MAPAPI LONG WINAPI mapSemanticValue(HOBJ info, LONG number, char* buffer, LONG size);
MAPAPI double WINAPI mapSemanticDoubleValue(HOBJ info, LONG number);
/* The value as shown: a number with the semantic's decimals, a list
 * value's name (its number when the list has no name for it), a key, date,
 * angle or time in its text form. 1, or 0. */
MAPAPI LONG WINAPI mapSemanticValueName(HOBJ info, LONG number, char* buffer, LONG size);
/* The same followed by the semantic's unit; a list value without a name
 * gives 0 and "". */
MAPAPI LONG WINAPI mapSemanticValueFullName(HOBJ info, LONG number, char* buffer, LONG size);
/* The k-th characteristic (from 1) with the code: its stored value as text
 * (a null buffer takes nothing) and its number, 0 when there is none. */
MAPAPI LONG WINAPI mapSemanticCodeValue(HOBJ info, LONG code, char* buffer, LONG size,
                                        LONG k);
/* The same with the value as mapSemanticValueName shows it. */
MAPAPI LONG WINAPI mapSemanticCodeValueName(HOBJ info, LONG code, char* buffer, LONG size,
                                            LONG k);
/* The classifier's name of characteristic `number`'s semantic; "" when
 * there is none. Valid until the next name call or call on the object,
 * its map or classifier (above). */
MAPAPI const char* WINAPI mapSemanticName(HOBJ info, LONG number);
/* The name copied into the buffer: 1, or 0 when there is none. */
MAPAPI LONG WINAPI mapSemanticNameEx(HOBJ info, LONG number, char* buffer, LONG size);
/* How many semantics the object may still receive (the obligatory and
 * possible ones of its kind, without the non-repeatable ones it has), and
 * the code of the `number`-th of them (from 1; 0 when there is none). */
MAPAPI LONG WINAPI mapAvailableSemanticCount(HOBJ info);
MAPAPI LONG WINAPI mapAvailableSemanticCode(HOBJ info, LONG number);
/* Adds a characteristic from a text (stored as text at most `size`
 * bytes); a non-repeatable semantic the object has is replaced. The new
 * characteristic count, or 0 (the characteristics stay as they were). */
MAPAPI LONG WINAPI mapAppendSemantic(HOBJ info, LONG code, const char* value, LONG size);
MAPAPI LONG WINAPI mapDeleteSemantic(HOBJ info, LONG number);
/* A new code (0 .. 65535) for characteristic `number`: 1, or 0. */
MAPAPI LONG WINAPI mapSetSemanticCode(HOBJ info, LONG number, LONG code);
/* A new value from a text for characteristic `number`, in place: 1, or 0. */
MAPAPI LONG WINAPI mapSetSemanticValue(HOBJ info, LONG number, const char* value, LONG size);
/* The classifier's description of semantic `code` for the object's kind:
 * 1, or 0 when there is none. mapSemanticDescribe leaves the Reserve field
 * as it was. */
MAPAPI LONG WINAPI mapSemanticDescribe(HOBJ info, SEMANTICTYPE* type, LONG code);
MAPAPI LONG WINAPI mapSemanticDescribeEx(HOBJ info, SEMANTICTYPEEX* type, LONG code);
/* The value list of semantic `code` in the classifier: the count, the
 * name and the value of entry `number` (from 1). */
MAPAPI LONG WINAPI mapSemanticClassificatorCount(HOBJ info, LONG code);
MAPAPI const char* WINAPI mapSemanticClassificatorName(HOBJ info, LONG code, LONG number);
MAPAPI LONG WINAPI mapSemanticClassificatorNameEx(HOBJ info, LONG code, LONG number,
                                                  char* buffer, LONG size);
MAPAPI LONG WINAPI mapSemanticClassificatorCode(HOBJ info, LONG code, LONG number);
/* Stores every characteristic again by its classifier type; of a
 * non-repeatable semantic only the last stays. 1, or 0 with fewer than two
 * characteristics. */
MAPAPI LONG WINAPI mapAlignSemantic(HOBJ info);

/* --- Identity, classification and place --- */

/* The nomenclature of the object's sheet without trailing blanks; "" when
 * there is none. One buffer of the library serves every object: valid
 * until the next name call (above). */
MAPAPI const char* WINAPI mapListName(HOBJ info);
MAPAPI LONG WINAPI mapObjectKey(HOBJ info);
/* Stores a key other than 0 and returns it; 0 stores nothing. */
MAPAPI LONG WINAPI mapSetObjectKey(HOBJ info, LONG key);
MAPAPI LONG WINAPI mapObjectExcode(HOBJ info);
MAPAPI LONG WINAPI mapObjectLocal(HOBJ info);
/* The name of the object's kind (a drawing object: its characteristic 9);
 * valid until the next name call or call on the object, its map or
 * classifier (above). */
MAPAPI const char* WINAPI mapObjectName(HOBJ info);
MAPAPI LONG WINAPI mapObjectNameSize(HOBJ info);
MAPAPI LONG WINAPI mapSegmentNumber(HOBJ info);
MAPAPI const char* WINAPI mapSegmentName(HOBJ info);
MAPAPI LONG WINAPI mapSegmentNameSize(HOBJ info);
/* The classifier number of the object's kind (0: a drawing object). */
MAPAPI LONG WINAPI mapObjectCode(HOBJ info);
/* The layer of a drawing object (kind 0), 0 .. 255: 1, or 0. */
MAPAPI LONG WINAPI mapSetSegmentNumber(HOBJ info, LONG layer);
/* The visibility scale range: back to the classifier's (1), the scale
 * denominators of its top and bottom, and the object's own range set from
 * denominators (the scale set is returned). */
MAPAPI LONG WINAPI mapClearBotTop(HOBJ info);
MAPAPI LONG WINAPI mapObjectTopScale(HOBJ info);
MAPAPI LONG WINAPI mapSetObjectTopScale(HOBJ info, LONG scale);
MAPAPI LONG WINAPI mapObjectBotScale(HOBJ info);
MAPAPI LONG WINAPI mapSetObjectBotScale(HOBJ info, LONG scale);
/* The scaled-sign flag: 1. */
MAPAPI LONG WINAPI mapSetObjectScale(HOBJ info, LONG flag);
/* 1 when the object has a scale range of its own. */
MAPAPI LONG WINAPI mapObjectBotTopUniqueness(HOBJ info);
/* Classification by code and localisation (1 found; 0 for an unknown code,
 * which the object keeps as the service object of its localisation), by
 * the classifier's key, by the classifier number, as a drawing object of a
 * layer, and again from the semantics. */
MAPAPI LONG WINAPI mapRegisterObject(HOBJ info, LONG excode, LONG local);
MAPAPI LONG WINAPI mapRegisterObjectByKey(HOBJ info, const char* key);
MAPAPI LONG WINAPI mapDescribeObject(HOBJ info, LONG code);
MAPAPI LONG WINAPI mapRegisterDrawObject(HOBJ info, LONG layer, LONG local);
MAPAPI LONG WINAPI mapRedefineObject(HOBJ info);
/* Makes the object a new one (key and number 0) of the sheet: the sheet. */
MAPAPI LONG WINAPI mapSetObjectListNumber(HOBJ info, LONG sheet);
MAPAPI LONG WINAPI mapGetListNumber(HOBJ info);
MAPAPI LONG WINAPI mapGetObjectNumber(HOBJ info);
/* Converts the metric to another point kind (METRIC_*): 1, or 0. */
MAPAPI LONG WINAPI mapSetObjectKind(HOBJ info, LONG kind);
/* The metric's spline bits (2 smoothed, 4 envelope); the setter keeps the
 * other bits and returns the bits set. */
MAPAPI LONG WINAPI mapSetObjectSpline(HOBJ info, LONG flags);
MAPAPI LONG WINAPI mapGetObjectSpline(HOBJ info);
/* The classifier's key of the object's kind. */
MAPAPI const char* WINAPI mapObjectRscKey(HOBJ info);
/* 1 when the metric keeps heights. */
MAPAPI LONG WINAPI mapIsObject3D(HOBJ info);

/* --- Text (contours from 0) --- */

/* The text of a contour: 1, or 0 when it has none. */
MAPAPI LONG WINAPI mapGetText(HOBJ info, char* buffer, LONG size, LONG subject);
MAPAPI LONG WINAPI mapPutText(HOBJ info, const char* text, LONG subject);
/* The text's length on the map in micrometres. */
MAPAPI LONG WINAPI mapGetTextLengthMkm(HOBJ info, LONG subject);
MAPAPI LONG WINAPI mapGetTextHorizontalAlign(HOBJ info, LONG subject);
MAPAPI LONG WINAPI mapGetTextVerticalAlign(HOBJ info, LONG subject);
MAPAPI LONG WINAPI mapPutTextHorizontalAlign(HOBJ info, LONG align, LONG subject);
MAPAPI LONG WINAPI mapPutTextVerticalAlign(HOBJ info, LONG align, LONG subject);

/* --- Graphics (elements from 1) --- */

/* 1 when the object holds a graphics record. */
MAPAPI LONG WINAPI mapIsDrawObject(HOBJ info);
MAPAPI LONG WINAPI mapDrawCount(HOBJ info);
/* The primitive code of element `number`. */
MAPAPI LONG WINAPI mapDrawImage(HOBJ info, LONG number);
/* The parameters of element `number` (0: the record itself); null when
 * there is none. Valid until the graphics change. */
MAPAPI const char* WINAPI mapDrawParameters(HOBJ info, LONG number);
/* The length of element `number` (0: of the record). */
MAPAPI LONG WINAPI mapDrawLength(HOBJ info, LONG number);
/* Appends an element: the element count, or 0. */
MAPAPI LONG WINAPI mapAppendDraw(HOBJ info, LONG image, const char* parameters);
/* Empties the graphics record: 1. */
MAPAPI LONG WINAPI mapClearDraw(HOBJ info);
MAPAPI LONG WINAPI mapDeleteDraw(HOBJ info, LONG number);

#endif
