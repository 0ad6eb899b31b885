# Run by CPack after it built the Debian package (CPACK_POST_BUILD_SCRIPTS). CPack adds
# postinst and postrm scripts that call ldconfig whenever the package holds a shared library
# under /usr/lib, and there is no setting that stops it; the package's libraries sit in the
# private folder /usr/lib/klx, which the dynamic loader never searches, so the calls are
# useless. The package is built again without those two scripts, which hold nothing else.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${CPACK_TEMPORARY_DIRECTORY}/without-ldconfig")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    if(EXISTS "${tree}/DEBIAN/${script}")
      file(STRINGS "${tree}/DEBIAN/${script}" lines REGEX "[^ \t]")
      list(FILTER lines EXCLUDE REGEX "^#|^set -e$|ldconfig|^fi$|^if \\[|^exit 0$")
      if(lines)
        message(FATAL_ERROR "${script} does more than call ldconfig: ${lines}")
      endif()
      file(REMOVE "${tree}/DEBIAN/${script}")
    endif()
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
