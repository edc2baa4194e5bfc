# Shared settings of the project's targets.

# Warnings and text encoding of our own code. Texts stored in files and shown
# to the user are code page 1251: string literals are compiled into CP1251.
# The exported classes' members are not meant to be replaced by a host at
# load time, so calls between them may be inlined like any other.
# The fuzz build compiles with clang, which has no -fexec-charset but
# UTF-8: its texts (the messages in Russian) stay UTF-8, and warnings that
# only clang gives do not stop it.
function(mc_target_options target)
  if(MAPCORE_FUZZ)
    set(_charset -Wno-error)
  else()
    set(_charset -fexec-charset=CP1251)
  endif()
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror
    ${_charset}
    -fno-strict-aliasing
    -fno-semantic-interposition)
  target_compile_definitions(${target} PRIVATE MAPCORE_BUILD=1)
endfunction()

# The objects of the library itself. In the Release build they carry debug
# information (-g leaves the code as it is): the binary interface check
# reads the exported classes' layouts from it (scripts/check-abi). Their
# sources are named there relative to the source tree, so that the record
# of the interface is the same whatever folder the tree was built in.
function(mc_library_options target)
  mc_target_options(${target})
  target_compile_options(${target} PRIVATE
    $<$<CONFIG:Release>:-g -fdebug-prefix-map=${PROJECT_SOURCE_DIR}/=>)
endfunction()

# The folder libraries in the order of the layer table, lowest first, and
# the table itself as plain lines "folder target uses..." for the
# source-rules test.
set(MAPCORE_FOLDER_LIBS "" CACHE INTERNAL "")
set_property(GLOBAL PROPERTY MAPCORE_LAYER_LINES "")

# One layer of cmake/layers.cmake: a static library of every .cpp of the
# folder, the project root on the include path, linked with the layers it
# uses and its system libraries.
function(mc_layer name folder)
  cmake_parse_arguments(ARG "" "" "USES;SYSTEM" ${ARGN})
  foreach(_dep ${ARG_USES})
    if(NOT _dep IN_LIST MAPCORE_FOLDER_LIBS)
      message(FATAL_ERROR "layer ${name} uses ${_dep}, which is not a layer below it")
    endif()
  endforeach()
  file(GLOB _src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  if(_src)
    add_library(${name} STATIC ${_src})
  else()
    add_library(${name} STATIC ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_USES} ${ARG_SYSTEM})
  mc_library_options(${name})
  set(MAPCORE_FOLDER_LIBS ${MAPCORE_FOLDER_LIBS} ${name} CACHE INTERNAL "")
  string(JOIN " " _line ${folder} ${name} ${ARG_USES})
  set_property(GLOBAL APPEND_STRING PROPERTY MAPCORE_LAYER_LINES "${_line}\n")
endfunction()
