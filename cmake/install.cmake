# What an install tree of the library holds, so that a host program builds
# against it alone:
#   lib/libmapcore.so*               the shared library, versioned
#   include/mapcore/api/...          the C interface and its public types
#   include/mapcore/<folder>/...     the headers of the exported classes and
#                                    the project headers they include
#   lib/cmake/mapcore/               find_package(mapcore): mapcore::mapcore
#   lib/pkgconfig/mapcore.pc         pkg-config --cflags --libs mapcore
# A host puts include/mapcore on its include path, so that the include lines
# of the source tree ("api/mapapi.h", "mapstore/map.h") work unchanged.
# Only the shared library is installed: tests, benchmarks and examples are
# not needed for it.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MAPCORE_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/mapcore)
set(MAPCORE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/mapcore)

# mc_public_headers(<var>): the headers an install tree carries, as paths
# below the project folder. They are the C headers of api/ and types/,
# every header of a layer folder that declares an exported class
# (class MAPCLASS or struct MAPCLASS), and every project header these
# include, followed through their include lines. Include lines name files
# from the project folder ("platform/export.h"); a name not found there is
# taken relative to the including header. Each header read is a configure
# dependency, so a new class or a new include line is picked up by the
# next build.
function(mc_public_headers out)
  set(_root ${PROJECT_SOURCE_DIR})
  file(GLOB _todo RELATIVE ${_root} CONFIGURE_DEPENDS ${_root}/api/*.h ${_root}/types/*.h)

  get_property(_lines GLOBAL PROPERTY MAPCORE_LAYER_LINES)
  string(REPLACE "\n" ";" _lines "${_lines}")
  set(_scanned "")
  foreach(_line IN LISTS _lines)
    string(REGEX MATCH "^[^ ]+" _folder "${_line}")
    if(NOT _folder)
      continue()
    endif()
    file(GLOB _headers RELATIVE ${_root} CONFIGURE_DEPENDS ${_root}/${_folder}/*.h)
    foreach(_h IN LISTS _headers)
      list(APPEND _scanned ${_root}/${_h})
      file(STRINGS ${_root}/${_h} _class REGEX "^[ \t]*(class|struct)[ \t]+MAPCLASS[ \t]")
      if(_class)
        list(APPEND _todo ${_h})
      endif()
    endforeach()
  endforeach()

  set(_found "")
  while(_todo)
    list(POP_FRONT _todo _h)
    if(_h IN_LIST _found)
      continue()
    endif()
    list(APPEND _found ${_h})
    list(APPEND _scanned ${_root}/${_h})
    get_filename_component(_dir ${_h} DIRECTORY)
    file(STRINGS ${_root}/${_h} _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(_line IN LISTS _includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" _name "${_line}")
      if(EXISTS ${_root}/${_name} AND NOT IS_DIRECTORY ${_root}/${_name})
        list(APPEND _todo ${_name})
      elseif(_dir AND EXISTS ${_root}/${_dir}/${_name})
        cmake_path(SET _path NORMALIZE "${_dir}/${_name}")
        list(APPEND _todo ${_path})
      else()
        message(FATAL_ERROR "public header ${_h} includes \"${_name}\", which is no project file")
      endif()
    endforeach()
  endwhile()

  list(REMOVE_DUPLICATES _scanned)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_scanned})
  list(SORT _found)
  set(${out} ${_found} PARENT_SCOPE)
endfunction()

# The library, its link name and its versioned names.
install(TARGETS mapcore EXPORT mapcoreTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${MAPCORE_INSTALL_INCLUDEDIR})

# The headers, each into the folder it has in the source tree. The list is
# also written to the build folder for a look at what a host receives.
mc_public_headers(MAPCORE_PUBLIC_HEADERS)
foreach(_h IN LISTS MAPCORE_PUBLIC_HEADERS)
  get_filename_component(_dir ${_h} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${_h} DESTINATION ${MAPCORE_INSTALL_INCLUDEDIR}/${_dir})
endforeach()
list(JOIN MAPCORE_PUBLIC_HEADERS "\n" _text)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/public_headers.txt CONTENT "${_text}\n")

# The CMake package: mapcore::mapcore with the include folder above, and a
# version file. A host that asks for 1.x accepts any 1.y with y >= x, and no
# other major version, as the library's SONAME does.
install(EXPORT mapcoreTargets
  NAMESPACE mapcore::
  FILE mapcoreTargets.cmake
  DESTINATION ${MAPCORE_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/mapcoreConfig.cmake.in
  ${PROJECT_BINARY_DIR}/mapcoreConfig.cmake
  INSTALL_DESTINATION ${MAPCORE_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/mapcoreConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/mapcoreConfig.cmake ${PROJECT_BINARY_DIR}/mapcoreConfigVersion.cmake
  DESTINATION ${MAPCORE_INSTALL_CMAKEDIR})

# pkg-config. The prefix is found from the place of mapcore.pc itself, so the
# file is right for any prefix given at install time (cmake --install
# --prefix) and for a tree that is moved.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(MAPCORE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(MAPCORE_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(MAPCORE_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH _up /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" _up "${_up}")
  set(MAPCORE_PC_PREFIX "\${pcfiledir}/${_up}")
  set(MAPCORE_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(MAPCORE_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/mapcore.pc.in ${PROJECT_BINARY_DIR}/mapcore.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mapcore.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
