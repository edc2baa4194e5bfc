# Shared settings of the project's targets.

# Warnings and text encoding of our own code. Texts stored in files and shown
# to the user are code page 1251: string literals are compiled into CP1251.
function(mc_target_options target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror
    -fexec-charset=CP1251
    -fno-strict-aliasing)
  target_compile_definitions(${target} PRIVATE MAPCORE_BUILD=1)
endfunction()

# One static library per source folder: every .cpp of the folder, the folder's
# parent on the include path, and the given dependencies.
function(mc_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(_src)
    add_library(${name} STATIC ${_src})
  else()
    add_library(${name} STATIC ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM})
  mc_target_options(${name})
endfunction()

# The folder libraries, lowest first; the shared library takes them all.
set(MAPCORE_FOLDER_LIBS
  mc_platform mc_text mc_gdi mc_common mc_geodesy mc_rastercodec mc_groups mc_records mc_classifier mc_mapstore mc_objects
  mc_drawing mc_selection mc_geometry mc_raster mc_document
  CACHE INTERNAL "")
