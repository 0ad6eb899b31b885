# Installs the build into a fresh prefix outside the build tree and runs the installed
# program from yet another folder: it must find its libraries, its module and its report
# definitions under the prefix alone, and create the demo database in the user's data folder.
# The test programs (the scenario driver, Qt Test) stay out of the installation.
# cmake -DBUILD_DIR=... -DVERSION=... -P check_installed.cmake
string(RANDOM LENGTH 8 suffix)
set(root "$ENV{TMPDIR}")
if(NOT root)
  set(root /tmp)
endif()
set(root "${root}/klx-installed-${suffix}")
set(prefix "${root}/prefix")
file(MAKE_DIRECTORY "${root}/work")

function(fail message)
  file(REMOVE_RECURSE "${root}")
  message(FATAL_ERROR "${message}")
endfunction()

execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE code OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT code EQUAL 0)
  fail("cmake --install failed: ${errors}")
endif()

execute_process(COMMAND ldd "${prefix}/bin/klx" OUTPUT_VARIABLE libraries)
string(FIND "${libraries}" "not found" missing)
if(NOT missing EQUAL -1)
  fail("an installed library is not found:\n${libraries}")
endif()
foreach(library klxcore klxreport klxwidgets)
  string(FIND "${libraries}" "lib${library}.so => ${prefix}/" inPrefix)
  if(inPrefix EQUAL -1)
    fail("lib${library}.so is not taken from the prefix:\n${libraries}")
  endif()
endforeach()
# Qt Test is the scenario driver's, a program of the tests that is not installed.
string(FIND "${libraries}" "libQt6Test" qtTest)
if(NOT qtTest EQUAL -1)
  fail("the installed klx links Qt Test:\n${libraries}")
endif()
if(EXISTS "${prefix}/bin/klx-scenario")
  fail("the scenario driver was installed")
endif()

execute_process(COMMAND "${prefix}/bin/klx" --version OUTPUT_VARIABLE version)
if(NOT version STREQUAL "klx ${VERSION}\n")
  fail("klx --version printed '${version}'")
endif()

set(ENV{XDG_DATA_HOME} "${root}/data")
set(ENV{XDG_CONFIG_HOME} "${root}/config")
set(ENV{KLX_SYSTEM_CONFIG} "${root}/no-system.ini")
set(ENV{QT_QPA_PLATFORM} offscreen)
unset(ENV{KLX_MODULE_DIR})
execute_process(COMMAND "${prefix}/bin/klx" report --report 1 --output cheques.pdf
                WORKING_DIRECTORY "${root}/work" RESULT_VARIABLE code OUTPUT_VARIABLE output
                ERROR_VARIABLE errors)
if(NOT code EQUAL 0)
  fail("the installed klx report failed (${code}): ${output}${errors}")
endif()
file(READ "${root}/work/cheques.pdf" head LIMIT 8)
if(NOT head MATCHES "^%PDF-")
  fail("the installed klx report wrote no PDF")
endif()
if(NOT EXISTS "${root}/data/klx/klx-demo.sqlite")
  fail("the demo database is not in the user's data folder")
endif()

file(REMOVE_RECURSE "${root}")
