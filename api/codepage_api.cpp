// Code-page conversion of texts.
#include "api/codepage_api.h"

#include "common/codepage.h"

MAPAPI char* WINAPI Win2Dos(char* text, int length) { return cpWin2Dos(text, length); }
MAPAPI char* WINAPI Ansi2Dos(char* text, int length) { return cpAnsi2Dos(text, length); }
MAPAPI char* WINAPI Dos2Win(char* text, int length) { return cpDos2Win(text, length); }
MAPAPI char* WINAPI Text2Win(char* text, int length) { return cpText2Win(text, length); }
MAPAPI char* WINAPI Koi82Win(char* text, int length) { return cpKoi82Win(text, length); }
MAPAPI char* WINAPI mapDos2Win(char* text, int length) { return cpText2Win(text, length); }
