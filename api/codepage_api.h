/* Conversion of texts between code pages, as a host program sees it. Every
 * function converts in place and returns the text; it stops at the first
 * zero byte or after `length` bytes; a null text is returned unchanged. */
#ifndef MAPCORE_API_CODEPAGE_API_H
#define MAPCORE_API_CODEPAGE_API_H

#include "types/maptypes.h"

/* 1251 to 866; only when the text holds a byte above 127. */
MAPAPI char* WINAPI Win2Dos(char* text, int length);
/* The same conversion as Win2Dos. */
MAPAPI char* WINAPI Ansi2Dos(char* text, int length);
/* 866 to 1251, and the Latin letters that look like Cyrillic ones become
 * Cyrillic; only when the text holds a byte above 127. */
MAPAPI char* WINAPI Dos2Win(char* text, int length);
/* 866 to 1251, always; bytes below 128 stay as they are. */
MAPAPI char* WINAPI Text2Win(char* text, int length);
/* KOI-8 to 1251, always. */
MAPAPI char* WINAPI Koi82Win(char* text, int length);
/* 866 to 1251, always (without taking Latin letters for Cyrillic ones). */
MAPAPI char* WINAPI mapDos2Win(char* text, int length);

#endif
