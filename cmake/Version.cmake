# The product's version, kept in one place: the file VERSION at the top of the
# repository. It feeds the version resources of the three deliverables
# (generated/TessaryVersion.h), the extension's config.xml and the installer.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION TESSARY_VERSION LIMIT_COUNT 1)
string(STRIP "${TESSARY_VERSION}" TESSARY_VERSION)
# The form the updater compares: up to four decimal parts, each fitting a
# version resource's 16-bit field.
if(NOT TESSARY_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
  message(FATAL_ERROR "VERSION must be one to four decimal numbers separated by dots, not \"${TESSARY_VERSION}\"")
endif()
string(REPLACE "." ";" _parts "${TESSARY_VERSION}")
foreach(_part ${_parts})
  if(_part GREATER 65535)
    message(FATAL_ERROR "VERSION part ${_part} does not fit a version resource (at most 65535)")
  endif()
endforeach()

# tessary_version_four(<version> <separator> <out>): the version with all four
# parts, missing ones as 0, as version resources and Windows installers want it.
function(tessary_version_four version separator out)
  string(REPLACE "." ";" _parts "${version}")
  list(LENGTH _parts _count)
  while(_count LESS 4)
    list(APPEND _parts 0)
    math(EXPR _count "${_count} + 1")
  endwhile()
  string(REPLACE ";" "${separator}" _joined "${_parts}")
  set(${out} ${_joined} PARENT_SCOPE)
endfunction()
tessary_version_four(${TESSARY_VERSION} "," TESSARY_VERSION_COMMAS)

set(TESSARY_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/TessaryVersion.h.in ${TESSARY_GENERATED_DIR}/TessaryVersion.h @ONLY)
set(TESSARY_VERSION_HEADER ${TESSARY_GENERATED_DIR}/TessaryVersion.h)
include_directories(${TESSARY_GENERATED_DIR})
