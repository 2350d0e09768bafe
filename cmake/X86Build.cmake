# The 32-bit sub-build: this source tree again, configured with the i686
# toolchain and TESSARY_X86 on, in build/x86. It writes its outputs straight
# into this build's folders. It is built every time (its own make decides
# what is out of date, in about a second when nothing is) and links no
# LevelDB: only the add-ons and the 32-bit tab's fixtures are in it.
include(ExternalProject)

set(TESSARY_X86_ADDONS ${TESSARY_BIN_DIR}/pagelet32.dll ${TESSARY_BIN_DIR}/barlet32.dll)
set(_x86_fixtures_dir ${CMAKE_BINARY_DIR}/tests/fixtures)
set(_x86_byproducts ${TESSARY_X86_ADDONS})
if(TESSARY_BUILD_TESTS)
  list(APPEND _x86_byproducts
       ${_x86_fixtures_dir}/webbrowser_standin32.dll
       ${_x86_fixtures_dir}/shellwindows_standin32.dll
       ${_x86_fixtures_dir}/iexplore32/IEXPLORE.EXE
       ${_x86_fixtures_dir}/testhelper32.dll
       ${_x86_fixtures_dir}/testband32.dll
       ${CMAKE_BINARY_DIR}/bench/callback_floor32.exe)
endif()

ExternalProject_Add(x86
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/x86
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DTESSARY_X86=ON
             -DTESSARY_BUILD_TESTS=${TESSARY_BUILD_TESTS}
             -DTESSARY_OUTPUT_ROOT=${CMAKE_BINARY_DIR}
  BUILD_ALWAYS TRUE
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${_x86_byproducts})
