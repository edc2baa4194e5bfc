// Sign images of the classifier.
#include "api/rscimage_api.h"

#include "classifier/imageedit.h"

MAPAPI int WINAPI mapGetVectorSize(IMGVECTOREX* image, IMAGESIZE* size, char* semantics) {
  return rscGetVectorSize(image, size, semantics);
}
