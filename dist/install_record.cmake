# Run by `cmake --install` (make install) before anything is copied, in the
# install script's scope; BROVASK_INSTALL_MANIFEST (the manifest CMake writes
# at the end of the install) and BROVASK_INSTALL_DESTINATION (the record
# beside it) are set by the caller. CPack's staging install (a component
# install, with a manifest of its own) keeps no record.
#
# The record holds the DESTDIR and PREFIX of the install, one per line:
#   DESTDIR=<path, or nothing>
#   PREFIX=<path>
# `make uninstall` refuses to remove anything under another DESTDIR. An
# install into the same place again keeps what the earlier one noted (the
# folders it created exist now, and this install would not note them); one
# into another place is refused while the earlier install is still there,
# since its record would be lost.
if(CMAKE_INSTALL_COMPONENT)
  return()
endif()
set(destination "DESTDIR=$ENV{DESTDIR}\nPREFIX=${CMAKE_INSTALL_PREFIX}\n")
if(EXISTS "${BROVASK_INSTALL_DESTINATION}" AND EXISTS "${BROVASK_INSTALL_MANIFEST}")
  file(READ "${BROVASK_INSTALL_DESTINATION}" recorded)
  file(STRINGS "${BROVASK_INSTALL_MANIFEST}" earlier)
  if(recorded STREQUAL destination)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES ${earlier})
  else()
    string(REGEX REPLACE "^DESTDIR=([^\n]*)\n.*" "\\1" recorded_destdir "${recorded}")
    foreach(path ${earlier})
      if(EXISTS "${recorded_destdir}${path}" OR IS_SYMLINK "${recorded_destdir}${path}")
        string(REPLACE "\n" " " was "${recorded}")
        string(REPLACE "\n" " " now "${destination}")
        string(STRIP "${now}" now)
        message(FATAL_ERROR "${BROVASK_INSTALL_DESTINATION}: this build is installed in ${was}(${recorded_destdir}${path} is there); "
                            "not installing in ${now}: run `make uninstall` with DESTDIR \"${recorded_destdir}\" first")
      endif()
    endforeach()
  endif()
endif()
file(WRITE "${BROVASK_INSTALL_DESTINATION}" "${destination}")
