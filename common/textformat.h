// Numbers, dates, times, scales, object keys and file names as the host
// shows and types them: conversions between a value and a text in a fixed
// format. Texts are code page 1251.
#pragma once

#include <cstdint>

#include "platform/win_types.h"
#include "types/geotypes.h"

// Dates are yyyymmdd: from "dd/mm/yyyy", "yyyy/mm/dd" (or with '.'), or a
// plain number; 0 for one separator without a second of the same kind.
LONG DateToLong(const char* text);
// "%02i/%02i/%04i" (day, month, year): 1, 0 for no buffer or a size below 11.
int LongToDate(LONG date, char* buffer, int size);
// Times are hhmmss: from "hh:mm:ss" or a plain number.
LONG TimeToLong(const char* text);
// "%02i:%02i:%02i": 1, 0 for no buffer or a size below 9.
int LongToTime(LONG time, char* buffer, int size);

// Degrees as a decimal number, or with the degree sign (byte 0xB0), minute
// sign (') and second sign ("), to radians; 0 for an empty text.
double AngleToRadian(const char* text);
// The angle's size in whole degrees (modulo 360), whole minutes and
// seconds (stored as a float; within 0.0001 of 60 they round up into the
// next minute), and its sign (-1 or 1). Beyond 10000 degrees, or not a
// number, all zero with sign 1.
void RadianToSignDegree(double radians, SIGNDEGREE* out);
// The same without the sign: every field of a negative angle is negative
// (or zero).
void RadianToDegree(double radians, DEGREE* out);
// The angle of RadianToSignDegree as "%i\xB0%02i'%0.2f\"", with a '-' for
// a negative angle, cut to the buffer: 1, 0 for no buffer or a size below
// 15.
int RadianToAngle(double radians, char* buffer, int size);

// Signed decimal with a blank after every third character from the right
// (the minus sign counts): 1, 0 for no buffer or a size below 16 (32 for
// the 64-bit form).
int LongToGroupedString(LONG value, char* buffer, int size);
int Int64ToGroupedString(int64_t value, char* buffer, int size);
// "1 : 25 000" for 25000, "4 : 1" for 0.25 (the scale kept within 0.0001
// and 999999999): 1, 0 for no buffer or a size below 16.
int ScaleToString(double scale, char* buffer, int size);

// Object keys: format 2 one decimal number, 1 the high and low halves with
// a slash between, 0 the library's current format.
int ObjectKeyFormatGet();
// Stores 2 for 2, else 1; returns what it stored.
int ObjectKeyFormatSet(int format);
// 1, 0 for no buffer or a size below 12.
int ObjectKeyToString(DWORD key, char* buffer, int size, int format);
// 1 with the key, 0 for an empty or malformed text.
int StringToObjectKey(const char* text, DWORD* key);

// The path shortened to at most size - 1 characters, keeping the name and
// as much of the rest as fits with "..\" in place of what is cut: the
// buffer, null for a missing argument or a size below 4.
char* PathToShort(const char* path, char* buffer, int size);
// The name past the base's folder when the name's folder begins with it
// (without regard to case), else the name; null for a null argument.
const char* BuildShortName(const char* base, const char* name);
// A name with a drive, or beginning with two backslashes, as it is; else
// the base's drive and folder followed by the name (without a leading
// '.'), at most 259 characters: out, null for a missing argument.
char* BuildLongName(const char* base, const char* name, char* out);
