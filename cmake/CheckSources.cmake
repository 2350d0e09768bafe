# Run by CTest (cmake -P): source rules that the compiler cannot enforce.
# MinGW's ComPtr::Attach adds a reference of its own, unlike the Windows SDK's,
# so an attached reference is never freed; references are adopted through
# Adopt (common/ComPtrAdopt.h). Bstr::Attach is ours and fine.
file(GLOB_RECURSE sources
     ${SOURCE_DIR}/common/*.cpp ${SOURCE_DIR}/common/*.h
     ${SOURCE_DIR}/host/*.cpp ${SOURCE_DIR}/host/*.h
     ${SOURCE_DIR}/pagelet/*.cpp ${SOURCE_DIR}/pagelet/*.h
     ${SOURCE_DIR}/barlet/*.cpp ${SOURCE_DIR}/barlet/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
     ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/demo/*.cpp)
set(offenders)
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "[.>]Attach\\(")
  foreach(line ${lines})
    list(APPEND offenders "${source}: ${line}")
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n" text)
  message(FATAL_ERROR "ComPtr::Attach leaks with MinGW; use Adopt:\n${text}")
endif()
