// The library language and the host application's folder: library-wide
// settings read by every bilingual text.
#pragma once

enum { MAPLANG_ENGLISH = 1, MAPLANG_RUSSIAN = 2 };

// 1 English (initial) or 2 Russian; every other value reads as English.
void LanguageSet(int language);
int LanguageGet();

// True when the Russian texts are chosen.
inline bool IsRussianLanguage() { return LanguageGet() == MAPLANG_RUSSIAN; }

// Keeps the drive and folder of a file name (up to and including its last
// separator) as the host application's folder; returns nonzero.
int PathShellSet(const char* fileName);
// The folder kept by PathShellSet, "" when never set.
const char* PathShellGet();
