# The framework's libraries link as their layers allow and export a bounded interface: the
# core links no Qt Gui, the report library no Qt Widgets (nor Qt's printing, which brings
# them), neither the libraries above it; and the three export at most EXPORT_BUDGET
# symbols, half of what the one library exported before its internals were hidden (0: not
# counted).
# cmake -DLIBRARY_DIR=... -DEXPORT_BUDGET=... -P check_libraries.cmake
function(needed_of library result)
  execute_process(COMMAND objdump -p "${LIBRARY_DIR}/lib${library}.so"
                  OUTPUT_VARIABLE headers RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "objdump could not read lib${library}.so")
  endif()
  string(REGEX MATCHALL "NEEDED +[^\n]+" lines "${headers}")
  set(${result} "${lines}" PARENT_SCOPE)
endfunction()

function(refuse library)
  needed_of(${library} needed)
  foreach(forbidden ${ARGN})
    if(needed MATCHES "${forbidden}")
      message(FATAL_ERROR "lib${library}.so links ${forbidden}:\n${needed}")
    endif()
  endforeach()
endfunction()

refuse(klxcore libQt6Gui libQt6Widgets libQt6PrintSupport libklxreport libklxwidgets)
refuse(klxreport libQt6Widgets libQt6PrintSupport libklxwidgets)

set(total 0)
foreach(library klxcore klxreport klxwidgets)
  execute_process(COMMAND nm -D --defined-only "${LIBRARY_DIR}/lib${library}.so"
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "nm could not read lib${library}.so")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
  list(LENGTH lines count)
  message(STATUS "lib${library}.so exports ${count} symbols")
  math(EXPR total "${total} + ${count}")
endforeach()
if(EXPORT_BUDGET GREATER 0 AND total GREATER EXPORT_BUDGET)
  message(FATAL_ERROR "the framework's libraries export ${total} symbols, more than "
                      "${EXPORT_BUDGET}: mark only what callers use (KLX_*_EXPORT)")
endif()
