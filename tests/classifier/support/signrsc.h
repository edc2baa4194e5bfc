// A classifier the library makes itself, with a kind drawn by each sign
// that carries lengths and counts of its own, and the damages a file of it
// can carry: a sign claiming far more than its record holds.
//
// The classifier is created, given its kinds and saved through TMapRsc
// alone; the damages change two bytes of the saved file each, at offsets
// found from the file's own header and records. Fuzz seeds start from the
// same bytes.
#pragma once

#include <cstddef>
#include <string>

#include "support/rscbuilder.h"

namespace rsctest {

struct SignClassifier {
  Bytes bytes;           // the saved file
  int bitmapKind = 0;    // a point kind drawn by its layered bitmap sign (143)
  int vectorKind = 0;    // a vector kind drawn by its vector sign (149)
  size_t bitmapAt = 0;   // file offsets of their parameters
  size_t vectorAt = 0;
};

// Creates the classifier at `path` (the 16 default colours, the default
// images of a point and a vector kind), saves it and reads it back into
// `out`; false when any step fails.
bool MakeSignClassifier(const std::string& path, SignClassifier* out);

// The file offset of the parameters of kind `n`'s screen image, 0 when
// the file has none.
size_t ImageParamsAt(const Bytes& file, int n);

// Two bytes changed: the bitmap sign's own length becomes 65,688 (of 152)
// and its layer count 257 (of 1): its layers run far past the file.
void DamageBitmapSign(SignClassifier* c);
// Two bytes changed: the vector sign's own length becomes 65,624 (of 88)
// and its first subject's parameter length 65,288 (of 8): its point count
// lies far past the file.
void DamageVectorSign(SignClassifier* c);

}  // namespace rsctest
