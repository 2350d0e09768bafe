# Run by CTest (cmake -P): source rules that the compiler cannot enforce.
file(GLOB_RECURSE sources
     ${SOURCE_DIR}/common/*.cpp ${SOURCE_DIR}/common/*.h
     ${SOURCE_DIR}/host/*.cpp ${SOURCE_DIR}/host/*.h
     ${SOURCE_DIR}/pagelet/*.cpp ${SOURCE_DIR}/pagelet/*.h
     ${SOURCE_DIR}/barlet/*.cpp ${SOURCE_DIR}/barlet/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
     ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/demo/*.cpp)

# Refuses, with `why`, every line of the sources that matches `regex`.
function(refuse_lines regex why)
  set(offenders)
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "${regex}")
    foreach(line ${lines})
      list(APPEND offenders "${source}: ${line}")
    endforeach()
  endforeach()
  if(offenders)
    list(JOIN offenders "\n" text)
    message(FATAL_ERROR "${why}:\n${text}")
  endif()
endfunction()

# MinGW's ComPtr::Attach adds a reference of its own, unlike the Windows SDK's,
# so an attached reference is never freed; references are adopted through
# Adopt (common/ComPtrAdopt.h). Bstr::Attach is ours and fine.
refuse_lines("[.>]Attach\\(" "ComPtr::Attach leaks with MinGW; use Adopt")

# A header is found through the include folders of the parts a target links,
# never by a path that climbs out of its folder: that would let the host's
# parts depend on each other against the direction their libraries set.
refuse_lines("^#include \"\\.\\." "An include climbs out of its folder; link the part that has the header")

# The product's own rules (common/, host/, pagelet/, barlet/):
# - every worker thread starts through StartWorker (common/WorkerThread), which
#   enters its apartment, leaves it on every way out and keeps exceptions in;
# - every window and dialog procedure runs its body behind MessageBarrier: the
#   first statement after its opening line.
file(GLOB_RECURSE product
     ${SOURCE_DIR}/common/*.cpp ${SOURCE_DIR}/host/*.cpp ${SOURCE_DIR}/pagelet/*.cpp ${SOURCE_DIR}/barlet/*.cpp)
set(threads)
set(procedures)
foreach(source ${product})
  file(STRINGS ${source} lines)
  set(opening "")
  foreach(line IN LISTS lines)
    if(line MATCHES "CreateThread\\(|_beginthreadex\\(|std::thread" AND NOT source MATCHES "/common/WorkerThread\\.cpp$")
      list(APPEND threads "${source}: ${line}")
    endif()
    if(opening AND NOT line MATCHES "^  return MessageBarrier\\(")
      list(APPEND procedures "${source}: ${opening}")
    endif()
    set(opening "")
    if(line MATCHES "^(LRESULT|INT_PTR) CALLBACK .*\\{$")
      set(opening "${line}")
    endif()
  endforeach()
endforeach()

# - every COM method runs its body behind ExceptionBarrier, its first statement:
#   `return ExceptionBarrier(`. IUnknown's three methods are exempt, and so is a
#   body on the method's own line that calls nothing (`{ return E_NOTIMPL; }`).
file(GLOB_RECURSE product_all
     ${SOURCE_DIR}/common/*.cpp ${SOURCE_DIR}/common/*.h ${SOURCE_DIR}/host/*.cpp ${SOURCE_DIR}/host/*.h
     ${SOURCE_DIR}/pagelet/*.cpp ${SOURCE_DIR}/pagelet/*.h ${SOURCE_DIR}/barlet/*.cpp ${SOURCE_DIR}/barlet/*.h)
set(methods)
foreach(source ${product_all})
  file(STRINGS ${source} lines)
  set(signature "")
  set(awaiting "")
  foreach(line IN LISTS lines)
    if(awaiting)
      if(line MATCHES "^ *$")
        continue()
      endif()
      if(NOT line MATCHES "^ *return ExceptionBarrier\\(")
        string(REPLACE ";" "," awaiting "${awaiting}")
        list(APPEND methods "${source}: ${awaiting}")
      endif()
      set(awaiting "")
      continue()
    endif()
    if(NOT signature)
      if(NOT line MATCHES "IFACEMETHODIMP" OR line MATCHES "(QueryInterface|AddRef|Release)\\(")
        continue()
      endif()
      set(signature "${line}")
    endif()
    if(line MATCHES "\\{ *$")
      set(awaiting "${signature}")
      set(signature "")
    elseif(line MATCHES "\\{(.*)\\}")
      if(NOT CMAKE_MATCH_1 MATCHES "^ *(return [^(]*;)? *$")
        string(REPLACE ";" "," signature "${signature}")
        list(APPEND methods "${source}: ${signature}")
      endif()
      set(signature "")
    elseif(line MATCHES ";")
      set(signature "")
    endif()
  endforeach()
endforeach()

if(threads)
  list(JOIN threads "\n" text)
  message(FATAL_ERROR "A thread starts outside StartWorker (common/WorkerThread.h):\n${text}")
endif()
if(procedures)
  list(JOIN procedures "\n" text)
  message(FATAL_ERROR "A window procedure without MessageBarrier (common/ExceptionBarrier.h):\n${text}")
endif()
if(methods)
  list(JOIN methods "\n" text)
  message(FATAL_ERROR "A COM method without ExceptionBarrier (common/ExceptionBarrier.h):\n${text}")
endif()
