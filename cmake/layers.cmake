# The layers of the library: the one table of which folder may use which.
#
# Each line is a folder library, lowest first: its target, its folder, the
# targets it may use directly (USES) and the system libraries it links
# (SYSTEM). A folder may include the headers of its own layer and of every
# layer reachable through USES; the build links exactly these edges, and
# the source-rules test rejects any other include. A lower layer that must
# reach a higher one does it through a seam the higher layer registers (an
# observer or a service), never through a new edge up the table.
#
# The shared library (api/) stands above every layer and takes them all;
# the public types it exchanges with a host (types/, plain C headers)
# lie below every layer, so that the library is built on the same
# definitions that a host compiles against.

mc_layer(mc_types      types)
mc_layer(mc_platform   platform       USES mc_types)
mc_layer(mc_text       platform/text  SYSTEM Freetype::Freetype  USES mc_platform)
mc_layer(mc_gdi        platform/gdi   SYSTEM PNG::PNG            USES mc_text)
mc_layer(mc_common     common         USES mc_platform)
mc_layer(mc_devices    devices        USES mc_common mc_gdi)
mc_layer(mc_geodesy    geodesy        USES mc_common)
mc_layer(mc_codec      codec          USES mc_common)
mc_layer(mc_records    records        USES mc_geodesy)
mc_layer(mc_classifier classifier     USES mc_records mc_devices)
mc_layer(mc_groups     groups         USES mc_common)
mc_layer(mc_mapstore   mapstore       USES mc_classifier mc_groups mc_codec)
mc_layer(mc_objects    objects        USES mc_mapstore)
mc_layer(mc_selection  selection      USES mc_objects)
mc_layer(mc_geometry   geometry       USES mc_objects)
mc_layer(mc_drawing    drawing        USES mc_selection mc_geometry)
mc_layer(mc_raster     raster         USES mc_drawing mc_codec)
mc_layer(mc_document   document       USES mc_raster)
mc_layer(mc_search     search         USES mc_document)
