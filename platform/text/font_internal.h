// Internal queries on realised fonts, for the engine's own tests and tools.
#pragma once

#include <cstddef>
#include <string>

#include "platform/text/text_engine.h"

namespace plat::text {

// The font file the font was realised from; empty for the null font (no font
// file was found at all).
const std::string& FontFilePath(const Font& font);

// Whether bold or italic is synthesised because the face lacks the style.
bool FontSynthesisesBold(const Font& font);
bool FontSynthesisesItalic(const Font& font);

// Whether two fonts are drawn from one realised face (fonts that differ only
// in escapement and orientation are).
bool FontsShareFace(const Font& a, const Font& b);

// Bytes held by the cache of turned glyphs over all faces.
size_t TurnedGlyphBytes();

// Limits of that cache: bytes per face and over all faces; past them a face
// drops its turned glyphs. 0 restores a default.
void SetTurnedGlyphLimits(size_t perFace, size_t total);

}  // namespace plat::text
