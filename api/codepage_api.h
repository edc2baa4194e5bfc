// Code-page conversion of texts, as a host program sees it.
#pragma once

#include "common/codepage.h"
#include "platform/export.h"

// A text in code page 866 converted in place to code page 1251 (always,
// without taking Latin letters for Cyrillic ones); returns the text.
MAPAPI char* WINAPI mapDos2Win(char* text, int length);
