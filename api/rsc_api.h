/* Classifiers as a host program sees them: opening, creating and saving a
 * classifier, and its layers, object kinds, images, semantics, colours and
 * fonts.
 *
 * A classifier handle (HRSC) comes from mapOpenRsc, mapCreateRsc or
 * mapCreateKeyObjectRsc (closed with mapCloseRsc) or is the classifier of
 * an open map (mapGetRscIdent), which belongs to the map. A null handle, a
 * closed one or any other value gets 0 (a text result: an empty string).
 * Object kinds are numbered from 1 (their incode), layers from 0; a
 * failure's code is read with mapGetRscError. A classifier that cannot be
 * opened or created leaves no handle: its code is reported (message 1415
 * to the host message window, and the message while messages are on).
 * Texts are code page 1251; text results stay valid until the classifier
 * is next changed. Images are given by their primitive codes
 * (types/primitives.h). */
#ifndef MAPCORE_API_RSC_API_H
#define MAPCORE_API_RSC_API_H

#include "types/maptypes.h"
#include "types/primitives.h"
#include "types/rsctypes.h"
#include "types/signimage.h"

/* --- Opening, creating, closing ------------------------------------- */

/* Opens a classifier file; one of an older version is converted through
 * the converter library when there is one. 0 after reporting the code:
 * 60006 no file, 60003 or 60005 unreadable or damaged, 60030 an older
 * version without the converter. */
MAPAPI HRSC WINAPI mapOpenRsc(const char* name);
/* Creates a classifier (name and description required) and writes it; 0
 * after reporting the code (60006 when the file cannot be made). */
MAPAPI HRSC WINAPI mapCreateRsc(const char* name, RSCCREATE* create, PALETTE256* palette);
/* The same, with kinds found by the key semantic of an object. */
MAPAPI HRSC WINAPI mapCreateKeyObjectRsc(const char* name, RSCCREATE* create,
                                         PALETTE256* palette);
/* Closes a classifier this interface opened (writing its changes); 0 for a
 * map's classifier. */
