# Run by cpack after it made the .deb (CPACK_POST_BUILD_SCRIPTS). CPack gives every package
# with shared objects under usr/lib a postinst and a postrm that call ldconfig; ours are
# private (usr/lib/larkspan/, found by the run path), which ldconfig never reads, and the
# desktop's caches are refreshed by the triggers of their own packages. So the package is
# rebuilt without those two scripts, its files and their order unchanged.
find_program(DPKG_DEB dpkg-deb REQUIRED)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB} --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    set(path ${tree}/DEBIAN/${script})
    if(EXISTS ${path})
      file(READ ${path} text)
      # Anything beyond CPack's ldconfig call would be a script of our own: keep it.
      string(REGEX REPLACE "#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|ldconfig|fi|[ \t\n]" "" rest "${text}")
      if(rest STREQUAL "")
        file(REMOVE ${path})
      endif()
    endif()
  endforeach()
  execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zxz --build ${tree} ${deb}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
