// The marginal template every fuzz mutant of that kind starts from, and
// the walk each mutant gets, through the C interface as a host calls it: a
// user map made beside a new main map, the template read onto it around a
// frame (and again turned about the frame's middle), the objects made read
// with their metric and text, the document closed, opened again, the
// objects read once more and the document painted.
//
// "margin.tpl" uses every statement: the frame with its fill and outer
// line, a line, titles (a line break, a byte 255, a long text), an arrow,
// and degree labels on a frame around a whole degree of latitude and
// longitude.
#pragma once

#include <string>

#include "support/mapfixture.h"
#include "support/mutator.h"

namespace fuzz {

constexpr const char* kTemplateFile = "margin.tpl";

// Writes the template into `folder` (ending in '/'); false when it fails.
bool BuildTemplateFixture(const std::string& folder);

// The template's lines, for the text mutations.
Layout TemplateLayout(const Files& files, const std::string& name);

// The report: opened, the main map and the user map were made; kinds, the
// template was read (both times); objects, the objects the user map holds
// then; saved, the document closed; reopened, both maps opened again;
// objectsAfter, the objects read then; host.pictures, the pictures of the
// document painted then that show something. Messages must be off.
WalkReport WalkTemplate(const std::string& path);

}  // namespace fuzz