MAPAPI LONG WINAPI mapCloseRsc(HRSC hRsc);
/* Writes the changes; reads the file again dropping them. */
MAPAPI LONG WINAPI mapCommitRsc(HRSC hRsc);
MAPAPI LONG WINAPI mapRevertRsc(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscError(HRSC hRsc);
/* The full file name into the buffer; the file name without its folder. */
MAPAPI LONG WINAPI mapGetRscFileName(HRSC hRsc, char* buffer, LONG size);
MAPAPI const char* WINAPI mapGetRscName(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscDescribe(HRSC hRsc, RSCCREATE* describe, PALETTE256* palette);
/* The 16 scales of the classifier's scale table, n from 1. */
MAPAPI LONG WINAPI mapGetRscScaleCount(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscScaleItem(HRSC hRsc, LONG n);
/* Local types: 6 of them, names of up to 16 bytes (language 1 English, 2
 * Russian). */
MAPAPI LONG WINAPI mapGetRscLocalCount(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscLocalNameSize(HRSC hRsc);
MAPAPI const char* WINAPI mapGetRscLocalName(HRSC hRsc, LONG local, LONG language);

/* --- The classifier of a document's main map ------------------------- */

MAPAPI LONG WINAPI mapRscObjectCount(HMAP hMap);
/* Kinds of a layer; the n-th of them (from 1, in incode order). */
MAPAPI LONG WINAPI mapRscObjectCountInLayer(HMAP hMap, LONG layer);
MAPAPI const char* WINAPI mapRscObjectNameInLayer(HMAP hMap, LONG layer, LONG n);
MAPAPI LONG WINAPI mapRscObjectCodeInLayer(HMAP hMap, LONG layer, LONG n);
MAPAPI LONG WINAPI mapRscObjectExcodeInLayer(HMAP hMap, LONG layer, LONG n);
MAPAPI LONG WINAPI mapRscObjectLocalInLayer(HMAP hMap, LONG layer, LONG n);
/* The incode of the first kind of that excode and local type. */
MAPAPI LONG WINAPI mapRscObjectCode(HMAP hMap, LONG excode, LONG local);
MAPAPI LONG WINAPI mapRscSemanticCount(HMAP hMap);
MAPAPI LONG WINAPI mapRscSemanticCode(HMAP hMap, LONG n);
MAPAPI const char* WINAPI mapRscSemanticName(HMAP hMap, LONG code);
/* The classifier of a map of the document (site 0: the main map). */
MAPAPI HRSC WINAPI mapGetRscIdent(HMAP hMap, HSITE hSite);

/* --- Layers ------------------------------------------------------------ */

MAPAPI LONG WINAPI mapGetRscSegmentCount(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscSegmentNameSize(HRSC hRsc);
MAPAPI const char* WINAPI mapGetRscSegmentName(HRSC hRsc, LONG layer);
MAPAPI LONG WINAPI mapGetRscSegmentOrder(HRSC hRsc, LONG layer);
MAPAPI LONG WINAPI mapGetRscSegmentObjectCount(HRSC hRsc, LONG layer);
/* A layer by its name; by its short name (key). */
MAPAPI LONG WINAPI mapGetSegmentByName(HRSC hRsc, const char* name);
MAPAPI LONG WINAPI mapGetRscSegmentByKey(HRSC hRsc, const char* key);
MAPAPI LONG WINAPI mapGetRscSegmentByShortName(HRSC hRsc, const char* name);
MAPAPI LONG WINAPI mapGetRscSegmentbyShortName(HRSC hRsc, const char* name);
MAPAPI const char* WINAPI mapGetRscSegmentShortName(HRSC hRsc, LONG layer);
MAPAPI const char* WINAPI mapGetRscSegmentKey(HRSC hRsc, LONG layer);
MAPAPI LONG WINAPI mapSetRscSegmentShortName(HRSC hRsc, LONG layer, const char* name);
MAPAPI LONG WINAPI mapSetRscSegmentKey(HRSC hRsc, LONG layer, const char* key);
MAPAPI LONG WINAPI mapSetRscSegmentName(HRSC hRsc, LONG layer, const char* name);
MAPAPI LONG WINAPI mapSetRscSegmentOrder(HRSC hRsc, LONG layer, LONG order);
MAPAPI LONG WINAPI mapDeleteRscSegment(HRSC hRsc, LONG layer);
MAPAPI LONG WINAPI mapMoveRscSegmentObjects(HRSC hRsc, LONG from, LONG to);
/* A new layer from its name, short name and order; its number. */
MAPAPI LONG WINAPI mapAppendRscSegment(HRSC hRsc, RSCSEG* segment);
MAPAPI LONG WINAPI mapGetRscSegment(HRSC hRsc, RSCSEGMENT* segment, LONG layer);
/* The semantic list of a layer. */
MAPAPI LONG WINAPI mapGetRscSegmentSemanticCount(HRSC hRsc, LONG layer);
MAPAPI LONG WINAPI mapGetRscSegmentSemanticCode(HRSC hRsc, LONG layer, LONG n);
MAPAPI LONG WINAPI mapAppendRscSegmentSemantic(HRSC hRsc, LONG layer, LONG code);
MAPAPI LONG WINAPI mapDeleteRscSegmentSemantic(HRSC hRsc, LONG layer, LONG code);
/* Builds the list from the semantics of the layer's kinds (obligatory ones
 * only, or all); 1 or 0. */
MAPAPI LONG WINAPI mapBuildRscSegmentSemantic(HRSC hRsc, LONG layer, LONG obligatoryOnly);

/* --- Object kinds ------------------------------------------------------ */

MAPAPI LONG WINAPI mapGetRscObjectCount(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscObjectCountInLayer(HRSC hRsc, LONG layer);
MAPAPI const char* WINAPI mapGetRscObjectNameInLayer(HRSC hRsc, LONG layer, LONG n);
MAPAPI LONG WINAPI mapGetRscObjectExcodeInLayer(HRSC hRsc, LONG layer, LONG n);
MAPAPI LONG WINAPI mapGetRscObjectLocalInLayer(HRSC hRsc, LONG layer, LONG n);
MAPAPI LONG WINAPI mapGetRscObjectCodeInLayer(HRSC hRsc, LONG layer, LONG n);
MAPAPI LONG WINAPI mapGetRscObjectCode(HRSC hRsc, LONG excode, LONG local);
/* Kinds of that excode and local type (a series has several); the n-th of
 * them from 1. */
MAPAPI LONG WINAPI mapGetRscObjectsCount(HRSC hRsc, LONG excode, LONG local);
MAPAPI LONG WINAPI mapGetRscObjectCodeByNumber(HRSC hRsc, LONG excode, LONG local, LONG n);
/* The kind's variant in its series (0: none). */
MAPAPI LONG WINAPI mapGetRscObjectNumber(HRSC hRsc, LONG incode);
MAPAPI LONG WINAPI mapGetRscObject(HRSC hRsc, LONG incode, RSCOBJECT* object);
/* A new kind with the default image of its local type; its incode. */
MAPAPI LONG WINAPI mapAppendRscObject(HRSC hRsc, RSCOBJECT* object);
/* A copy of a kind under a placeholder excode the caller replaces. */
MAPAPI LONG WINAPI mapCopyRscObject(HRSC hRsc, LONG incode);
MAPAPI LONG WINAPI mapUpdateRscObject(HRSC hRsc, LONG incode, RSCOBJECT* object);
MAPAPI LONG WINAPI mapDeleteRscObject(HRSC hRsc, LONG incode);
MAPAPI const char* WINAPI mapGetRscObjectName(HRSC hRsc, LONG incode);
MAPAPI const char* WINAPI mapGetRscObjectKey(HRSC hRsc, LONG incode);
MAPAPI LONG WINAPI mapGetRscObjectIdent(HRSC hRsc, LONG incode);
/* Gives a kind a key no other kind holds; the kind's key, or an empty
 * string when another kind holds it. */
MAPAPI const char* WINAPI mapSetRscObjectKey(HRSC hRsc, LONG incode, const char* key);
MAPAPI LONG WINAPI mapGetRscObjectIdentIncode(HRSC hRsc, LONG ident);
MAPAPI LONG WINAPI mapGetRscObjectKeyIncode(HRSC hRsc, const char* key);
MAPAPI LONG WINAPI mapGetRscObjectCodeByName(HRSC hRsc, const char* name);
/* The semantics that choose a series member (n from 1). */
MAPAPI LONG WINAPI mapGetRscImageSemanticCount(HRSC hRsc, LONG incode);
MAPAPI LONG WINAPI mapGetRscImageSemanticCode(HRSC hRsc, LONG incode, LONG n);
/* The incode of the title kind related to a kind by a semantic. */
MAPAPI LONG WINAPI mapGetRscObjectRelate(HRSC hRsc, LONG incode, LONG code);
MAPAPI LONG WINAPI mapGetRscObjectRelateCount(HRSC hRsc, LONG incode);
/* The k-th relation (from 1), its related kind given by incode; the
 * related kind's ident. */
MAPAPI LONG WINAPI mapGetRscObjectRelateOrder(HRSC hRsc, LONG incode, LONG k,
                                              RSCRELATION* relation);

/* --- Images of kinds --------------------------------------------------
 * print 0: the screen image; otherwise the printer image, or the screen
 * image of a kind without one. */

MAPAPI LONG WINAPI mapGetRscObjectFunction(HRSC hRsc, LONG incode);
MAPAPI LONG WINAPI mapGetRscObjectParametersSize(HRSC hRsc, LONG incode);
MAPAPI const char* WINAPI mapGetRscObjectParameters(HRSC hRsc, LONG incode);
MAPAPI LONG WINAPI mapGetRscPrintObjectFunction(HRSC hRsc, LONG incode);
MAPAPI LONG WINAPI mapGetRscPrintObjectParametersSize(HRSC hRsc, LONG incode);
MAPAPI const char* WINAPI mapGetRscPrintObjectParameters(HRSC hRsc, LONG incode);
/* Elements of an image: a set (function 147) has its elements, any other
 * image is its own one element. The length counts the element's 4-byte
 * head, or the whole image record with its 8-byte head. */
MAPAPI LONG WINAPI mapGetRscPrimitiveCount(HRSC hRsc, LONG incode, LONG print);
MAPAPI LONG WINAPI mapGetRscPrimitiveFunction(HRSC hRsc, LONG incode, LONG n, LONG print);
MAPAPI LONG WINAPI mapGetRscPrimitiveLength(HRSC hRsc, LONG incode, LONG n, LONG print);
MAPAPI const char* WINAPI mapGetRscPrimitiveParameters(HRSC hRsc, LONG incode, LONG n,
                                                       LONG print);
/* Whether an image function suits a local type. */
MAPAPI LONG WINAPI mapGetRscImageSuitable(HRSC hRsc, LONG local, LONG function);
/* Stores an image of `length` parameter bytes: a library sign (250, the
 * screen image only), an element of a drawing description (types/
 * primitives.h), or a hatched (136) or two-colour pattern (138) fill, which
 * a kind's image holds alone or within a set (147). */
MAPAPI LONG WINAPI mapSetRscObjectImage(HRSC hRsc, LONG incode, LONG length, LONG function,
                                        const char* parameters);
MAPAPI LONG WINAPI mapSetRscPrintObjectImage(HRSC hRsc, LONG incode, LONG length,
                                             LONG function, const char* parameters);
/* Adds an element to a kind's image (which becomes a set); `length` is the
 * size of the element's parameters. */
MAPAPI LONG WINAPI mapAppendRscObjectPrimitive(HRSC hRsc, LONG incode, LONG length,
                                               LONG primitive, const char* parameters,
                                               LONG print);
/* The size of a sign given by its function and parameters; `value` is the
 * text a text sign is measured with. */
MAPAPI LONG WINAPI mapGetRscImageSize(HRSC hRsc, LONG function, const char* parameters,
                                      const char* value, IMAGESIZE* size);
/* The corners of a sign turned by an angle (radians). */
MAPAPI LONG WINAPI mapGetRscMarkFrame(HRSC hRsc, LONG function, const char* parameters,
                                      double angle, IMAGEFRAME* frame);

/* --- Semantics ----------------------------------------------------------- */

/* A new semantic; its code. */
MAPAPI LONG WINAPI mapAppendRscSemantic(HRSC hRsc, RSCSEMANTIC* semantic);
MAPAPI LONG WINAPI mapAppendRscSemanticEx(HRSC hRsc, RSCSEMANTICEX* semantic);
/* Changes semantic `code` (drop 1: drops its value list); the code. */
MAPAPI LONG WINAPI mapUpdateRscSemantic(HRSC hRsc, RSCSEMANTIC* semantic, LONG code,
                                        LONG drop);
MAPAPI LONG WINAPI mapUpdateRscSemanticEx(HRSC hRsc, RSCSEMANTICEX* semantic, LONG code,
                                          LONG drop);
MAPAPI LONG WINAPI mapDeleteRscSemantic(HRSC hRsc, LONG code);
MAPAPI LONG WINAPI mapRscSemanticDescribe(HRSC hRsc, RSCSEMANTIC* semantic, LONG code);
MAPAPI LONG WINAPI mapGetRscSemantic(HRSC hRsc, RSCSEMANTIC* semantic, LONG code);
MAPAPI LONG WINAPI mapGetRscSemanticEx(HRSC hRsc, RSCSEMANTICLONG* semantic, LONG code);
MAPAPI LONG WINAPI mapGetRscSemanticExByCode(HRSC hRsc, RSCSEMANTICEX* semantic, LONG code);
/* How many kinds may carry, must carry, or are chosen by a semantic. */
MAPAPI LONG WINAPI mapGetRscApplySemantic(HRSC hRsc, LONG code, LONG* possible, LONG* must,
                                          LONG* limit);
MAPAPI LONG WINAPI mapRscSemanticAmount(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscSemanticCount(HRSC hRsc);
/* The n-th semantic (from 1). */
MAPAPI LONG WINAPI mapRscSemanticCodeByNumber(HRSC hRsc, LONG n);
MAPAPI LONG WINAPI mapGetRscSemanticCodeByNumber(HRSC hRsc, LONG n);
MAPAPI const char* WINAPI mapRscSemanticNameByNumber(HRSC hRsc, LONG n);
MAPAPI const char* WINAPI mapGetRscSemanticNameByNumber(HRSC hRsc, LONG n);
MAPAPI LONG WINAPI mapGetRscSemanticByShortName(HRSC hRsc, const char* name);
MAPAPI LONG WINAPI mapGetRscSemanticByKey(HRSC hRsc, const char* key);
MAPAPI const char* WINAPI mapGetRscSemanticShortName(HRSC hRsc, LONG code);
MAPAPI const char* WINAPI mapGetRscSemanticKey(HRSC hRsc, LONG code);
MAPAPI LONG WINAPI mapSetRscSemanticShortName(HRSC hRsc, LONG code, const char* name);
MAPAPI LONG WINAPI mapSetRscSemanticKey(HRSC hRsc, LONG code, const char* key);
/* 0 a string, 1 a number, 16 a value of a list, others as stored. */
MAPAPI LONG WINAPI mapRscSemanticTypeByCode(HRSC hRsc, LONG code);
MAPAPI LONG WINAPI mapGetRscSemanticTypeByCode(HRSC hRsc, LONG code);
MAPAPI LONG WINAPI mapSetRscSemanticDecimal(HRSC hRsc, LONG code, LONG size, LONG decimals);
/* The value list of a semantic (n from 1). */
MAPAPI LONG WINAPI mapRscSemanticClassificatorCount(HRSC hRsc, LONG code);
MAPAPI LONG WINAPI mapGetRscSemanticClassificatorCount(HRSC hRsc, LONG code);
MAPAPI const char* WINAPI mapRscSemanticClassificatorName(HRSC hRsc, LONG code, LONG n);
MAPAPI const char* WINAPI mapGetRscSemanticClassificatorName(HRSC hRsc, LONG code, LONG n);
MAPAPI LONG WINAPI mapRscSemanticClassificatorCode(HRSC hRsc, LONG code, LONG n);
MAPAPI LONG WINAPI mapGetRscSemanticClassificatorCode(HRSC hRsc, LONG code, LONG n);
/* Adds a value with its name; the new value count. */
MAPAPI LONG WINAPI mapAppendRscClassificator(HRSC hRsc, LONG code, LONG value,
                                             const char* name);
MAPAPI LONG WINAPI mapUpdateRscClassificatorName(HRSC hRsc, LONG code, LONG n,
                                                 const char* name);
/* The semantics of a kind by kind of use: 1 possible, 2 obligatory, 3 series
 * limits, 4 obligatory then possible; code i from 1. */
MAPAPI LONG WINAPI mapGetRscSemanticObjectCount(HRSC hRsc, LONG incode, LONG use);
MAPAPI LONG WINAPI mapGetRscSemanticObjectCode(HRSC hRsc, LONG incode, LONG i, LONG use);
/* 0 not used, 1 possible, 2 obligatory, 3 a series limit. */
MAPAPI LONG WINAPI mapGetRscSemanticObjectUsed(HRSC hRsc, LONG incode, LONG code);
/* Adds a semantic to a kind as possible (use 1) or obligatory (use 2);
 * changes the use of one the kind has. */
MAPAPI LONG WINAPI mapAppendRscSemanticObject(HRSC hRsc, LONG incode, LONG code, LONG use);
MAPAPI LONG WINAPI mapEnableRscSemantic(HRSC hRsc, LONG incode, LONG code, LONG use);
MAPAPI LONG WINAPI mapUpdateRscSemanticObject(HRSC hRsc, LONG incode, LONG code, LONG use);
/* Removes a semantic from a kind (not a series limit). */
MAPAPI LONG WINAPI mapDeleteRscSemanticObject(HRSC hRsc, LONG incode, LONG code);

/* --- Colours and fonts -------------------------------------------------- */

MAPAPI LONG WINAPI mapGetRscColorCount(HRSC hRsc);
MAPAPI LONG WINAPI mapGetRscPaletteCount(HRSC hRsc);
MAPAPI const char* WINAPI mapGetRscPaletteName(HRSC hRsc, LONG palette);
/* Colour `color` (from 1) of palette `palette` (from 1). */
MAPAPI COLORREF WINAPI mapGetRscColor(HRSC hRsc, LONG color, LONG palette);
MAPAPI LONG WINAPI mapSetRscColor(HRSC hRsc, COLORREF value, LONG color, LONG palette);
/* Fonts by place n (from 1); a font's place by its code. */
MAPAPI LONG WINAPI mapGetFontCount(HRSC hRsc);
MAPAPI LONG WINAPI mapGetFontCode(HRSC hRsc, LONG n);
/* A font of that face and character set, appended when missing; its code. */
MAPAPI LONG WINAPI mapAppendFont(HRSC hRsc, RSCFONT* font);
MAPAPI LONG WINAPI mapReplaceFont(HRSC hRsc, LONG n, RSCFONT* font);
MAPAPI LONG WINAPI mapGetFont(HRSC hRsc, LONG n, RSCFONT* font);
MAPAPI LONG WINAPI mapGetFontByCode(HRSC hRsc, LONG code, RSCFONT* font);

#endif
