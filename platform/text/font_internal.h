// Internal queries on realised fonts, for the engine's own tests and tools.
#pragma once

#include <string>

#include "platform/text/text_engine.h"

namespace plat::text {

// The font file the font was realised from; empty for the null font (no font
// file was found at all).
const std::string& FontFilePath(const Font& font);

// Whether bold or italic is synthesised because the face lacks the style.
bool FontSynthesisesBold(const Font& font);
bool FontSynthesisesItalic(const Font& font);

}  // namespace plat::text
