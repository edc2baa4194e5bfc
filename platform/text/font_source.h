// Where font files come from: the built-in face table over the system font
// folders, the folders a host adds, and an index of family names of the
// installed files. Internal to the text engine (and its tests).
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>
#include <string>
#include <vector>

#include "platform/text/font_types.h"

namespace plat::text {

// A face inside a font file.
struct FaceFile {
  std::string path;  // empty: none found
  int index = 0;     // face index inside a collection
};

// Finds the best file for a face name and style: the built-in table, then the
// host's folders and the installed families by name, then the default face.
FaceFile FindFaceFile(const char* faceName, bool bold, bool italic);

// The default face (DejaVu Sans, else Liberation Sans, else any installed
// file) in the style nearest to the one asked for.
FaceFile FindDefaultFaceFile(bool bold, bool italic);

// Adds a host font folder (see AddFontFolder).
void AddFontSourceFolder(const char* folder);

// Replaces the system font folders (by default /usr/share/fonts) and forgets
// the host folders; an empty list restores the default. Used by tests to
// simulate machines with fewer fonts. Clears the font cache.
void SetSystemFontRoots(const std::vector<std::string>& roots);

// The process's FreeType library (never destroyed) and the lock that guards
// face creation and destruction on it.
FT_Library FreeTypeLibrary();
std::mutex& FreeTypeMutex();

// Drops every cached font that no caller holds (text_engine.cpp).
void ClearFontCache();

}  // namespace plat::text
