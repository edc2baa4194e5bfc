// Code-page conversion of texts.
#include "api/codepage_api.h"

MAPAPI char* WINAPI mapDos2Win(char* text, int length) { return Text2Win(text, length); }
