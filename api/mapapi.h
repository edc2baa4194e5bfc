/* The library's exported C interface, as a host program sees it: every
 * family of functions with the types, records and error codes they use.
 * Plain C99 and C++. The exported classes have C++ headers of their own
 * (for example "mapstore/map.h", "classifier/maprsc.h").
 *
 * Threads: one map is used from one thread at a time, and the library's
 * painting, messages and fonts serve every document, so a host makes one
 * call into the library at a time (README, "Threads"). */
#ifndef MAPCORE_API_MAPAPI_H
#define MAPCORE_API_MAPAPI_H

#include "types/maptypes.h"
#include "types/maperr.h"
#include "types/hosttypes.h"
#include "types/selecttypes.h"

#include "api/messages_api.h"
#include "api/host_api.h"
#include "api/codepage_api.h"
#include "api/codec_api.h"
#include "api/common_api.h"
#include "api/records_api.h"
#include "api/rscimage_api.h"
#include "api/rsc_api.h"
#include "api/mapstore_api.h"
#include "api/mapfiles_api.h"
#include "api/utility_api.h"
#include "api/map_api.h"
#include "api/drawing_api.h"
#include "api/imagelib_api.h"
#include "api/document_api.h"
#include "api/view_api.h"
#include "api/info_api.h"
#include "api/coord_api.h"
#include "api/objgroup_api.h"
#include "api/objgeom_api.h"
#include "api/mtr_api.h"
#include "api/mtl_api.h"
#include "api/mtr3d_api.h"
#include "api/objmetric_api.h"
#include "api/objsem_api.h"
#include "api/rst_api.h"
#include "api/object_api.h"
#include "api/select_api.h"
#include "api/seek_api.h"
#include "api/objset_api.h"
#include "api/site_api.h"
#include "api/sitebuild_api.h"
#include "api/legend_api.h"

#endif
