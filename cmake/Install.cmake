# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where a Linux desktop looks for it: the two
# programs, the menu entry, the icon in the hicolor theme (the SVG and PNG
# sizes drawn from it at build time), the AppStream description, the two
# manual pages, and the copyright, changelog and lintian files a Debian
# system expects. CPack makes a Debian package of the same, with stripped
# programs. `install_manifest.txt` in the build folder lists what was
# installed; the README shows how to remove those files again with it.

include(GNUInstallDirs)

install(TARGETS clipmill clipmill-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/clipmill.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/example.clipmill.Clipmill.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/clipmill.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(desktop_outputs)
foreach(size 16 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}/clipmill.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${PROJECT_SOURCE_DIR}/data/clipmill.svg -o ${png}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/clipmill.svg VERBATIM)
  list(APPEND desktop_outputs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages and the changelog are installed compressed, without a time
# stamp in the gzip header, so that two builds give the same bytes.
find_program(GZIP gzip REQUIRED)
function(clipmill_install_gzipped source destination name)
  set(out ${CMAKE_BINARY_DIR}/gz/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gz
    COMMAND ${GZIP} -9nc ${source} > ${out}
    DEPENDS ${source} VERBATIM)
  set(desktop_outputs ${desktop_outputs} ${out} PARENT_SCOPE)
  install(FILES ${out} DESTINATION ${destination})
endfunction()
clipmill_install_gzipped(${PROJECT_SOURCE_DIR}/doc/clipmill.1 ${CMAKE_INSTALL_MANDIR}/man1 clipmill.1)
clipmill_install_gzipped(${PROJECT_SOURCE_DIR}/doc/clipmill-convert.1 ${CMAKE_INSTALL_MANDIR}/man1 clipmill-convert.1)
clipmill_install_gzipped(${PROJECT_SOURCE_DIR}/data/debian/changelog ${CMAKE_INSTALL_DOCDIR} changelog.Debian)
add_custom_target(desktop_files ALL DEPENDS ${desktop_outputs})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME clipmill)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clipmill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_CONTACT "The Clipmill developers <clipmill@clipmill.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter for HD camcorder recordings")
set(CPACK_PACKAGE_DESCRIPTION "Converts whole cards of .MTS/.M2TS/.MPG camcorder clips into DVD, MPEG-2 HD,\nWMV, FLV, AVI, MP4 and 3GP files, several at once, with a live preview.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# MediaInfo is opened at run time, Qt loads its platform plugins and the
# SVG icon engine at run time, and the icon goes into the hicolor theme, so
# no linked library names these. Web pages open in the user's browser
# through xdg-utils; desktop-file-utils registers the menu entry's file types.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmediainfo0v5, qt6-qpa-plugins, libqt6svg6, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, desktop-file-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Packaging installs the default component by name, so that CMake writes its
# list to install_manifest_Unspecified.txt and install_manifest.txt keeps
# listing what `cmake --install` put on this system.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")

# The package's version must be the one the changelog's latest entry names.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/debian/changelog changelog_top LIMIT_COUNT 1)
set(package_version ${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
if(NOT changelog_top MATCHES "^clipmill \\(${package_version}\\) ")
  message(FATAL_ERROR "data/debian/changelog starts with \"${changelog_top}\", not with version ${package_version}")
endif()
include(CPack)
