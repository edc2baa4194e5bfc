// Where the counts, lengths, offsets, record boundaries and stored names of
// each file kind of a map lie, found in the intact files of a map folder.
// The offsets are written here field by field (independent of the library's
// own record declarations) so that a change of a record there does not move
// what the fuzz test damages.
#pragma once

#include <string>

#include "support/mapfixture.h"
#include "support/mutator.h"

namespace fuzz {

// The layout with only the boundaries inside the bytes, once each, in
// order, and only the fields that lie wholly inside them.
Layout Finish(Layout layout, const std::string& bytes);

// A layout finder: the layout of file `name` of the folder's files.
typedef Layout (*LayoutFinder)(const Files& files, const std::string& name);

Layout RscLayout(const Files& files, const std::string& name);   // classifier
Layout MapLayout(const Files& files, const std::string& name);   // passport, sheet and key tables
Layout HdrLayout(const Files& files, const std::string& name);   // descriptor file
Layout DatLayout(const Files& files, const std::string& name);   // metric file
Layout SemLayout(const Files& files, const std::string& name);   // semantics file
Layout GraLayout(const Files& files, const std::string& name);   // graphics file
Layout GdxLayout(const Files& files, const std::string& name);   // group file
Layout TacLayout(const Files& files, const std::string& name);   // journal
Layout TextLayout(const Files& files, const std::string& name);  // text log (lines only)
// A backup file of a sheet's object copies (".^HD" copies as descriptors,
// ".^DA", ".^SE", ".^GR" the records they point at).
Layout BackLayout(const Files& files, const std::string& name);
// A blocked raster or matrix: header, areas, block table, reduced copies
// and the layer block of a layer matrix.
Layout RmfLayout(const Files& files, const std::string& name);

}  // namespace fuzz
