# Third-party libraries for the Windows target. Snappy and LevelDB are built from
# Debian's source packages (fetched by tools/bootstrap.sh into build/deps/src) and
# installed into the build tree once; GoogleTest is built from Debian's sources.
include(ExternalProject)

set(DEPS_SOURCE_DIR "${CMAKE_SOURCE_DIR}/build/deps/src" CACHE PATH
    "Folder holding the Debian source tarballs of leveldb and snappy")
set(DEPS_PREFIX "${CMAKE_BINARY_DIR}/deps/install")

file(GLOB _snappy_tarball "${DEPS_SOURCE_DIR}/snappy_*.orig.tar.*")
file(GLOB _leveldb_tarball "${DEPS_SOURCE_DIR}/leveldb_*.orig.tar.*")
if(NOT _snappy_tarball OR NOT _leveldb_tarball)
  message(FATAL_ERROR "Debian sources of snappy and leveldb are missing in ${DEPS_SOURCE_DIR}; run tools/bootstrap.sh")
endif()

set(_deps_cmake_args
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${DEPS_PREFIX}
    -DBUILD_SHARED_LIBS=OFF)

ExternalProject_Add(snappy_ext
  URL ${_snappy_tarball}
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE
  PREFIX ${CMAKE_BINARY_DIR}/deps/snappy
  CMAKE_ARGS ${_deps_cmake_args}
             -DSNAPPY_BUILD_TESTS=OFF -DSNAPPY_BUILD_BENCHMARKS=OFF
  BUILD_BYPRODUCTS ${DEPS_PREFIX}/lib/libsnappy.a)

# LevelDB's probe for Snappy links a test program against the static library; it
# needs the library folder and the C++ runtime, or Snappy silently drops out.
ExternalProject_Add(leveldb_ext
  URL ${_leveldb_tarball}
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE
  PREFIX ${CMAKE_BINARY_DIR}/deps/leveldb
  DEPENDS snappy_ext
  CMAKE_ARGS ${_deps_cmake_args}
             -DLEVELDB_BUILD_TESTS=OFF -DLEVELDB_BUILD_BENCHMARKS=OFF
             -DCMAKE_REQUIRED_LINK_OPTIONS=-L${DEPS_PREFIX}/lib
             -DCMAKE_REQUIRED_LIBRARIES=stdc++
             -DCMAKE_CXX_FLAGS=-I${DEPS_PREFIX}/include
             "-DCMAKE_EXE_LINKER_FLAGS=-L${DEPS_PREFIX}/lib -static"
  BUILD_BYPRODUCTS ${DEPS_PREFIX}/lib/libleveldb.a)

ExternalProject_Get_Property(leveldb_ext BINARY_DIR)
ExternalProject_Add_Step(leveldb_ext check_snappy
  DEPENDEES configure DEPENDERS build
  COMMAND grep -q "define HAVE_SNAPPY 1" ${BINARY_DIR}/include/port/port_config.h
  COMMENT "Checking that LevelDB was configured with Snappy")

file(MAKE_DIRECTORY ${DEPS_PREFIX}/include)
add_library(Snappy::snappy STATIC IMPORTED GLOBAL)
set_target_properties(Snappy::snappy PROPERTIES IMPORTED_LOCATION ${DEPS_PREFIX}/lib/libsnappy.a)
add_dependencies(Snappy::snappy snappy_ext)

add_library(leveldb::leveldb STATIC IMPORTED GLOBAL)
set_target_properties(leveldb::leveldb PROPERTIES
  IMPORTED_LOCATION ${DEPS_PREFIX}/lib/libleveldb.a
  INTERFACE_INCLUDE_DIRECTORIES ${DEPS_PREFIX}/include
  INTERFACE_LINK_LIBRARIES Snappy::snappy)
add_dependencies(leveldb::leveldb leveldb_ext)

if(TESSARY_BUILD_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/deps/googletest EXCLUDE_FROM_ALL)
endif()
