// Conversion of texts between the Cyrillic code pages the library meets:
// DOS (866) and KOI-8 texts of older files, and the Windows code page (1251)
// the library works in.
//
// Every function converts in place and returns the text. It stops at the
// first zero byte or after `length` bytes, whichever comes first; a null
// text is returned unchanged. The tables follow the standard mappings,
// except that characters the target page lacks become look-alikes.
#pragma once

// 1251 to 866; only when the text holds a byte above 127.
char* cpWin2Dos(char* text, int length);
// The same conversion as cpWin2Dos.
char* cpAnsi2Dos(char* text, int length);
// 866 to 1251, and the Latin letters that look like Cyrillic ones become
// Cyrillic; only when the text holds a byte above 127.
char* cpDos2Win(char* text, int length);
// 866 to 1251, always; bytes below 128 stay as they are.
char* cpText2Win(char* text, int length);
// KOI-8 to 1251, always.
char* cpKoi82Win(char* text, int length);

// A code-page-1251 byte folded for comparisons without case: the Latin
// letters a-z and the Cyrillic letters 0xE0-0xFF become their capitals
// (A-Z, 0xC0-0xDF); every other byte stays as it is.
inline unsigned char FoldCase1251(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || c >= 0xE0) return static_cast<unsigned char>(c - 0x20);
  return c;
}
