/* Sign images of the classifier, as a host program sees them. */
#ifndef MAPCORE_API_RSCIMAGE_API_H
#define MAPCORE_API_RSCIMAGE_API_H

#include "types/signimage.h"

/* Measures a vector sign: anchor offsets, width and height in the sign's
 * units, its base and flags. `semantics` (an object's semantics record, or
 * null) supplies the texts of text subjects that name a semantic code.
 * 0 when the sign or the size is null, else 1. */
MAPAPI int WINAPI mapGetVectorSize(IMGVECTOREX* image, IMAGESIZE* size, char* semantics);

#endif
